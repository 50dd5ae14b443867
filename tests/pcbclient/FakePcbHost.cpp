// SPDX-License-Identifier: MIT
#include "FakePcbHost.h"

#include "abi/PcbApi.h"

#include <cstring>
#include <initializer_list>

namespace {

TFakePcbHost& State() {
    static TFakePcbHost Host;
    return Host;
}

void Record(const char* Name, std::initializer_list<long long> Args) {
    std::string Line = Name;
    for (long long Arg : Args)
        Line += " " + std::to_string(Arg);
    State().Calls.push_back(std::move(Line));
}

// Records a query of an object's properties with the layer it was given or answers.
void RecordQuery(const char* Name, uint8_t Mode, uint32_t Object, uint32_t* Layer) {
    if (Mode == dxfi::abi::ptRead) *Layer = State().ObjectLayer;
    Record(Name, {Mode, Object});
    State().Calls.back() += " L" + std::to_string(*Layer);
}

void CopyText(char* Buffer, std::size_t Capacity, const std::string& Text) {
    std::strncpy(Buffer, Text.c_str(), Capacity - 1);
    Buffer[Capacity - 1] = '\0';
}

} // namespace

// A query of an object's properties that records its call and layer and answers 0; the
// parameters after the layer follow the name.
#define FAKE_LAYER_QUERY(Kind, ...)                                                                \
    int32_t PcbApi_Query##Kind(uint8_t Mode, uint32_t Object, uint16_t*, uint16_t*,                \
                               uint32_t* Layer, __VA_ARGS__) {                                     \
        RecordQuery("Query" #Kind, Mode, Object, Layer);                                           \
        return 0;                                                                                  \
    }

// A query that records its mode and object and answers 0; the parameters after the object
// follow the name.
#define FAKE_QUERY(Kind, ...)                                                                      \
    int32_t PcbApi_Query##Kind(uint8_t Mode, uint32_t Object, __VA_ARGS__) {                       \
        Record("Query" #Kind, {Mode, Object});                                                     \
        return 0;                                                                                  \
    }

// A query of a pad's or via's value on one layer that records its call, then fills the answer
// as the statements after the answer's type say.
#define FAKE_LAYER_ANSWER(Name, Type, ...)                                                         \
    int32_t PcbApi_##Name(uint32_t Object, uint8_t Layer, Type* Answer) {                          \
        Record(#Name, {Object, Layer});                                                            \
        __VA_ARGS__;                                                                               \
        return 0;                                                                                  \
    }

extern "C" {

DXFI_EXPORT TFakePcbHost* FakePcbHost_State() {
    return &State();
}

uint8_t PcbApi_GetObjectIdFromObjectHandle(uint32_t Object) {
    Record("GetObjectIdFromObjectHandle", {Object});
    const auto Found = State().Kinds.find(Object);
    return Found == State().Kinds.end() ? 0 : Found->second;
}

int32_t PcbApi_GetObjectBitField2(uint8_t Mode, uint32_t Object, uint8_t*) {
    Record("GetObjectBitField2", {Mode, Object});
    return 0;
}

int32_t PcbApi_GetObjectBitField3(uint8_t Mode, uint32_t Object, uint16_t*) {
    Record("GetObjectBitField3", {Mode, Object});
    return 0;
}

FAKE_LAYER_QUERY(Track, int32_t*, uint8_t*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*,
                 int32_t*, int32_t*, int32_t*, int32_t*)

int32_t PcbApi_QueryText(uint8_t Mode, uint32_t Object, uint16_t*, uint16_t*, uint32_t* Layer,
                         int32_t*, uint8_t*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*,
                         double*, uint8_t*, char* Text, int32_t*, int32_t*, int32_t*) {
    RecordQuery("QueryText", Mode, Object, Layer);
    if (Mode == dxfi::abi::ptRead) CopyText(Text, dxfi::abi::kText256, "fake text");
    return 0;
}

int32_t PcbApi_GetDesignatorDisplayString(uint8_t* Buffer, uint32_t Object) {
    Record("GetDesignatorDisplayString", {Object});
    const char Display[] = "shown";
    Buffer[0] = sizeof Display - 1;
    std::memcpy(Buffer + 1, Display, sizeof Display - 1);
    return Buffer[0];
}

int32_t PcbApi_QueryPad(uint8_t Mode, uint32_t Object, uint16_t*, uint16_t*, uint32_t* Layer,
                        int32_t*, uint8_t*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*,
                        int32_t*, int32_t*, int32_t*, int32_t*, int32_t*, uint8_t*, uint8_t*,
                        uint8_t*, char*, uint8_t*, uint8_t*, double*, char*, char*, int32_t*, char*,
                        uint8_t*, uint8_t*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*,
                        uint8_t*, uint8_t*) {
    RecordQuery("QueryPad", Mode, Object, Layer);
    return State().QueryPadResult;
}

int32_t PcbApi_QueryBoard(uint8_t Mode, uint32_t Board, int32_t*, char* FileName, uint8_t*,
                          int32_t*, int32_t*, int32_t*, int32_t*, uint8_t* DisplayUnit,
                          uint32_t* CurrentLayer, int32_t*) {
    Record("QueryBoard", {Mode, Board, *CurrentLayer});
    if (Mode == dxfi::abi::ptRead) {
        CopyText(FileName, dxfi::abi::kText256, State().FileName);
        *DisplayUnit = 1;
        *CurrentLayer = State().CurrentLayer;
    }
    return 0;
}

int32_t PcbApi_QueryBoardLayerInfo(uint8_t Mode, uint32_t Board, uint8_t Layer, uint8_t*, uint8_t*,
                                   int32_t*) {
    Record("QueryBoardLayerInfo", {Mode, Board, Layer});
    return 0;
}

int32_t PcbApi_QueryInternalPlane(uint8_t Mode, uint32_t Board, uint8_t Layer, char*, uint8_t*,
                                  int32_t*, char*, int32_t*) {
    Record("QueryInternalPlane", {Mode, Board, Layer});
    return 0;
}

#ifndef FAKE_PCB_HOST_PARTIAL

FAKE_LAYER_QUERY(Primitive, int32_t*, uint8_t*, int32_t*, int32_t*, int32_t*)

FAKE_LAYER_QUERY(Arc, int32_t*, uint8_t*, int32_t*, int32_t*, int32_t*, int32_t*, double*, double*,
                 int32_t*, int32_t*)

FAKE_LAYER_QUERY(Via, int32_t*, uint8_t*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*,
                 uint32_t*, uint32_t*, int32_t*, int32_t*)

FAKE_LAYER_QUERY(Fill, int32_t*, uint8_t*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*,
                 double*, int32_t*)

FAKE_LAYER_QUERY(Region, int32_t*, uint8_t*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*)

FAKE_LAYER_QUERY(ComponentBody, int32_t*, uint8_t*, int32_t*, int32_t*, int32_t*, int32_t*,
                 int32_t*)

FAKE_LAYER_QUERY(EmbeddedBoard, int32_t*, uint8_t*, int32_t*, int32_t*, int32_t*, int32_t*,
                 int32_t*, int32_t*, int32_t*, int32_t*, int32_t*, double*, char*)

FAKE_QUERY(NetName, char*)

FAKE_QUERY(TrueTypeTextInfo, uint8_t*, char*, uint8_t*, uint8_t*, uint8_t*, int32_t*)

FAKE_QUERY(BarCodeTextInfo, uint8_t*, uint8_t*, uint8_t*, uint8_t*)

int32_t PcbApi_QueryPadStackMode(uint8_t Mode, uint32_t Object, uint8_t* PadStackMode) {
    Record("QueryPadStackMode", {Mode, Object});
    if (Mode == dxfi::abi::ptRead) *PadStackMode = State().PadStackMode;
    return 0;
}

FAKE_LAYER_ANSWER(QueryPadOrViaShapeOnLayer, uint8_t, *Answer = State().Shapes.at(Layer))
FAKE_LAYER_ANSWER(QueryPadOrViaSizeOnLayer, int32_t, Answer[0] = 1000 + Layer;
                  Answer[1] = 2000 + Layer)
FAKE_LAYER_ANSWER(QueryPadCornerRadiusOnLayer, int32_t, *Answer = 3000 + Layer)
FAKE_LAYER_ANSWER(QueryPadCRPercentageOnLayer, uint8_t, *Answer = State().Percentages.at(Layer))

int32_t PcbApi_SetPadShapeOnLayer(uint32_t Object, uint8_t Layer, uint8_t Shape) {
    Record("SetPadShapeOnLayer", {Object, Layer, Shape});
    return 0;
}

int32_t PcbApi_SetPadSizeOnLayer(uint32_t Object, uint8_t Layer, const int32_t* Size) {
    Record("SetPadSizeOnLayer", {Object, Layer, Size[0], Size[1]});
    return 0;
}

int32_t PcbApi_SetCRPctOnLayer(uint32_t Object, uint8_t Layer, uint8_t Percentage) {
    Record("SetCRPctOnLayer", {Object, Layer, Percentage});
    return 0;
}

FAKE_QUERY(ComponentChannelOffset, int32_t*)

FAKE_QUERY(ComponentKind, int32_t*)

int32_t PcbApi_QueryComponent(uint8_t Mode, uint32_t Object, uint16_t*, uint16_t*,
                              uint8_t* ClassicLayer, uint8_t*, uint32_t*, uint32_t*, char*,
                              uint8_t*, uint8_t*, int32_t*, int32_t*, int32_t*, double*, uint8_t*) {
    if (Mode == dxfi::abi::ptRead) *ClassicLayer = State().ComponentLayer;
    Record("QueryComponent", {Mode, Object});
    State().Calls.back() += " L" + std::to_string(*ClassicLayer);
    return 0;
}

FAKE_QUERY(ComponentEx, int32_t*, uint8_t*, uint8_t*, int32_t*)

FAKE_QUERY(ComponentSourceLinks, char*, char*, char*, char*, char*, char*, char*, char*)

FAKE_QUERY(DefaultPCB3DModel, char*)

uint32_t PcbApi_CreateIterator(uint32_t Container, uint8_t Kind, int32_t Reserved, uint32_t Layer) {
    Record("CreateIterator", {Container, Kind, Reserved, Layer});
    // The iterator handle packs the (kind, layer) key and the position.
    return (static_cast<uint32_t>(Kind) << 24) | (Layer << 8);
}

namespace {
uint32_t Child(uint32_t Iterator) {
    const auto Key = std::make_pair(static_cast<uint8_t>(Iterator >> 24), (Iterator >> 8) & 0xFFFF);
    const auto Found = State().Children.find(Key);
    const uint32_t Position = Iterator & 0xFF;
    if (Found == State().Children.end() || Position >= Found->second.size()) return 0;
    return Found->second[Position];
}
std::map<uint32_t, uint32_t> Positions; // iterator -> next position
} // namespace

uint32_t PcbApi_GetFirstObject(uint32_t Iterator) {
    Positions[Iterator] = 1;
    return Child(Iterator);
}

uint32_t PcbApi_GetNextObject(uint32_t Iterator) {
    return Child(Iterator | Positions[Iterator]++);
}

int32_t PcbApi_DestroyIterator(uint32_t Iterator) {
    Positions.erase(Iterator);
    Record("DestroyIterator", {Iterator >> 24, (Iterator >> 8) & 0xFFFF});
    return 0;
}

int32_t PcbApi_QueryLayer(uint8_t Mode, uint32_t Board, uint8_t Layer, char*, uint8_t*, int32_t*,
                          int32_t*) {
    Record("QueryLayer", {Mode, Board, Layer});
    return 0;
}

int32_t PcbApi_QueryLayerDielectric(uint8_t Mode, uint32_t Board, uint8_t Layer, char*, uint8_t*,
                                    double*, int32_t*) {
    Record("QueryLayerDielectric", {Mode, Board, Layer});
    return 0;
}

int32_t PcbApi_QueryBoardSplitPlaneMode(uint8_t Mode, uint32_t Board, uint8_t*) {
    Record("QueryBoardSplitPlaneMode", {Mode, Board});
    return 0;
}

#define FAKE_RECORD_OPTION(name)                                                                   \
    int32_t PcbApi_##name(uint8_t Mode, uint32_t Board, uint8_t*) {                                \
        Record(#name, {Mode, Board});                                                              \
        return 0;                                                                                  \
    }
#define FAKE_RECORD_INDEXED_OPTION(name)                                                           \
    int32_t PcbApi_##name(uint8_t Mode, uint32_t Board, int32_t Index, uint8_t*) {                 \
        Record(#name, {Mode, Board, Index});                                                       \
        return 0;                                                                                  \
    }
FAKE_RECORD_OPTION(QueryBoardGridsEx)
FAKE_RECORD_OPTION(QueryBoardOutputOptions)
FAKE_RECORD_INDEXED_OPTION(QueryBoardOutputOptionsPlotLayers)
FAKE_RECORD_INDEXED_OPTION(QueryBoardOutputOptionsFlipLayers)
FAKE_RECORD_OPTION(QueryBoardGerberOptions)
FAKE_RECORD_OPTION(QueryBoardPrinterOptions)
FAKE_RECORD_INDEXED_OPTION(QueryBoardPrinterOptionsPlotterPen)
FAKE_RECORD_INDEXED_OPTION(QueryBoardPrinterOptionsCompositeLayer)
FAKE_RECORD_OPTION(QueryBoardAdvancedPlacerOptions)
FAKE_RECORD_OPTION(QueryBoardEngineeringChangeOrderOptions)

int32_t PcbApi_QueryBoardLayerPairsCount(uint32_t Board, int32_t* Count, uint8_t Mode) {
    if (Mode == dxfi::abi::ptRead) *Count = State().LayerPairCount;
    Record("QueryBoardLayerPairsCount", {Board, *Count, Mode});
    return State().LayerPairCountResult;
}

int32_t PcbApi_QueryBoardLayerPairAt(uint8_t Mode, uint32_t Board, int32_t Index,
                                     uint32_t* LowLayer, uint32_t* HighLayer, uint8_t*, uint8_t*) {
    if (Mode == dxfi::abi::ptRead) {
        *LowLayer = 1;
        *HighLayer = 32;
    }
    Record("QueryBoardLayerPairAt", {Mode, Board, Index});
    return 0;
}

int32_t PcbApi_QueryBoardExternalDielectrics(uint8_t Mode, uint32_t Board, char*, uint8_t*, double*,
                                             int32_t*, char*, uint8_t*, double*, int32_t*) {
    Record("QueryBoardExternalDielectrics", {Mode, Board});
    return 0;
}

#endif

} // extern "C"
