// SPDX-License-Identifier: MIT
// Fuzz target of the unit-text parser ("12.5mil", "0.762mm", "1e+20mil"): any text parses
// without fault, and a coordinate written as unit text reads back to within the text's
// precision (3 decimals of a mil, 4 of a millimetre, one unit of the last decimal).
#include "pcbclient/BoardUnits.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    bool inMils = true;
    const double real = dxfi::UnitTextToRealCoord(text, inMils);
    bool rounded = false;
    const dxfi::TBoardCoord coord = dxfi::UnitTextToCoord(text, rounded);
    for (bool mils : {true, false}) {
        const std::string written = dxfi::CoordToUnitText(coord, mils);
        bool readMils = !mils;
        const dxfi::TBoardCoord back = dxfi::UnitTextToCoord(written, readMils);
        // Rounded to one more decimal first, then to the shown ones: up to one last digit off.
        const int64_t tolerance = mils ? 10 : 40;
        const int64_t difference = static_cast<int64_t>(back) - coord;
        if (difference > tolerance || difference < -tolerance || readMils != mils) {
            std::fprintf(stderr, "%d written as %s reads back as %d\n", coord, written.c_str(),
                         back);
            std::abort();
        }
        (void)dxfi::RealCoordToUnitText(mils, real);
    }
    return 0;
}
