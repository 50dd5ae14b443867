// SPDX-License-Identifier: MIT
#include "abi/PluginApi.h"
#include "host/client/HostSystem.h"

#include <cstdlib>
#include <dlfcn.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace dxfi::host {

bool IsFolderSeparator(char c) {
    return c == '/';
}

char FolderSeparator() {
    return '/';
}

std::string ExecutablePath() {
    std::string buffer(4096, '\0');
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) return {};
    buffer.resize(static_cast<std::size_t>(length));
    return buffer;
}

bool IsTerminal(std::FILE* stream) {
    return stream && isatty(fileno(stream)) != 0;
}

std::FILE* OpenUserTerminal() {
    return std::fopen("/dev/tty", "r");
}

namespace {

bool HasDisplay() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

} // namespace

bool OpenWithDesktop(const std::string& path) {
    if (!HasDisplay()) return false;
    pid_t child = 0;
    char opener[] = "xdg-open";
    char* argv[] = {opener, const_cast<char*>(path.c_str()), nullptr};
    if (posix_spawnp(&child, opener, nullptr, nullptr, argv, environ) != 0) return false;
    int status = 0;
    // xdg-open hands the file to the desktop's application and returns.
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

const char* DefaultPluginFileName() {
    return "libdxfimport.so";
}

const char* NoWindowAdvice() {
    return "pcbhost was built without Qt 6 Widgets. Install qt6-base-dev and rebuild, or";
}

void* LoadPluginLibrary(const std::string& path, std::string& reason) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* text = dlerror();
        reason = text ? text : "unknown reason";
    }
    return library;
}

void* FindPluginSymbol(void* library, const char* name) {
    return dlsym(library, name);
}

const uint8_t* FindDescriptionBytes(void* library, std::string& source) {
    // Exported data here: ELF libraries carry no resources.
    source = "export DESCRIPTION";
    return static_cast<const uint8_t*>(dlsym(library, "DESCRIPTION"));
}

} // namespace dxfi::host
