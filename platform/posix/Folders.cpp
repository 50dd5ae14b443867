// SPDX-License-Identifier: MIT
#include "platform/Folders.h"

#include "platform/Environment.h"
#include "platform/Files.h"

#include <array>
#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <mutex>
#include <pwd.h>
#include <unistd.h>

namespace dxfi::platform {
namespace {

constexpr std::size_t kFolderCount = static_cast<std::size_t>(foUserConfig) + 1;

std::mutex OverrideMutex;
std::array<std::string, kFolderCount> Overrides;

std::string NonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string HomeFolder() {
    std::string home = NonEmptyEnv("HOME");
    if (!home.empty()) return home;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buffer(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && *found->pw_dir)
        return found->pw_dir;
    return FolderPath(foTemp);
}

std::string ExecutableFolderFromProc() {
    std::array<char, PATH_MAX + 1> buffer{};
    ssize_t length = readlink("/proc/self/exe", buffer.data(), PATH_MAX);
    if (length <= 0) return "./";
    return ExtractFilePath(std::string_view(buffer.data(), static_cast<std::size_t>(length)));
}

std::string CurrentFolder() {
    std::array<char, PATH_MAX + 1> buffer{};
    if (!getcwd(buffer.data(), buffer.size())) return "./";
    return buffer.data();
}

std::string DefaultFolder(TFolder folder) {
    switch (folder) {
    case foAppData: {
        std::string path = NonEmptyEnv("XDG_DATA_HOME");
        return path.empty() ? IncludeTrailingDelimiter(HomeFolder()) + ".local/share" : path;
    }
    case foWindows: {
        std::string path = NonEmptyEnv("DXFI_WINDOWS_DIR");
        return path.empty() ? "/usr/local/lib" : path;
    }
    case foSystem: {
        std::string path = NonEmptyEnv("DXFI_SYSTEM_DIR");
        return path.empty() ? "/usr/lib" : path;
    }
    case foCommand: {
        std::string path = NonEmptyEnv("DXFI_COMMAND_DIR");
        return path.empty() ? "/usr/local/bin" : path;
    }
    case foTemp: {
        std::string path = NonEmptyEnv("TMPDIR");
        return path.empty() ? "/tmp" : path;
    }
    case foCurrent:
        return CurrentFolder();
    case foExecutable: {
        std::string path = NonEmptyEnv("DXFI_EXE_DIR");
        return path.empty() ? ExecutableFolderFromProc() : path;
    }
    case foUserConfig: {
        std::string path = NonEmptyEnv("XDG_CONFIG_HOME");
        return path.empty() ? IncludeTrailingDelimiter(HomeFolder()) + ".config" : path;
    }
    }
    return "./";
}

// Anchor for dladdr: any function of this module will do.
void ModuleAnchor() {}

} // namespace

std::string FolderPath(TFolder folder) {
    std::size_t index = static_cast<std::size_t>(folder);
    if (index >= kFolderCount) return "./";
    std::string path;
    {
        std::lock_guard lock(OverrideMutex);
        path = Overrides[index];
    }
    if (path.empty()) path = DefaultFolder(folder);
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

std::string ModuleFileOf(const void* address) {
    Dl_info info{};
    if (!address || dladdr(address, &info) == 0 || !info.dli_fname || !*info.dli_fname) return {};
    char* resolved = realpath(info.dli_fname, nullptr);
    if (!resolved) return info.dli_fname;
    std::string path(resolved);
    std::free(resolved);
    return path;
}

std::string OwnModuleFile() {
    return ModuleFileOf(reinterpret_cast<const void*>(&ModuleAnchor));
}

} // namespace dxfi::platform
