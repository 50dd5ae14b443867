// SPDX-License-Identifier: MIT
#include "host/client/Opener.h"

#include "host/client/HostSystem.h"

#include <filesystem>

namespace dxfi::host {

std::string FileNameParameter(std::string_view parameters) {
    constexpr std::string_view key = "filename=";
    if (parameters.size() < key.size()) return {};
    for (std::size_t i = 0; i < key.size(); ++i) {
        char c = parameters[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != key[i]) return {};
    }
    return std::string(parameters.substr(key.size()));
}

int32_t OpenInDesktop(const std::string& path, std::FILE* err) {
    if (path.empty()) {
        std::fputs("Nothing to open: no file was produced.\n", err);
        return 1;
    }
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::path(path), error)) {
        std::fprintf(err, "Cannot open %s: the file does not exist.\n", path.c_str());
        return 1;
    }
    if (OpenWithDesktop(path)) return 0;
    std::fprintf(err, "Open this file: %s\n", path.c_str());
    return 0;
}

} // namespace dxfi::host
