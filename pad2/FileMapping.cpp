// SPDX-License-Identifier: MIT
#include "pad2/FileMapping.h"

#include "pad2/DxfError.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pad2 {

namespace {

// What a path that is no regular file is, for the refusal.
const char* FileKind(mode_t mode) {
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

} // namespace

TFileMapping::TFileMapping(const std::string& path, const std::string& displayName)
    : DisplayName_(displayName) {
    // O_NONBLOCK: opening a named pipe without a writer returns at once instead of waiting.
    Fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (Fd_ < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            throw EDxfError{ecFileMissing, "The file " + displayName +
                                               " does not exist: check its name and folder."};
        throw EDxfError{ecFileMissing, "The file " + displayName + " cannot be opened (" +
                                           std::strerror(error) + "): check its permissions."};
    }
    struct stat info {};
    if (::fstat(Fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        const char* kind = FileKind(info.st_mode);
        ::close(Fd_);
        Fd_ = -1;
        throw EDxfError{ecNotDrawing, displayName + " is " + kind +
                                          ", not a drawing file: choose a DXF drawing."};
    }
    Size_ = static_cast<std::size_t>(info.st_size);
}

TFileMapping::~TFileMapping() {
    if (Fd_ >= 0) ::close(Fd_);
    if (Map_) ::munmap(Map_, Size_);
}

void TFileMapping::FailChanged() const {
    throw EDxfError{ecFileChanged, "The file " + DisplayName_ +
                                       " changed while it was read: import it again once the "
                                       "program writing it has finished."};
}

void TFileMapping::Load() {
    if (Size_ == 0) {
        Data_ = "";
    } else {
        // Anonymous memory rather than a map of the file: dropping its parsed pages frees
        // them, and nothing another program does to the file can reach it.
        Map_ = ::mmap(nullptr, Size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (Map_ == MAP_FAILED) {
            Map_ = nullptr;
            throw EDxfError{ecTooLarge,
                            "The file " + DisplayName_ + " is too large to be read into memory."};
        }
        AdviseLargeBuffer(Map_, Size_);
        char* bytes = static_cast<char*>(Map_);
        std::size_t done = 0;
        while (done < Size_) {
            const std::size_t chunk = std::min<std::size_t>(Size_ - done, std::size_t{1} << 24);
            const ssize_t n = ::pread(Fd_, bytes + done, chunk, static_cast<off_t>(done));
            if (n < 0) {
                if (errno == EINTR) continue;
                const int error = errno;
                throw EDxfError{ecFileMissing, "The file " + DisplayName_ + " cannot be read (" +
                                                   std::strerror(error) + ")."};
            }
            if (n == 0) FailChanged(); // shorter than when it was opened
            done += static_cast<std::size_t>(n);
        }
        Data_ = bytes;
    }
    // A file that grew (or was replaced by one of another size) while it was read is not the
    // drawing whose bytes were read either.
    char extra = 0;
    struct stat info {};
    if (::fstat(Fd_, &info) != 0 || static_cast<std::size_t>(info.st_size) != Size_ ||
        ::pread(Fd_, &extra, 1, static_cast<off_t>(Size_)) > 0)
        FailChanged();
    ::close(Fd_);
    Fd_ = -1;
}

void TFileMapping::Release(std::size_t offset) {
    if (!Map_) return;
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t end = offset / page * page;
    if (end > Released_ && end <= Size_) {
        ::madvise(static_cast<char*>(Map_) + Released_, end - Released_, MADV_DONTNEED);
        Released_ = end;
    }
}

void AdviseLargeBuffer(void* buffer, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
    const std::uintptr_t begin =
        (reinterpret_cast<std::uintptr_t>(buffer) + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(buffer) + bytes) & ~(kHuge - 1);
    if (buffer && end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)buffer;
    (void)bytes;
#endif
}

} // namespace pad2
