// SPDX-License-Identifier: MIT
// The library's exports; the version script (ELF) or the export list (Windows) keeps every
// other symbol private. On Windows the description bytes are the DESCRIPTION resource.
#include "abi/PluginApi.h"
#include "base/ShortString.h"
#include "plugin/PluginEntry.h"

#include <string>

#ifdef DXFI_WITH_QT_VIEW
#include "options/SetupDialogView.h"

namespace {
// The import run shows the options dialog in a window whenever the host shows dialogs.
[[maybe_unused]] const bool ViewRegistered = (dxfi::RegisterSetupDialogView(), true);
} // namespace
#elif defined(_WIN32)
#include "options/WindowlessSetupDialog.h"

namespace {
// No options window yet: the import runs with the saved settings and the host's answers.
[[maybe_unused]] const bool WindowlessRegistered = (dxfi::RegisterWindowlessSetupDialog(), true);
} // namespace
#endif

extern "C" {

#if !defined(_WIN32)
const uint8_t DESCRIPTION[dxfi::abi::kDescriptionSize] = {
    '|', 0,   '|', 0,   'A', 0,   'u', 0,   't', 0,   'o', 0,   'C', 0,   'A', 0,   'D', 0,   ' ',
    0,   '(', 0,   '*', 0,   '.', 0,   'D', 0,   'X', 0,   'F', 0,   ';', 0,   ' ', 0,   '*', 0,
    '.', 0,   'D', 0,   'W', 0,   'G', 0,   ')', 0,   '|', 0,   '|', 0,   '|', 0,   0,   0};
#endif

const char* DXFI_STDCALL GetPcbImporterDescription(void) {
    return "AutoCAD (*.DXF; *.DWG)";
}

uint8_t DXFI_STDCALL ImportFileIntoPcb(const uint8_t* fileName, const uint8_t*, int32_t) {
    try {
        const std::string name = fileName ? dxfi::FromPascal(fileName) : std::string();
        dxfi::ConnectToHost();
        return dxfi::GuardedImport(name, dxfi::ImportFileIntoBoard);
    } catch (...) {
        return 0; // only an out-of-memory copy of the name gets here
    }
}

} // extern "C"
