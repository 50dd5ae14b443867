// SPDX-License-Identifier: MIT
#include "pcbclient/PcbObject.h"

#include "pcbclient/PcbApiBinding.h"

namespace dxfi {

int32_t TPCBObject::TransferProperties(TPropertyTransfer Mode) {
    return TransferPrimitive(Mode);
}

void TPCBObject::SetLayer(TClassicLayer Classic) {
    Layer = ClassicToLayer(Classic);
}

TClassicLayer TPCBObject::GetClassicLayer() const {
    return ClampToClassicLayer(Layer);
}

int32_t TPCBObject::TransferBitFields(TPropertyTransfer Mode) {
    host::PcbApi_GetObjectBitField2(Mode, Handle, &BitField2);
    return host::PcbApi_GetObjectBitField3(Mode, Handle, &BitField3);
}

int32_t TPCBObject::TransferPrimitive(TPropertyTransfer Mode) {
    TransferBitFields(Mode);
    return host::PcbApi_QueryPrimitive(Mode, Handle, &Flags, &PrimWord, &Layer, &PrimLongA,
                                       &PrimByte, &PrimLongB, &X, &Y);
}

} // namespace dxfi
