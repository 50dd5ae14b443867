// SPDX-License-Identifier: MIT
#include "platform/Identity.h"

#include "platform/win32/WideText.h"

#include "platform/win32/WindowsApi.h"

namespace dxfi::platform {

std::string ComputerName() {
    wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(buffer, &size)) return {};
    return win32::Narrow(std::wstring_view(buffer, size));
}

std::string UserName() {
    wchar_t buffer[257] = {};
    DWORD size = 257;
    if (!GetUserNameW(buffer, &size) || size == 0) return {};
    return win32::Narrow(std::wstring_view(buffer, size - 1)); // size counts the NUL
}

uint32_t ProcessId() {
    return static_cast<uint32_t>(GetCurrentProcessId());
}

} // namespace dxfi::platform
