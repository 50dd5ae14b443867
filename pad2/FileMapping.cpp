// SPDX-License-Identifier: MIT
#include "pad2/FileMapping.h"

#include "pad2/DxfError.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pad2 {

TFileMapping::TFileMapping(const std::string& path, const std::string& displayName) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            throw EDxfError{ecFileMissing, "The file " + displayName +
                                               " does not exist: check its name and folder."};
        throw EDxfError{ecFileMissing, "The file " + displayName + " cannot be opened (" +
                                           std::strerror(error) + "): check its permissions."};
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw EDxfError{ecNotDrawing,
                        "The file " + displayName + " is not a drawing: it is not a regular file."};
    }
    Size_ = static_cast<std::size_t>(info.st_size);
    if (Size_ == 0) {
        ::close(fd);
        Data_ = "";
        return;
    }
    Map_ = ::mmap(nullptr, Size_, PROT_READ, MAP_PRIVATE, fd, 0);
    const int error = errno;
    ::close(fd);
    if (Map_ == MAP_FAILED) {
        Map_ = nullptr;
        throw EDxfError{ecFileMissing, "The file " + displayName + " cannot be read (" +
                                           std::strerror(error) + ")."};
    }
    ::madvise(Map_, Size_, MADV_SEQUENTIAL);
    Data_ = static_cast<const char*>(Map_);
}

TFileMapping::~TFileMapping() {
    if (Map_) ::munmap(Map_, Size_);
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
