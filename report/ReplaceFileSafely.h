// SPDX-License-Identifier: MIT
// Putting a newly written file in place of a document the user may have open: what the host
// framework does when a generated file replaces an earlier one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace dxfi {

// Who holds a file open, as its lock file "~$" + file name + "_loc" beside it says in lines
// "ComputerName=...", "UserName=..." and "ProcessID=..." (a line missing means not stated).
struct TFileLockOwner {
    std::string ComputerName;
    std::string UserName;
    std::string ProcessId;
};

// The lock file's path for `target`.
std::string LockFilePath(const std::string& target);

// The owner named by the lock file of `target` when it names a computer, user or process other
// than this one (computer and user names compare without regard to ASCII case); nothing when
// there is no lock file or it names only us.
std::optional<TFileLockOwner> ForeignLockOwner(const std::string& target);

// Moves `temporary` to `target`:
// - the same path (as the file system compares names): nothing happens, true;
// - `target` locked by another owner: `target` is kept, `temporary` deleted, and a "Warning"
//   box names the file and its holder; false;
// - otherwise `temporary` replaces `target` (renamed over it, so that the earlier file stays
//   whole until the new one is in place; when they lie on different file systems it is first
//   copied beside `target`, and that copy is renamed); the folder is then flushed to disk;
//   when that fails `temporary` is deleted, an "Error" box names the file, and false.
bool ReplaceFileSafely(const std::string& temporary, const std::string& target);

} // namespace dxfi
