// SPDX-License-Identifier: MIT
// A fill as a centred box: what its bounds and its KiCad form are drawn from.
#pragma once

#include "host/korrin/BoardModel.h"

#include <cmath>

namespace dxfi::korrin {

// The centre and half sizes of a fill, from its location and its opposite corner (unturned).
struct TFillBox {
    double CenterX, CenterY, HalfWidth, HalfHeight;
};

inline TFillBox FillBox(const TObject& fill) {
    const auto* d = fill.As<TFillData>();
    return {(static_cast<double>(fill.X) + d->X2) / 2, (static_cast<double>(fill.Y) + d->Y2) / 2,
            std::fabs(static_cast<double>(d->X2) - fill.X) / 2,
            std::fabs(static_cast<double>(d->Y2) - fill.Y) / 2};
}

} // namespace dxfi::korrin
