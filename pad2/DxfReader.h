// SPDX-License-Identifier: MIT
// Reads the bytes of a DXF file (ASCII or binary) into a TDrawing: header extents and code
// page, layers, block records, blocks, entities of both spaces. Throws EDxfError with the
// user's text when the bytes are no readable drawing.
#pragma once

#include "pad2/DxfModel.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace pad2 {

struct TReadCallbacks {
    // Called with 0..100, rising, at most once per percent.
    std::function<void(int)> Progress;
    // Called now and then with an offset before which the reader keeps no reference into the
    // bytes, so that the caller may drop those pages.
    std::function<void(std::size_t)> Release;
    // When set, only the bytes this makes readable may be read: it is called with how many
    // bytes from the start are wanted and returns how many are readable (all of them when the
    // file is shorter). DWG and binary DXF files are asked for whole.
    std::function<std::size_t(std::size_t)> More;
};

// `fileName` names the file in messages (the base name is enough).
std::unique_ptr<TDrawing> ReadDxf(const char* data, std::size_t size, const std::string& fileName,
                                  const TReadCallbacks& callbacks = {});

// The refusal text for a DWG file of a version the engine does not read (by the signature
// at the start of the file), or "" when `data` does not start with such a signature.
std::string DwgRefusal(const char* data, std::size_t size, const std::string& fileName);

} // namespace pad2
