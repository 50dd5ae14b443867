// SPDX-License-Identifier: MIT
#include "platform/Environment.h"

#include "platform/SystemParts.h"
#include "platform/win32/WideText.h"

#include "platform/win32/WindowsApi.h"

namespace dxfi::platform {
using detail::ValidEnvName;

std::optional<std::string> GetEnv(const std::string& name) {
    if (!ValidEnvName(name)) return std::nullopt;
    const std::wstring wide = win32::Widen(name);
    DWORD size = GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
    if (size == 0) {
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        return std::string();
    }
    std::wstring value(size, L'\0');
    DWORD length = GetEnvironmentVariableW(wide.c_str(), value.data(), size);
    if (length >= size) return std::nullopt; // changed between the calls
    value.resize(length);
    return win32::Narrow(value);
}

bool SetEnv(const std::string& name, const std::string& value) {
    if (!ValidEnvName(name)) return false;
    // The C runtime keeps its own copy that getenv reads; keep both in step.
    const std::wstring wideName = win32::Widen(name), wideValue = win32::Widen(value);
    return SetEnvironmentVariableW(wideName.c_str(), wideValue.c_str()) &&
           _wputenv_s(wideName.c_str(), wideValue.c_str()) == 0;
}

bool UnsetEnv(const std::string& name) {
    if (!ValidEnvName(name)) return false;
    const std::wstring wideName = win32::Widen(name);
    SetEnvironmentVariableW(wideName.c_str(), nullptr);
    return _wputenv_s(wideName.c_str(), L"") == 0;
}

} // namespace dxfi::platform
