// SPDX-License-Identifier: MIT
// The bytes of a whole drawing file, read into the engine's own memory so that a file cut
// short or rewritten while it is read is a load error, never a fault on a vanished page. The
// bytes may be read in steps ahead of the parser, and the pages already parsed dropped, so that
// only a window of a large file is in memory at once. Throws EDxfError when the file cannot
// be read.
#pragma once

#include <cstddef>
#include <string>

namespace pad2 {

class TFileMapping {
public:
    // Opens the file without blocking and refuses anything that is not a regular file (a
    // named pipe would otherwise wait for a writer for ever). `displayName` names the file in
    // messages.
    TFileMapping(const std::string& path, const std::string& displayName);
    ~TFileMapping();
    TFileMapping(const TFileMapping&) = delete;
    TFileMapping& operator=(const TFileMapping&) = delete;

    // Reads the whole file. Throws ecFileChanged when it ends before the size it had when it
    // was opened, or has another size afterwards.
    void Load() { LoadUpTo(Size_); }
    // Reads at least the first `wanted` bytes (all of them when the file is shorter) and
    // returns how many bytes from the start are readable. Reads ahead in large steps; the
    // checks of Load are made when the last byte has been read.
    std::size_t LoadUpTo(std::size_t wanted);
    std::size_t Loaded() const { return Loaded_; }

    const char* Data() const { return Data_; }
    std::size_t Size() const { return Size_; }
    // Drops the pages before `offset` from memory; they must not be read again (they would
    // read as zeros). Their memory is reused for the bytes still to be read.
    void Release(std::size_t offset);

private:
    [[noreturn]] void FailChanged() const;

#if defined(_WIN32)
    void* File_ = nullptr; // the open file's handle until Load has read it
#else
    int Fd_ = -1;
#endif
    std::string DisplayName_;
    const char* Data_ = nullptr;
    std::size_t Size_ = 0;
    std::size_t Loaded_ = 0;
    std::size_t Released_ = 0;
    // Pages moved from behind the parser to [Loaded_, Spare_), ready for the next read.
    std::size_t Spare_ = 0;
    void* Map_ = nullptr;
};

// Keeps the pages of a growing buffer ready a little ahead of its use: once `used` bytes come
// near `ready`, the next stretch (within `capacity`) is mapped in one call rather than by a
// page fault for every page. `ready` starts at 0 and is the caller's to keep. Only a hint:
// nothing happens where the system does not offer it.
// (Large pages are not asked for: on virtual machines that hand free memory back to their
// host, a fresh large page costs the host's page faults, and a load then takes twice as long.)
void PrepareAhead(void* buffer, std::size_t used, std::size_t capacity, std::size_t& ready);

} // namespace pad2
