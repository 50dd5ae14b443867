// SPDX-License-Identifier: MIT
// The import plug-in's exports, as the host loads and calls them.
#pragma once

#include "abi/CallConv.h"

#include <cstdint>

namespace dxfi::abi {
// The DESCRIPTION bytes: UTF-16LE "||AutoCAD (*.DXF; *.DWG)|||" and a 16-bit zero.
inline constexpr int kDescriptionSize = 56;
} // namespace dxfi::abi

extern "C" {
// Imports a drawing into the host's current board. `fileName` and `second` are
// length-prefixed strings (one length byte, then up to 255 bytes), copied on entry; `second`
// and `value` are not used. Answers 1 when the name was accepted and a board was open
// (whatever the import's outcome), 0 otherwise. Never throws.
DXFI_EXPORT uint8_t DXFI_STDCALL ImportFileIntoPcb(const uint8_t* fileName, const uint8_t* second,
                                                   int32_t value);
// "AutoCAD (*.DXF; *.DWG)" in static storage.
DXFI_EXPORT const char* DXFI_STDCALL GetPcbImporterDescription(void);
#if !defined(_WIN32)
// The DESCRIPTION resource's bytes (kDescriptionSize). On Windows they are the RCDATA resource
// "DESCRIPTION" (language neutral), not an export.
DXFI_EXPORT extern const uint8_t DESCRIPTION[dxfi::abi::kDescriptionSize];
#endif
}

namespace dxfi::abi {
using PFN_ImportFileIntoPcb = decltype(&::ImportFileIntoPcb);
using PFN_GetPcbImporterDescription = decltype(&::GetPcbImporterDescription);
} // namespace dxfi::abi
