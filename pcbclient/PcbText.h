// SPDX-License-Identifier: MIT
// The wrapper of a host text: its string, height, rotation and mirroring, the TrueType font
// information, the bar-code information and the text as the host displays it.
#pragma once

#include "pcbclient/PcbObject.h"

#include <string>

namespace dxfi {

class TPcbText : public TPCBObject {
public:
    // Sets the TrueType and bar-code defaults of a new text; does not talk to the host.
    explicit TPcbText(THandle Handle) : TPCBObject(Handle, abi::kKindText) {}
    // The text's properties, the TrueType information, the displayed text (read in every
    // mode) and the bar-code information.
    int32_t TransferProperties(TPropertyTransfer Mode) override;

    TBoardCoord Height = 0;
    int32_t Value1 = 0;
    double Rotation = 0; // degrees
    bool Mirror = false;
    std::string Text; // at most 255 bytes
    TBoardCoord Width = 0;
    int32_t Value2 = 0;
    int32_t Value3 = 0;
    std::string DisplayText; // at most 254 bytes

    // TrueType information.
    uint8_t UseTrueType = 0;
    std::string FontName = "Arial"; // at most 255 bytes
    uint8_t Bold = 0;
    uint8_t Italic = 0;
    uint8_t Inverted = 0;
    TBoardCoord InvertedBorder = 200000; // 20 mil

    // Bar-code information.
    uint8_t BarCodeKind = 0;
    uint8_t BarCodeValue1 = 0;
    uint8_t BarCodeValue2 = 0;
    uint8_t BarCodeValue3 = 0;
};

inline constexpr std::size_t kDisplayTextMax = 254;

} // namespace dxfi
