// SPDX-License-Identifier: MIT
// The operating system's side of board files, one implementation per platform
// (FileSystemPosix.cpp, FileSystemWin32.cpp). Reasons are short texts without the file's name,
// for the callers' messages.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace dxfi::korrin {

// Opens a regular file for reading (the caller closes it) and gives its size. Throws EBoardFile
// with the problem ("the file does not exist", "that is a folder, not a board file", ...);
// never waits on a pipe or device.
std::FILE* OpenRegularFile(const std::string& path, std::size_t& size);

// This process's id, which names its temporary files.
long CurrentProcessId();
// True when no process with that id runs any more.
bool ProcessHasEnded(long id);

// Puts the file's data on disk: empty on success, else the reason.
std::string SyncFileToDisk(const std::string& path);
// Puts the folder's entries on disk (a rename made in it), where the system needs that.
void SyncFolderToDisk(const std::string& folder);
// Replaces `target` by `source` in one step: empty on success, else the reason.
std::string RenameOver(const std::string& source, const std::string& target);

} // namespace dxfi::korrin
