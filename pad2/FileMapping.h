// SPDX-License-Identifier: MIT
// A read-only view of a whole file, mapped so the reader touches each byte once and the pages
// already read can be dropped while loading. Throws EDxfError when the file cannot be read.
#pragma once

#include <cstddef>
#include <string>

namespace pad2 {

class TFileMapping {
public:
    // `displayName` names the file in messages.
    TFileMapping(const std::string& path, const std::string& displayName);
    ~TFileMapping();
    TFileMapping(const TFileMapping&) = delete;
    TFileMapping& operator=(const TFileMapping&) = delete;

    const char* Data() const { return Data_; }
    std::size_t Size() const { return Size_; }
    // Drops the pages before `offset` from memory; they are read again if touched.
    void Release(std::size_t offset);

private:
    const char* Data_ = nullptr;
    std::size_t Size_ = 0;
    std::size_t Released_ = 0;
    void* Map_ = nullptr;
};

// Asks for large pages behind a big, mostly untouched buffer, so filling it takes fewer page
// faults. Only a hint: nothing happens where the system does not offer them.
void AdviseLargeBuffer(void* buffer, std::size_t bytes);

} // namespace pad2
