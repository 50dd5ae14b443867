// SPDX-License-Identifier: MIT
// The test-mode switch as a machine hive file in the exported-registry format.
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

} // namespace

std::string MachineHivePath() {
    const char* path = std::getenv(kMachineHiveVariable);
    return path && *path ? std::string(path) : std::string(kDefaultMachineHive);
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
