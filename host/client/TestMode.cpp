// SPDX-License-Identifier: MIT
#include "host/client/TestMode.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace dxfi::host {

namespace {

std::string TemporaryHive;

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::string MachineHivePath() {
    const char* path = std::getenv(kMachineHiveVariable);
    return path && *path ? std::string(path) : std::string(kDefaultMachineHive);
}

bool HiveTextHasTestModeKey(std::string_view hiveText) {
    if (hiveText.starts_with("\xEF\xBB\xBF")) hiveText.remove_prefix(3);
    const std::string_view key = kTestModeKey;
    while (!hiveText.empty()) {
        std::size_t end = hiveText.find('\n');
        std::string_view line = Trim(hiveText.substr(0, end));
        hiveText.remove_prefix(end == std::string_view::npos ? hiveText.size() : end + 1);
        if (line.size() < 2 || line.front() != '[' || line.back() != ']') continue;
        std::string_view name = line.substr(1, line.size() - 2);
        if (name.starts_with('-')) continue;
        if (EqualsIgnoringCase(name, key)) return true;
        if (name.size() > key.size() && name[key.size()] == '\\' &&
            EqualsIgnoringCase(name.substr(0, key.size()), key))
            return true;
    }
    return false;
}

bool IsTestMode() {
    std::string path = MachineHivePath();
    // Only a regular file is read: a named pipe there must not stop the host.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return false;
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    return HiveTextHasTestModeKey(text) && access(path.c_str(), W_OK) == 0;
}

std::string EnableTestMode() {
    RemoveTemporaryHive();
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp && *tmp ? tmp : "/tmp";
    if (folder.back() != '/') folder += '/';
    std::string path = folder + "pcbhost-machine-XXXXXX.reg";
    int fd = mkstemps(path.data(), 4);
    if (fd < 0)
        throw std::runtime_error("cannot create the test-mode machine hive in " + folder + ": " +
                                 std::strerror(errno) + "; set TMPDIR to a writable folder");
    std::string text =
        "Windows Registry Editor Version 5.00\n\n[" + std::string(kTestModeKey) + "]\n";
    bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (close(fd) != 0) written = false;
    if (!written) {
        unlink(path.c_str());
        throw std::runtime_error("cannot write the test-mode machine hive " + path +
                                 "; free some space or set TMPDIR to a writable folder");
    }
    TemporaryHive = path;
    static bool registered = false;
    if (!registered) {
        std::atexit(RemoveTemporaryHive);
        registered = true;
    }
    setenv(kMachineHiveVariable, path.c_str(), 1);
    return path;
}

void RemoveTemporaryHive() {
    if (TemporaryHive.empty()) return;
    unlink(TemporaryHive.c_str());
    TemporaryHive.clear();
}

} // namespace dxfi::host
