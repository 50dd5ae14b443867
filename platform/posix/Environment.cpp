// SPDX-License-Identifier: MIT
#include "platform/Environment.h"

#include "platform/Files.h"

#include <cstdlib>
#include <string_view>

namespace dxfi::platform {
namespace {

bool ValidName(const std::string& name) {
    return !name.empty() && name.find('=') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

} // namespace

std::optional<std::string> GetEnv(const std::string& name) {
    if (!ValidName(name)) return std::nullopt;
    const char* value = std::getenv(name.c_str());
    if (!value) return std::nullopt;
    return std::string(value);
}

bool SetEnv(const std::string& name, const std::string& value) {
    return ValidName(name) && setenv(name.c_str(), value.c_str(), 1) == 0;
}

bool UnsetEnv(const std::string& name) {
    return ValidName(name) && unsetenv(name.c_str()) == 0;
}

std::string SearchPath(const std::string& name) {
    if (name.empty()) return {};
    if (FileExists(name)) return name;
    std::optional<std::string> path = GetEnv("PATH");
    if (!path) return {};
    std::string_view rest = *path;
    while (!rest.empty()) {
        std::size_t separator = rest.find(kPathListSeparator);
        std::string_view entry = rest.substr(0, separator);
        rest =
            separator == std::string_view::npos ? std::string_view() : rest.substr(separator + 1);
        if (entry.empty()) continue;
        std::string candidate = IncludeTrailingDelimiter(entry) + name;
        if (FileExists(candidate)) return candidate;
    }
    return {};
}

} // namespace dxfi::platform
