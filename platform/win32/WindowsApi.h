// SPDX-License-Identifier: MIT
// <windows.h> without the macros that would rename the platform functions of the same names
// (MoveFile, CopyFile, SearchPath become their "A"/"W" forms otherwise).
#pragma once

#include <windows.h>

#undef MoveFile
#undef CopyFile
#undef SearchPath
