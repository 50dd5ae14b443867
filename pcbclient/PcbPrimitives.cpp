// SPDX-License-Identifier: MIT
#include "pcbclient/PcbPrimitives.h"

#include "pcbclient/PcbApiBinding.h"
#include "pcbclient/TransferText.h"

namespace dxfi {

int32_t TPcbTrack::TransferProperties(TPropertyTransfer Mode) {
    TransferBitFields(Mode);
    return host::PcbApi_QueryTrack(Mode, Handle, &Flags, &PrimWord, &Layer, &PrimLongA, &PrimByte,
                                   &PrimLongB, &X, &Y, &X2, &Y2, &Width, &Value1, &Value2, &Value3);
}

int32_t TPcbArc::TransferProperties(TPropertyTransfer Mode) {
    TransferBitFields(Mode);
    return host::PcbApi_QueryArc(Mode, Handle, &Flags, &PrimWord, &Layer, &PrimLongA, &PrimByte,
                                 &PrimLongB, &X, &Y, &Radius, &StartAngle, &EndAngle, &Width,
                                 &Value1);
}

int32_t TPcbVia::TransferProperties(TPropertyTransfer Mode) {
    TransferBitFields(Mode);
    return host::PcbApi_QueryVia(Mode, Handle, &Flags, &PrimWord, &Layer, &PrimLongA, &PrimByte,
                                 &PrimLongB, &X, &Y, &Size, &HoleSize, &LowLayer, &HighLayer,
                                 &Value1, &Value2);
}

int32_t TPcbFill::TransferProperties(TPropertyTransfer Mode) {
    TransferBitFields(Mode);
    return host::PcbApi_QueryFill(Mode, Handle, &Flags, &PrimWord, &Layer, &PrimLongA, &PrimByte,
                                  &PrimLongB, &X, &Y, &X2, &Y2, &Rotation, &Value1);
}

int32_t TPCBRegion::TransferProperties(TPropertyTransfer Mode) {
    TransferBitFields(Mode);
    return host::PcbApi_QueryRegion(Mode, Handle, &Flags, &PrimWord, &Layer, &PrimLongA, &PrimByte,
                                    &PrimLongB, &X, &Y, &RegionKind, &Value1);
}

int32_t TPcbComponentBody::TransferProperties(TPropertyTransfer Mode) {
    TransferBitFields(Mode);
    return host::PcbApi_QueryComponentBody(Mode, Handle, &Flags, &PrimWord, &Layer, &PrimLongA,
                                           &PrimByte, &PrimLongB, &X, &Y, &Height, &Value1);
}

int32_t TPcbEmbeddedBoard::TransferProperties(TPropertyTransfer Mode) {
    TransferBitFields(Mode);
    TText256 Path(DocumentPath);
    const int32_t Result = host::PcbApi_QueryEmbeddedBoard(
        Mode, Handle, &Flags, &PrimWord, &Layer, &PrimLongA, &PrimByte, &PrimLongB, &X, &Y, &X2,
        &Y2, &RowCount, &ColumnCount, &RowSpacing, &ColumnSpacing, &Rotation, Path.Data);
    Path.Store(Mode, DocumentPath, kShortStringMax);
    return Result;
}

int32_t TPcbNet::TransferProperties(TPropertyTransfer Mode) {
    TransferPrimitive(Mode);
    TText256 Buffer(Name);
    const int32_t Result = host::PcbApi_QueryNetName(Mode, Handle, Buffer.Data);
    Buffer.Store(Mode, Name, kShortStringMax);
    return Result;
}

} // namespace dxfi
