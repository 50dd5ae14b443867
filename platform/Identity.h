// SPDX-License-Identifier: MIT
// Who is running: the computer, the user and the process, as lock files beside shared documents
// record them. Nothing here fails: a name the system cannot tell is "".
#pragma once

#include <cstdint>
#include <string>

namespace dxfi::platform {

// The computer's network name (gethostname), without any domain part.
std::string ComputerName();

// The login name of the user the process runs as: the user database's name for the effective
// user id, else $USER, else $LOGNAME.
std::string UserName();

// This process's id.
uint32_t ProcessId();

} // namespace dxfi::platform
