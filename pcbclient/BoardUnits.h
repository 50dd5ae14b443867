// SPDX-License-Identifier: MIT
// Board units (1/10000 mil) and their conversion to and from mils, millimetres and the short
// unit texts ("12.5mil", "0.3175mm") of the options dialog and the saved settings. Nothing here
// throws; every input, however malformed, gives a defined result.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dxfi {

// Board length or coordinate: 1 mil = 10000, 1 inch = 10000000, 1 mm = 10000 / 0.0254.
using TBoardCoord = int32_t;

inline constexpr TBoardCoord kCoordPerMil = 10000;
inline constexpr TBoardCoord kCoordPerInch = 10000000;

double MilsToCoord(double Mils);
double MMToCoord(double MM);
double CoordToMils(double Coord);
double CoordToMM(double Coord);

// Nearest board unit, ties to even; results outside 32 bits saturate, NaN gives 0.
TBoardCoord MilsToRoundCoord(double Mils);
TBoardCoord MMToRoundCoord(double MM);

// "12.5mil", "25.4mm", "0mil": 3 decimals for mils, 4 for millimetres (after rounding to 5),
// trailing zeros and a bare "." removed, "." as separator in every locale. A value that
// shows as zero never carries a sign.
std::string CoordToUnitText(TBoardCoord Coord, bool InMils);

// The same text for a fractional length, without the rounding step. Magnitudes of 1e15 or
// more are written in scientific notation ("1e+20mil"), which UnitTextToCoord reads back;
// NaN and infinities give "nan" and "inf" before the suffix.
std::string RealCoordToUnitText(bool InMils, double Coord);

// Reads a unit text. Spaces are ignored; "MM" (looked for first) or "MIL" in any letter case
// select the unit and cut the text, otherwise InMils decides; InMils then tells the unit read.
// An empty text, or one starting with a letter, gives 0 and leaves InMils unchanged.
// The number is an optional sign, digits with an optional "." fraction and an optional
// exponent. A malformed number (1.2.3, 12x, a stray byte) yields its longest well-formed
// prefix (1.2, 12; 0 when there is none); the unit is still taken.
// Results outside 32 bits saturate.
TBoardCoord UnitTextToCoord(std::string_view Text, bool& InMils);

// As UnitTextToCoord, unrounded; a malformed number gives 0 (InMils is still set from the
// unit). A number beyond the range of double gives plus or minus infinity.
double UnitTextToRealCoord(std::string_view Text, bool& InMils);

} // namespace dxfi
