// SPDX-License-Identifier: MIT
// The in-memory board model behind the host PCB module: boards and primitives with every
// property the flat functions exchange, containers indexed by kind and layer, handles that are
// never reused within a process, and the geometry the board interface needs (moves, rotations
// of component children, bounding rectangles). Lookups of a handle that names nothing give
// null; nothing here throws but std::bad_alloc.
#pragma once

#include "abi/PcbApi.h"
#include "abi/PcbServer.h"
#include "host/korrin/SlotPool.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace dxfi::korrin {

using abi::THandle;
inline constexpr uint8_t kKindBoard = 0; // boards share the handle space with objects
inline constexpr int kKindSlots = 32;

// ---- Per-kind properties, in exchange order ----------------------------------------------

struct TTrackData {
    int32_t X2 = 0, Y2 = 0, Width = 100000, Value1 = 0, Value2 = 0, Value3 = 0;
};
struct TArcData {
    int32_t Radius = 0;
    double StartAngle = 0, EndAngle = 360;
    int32_t Width = 100000, Value1 = 0;
};
struct TTextData {
    int32_t Height = 600000, Value1 = 0;
    double Rotation = 0;
    uint8_t Mirror = 0;
    std::string Text;
    int32_t Width = 100000, Value2 = 0, Value3 = 0;
    uint8_t UseTrueType = 0;
    std::string FontName = "Arial";
    uint8_t Bold = 0, Italic = 0, Inverted = 0;
    int32_t InvertedBorder = 200000;
    std::array<uint8_t, 4> BarCode{};
    THandle Owner = 0; // the component whose name or comment text this is
};
struct TPadLayerData {
    uint8_t Shape = 1;
    int32_t SizeX = 600000, SizeY = 600000, CornerRadius = 0;
    uint8_t CRPercentage = 50;
    friend bool operator==(const TPadLayerData&, const TPadLayerData&) = default;
};
struct TPadData {
    std::array<int32_t, 6> PadSizes{600000, 600000, 600000, 600000, 600000, 600000};
    int32_t HoleSize = 300000;
    uint8_t Byte1 = 1, Byte2 = 1, Byte3 = 1;
    std::string String1;
    uint8_t Byte4 = 0, Byte5 = 0;
    double Rotation = 0;
    std::string String2, String3;
    int32_t Long1 = 0;
    std::string String4;
    uint8_t Byte6 = 0, Byte7 = 0;
    std::array<int32_t, 5> Longs{}; // the five 32-bit values after Byte7
    uint8_t Byte8 = 0, Byte9 = 0;
    uint8_t PadStackMode = 0;
    std::array<TPadLayerData, 83> Layers{};
};
struct TViaData {
    int32_t Size = 500000, HoleSize = 280000;
    uint32_t LowLayer = 1, HighLayer = 32;
    int32_t Value1 = 0, Value2 = 0;
};
struct TFillData {
    int32_t X2 = 0, Y2 = 0;
    double Rotation = 0;
    int32_t Value1 = 0;
};
struct TRegionData {
    int32_t RegionKind = 0, Value1 = 0;
    std::vector<std::array<int32_t, 2>> Outline;
};
struct TComponentBodyData {
    int32_t Height = 0, Value1 = 0;
};
struct TEmbeddedBoardData {
    int32_t X2 = 0, Y2 = 0, RowCount = 1, ColumnCount = 1, RowSpacing = 0, ColumnSpacing = 0;
    double Rotation = 0;
    std::string DocumentPath;
};
struct TNetData {
    std::string Name;
};
struct TComponentData {
    int32_t ChannelOffset = 0, ComponentKind = 0;
    THandle NameText = 0, SecondText = 0;
    std::string Name;
    uint8_t FlagA = 0, FlagB = 0;
    int32_t Value1 = 0;
    double Rotation = 0;
    uint8_t Byte1 = 0;
    int32_t ExValue1 = 0;
    uint8_t ExByte1 = 0, ExByte2 = 0;
    int32_t ExValue2 = 0;
    std::array<std::string, 8> SourceLinks;
    std::string Model;
};

// ---- Containers ----------------------------------------------------------------------------
struct TBucket {
    THandle First = 0, Last = 0;
};
// A container's buckets by (kind, layer) key: an open-addressed table, in the container itself
// while it is small (a component's children use a few kinds and layers), on the heap beyond.
class TBucketTable {
public:
    TBucketTable() = default;
    TBucketTable(const TBucketTable&) = delete;
    TBucketTable& operator=(const TBucketTable&) = delete;

    // The bucket of a key; null when it has none.
    TBucket* Find(uint64_t key);
    // The bucket of a key, made empty when it has none.
    TBucket& Get(uint64_t key);
    void Erase(uint64_t key);

private:
    static constexpr uint64_t kFree = ~uint64_t{0}; // no (kind, layer) key has all bits set
    static constexpr uint32_t kInlineSlots = 8;
    struct TEntry {
        uint64_t Key = kFree;
        TBucket Bucket;
    };
    TEntry* Entries() { return Heap ? Heap.get() : Inline.data(); }
    uint32_t Home(uint64_t key) const;
    void Grow();

    std::array<TEntry, kInlineSlots> Inline{};
    std::unique_ptr<TEntry[]> Heap;
    uint32_t Capacity = kInlineSlots, Used = 0;
};
// Children of a board or component: all of them in insertion order, and by (kind, layer).
struct TContainer {
    THandle First = 0, Last = 0;
    TBucketTable Buckets;
    // Objects by kind; a board's counts include the children of its components.
    std::array<int64_t, kKindSlots> KindCounts{};
    static uint64_t Key(uint8_t kind, uint32_t layer) { return (uint64_t{kind} << 32) | layer; }
};

// ---- The board's own properties --------------------------------------------------------------
using TOptionRecord = std::array<uint8_t, abi::kBoardOptionRecordSize>;
struct TDielectric {
    std::string Material = "FR-4";
    uint8_t Kind = 1;
    double Constant = 4.8;
    int32_t Height = 126000;
};
struct TLayerRecord {
    std::string Name; // kText21; initially the classic identifier
    uint8_t Shown = 1;
    int32_t CopperThickness = 14000, Value1 = 0;
    std::string NetName = "(No Net)";  // internal planes
    int32_t PullBackDistance = 200000; // internal planes
    uint8_t Scratch1 = 0, Scratch2 = 0;
    int32_t Info = 0;
    TDielectric Dielectric;
};
struct TLayerPair {
    uint32_t LowLayer = 1, HighLayer = 32;
    uint8_t DrillGuide = 0, DrillDrawing = 0;
};
enum TOptionKind : int {
    okGridsEx,
    okOutputOptions,
    okGerberOptions,
    okPrinterOptions,
    okAdvancedPlacerOptions,
    okEngineeringChangeOrderOptions,
    okOptionKindCount
};
enum TIndexedOptionKind : int {
    ioPlotLayers,
    ioFlipLayers,
    ioPlotterPen,
    ioCompositeLayer,
    ioCount
};
inline constexpr int kIndexedRecordLimit = 256; // indexes 0..255 are kept

struct TBoardData {
    int32_t Value0 = 0;
    std::string FileName;
    uint8_t Byte1 = 0;
    int32_t Value1 = 0, Value2 = 0, Value3 = 0, Value4 = 0;
    uint8_t DisplayUnit = 1;
    uint32_t CurrentLayer = 1;
    int32_t Value5 = 0;
    std::array<TLayerRecord, 83> LayerRecords;
    uint8_t SplitPlaneMode = 1;
    std::array<TOptionRecord, okOptionKindCount> Options{};
    std::array<std::unordered_map<int32_t, TOptionRecord>, ioCount> IndexedOptions;
    std::vector<TLayerPair> LayerPairs{TLayerPair{}};
    TDielectric TopDielectric, BottomDielectric;
    // The board's layers (the standard list): the user's names (empty: the display name) and
    // the layer-shown flags.
    std::array<std::string, 102> LayerNames;
    std::array<bool, 102> LayerShown{};
    TBoardData();
};

// ---- Objects -------------------------------------------------------------------------------
class TObjectStore;
// Interface objects made on demand for one object (its region or component interface);
// destroyed with the object.
struct TFacade {
    virtual ~TFacade() = default;
};

// One board object (or board). It is also the object's IPCB_Primitive, so that the interface
// pointers the board interface hands out cost nothing and live exactly as long as the object.
// The store keeps it, its kind's properties and its container in one slot of the kind's pool.
class TObject final : public abi::IPCB_Primitive {
public:
    THandle Id = 0;
    uint8_t Kind = 0;
    bool Mark = false;
    bool CallerOwned = false; // made by the server's factory and not yet in a container
    bool HasFacade = false;   // an entry in the store's Facades
    uint32_t CallerRefs = 0;
    THandle Container = 0;
    THandle PrevAll = 0, NextAll = 0, PrevInBucket = 0, NextInBucket = 0;
    // Base properties.
    uint16_t Flags = 0, PrimWord = 0;
    uint32_t LayerValue = 0;
    int32_t PrimLongA = 0;
    uint8_t PrimByte = 0;
    uint8_t BitField2 = 0;
    uint16_t BitField3 = 0;
    int32_t PrimLongB = 0;
    int32_t X = 0, Y = 0;
    void* Data = nullptr;           // the kind's properties (TTrackData ...)
    TContainer* Children = nullptr; // boards and components

    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    ~TObject() = default;

    template <class T> T* As() const { return static_cast<T*>(Data); }

    // IPCB_Primitive
    int32_t DXFI_STDCALL QueryInterface(const abi::TGuid& iid, void** out) override;
    uint32_t DXFI_STDCALL AddRef() override;
    uint32_t DXFI_STDCALL Release() override;
    uint32_t DXFI_STDCALL Handle() override { return Id; }
    uint8_t DXFI_STDCALL ObjectId() override { return Kind; }
    uint32_t DXFI_STDCALL Layer() override { return LayerValue; }
    bool DXFI_STDCALL GetMark() override { return Mark; }
    void DXFI_STDCALL SetMark(bool mark) override { Mark = mark; }
    bool DXFI_STDCALL InComponent() override;
    abi::TCoordRect DXFI_STDCALL BoundingRectangle() override;
    void DXFI_STDCALL BeginModify() override {}
    void DXFI_STDCALL MoveByXY(int32_t dx, int32_t dy) override;
    void DXFI_STDCALL EndModify() override {}
};

// A rectangle that may be empty (no point yet).
struct TBounds {
    int64_t Left = 0, Bottom = 0, Right = 0, Top = 0;
    bool Empty = true;
    void Add(int64_t x, int64_t y);
    void Add(const TBounds& other);
    abi::TCoordRect ToRect() const;
};

// Every board and object of the process, by handle.
class TObjectStore {
public:
    TObjectStore();
    ~TObjectStore();

    // The object (or board) a handle names; null for none.
    TObject* Find(THandle handle) const {
        return handle < Objects.size() ? Objects[handle] : nullptr;
    }
    TObject* FindBoard(THandle handle) const {
        TObject* o = Find(handle);
        return o && o->Kind == kKindBoard ? o : nullptr;
    }
    TObject* FindPrimitive(THandle handle) const {
        TObject* o = Find(handle);
        return o && o->Kind != kKindBoard ? o : nullptr;
    }

    // Runs body(child) over a container's children in order. The next child is taken before the
    // body runs, so the body may take the child out of the container.
    template <class TBody> void EachChild(const TObject& container, TBody&& body) const {
        for (THandle c = container.Children->First; c != 0;) {
            TObject* child = Find(c);
            if (!child) break;
            c = child->NextAll;
            body(*child);
        }
    }

    // A new object with the host's defaults in no container; null for an unknown kind or when
    // handles are exhausted. A component gets its name and comment texts.
    TObject* Create(uint8_t kind);
    TObject* CreateBoard(const std::string& fileName);
    // A copy in no container (a component with copies of its children and texts).
    TObject* Replicate(const TObject& source);
    // Removes from the container and destroys (a component with its children and texts;
    // a board with everything on it).
    void Destroy(TObject& object);
    // Adds to a board or component; false when that cannot be (a board, a component into a
    // component, a component's own text, a container into itself).
    bool AddToContainer(TObject& container, TObject& object);
    void RemoveFromContainer(TObject& object);
    // Moves an object to another bucket of its container after its layer changed.
    void SetLayer(TObject& object, uint32_t layer);

    // The board the object is on (directly or through its component); null for none.
    TObject* BoardOf(const TObject& object) const;
    // A component's name/comment text belongs to it without being its child.
    bool IsOwnedText(const TObject& object) const;

    void Move(TObject& object, int32_t dx, int32_t dy);
    // Rotates by `degrees` about (cx, cy): positions, angles, outlines.
    void Rotate(TObject& object, double degrees, int32_t cx, int32_t cy);
    TBounds Bounds(const TObject& object) const;

    // Flat iterators over a container's children of a kind on a layer.
    THandle CreateIterator(THandle container, uint8_t kind, uint32_t layer);
    THandle IteratorFirst(THandle iterator);
    THandle IteratorNext(THandle iterator);
    bool DestroyIterator(THandle iterator);

    THandle CurrentBoard = 0;
    std::unordered_map<THandle, std::unique_ptr<TFacade>> Facades;

private:
    struct TIterator {
        THandle Container;
        uint8_t Kind;
        uint32_t Layer;
        THandle Pending;
    };
    THandle NewHandle();
    // A new object of the kind in a slot of the kind's pool, with its properties (a copy of
    // `source`'s when given) and, for boards and components, an empty container; registered
    // under a new handle. Null when handles are exhausted.
    TObject* Make(uint8_t kind, const TObject* source);
    // Ends an object's life and gives its slot back (its handle then names nothing).
    void Free(TObject& object);
    TSlotPool& PoolOf(uint8_t kind);
    void LinkIntoBuckets(TContainer& c, TObject& o);
    void UnlinkFromBuckets(TContainer& c, TObject& o);
    void AdjustCounts(TObject& container, const TObject& object, int64_t sign);
    THandle Step(TIterator& it, THandle candidate);

    std::vector<TObject*> Objects;                            // index = handle; [0] unused
    std::array<std::unique_ptr<TSlotPool>, kKindSlots> Pools; // by kind, made on first use
    std::unordered_map<THandle, TIterator> Iterators;
    THandle NextIterator = 0x80000000u;
};

// The board's name for a layer: the user's name, else the display name; empty for a layer
// that is not on the board's standard list.
std::string BoardLayerName(const TObject& board, uint32_t layer);
// The text an object displays: a text's string with ".Designator" (its component's name) and
// ".Layer_Name" resolved; a component's name; empty for other kinds.
std::string DisplayString(const TObject& object);
// After a component was written with new location and rotation: its texts (and with
// `children`, its children) follow, turned about the old location by the change of rotation,
// then moved by the change of location.
void CarryComponentChildren(TObject& component, int32_t oldX, int32_t oldY, double oldRotation,
                            bool children);

// The process-wide store.
inline TObjectStore& Store() {
    static TObjectStore store;
    return store;
}

// Rounds to the nearest int32, ties away from zero, saturating; NaN gives 0.
int32_t SaturateRound(double value);
int32_t SaturateAdd(int32_t a, int64_t b);

} // namespace dxfi::korrin
