// SPDX-License-Identifier: MIT
// The wrapper of the open board: file name, display unit, current layer, one layer object per
// classic layer 1..82, the layer pairs, and every other board value carried from reading to
// writing unchanged. It lives for one import. A CurrentLayer the host reports outside the
// layer partitions raises EAssertionFailure.
#pragma once

#include "abi/PcbServer.h"
#include "pcbclient/PcbObject.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace dxfi {

// A dielectric layer's material and build; the defaults are the host's for a new board.
struct TDielectric {
    std::string Material = "FR-4"; // at most 255 bytes
    uint8_t DielectricKind = 1;
    double Constant = 4.8;
    TBoardCoord Height = 126000; // 12.6 mil
};

// The board's record of one classic layer, named by default after its classic identifier.
class TLayerObject : public TObject {
public:
    TLayerObject(THandle Board, TClassicLayer Layer);
    // The layer record, then its dielectric.
    virtual int32_t TransferProperties(TPropertyTransfer Mode);

    THandle Board = 0;
    TClassicLayer Layer = TClassicLayer::NoLayer;
    std::string Name; // at most 20 bytes
    uint8_t Shown = 0;
    TBoardCoord CopperThickness = 14000; // 1.4 mil
    int32_t Value1 = 0;
    // The board's per-layer information value (PcbApi_QueryBoardLayerInfo).
    int32_t Info = 0;
    TDielectric Dielectric;

protected:
    int32_t TransferDielectric(TPropertyTransfer Mode);
};

// The record of an internal plane (classic layers 39..54) adds the plane's net.
class TInternalPlane : public TLayerObject {
public:
    TInternalPlane(THandle Board, TClassicLayer Layer) : TLayerObject(Board, Layer) {}
    int32_t TransferProperties(TPropertyTransfer Mode) override;

    std::string NetName = "(No Net)"; // at most 255 bytes
    TBoardCoord PullBackDistance = 0;
};

// A drill pair: the two layers a drill connects.
class TPcblayerPair : public TObject {
public:
    TV7_Layer LowLayer = NoLayer;
    TV7_Layer HighLayer = NoLayer;
    uint8_t DrillGuide = 0;
    uint8_t DrillDrawing = 0;
};

class TPcbBoard : public TObject {
public:
    using TOptionRecord = std::array<uint8_t, abi::kBoardOptionRecordSize>;

    // Creates the layer objects with their defaults; does not talk to the host.
    explicit TPcbBoard(THandle Handle);
    // The board record, layer information, layer objects, options, layer pairs and external
    // dielectrics, in this order. Reading replaces the layer pairs.
    virtual int32_t TransferProperties(TPropertyTransfer Mode);

    // The host's interface to this board (borrowed); nullptr without a PCB server or when
    // the server does not know the board.
    abi::IPCB_Board* GetBoardInterface() const;

    // The layer object of a classic layer 1..82 (TInternalPlane for 39..54); other layers
    // raise EAssertionFailure.
    TLayerObject& LayerObject(TClassicLayer Layer);
    const TLayerObject& LayerObject(TClassicLayer Layer) const;

    THandle Handle = 0;
    int32_t Value0 = 0;
    std::string FileName; // at most 255 bytes
    uint8_t Byte1 = 0;
    int32_t Value1 = 0;
    int32_t Value2 = 0;
    int32_t Value3 = 0;
    int32_t Value4 = 0;
    bool DisplayUnit = false; // true: mils, false: millimetres
    TClassicLayer CurrentLayer = TClassicLayer::NoLayer;
    int32_t Value5 = 0;

    uint8_t SplitPlaneMode = 1;
    TOptionRecord Grids{};
    TOptionRecord OutputOptions{};
    std::vector<TOptionRecord> PlotLayers; // indexes 1..109 at 0..108
    std::vector<TOptionRecord> FlipLayers; // indexes 1..109 at 0..108
    TOptionRecord GerberOptions{};
    TOptionRecord PrinterOptions{};
    std::vector<TOptionRecord> PlotterPens;     // indexes 1..109 at 0..108
    std::vector<TOptionRecord> CompositeLayers; // indexes 1..109 at 0..108
    TOptionRecord PlacerOptions{};
    TOptionRecord ChangeOrderOptions{};

    std::vector<std::unique_ptr<TPcblayerPair>> LayerPairs;

    TDielectric TopDielectric;
    TDielectric BottomDielectric;

private:
    void TransferOptions(TPropertyTransfer Mode);
    void TransferLayerPairs(TPropertyTransfer Mode);

    std::array<std::unique_ptr<TLayerObject>, kClassicLayerCount> Layers_; // 0 unused
};

} // namespace dxfi
