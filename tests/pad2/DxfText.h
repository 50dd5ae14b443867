// SPDX-License-Identifier: MIT
// Small helpers for engine tests: DXF texts written to temporary files, loaded through the
// eda functions, and little-endian reads of the records.
#pragma once

#include "support/DxfText.h"
#include "support/TempFile.h"

#include "abi/Pad2Api.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace pad2test {

using testsupport::TTempFile;

using testsupport::DxfFile;
using testsupport::EntitiesDxf;
using testsupport::Groups;
using testsupport::Section;
using testsupport::Table;

template <typename T> T Get(const uint8_t* record, int offset) {
    T value;
    std::memcpy(&value, record + offset, sizeof value);
    return value;
}

inline std::string Text(const uint8_t* record, int offset) {
    return reinterpret_cast<const char*>(record + offset);
}

struct TEntity {
    std::vector<uint8_t> Header = std::vector<uint8_t>(dxfi::abi::kEntityHeaderSize);
    std::vector<uint8_t> Data = std::vector<uint8_t>(dxfi::abi::kEntityDataSize);
    uint16_t Code() const { return Get<uint16_t>(Header.data(), 0); }
    double F(int offset) const { return Get<double>(Data.data(), offset); }
};

// Every entity of the named block's list, block start included.
inline std::vector<TEntity> ListOf(dxfi::abi::TDrawingHandle drawing, const char* block) {
    std::vector<TEntity> out;
    dxfi::abi::TObjectHandle handle = 0;
    if (!edaFindBlockheaderByName(drawing, block, &handle)) return out;
    const auto list = edaEntityList(drawing, handle);
    edaStartEntityGet(list);
    TEntity e;
    while (edaGetEntity(list, e.Header.data(), e.Data.data()) == 1)
        out.push_back(e);
    return out;
}

// Loads `text` from a temporary file; returns the handle (0 on failure).
inline dxfi::abi::TDrawingHandle Load(const std::string& text,
                                      const std::string& name = "drawing.dxf") {
    TTempFile file(text, name);
    return edaLoadFile(file.Path().c_str(), 1, 0);
}

inline std::string LastError() {
    return edaErrorStr(edaError());
}

} // namespace pad2test
