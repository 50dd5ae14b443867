// SPDX-License-Identifier: MIT
// The operating-system services of the host client and the pcbhost command, one
// implementation per platform (HostSystemPosix.cpp, HostSystemWin32.cpp): path separators, the
// program's own file, terminals, the desktop's opener, the machine's test-mode switch and the
// plug-in's library. Nothing throws except where said.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace dxfi::host {

// True for a character after which a path's file part begins: '/' on POSIX; '/', '\' and the
// drive's ':' on Windows.
bool IsFolderSeparator(char c);
// What ExecutableFolder appends to a folder that lacks a separator.
char FolderSeparator();

// The running program's file; empty when it cannot be found.
std::string ExecutablePath();

// True when the stream is an interactive terminal or console.
bool IsTerminal(std::FILE* stream);
// The user's terminal for reading answers when standard input is redirected; null when there
// is none. The caller closes it.
std::FILE* OpenUserTerminal();

// Hands an existing file to the desktop's program for it; false when there is no desktop or the
// program could not be started.
bool OpenWithDesktop(const std::string& path);

// The import plug-in's file name beside the host ("libdxfimport.so", "dxfimport.dll").
const char* DefaultPluginFileName();
// Why the options dialog cannot be shown in a window by this build, and what to do instead.
const char* NoWindowAdvice();

// The plug-in's library, loaded for the life of the process: null and `reason` set when it
// cannot be loaded.
void* LoadPluginLibrary(const std::string& path, std::string& reason);
// An exported function of the library; null when it has none by that name.
void* FindPluginSymbol(void* library, const char* name);
// The library's DESCRIPTION bytes (abi::kDescriptionSize of them); null when it has none of
// that size. `source` says where they were looked for, for the message.
const uint8_t* FindDescriptionBytes(void* library, std::string& source);

} // namespace dxfi::host
