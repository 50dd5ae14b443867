// SPDX-License-Identifier: MIT
// What each system's implementation (posix/, win32/) hands to the halves both systems share
// (Folders.cpp, Environment.cpp), and what the shared halves hand back. Not for callers.
#pragma once

#include "platform/Folders.h"

#include <string>

namespace dxfi::platform::detail {

// The system's own answer for `folder` before any redirection; empty when it cannot tell.
std::string DefaultFolder(TFolder folder);

// True for a name an environment variable may have: not empty, without "=" or NUL.
bool ValidEnvName(const std::string& name);

} // namespace dxfi::platform::detail
