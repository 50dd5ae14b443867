// SPDX-License-Identifier: MIT
// The parts of the environment that read the same on every system: name checks and the
// search along PATH. Reading and writing variables is each system's own.
#include "platform/Environment.h"

#include "platform/Files.h"
#include "platform/SystemParts.h"

#include <string_view>

namespace dxfi::platform {

bool detail::ValidEnvName(const std::string& name) {
    return !name.empty() && name.find('=') == std::string::npos &&
           name.find('\0') == std::string::npos;
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
