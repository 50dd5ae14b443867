// SPDX-License-Identifier: MIT
// The drawing file read into the engine's memory on Windows: the same rules as on POSIX (only
// regular files, a file that changes while it is read is an error), with the Win32 file and
// virtual memory functions.
#include "pad2/FileMapping.h"

#include "pad2/DxfError.h"

#include <algorithm>
#include <cstdint>
#include <windows.h>

namespace pad2 {

namespace {

std::string SystemMessage(DWORD error) {
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = length && buffer ? std::string(buffer, length) : std::string();
    if (buffer) LocalFree(buffer);
    while (!text.empty() &&
           (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text.empty() ? "system error " + std::to_string(error) : text;
}

const char* FileKind(HANDLE file) {
    switch (GetFileType(file)) {
    case FILE_TYPE_PIPE:
        return "a named pipe";
    case FILE_TYPE_CHAR:
        return "a device";
    default:
        return "not a regular file";
    }
}

} // namespace

TFileMapping::TFileMapping(const std::string& path, const std::string& displayName)
    : DisplayName_(displayName) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw EDxfError{ecNotDrawing,
                        displayName + " is a folder, not a drawing file: choose a DXF drawing."};
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            throw EDxfError{ecFileMissing, "The file " + displayName +
                                               " does not exist: check its name and folder."};
        throw EDxfError{ecFileMissing, "The file " + displayName + " cannot be opened (" +
                                           SystemMessage(error) + "): check its permissions."};
    }
    LARGE_INTEGER size{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size)) {
        const char* kind = FileKind(file);
        CloseHandle(file);
        throw EDxfError{ecNotDrawing, displayName + " is " + kind +
                                          ", not a drawing file: choose a DXF drawing."};
    }
    if (static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX) {
        CloseHandle(file);
        throw EDxfError{ecTooLarge,
                        "The file " + displayName + " is too large to be read into memory."};
    }
    File_ = file;
    Size_ = static_cast<std::size_t>(size.QuadPart);
}

TFileMapping::~TFileMapping() {
    if (File_) CloseHandle(static_cast<HANDLE>(File_));
    if (Map_) VirtualFree(Map_, 0, MEM_RELEASE);
}

void TFileMapping::FailChanged() const {
    throw EDxfError{ecFileChanged, "The file " + DisplayName_ +
                                       " changed while it was read: import it again once the "
                                       "program writing it has finished."};
}

// Reads the whole file at the first call, whatever is wanted: pages are not reused here.
std::size_t TFileMapping::LoadUpTo(std::size_t) {
    if (!File_) return Loaded_; // all read and checked
    HANDLE file = static_cast<HANDLE>(File_);
    if (Size_ == 0) {
        Data_ = "";
    } else {
        Map_ = VirtualAlloc(nullptr, Size_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (!Map_)
            throw EDxfError{ecTooLarge,
                            "The file " + DisplayName_ + " is too large to be read into memory."};
        char* bytes = static_cast<char*>(Map_);
        std::size_t done = 0;
        while (done < Size_) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(Size_ - done, 1u << 24));
            DWORD got = 0;
            if (!ReadFile(file, bytes + done, chunk, &got, nullptr))
                throw EDxfError{ecFileMissing, "The file " + DisplayName_ + " cannot be read (" +
                                                   SystemMessage(GetLastError()) + ")."};
            if (got == 0) FailChanged(); // shorter than when it was opened
            done += got;
        }
        Data_ = bytes;
    }
    // A file that grew (or was replaced by one of another size) while it was read is not the
    // drawing whose bytes were read either.
    LARGE_INTEGER size{};
    char extra = 0;
    DWORD got = 0;
    if (!GetFileSizeEx(file, &size) || static_cast<unsigned long long>(size.QuadPart) != Size_ ||
        (ReadFile(file, &extra, 1, &got, nullptr) && got > 0))
        FailChanged();
    CloseHandle(file);
    File_ = nullptr;
    Loaded_ = Size_;
    return Loaded_;
}

void TFileMapping::Release(std::size_t offset) {
    if (!Map_) return;
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const std::size_t page = system.dwPageSize;
    const std::size_t end = offset / page * page;
    if (end > Released_ && end <= Size_) {
        VirtualFree(static_cast<char*>(Map_) + Released_, end - Released_, MEM_DECOMMIT);
        Released_ = end;
    }
}

void PrepareAhead(void*, std::size_t, std::size_t capacity, std::size_t& ready) {
    // Committed memory is mapped on first touch; there is no cheaper way to ask for it here.
    ready = capacity;
}

} // namespace pad2
