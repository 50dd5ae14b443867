// SPDX-License-Identifier: MIT
// The point array of one polyline together with its width, layer and closed flag, as the
// entity conversions hand it to the PCB side. Fill operations set all three fields: the array
// itself never resets them.
#pragma once

#include "drawing/DXFUtil.h"

namespace dxfi {

class TPolyPoints : public TPoints {
public:
    using TPoints::TPoints;

    TBoardCoord Width = 0;
    // The entity's layer name as the drawing processor returned it; not owned, valid while
    // the entity is being converted.
    const char* LayerName = nullptr;
    bool Closed = false; // a segment runs from the last point back to the first
};

} // namespace dxfi
