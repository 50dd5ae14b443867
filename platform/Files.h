// SPDX-License-Identifier: MIT
// File and folder tests, folder creation, temporary files and the parts of a path. Failures
// are results (false or an empty path); nothing here throws.
#pragma once

#include <string>
#include <string_view>

namespace dxfi::platform {

// The separator of folders in a path.
inline constexpr char kPathDelimiter = '/';

// True when `path` names an existing regular file or folder (following symbolic links).
bool FileExists(const std::string& path);

// True when `path` names an existing folder.
bool FolderExists(const std::string& path);

// Creates the folder `path` (one level: its parent must exist). True when it exists
// afterwards, also when it existed already.
bool CreateFolder(const std::string& path);

// Creates `path` and every missing parent. True when it exists afterwards.
bool CreateFolders(const std::string& path);

// Creates a new, empty file with a unique name "<prefix>XXXXXX" in the temporary folder
// (FolderPath(foTemp)) and returns its path; empty when it cannot be created.
std::string CreateTempFile(std::string_view prefix);

// Deletes a file. True when it is gone afterwards.
bool RemoveFile(const std::string& path);

// Moves `from` to `to`, replacing `to` if it exists (atomic within one file system).
bool MoveFile(const std::string& from, const std::string& to);

// Copies the regular file `from` to `to`, replacing `to` if it exists (not atomic). False when
// `from` cannot be read or `to` cannot be written completely; `to` may then be incomplete.
bool CopyFile(const std::string& from, const std::string& to);

// The path as an existence test should see it. Windows compares file names without regard
// to case and the original code upper-cases paths before testing; on POSIX file names are
// case-sensitive and upper-casing would make the test never match, so this returns `path`
// unchanged.
std::string FileSystemCase(const std::string& path);

// The file part of `path`: everything after the last delimiter ("a/b.dxf" -> "b.dxf").
std::string ExtractFileName(std::string_view path);

// The folder part of `path` with its trailing delimiter ("a/b.dxf" -> "a/"; "b" -> "").
std::string ExtractFilePath(std::string_view path);

// `path` with one trailing delimiter ("" stays "").
std::string IncludeTrailingDelimiter(std::string_view path);

} // namespace dxfi::platform
