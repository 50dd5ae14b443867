// SPDX-License-Identifier: MIT
// The extents written into a drawing's header: those the file states, or, where it states
// none or inverted ones, those computed from the entities of that space (inserted blocks
// transformed by their scale, rotation and position).
#pragma once

#include "pad2/DxfModel.h"

namespace pad2 {

struct TBox {
    double Min[3] = {1e300, 1e300, 1e300};
    double Max[3] = {-1e300, -1e300, -1e300};
    bool Empty() const { return Min[0] > Max[0] || Min[1] > Max[1]; }
    void Add(double x, double y, double z);
    void Add(const TBox& other);
};

// The bounding box of a block's (or space's) entities in its own coordinates.
TBox ComputeBlockBox(const TDrawing& drawing, uint32_t block);

// Writes both spaces' extents into drawing.Header. `hasModel`/`hasPaper` tell whether the
// file stated $EXTMIN/$EXTMAX and $PEXTMIN/$PEXTMAX.
void FinishExtents(TDrawing& drawing, const double modelMin[3], const double modelMax[3],
                   bool hasModel, const double paperMin[3], const double paperMax[3],
                   bool hasPaper);

} // namespace pad2
