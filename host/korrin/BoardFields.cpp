// SPDX-License-Identifier: MIT
#include "host/korrin/BoardFields.h"

namespace dxfi::korrin::boardfile {

const char* KindName(uint8_t kind) {
    switch (kind) {
    case 1:
        return "Arc";
    case 2:
        return "Pad";
    case 3:
        return "Via";
    case 4:
        return "Track";
    case 5:
        return "Text";
    case 6:
        return "Fill";
    case 7:
        return "FromTo";
    case 8:
        return "Net";
    case 9:
        return "Component";
    case 10:
        return "Polygon";
    case 11:
        return "Region";
    case 12:
        return "ComponentBody";
    case 13:
        return "Dimension";
    case 14:
        return "Coordinate";
    case 15:
        return "ObjectClass";
    case 16:
        return "Rule";
    case 17:
        return "ManualFromTo";
    case 18:
        return "DifferentialPair";
    case 19:
        return "Violation";
    case 20:
        return "Embedded";
    case 21:
        return "EmbeddedBoard";
    case 22:
        return "SplitPlane";
    case 26:
        return "BoardOutline";
    default:
        return nullptr;
    }
}

uint8_t KindFromName(std::string_view name) {
    for (int k = 1; k < 32; ++k)
        if (const char* n = KindName(static_cast<uint8_t>(k)); n && name == n)
            return static_cast<uint8_t>(k);
    return 0;
}

} // namespace dxfi::korrin::boardfile
