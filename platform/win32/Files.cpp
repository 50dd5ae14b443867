// SPDX-License-Identifier: MIT
#include "platform/Files.h"

#include "platform/Folders.h"
#include "platform/win32/WideText.h"

#include "platform/win32/WindowsApi.h"
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace dxfi::platform {
namespace {

using win32::Narrow;
using win32::Widen;

DWORD Attributes(const std::string& path) {
    return path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(Widen(path).c_str());
}

bool IsDelimiter(char c) {
    return c == '\\' || c == '/';
}

std::size_t LastDelimiter(std::string_view path) {
    return path.find_last_of("\\/");
}

// Opens `path` for reading as a regular disk file only: devices and pipes are refused by type.
HANDLE OpenForReading(const std::string& path) {
    return CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

const char* KindOfHandle(HANDLE file) {
    switch (GetFileType(file)) {
    case FILE_TYPE_DISK:
        return "";
    case FILE_TYPE_PIPE:
        return "a named pipe";
    case FILE_TYPE_CHAR:
        return "a device";
    default:
        return "not a regular file";
    }
}

} // namespace

bool FileExists(const std::string& path) {
    return Attributes(path) != INVALID_FILE_ATTRIBUTES;
}

bool FolderExists(const std::string& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolder(const std::string& path) {
    if (path.empty()) return false;
    if (CreateDirectoryW(Widen(path).c_str(), nullptr)) return true;
    return GetLastError() == ERROR_ALREADY_EXISTS && FolderExists(path);
}

bool CreateFolders(const std::string& path) {
    if (path.empty()) return false;
    if (FolderExists(path)) return true;
    // Each prefix that ends before a delimiter is one level ("C:" itself is skipped).
    for (std::size_t end = path.find_first_of("\\/", 1); end != std::string::npos;
         end = path.find_first_of("\\/", end + 1)) {
        std::string level = path.substr(0, end);
        if (level.size() == 2 && level[1] == ':') continue;
        if (!FolderExists(level) && !CreateFolder(level)) return false;
    }
    return CreateFolder(path);
}

std::string CreateTempFile(std::string_view prefix) {
    const std::string folder = FolderPath(foTemp);
    // Up to 100 tries of a random six-letter suffix; CREATE_NEW makes the name this file's.
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    uint32_t seed = GetTickCount() ^ (GetCurrentProcessId() << 16) ^ GetCurrentThreadId();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = folder + std::string(prefix);
        for (int i = 0; i < 6; ++i) {
            seed = seed * 1664525u + 1013904223u;
            path.push_back(letters[(seed >> 16) % (sizeof letters - 1)]);
        }
        HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return path;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    return {};
}

bool RemoveFile(const std::string& path) {
    if (path.empty()) return false;
    if (DeleteFileW(Widen(path).c_str())) return true;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool MoveFile(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty()) return false;
    return MoveFileExW(Widen(from).c_str(), Widen(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool CopyFile(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty()) return false;
    if (!CopyFileW(Widen(from).c_str(), Widen(to).c_str(), FALSE)) return false;
    HANDLE file = CreateFileW(Widen(to).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool flushed = FlushFileBuffers(file) != 0;
    CloseHandle(file);
    return flushed;
}

std::string NonRegularFileKind(const std::string& path) {
    const DWORD attributes = Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return {};
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return "a folder";
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string kind = KindOfHandle(file);
    CloseHandle(file);
    return kind;
}

TReadResult ReadRegularFile(const std::string& path, std::string& text, std::string& problem) {
    text.clear();
    const DWORD attributes = Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return rfMissing;
        problem = win32::ErrorText(error);
        return rfFailed;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        problem = "it is a folder, not a regular file";
        return rfFailed;
    }
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE) {
        problem = win32::ErrorText(GetLastError());
        return rfFailed;
    }
    const std::string kind = KindOfHandle(file);
    if (!kind.empty()) {
        problem = "it is " + kind + ", not a regular file";
        CloseHandle(file);
        return rfFailed;
    }
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
            problem = win32::ErrorText(GetLastError());
            CloseHandle(file);
            text.clear();
            return rfFailed;
        }
        if (got == 0) break;
        text.append(buffer, got);
    }
    CloseHandle(file);
    return rfRead;
}

std::string TemporaryPathBeside(const std::string& target) {
    return target + ".tmp" + std::to_string(GetCurrentProcessId());
}

int CreateTemporaryBeside(const std::string& target, std::string& temporaryPath) {
    temporaryPath = TemporaryPathBeside(target);
    DeleteFileW(Widen(temporaryPath).c_str());
    return _wopen(Widen(temporaryPath).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                  _S_IREAD | _S_IWRITE);
}

void SyncFolderOf(const std::string&) {
    // A rename with MOVEFILE_WRITE_THROUGH is on disk when it returns; folders have no flush.
}

void RemoveStaleTemporaries(const std::string& target) {
    const std::string folder = ExtractFilePath(target);
    const std::string prefix = ExtractFileName(target) + ".tmp";
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(Widen(folder + prefix + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    const DWORD self = GetCurrentProcessId();
    do {
        const std::string name = Narrow(found.cFileName);
        if (name.size() <= prefix.size()) continue;
        std::string_view digits = std::string_view(name).substr(prefix.size());
        if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string_view::npos)
            continue;
        const DWORD pid =
            static_cast<DWORD>(std::strtoul(std::string(digits).c_str(), nullptr, 10));
        if (pid == 0 || pid == self) continue;
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
        if (process) {
            const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
            CloseHandle(process);
            if (running) continue;
        } else if (GetLastError() == ERROR_ACCESS_DENIED) {
            continue; // a process of another user
        }
        DeleteFileW(Widen(folder + name).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

bool WriteFileSafely(const std::string& path, std::string_view text, bool /*keepMode*/,
                     std::string& problem) {
    if (path.empty()) {
        problem = "no file name was given";
        return false;
    }
    // The replaced file's attributes are the new one's: a read-only target refuses the rename.
    RemoveStaleTemporaries(path);
    const std::string temporary = TemporaryPathBeside(path);
    const std::wstring wideTemporary = Widen(temporary);
    HANDLE file = CreateFileW(wideTemporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        problem = win32::ErrorText(GetLastError());
        return false;
    }
    bool written = true;
    DWORD reason = 0;
    std::string_view rest = text;
    while (written && !rest.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 1u << 24));
        DWORD put = 0;
        if (!WriteFile(file, rest.data(), chunk, &put, nullptr) || put == 0) {
            written = false;
            reason = GetLastError();
        }
        rest.remove_prefix(put);
    }
    if (written && !FlushFileBuffers(file)) {
        written = false;
        reason = GetLastError();
    }
    CloseHandle(file);
    if (written && !MoveFileExW(wideTemporary.c_str(), Widen(path).c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        written = false;
        reason = GetLastError();
    }
    if (!written) {
        DeleteFileW(wideTemporary.c_str());
        problem = win32::ErrorText(reason);
        return false;
    }
    return true;
}

std::string FileSystemCase(const std::string& path) {
    // File names compare without regard to case; existence tests see the upper-cased name.
    std::wstring wide = Widen(path);
    if (!wide.empty()) CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    return Narrow(wide);
}

std::string ExtractFileName(std::string_view path) {
    std::size_t slash = LastDelimiter(path);
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExtractFilePath(std::string_view path) {
    std::size_t slash = LastDelimiter(path);
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string IncludeTrailingDelimiter(std::string_view path) {
    std::string result(path);
    if (!result.empty() && !IsDelimiter(result.back())) result.push_back(kPathDelimiter);
    return result;
}

} // namespace dxfi::platform
