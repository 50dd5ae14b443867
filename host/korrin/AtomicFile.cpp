// SPDX-License-Identifier: MIT
// Files written whole or not at all: a temporary file beside the target, synced, renamed over
// it; temporaries of saves that were killed are removed by the next save.
#include "host/korrin/BoardDocument.h"
#include "host/korrin/FileOutput.h"
#include "host/korrin/FileSystem.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <ostream>

namespace dxfi::korrin {
namespace {

std::string Reason(int error) {
    return std::strerror(error);
}

// Removes "<path>.tmp<pid>" files beside `path` whose process has ended: what a save that was
// killed left behind.
void RemoveStaleTemporaries(const std::string& path) {
    const std::filesystem::path target(path);
    const std::string prefix = target.filename().string() + ".tmp";
    std::error_code ec;
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string digits = name.substr(prefix.size());
        if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const long pid = std::stol(digits);
        if (pid <= 0 || pid == CurrentProcessId() || !ProcessHasEnded(pid)) continue;
        std::filesystem::remove(it->path(), ec);
        ec.clear();
    }
}

void SyncFolderOf(const std::string& path) {
    const std::filesystem::path target(path);
    SyncFolderToDisk(target.has_parent_path() ? target.parent_path().string() : ".");
}

} // namespace

void WriteFileAtomically(const std::string& path, const char* verb,
                         void (*write)(const void* context, std::ostream& out),
                         const void* context) {
    auto fail = [&](const std::string& problem) -> EBoardFile {
        return EBoardFile(std::string("Cannot ") + verb + " '" + path + "': " + problem + ".");
    };
    if (path.empty()) throw fail("no file name was given");
    RemoveStaleTemporaries(path);
    std::string temp = path + ".tmp" + std::to_string(CurrentProcessId());
    {
        TFileOutput file(temp);
        if (!file.IsOpen())
            throw fail("the temporary file '" + temp + "' cannot be created (" +
                       Reason(file.Error()) + ")");
        std::ostream out(&file);
        write(context, out);
        if (!out || !file.Close()) {
            file.Close();
            std::remove(temp.c_str());
            throw fail("writing failed (" + Reason(file.Error()) + ")");
        }
    }
    // On disk before the rename: a power loss then leaves the old file or the new one.
    if (const std::string reason = SyncFileToDisk(temp); !reason.empty()) {
        std::remove(temp.c_str());
        throw fail("writing failed (" + reason + ")");
    }
    if (const std::string reason = RenameOver(temp, path); !reason.empty()) {
        std::remove(temp.c_str());
        throw fail("the file cannot be replaced (" + reason + ")");
    }
    SyncFolderOf(path);
}

} // namespace dxfi::korrin
