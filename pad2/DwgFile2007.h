// SPDX-License-Identifier: MIT
// The container of AutoCAD 2007 drawings (AC1021): a Reed-Solomon coded file header, system
// pages (page map, section map) and data pages with their own compression. Kept apart from
// DwgFile.cpp because no other version shares any of it.
#pragma once

#include "pad2/DwgFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace pad2 {

// Locates and unpacks the header, classes, object map and objects of an AC1021 file. Throws
// EDxfError naming the file when the container is damaged or encrypted.
TDwgSections OpenDwg2007Sections(const uint8_t* data, std::size_t size,
                                 const std::string& fileName);

// Unpacks the compression of AC1021 pages into out[0, outSize); returns the bytes written.
// Throws EDwgOverrun when the input is malformed or would write past outSize.
std::size_t Dwg2007Decompress(const uint8_t* in, std::size_t inSize, uint8_t* out,
                              std::size_t outSize);

// The data bytes of `codewords` Reed-Solomon code words of n = 255 with k data bytes each, laid
// out byte by byte in turn (interleaved) or as all data blocks followed by the parity blocks.
// Parity is not checked: an undamaged file needs none of it. out must hold codewords * k bytes.
void Dwg2007RsData(const uint8_t* in, std::size_t codewords, std::size_t k, bool interleaved,
                   uint8_t* out);

} // namespace pad2
