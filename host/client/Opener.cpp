// SPDX-License-Identifier: MIT
#include "host/client/Opener.h"

#include <cstdlib>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

extern char** environ;

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

bool HasDisplay() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

int32_t OpenInDesktop(const std::string& path, std::FILE* err) {
    if (path.empty()) {
        std::fputs("Nothing to open: no file was produced.\n", err);
        return 1;
    }
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        std::fprintf(err, "Cannot open %s: the file does not exist.\n", path.c_str());
        return 1;
    }
    if (HasDisplay()) {
        pid_t child = 0;
        char opener[] = "xdg-open";
        char* argv[] = {opener, const_cast<char*>(path.c_str()), nullptr};
        if (posix_spawnp(&child, opener, nullptr, nullptr, argv, environ) == 0) {
            int status = 0;
            // xdg-open hands the file to the desktop's application and returns.
            if (waitpid(child, &status, 0) == child && WIFEXITED(status) &&
                WEXITSTATUS(status) == 0)
                return 0;
        }
    }
    std::fprintf(err, "Open this file: %s\n", path.c_str());
    return 0;
}

} // namespace dxfi::host
