// SPDX-License-Identifier: MIT
// The 8-bit code page tables older drawings may be written in.
#pragma once

#include <cstdint>

namespace pad2 {

struct TCodePageTable {
    int Number;         // e.g. 1252 for ANSI_1252
    uint16_t High[128]; // code points of bytes 0x80..0xFF
};

extern const TCodePageTable kCodePageTables[];
extern const int kCodePageTableCount;

} // namespace pad2
