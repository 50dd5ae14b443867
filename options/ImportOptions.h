// SPDX-License-Identifier: MIT
// The options dialog handed to the import run: each import gets the dialog CreateSetupDialog
// makes (the window when a view is registered, otherwise the widget-free model).
#pragma once

namespace dxfi {

// Makes the import run use the setup dialog. Safe to repeat.
void UseSetupDialogForImports();

} // namespace dxfi
