// SPDX-License-Identifier: MIT
// The containers of DWG files: where the header variables, classes, object map and objects
// lie. R2000 keeps them as plain stretches of the file; R2004 and later keep them in
// compressed pages, which are put back together here (R2007's pages of its own kind in
// DwgFile2007.cpp). Throws EDxfError with the user's text when the container is damaged.
#pragma once

#include "pad2/DwgBits.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pad2 {

enum class TDwgVersion : uint8_t { R2000, R2004, R2007, R2010, R2013, R2018 };

struct TDwgSections {
    TDwgVersion Version = TDwgVersion::R2000;
    unsigned Maintenance = 0;
    unsigned CodePage = 0; // the DWG code page number of 8-bit texts
    // Each section's bytes: views into the file (R2000) or into Storage (R2004+).
    const uint8_t* Header = nullptr;
    std::size_t HeaderSize = 0;
    const uint8_t* Classes = nullptr;
    std::size_t ClassesSize = 0;
    const uint8_t* Handles = nullptr;
    std::size_t HandlesSize = 0;
    const uint8_t* Objects = nullptr; // object-map locations are offsets into this
    std::size_t ObjectsSize = 0;
    std::vector<uint8_t> Storage[4];
};

// Locates (and, for R2004+, unpacks) the sections of a DWG file whose version signature was
// already recognised as one of TDwgVersion.
TDwgSections OpenDwgSections(const uint8_t* data, std::size_t size, TDwgVersion version,
                             const std::string& fileName);

// Unpacks the LZ77 variant of R2004+ pages into out[0, outSize); returns the bytes written.
// Throws EDwgOverrun when the input is malformed or would write past outSize.
std::size_t DwgDecompress(const uint8_t* in, std::size_t inSize, uint8_t* out, std::size_t outSize);

// Refuses a DWG whose container is damaged, naming the file and what is wrong.
[[noreturn]] void ThrowDwgDamaged(const std::string& fileName, const std::string& what);

// Refuses a DWG that needs a password, naming the file and what is encrypted.
[[noreturn]] void ThrowDwgEncrypted(const std::string& fileName, const std::string& what);

// The four sections a drawing needs, gathered while the section map of a paged container
// (R2004 and later) is read.
class TDwgSectionCollector {
public:
    // `cap` bounds each section and all of them together.
    TDwgSectionCollector(TDwgSections& sections, const std::string& fileName, uint64_t cap)
        : S(sections), FileName(fileName), Cap(cap) {}

    // The zeroed storage for the section `name` of `size` bytes; null when the section is not
    // one of the four or was already taken. Refuses an encrypted or oversized section.
    std::vector<uint8_t>* Take(const std::string& name, bool encrypted, uint64_t size);

    // Points the sections at their storage; refuses a map that lacks one of them.
    void Finish();

private:
    TDwgSections& S;
    const std::string& FileName;
    uint64_t Cap;
    uint64_t Total = 0;
    bool Found[4] = {};
};

// Byte cursor over packed input shared by the decompressors; reading past its end throws
// EDwgOverrun.
struct TDwgByteIn {
    const uint8_t* P;
    std::size_t N;
    std::size_t I = 0;
    uint8_t Next() {
        if (I >= N) throw EDwgOverrun{};
        return P[I++];
    }
    // The next n bytes, passed over.
    const uint8_t* Take(std::size_t n) {
        if (n > N - I) throw EDwgOverrun{};
        I += n;
        return P + I - n;
    }
};

// Output cursor of the decompressors over P[0, N); writing past its end throws EDwgOverrun.
struct TDwgByteOut {
    uint8_t* P;
    std::size_t N;
    std::size_t O = 0; // bytes written
    // Room for the next n bytes, counted as written.
    uint8_t* Reserve(std::size_t n) {
        if (n > N - O) throw EDwgOverrun{};
        O += n;
        return P + O - n;
    }
    // A back-reference: `count` bytes from `distance` bytes back; an overlapping copy repeats
    // the pattern. A source before the start throws EDwgOverrun.
    void CopyBack(std::size_t distance, std::size_t count);
};

} // namespace pad2
