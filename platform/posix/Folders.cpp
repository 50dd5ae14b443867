// SPDX-License-Identifier: MIT
#include "platform/Folders.h"

#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/SystemParts.h"

#include <array>
#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <pwd.h>
#include <unistd.h>

namespace dxfi::platform {
namespace {

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

// The variable's value, or `fallback` when it is unset or empty.
std::string EnvOr(const char* name, std::string_view fallback) {
    std::string value = NonEmptyEnv(name);
    return value.empty() ? std::string(fallback) : value;
}

} // namespace

std::string detail::DefaultFolder(TFolder folder) {
    switch (folder) {
    case foAppData: {
        std::string path = NonEmptyEnv("XDG_DATA_HOME");
        return path.empty() ? IncludeTrailingDelimiter(HomeFolder()) + ".local/share" : path;
    }
    case foWindows:
        return EnvOr("DXFI_WINDOWS_DIR", "/usr/local/lib");
    case foSystem:
        return EnvOr("DXFI_SYSTEM_DIR", "/usr/lib");
    case foCommand:
        return EnvOr("DXFI_COMMAND_DIR", "/usr/local/bin");
    case foTemp:
        return EnvOr("TMPDIR", "/tmp");
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
    return {};
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

} // namespace dxfi::platform
