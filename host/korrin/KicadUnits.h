// SPDX-License-Identifier: MIT
// The one place where board units become KiCad coordinates. KiCad keeps integer nanometres
// with y pointing down; a board unit is 1/10000 mil = 2.54 nm exactly. A board point (u, v)
// lands at
//     x = OriginX + round(2.54 u),   y = OriginY - round(2.54 v)      (nm, ties away from zero)
// where (OriginX, OriginY) is where the board's (0,0) lies on KiCad's sheet. Negating y keeps
// the picture: angles stay counter-clockwise on screen. Nothing here throws.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

namespace dxfi::korrin {

// KiCad 6 clamps every coordinate it reads to this many nanometres either side of zero.
inline constexpr int64_t kKicadCoordinateLimit = 1518485687;

// Board units as nanometres: 254/100 in integers, ties away from zero; exact for every int32.
constexpr int64_t UnitsToNm(int64_t units) {
    int64_t scaled = units * 254;
    return scaled >= 0 ? (scaled + 50) / 100 : -((-scaled + 50) / 100);
}

// The same for a computed point (arc ends, rotated corners); NaN gives 0.
inline int64_t UnitsToNm(double units) {
    double nm = units * 2.54;
    if (!(nm == nm)) return 0;
    if (nm > 9.0e15) return int64_t{9000000000000000};
    if (nm < -9.0e15) return -int64_t{9000000000000000};
    return std::llround(nm);
}

struct TKicadPlacement {
    int64_t OriginX = 0, OriginY = 0; // nm on KiCad's sheet of the board's (0,0)

    int64_t X(int64_t u) const { return OriginX + UnitsToNm(u); }
    int64_t Y(int64_t v) const { return OriginY - UnitsToNm(v); }
    int64_t X(double u) const { return OriginX + UnitsToNm(u); }
    int64_t Y(double v) const { return OriginY - UnitsToNm(v); }
    // The exact (unrounded) place, for coordinates that KiCad derives further.
    double ExactX(double u) const { return static_cast<double>(OriginX) + u * 2.54; }
    double ExactY(double v) const { return static_cast<double>(OriginY) - v * 2.54; }
};

// Nanometres as KiCad's millimetre text: at most six decimals, trailing zeros cut ("12.7",
// "-0.000001", "0").
inline std::string NmText(int64_t nm) {
    bool negative = nm < 0;
    uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(nm) : static_cast<uint64_t>(nm);
    std::string text = negative ? "-" : "";
    text += std::to_string(magnitude / 1000000);
    uint64_t fraction = magnitude % 1000000;
    if (fraction != 0) {
        std::string digits = std::to_string(fraction);
        digits.insert(0, 6 - digits.size(), '0');
        while (digits.back() == '0')
            digits.pop_back();
        text += '.' + digits;
    }
    return text;
}

} // namespace dxfi::korrin
