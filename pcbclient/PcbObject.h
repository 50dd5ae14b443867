// SPDX-License-Identifier: MIT
// Client-side wrappers of host board objects: a wrapper holds a copy of one host object's
// properties in plain fields, is filled from the host (ptRead), changed, written back
// (ptWrite, ptUpdate) and freed while the host object lives on. Host functions that are
// missing leave the fields as they were. GetClassicLayer (and so a component's transfer)
// raises EAssertionFailure for a Layer that is a group or no layer at all, and ELayerException
// for the pad masters and DRC details, which have no classic number.
#pragma once

#include "abi/PcbApi.h"
#include "pcbclient/BoardUnits.h"
#include "pcbclient/Layers.h"

#include <cstdint>

namespace dxfi {

using THandle = abi::THandle;
using abi::ptRead;
using abi::ptUpdate;
using abi::ptWrite;
using abi::TPropertyTransfer;

// The host's object kind codes (abi::kKind*), one byte.
using TPcbObjectKind = uint8_t;

// Bit n stands for kind n: arcs, pads, vias, tracks, texts, fills, regions, component bodies
// and embedded boards.
inline constexpr uint32_t PrimitiveKinds =
    (1u << abi::kKindArc) | (1u << abi::kKindPad) | (1u << abi::kKindVia) |
    (1u << abi::kKindTrack) | (1u << abi::kKindText) | (1u << abi::kKindFill) |
    (1u << abi::kKindRegion) | (1u << abi::kKindComponentBody) | (1u << abi::kKindEmbeddedBoard);

class TObject {
public:
    virtual ~TObject() = default;
};

// The base of the primitive wrappers. Every field but Handle and Kind is a copy of a host
// property; unnamed host values are carried from reading to writing unchanged.
class TPCBObject : public TObject {
public:
    // ptRead fills every field from the host; ptWrite and ptUpdate send every field. The
    // result is the host's status of the class's main property query (0 on success).
    virtual int32_t TransferProperties(TPropertyTransfer Mode);
    // Layer := the classic layer's TV7_Layer.
    virtual void SetLayer(TClassicLayer Classic);
    // Layer as a classic layer, numbered layers beyond the classic range clamped to the last
    // of their kind (mid -> MidLayer30, plane -> InternalPlane16, mechanical -> Mechanical16).
    TClassicLayer GetClassicLayer() const;

    THandle Handle = 0;
    TPcbObjectKind Kind = 0;
    TBoardCoord X = 0;
    TBoardCoord Y = 0;
    uint16_t Flags = 0;
    uint8_t BitField2 = 0;
    uint16_t BitField3 = 0;
    uint16_t PrimWord = 0;
    uint8_t PrimByte = 0;
    int32_t PrimLongA = 0;
    int32_t PrimLongB = 0;
    TV7_Layer Layer = NoLayer;

protected:
    // Every wrapper's constructor stores its handle and kind and does not talk to the host.
    TPCBObject(THandle Handle, TPcbObjectKind Kind) : Handle(Handle), Kind(Kind) {}

    // The two bit fields every primitive exchanges first.
    int32_t TransferBitFields(TPropertyTransfer Mode);
    // The bit fields and the base properties alone (PcbApi_QueryPrimitive).
    int32_t TransferPrimitive(TPropertyTransfer Mode);
};

// The base of the wrappers of objects that group others (components, polygons, nets...).
class TPcbGroupObject : public TPCBObject {
public:
protected:
    TPcbGroupObject(THandle Handle, TPcbObjectKind Kind) : TPCBObject(Handle, Kind) {}
};

} // namespace dxfi
