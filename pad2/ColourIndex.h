// SPDX-License-Identifier: MIT
// The standard 256-entry colour index of drawings and the index closest to an RGB colour: a
// layer stored with an RGB colour is delivered with the index its DXF carries for it.
#pragma once

#include <cstdint>

namespace pad2 {

// The RGB value (0xRRGGBB) of colour index 1-255; 0 for anything else.
uint32_t ColourIndexRgb(int index);

// The colour index 1-255 whose RGB value lies closest to `rgb` (0xRRGGBB); the lowest such
// index on a tie.
int NearestColourIndex(uint32_t rgb);

// The colour index of a layer record of a DWG file (AutoCAD 2004 and later): `value` holds the
// method in its high byte (0xC3 an index in the low byte, 0xC2 an RGB colour), `index` the
// index stored beside it. 7 when neither names a colour.
int DwgLayerColour(int index, uint32_t value);

} // namespace pad2
