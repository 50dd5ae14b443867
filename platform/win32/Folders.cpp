// SPDX-License-Identifier: MIT
#include "platform/Folders.h"

#include "platform/Files.h"
#include "platform/SystemParts.h"
#include "platform/win32/WideText.h"

#include "platform/win32/WindowsApi.h"
#include <array>
#include <shlobj.h>

namespace dxfi::platform {
namespace {

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

} // namespace

std::string detail::DefaultFolder(TFolder folder) {
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

std::string ModuleFileOf(const void* address) {
    HMODULE module = nullptr;
    if (!address || !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                            GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                        static_cast<LPCWSTR>(address), &module))
        return {};
    return ModuleFile(module);
}

} // namespace dxfi::platform
