// SPDX-License-Identifier: MIT
// Cosine and sine of an angle in degrees for the board's geometry, exact at the quarter turns
// so that boxes and outlines of objects turned by them do not grow by rounding noise.
#pragma once

#include <cmath>

namespace dxfi::korrin {

// An angle that is not finite counts as 0.
inline void CosSin(double degrees, double& c, double& s) {
    double d = std::isfinite(degrees) ? std::fmod(degrees, 360.0) : 0.0;
    if (d < 0) d += 360;
    if (d == 0 || d == 360)
        c = 1, s = 0;
    else if (d == 90)
        c = 0, s = 1;
    else if (d == 180)
        c = -1, s = 0;
    else if (d == 270)
        c = 0, s = -1;
    else {
        constexpr double kPi = 3.14159265358979323846;
        c = std::cos(d * kPi / 180.0);
        s = std::sin(d * kPi / 180.0);
    }
}

} // namespace dxfi::korrin
