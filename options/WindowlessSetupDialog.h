// SPDX-License-Identifier: MIT
// The options dialog where the plug-in is built without a window for it (the Windows form for
// now): the import runs with the saved settings, the host's settings file and its answers, as
// in test mode. A host that wants the dialog shown gets an "Error" box saying so, and the import
// is cancelled rather than run with options the user never saw.
#pragma once

namespace dxfi {

// Makes CreateSetupDialog give that dialog. Safe to repeat.
void RegisterWindowlessSetupDialog();

} // namespace dxfi
