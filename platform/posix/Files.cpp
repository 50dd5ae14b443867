// SPDX-License-Identifier: MIT
#include "platform/Files.h"

#include "platform/Folders.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
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
    if (std::fclose(out) != 0) ok = false;
    return ok;
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
