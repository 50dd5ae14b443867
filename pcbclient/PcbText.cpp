// SPDX-License-Identifier: MIT
#include "pcbclient/PcbText.h"

#include "pcbclient/PcbApiBinding.h"
#include "pcbclient/TransferText.h"

namespace dxfi {

int32_t TPcbText::TransferProperties(TPropertyTransfer Mode) {
    TransferBitFields(Mode);

    uint8_t MirrorByte = Mirror ? 1 : 0;
    TText256 TextBuffer(Text);
    const int32_t Result = host::PcbApi_QueryText(
        Mode, Handle, &Flags, &PrimWord, &Layer, &PrimLongA, &PrimByte, &PrimLongB, &X, &Y, &Height,
        &Value1, &Rotation, &MirrorByte, TextBuffer.Data, &Width, &Value2, &Value3);
    if (Mode == ptRead) Mirror = MirrorByte != 0;
    TextBuffer.Store(Mode, Text, kShortStringMax);

    TText256 FontBuffer(FontName);
    host::PcbApi_QueryTrueTypeTextInfo(Mode, Handle, &UseTrueType, FontBuffer.Data, &Bold, &Italic,
                                       &Inverted, &InvertedBorder);
    FontBuffer.Store(Mode, FontName, kShortStringMax);

    // The host resolves special strings; asked in every mode so the field follows a write.
    uint8_t Display[abi::kText256];
    ToPascal(CutUtf8(DisplayText, kDisplayTextMax), Display);
    host::PcbApi_GetDesignatorDisplayString(Display, Handle);
    DisplayText = CutUtf8(FromPascal(Display), kDisplayTextMax);

    host::PcbApi_QueryBarCodeTextInfo(Mode, Handle, &BarCodeKind, &BarCodeValue1, &BarCodeValue2,
                                      &BarCodeValue3);
    return Result;
}

} // namespace dxfi
