// SPDX-License-Identifier: MIT
// The parts of the folder lookup that read the same on every system: the redirections, the
// fallback, the trailing delimiter and the own module. Each system supplies DefaultFolder and
// ModuleFileOf.
#include "platform/Folders.h"

#include "platform/Files.h"
#include "platform/SystemParts.h"

#include <array>
#include <mutex>

namespace dxfi::platform {
namespace {

constexpr std::size_t kFolderCount = static_cast<std::size_t>(foUserConfig) + 1;

// What a folder that cannot be determined falls back to: the current one, relatively.
std::string FallbackFolder() {
    return {'.', kPathDelimiter};
}

std::mutex OverrideMutex;
std::array<std::string, kFolderCount> Overrides;

// Anchor for the module lookup: any function of this module will do.
void ModuleAnchor() {}

} // namespace

std::string FolderPath(TFolder folder) {
    std::size_t index = static_cast<std::size_t>(folder);
    if (index >= kFolderCount) return FallbackFolder();
    std::string path;
    {
        std::lock_guard lock(OverrideMutex);
        path = Overrides[index];
    }
    if (path.empty()) path = detail::DefaultFolder(folder);
    if (path.empty()) return FallbackFolder();
    path = IncludeTrailingDelimiter(path);
    if (folder == foAppData && !FolderExists(path)) CreateFolders(path);
    return path;
}

void SetFolderOverride(TFolder folder, const std::string& path) {
    std::size_t index = static_cast<std::size_t>(folder);
    if (index >= kFolderCount) return;
    std::lock_guard lock(OverrideMutex);
    Overrides[index] = IncludeTrailingDelimiter(path);
}

void ClearFolderOverrides() {
    std::lock_guard lock(OverrideMutex);
    for (std::string& path : Overrides)
        path.clear();
}

std::string ExecutableFolder() {
    return FolderPath(foExecutable);
}

std::string OwnModuleFile() {
    return ModuleFileOf(reinterpret_cast<const void*>(&ModuleAnchor));
}

} // namespace dxfi::platform
