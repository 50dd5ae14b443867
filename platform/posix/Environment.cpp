// SPDX-License-Identifier: MIT
#include "platform/Environment.h"

#include "platform/SystemParts.h"

#include <cstdlib>

namespace dxfi::platform {
using detail::ValidEnvName;

std::optional<std::string> GetEnv(const std::string& name) {
    if (!ValidEnvName(name)) return std::nullopt;
    const char* value = std::getenv(name.c_str());
    if (!value) return std::nullopt;
    return std::string(value);
}

bool SetEnv(const std::string& name, const std::string& value) {
    return ValidEnvName(name) && setenv(name.c_str(), value.c_str(), 1) == 0;
}

bool UnsetEnv(const std::string& name) {
    return ValidEnvName(name) && unsetenv(name.c_str()) == 0;
}

} // namespace dxfi::platform
