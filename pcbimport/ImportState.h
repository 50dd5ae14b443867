// SPDX-License-Identifier: MIT
// What the plug-in keeps for the whole process between and during imports: the board of the
// running import, the product folder that names the saved settings, and the maker of the options
// dialog. All of it is touched from the host's thread only.
#pragma once

#include "pcbimport/ImportOptionsDialog.h"

#include <string>

namespace dxfi {

class TPcbBoard;

// The current board of the running import: set by the plug-in's entry for the length of one
// call, nullptr outside a call. Not owned here.
void SetCurrentBoard(TPcbBoard* board);
TPcbBoard* CurrentBoard();

// The product folder ("\Corvane2004"), set once by the plug-in when it is loaded; it names the
// saved settings' registry key.
void SetProductFolder(std::string folder);
const std::string& ProductFolder();

// The factory SetImportOptionsDialogFactory set last (empty before).
const TImportOptionsDialogFactory& ImportOptionsDialogFactory();

} // namespace dxfi
