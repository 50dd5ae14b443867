// SPDX-License-Identifier: MIT
#include "pcbclient/PcbBoard.h"

#include "base/Assertion.h"
#include "pcbclient/PcbApiBinding.h"
#include "pcbclient/TransferText.h"

namespace dxfi {
namespace {

constexpr const char* kModule = "RT_PCB";
constexpr int kFirstBoardLayer = 1;
constexpr int kLastBoardLayer = kClassicLayerCount - 1;
constexpr int kFirstPlane = static_cast<int>(TClassicLayer::InternalPlane1);
constexpr int kLastPlane = static_cast<int>(TClassicLayer::InternalPlane16);
constexpr std::size_t kLayerNameMax = abi::kText21 - 1;

uint8_t ClassicByte(TClassicLayer Layer) {
    return static_cast<uint8_t>(Layer);
}

// Sends or fills indexed option records 1..Records.size() with one host function.
template <typename TFunction>
void TransferIndexed(TFunction Function, TPropertyTransfer Mode, THandle Board,
                     std::vector<TPcbBoard::TOptionRecord>& Records) {
    for (std::size_t Index = 0; Index < Records.size(); ++Index)
        Function(Mode, Board, static_cast<int32_t>(Index + 1), Records[Index].data());
}

} // namespace

TLayerObject::TLayerObject(THandle Board, TClassicLayer Layer)
    : Board(Board), Layer(Layer), Name(ClassicLayerName(Layer)) {}

int32_t TLayerObject::TransferProperties(TPropertyTransfer Mode) {
    TText21 NameBuffer(Name);
    host::PcbApi_QueryLayer(Mode, Board, ClassicByte(Layer), NameBuffer.Data, &Shown,
                            &CopperThickness, &Value1);
    NameBuffer.Store(Mode, Name, kLayerNameMax);
    return TransferDielectric(Mode);
}

int32_t TLayerObject::TransferDielectric(TPropertyTransfer Mode) {
    TText256 Material(Dielectric.Material);
    const int32_t Result = host::PcbApi_QueryLayerDielectric(
        Mode, Board, ClassicByte(Layer), Material.Data, &Dielectric.DielectricKind,
        &Dielectric.Constant, &Dielectric.Height);
    Material.Store(Mode, Dielectric.Material, kShortStringMax);
    return Result;
}

int32_t TInternalPlane::TransferProperties(TPropertyTransfer Mode) {
    TText21 NameBuffer(Name);
    TText256 Net(NetName);
    host::PcbApi_QueryInternalPlane(Mode, Board, ClassicByte(Layer), NameBuffer.Data, &Shown,
                                    &CopperThickness, Net.Data, &PullBackDistance);
    NameBuffer.Store(Mode, Name, kLayerNameMax);
    Net.Store(Mode, NetName, kShortStringMax);
    return TransferDielectric(Mode);
}

TPcbBoard::TPcbBoard(THandle Handle)
    : Handle(Handle), PlotLayers(abi::kPlotLayerCount), FlipLayers(abi::kPlotLayerCount),
      PlotterPens(abi::kPlotterPenCount), CompositeLayers(abi::kCompositeLayerCount) {
    for (int Index = kFirstBoardLayer; Index <= kLastBoardLayer; ++Index) {
        const auto Layer = static_cast<TClassicLayer>(Index);
        if (Index >= kFirstPlane && Index <= kLastPlane)
            Layers_[Index] = std::make_unique<TInternalPlane>(Handle, Layer);
        else
            Layers_[Index] = std::make_unique<TLayerObject>(Handle, Layer);
    }
}

TLayerObject& TPcbBoard::LayerObject(TClassicLayer Layer) {
    const auto Index = static_cast<std::size_t>(Layer);
    Assert(Index < Layers_.size() && Layers_[Index] != nullptr, kModule);
    return *Layers_[Index];
}

const TLayerObject& TPcbBoard::LayerObject(TClassicLayer Layer) const {
    return const_cast<TPcbBoard*>(this)->LayerObject(Layer);
}

int32_t TPcbBoard::TransferProperties(TPropertyTransfer Mode) {
    TText256 FileBuffer(FileName);
    uint8_t UnitByte = DisplayUnit ? 1 : 0;
    TV7_Layer Current = ClassicToLayer(CurrentLayer);
    const int32_t Result =
        host::PcbApi_QueryBoard(Mode, Handle, &Value0, FileBuffer.Data, &Byte1, &Value1, &Value2,
                                &Value3, &Value4, &UnitByte, &Current, &Value5);
    FileBuffer.Store(Mode, FileName, kShortStringMax);
    if (Mode == ptRead) DisplayUnit = UnitByte != 0;
    CurrentLayer = ClampToClassicLayer(Current);

    for (int Index = kFirstBoardLayer; Index <= kLastBoardLayer; ++Index) {
        uint8_t Scratch = 0;
        host::PcbApi_QueryBoardLayerInfo(Mode, Handle, static_cast<uint8_t>(Index), &Scratch,
                                         &Scratch, &Layers_[Index]->Info);
    }
    for (int Index = kFirstBoardLayer; Index <= kLastBoardLayer; ++Index)
        Layers_[Index]->TransferProperties(Mode);

    TransferOptions(Mode);
    TransferLayerPairs(Mode);

    TText256 TopMaterial(TopDielectric.Material);
    TText256 BottomMaterial(BottomDielectric.Material);
    host::PcbApi_QueryBoardExternalDielectrics(
        Mode, Handle, TopMaterial.Data, &TopDielectric.DielectricKind, &TopDielectric.Constant,
        &TopDielectric.Height, BottomMaterial.Data, &BottomDielectric.DielectricKind,
        &BottomDielectric.Constant, &BottomDielectric.Height);
    TopMaterial.Store(Mode, TopDielectric.Material, kShortStringMax);
    BottomMaterial.Store(Mode, BottomDielectric.Material, kShortStringMax);
    return Result;
}

void TPcbBoard::TransferOptions(TPropertyTransfer Mode) {
    host::PcbApi_QueryBoardSplitPlaneMode(Mode, Handle, &SplitPlaneMode);
    host::PcbApi_QueryBoardGridsEx(Mode, Handle, Grids.data());
    host::PcbApi_QueryBoardOutputOptions(Mode, Handle, OutputOptions.data());
    for (std::size_t Index = 0; Index < PlotLayers.size() && Index < FlipLayers.size(); ++Index) {
        const auto Number = static_cast<int32_t>(Index + 1);
        host::PcbApi_QueryBoardOutputOptionsPlotLayers(Mode, Handle, Number,
                                                       PlotLayers[Index].data());
        host::PcbApi_QueryBoardOutputOptionsFlipLayers(Mode, Handle, Number,
                                                       FlipLayers[Index].data());
    }
    host::PcbApi_QueryBoardGerberOptions(Mode, Handle, GerberOptions.data());
    host::PcbApi_QueryBoardPrinterOptions(Mode, Handle, PrinterOptions.data());
    TransferIndexed(host::PcbApi_QueryBoardPrinterOptionsPlotterPen, Mode, Handle, PlotterPens);
    TransferIndexed(host::PcbApi_QueryBoardPrinterOptionsCompositeLayer, Mode, Handle,
                    CompositeLayers);
    host::PcbApi_QueryBoardAdvancedPlacerOptions(Mode, Handle, PlacerOptions.data());
    host::PcbApi_QueryBoardEngineeringChangeOrderOptions(Mode, Handle, ChangeOrderOptions.data());
}

void TPcbBoard::TransferLayerPairs(TPropertyTransfer Mode) {
    if (Mode == ptRead) {
        LayerPairs.clear();
        int32_t Count = 0;
        if (host::PcbApi_QueryBoardLayerPairsCount(Handle, &Count, ptRead) != 0) return;
        for (int32_t Index = 0; Index < Count; ++Index) {
            auto Pair = std::make_unique<TPcblayerPair>();
            host::PcbApi_QueryBoardLayerPairAt(Mode, Handle, Index, &Pair->LowLayer,
                                               &Pair->HighLayer, &Pair->DrillGuide,
                                               &Pair->DrillDrawing);
            LayerPairs.push_back(std::move(Pair));
        }
        return;
    }
    auto Count = static_cast<int32_t>(LayerPairs.size());
    host::PcbApi_QueryBoardLayerPairsCount(Handle, &Count, ptWrite);
    for (std::size_t Index = 0; Index < LayerPairs.size(); ++Index) {
        TPcblayerPair& Pair = *LayerPairs[Index];
        host::PcbApi_QueryBoardLayerPairAt(Mode, Handle, static_cast<int32_t>(Index),
                                           &Pair.LowLayer, &Pair.HighLayer, &Pair.DrillGuide,
                                           &Pair.DrillDrawing);
    }
}

abi::IPCB_Board* TPcbBoard::GetBoardInterface() const {
    abi::IPCB_ServerInterface* Server = GetPcbServer();
    if (!Server) return nullptr;
    void* Board = nullptr;
    if (Server->GetPCBBoardByBoardHandle(Handle, abi::IID_IPCB_Board, &Board) != abi::kOk)
        return nullptr;
    return static_cast<abi::IPCB_Board*>(Board);
}

} // namespace dxfi
