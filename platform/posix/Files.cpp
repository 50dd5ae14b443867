// SPDX-License-Identifier: MIT
#include "platform/Files.h"

#include "platform/Folders.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dxfi::platform {

bool FileExists(const std::string& path) {
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0) return false;
    return S_ISREG(info.st_mode) || S_ISDIR(info.st_mode);
}

bool FolderExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool CreateFolder(const std::string& path) {
    if (path.empty()) return false;
    if (mkdir(path.c_str(), 0777) == 0) return true;
    return errno == EEXIST && FolderExists(path);
}

bool CreateFolders(const std::string& path) {
    if (path.empty()) return false;
    if (FolderExists(path)) return true;
    // Each prefix that ends before a delimiter is one level; the last level may lack one.
    for (std::size_t end = path.find(kPathDelimiter, 1); end != std::string::npos;
         end = path.find(kPathDelimiter, end + 1)) {
        std::string level = path.substr(0, end);
        if (!FolderExists(level) && !CreateFolder(level)) return false;
    }
    return CreateFolder(path);
}

std::string CreateTempFile(std::string_view prefix) {
    std::string pattern = FolderPath(foTemp);
    pattern.append(prefix);
    pattern.append("XXXXXX");
    int fd = mkstemp(pattern.data());
    if (fd < 0) return {};
    close(fd);
    return pattern;
}

bool RemoveFile(const std::string& path) {
    if (path.empty()) return false;
    return unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool MoveFile(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty()) return false;
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool CopyFile(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty()) return false;
    std::FILE* in = std::fopen(from.c_str(), "rb");
    if (!in) return false;
    std::FILE* out = std::fopen(to.c_str(), "wb");
    if (!out) {
        std::fclose(in);
        return false;
    }
    char buffer[65536];
    bool ok = true;
    for (;;) {
        std::size_t count = std::fread(buffer, 1, sizeof buffer, in);
        if (count > 0 && std::fwrite(buffer, 1, count, out) != count) {
            ok = false;
            break;
        }
        if (count < sizeof buffer) {
            ok = !std::ferror(in);
            break;
        }
    }
    std::fclose(in);
    if (ok && (std::fflush(out) != 0 || fsync(fileno(out)) != 0)) ok = false;
    if (std::fclose(out) != 0) ok = false;
    return ok;
}

namespace {

const char* KindOfMode(mode_t mode) {
    if (S_ISREG(mode)) return "";
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        ssize_t put = write(fd, text.data(), text.size());
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            if (put == 0) errno = EIO;
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

} // namespace

std::string NonRegularFileKind(const std::string& path) {
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0) return {};
    return KindOfMode(info.st_mode);
}

TReadResult ReadRegularFile(const std::string& path, std::string& text, std::string& problem) {
    text.clear();
    // Non-blocking, so that opening a named pipe without a writer returns at once.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return rfMissing;
        problem = std::strerror(errno);
        return rfFailed;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        problem = std::strerror(errno);
        close(fd);
        return rfFailed;
    }
    if (!S_ISREG(info.st_mode)) {
        problem = std::string("it is ") + KindOfMode(info.st_mode) + ", not a regular file";
        close(fd);
        return rfFailed;
    }
    char buffer[65536];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            problem = std::strerror(errno);
            close(fd);
            text.clear();
            return rfFailed;
        }
        if (got == 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    return rfRead;
}

std::string TemporaryPathBeside(const std::string& target) {
    return target + ".tmp" + std::to_string(getpid());
}

int CreateTemporaryBeside(const std::string& target, std::string& temporaryPath) {
    temporaryPath = TemporaryPathBeside(target);
    // A file of this name belongs to a dead process whose id this process now has.
    unlink(temporaryPath.c_str());
    return open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

void SyncFolderOf(const std::string& path) {
    const std::string folder = ExtractFilePath(path);
    int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

void RemoveStaleTemporaries(const std::string& target) {
    const std::string folder = ExtractFilePath(target);
    const std::string prefix = ExtractFileName(target) + ".tmp";
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return;
    const long self = static_cast<long>(getpid());
    while (const dirent* entry = readdir(dir)) {
        std::string_view name = entry->d_name;
        if (!name.starts_with(prefix) || name.size() == prefix.size()) continue;
        std::string_view digits = name.substr(prefix.size());
        if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string_view::npos)
            continue;
        long pid = std::strtol(std::string(digits).c_str(), nullptr, 10);
        if (pid <= 0 || pid == self) continue;
        if (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        unlink((folder + std::string(name)).c_str());
    }
    closedir(dir);
}

bool WriteFileSafely(const std::string& path, std::string_view text, bool keepMode,
                     std::string& problem) {
    if (path.empty()) {
        problem = "no file name was given";
        return false;
    }
    RemoveStaleTemporaries(path);
    std::string temporary;
    int fd = CreateTemporaryBeside(path, temporary);
    if (fd < 0) {
        problem = std::strerror(errno);
        return false;
    }
    struct stat existing {};
    if (keepMode && stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        fchmod(fd, existing.st_mode & 07777);
    bool written = WriteAll(fd, text) && fsync(fd) == 0;
    int reason = errno;
    if (close(fd) != 0 && written) {
        written = false;
        reason = errno;
    }
    if (written && std::rename(temporary.c_str(), path.c_str()) != 0) {
        written = false;
        reason = errno;
    }
    if (!written) {
        unlink(temporary.c_str());
        problem = std::strerror(reason);
        return false;
    }
    SyncFolderOf(path);
    return true;
}

std::string FileSystemCase(const std::string& path) {
    return path;
}

std::string ExtractFileName(std::string_view path) {
    std::size_t slash = path.rfind(kPathDelimiter);
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExtractFilePath(std::string_view path) {
    std::size_t slash = path.rfind(kPathDelimiter);
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string IncludeTrailingDelimiter(std::string_view path) {
    std::string result(path);
    if (!result.empty() && result.back() != kPathDelimiter) result.push_back(kPathDelimiter);
    return result;
}

} // namespace dxfi::platform
