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
#include <utility>

using namespace dxfi::korrin;
namespace abi = dxfi::abi;

// Exports that allocate run their body through KORRIN_GUARD: an exception (only std::bad_alloc can
// arise) becomes the refusal value instead of crossing the C boundary.
#define KORRIN_GUARD(refusal, ...)                                                                 \
    try {                                                                                          \
        __VA_ARGS__                                                                                \
    } catch (...) {                                                                                \
        return refusal;                                                                            \
    }

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

// A text field and the size of the caller's buffer for it: the buffer holds at most maxBytes of
// the text (cut at a character boundary) and its terminator.
struct TTextField {
    std::string& Field;
    size_t Size;
    size_t MaxBytes;
};
TTextField Text256(std::string& field) {
    return {field, abi::kText256, 255};
}
TTextField Text21(std::string& field) {
    return {field, abi::kText21, 20};
}

template <class T> void XferOne(uint8_t mode, T& field, T* value) {
    if (Reading(mode))
        *value = field;
    else
        field = *value;
}

void XferOne(uint8_t mode, TTextField text, char* buffer) {
    if (Reading(mode))
        CopyOut(CutUtf8(text.Field, text.MaxBytes), buffer, text.Size);
    else
        text.Field = CopyIn(buffer, text.Size, text.MaxBytes);
}

// Exchanges field and value pairs in the order given: Xfer(mode, a, &a', b, &b', ...) reads each
// field into its value or writes the value into the field.
template <class TField, class TValue, class... TRest>
void Xfer(uint8_t mode, TField&& field, TValue* value, TRest&&... rest) {
    XferOne(mode, field, value);
    if constexpr (sizeof...(rest) > 0) Xfer(mode, std::forward<TRest>(rest)...);
}

// The primitive of that kind (any kind when kind is 0), or null.
TObject* Primitive(uint32_t handle, uint8_t kind = 0) {
    TObject* o = Store().FindPrimitive(handle);
    if (!o || (kind != 0 && o->Kind != kind)) return nullptr;
    return o;
}

// The caller's values of the properties every primitive has, in exchange order.
struct TBaseValues {
    uint16_t* Flags;
    uint16_t* PrimWord;
    uint32_t* Layer;
    int32_t* PrimLongA;
    uint8_t* PrimByte;
    int32_t* PrimLongB;
    int32_t* X;
    int32_t* Y;
};

void XferBase(uint8_t mode, TObject& o, const TBaseValues& v) {
    Xfer(mode, o.Flags, v.Flags, o.PrimWord, v.PrimWord);
    if (Reading(mode))
        *v.Layer = o.LayerValue;
    else
        Store().SetLayer(o, *v.Layer);
    Xfer(mode, o.PrimLongA, v.PrimLongA, o.PrimByte, v.PrimByte, o.PrimLongB, v.PrimLongB, o.X, v.X,
         o.Y, v.Y);
}

// The exchange with one object of `kind` (any kind when 0): refused when the handle names no such
// object or the mode is none; else body(object) runs and the exchange succeeds.
template <class TBody>
int32_t XferObject(uint8_t mode, uint32_t object, uint8_t kind, TBody&& body) {
    TObject* o = Primitive(object, kind);
    if (!o || !ValidMode(mode)) return kRefused;
    KORRIN_GUARD(kRefused, {
        body(*o);
        return kOkStatus;
    })
}

// The same where body(data) exchanges only the kind's own properties TData.
template <class TData, class TBody>
int32_t XferData(uint8_t mode, uint32_t object, uint8_t kind, TBody&& body) {
    return XferObject(mode, object, kind, [&](TObject& o) { body(*o.As<TData>()); });
}

// The same with the base properties exchanged first.
template <class TData, class TBody>
int32_t XferPrimitive(uint8_t mode, uint32_t object, uint8_t kind, const TBaseValues& base,
                      TBody&& body) {
    return XferObject(mode, object, kind, [&](TObject& o) {
        XferBase(mode, o, base);
        body(*o.As<TData>());
    });
}

TObject* Board(uint32_t handle) {
    return Store().FindBoard(handle);
}
TBoardData& BoardData(TObject& board) {
    return *board.As<TBoardData>();
}

// The exchange with a board: refused when the handle names no board, the mode is none or
// `valid` (the check of the call's other arguments) fails; else body(board data) runs.
template <class TBody> int32_t XferBoard(uint8_t mode, uint32_t board, bool valid, TBody&& body) {
    TObject* b = Board(board);
    if (!b || !ValidMode(mode) || !valid) return kRefused;
    KORRIN_GUARD(kRefused, {
        body(BoardData(*b));
        return kOkStatus;
    })
}

bool AnyLayer(uint8_t layer) {
    return layer >= 1 && layer <= 82;
}

void XferDielectric(uint8_t mode, TDielectric& d, char* material, uint8_t* kind, double* constant,
                    int32_t* height) {
    Xfer(mode, Text256(d.Material), material, d.Kind, kind, d.Constant, constant, d.Height, height);
}

int32_t XferRecord(uint8_t mode, uint32_t board, int kind, uint8_t* record) {
    return XferBoard(mode, board, true, [&](TBoardData& d) {
        auto& r = d.Options[kind];
        if (Reading(mode))
            std::memcpy(record, r.data(), r.size());
        else
            std::memcpy(r.data(), record, r.size());
    });
}

int32_t XferIndexedRecord(uint8_t mode, uint32_t board, int kind, int32_t index, uint8_t* record) {
    const bool valid = index >= 0 && index < kIndexedRecordLimit;
    return XferBoard(mode, board, valid, [&](TBoardData& d) {
        auto& table = d.IndexedOptions[kind];
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
    });
}

bool ValidClassic(uint8_t layer) {
    return layer < kClassicLayerCount;
}

// A pad's values on one classic layer: refused when the handle names no pad or the layer is
// none; else body(the layer's values) runs.
template <class TBody> int32_t OnPadLayer(uint32_t object, uint8_t layer, TBody&& body) {
    TObject* o = Primitive(object, abi::kKindPad);
    if (!o || !ValidClassic(layer)) return kRefused;
    body(o->As<TPadData>()->Layers[layer]);
    return kOkStatus;
}

} // namespace

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
    return XferObject(mode, object, 0, [&](TObject& o) { Xfer(mode, o.BitField2, bitField2); });
}

int32_t PcbApi_GetObjectBitField3(uint8_t mode, uint32_t object, uint16_t* bitField3) {
    return XferObject(mode, object, 0, [&](TObject& o) { Xfer(mode, o.BitField3, bitField3); });
}

int32_t PcbApi_QueryPrimitive(uint8_t mode, uint32_t object, uint16_t* flags, uint16_t* primWord,
                              uint32_t* layer, int32_t* primLongA, uint8_t* primByte,
                              int32_t* primLongB, int32_t* x, int32_t* y) {
    const TBaseValues base{flags, primWord, layer, primLongA, primByte, primLongB, x, y};
    return XferObject(mode, object, 0, [&](TObject& o) { XferBase(mode, o, base); });
}

int32_t PcbApi_QueryTrack(uint8_t mode, uint32_t object, uint16_t* flags, uint16_t* primWord,
                          uint32_t* layer, int32_t* primLongA, uint8_t* primByte,
                          int32_t* primLongB, int32_t* x, int32_t* y, int32_t* x2, int32_t* y2,
                          int32_t* width, int32_t* value1, int32_t* value2, int32_t* value3) {
    const TBaseValues base{flags, primWord, layer, primLongA, primByte, primLongB, x, y};
    return XferPrimitive<TTrackData>(mode, object, abi::kKindTrack, base, [&](TTrackData& d) {
        Xfer(mode, d.X2, x2, d.Y2, y2, d.Width, width, d.Value1, value1, d.Value2, value2, d.Value3,
             value3);
    });
}

int32_t PcbApi_QueryArc(uint8_t mode, uint32_t object, uint16_t* flags, uint16_t* primWord,
                        uint32_t* layer, int32_t* primLongA, uint8_t* primByte, int32_t* primLongB,
                        int32_t* x, int32_t* y, int32_t* radius, double* startAngle,
                        double* endAngle, int32_t* width, int32_t* value1) {
    const TBaseValues base{flags, primWord, layer, primLongA, primByte, primLongB, x, y};
    return XferPrimitive<TArcData>(mode, object, abi::kKindArc, base, [&](TArcData& d) {
        Xfer(mode, d.Radius, radius, d.StartAngle, startAngle, d.EndAngle, endAngle, d.Width, width,
             d.Value1, value1);
    });
}

int32_t PcbApi_QueryText(uint8_t mode, uint32_t object, uint16_t* flags, uint16_t* primWord,
                         uint32_t* layer, int32_t* primLongA, uint8_t* primByte, int32_t* primLongB,
                         int32_t* x, int32_t* y, int32_t* height, int32_t* value1, double* rotation,
                         uint8_t* mirror, char* text, int32_t* width, int32_t* value2,
                         int32_t* value3) {
    const TBaseValues base{flags, primWord, layer, primLongA, primByte, primLongB, x, y};
    return XferPrimitive<TTextData>(mode, object, abi::kKindText, base, [&](TTextData& d) {
        Xfer(mode, d.Height, height, d.Value1, value1, d.Rotation, rotation, d.Mirror, mirror,
             Text256(d.Text), text, d.Width, width, d.Value2, value2, d.Value3, value3);
    });
}

int32_t PcbApi_QueryTrueTypeTextInfo(uint8_t mode, uint32_t object, uint8_t* useTrueType,
                                     char* fontName, uint8_t* bold, uint8_t* italic,
                                     uint8_t* inverted, int32_t* invertedBorder) {
    return XferData<TTextData>(mode, object, abi::kKindText, [&](TTextData& d) {
        Xfer(mode, d.UseTrueType, useTrueType, Text256(d.FontName), fontName, d.Bold, bold,
             d.Italic, italic, d.Inverted, inverted, d.InvertedBorder, invertedBorder);
    });
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
    return XferData<TTextData>(mode, object, abi::kKindText, [&](TTextData& d) {
        auto& b = d.BarCode;
        Xfer(mode, b[0], barCodeKind, b[1], value1, b[2], value2, b[3], value3);
    });
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
    const TBaseValues base{flags, primWord, layer, primLongA, primByte, primLongB, x, y};
    return XferPrimitive<TPadData>(mode, object, abi::kKindPad, base, [&](TPadData& d) {
        auto& s = d.PadSizes;
        Xfer(mode, s[0], padSize1, s[1], padSize2, s[2], padSize3, s[3], padSize4, s[4], padSize5,
             s[5], padSize6);
        Xfer(mode, d.HoleSize, holeSize, d.Byte1, byte1, d.Byte2, byte2, d.Byte3, byte3,
             Text21(d.String1), string1, d.Byte4, byte4, d.Byte5, byte5, d.Rotation, rotation,
             Text21(d.String2), string2, Text21(d.String3), string3, d.Long1, long1,
             Text21(d.String4), string4, d.Byte6, byte6, d.Byte7, byte7);
        auto& l = d.Longs;
        Xfer(mode, l[0], long2, l[1], long3, l[2], long4, l[3], long5, l[4], long6);
        Xfer(mode, d.Byte8, byte8, d.Byte9, byte9);
    });
}

int32_t PcbApi_QueryPadStackMode(uint8_t mode, uint32_t object, uint8_t* padStackMode) {
    return XferData<TPadData>(mode, object, abi::kKindPad,
                              [&](TPadData& d) { Xfer(mode, d.PadStackMode, padStackMode); });
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
    return OnPadLayer(object, layer, [&](TPadLayerData& l) { *radius = l.CornerRadius; });
}

int32_t PcbApi_QueryPadCRPercentageOnLayer(uint32_t object, uint8_t layer, uint8_t* percentage) {
    return OnPadLayer(object, layer, [&](TPadLayerData& l) { *percentage = l.CRPercentage; });
}

int32_t PcbApi_SetPadShapeOnLayer(uint32_t object, uint8_t layer, uint8_t shape) {
    return OnPadLayer(object, layer, [&](TPadLayerData& l) { l.Shape = shape; });
}

int32_t PcbApi_SetPadSizeOnLayer(uint32_t object, uint8_t layer, const int32_t* size) {
    return OnPadLayer(object, layer, [&](TPadLayerData& l) {
        l.SizeX = size[0];
        l.SizeY = size[1];
    });
}

int32_t PcbApi_SetCRPctOnLayer(uint32_t object, uint8_t layer, uint8_t percentage) {
    return OnPadLayer(object, layer, [&](TPadLayerData& l) { l.CRPercentage = percentage; });
}

int32_t PcbApi_QueryVia(uint8_t mode, uint32_t object, uint16_t* flags, uint16_t* primWord,
                        uint32_t* layer, int32_t* primLongA, uint8_t* primByte, int32_t* primLongB,
                        int32_t* x, int32_t* y, int32_t* size, int32_t* holeSize,
                        uint32_t* lowLayer, uint32_t* highLayer, int32_t* value1, int32_t* value2) {
    const TBaseValues base{flags, primWord, layer, primLongA, primByte, primLongB, x, y};
    return XferPrimitive<TViaData>(mode, object, abi::kKindVia, base, [&](TViaData& d) {
        Xfer(mode, d.Size, size, d.HoleSize, holeSize, d.LowLayer, lowLayer, d.HighLayer, highLayer,
             d.Value1, value1, d.Value2, value2);
    });
}

int32_t PcbApi_QueryFill(uint8_t mode, uint32_t object, uint16_t* flags, uint16_t* primWord,
                         uint32_t* layer, int32_t* primLongA, uint8_t* primByte, int32_t* primLongB,
                         int32_t* x, int32_t* y, int32_t* x2, int32_t* y2, double* rotation,
                         int32_t* value1) {
    const TBaseValues base{flags, primWord, layer, primLongA, primByte, primLongB, x, y};
    return XferPrimitive<TFillData>(mode, object, abi::kKindFill, base, [&](TFillData& d) {
        Xfer(mode, d.X2, x2, d.Y2, y2, d.Rotation, rotation, d.Value1, value1);
    });
}

int32_t PcbApi_QueryRegion(uint8_t mode, uint32_t object, uint16_t* flags, uint16_t* primWord,
                           uint32_t* layer, int32_t* primLongA, uint8_t* primByte,
                           int32_t* primLongB, int32_t* x, int32_t* y, int32_t* regionKind,
                           int32_t* value1) {
    const TBaseValues base{flags, primWord, layer, primLongA, primByte, primLongB, x, y};
    return XferPrimitive<TRegionData>(mode, object, abi::kKindRegion, base, [&](TRegionData& d) {
        Xfer(mode, d.RegionKind, regionKind, d.Value1, value1);
    });
}

int32_t PcbApi_QueryComponentBody(uint8_t mode, uint32_t object, uint16_t* flags,
                                  uint16_t* primWord, uint32_t* layer, int32_t* primLongA,
                                  uint8_t* primByte, int32_t* primLongB, int32_t* x, int32_t* y,
                                  int32_t* height, int32_t* value1) {
    const TBaseValues base{flags, primWord, layer, primLongA, primByte, primLongB, x, y};
    return XferPrimitive<TComponentBodyData>(
        mode, object, abi::kKindComponentBody, base,
        [&](TComponentBodyData& d) { Xfer(mode, d.Height, height, d.Value1, value1); });
}

int32_t PcbApi_QueryEmbeddedBoard(uint8_t mode, uint32_t object, uint16_t* flags,
                                  uint16_t* primWord, uint32_t* layer, int32_t* primLongA,
                                  uint8_t* primByte, int32_t* primLongB, int32_t* x, int32_t* y,
                                  int32_t* x2, int32_t* y2, int32_t* rowCount, int32_t* columnCount,
                                  int32_t* rowSpacing, int32_t* columnSpacing, double* rotation,
                                  char* documentPath) {
    const TBaseValues base{flags, primWord, layer, primLongA, primByte, primLongB, x, y};
    return XferPrimitive<TEmbeddedBoardData>(
        mode, object, abi::kKindEmbeddedBoard, base, [&](TEmbeddedBoardData& d) {
            Xfer(mode, d.X2, x2, d.Y2, y2, d.RowCount, rowCount, d.ColumnCount, columnCount,
                 d.RowSpacing, rowSpacing, d.ColumnSpacing, columnSpacing, d.Rotation, rotation,
                 Text256(d.DocumentPath), documentPath);
        });
}

int32_t PcbApi_QueryNetName(uint8_t mode, uint32_t object, char* name) {
    return XferData<TNetData>(mode, object, abi::kKindNet,
                              [&](TNetData& d) { Xfer(mode, Text256(d.Name), name); });
}

int32_t PcbApi_QueryComponentChannelOffset(uint8_t mode, uint32_t object, int32_t* channelOffset) {
    return XferData<TComponentData>(mode, object, abi::kKindComponent, [&](TComponentData& d) {
        Xfer(mode, d.ChannelOffset, channelOffset);
    });
}

int32_t PcbApi_QueryComponentKind(uint8_t mode, uint32_t object, int32_t* componentKind) {
    return XferData<TComponentData>(mode, object, abi::kKindComponent, [&](TComponentData& d) {
        Xfer(mode, d.ComponentKind, componentKind);
    });
}

int32_t PcbApi_QueryComponent(uint8_t mode, uint32_t object, uint16_t* flags, uint16_t* primWord,
                              uint8_t* classicLayer, uint8_t* primByte, uint32_t* nameText,
                              uint32_t* secondText, char* name, uint8_t* flagA, uint8_t* flagB,
                              int32_t* x, int32_t* y, int32_t* value1, double* rotation,
                              uint8_t* byte1) {
    return XferObject(mode, object, abi::kKindComponent, [&](TObject& o) {
        auto* d = o.As<TComponentData>();
        const int32_t oldX = o.X, oldY = o.Y;
        const double oldRotation = d->Rotation;
        Xfer(mode, o.Flags, flags, o.PrimWord, primWord);
        if (Reading(mode)) {
            *classicLayer =
                o.LayerValue < kClassicLayerCount ? static_cast<uint8_t>(o.LayerValue) : uint8_t{0};
        } else {
            Store().SetLayer(o, *classicLayer < kClassicLayerCount ? *classicLayer : 0u);
        }
        Xfer(mode, o.PrimByte, primByte);
        if (Reading(mode)) {
            *nameText = d->NameText;
            *secondText = d->SecondText;
        }
        Xfer(mode, TTextField{d->Name, abi::kText256, 250}, name, d->FlagA, flagA, d->FlagB, flagB,
             o.X, x, o.Y, y, d->Value1, value1, d->Rotation, rotation, d->Byte1, byte1);
        // The designator and comment texts always stay with their component; the children
        // follow an update only (a write places a component not yet in use).
        if (!Reading(mode))
            CarryComponentChildren(o, oldX, oldY, oldRotation, mode == abi::ptUpdate);
    });
}

int32_t PcbApi_QueryComponentEx(uint8_t mode, uint32_t object, int32_t* value1, uint8_t* byte1,
                                uint8_t* byte2, int32_t* value2) {
    return XferData<TComponentData>(mode, object, abi::kKindComponent, [&](TComponentData& d) {
        Xfer(mode, d.ExValue1, value1, d.ExByte1, byte1, d.ExByte2, byte2, d.ExValue2, value2);
    });
}

int32_t PcbApi_QueryComponentSourceLinks(uint8_t mode, uint32_t object, char* link1, char* link2,
                                         char* link3, char* link4, char* link5, char* link6,
                                         char* link7, char* link8) {
    return XferData<TComponentData>(mode, object, abi::kKindComponent, [&](TComponentData& d) {
        char* links[8] = {link1, link2, link3, link4, link5, link6, link7, link8};
        for (int i = 0; i < 8; ++i)
            Xfer(mode, Text256(d.SourceLinks[i]), links[i]);
    });
}

int32_t PcbApi_QueryDefaultPCB3DModel(uint8_t mode, uint32_t object, char* model) {
    return XferData<TComponentData>(mode, object, abi::kKindComponent, [&](TComponentData& d) {
        Xfer(mode, Text256(d.Model), model);
    });
}

int32_t PcbApi_QueryBoard(uint8_t mode, uint32_t board, int32_t* value0, char* fileName,
                          uint8_t* byte1, int32_t* value1, int32_t* value2, int32_t* value3,
                          int32_t* value4, uint8_t* displayUnit, uint32_t* currentLayer,
                          int32_t* value5) {
    return XferBoard(mode, board, true, [&](TBoardData& d) {
        Xfer(mode, d.Value0, value0, Text256(d.FileName), fileName, d.Byte1, byte1, d.Value1,
             value1, d.Value2, value2, d.Value3, value3, d.Value4, value4, d.DisplayUnit,
             displayUnit, d.CurrentLayer, currentLayer, d.Value5, value5);
    });
}

int32_t PcbApi_QueryBoardLayerInfo(uint8_t mode, uint32_t board, uint8_t layer, uint8_t* scratch1,
                                   uint8_t* scratch2, int32_t* info) {
    return XferBoard(mode, board, AnyLayer(layer), [&](TBoardData& d) {
        TLayerRecord& r = d.LayerRecords[layer];
        Xfer(mode, r.Scratch1, scratch1, r.Scratch2, scratch2, r.Info, info);
    });
}

int32_t PcbApi_QueryLayer(uint8_t mode, uint32_t board, uint8_t layer, char* name, uint8_t* shown,
                          int32_t* copperThickness, int32_t* value1) {
    return XferBoard(mode, board, AnyLayer(layer), [&](TBoardData& d) {
        TLayerRecord& r = d.LayerRecords[layer];
        Xfer(mode, Text21(r.Name), name, r.Shown, shown, r.CopperThickness, copperThickness,
             r.Value1, value1);
    });
}

int32_t PcbApi_QueryInternalPlane(uint8_t mode, uint32_t board, uint8_t layer, char* name,
                                  uint8_t* shown, int32_t* copperThickness, char* netName,
                                  int32_t* pullBackDistance) {
    return XferBoard(mode, board, layer >= 39 && layer <= 54, [&](TBoardData& d) {
        TLayerRecord& r = d.LayerRecords[layer];
        Xfer(mode, Text21(r.Name), name, r.Shown, shown, r.CopperThickness, copperThickness,
             Text256(r.NetName), netName, r.PullBackDistance, pullBackDistance);
    });
}

int32_t PcbApi_QueryLayerDielectric(uint8_t mode, uint32_t board, uint8_t layer, char* material,
                                    uint8_t* dielectricKind, double* constant, int32_t* height) {
    return XferBoard(mode, board, AnyLayer(layer), [&](TBoardData& d) {
        XferDielectric(mode, d.LayerRecords[layer].Dielectric, material, dielectricKind, constant,
                       height);
    });
}

int32_t PcbApi_QueryBoardSplitPlaneMode(uint8_t mode, uint32_t board, uint8_t* splitPlaneMode) {
    return XferBoard(mode, board, true,
                     [&](TBoardData& d) { Xfer(mode, d.SplitPlaneMode, splitPlaneMode); });
}

// The board's option records, exchanged whole or by index.
#define KORRIN_RECORD(name, kind)                                                                  \
    int32_t name(uint8_t mode, uint32_t board, uint8_t* record) {                                  \
        return XferRecord(mode, board, kind, record);                                              \
    }
#define KORRIN_INDEXED_RECORD(name, kind)                                                          \
    int32_t name(uint8_t mode, uint32_t board, int32_t index, uint8_t* record) {                   \
        return XferIndexedRecord(mode, board, kind, index, record);                                \
    }
KORRIN_RECORD(PcbApi_QueryBoardGridsEx, okGridsEx)
KORRIN_RECORD(PcbApi_QueryBoardOutputOptions, okOutputOptions)
KORRIN_INDEXED_RECORD(PcbApi_QueryBoardOutputOptionsPlotLayers, ioPlotLayers)
KORRIN_INDEXED_RECORD(PcbApi_QueryBoardOutputOptionsFlipLayers, ioFlipLayers)
KORRIN_RECORD(PcbApi_QueryBoardGerberOptions, okGerberOptions)
KORRIN_RECORD(PcbApi_QueryBoardPrinterOptions, okPrinterOptions)
KORRIN_INDEXED_RECORD(PcbApi_QueryBoardPrinterOptionsPlotterPen, ioPlotterPen)
KORRIN_INDEXED_RECORD(PcbApi_QueryBoardPrinterOptionsCompositeLayer, ioCompositeLayer)
KORRIN_RECORD(PcbApi_QueryBoardAdvancedPlacerOptions, okAdvancedPlacerOptions)
KORRIN_RECORD(PcbApi_QueryBoardEngineeringChangeOrderOptions, okEngineeringChangeOrderOptions)
#undef KORRIN_RECORD
#undef KORRIN_INDEXED_RECORD

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
    Xfer(mode, p.LowLayer, lowLayer, p.HighLayer, highLayer, p.DrillGuide, drillGuide,
         p.DrillDrawing, drillDrawing);
    return kOkStatus;
}

int32_t PcbApi_QueryBoardExternalDielectrics(uint8_t mode, uint32_t board, char* topMaterial,
                                             uint8_t* topKind, double* topConstant,
                                             int32_t* topHeight, char* bottomMaterial,
                                             uint8_t* bottomKind, double* bottomConstant,
                                             int32_t* bottomHeight) {
    return XferBoard(mode, board, true, [&](TBoardData& d) {
        XferDielectric(mode, d.TopDielectric, topMaterial, topKind, topConstant, topHeight);
        XferDielectric(mode, d.BottomDielectric, bottomMaterial, bottomKind, bottomConstant,
                       bottomHeight);
    });
}

} // extern "C"
