// SPDX-License-Identifier: MIT
// An SVG picture of a board: one group per layer in its own colour, y pointing up, arcs as
// arcs, pads with their holes, texts as text, regions as polygons, and a legend of the layers
// drawn. The output is well-formed XML whatever the texts hold.
#pragma once

#include "host/korrin/BoardModel.h"

#include <iosfwd>
#include <string>

namespace dxfi::korrin {

void WriteSvg(const TObject& board, std::ostream& out);
// Through a temporary file renamed over `path`; throws EBoardFile "Cannot render board ...".
void RenderSvgFile(const TObject& board, const std::string& path);
// Text made safe for XML character data and attribute values: markup characters escaped,
// bytes that are not UTF-8 and characters XML forbids replaced by U+FFFD.
std::string XmlEscape(std::string_view text);

} // namespace dxfi::korrin
