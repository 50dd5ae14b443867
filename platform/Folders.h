// SPDX-License-Identifier: MIT
// The folders the system looks in: the stand-ins for the Windows, system, application-data,
// temporary and current folders, and the folders of the running program and of this module.
// Every path returned here ends with "/".
#pragma once

#include <cstdint>
#include <string>

namespace dxfi::platform {

// What each folder means on POSIX, and how to redirect it. A redirection set with
// SetFolderOverride wins over the environment variable, which wins over the default.
//
// | folder         | stands for             | environment variable | default                      |
// |----------------|------------------------|----------------------|------------------------------|
// | foAppData      | per-user app data      | XDG_DATA_HOME        | $HOME/.local/share/ (made on |
// |                |                        |                      | demand, with its parents)    |
// | foWindows      | the Windows folder     | DXFI_WINDOWS_DIR     | /usr/local/lib/              |
// | foSystem       | the system folder      | DXFI_SYSTEM_DIR      | /usr/lib/                    |
// | foCommand      | Windows + "Command\"   | DXFI_COMMAND_DIR     | /usr/local/bin/              |
// | foTemp         | the temporary folder   | TMPDIR               | /tmp/                        |
// | foCurrent      | the current folder     | (none)               | getcwd()                     |
// | foExecutable   | the host program's     | DXFI_EXE_DIR         | folder of /proc/self/exe     |
// |                | folder                 |                      |                              |
// | foUserConfig   | where the current      | XDG_CONFIG_HOME      | $HOME/.config/               |
// |                | user's registry lives  |                      |                              |
//
// foCommand is the whole folder: callers do not append "Command/" to foWindows. An empty
// environment variable counts as unset. Without HOME the user database's home folder is used,
// and without that the temporary folder.
enum TFolder : uint8_t {
    foAppData,
    foWindows,
    foSystem,
    foCommand,
    foTemp,
    foCurrent,
    foExecutable,
    foUserConfig,
};

// The folder's path with a trailing "/". Never fails: a folder that cannot be determined
// falls back to the documented default (foCurrent falls back to "./").
std::string FolderPath(TFolder folder);

// Redirects `folder` to `path` ("/" is appended when missing); an empty path removes the
// redirection. Meant for tests and for hosts that keep their files elsewhere.
void SetFolderOverride(TFolder folder, const std::string& path);
void ClearFolderOverrides();

// The folder of the running executable (FolderPath(foExecutable)).
std::string ExecutableFolder();

// The file of the module (executable or shared library) that holds this code, as an
// absolute path when it can be resolved; empty when the system cannot tell.
std::string OwnModuleFile();

// The file of the module that holds `address` (any function or object in it); empty when
// the address belongs to no loaded module.
std::string ModuleFileOf(const void* address);

} // namespace dxfi::platform
