// SPDX-License-Identifier: MIT
#include "pcbclient/PcbPad.h"

#include "pcbclient/PcbApiBinding.h"
#include "pcbclient/TransferText.h"

namespace dxfi {
namespace {

constexpr std::size_t kPadStringMax = abi::kText21 - 1;
constexpr uint8_t kTopLayer = 1;
constexpr uint8_t kFirstMidLayer = 2;
constexpr uint8_t kLastMidLayer = 31;
constexpr uint8_t kBottomLayer = 32;

} // namespace

int32_t TPcbPad::TransferProperties(TPropertyTransfer Mode) {
    TransferBitFields(Mode);

    TText21 Text1(String1), Text2(String2), Text3(String3), Text4(String4);
    const int32_t Result = host::PcbApi_QueryPad(
        Mode, Handle, &Flags, &PrimWord, &Layer, &PrimLongA, &PrimByte, &PrimLongB, &X, &Y,
        &PadSizes[0], &PadSizes[1], &PadSizes[2], &PadSizes[3], &PadSizes[4], &PadSizes[5],
        &HoleSize, &Byte1, &Byte2, &Byte3, Text1.Data, &Byte4, &Byte5, &Rotation, Text2.Data,
        Text3.Data, &Long1, Text4.Data, &Byte6, &Byte7, &Long2, &Long3, &Long4, &Long5, &Long6,
        &Byte8, &Byte9);
    Text1.Store(Mode, String1, kPadStringMax);
    Text2.Store(Mode, String2, kPadStringMax);
    Text3.Store(Mode, String3, kPadStringMax);
    Text4.Store(Mode, String4, kPadStringMax);
    if (Result != 0) return Result;

    host::PcbApi_QueryPadStackMode(Mode, Handle, &PadStackMode);
    TransferLayers(Mode);
    return Result;
}

void TPcbPad::TransferLayers(TPropertyTransfer Mode) {
    for (int Index = 0; Index < kClassicLayerCount; ++Index) {
        const auto Layer = static_cast<uint8_t>(Index);
        if (Mode == ptRead) {
            host::PcbApi_QueryPadOrViaShapeOnLayer(Handle, Layer, &ShapeOnLayer[Index]);
            host::PcbApi_QueryPadOrViaSizeOnLayer(Handle, Layer, SizeOnLayer[Index].data());
            host::PcbApi_QueryPadCornerRadiusOnLayer(Handle, Layer, &CornerRadiusOnLayer[Index]);
            host::PcbApi_QueryPadCRPercentageOnLayer(Handle, Layer, &CRPercentageOnLayer[Index]);
            if (Layer == kTopLayer) TopCRPercentage = CRPercentageOnLayer[Index];
            if (Layer >= kFirstMidLayer && Layer <= kLastMidLayer)
                MidCRPercentage = CRPercentageOnLayer[Index];
            if (Layer == kBottomLayer) BottomCRPercentage = CRPercentageOnLayer[Index];
        } else if (PadStackMode == kPadStackFullStack) {
            host::PcbApi_SetPadShapeOnLayer(Handle, Layer, ShapeOnLayer[Index]);
            host::PcbApi_SetPadSizeOnLayer(Handle, Layer, SizeOnLayer[Index].data());
            host::PcbApi_SetCRPctOnLayer(Handle, Layer, CRPercentageOnLayer[Index]);
        } else if (ShapeOnLayer[Index] == kPadShapeRoundedRectangle) {
            host::PcbApi_SetCRPctOnLayer(Handle, kTopLayer, TopCRPercentage);
            host::PcbApi_SetCRPctOnLayer(Handle, kBottomLayer, BottomCRPercentage);
            host::PcbApi_SetCRPctOnLayer(Handle, kFirstMidLayer, MidCRPercentage);
        }
    }
}

} // namespace dxfi
