// SPDX-License-Identifier: MIT
#include "host/korrin/FileOutput.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace dxfi::korrin {
namespace {

// Writes past the file cache need their buffer, their size and the file position on this
// boundary; 4096 covers the disks and file systems in use.
constexpr std::size_t kAlignment = 4096;
constexpr std::size_t kMaxBlockSize = std::size_t{256} << 20;

} // namespace

void TFileOutput::TAlignedFree::operator()(char* p) const {
    ::operator delete[](p, std::align_val_t{kAlignment});
}

TFileOutput::TFileOutput(const std::string& path, std::size_t blockSize)
    : BlockSize(std::clamp(blockSize / kAlignment * kAlignment, kAlignment, kMaxBlockSize)) {
#if defined(__linux__)
    Fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (Fd < 0) {
        Fail(errno);
        return;
    }
#else
    File = std::fopen(path.c_str(), "wb");
    if (!File) {
        Fail(errno);
        return;
    }
#endif
    Buffer.reset(static_cast<char*>(::operator new[](BlockSize, std::align_val_t{kAlignment})));
    setp(Buffer.get(), Buffer.get() + BlockSize);
}

TFileOutput::~TFileOutput() {
#if defined(__linux__)
    if (Fd >= 0) ::close(Fd);
#else
    if (File) std::fclose(File);
#endif
}

bool TFileOutput::IsOpen() const {
#if defined(__linux__)
    return Fd >= 0;
#else
    return File != nullptr;
#endif
}

void TFileOutput::Fail(int error) {
    if (Error_ == 0) Error_ = error != 0 ? error : EIO;
}

#if defined(__linux__)
bool TFileOutput::SetDirect(bool on) {
    const int flags = ::fcntl(Fd, F_GETFL);
    if (flags >= 0 && ::fcntl(Fd, F_SETFL, on ? flags | O_DIRECT : flags & ~O_DIRECT) == 0) {
        Direct = on;
        return true;
    }
    // Refused on: the file is written the usual way. Refused off: the partial last block
    // cannot be written.
    if (!on) Fail(errno);
    return false;
}
#endif

bool TFileOutput::WriteAll(const char* data, std::size_t size, bool direct) {
#if defined(__linux__)
    while (size > 0) {
        const ssize_t n = ::write(Fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EINVAL && direct) {
            // The file system takes no writes past the cache after all: the usual way then.
            if (!SetDirect(false)) return false;
            direct = false;
            continue;
        }
        if (n <= 0) {
            Fail(n < 0 ? errno : EIO);
            return false;
        }
        if (direct) WroteDirectly_ = true;
        data += n;
        size -= static_cast<std::size_t>(n);
        if (size > 0 && direct) {
            // A short write leaves the position off the boundary: the rest the usual way.
            if (!SetDirect(false)) return false;
            direct = false;
        }
    }
    return true;
#else
    (void)direct;
    if (size > 0 && std::fwrite(data, 1, size, File) != size) {
        Fail(errno);
        return false;
    }
    return true;
#endif
}

bool TFileOutput::WriteFull() {
    if (Error_ != 0) return false;
#if defined(__linux__)
    // A full block means a large file: from here on past the cache, where that is possible.
    if (!DirectTried) {
        DirectTried = true;
        SetDirect(true);
    }
#endif
    const bool ok = WriteAll(pbase(), static_cast<std::size_t>(pptr() - pbase()), Direct);
    setp(Buffer.get(), Buffer.get() + BlockSize);
    return ok;
}

TFileOutput::int_type TFileOutput::overflow(int_type ch) {
    if (!IsOpen() || !WriteFull()) return traits_type::eof();
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    *pptr() = traits_type::to_char_type(ch);
    pbump(1);
    return ch;
}

std::streamsize TFileOutput::xsputn(const char* data, std::streamsize size) {
    if (!IsOpen() || Error_ != 0) return 0;
    std::streamsize done = 0;
    while (done < size) {
        if (pptr() == epptr() && !WriteFull()) return done;
        const auto room = static_cast<std::streamsize>(epptr() - pptr());
        const std::streamsize n = std::min(room, size - done);
        std::memcpy(pptr(), data + done, static_cast<std::size_t>(n));
        pbump(static_cast<int>(n));
        done += n;
    }
    return done;
}

bool TFileOutput::Close() {
    if (!IsOpen()) return false;
    bool ok = Error_ == 0;
    if (ok) {
        const char* data = pbase();
        std::size_t size = static_cast<std::size_t>(pptr() - pbase());
#if defined(__linux__)
        if (Direct) {
            // The whole blocks past the cache; the partial last one needs the usual way.
            const std::size_t whole = size / kAlignment * kAlignment;
            ok = WriteAll(data, whole, true);
            data += whole;
            size -= whole;
            if (ok && Direct && size > 0) ok = SetDirect(false);
        }
#endif
        ok = ok && WriteAll(data, size, false);
        setp(Buffer.get(), Buffer.get() + BlockSize);
    }
#if defined(__linux__)
    if (::close(Fd) != 0 && ok) {
        Fail(errno);
        ok = false;
    }
    Fd = -1;
#else
    if (std::fclose(File) != 0 && ok) {
        Fail(errno);
        ok = false;
    }
    File = nullptr;
#endif
    return ok;
}

} // namespace dxfi::korrin
