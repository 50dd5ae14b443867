// SPDX-License-Identifier: MIT
// Wrappers of the simple host primitives (tracks, arcs, vias, fills, regions, component
// bodies, embedded boards) and of the objects that exchange only the base properties (nets
// add their name). Texts, pads and components have their own headers.
#pragma once

#include "pcbclient/PcbObject.h"

#include <string>

namespace dxfi {

class TPcbTrack : public TPCBObject {
public:
    explicit TPcbTrack(THandle Handle) : TPCBObject(Handle, abi::kKindTrack) {}
    int32_t TransferProperties(TPropertyTransfer Mode) override;

    TBoardCoord X2 = 0;
    TBoardCoord Y2 = 0;
    TBoardCoord Width = 0;
    int32_t Value1 = 0;
    int32_t Value2 = 0;
    int32_t Value3 = 0;
};

// X, Y is the centre; angles in degrees.
class TPcbArc : public TPCBObject {
public:
    explicit TPcbArc(THandle Handle) : TPCBObject(Handle, abi::kKindArc) {}
    int32_t TransferProperties(TPropertyTransfer Mode) override;

    TBoardCoord Radius = 0;
    double StartAngle = 0;
    double EndAngle = 0;
    TBoardCoord Width = 0;
    int32_t Value1 = 0;
};

class TPcbVia : public TPCBObject {
public:
    explicit TPcbVia(THandle Handle) : TPCBObject(Handle, abi::kKindVia) {}
    int32_t TransferProperties(TPropertyTransfer Mode) override;

    TBoardCoord Size = 0;
    TBoardCoord HoleSize = 0;
    TV7_Layer LowLayer = NoLayer;
    TV7_Layer HighLayer = NoLayer;
    int32_t Value1 = 0;
    int32_t Value2 = 0;
};

// X, Y and X2, Y2 are opposite corners; rotation in degrees.
class TPcbFill : public TPCBObject {
public:
    explicit TPcbFill(THandle Handle) : TPCBObject(Handle, abi::kKindFill) {}
    int32_t TransferProperties(TPropertyTransfer Mode) override;

    TBoardCoord X2 = 0;
    TBoardCoord Y2 = 0;
    double Rotation = 0;
    int32_t Value1 = 0;
};

// The outline is reached through the server interfaces, not through this wrapper.
class TPCBRegion : public TPCBObject {
public:
    explicit TPCBRegion(THandle Handle) : TPCBObject(Handle, abi::kKindRegion) {}
    int32_t TransferProperties(TPropertyTransfer Mode) override;

    int32_t RegionKind = 0;
    int32_t Value1 = 0;
};

class TPcbComponentBody : public TPCBObject {
public:
    explicit TPcbComponentBody(THandle Handle) : TPCBObject(Handle, abi::kKindComponentBody) {}
    int32_t TransferProperties(TPropertyTransfer Mode) override;

    TBoardCoord Height = 0;
    int32_t Value1 = 0;
};

class TPcbEmbeddedBoard : public TPCBObject {
public:
    explicit TPcbEmbeddedBoard(THandle Handle) : TPCBObject(Handle, abi::kKindEmbeddedBoard) {}
    int32_t TransferProperties(TPropertyTransfer Mode) override;

    TBoardCoord X2 = 0;
    TBoardCoord Y2 = 0;
    int32_t RowCount = 0;
    int32_t ColumnCount = 0;
    TBoardCoord RowSpacing = 0;
    TBoardCoord ColumnSpacing = 0;
    double Rotation = 0;
    std::string DocumentPath; // at most 255 bytes
};

// Objects that exchange their base's properties alone: only the kind tells them apart.
template <TPcbObjectKind TKind, class TBase = TPCBObject> class TPcbPlainObject : public TBase {
public:
    explicit TPcbPlainObject(THandle Handle) : TBase(Handle, TKind) {}
};

using TPcbFromTo = TPcbPlainObject<abi::kKindFromTo>;
using TPCBObjectClass = TPcbPlainObject<abi::kKindObjectClass>;
using TPcbRule = TPcbPlainObject<abi::kKindRule>;
using TPcbManualFromTo = TPcbPlainObject<abi::kKindManualFromTo>;
using TPcbDifferentialPair = TPcbPlainObject<abi::kKindDifferentialPair>;
using TPcbViolation = TPcbPlainObject<abi::kKindViolation>;
using TPcbEmbedded = TPcbPlainObject<abi::kKindEmbedded>;
using TPcbCoordinate = TPcbPlainObject<abi::kKindCoordinate, TPcbGroupObject>;
using TPcbDimension = TPcbPlainObject<abi::kKindDimension, TPcbGroupObject>;
using TPcbSplitPlane = TPcbPlainObject<abi::kKindSplitPlane, TPcbGroupObject>;

class TPcbPolygon : public TPcbGroupObject {
public:
    explicit TPcbPolygon(THandle Handle) : TPcbGroupObject(Handle, abi::kKindPolygon) {}

protected:
    TPcbPolygon(THandle Handle, TPcbObjectKind Kind) : TPcbGroupObject(Handle, Kind) {}
};

using TPcbBoardOutline = TPcbPlainObject<abi::kKindBoardOutline, TPcbPolygon>;

class TPcbNet : public TPcbGroupObject {
public:
    explicit TPcbNet(THandle Handle) : TPcbGroupObject(Handle, abi::kKindNet) {}
    // The base properties, then the name.
    int32_t TransferProperties(TPropertyTransfer Mode) override;

    std::string Name; // at most 255 bytes
};

} // namespace dxfi
