// SPDX-License-Identifier: MIT
// Environment variables and the search along PATH.
#pragma once

#include <optional>
#include <string>

namespace dxfi::platform {

// The value of `name`, or nothing when it is not set.
std::optional<std::string> GetEnv(const std::string& name);

// Sets (overwrites) or removes a variable. False when the name is empty or contains "=".
bool SetEnv(const std::string& name, const std::string& value);
bool UnsetEnv(const std::string& name);

// The separator of PATH entries.
#if defined(_WIN32)
inline constexpr char kPathListSeparator = ';';
#else
inline constexpr char kPathListSeparator = ':';
#endif

// `name` itself when it exists (FileExists); otherwise, for each non-empty entry of the
// ":"-separated PATH in order, the entry with "/" appended unless it ends in one, followed by
// `name`; the first that exists is returned. Empty when none exists or PATH is unset.
std::string SearchPath(const std::string& name);

} // namespace dxfi::platform
