// SPDX-License-Identifier: MIT
// The flat PcbApi_ functions over the board model. Every function checks its handle and mode
// first and changes nothing when they name nothing it can serve; none lets an exception out.
#include "abi/PcbApi.h"

#include "host/korrin/BoardModel.h"
#include "host/korrin/HostCallbacks.h"
#include "host/korrin/HostLayers.h"
#include "host/korrin/HostText.h"

#include <algorithm>
#include <cstring>

using namespace dxfi::korrin;
namespace abi = dxfi::abi;

namespace {

constexpr int32_t kOkStatus = 0;
constexpr int32_t kRefused = 1;
constexpr int kMaxLayerPairs = 4096;

bool ValidMode(uint8_t mode) {
    return mode <= abi::ptUpdate;
}
bool Reading(uint8_t mode) {
    return mode == abi::ptRead;
}

template <class T> void Xfer(uint8_t mode, T& field, T* value) {
    if (Reading(mode))
        *value = field;
    else
        field = *value;
}

void XferText(uint8_t mode, std::string& field, char* buffer, size_t size, size_t maxBytes) {
    if (Reading(mode))
        CopyOut(CutUtf8(field, maxBytes), buffer, size);
    else
        field = CopyIn(buffer, size, maxBytes);
}

// The primitive of that kind (any kind when kind is 0), or null.
TObject* Primitive(uint32_t handle, uint8_t kind = 0) {
    TObject* o = Store().FindPrimitive(handle);
    if (!o || (kind != 0 && o->Kind != kind)) return nullptr;
    return o;
}

void XferBase(uint8_t mode, TObject& o, uint16_t* flags, uint16_t* primWord, uint32_t* layer,
              int32_t* primLongA, uint8_t* primByte, int32_t* primLongB, int32_t* x, int32_t* y) {
    Xfer(mode, o.Flags, flags);
    Xfer(mode, o.PrimWord, primWord);
    if (Reading(mode))
        *layer = o.LayerValue;
    else
        Store().SetLayer(o, *layer);
    Xfer(mode, o.PrimLongA, primLongA);
    Xfer(mode, o.PrimByte, primByte);
    Xfer(mode, o.PrimLongB, primLongB);
    Xfer(mode, o.X, x);
    Xfer(mode, o.Y, y);
}

TObject* Board(uint32_t handle) {
    return Store().FindBoard(handle);
}
TBoardData& BoardData(TObject& board) {
    return *board.As<TBoardData>();
}

void XferDielectric(uint8_t mode, TDielectric& d, char* material, uint8_t* kind, double* constant,
                    int32_t* height) {
    XferText(mode, d.Material, material, abi::kText256, 255);
    Xfer(mode, d.Kind, kind);
    Xfer(mode, d.Constant, constant);
    Xfer(mode, d.Height, height);
}

int32_t XferRecord(uint8_t mode, uint32_t board, int kind, uint8_t* record) {
    TObject* b = Board(board);
    if (!b || !ValidMode(mode)) return kRefused;
    auto& r = BoardData(*b).Options[kind];
    if (Reading(mode))
        std::memcpy(record, r.data(), r.size());
    else
        std::memcpy(r.data(), record, r.size());
    return kOkStatus;
}

int32_t XferIndexedRecord(uint8_t mode, uint32_t board, int kind, int32_t index, uint8_t* record) {
    TObject* b = Board(board);
    if (!b || !ValidMode(mode) || index < 0 || index >= kIndexedRecordLimit) return kRefused;
    auto& table = BoardData(*b).IndexedOptions[kind];
    if (Reading(mode)) {
        auto it = table.find(index);
        if (it == table.end())
            std::memset(record, 0, abi::kBoardOptionRecordSize);
        else
            std::memcpy(record, it->second.data(), abi::kBoardOptionRecordSize);
    } else {
        TOptionRecord r;
        std::memcpy(r.data(), record, r.size());
        if (std::all_of(r.begin(), r.end(), [](uint8_t v) { return v == 0; }))
            table.erase(index);
        else
            table[index] = r;
    }
    return kOkStatus;
}

bool ValidClassic(uint8_t layer) {
    return layer < kClassicLayerCount;
}

} // namespace

// Exports that allocate run their body through KORRIN_GUARD: an exception (only std::bad_alloc can
// arise) becomes the refusal value instead of crossing the C boundary.
#define KORRIN_GUARD(refusal, ...)                                                                 \
    try {                                                                                          \
        __VA_ARGS__                                                                                \
    } catch (...) {                                                                                \
        return refusal;                                                                            \
    }

extern "C" {

uint32_t PcbApi_GetCurrentBoardHandle(void) {
    return Store().FindBoard(Store().CurrentBoard) ? Store().CurrentBoard : 0;
}

uint32_t PcbApi_CreateObject(uint8_t kind){KORRIN_GUARD(0u,
                                                        {
                                                            TObject* o = Store().Create(kind);
                                                            return o ? o->Id : 0u;
                                                        })}

uint32_t
    PcbApi_ReplicateObject(uint32_t object){KORRIN_GUARD(0u,
                                                         {
                                                             TObject* o =
                                                                 Store().FindPrimitive(object);
                                                             if (!o) return 0u;
                                                             TObject* copy = Store().Replicate(*o);
                                                             return copy ? copy->Id : 0u;
                                                         })}

int32_t PcbApi_DestroyObject(uint32_t object) {
    TObject* o = Store().FindPrimitive(object);
    // A component's own texts go with the component, never alone.
    if (!o || Store().IsOwnedText(*o)) return kRefused;
    Store().Destroy(*o);
    return kOkStatus;
}

int32_t PcbApi_AddObjectToContainer(uint32_t container, uint32_t object) {
    TObject* c = Store().Find(container);
    TObject* o = Store().FindPrimitive(object);
    if (!c || !o) return kRefused;
    KORRIN_GUARD(kRefused, { return Store().AddToContainer(*c, *o) ? kOkStatus : kRefused; })
}

int32_t PcbApi_DeleteObjectFromComponent(uint32_t component, uint32_t object) {
    TObject* c = Primitive(component, abi::kKindComponent);
    TObject* o = Store().FindPrimitive(object);
    if (!c || !o || o->Container != c->Id) return kRefused;
    Store().RemoveFromContainer(*o);
    return kOkStatus;
}

uint32_t PcbApi_CreateIterator(uint32_t container, uint8_t kind, int32_t, uint32_t layer){
    KORRIN_GUARD(0u, { return Store().CreateIterator(container, kind, layer); })}

uint32_t PcbApi_GetFirstObject(uint32_t iterator) {
    return Store().IteratorFirst(iterator);
}
uint32_t PcbApi_GetNextObject(uint32_t iterator) {
    return Store().IteratorNext(iterator);
}
int32_t PcbApi_DestroyIterator(uint32_t iterator) {
    return Store().DestroyIterator(iterator) ? kOkStatus : kRefused;
}

uint8_t PcbApi_GetObjectIdFromObjectHandle(uint32_t object) {
    TObject* o = Store().FindPrimitive(object);
    return o ? o->Kind : 0;
}

void PcbApi_Percent_Init(const uint8_t* caption, int32_t total) {
    auto& cb = HostCallbacks();
    if (!cb.ProgressInit) return;
    try {
        std::string text;
        if (caption) text.assign(reinterpret_cast<const char*>(caption + 1), caption[0]);
        cb.ProgressInit(cb.ProgressContext, text.c_str(), total);
    } catch (...) {
    }
}

void PcbApi_Percent_Update(void) {
    auto& cb = HostCallbacks();
    if (cb.ProgressUpdate) cb.ProgressUpdate(cb.ProgressContext);
}

void PcbApi_Percent_Finish(void) {
    auto& cb = HostCallbacks();
    if (cb.ProgressFinish) cb.ProgressFinish(cb.ProgressContext);
}

int32_t PcbApi_GetObjectBitField2(uint8_t mode, uint32_t object, uint8_t* bitField2) {
    TObject* o = Primitive(object);
    if (!o || !ValidMode(mode)) return kRefused;
    Xfer(mode, o->BitField2, bitField2);
    return kOkStatus;
}

int32_t PcbApi_GetObjectBitField3(uint8_t mode, uint32_t object, uint16_t* bitField3) {
    TObject* o = Primitive(object);
    if (!o || !ValidMode(mode)) return kRefused;
    Xfer(mode, o->BitField3, bitField3);
    return kOkStatus;
}

int32_t PcbApi_QueryPrimitive(uint8_t mode, uint32_t object, uint16_t* flags, uint16_t* primWord,
                              uint32_t* layer, int32_t* primLongA, uint8_t* primByte,
                              int32_t* primLongB, int32_t* x, int32_t* y) {
    TObject* o = Primitive(object);
    if (!o || !ValidMode(mode)) return kRefused;
    KORRIN_GUARD(kRefused, {
        XferBase(mode, *o, flags, primWord, layer, primLongA, primByte, primLongB, x, y);
        return kOkStatus;
    })
}

int32_t PcbApi_QueryTrack(uint8_t mode, uint32_t object, uint16_t* flags, uint16_t* primWord,
                          uint32_t* layer, int32_t* primLongA, uint8_t* primByte,
                          int32_t* primLongB, int32_t* x, int32_t* y, int32_t* x2, int32_t* y2,
                          int32_t* width, int32_t* value1, int32_t* value2, int32_t* value3) {
    TObject* o = Primitive(object, abi::kKindTrack);
    if (!o || !ValidMode(mode)) return kRefused;
    KORRIN_GUARD(kRefused, {
        XferBase(mode, *o, flags, primWord, layer, primLongA, primByte, primLongB, x, y);
        auto* d = o->As<TTrackData>();
        Xfer(mode, d->X2, x2);
        Xfer(mode, d->Y2, y2);
        Xfer(mode, d->Width, width);
        Xfer(mode, d->Value1, value1);
        Xfer(mode, d->Value2, value2);
        Xfer(mode, d->Value3, value3);
        return kOkStatus;
    })
}

int32_t PcbApi_QueryArc(uint8_t mode, uint32_t object, uint16_t* flags, uint16_t* primWord,
                        uint32_t* layer, int32_t* primLongA, uint8_t* primByte, int32_t* primLongB,
                        int32_t* x, int32_t* y, int32_t* radius, double* startAngle,
                        double* endAngle, int32_t* width, int32_t* value1) {
    TObject* o = Primitive(object, abi::kKindArc);
    if (!o || !ValidMode(mode)) return kRefused;
    KORRIN_GUARD(kRefused, {
        XferBase(mode, *o, flags, primWord, layer, primLongA, primByte, primLongB, x, y);
        auto* d = o->As<TArcData>();
        Xfer(mode, d->Radius, radius);
        Xfer(mode, d->StartAngle, startAngle);
        Xfer(mode, d->EndAngle, endAngle);
        Xfer(mode, d->Width, width);
        Xfer(mode, d->Value1, value1);
        return kOkStatus;
    })
}

int32_t PcbApi_QueryText(uint8_t mode, uint32_t object, uint16_t* flags, uint16_t* primWord,
                         uint32_t* layer, int32_t* primLongA, uint8_t* primByte, int32_t* primLongB,
                         int32_t* x, int32_t* y, int32_t* height, int32_t* value1, double* rotation,
                         uint8_t* mirror, char* text, int32_t* width, int32_t* value2,
                         int32_t* value3) {
    TObject* o = Primitive(object, abi::kKindText);
    if (!o || !ValidMode(mode)) return kRefused;
    KORRIN_GUARD(kRefused, {
        XferBase(mode, *o, flags, primWord, layer, primLongA, primByte, primLongB, x, y);
        auto* d = o->As<TTextData>();
        Xfer(mode, d->Height, height);
        Xfer(mode, d->Value1, value1);
        Xfer(mode, d->Rotation, rotation);
        Xfer(mode, d->Mirror, mirror);
        XferText(mode, d->Text, text, abi::kText256, 255);
        Xfer(mode, d->Width, width);
        Xfer(mode, d->Value2, value2);
        Xfer(mode, d->Value3, value3);
        return kOkStatus;
    })
}

int32_t PcbApi_QueryTrueTypeTextInfo(uint8_t mode, uint32_t object, uint8_t* useTrueType,
                                     char* fontName, uint8_t* bold, uint8_t* italic,
                                     uint8_t* inverted, int32_t* invertedBorder) {
    TObject* o = Primitive(object, abi::kKindText);
    if (!o || !ValidMode(mode)) return kRefused;
    KORRIN_GUARD(kRefused, {
        auto* d = o->As<TTextData>();
        Xfer(mode, d->UseTrueType, useTrueType);
        XferText(mode, d->FontName, fontName, abi::kText256, 255);
        Xfer(mode, d->Bold, bold);
        Xfer(mode, d->Italic, italic);
        Xfer(mode, d->Inverted, inverted);
        Xfer(mode, d->InvertedBorder, invertedBorder);
        return kOkStatus;
    })
}

int32_t PcbApi_GetDesignatorDisplayString(uint8_t* buffer, uint32_t object) {
    TObject* o = Primitive(object);
    if (!o || !buffer) return -1;
    KORRIN_GUARD(-1, {
        std::string text = DisplayString(*o);
        std::string_view cut = CutUtf8(text, 255);
        buffer[0] = static_cast<uint8_t>(cut.size());
        std::memcpy(buffer + 1, cut.data(), cut.size());
        return static_cast<int32_t>(cut.size());
    })
}

int32_t PcbApi_QueryBarCodeTextInfo(uint8_t mode, uint32_t object, uint8_t* barCodeKind,
                                    uint8_t* value1, uint8_t* value2, uint8_t* value3) {
    TObject* o = Primitive(object, abi::kKindText);
    if (!o || !ValidMode(mode)) return kRefused;
    auto& b = o->As<TTextData>()->BarCode;
    Xfer(mode, b[0], barCodeKind);
    Xfer(mode, b[1], value1);
    Xfer(mode, b[2], value2);
    Xfer(mode, b[3], value3);
    return kOkStatus;
}

int32_t PcbApi_QueryPad(uint8_t mode, uint32_t object, uint16_t* flags, uint16_t* primWord,
                        uint32_t* layer, int32_t* primLongA, uint8_t* primByte, int32_t* primLongB,
                        int32_t* x, int32_t* y, int32_t* padSize1, int32_t* padSize2,
                        int32_t* padSize3, int32_t* padSize4, int32_t* padSize5, int32_t* padSize6,
                        int32_t* holeSize, uint8_t* byte1, uint8_t* byte2, uint8_t* byte3,
                        char* string1, uint8_t* byte4, uint8_t* byte5, double* rotation,
                        char* string2, char* string3, int32_t* long1, char* string4, uint8_t* byte6,
                        uint8_t* byte7, int32_t* long2, int32_t* long3, int32_t* long4,
                        int32_t* long5, int32_t* long6, uint8_t* byte8, uint8_t* byte9) {
    TObject* o = Primitive(object, abi::kKindPad);
    if (!o || !ValidMode(mode)) return kRefused;
    KORRIN_GUARD(kRefused, {
        XferBase(mode, *o, flags, primWord, layer, primLongA, primByte, primLongB, x, y);
        auto* d = o->As<TPadData>();
        int32_t* sizes[6] = {padSize1, padSize2, padSize3, padSize4, padSize5, padSize6};
        for (int i = 0; i < 6; ++i)
            Xfer(mode, d->PadSizes[i], sizes[i]);
        Xfer(mode, d->HoleSize, holeSize);
        Xfer(mode, d->Byte1, byte1);
        Xfer(mode, d->Byte2, byte2);
        Xfer(mode, d->Byte3, byte3);
        XferText(mode, d->String1, string1, abi::kText21, 20);
        Xfer(mode, d->Byte4, byte4);
        Xfer(mode, d->Byte5, byte5);
        Xfer(mode, d->Rotation, rotation);
        XferText(mode, d->String2, string2, abi::kText21, 20);
        XferText(mode, d->String3, string3, abi::kText21, 20);
        Xfer(mode, d->Long1, long1);
        XferText(mode, d->String4, string4, abi::kText21, 20);
        Xfer(mode, d->Byte6, byte6);
        Xfer(mode, d->Byte7, byte7);
        int32_t* longs[5] = {long2, long3, long4, long5, long6};
        for (int i = 0; i < 5; ++i)
            Xfer(mode, d->Longs[i], longs[i]);
        Xfer(mode, d->Byte8, byte8);
        Xfer(mode, d->Byte9, byte9);
        return kOkStatus;
    })
}

int32_t PcbApi_QueryPadStackMode(uint8_t mode, uint32_t object, uint8_t* padStackMode) {
    TObject* o = Primitive(object, abi::kKindPad);
    if (!o || !ValidMode(mode)) return kRefused;
    Xfer(mode, o->As<TPadData>()->PadStackMode, padStackMode);
    return kOkStatus;
}

int32_t PcbApi_QueryPadOrViaShapeOnLayer(uint32_t object, uint8_t layer, uint8_t* shape) {
    TObject* o = Primitive(object);
    if (!o || !ValidClassic(layer)) return kRefused;
    if (o->Kind == abi::kKindPad)
        *shape = o->As<TPadData>()->Layers[layer].Shape;
    else if (o->Kind == abi::kKindVia)
        *shape = 1; // vias are round on every layer
    else
        return kRefused;
    return kOkStatus;
}

int32_t PcbApi_QueryPadOrViaSizeOnLayer(uint32_t object, uint8_t layer, int32_t* size) {
    TObject* o = Primitive(object);
    if (!o || !ValidClassic(layer)) return kRefused;
    if (o->Kind == abi::kKindPad) {
        size[0] = o->As<TPadData>()->Layers[layer].SizeX;
        size[1] = o->As<TPadData>()->Layers[layer].SizeY;
    } else if (o->Kind == abi::kKindVia) {
        size[0] = size[1] = o->As<TViaData>()->Size;
    } else {
        return kRefused;
    }
    return kOkStatus;
}

int32_t PcbApi_QueryPadCornerRadiusOnLayer(uint32_t object, uint8_t layer, int32_t* radius) {
    TObject* o = Primitive(object, abi::kKindPad);
    if (!o || !ValidClassic(layer)) return kRefused;
    *radius = o->As<TPadData>()->Layers[layer].CornerRadius;
    return kOkStatus;
}

int32_t PcbApi_QueryPadCRPercentageOnLayer(uint32_t object, uint8_t layer, uint8_t* percentage) {
    TObject* o = Primitive(object, abi::kKindPad);
    if (!o || !ValidClassic(layer)) return kRefused;
    *percentage = o->As<TPadData>()->Layers[layer].CRPercentage;
    return kOkStatus;
}

int32_t PcbApi_SetPadShapeOnLayer(uint32_t object, uint8_t layer, uint8_t shape) {
    TObject* o = Primitive(object, abi::kKindPad);
    if (!o || !ValidClassic(layer)) return kRefused;
    o->As<TPadData>()->Layers[layer].Shape = shape;
    return kOkStatus;
}

int32_t PcbApi_SetPadSizeOnLayer(uint32_t object, uint8_t layer, const int32_t* size) {
    TObject* o = Primitive(object, abi::kKindPad);
    if (!o || !ValidClassic(layer)) return kRefused;
    o->As<TPadData>()->Layers[layer].SizeX = size[0];
    o->As<TPadData>()->Layers[layer].SizeY = size[1];
    return kOkStatus;
}

int32_t PcbApi_SetCRPctOnLayer(uint32_t object, uint8_t layer, uint8_t percentage) {
    TObject* o = Primitive(object, abi::kKindPad);
    if (!o || !ValidClassic(layer)) return kRefused;
    o->As<TPadData>()->Layers[layer].CRPercentage = percentage;
    return kOkStatus;
}

int32_t PcbApi_QueryVia(uint8_t mode, uint32_t object, uint16_t* flags, uint16_t* primWord,
                        uint32_t* layer, int32_t* primLongA, uint8_t* primByte, int32_t* primLongB,
                        int32_t* x, int32_t* y, int32_t* size, int32_t* holeSize,
                        uint32_t* lowLayer, uint32_t* highLayer, int32_t* value1, int32_t* value2) {
    TObject* o = Primitive(object, abi::kKindVia);
    if (!o || !ValidMode(mode)) return kRefused;
    KORRIN_GUARD(kRefused, {
        XferBase(mode, *o, flags, primWord, layer, primLongA, primByte, primLongB, x, y);
        auto* d = o->As<TViaData>();
        Xfer(mode, d->Size, size);
        Xfer(mode, d->HoleSize, holeSize);
        Xfer(mode, d->LowLayer, lowLayer);
        Xfer(mode, d->HighLayer, highLayer);
        Xfer(mode, d->Value1, value1);
        Xfer(mode, d->Value2, value2);
        return kOkStatus;
    })
}

int32_t PcbApi_QueryFill(uint8_t mode, uint32_t object, uint16_t* flags, uint16_t* primWord,
                         uint32_t* layer, int32_t* primLongA, uint8_t* primByte, int32_t* primLongB,
                         int32_t* x, int32_t* y, int32_t* x2, int32_t* y2, double* rotation,
                         int32_t* value1) {
    TObject* o = Primitive(object, abi::kKindFill);
    if (!o || !ValidMode(mode)) return kRefused;
    KORRIN_GUARD(kRefused, {
        XferBase(mode, *o, flags, primWord, layer, primLongA, primByte, primLongB, x, y);
        auto* d = o->As<TFillData>();
        Xfer(mode, d->X2, x2);
        Xfer(mode, d->Y2, y2);
        Xfer(mode, d->Rotation, rotation);
        Xfer(mode, d->Value1, value1);
        return kOkStatus;
    })
}

int32_t PcbApi_QueryRegion(uint8_t mode, uint32_t object, uint16_t* flags, uint16_t* primWord,
                           uint32_t* layer, int32_t* primLongA, uint8_t* primByte,
                           int32_t* primLongB, int32_t* x, int32_t* y, int32_t* regionKind,
                           int32_t* value1) {
    TObject* o = Primitive(object, abi::kKindRegion);
    if (!o || !ValidMode(mode)) return kRefused;
    KORRIN_GUARD(kRefused, {
        XferBase(mode, *o, flags, primWord, layer, primLongA, primByte, primLongB, x, y);
        auto* d = o->As<TRegionData>();
        Xfer(mode, d->RegionKind, regionKind);
        Xfer(mode, d->Value1, value1);
        return kOkStatus;
    })
}

int32_t PcbApi_QueryComponentBody(uint8_t mode, uint32_t object, uint16_t* flags,
                                  uint16_t* primWord, uint32_t* layer, int32_t* primLongA,
                                  uint8_t* primByte, int32_t* primLongB, int32_t* x, int32_t* y,
                                  int32_t* height, int32_t* value1) {
    TObject* o = Primitive(object, abi::kKindComponentBody);
    if (!o || !ValidMode(mode)) return kRefused;
    KORRIN_GUARD(kRefused, {
        XferBase(mode, *o, flags, primWord, layer, primLongA, primByte, primLongB, x, y);
        auto* d = o->As<TComponentBodyData>();
        Xfer(mode, d->Height, height);
        Xfer(mode, d->Value1, value1);
        return kOkStatus;
    })
}

int32_t PcbApi_QueryEmbeddedBoard(uint8_t mode, uint32_t object, uint16_t* flags,
                                  uint16_t* primWord, uint32_t* layer, int32_t* primLongA,
                                  uint8_t* primByte, int32_t* primLongB, int32_t* x, int32_t* y,
                                  int32_t* x2, int32_t* y2, int32_t* rowCount, int32_t* columnCount,
                                  int32_t* rowSpacing, int32_t* columnSpacing, double* rotation,
                                  char* documentPath) {
    TObject* o = Primitive(object, abi::kKindEmbeddedBoard);
    if (!o || !ValidMode(mode)) return kRefused;
    KORRIN_GUARD(kRefused, {
        XferBase(mode, *o, flags, primWord, layer, primLongA, primByte, primLongB, x, y);
        auto* d = o->As<TEmbeddedBoardData>();
        Xfer(mode, d->X2, x2);
        Xfer(mode, d->Y2, y2);
        Xfer(mode, d->RowCount, rowCount);
        Xfer(mode, d->ColumnCount, columnCount);
        Xfer(mode, d->RowSpacing, rowSpacing);
        Xfer(mode, d->ColumnSpacing, columnSpacing);
        Xfer(mode, d->Rotation, rotation);
        XferText(mode, d->DocumentPath, documentPath, abi::kText256, 255);
        return kOkStatus;
    })
}

int32_t PcbApi_QueryNetName(uint8_t mode, uint32_t object, char* name) {
    TObject* o = Primitive(object, abi::kKindNet);
    if (!o || !ValidMode(mode)) return kRefused;
    KORRIN_GUARD(kRefused, {
        XferText(mode, o->As<TNetData>()->Name, name, abi::kText256, 255);
        return kOkStatus;
    })
}

int32_t PcbApi_QueryComponentChannelOffset(uint8_t mode, uint32_t object, int32_t* channelOffset) {
    TObject* o = Primitive(object, abi::kKindComponent);
    if (!o || !ValidMode(mode)) return kRefused;
    Xfer(mode, o->As<TComponentData>()->ChannelOffset, channelOffset);
    return kOkStatus;
}

int32_t PcbApi_QueryComponentKind(uint8_t mode, uint32_t object, int32_t* componentKind) {
    TObject* o = Primitive(object, abi::kKindComponent);
    if (!o || !ValidMode(mode)) return kRefused;
    Xfer(mode, o->As<TComponentData>()->ComponentKind, componentKind);
    return kOkStatus;
}

int32_t PcbApi_QueryComponent(uint8_t mode, uint32_t object, uint16_t* flags, uint16_t* primWord,
                              uint8_t* classicLayer, uint8_t* primByte, uint32_t* nameText,
                              uint32_t* secondText, char* name, uint8_t* flagA, uint8_t* flagB,
                              int32_t* x, int32_t* y, int32_t* value1, double* rotation,
                              uint8_t* byte1) {
    TObject* o = Primitive(object, abi::kKindComponent);
    if (!o || !ValidMode(mode)) return kRefused;
    KORRIN_GUARD(kRefused, {
        auto* d = o->As<TComponentData>();
        const int32_t oldX = o->X, oldY = o->Y;
        const double oldRotation = d->Rotation;
        Xfer(mode, o->Flags, flags);
        Xfer(mode, o->PrimWord, primWord);
        if (Reading(mode)) {
            *classicLayer = o->LayerValue < kClassicLayerCount ? static_cast<uint8_t>(o->LayerValue)
                                                               : uint8_t{0};
        } else {
            Store().SetLayer(*o, *classicLayer < kClassicLayerCount ? *classicLayer : 0u);
        }
        Xfer(mode, o->PrimByte, primByte);
        if (Reading(mode)) {
            *nameText = d->NameText;
            *secondText = d->SecondText;
        }
        XferText(mode, d->Name, name, abi::kText256, 250);
        Xfer(mode, d->FlagA, flagA);
        Xfer(mode, d->FlagB, flagB);
        Xfer(mode, o->X, x);
        Xfer(mode, o->Y, y);
        Xfer(mode, d->Value1, value1);
        Xfer(mode, d->Rotation, rotation);
        Xfer(mode, d->Byte1, byte1);
        // The designator and comment texts always stay with their component; the children
        // follow an update only (a write places a component not yet in use).
        if (!Reading(mode))
            CarryComponentChildren(*o, oldX, oldY, oldRotation, mode == abi::ptUpdate);
        return kOkStatus;
    })
}

int32_t PcbApi_QueryComponentEx(uint8_t mode, uint32_t object, int32_t* value1, uint8_t* byte1,
                                uint8_t* byte2, int32_t* value2) {
    TObject* o = Primitive(object, abi::kKindComponent);
    if (!o || !ValidMode(mode)) return kRefused;
    auto* d = o->As<TComponentData>();
    Xfer(mode, d->ExValue1, value1);
    Xfer(mode, d->ExByte1, byte1);
    Xfer(mode, d->ExByte2, byte2);
    Xfer(mode, d->ExValue2, value2);
    return kOkStatus;
}

int32_t PcbApi_QueryComponentSourceLinks(uint8_t mode, uint32_t object, char* link1, char* link2,
                                         char* link3, char* link4, char* link5, char* link6,
                                         char* link7, char* link8) {
    TObject* o = Primitive(object, abi::kKindComponent);
    if (!o || !ValidMode(mode)) return kRefused;
    KORRIN_GUARD(kRefused, {
        char* links[8] = {link1, link2, link3, link4, link5, link6, link7, link8};
        auto* d = o->As<TComponentData>();
        for (int i = 0; i < 8; ++i)
            XferText(mode, d->SourceLinks[i], links[i], abi::kText256, 255);
        return kOkStatus;
    })
}

int32_t PcbApi_QueryDefaultPCB3DModel(uint8_t mode, uint32_t object, char* model) {
    TObject* o = Primitive(object, abi::kKindComponent);
    if (!o || !ValidMode(mode)) return kRefused;
    KORRIN_GUARD(kRefused, {
        XferText(mode, o->As<TComponentData>()->Model, model, abi::kText256, 255);
        return kOkStatus;
    })
}

int32_t PcbApi_QueryBoard(uint8_t mode, uint32_t board, int32_t* value0, char* fileName,
                          uint8_t* byte1, int32_t* value1, int32_t* value2, int32_t* value3,
                          int32_t* value4, uint8_t* displayUnit, uint32_t* currentLayer,
                          int32_t* value5) {
    TObject* b = Board(board);
    if (!b || !ValidMode(mode)) return kRefused;
    KORRIN_GUARD(kRefused, {
        TBoardData& d = BoardData(*b);
        Xfer(mode, d.Value0, value0);
        XferText(mode, d.FileName, fileName, abi::kText256, 255);
        Xfer(mode, d.Byte1, byte1);
        Xfer(mode, d.Value1, value1);
        Xfer(mode, d.Value2, value2);
        Xfer(mode, d.Value3, value3);
        Xfer(mode, d.Value4, value4);
        Xfer(mode, d.DisplayUnit, displayUnit);
        Xfer(mode, d.CurrentLayer, currentLayer);
        Xfer(mode, d.Value5, value5);
        return kOkStatus;
    })
}

int32_t PcbApi_QueryBoardLayerInfo(uint8_t mode, uint32_t board, uint8_t layer, uint8_t* scratch1,
                                   uint8_t* scratch2, int32_t* info) {
    TObject* b = Board(board);
    if (!b || !ValidMode(mode) || layer < 1 || layer > 82) return kRefused;
    TLayerRecord& r = BoardData(*b).LayerRecords[layer];
    Xfer(mode, r.Scratch1, scratch1);
    Xfer(mode, r.Scratch2, scratch2);
    Xfer(mode, r.Info, info);
    return kOkStatus;
}

int32_t PcbApi_QueryLayer(uint8_t mode, uint32_t board, uint8_t layer, char* name, uint8_t* shown,
                          int32_t* copperThickness, int32_t* value1) {
    TObject* b = Board(board);
    if (!b || !ValidMode(mode) || layer < 1 || layer > 82) return kRefused;
    KORRIN_GUARD(kRefused, {
        TLayerRecord& r = BoardData(*b).LayerRecords[layer];
        XferText(mode, r.Name, name, abi::kText21, 20);
        Xfer(mode, r.Shown, shown);
        Xfer(mode, r.CopperThickness, copperThickness);
        Xfer(mode, r.Value1, value1);
        return kOkStatus;
    })
}

int32_t PcbApi_QueryInternalPlane(uint8_t mode, uint32_t board, uint8_t layer, char* name,
                                  uint8_t* shown, int32_t* copperThickness, char* netName,
                                  int32_t* pullBackDistance) {
    TObject* b = Board(board);
    if (!b || !ValidMode(mode) || layer < 39 || layer > 54) return kRefused;
    KORRIN_GUARD(kRefused, {
        TLayerRecord& r = BoardData(*b).LayerRecords[layer];
        XferText(mode, r.Name, name, abi::kText21, 20);
        Xfer(mode, r.Shown, shown);
        Xfer(mode, r.CopperThickness, copperThickness);
        XferText(mode, r.NetName, netName, abi::kText256, 255);
        Xfer(mode, r.PullBackDistance, pullBackDistance);
        return kOkStatus;
    })
}

int32_t PcbApi_QueryLayerDielectric(uint8_t mode, uint32_t board, uint8_t layer, char* material,
                                    uint8_t* dielectricKind, double* constant, int32_t* height) {
    TObject* b = Board(board);
    if (!b || !ValidMode(mode) || layer < 1 || layer > 82) return kRefused;
    KORRIN_GUARD(kRefused, {
        XferDielectric(mode, BoardData(*b).LayerRecords[layer].Dielectric, material, dielectricKind,
                       constant, height);
        return kOkStatus;
    })
}

int32_t PcbApi_QueryBoardSplitPlaneMode(uint8_t mode, uint32_t board, uint8_t* splitPlaneMode) {
    TObject* b = Board(board);
    if (!b || !ValidMode(mode)) return kRefused;
    Xfer(mode, BoardData(*b).SplitPlaneMode, splitPlaneMode);
    return kOkStatus;
}

int32_t PcbApi_QueryBoardGridsEx(uint8_t mode, uint32_t board, uint8_t* record) {
    return XferRecord(mode, board, okGridsEx, record);
}
int32_t PcbApi_QueryBoardOutputOptions(uint8_t mode, uint32_t board, uint8_t* record) {
    return XferRecord(mode, board, okOutputOptions, record);
}
int32_t PcbApi_QueryBoardOutputOptionsPlotLayers(uint8_t mode, uint32_t board, int32_t index,
                                                 uint8_t* record){
    KORRIN_GUARD(kRefused,
                 { return XferIndexedRecord(mode, board, ioPlotLayers, index, record); })} int32_t
    PcbApi_QueryBoardOutputOptionsFlipLayers(uint8_t mode, uint32_t board, int32_t index,
                                             uint8_t* record){KORRIN_GUARD(kRefused, {
        return XferIndexedRecord(mode, board, ioFlipLayers, index, record);
    })} int32_t PcbApi_QueryBoardGerberOptions(uint8_t mode, uint32_t board, uint8_t* record) {
    return XferRecord(mode, board, okGerberOptions, record);
}
int32_t PcbApi_QueryBoardPrinterOptions(uint8_t mode, uint32_t board, uint8_t* record) {
    return XferRecord(mode, board, okPrinterOptions, record);
}
int32_t PcbApi_QueryBoardPrinterOptionsPlotterPen(uint8_t mode, uint32_t board, int32_t index,
                                                  uint8_t* record){
    KORRIN_GUARD(kRefused,
                 { return XferIndexedRecord(mode, board, ioPlotterPen, index, record); })} int32_t
    PcbApi_QueryBoardPrinterOptionsCompositeLayer(uint8_t mode, uint32_t board, int32_t index,
                                                  uint8_t* record){
        KORRIN_GUARD(kRefused,
                     {
                         return XferIndexedRecord(mode, board, ioCompositeLayer, index, record);
                     })} int32_t
    PcbApi_QueryBoardAdvancedPlacerOptions(uint8_t mode, uint32_t board, uint8_t* record) {
    return XferRecord(mode, board, okAdvancedPlacerOptions, record);
}
int32_t PcbApi_QueryBoardEngineeringChangeOrderOptions(uint8_t mode, uint32_t board,
                                                       uint8_t* record) {
    return XferRecord(mode, board, okEngineeringChangeOrderOptions, record);
}

int32_t PcbApi_QueryBoardLayerPairsCount(uint32_t board, int32_t* count, uint8_t mode) {
    TObject* b = Board(board);
    if (!b || !ValidMode(mode)) return kRefused;
    auto& pairs = BoardData(*b).LayerPairs;
    if (Reading(mode)) {
        *count = static_cast<int32_t>(pairs.size());
        return kOkStatus;
    }
    if (*count < 0 || *count > kMaxLayerPairs) return kRefused;
    KORRIN_GUARD(kRefused, {
        pairs.resize(static_cast<size_t>(*count));
        return kOkStatus;
    })
}

int32_t PcbApi_QueryBoardLayerPairAt(uint8_t mode, uint32_t board, int32_t index,
                                     uint32_t* lowLayer, uint32_t* highLayer, uint8_t* drillGuide,
                                     uint8_t* drillDrawing) {
    TObject* b = Board(board);
    if (!b || !ValidMode(mode)) return kRefused;
    auto& pairs = BoardData(*b).LayerPairs;
    if (index < 0 || static_cast<size_t>(index) >= pairs.size()) return kRefused;
    TLayerPair& p = pairs[static_cast<size_t>(index)];
    Xfer(mode, p.LowLayer, lowLayer);
    Xfer(mode, p.HighLayer, highLayer);
    Xfer(mode, p.DrillGuide, drillGuide);
    Xfer(mode, p.DrillDrawing, drillDrawing);
    return kOkStatus;
}

int32_t PcbApi_QueryBoardExternalDielectrics(uint8_t mode, uint32_t board, char* topMaterial,
                                             uint8_t* topKind, double* topConstant,
                                             int32_t* topHeight, char* bottomMaterial,
                                             uint8_t* bottomKind, double* bottomConstant,
                                             int32_t* bottomHeight) {
    TObject* b = Board(board);
    if (!b || !ValidMode(mode)) return kRefused;
    KORRIN_GUARD(kRefused, {
        XferDielectric(mode, BoardData(*b).TopDielectric, topMaterial, topKind, topConstant,
                       topHeight);
        XferDielectric(mode, BoardData(*b).BottomDielectric, bottomMaterial, bottomKind,
                       bottomConstant, bottomHeight);
        return kOkStatus;
    })
}

} // extern "C"
