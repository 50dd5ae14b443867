// SPDX-License-Identifier: MIT
// The wrapper of a host pad: sizes, hole, rotation, the host's further pad values, and the
// per-layer tables of shape, size, corner radius and corner-radius percentage for every
// classic layer 0..82.
#pragma once

#include "pcbclient/PcbObject.h"

#include <array>
#include <string>

namespace dxfi {

// The pad shape whose corner-radius percentages are kept per layer group in the simple stack
// modes.
inline constexpr uint8_t kPadShapeRoundedRectangle = 9;
// The stack mode in which every layer has its own shape, size and percentage.
inline constexpr uint8_t kPadStackFullStack = 2;

class TPcbPad : public TPCBObject {
public:
    explicit TPcbPad(THandle Handle) : TPCBObject(Handle, abi::kKindPad) {}
    // The pad's properties; unless the host refuses them, the stack mode and the per-layer
    // step. Reading fills every table entry; writing in the full stack mode sends shape, size
    // and percentage of every layer, in the other modes only the percentages of the top, mid
    // and bottom layers, and only when a layer has the rounded-rectangle shape.
    int32_t TransferProperties(TPropertyTransfer Mode) override;

    std::array<TBoardCoord, 6> PadSizes{};
    TBoardCoord HoleSize = 0;
    uint8_t Byte1 = 0;
    uint8_t Byte2 = 0;
    uint8_t Byte3 = 0;
    std::string String1; // at most 20 bytes
    uint8_t Byte4 = 0;
    uint8_t Byte5 = 0;
    double Rotation = 0; // degrees
    std::string String2; // at most 20 bytes
    std::string String3; // at most 20 bytes
    int32_t Long1 = 0;
    std::string String4; // at most 20 bytes
    uint8_t Byte6 = 0;
    uint8_t Byte7 = 0;
    int32_t Long2 = 0;
    int32_t Long3 = 0;
    int32_t Long4 = 0;
    int32_t Long5 = 0;
    int32_t Long6 = 0;
    uint8_t Byte8 = 0;
    uint8_t Byte9 = 0;

    // Indexed by classic layer 0..82.
    std::array<uint8_t, kClassicLayerCount> ShapeOnLayer{};
    std::array<std::array<int32_t, 2>, kClassicLayerCount> SizeOnLayer{};
    std::array<int32_t, kClassicLayerCount> CornerRadiusOnLayer{};
    std::array<uint8_t, kClassicLayerCount> CRPercentageOnLayer{};
    // The percentages last read for the top layer, the mid layers (the last of 2..31 read) and
    // the bottom layer.
    uint8_t TopCRPercentage = 0;
    uint8_t MidCRPercentage = 0;
    uint8_t BottomCRPercentage = 0;
    uint8_t PadStackMode = 0;

private:
    void TransferLayers(TPropertyTransfer Mode);
};

} // namespace dxfi
