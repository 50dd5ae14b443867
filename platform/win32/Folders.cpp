// SPDX-License-Identifier: MIT
#include "platform/Folders.h"

#include "platform/Files.h"
#include "platform/win32/WideText.h"

#include "platform/win32/WindowsApi.h"
#include <array>
#include <mutex>
#include <shlobj.h>

namespace dxfi::platform {
namespace {

constexpr std::size_t kFolderCount = static_cast<std::size_t>(foUserConfig) + 1;

std::mutex OverrideMutex;
std::array<std::string, kFolderCount> Overrides;

// A wide-text system call that fills a buffer of MAX_PATH characters and returns the length.
template <typename TCall> std::string SystemPath(TCall call) {
    std::array<wchar_t, MAX_PATH + 1> buffer{};
    const UINT length = call(buffer.data(), static_cast<UINT>(MAX_PATH));
    if (length == 0 || length > MAX_PATH) return {};
    return win32::Narrow(std::wstring_view(buffer.data(), length));
}

std::string ShellFolder(int id) {
    std::array<wchar_t, MAX_PATH + 1> buffer{};
    if (FAILED(SHGetFolderPathW(nullptr, id | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                buffer.data())))
        return {};
    return win32::Narrow(buffer.data());
}

std::string ModuleFile(HMODULE module) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return win32::Narrow(std::wstring_view(buffer.data(), length));
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string DefaultFolder(TFolder folder) {
    switch (folder) {
    case foAppData:
        return ShellFolder(CSIDL_APPDATA);
    case foWindows:
        return SystemPath([](wchar_t* b, UINT n) { return GetWindowsDirectoryW(b, n); });
    case foSystem:
        return SystemPath([](wchar_t* b, UINT n) { return GetSystemDirectoryW(b, n); });
    case foCommand: {
        std::string path = IncludeTrailingDelimiter(
            SystemPath([](wchar_t* b, UINT n) { return GetWindowsDirectoryW(b, n); }));
        path.append("Command");
        return path;
    }
    case foTemp:
        return SystemPath([](wchar_t* b, UINT n) { return GetTempPathW(n, b); });
    case foCurrent:
        return SystemPath([](wchar_t* b, UINT n) { return GetCurrentDirectoryW(n, b); });
    case foExecutable:
        return ExtractFilePath(ModuleFile(nullptr));
    case foUserConfig:
        return ShellFolder(CSIDL_APPDATA);
    }
    return {};
}

// Anchor for the module lookup: any function of this module will do.
void ModuleAnchor() {}

} // namespace

std::string FolderPath(TFolder folder) {
    std::size_t index = static_cast<std::size_t>(folder);
    if (index >= kFolderCount) return ".\\";
    std::string path;
    {
        std::lock_guard lock(OverrideMutex);
        path = Overrides[index];
    }
    if (path.empty()) path = DefaultFolder(folder);
    if (path.empty()) return ".\\";
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
    HMODULE module = nullptr;
    if (!address || !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                            GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                        static_cast<LPCWSTR>(address), &module))
        return {};
    return ModuleFile(module);
}

std::string OwnModuleFile() {
    return ModuleFileOf(reinterpret_cast<const void*>(&ModuleAnchor));
}

} // namespace dxfi::platform
