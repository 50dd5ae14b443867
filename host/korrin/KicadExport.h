// SPDX-License-Identifier: MIT
// The board as a KiCad 6 board file (S-expression, version 20211014): every object on a KiCad
// layer of the table in KicadExport.cpp, coordinates through KicadUnits.h. What KiCad cannot
// hold is returned as lines for the user, each naming the thing and its count.
#pragma once

#include "host/korrin/BoardModel.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace dxfi::korrin {

struct TKicadExportOptions {
    // The host layer that becomes KiCad's board outline (Edge.Cuts); 0 for none.
    uint32_t OutlineLayer = 0;
};

// Writes the board file; returns the loss lines (empty when everything was written).
std::vector<std::string> WriteKicadBoard(const TObject& board, const TKicadExportOptions& options,
                                         std::ostream& out);
// Through a temporary file renamed over `path`; throws EBoardFile "Cannot export board ...".
std::vector<std::string> ExportKicadFile(const TObject& board, const TKicadExportOptions& options,
                                         const std::string& path);

} // namespace dxfi::korrin
