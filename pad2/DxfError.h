// SPDX-License-Identifier: MIT
// Why a drawing could not be loaded: a code (what edaError answers) and the user's text.
#pragma once

#include <string>

namespace pad2 {

enum TErrorCode : int {
    ecNone = 0,
    ecInitMissing = 1, // PADINIT.DAT cannot be read
    ecInitForeign = 2, // PADINIT.DAT is not the engine's
    ecInitVersion = 3, // PADINIT.DAT of another engine version
    ecFileMissing = 10,
    ecFileEmpty = 11,
    ecNotDrawing = 12,
    ecDwg = 13,
    ecTruncated = 14,
    ecBadValue = 15,
    ecBadGroupCode = 16,
    ecTooLarge = 17,
    ecTooManyDrawings = 18,
    ecInternal = 19,
    ecBadArgument = 20,
    ecFileChanged = 21, // the file shrank or grew while it was read
    ecErrorCodeCount
};

// Thrown inside the engine only; the exports turn it into a result and edaError.
struct EDxfError {
    TErrorCode Code;
    std::string Message;
};

} // namespace pad2
