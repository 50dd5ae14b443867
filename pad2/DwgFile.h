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
};

} // namespace pad2
