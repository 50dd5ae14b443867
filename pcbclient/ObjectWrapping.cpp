// SPDX-License-Identifier: MIT
#include "pcbclient/ObjectWrapping.h"

#include "pcbclient/PcbApiBinding.h"
#include "pcbclient/PcbComponent.h"
#include "pcbclient/PcbPad.h"
#include "pcbclient/PcbPrimitives.h"
#include "pcbclient/PcbText.h"

namespace dxfi {

std::unique_ptr<TPCBObject> NewWrapper(TPcbObjectKind Kind, THandle Handle) {
    switch (Kind) {
    case abi::kKindArc:
        return std::make_unique<TPcbArc>(Handle);
    case abi::kKindPad:
        return std::make_unique<TPcbPad>(Handle);
    case abi::kKindVia:
        return std::make_unique<TPcbVia>(Handle);
    case abi::kKindTrack:
        return std::make_unique<TPcbTrack>(Handle);
    case abi::kKindText:
        return std::make_unique<TPcbText>(Handle);
    case abi::kKindFill:
        return std::make_unique<TPcbFill>(Handle);
    case abi::kKindFromTo:
        return std::make_unique<TPcbFromTo>(Handle);
    case abi::kKindNet:
        return std::make_unique<TPcbNet>(Handle);
    case abi::kKindComponent:
        return std::make_unique<TPcbComponent>(Handle);
    case abi::kKindPolygon:
        return std::make_unique<TPcbPolygon>(Handle);
    case abi::kKindRegion:
        return std::make_unique<TPCBRegion>(Handle);
    case abi::kKindComponentBody:
        return std::make_unique<TPcbComponentBody>(Handle);
    case abi::kKindDimension:
        return std::make_unique<TPcbDimension>(Handle);
    case abi::kKindCoordinate:
        return std::make_unique<TPcbCoordinate>(Handle);
    case abi::kKindObjectClass:
        return std::make_unique<TPCBObjectClass>(Handle);
    case abi::kKindRule:
        return std::make_unique<TPcbRule>(Handle);
    case abi::kKindManualFromTo:
        return std::make_unique<TPcbManualFromTo>(Handle);
    case abi::kKindDifferentialPair:
        return std::make_unique<TPcbDifferentialPair>(Handle);
    case abi::kKindViolation:
        return std::make_unique<TPcbViolation>(Handle);
    case abi::kKindEmbedded:
        return std::make_unique<TPcbEmbedded>(Handle);
    case abi::kKindEmbeddedBoard:
        return std::make_unique<TPcbEmbeddedBoard>(Handle);
    case abi::kKindSplitPlane:
        return std::make_unique<TPcbSplitPlane>(Handle);
    case abi::kKindBoardOutline:
        return std::make_unique<TPcbBoardOutline>(Handle);
    default:
        return nullptr;
    }
}

std::unique_ptr<TPCBObject> WrapObject(THandle Handle) {
    std::unique_ptr<TPCBObject> Wrapper =
        NewWrapper(host::PcbApi_GetObjectIdFromObjectHandle(Handle), Handle);
    if (Wrapper) Wrapper->TransferProperties(ptRead);
    return Wrapper;
}

void SetObjectLayer(THandle Handle, TClassicLayer Layer) {
    if (Handle == 0) return;
    std::unique_ptr<TPCBObject> Wrapper = WrapObject(Handle);
    if (!Wrapper) return;
    Wrapper->SetLayer(Layer);
    Wrapper->TransferProperties(ptWrite);
}

} // namespace dxfi
