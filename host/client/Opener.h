// SPDX-License-Identifier: MIT
// "WorkspaceManager:OpenObject": opens a file with the desktop's opener (xdg-open when a
// display exists, $DISPLAY or $WAYLAND_DISPLAY; the shell on Windows), else, or when the
// opener cannot be started, prints the file's path so that the user can open it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace dxfi::host {

// The file name in a "Filename=..." parameter text (the key compares without regard to
// case); empty when the text has no such key.
std::string FileNameParameter(std::string_view parameters);

// 0 when the file was handed to the opener or its path printed; 1 for an empty name or a
// file that does not exist (a message on `err` says so).
int32_t OpenInDesktop(const std::string& path, std::FILE* err);

} // namespace dxfi::host
