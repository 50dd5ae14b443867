// SPDX-License-Identifier: MIT
// UTF-8 <-> UTF-16 for the Windows functions: the system keeps texts and paths in UTF-8 and
// calls the wide ("W") forms, so that names outside the ANSI code page survive.
#pragma once

#include <string>
#include <string_view>

namespace dxfi::platform::win32 {

std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);

// The system's message for `error` (a GetLastError value), without the trailing line break.
std::string ErrorText(unsigned long error);

} // namespace dxfi::platform::win32
