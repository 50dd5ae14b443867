// SPDX-License-Identifier: MIT
// Reads the bytes of a DWG file of AutoCAD 2000 (AC1015), 2004 (AC1018), 2007 (AC1021), 2010
// (AC1024), 2013 (AC1027) or 2018 (AC1032) into the same TDrawing the DXF reader makes of that
// drawing saved as DXF: header extents, layers, block records with their entities in list order.
// Throws EDxfError with the user's text when the file is another DWG version or is damaged.
#pragma once

#include "pad2/DxfModel.h"
#include "pad2/DxfReader.h"

#include <cstddef>
#include <memory>
#include <string>

namespace pad2 {

// True when `data` starts with the signature of a DWG version this reader reads.
bool IsReadableDwg(const char* data, std::size_t size);

std::unique_ptr<TDrawing> ReadDwg(const char* data, std::size_t size, const std::string& fileName,
                                  const TReadCallbacks& callbacks = {});

// What the reader met on the way; for tests and the benchmark.
struct TDwgStats {
    uint64_t Objects = 0;          // entries of the object map
    uint64_t BadObjects = 0;       // objects that failed their check sum or ended early
    uint64_t Entities = 0;         // entities decoded
    bool TablesFromHeader = false; // the header variables named the layer and block tables
};
const TDwgStats& LastDwgStats();

} // namespace pad2
