// SPDX-License-Identifier: MIT
// Files written in large blocks from one buffer. Where the system allows it, the full blocks of
// a large file go from the buffer straight to the disk instead of through the system's file
// cache: the files written here are synced to the disk right after, so the copy into the cache
// would only cost time and memory. Small files and the last, partial block go the usual way.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <streambuf>
#include <string>

namespace dxfi::korrin {

class TFileOutput final : public std::streambuf {
public:
    // Creates or empties `path`. `blockSize` (a multiple of 4096) is the buffer's size and the
    // size of every write but the last.
    explicit TFileOutput(const std::string& path, std::size_t blockSize = kDefaultBlockSize);
    ~TFileOutput() override;
    TFileOutput(const TFileOutput&) = delete;
    TFileOutput& operator=(const TFileOutput&) = delete;

    // Whether the file could be created (else Error() says why).
    bool IsOpen() const;
    // Writes what is buffered and closes the file; false when anything could not be written.
    bool Close();
    // The system's error number of the first failure; 0 for none.
    int Error() const { return Error_; }
    // Whether full blocks went past the system's file cache (for tests and benchmarks).
    bool WroteDirectly() const { return WroteDirectly_; }

    static constexpr std::size_t kDefaultBlockSize = std::size_t{8} << 20;

protected:
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char* data, std::streamsize size) override;
    int sync() override { return 0; } // blocks are written when full or at Close

private:
    struct TAlignedFree {
        void operator()(char* p) const;
    };
    bool WriteFull();
    bool WriteAll(const char* data, std::size_t size, bool direct);
#if defined(__linux__)
    bool SetDirect(bool on);
#endif
    void Fail(int error);

    std::unique_ptr<char, TAlignedFree> Buffer;
    std::size_t BlockSize;
    int Error_ = 0;
    bool WroteDirectly_ = false;
    bool Direct = false;      // the file is open for writes past the cache
    bool DirectTried = false; // switching to such writes was attempted
#if defined(__linux__)
    int Fd = -1;
#else
    std::FILE* File = nullptr;
#endif
};

} // namespace dxfi::korrin
