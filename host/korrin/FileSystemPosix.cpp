// SPDX-License-Identifier: MIT
#include "host/korrin/FileSystem.h"

#include "host/korrin/BoardDocument.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace dxfi::korrin {

std::FILE* OpenRegularFile(const std::string& path, std::size_t& size) {
    // Non-blocking, so that a named pipe without a writer is refused at once.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) throw EBoardFile("the file does not exist");
        if (error == EISDIR) throw EBoardFile("that is a folder, not a board file");
        throw EBoardFile(std::string("the file cannot be opened (") + std::strerror(error) + ")");
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(fdopen(fd, "rb"), &std::fclose);
    if (!file) {
        const int error = errno;
        close(fd);
        throw EBoardFile(std::string("the file cannot be opened (") + std::strerror(error) + ")");
    }
    struct stat info {};
    if (fstat(fd, &info) != 0)
        throw EBoardFile(std::string("the file cannot be read (") + std::strerror(errno) + ")");
    if (S_ISDIR(info.st_mode)) throw EBoardFile("that is a folder, not a board file");
    if (!S_ISREG(info.st_mode))
        throw EBoardFile(std::string("it is ") +
                         (S_ISFIFO(info.st_mode)                           ? "a named pipe"
                          : S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) ? "a device"
                          : S_ISSOCK(info.st_mode)                         ? "a socket"
                                                                           : "not a regular file") +
                         ", not a board file");
    size = static_cast<std::size_t>(std::max<off_t>(info.st_size, 0));
    return file.release();
}

long CurrentProcessId() {
    return static_cast<long>(getpid());
}

bool ProcessHasEnded(long id) {
    return kill(static_cast<pid_t>(id), 0) != 0 && errno == ESRCH;
}

std::string SyncFileToDisk(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || fsync(fd) != 0) {
        const int error = errno;
        if (fd >= 0) close(fd);
        return std::strerror(error);
    }
    close(fd);
    return {};
}

void SyncFolderToDisk(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

std::string RenameOver(const std::string& source, const std::string& target) {
    if (std::rename(source.c_str(), target.c_str()) == 0) return {};
    return std::strerror(errno);
}

} // namespace dxfi::korrin
