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

// How far ahead of the parser the file is read: large enough for few reads, small enough
// that the window stays a sliver of a large file.
constexpr std::size_t kStep = std::size_t{4} << 20;

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

std::size_t TFileMapping::LoadUpTo(std::size_t wanted) {
    if (Fd_ < 0) return Loaded_; // all read and checked
    if (Size_ == 0) {
        Data_ = "";
    } else {
        if (!Map_) {
            // Anonymous memory rather than a map of the file: dropping its parsed pages frees
            // them, and nothing another program does to the file can reach it. Only the pages
            // read so far (and not yet dropped) take memory.
            Map_ = ::mmap(nullptr, Size_, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
            if (Map_ == MAP_FAILED) {
                Map_ = nullptr;
                throw EDxfError{ecTooLarge, "The file " + DisplayName_ +
                                                " is too large to be read into memory."};
            }
            Data_ = static_cast<const char*>(Map_);
        }
        // Whole steps of kStep bytes, so that reads stay page-aligned and few.
        const std::size_t target =
            std::min(Size_, (std::max(wanted, Loaded_ + 1) + kStep - 1) / kStep * kStep);
        char* bytes = static_cast<char*>(Map_);
        while (Loaded_ < target) {
            const std::size_t chunk = std::min<std::size_t>(target - Loaded_, std::size_t{1} << 24);
            const ssize_t n = ::pread(Fd_, bytes + Loaded_, chunk, static_cast<off_t>(Loaded_));
            if (n < 0) {
                if (errno == EINTR) continue;
                const int error = errno;
                throw EDxfError{ecFileMissing, "The file " + DisplayName_ + " cannot be read (" +
                                                   std::strerror(error) + ")."};
            }
            if (n == 0) FailChanged(); // shorter than when it was opened
            Loaded_ += static_cast<std::size_t>(n);
        }
        if (Loaded_ < Size_) return Loaded_;
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
    return Loaded_;
}

void TFileMapping::Release(std::size_t offset) {
    if (!Map_) return;
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t end = std::min(offset, Loaded_) / page * page;
    if (end <= Released_) return;
    char* bytes = static_cast<char*>(Map_);
    const std::size_t length = end - Released_;
#ifdef MREMAP_FIXED
    // The dropped pages move ahead to where the next bytes will be read: reading into them
    // costs neither fresh page faults nor zeroing. A clean anonymous mapping takes their old
    // place, so that a stray read there sees zeros as after a plain drop.
    const std::size_t spareFrom = std::max(Spare_, (Loaded_ + page - 1) / page * page);
    const std::size_t limit = (Size_ + page - 1) / page * page;
    if (spareFrom + length <= limit && spareFrom - Loaded_ < 2 * kStep &&
        ::mremap(bytes + Released_, length, length, MREMAP_MAYMOVE | MREMAP_FIXED,
                 bytes + spareFrom) != MAP_FAILED) {
        Spare_ = spareFrom + length;
        if (::mmap(bytes + Released_, length, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED | MAP_NORESERVE, -1, 0) == MAP_FAILED)
            ::madvise(bytes + Released_, length, MADV_DONTNEED);
        Released_ = end;
        return;
    }
#endif
    ::madvise(bytes + Released_, length, MADV_DONTNEED);
    Released_ = end;
}

void PrepareAhead(void* buffer, std::size_t used, std::size_t capacity, std::size_t& ready) {
#ifdef MADV_POPULATE_WRITE
    constexpr std::size_t kAhead = std::size_t{1} << 20;
    if (!buffer || used + kAhead / 2 < ready || ready >= capacity) return;
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const auto base = reinterpret_cast<std::uintptr_t>(buffer);
    // Whole pages from the first one not known to be ready; the page under `used` may be
    // shared with what is already written, which populating leaves as it is.
    const std::uintptr_t from = (base + std::max(ready, used)) / page * page;
    const std::uintptr_t to = (base + std::min(capacity, used + kAhead)) / page * page;
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
    ready = std::min(capacity, used + kAhead);
#else
    (void)buffer;
    (void)used;
    (void)capacity;
    ready = capacity;
#endif
}

} // namespace pad2
