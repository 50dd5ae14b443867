// SPDX-License-Identifier: MIT
#include "platform/Identity.h"

#include "platform/Environment.h"

#include <climits>
#include <optional>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace dxfi::platform {

std::string ComputerName() {
    std::vector<char> buffer(HOST_NAME_MAX + 1, '\0');
    if (gethostname(buffer.data(), buffer.size() - 1) != 0) return {};
    std::string name(buffer.data());
    std::size_t dot = name.find('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

std::string UserName() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_name && *found->pw_name)
        return found->pw_name;
    for (const char* variable : {"USER", "LOGNAME"}) {
        std::optional<std::string> value = GetEnv(variable);
        if (value && !value->empty()) return *value;
    }
    return {};
}

uint32_t ProcessId() {
    return static_cast<uint32_t>(getpid());
}

} // namespace dxfi::platform
