// SPDX-License-Identifier: MIT
// File and folder tests, folder creation, temporary files and the parts of a path. Failures
// are results (false or an empty path); nothing here throws.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dxfi::platform {

// The separator of folders in a path (on Windows "/" is accepted too when paths are split).
#if defined(_WIN32)
inline constexpr char kPathDelimiter = '\\';
#else
inline constexpr char kPathDelimiter = '/';
#endif

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

// Copies the regular file `from` to `to`, replacing `to` if it exists (not atomic), and flushes
// the copy to disk. False when
// `from` cannot be read or `to` cannot be written completely; `to` may then be incomplete.
bool CopyFile(const std::string& from, const std::string& to);

// What `path` is when it exists but is not a regular file ("a named pipe", "a folder", "a
// device", "a socket"); "" for a regular file or a path that does not exist. Symbolic links are
// followed.
std::string NonRegularFileKind(const std::string& path);

enum TReadResult : uint8_t { rfRead, rfMissing, rfFailed };

// Reads the whole regular file `path` into `text`. Anything else (a named pipe, a device, a
// folder) is refused at once, without waiting for a writer. rfMissing when it does not exist;
// rfFailed with `problem` (for example "it is a named pipe, not a regular file" or the system's
// reason) when it cannot be read.
TReadResult ReadRegularFile(const std::string& path, std::string& text, std::string& problem);

// The temporary file that a safe write of `target` uses: "<target>.tmp<process id>", in the
// target's own folder so that the rename is atomic.
std::string TemporaryPathBeside(const std::string& target);

// Creates TemporaryPathBeside(target) afresh (a leftover of that name is removed first), with the
// user's normal file mode (0666 less the umask), and returns its descriptor; -1 with errno set
// when it cannot be made.
int CreateTemporaryBeside(const std::string& target, std::string& temporaryPath);

// Flushes the folder that holds `path` to disk, so that a rename in it survives a power loss.
void SyncFolderOf(const std::string& path);

// Deletes the temporary files "<target>.tmp<process id>" beside `target` whose process no longer
// runs: what a save that was killed left behind.
void RemoveStaleTemporaries(const std::string& target);

// Writes `text` to `path` safely: into TemporaryPathBeside(path), flushed to disk, renamed over
// `path`, then the folder flushed; the earlier file stays whole until the new one is complete.
// With `keepMode` an existing file's permission bits are kept, otherwise the new file has the
// user's normal mode. Stale temporaries of earlier killed saves are removed first. False with
// `problem` (the system's reason) when it fails; `path` is then unchanged.
bool WriteFileSafely(const std::string& path, std::string_view text, bool keepMode,
                     std::string& problem);

// The path as an existence test should see it. Windows compares file names without regard
// to case and the original code upper-cases paths before testing; on POSIX file names are
// case-sensitive and upper-casing would make the test never match, so this returns `path`
// unchanged there; on Windows it returns `path` upper-cased.
std::string FileSystemCase(const std::string& path);

// The file part of `path`: everything after the last delimiter ("a/b.dxf" -> "b.dxf").
std::string ExtractFileName(std::string_view path);

// The folder part of `path` with its trailing delimiter ("a/b.dxf" -> "a/"; "b" -> "").
std::string ExtractFilePath(std::string_view path);

// `path` with one trailing delimiter ("" stays "").
std::string IncludeTrailingDelimiter(std::string_view path);

} // namespace dxfi::platform
