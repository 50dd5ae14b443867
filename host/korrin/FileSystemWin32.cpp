// SPDX-License-Identifier: MIT
#include "host/korrin/FileSystem.h"

#include "host/korrin/BoardDocument.h"

#include <windows.h>

#include <cstdio>
#include <filesystem>

namespace dxfi::korrin {

namespace {

std::string WindowsReason(DWORD error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string reason = length && text ? std::string(text, length) : std::string();
    if (text) LocalFree(text);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                               reason.back() == ' ' || reason.back() == '.'))
        reason.pop_back();
    return reason.empty() ? "Windows error " + std::to_string(error) : reason;
}

} // namespace

std::FILE* OpenRegularFile(const std::string& path, std::size_t& size) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(fs::path(path), error);
    if (status.type() == fs::file_type::not_found) throw EBoardFile("the file does not exist");
    if (status.type() == fs::file_type::directory)
        throw EBoardFile("that is a folder, not a board file");
    if (error) throw EBoardFile("the file cannot be opened (" + error.message() + ")");
    if (status.type() != fs::file_type::regular)
        throw EBoardFile("it is not a regular file, not a board file");
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        throw EBoardFile("the file cannot be opened (" + WindowsReason(GetLastError()) + ")");
    const auto length = fs::file_size(fs::path(path), error);
    size = error ? 0 : static_cast<std::size_t>(length);
    return file;
}

long CurrentProcessId() {
    return static_cast<long>(GetCurrentProcessId());
}

bool ProcessHasEnded(long id) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    if (!process) return GetLastError() == ERROR_INVALID_PARAMETER;
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

std::string SyncFileToDisk(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return WindowsReason(GetLastError());
    const bool flushed = FlushFileBuffers(file) != 0;
    const DWORD error = GetLastError();
    CloseHandle(file);
    return flushed ? std::string() : WindowsReason(error);
}

void SyncFolderToDisk(const std::string&) {
    // MOVEFILE_WRITE_THROUGH has already put the rename on disk.
}

std::string RenameOver(const std::string& source, const std::string& target) {
    if (MoveFileExA(source.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {};
    return WindowsReason(GetLastError());
}

} // namespace dxfi::korrin
