// SPDX-License-Identifier: MIT
#include "report/ReplaceFileSafely.h"

#include "abi/ClientApi.h"
#include "base/TextCompare.h"
#include "platform/Files.h"
#include "platform/Identity.h"
#include "report/ReportHost.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string_view>

namespace dxfi {
namespace {

// The value of a line that begins with `name` ("UserName=joe" or "UserName: joe").
bool LineValue(std::string_view line, std::string_view name, std::string& value) {
    if (line.size() < name.size() || !EqualsNoCase(line.substr(0, name.size()), name)) return false;
    std::string_view rest = TrimBlanks(line.substr(name.size()), kBlanksAndLineEnds);
    if (!rest.empty() && (rest.front() == '=' || rest.front() == ':')) rest.remove_prefix(1);
    value = std::string(TrimBlanks(rest, kBlanksAndLineEnds));
    return true;
}

std::string Holder(const TFileLockOwner& owner) {
    std::string text = owner.UserName.empty() ? "another user" : owner.UserName;
    if (!owner.ComputerName.empty()) text += " on " + owner.ComputerName;
    if (!owner.ProcessId.empty()) text += " (process " + owner.ProcessId + ")";
    return text;
}

} // namespace

std::string LockFilePath(const std::string& target) {
    return platform::ExtractFilePath(target) + "~$" + platform::ExtractFileName(target) + "_loc";
}

std::optional<TFileLockOwner> ForeignLockOwner(const std::string& target) {
    std::ifstream in(LockFilePath(target), std::ios::binary);
    if (!in) return std::nullopt;
    TFileLockOwner owner;
    bool hasComputer = false, hasUser = false, hasProcess = false;
    std::string line;
    while (std::getline(in, line)) {
        std::string_view text = TrimBlanks(line, kBlanksAndLineEnds);
        hasComputer |= LineValue(text, "ComputerName", owner.ComputerName);
        hasUser |= LineValue(text, "UserName", owner.UserName);
        hasProcess |= LineValue(text, "ProcessID", owner.ProcessId);
    }
    bool foreign = (hasComputer && !EqualsNoCase(owner.ComputerName, platform::ComputerName())) ||
                   (hasUser && !EqualsNoCase(owner.UserName, platform::UserName())) ||
                   (hasProcess && owner.ProcessId != std::to_string(platform::ProcessId()));
    if (!foreign) return std::nullopt;
    return owner;
}

bool ReplaceFileSafely(const std::string& temporary, const std::string& target) {
    if (platform::FileSystemCase(temporary) == platform::FileSystemCase(target)) return true;
    if (std::optional<TFileLockOwner> owner = ForeignLockOwner(target)) {
        platform::RemoveFile(temporary);
        ShowReportMessage("Warning",
                          "The file " + target + " is in use by " + Holder(*owner) +
                              " and was not replaced; it still holds its earlier content. Close "
                              "it there, then produce the file again.",
                          abi::kMbOk | abi::kMbIconWarning);
        return false;
    }
    // A rename keeps the earlier file whole until the new one takes its place. A temporary file
    // from another file system is first copied beside the target, so that the earlier file is
    // still only replaced by a rename of a complete copy.
    if (platform::MoveFile(temporary, target)) {
        platform::SyncFolderOf(target);
        return true;
    }
    int reason = errno;
    if (reason == EXDEV) {
        const std::string beside = platform::TemporaryPathBeside(target);
        if (platform::CopyFile(temporary, beside) && platform::MoveFile(beside, target)) {
            platform::RemoveFile(temporary);
            platform::SyncFolderOf(target);
            return true;
        }
        reason = errno;
        platform::RemoveFile(beside);
    }
    platform::RemoveFile(temporary);
    ShowReportMessage("Error",
                      "The file " + target + " could not be written (" + std::strerror(reason) +
                          "). Check that its folder exists and may be written, then produce the "
                          "file again.",
                      abi::kMbOk | abi::kMbIconError);
    return false;
}

} // namespace dxfi
