// SPDX-License-Identifier: MIT
#include "host/korrin/BoardModel.h"

#include "host/korrin/FillBox.h"
#include "host/korrin/HostLayers.h"
#include "host/korrin/HostText.h"
#include "host/korrin/QuarterTurns.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <new>
#include <type_traits>

namespace dxfi::korrin {
namespace {

constexpr uint32_t kLastObjectHandle = 0x7FFFFFFFu;

bool IsKnownKind(uint8_t kind) {
    return (kind >= 1 && kind <= 22) || kind == 26;
}

// Calls f with a null pointer of the kind's property type; void* for kinds without properties.
template <class F> decltype(auto) WithDataType(uint8_t kind, F&& f) {
    switch (kind) {
    case kKindBoard:
        return f(static_cast<TBoardData*>(nullptr));
    case abi::kKindTrack:
        return f(static_cast<TTrackData*>(nullptr));
    case abi::kKindArc:
        return f(static_cast<TArcData*>(nullptr));
    case abi::kKindText:
        return f(static_cast<TTextData*>(nullptr));
    case abi::kKindPad:
        return f(static_cast<TPadData*>(nullptr));
    case abi::kKindVia:
        return f(static_cast<TViaData*>(nullptr));
    case abi::kKindFill:
        return f(static_cast<TFillData*>(nullptr));
    case abi::kKindRegion:
        return f(static_cast<TRegionData*>(nullptr));
    case abi::kKindComponentBody:
        return f(static_cast<TComponentBodyData*>(nullptr));
    case abi::kKindEmbeddedBoard:
        return f(static_cast<TEmbeddedBoardData*>(nullptr));
    case abi::kKindNet:
        return f(static_cast<TNetData*>(nullptr));
    case abi::kKindComponent:
        return f(static_cast<TComponentData*>(nullptr));
    default:
        return f(static_cast<void*>(nullptr));
    }
}

// A slot holds the object, then its properties, then (boards and components) its container.
constexpr std::size_t Rounded(std::size_t size) {
    return (size + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) *
           alignof(std::max_align_t);
}
constexpr std::size_t kDataOffset = Rounded(sizeof(TObject));
template <class T>
constexpr bool kHasContainer = std::is_same_v<T, TBoardData> || std::is_same_v<T, TComponentData>;
template <class T> constexpr std::size_t ContainerOffset() {
    if constexpr (std::is_void_v<T>)
        return kDataOffset;
    else
        return kDataOffset + Rounded(sizeof(T));
}
template <class T> constexpr std::size_t SlotSize() {
    return ContainerOffset<T>() + (kHasContainer<T> ? sizeof(TContainer) : 0);
}

int32_t Clamp32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

double NormalizeDegrees(double degrees) {
    if (!std::isfinite(degrees)) return degrees;
    double r = std::fmod(degrees, 360.0);
    if (r < 0) r += 360.0;
    return r == 360.0 ? 0.0 : r;
}

// Rotation by an angle with exact results for quarter turns.
struct TRotation {
    double Cos = 1, Sin = 0;
    int Quarter = -1; // 0..3 for exact quarter turns
    int32_t Cx = 0, Cy = 0;
    TRotation(double degrees, int32_t cx, int32_t cy) : Cx(cx), Cy(cy) {
        double d = NormalizeDegrees(degrees);
        if (d == 0 || d == 90 || d == 180 || d == 270) {
            Quarter = static_cast<int>(d / 90);
        } else {
            constexpr double kPi = 3.14159265358979323846;
            Cos = std::cos(d * kPi / 180.0);
            Sin = std::sin(d * kPi / 180.0);
        }
    }
    void Apply(int32_t& x, int32_t& y) const {
        int64_t dx = int64_t{x} - Cx, dy = int64_t{y} - Cy;
        int64_t rx = 0, ry = 0;
        switch (Quarter) {
        case 0:
            rx = dx, ry = dy;
            break;
        case 1:
            rx = -dy, ry = dx;
            break;
        case 2:
            rx = -dx, ry = -dy;
            break;
        case 3:
            rx = dy, ry = -dx;
            break;
        default:
            x = SaturateRound(static_cast<double>(Cx) + static_cast<double>(dx) * Cos -
                              static_cast<double>(dy) * Sin);
            y = SaturateRound(static_cast<double>(Cy) + static_cast<double>(dx) * Sin +
                              static_cast<double>(dy) * Cos);
            return;
        }
        x = Clamp32(rx + Cx);
        y = Clamp32(ry + Cy);
    }
};

double AddDegrees(double angle, double delta) {
    return NormalizeDegrees(angle + delta);
}

// A rectangle of size w x h whose corner or centre is at (x, y), turned by `degrees` about
// (x, y), added to the bounds.
void AddTurnedRect(TBounds& b, double x, double y, double x0, double y0, double x1, double y1,
                   double degrees) {
    double c = 1, s = 0;
    CosSin(degrees, c, s);
    for (double px : {x0, x1})
        for (double py : {y0, y1}) {
            double rx = x + px * c - py * s, ry = y + px * s + py * c;
            b.Add(SaturateRound(std::floor(rx)), SaturateRound(std::floor(ry)));
            b.Add(SaturateRound(std::ceil(rx)), SaturateRound(std::ceil(ry)));
        }
}

// An object sits in two doubly linked lists by handle: all the children of its container and the
// bucket of its kind and layer. Prev and Next name its links in one of them; the list's head (a
// container or a bucket) holds its First and Last.
template <THandle TObject::*Prev, THandle TObject::*Next, class THead>
void AppendLink(const std::vector<TObject*>& objects, THead& head, TObject& o) {
    o.*Prev = head.Last;
    o.*Next = 0;
    if (head.Last)
        objects[head.Last]->*Next = o.Id;
    else
        head.First = o.Id;
    head.Last = o.Id;
}

template <THandle TObject::*Prev, THandle TObject::*Next, class THead>
void UnlinkLink(const std::vector<TObject*>& objects, THead& head, TObject& o) {
    if (o.*Prev)
        objects[o.*Prev]->*Next = o.*Next;
    else
        head.First = o.*Next;
    if (o.*Next)
        objects[o.*Next]->*Prev = o.*Prev;
    else
        head.Last = o.*Prev;
    o.*Prev = o.*Next = 0;
}

} // namespace

int32_t SaturateRound(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(std::lround(value));
}

int32_t SaturateAdd(int32_t a, int64_t b) {
    return Clamp32(int64_t{a} + b);
}

void TBounds::Add(int64_t x, int64_t y) {
    if (Empty) {
        Left = Right = x;
        Bottom = Top = y;
        Empty = false;
        return;
    }
    Left = std::min(Left, x);
    Right = std::max(Right, x);
    Bottom = std::min(Bottom, y);
    Top = std::max(Top, y);
}

void TBounds::Add(const TBounds& other) {
    if (other.Empty) return;
    Add(other.Left, other.Bottom);
    Add(other.Right, other.Top);
}

abi::TCoordRect TBounds::ToRect() const {
    return {Clamp32(Left), Clamp32(Bottom), Clamp32(Right), Clamp32(Top)};
}

TBoardData::TBoardData() {
    for (int i = 0; i < kClassicLayerCount; ++i)
        LayerRecords[i].Name = std::string(ClassicLayerIdentifier(i));
    // Shown at start: the layers a new board shows in the editor.
    for (uint32_t layer : {1u, 32u, 33u, 34u, 56u, 57u, 74u, 75u, 77u, 81u, 82u})
        LayerShown[StandardLayerIndex(layer)] = true;
}

// ---- TBucketTable ---------------------------------------------------------------------------

uint32_t TBucketTable::Home(uint64_t key) const {
    return static_cast<uint32_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & (Capacity - 1);
}

TBucket* TBucketTable::Find(uint64_t key) {
    TEntry* e = Entries();
    for (uint32_t i = Home(key);; i = (i + 1) & (Capacity - 1)) {
        if (e[i].Key == key) return &e[i].Bucket;
        if (e[i].Key == kFree) return nullptr;
    }
}

TBucket& TBucketTable::Get(uint64_t key) {
    if (TBucket* found = Find(key)) return *found;
    // At most three quarters full, so that a search always meets a free entry soon.
    if ((Used + 1) * 4 > Capacity * 3) Grow();
    TEntry* e = Entries();
    uint32_t i = Home(key);
    while (e[i].Key != kFree)
        i = (i + 1) & (Capacity - 1);
    e[i].Key = key;
    e[i].Bucket = {};
    ++Used;
    return e[i].Bucket;
}

void TBucketTable::Grow() {
    const TEntry* old = Entries();
    const uint32_t oldCapacity = Capacity;
    auto grown = std::make_unique<TEntry[]>(size_t{Capacity} * 2);
    std::unique_ptr<TEntry[]> previous = std::move(Heap); // keeps `old` alive while copying
    Heap = std::move(grown);
    Capacity *= 2;
    TEntry* e = Heap.get();
    for (uint32_t k = 0; k < oldCapacity; ++k) {
        if (old[k].Key == kFree) continue;
        uint32_t i = Home(old[k].Key);
        while (e[i].Key != kFree)
            i = (i + 1) & (Capacity - 1);
        e[i] = old[k];
    }
}

void TBucketTable::Erase(uint64_t key) {
    TEntry* e = Entries();
    const uint32_t mask = Capacity - 1;
    uint32_t i = Home(key);
    while (e[i].Key != key) {
        if (e[i].Key == kFree) return;
        i = (i + 1) & mask;
    }
    // Later entries of the same run move back into the gap unless it lies before their home.
    for (uint32_t j = (i + 1) & mask; e[j].Key != kFree; j = (j + 1) & mask) {
        const uint32_t home = Home(e[j].Key);
        const bool stays = i <= j ? (i < home && home <= j) : (i < home || home <= j);
        if (stays) continue;
        e[i] = e[j];
        i = j;
    }
    e[i] = TEntry{};
    --Used;
}

// ---- TObject -------------------------------------------------------------------------------

bool TObject::InComponent() {
    if (Kind == abi::kKindText && As<TTextData>()->Owner != 0) return true;
    TObject* c = Store().Find(Container);
    return c && c->Kind == abi::kKindComponent;
}

abi::TCoordRect TObject::BoundingRectangle() {
    return Store().Bounds(*this).ToRect();
}

void TObject::MoveByXY(int32_t dx, int32_t dy) {
    Store().Move(*this, dx, dy);
}

uint32_t TObject::AddRef() {
    if (CallerOwned) return ++CallerRefs;
    return 1;
}

uint32_t TObject::Release() {
    // Only an object the caller owns (made by the factory, in no container yet) dies here;
    // every other pointer is borrowed.
    if (!CallerOwned) return 1;
    if (CallerRefs > 1) return --CallerRefs;
    Store().Destroy(*this);
    return 0;
}

// ---- TObjectStore ----------------------------------------------------------------------------

TObjectStore::TObjectStore() {
    Objects.resize(1);
}

TObjectStore::~TObjectStore() {
    // Boards still open at the end of the process go with their objects.
    for (THandle h = 1; h < Objects.size(); ++h)
        if (TObject* o = Objects[h]; o && o->Kind == kKindBoard) Destroy(*o);
    for (THandle h = 1; h < Objects.size(); ++h)
        if (TObject* o = Objects[h]) Destroy(*o);
}

THandle TObjectStore::NewHandle() {
    if (Objects.size() > kLastObjectHandle) return 0;
    Objects.emplace_back();
    return static_cast<THandle>(Objects.size() - 1);
}

TSlotPool& TObjectStore::PoolOf(uint8_t kind) {
    std::unique_ptr<TSlotPool>& pool = Pools[kind];
    if (!pool)
        pool = std::make_unique<TSlotPool>(WithDataType(
            kind, [](auto* type) { return SlotSize<std::remove_pointer_t<decltype(type)>>(); }));
    return *pool;
}

TObject* TObjectStore::Make(uint8_t kind, const TObject* source) {
    TSlotPool& pool = PoolOf(kind);
    const THandle h = NewHandle();
    if (h == 0) return nullptr;
    auto* slot = static_cast<std::byte*>(pool.Take());
    auto* o = new (slot) TObject();
    o->Id = h;
    o->Kind = kind;
    try {
        WithDataType(kind, [&](auto* type) {
            using T = std::remove_pointer_t<decltype(type)>;
            if constexpr (!std::is_void_v<T>) {
                void* at = slot + kDataOffset;
                o->Data = source ? new (at) T(*static_cast<const T*>(source->Data)) : new (at) T();
                if constexpr (kHasContainer<T>)
                    o->Children = new (slot + ContainerOffset<T>()) TContainer();
            }
        });
    } catch (...) {
        o->~TObject();
        pool.Give(slot);
        throw;
    }
    Objects[h] = o;
    return o;
}

void TObjectStore::Free(TObject& o) {
    Objects[o.Id] = nullptr;
    if (o.HasFacade) Facades.erase(o.Id);
    TSlotPool& pool = *Pools[o.Kind];
    WithDataType(o.Kind, [&](auto* type) {
        using T = std::remove_pointer_t<decltype(type)>;
        if constexpr (!std::is_void_v<T>) {
            if (o.Children) o.Children->~TContainer();
            static_cast<T*>(o.Data)->~T();
        }
    });
    o.~TObject();
    pool.Give(&o);
}

TObject* TObjectStore::Create(uint8_t kind) {
    if (!IsKnownKind(kind)) return nullptr;
    TObject* o = Make(kind, nullptr);
    if (!o) return nullptr;
    switch (kind) {
    case abi::kKindTrack:
    case abi::kKindArc:
    case abi::kKindFill:
    case abi::kKindRegion:
    case abi::kKindComponent:
        o->LayerValue = kLayerTop;
        break;
    case abi::kKindText:
        o->LayerValue = kLayerTopOverlay;
        break;
    case abi::kKindPad:
    case abi::kKindVia:
        o->LayerValue = kLayerMulti;
        break;
    case abi::kKindComponentBody:
        o->LayerValue = 57;
        break;
    default:
        break;
    }
    if (kind == abi::kKindComponent) {
        // The component's designator and comment texts: its own, never among its children.
        const THandle h = o->Id;
        for (int i = 0; i < 2; ++i) {
            TObject* t = Create(abi::kKindText);
            if (!t) break;
            auto* td = t->As<TTextData>();
            td->Text = i == 0 ? ".Designator" : ".Comment";
            td->Owner = h;
            auto* cd = o->As<TComponentData>();
            (i == 0 ? cd->NameText : cd->SecondText) = t->Id;
        }
    }
    return o;
}

TObject* TObjectStore::CreateBoard(const std::string& fileName) {
    TObject* board = Make(kKindBoard, nullptr);
    if (!board) return nullptr;
    try {
        board->As<TBoardData>()->FileName = fileName;
    } catch (...) {
        Free(*board);
        throw;
    }
    return board;
}

TObject* TObjectStore::Replicate(const TObject& source) {
    if (source.Kind == kKindBoard) return nullptr;
    TObject* copy = Make(source.Kind, &source);
    if (!copy) return nullptr;
    TObject& o = *copy;
    o.Flags = source.Flags;
    o.PrimWord = source.PrimWord;
    o.LayerValue = source.LayerValue;
    o.PrimLongA = source.PrimLongA;
    o.PrimByte = source.PrimByte;
    o.PrimLongB = source.PrimLongB;
    o.X = source.X;
    o.Y = source.Y;
    o.BitField2 = source.BitField2;
    o.BitField3 = source.BitField3;
    if (o.Kind == abi::kKindText) o.As<TTextData>()->Owner = 0;
    if (source.Kind == abi::kKindComponent) {
        const THandle h = o.Id;
        auto* cd = o.As<TComponentData>();
        for (THandle* text : {&cd->NameText, &cd->SecondText}) {
            TObject* original = Find(*text);
            TObject* t = original ? Replicate(*original) : nullptr;
            *text = t ? t->Id : 0;
            if (t) t->As<TTextData>()->Owner = h;
        }
        EachChild(source, [&](const TObject& child) {
            if (TObject* childCopy = Replicate(child)) AddToContainer(o, *childCopy);
        });
    }
    return copy;
}

bool TObjectStore::IsOwnedText(const TObject& object) const {
    return object.Kind == abi::kKindText && object.As<TTextData>()->Owner != 0;
}

void TObjectStore::Destroy(TObject& object) {
    RemoveFromContainer(object);
    THandle id = object.Id;
    if (object.Kind == abi::kKindComponent) {
        auto* cd = object.As<TComponentData>();
        for (THandle t : {cd->NameText, cd->SecondText})
            if (TObject* text = Find(t)) Free(*text);
    }
    if (object.Children) {
        // Children go without unlinking one by one: their container goes with them.
        EachChild(object, [&](TObject& child) {
            child.Container = 0;
            Destroy(child);
        });
    }
    if (CurrentBoard == id) CurrentBoard = 0;
    Free(object);
}

void TObjectStore::LinkIntoBuckets(TContainer& c, TObject& o) {
    AppendLink<&TObject::PrevInBucket, &TObject::NextInBucket>(
        Objects, c.Buckets.Get(TContainer::Key(o.Kind, o.LayerValue)), o);
}

void TObjectStore::UnlinkFromBuckets(TContainer& c, TObject& o) {
    const uint64_t key = TContainer::Key(o.Kind, o.LayerValue);
    TBucket* found = c.Buckets.Find(key);
    if (!found) return;
    UnlinkLink<&TObject::PrevInBucket, &TObject::NextInBucket>(Objects, *found, o);
    if (found->First == 0) c.Buckets.Erase(key);
}

void TObjectStore::AdjustCounts(TObject& container, const TObject& object, int64_t sign) {
    container.Children->KindCounts[object.Kind] += sign;
    if (object.Children)
        for (int k = 0; k < kKindSlots; ++k)
            container.Children->KindCounts[k] += sign * object.Children->KindCounts[k];
    if (container.Kind == abi::kKindComponent)
        if (TObject* board = Find(container.Container); board && board->Children)
            board->Children->KindCounts[object.Kind] += sign;
}

bool TObjectStore::AddToContainer(TObject& container, TObject& object) {
    if (!container.Children || object.Kind == kKindBoard || &container == &object) return false;
    if (container.Kind == abi::kKindComponent && object.Kind == abi::kKindComponent) return false;
    if (IsOwnedText(object)) return false;
    RemoveFromContainer(object);
    TContainer& c = *container.Children;
    AppendLink<&TObject::PrevAll, &TObject::NextAll>(Objects, c, object);
    LinkIntoBuckets(c, object);
    object.Container = container.Id;
    object.CallerOwned = false;
    object.CallerRefs = 0;
    AdjustCounts(container, object, +1);
    return true;
}

void TObjectStore::RemoveFromContainer(TObject& object) {
    TObject* container = Find(object.Container);
    if (!container || !container->Children) {
        object.Container = 0;
        return;
    }
    TContainer& c = *container->Children;
    UnlinkLink<&TObject::PrevAll, &TObject::NextAll>(Objects, c, object);
    UnlinkFromBuckets(c, object);
    AdjustCounts(*container, object, -1);
    object.Container = 0;
}

void TObjectStore::SetLayer(TObject& object, uint32_t layer) {
    if (object.LayerValue == layer) return;
    TObject* container = Find(object.Container);
    if (container && container->Children) UnlinkFromBuckets(*container->Children, object);
    object.LayerValue = layer;
    if (container && container->Children) LinkIntoBuckets(*container->Children, object);
}

TObject* TObjectStore::BoardOf(const TObject& object) const {
    if (object.Kind == kKindBoard) return const_cast<TObject*>(&object);
    const TObject* o = &object;
    if (o->Kind == abi::kKindText && o->As<TTextData>()->Owner) o = Find(o->As<TTextData>()->Owner);
    for (int depth = 0; o && depth < 3; ++depth) {
        TObject* c = Find(o->Container);
        if (!c) return nullptr;
        if (c->Kind == kKindBoard) return c;
        o = c;
    }
    return nullptr;
}

void TObjectStore::Move(TObject& o, int32_t dx, int32_t dy) {
    o.X = SaturateAdd(o.X, dx);
    o.Y = SaturateAdd(o.Y, dy);
    auto moveSecond = [&](int32_t& x2, int32_t& y2) {
        x2 = SaturateAdd(x2, dx);
        y2 = SaturateAdd(y2, dy);
    };
    switch (o.Kind) {
    case abi::kKindTrack:
        moveSecond(o.As<TTrackData>()->X2, o.As<TTrackData>()->Y2);
        break;
    case abi::kKindFill:
        moveSecond(o.As<TFillData>()->X2, o.As<TFillData>()->Y2);
        break;
    case abi::kKindEmbeddedBoard:
        moveSecond(o.As<TEmbeddedBoardData>()->X2, o.As<TEmbeddedBoardData>()->Y2);
        break;
    case abi::kKindRegion:
        for (auto& p : o.As<TRegionData>()->Outline)
            moveSecond(p[0], p[1]);
        break;
    case abi::kKindComponent: {
        auto* cd = o.As<TComponentData>();
        for (THandle t : {cd->NameText, cd->SecondText})
            if (TObject* text = Find(t)) Move(*text, dx, dy);
        EachChild(o, [&](TObject& child) { Move(child, dx, dy); });
        break;
    }
    default:
        break;
    }
}

void TObjectStore::Rotate(TObject& o, double degrees, int32_t cx, int32_t cy) {
    TRotation r(degrees, cx, cy);
    // Rectangles given by two corners turn about their centre, which moves with the rotation.
    auto turnRect = [&](int32_t& x2, int32_t& y2, double& rotation) {
        int64_t hx = (int64_t{x2} - o.X), hy = (int64_t{y2} - o.Y);
        int64_t mx = o.X + hx / 2, my = o.Y + hy / 2;
        int32_t ncx = Clamp32(mx), ncy = Clamp32(my);
        r.Apply(ncx, ncy);
        int64_t shiftX = int64_t{ncx} - mx, shiftY = int64_t{ncy} - my;
        o.X = Clamp32(o.X + shiftX);
        o.Y = Clamp32(o.Y + shiftY);
        x2 = Clamp32(x2 + shiftX);
        y2 = Clamp32(y2 + shiftY);
        rotation = AddDegrees(rotation, degrees);
    };
    switch (o.Kind) {
    case abi::kKindFill: {
        auto* d = o.As<TFillData>();
        turnRect(d->X2, d->Y2, d->Rotation);
        return;
    }
    case abi::kKindEmbeddedBoard: {
        auto* d = o.As<TEmbeddedBoardData>();
        turnRect(d->X2, d->Y2, d->Rotation);
        return;
    }
    default:
        break;
    }
    r.Apply(o.X, o.Y);
    switch (o.Kind) {
    case abi::kKindTrack:
        r.Apply(o.As<TTrackData>()->X2, o.As<TTrackData>()->Y2);
        break;
    case abi::kKindArc: {
        auto* d = o.As<TArcData>();
        bool full = NormalizeDegrees(d->StartAngle) == NormalizeDegrees(d->EndAngle);
        d->StartAngle = AddDegrees(d->StartAngle, degrees);
        d->EndAngle = full ? d->StartAngle + 360.0 : AddDegrees(d->EndAngle, degrees);
        break;
    }
    case abi::kKindText: {
        auto* d = o.As<TTextData>();
        d->Rotation = AddDegrees(d->Rotation, degrees);
        break;
    }
    case abi::kKindPad: {
        auto* d = o.As<TPadData>();
        d->Rotation = AddDegrees(d->Rotation, degrees);
        break;
    }
    case abi::kKindRegion:
        for (auto& p : o.As<TRegionData>()->Outline)
            r.Apply(p[0], p[1]);
        break;
    case abi::kKindComponent: {
        auto* cd = o.As<TComponentData>();
        cd->Rotation = AddDegrees(cd->Rotation, degrees);
        for (THandle t : {cd->NameText, cd->SecondText})
            if (TObject* text = Find(t)) Rotate(*text, degrees, cx, cy);
        EachChild(o, [&](TObject& child) { Rotate(child, degrees, cx, cy); });
        break;
    }
    default:
        break;
    }
}

TBounds TObjectStore::Bounds(const TObject& o) const {
    TBounds b;
    switch (o.Kind) {
    case abi::kKindTrack: {
        auto* d = o.As<TTrackData>();
        int64_t h = std::max<int64_t>(0, d->Width) / 2;
        b.Add(int64_t{o.X} - h, int64_t{o.Y} - h);
        b.Add(int64_t{o.X} + h, int64_t{o.Y} + h);
        b.Add(int64_t{d->X2} - h, int64_t{d->Y2} - h);
        b.Add(int64_t{d->X2} + h, int64_t{d->Y2} + h);
        return b;
    }
    case abi::kKindArc: {
        auto* d = o.As<TArcData>();
        double r = std::fabs(static_cast<double>(d->Radius));
        double h = std::max(0.0, static_cast<double>(d->Width) / 2);
        double s = NormalizeDegrees(d->StartAngle), e = NormalizeDegrees(d->EndAngle);
        if (!std::isfinite(s) || !std::isfinite(e)) s = 0, e = 0;
        double sweep = e - s;
        if (sweep <= 0) sweep += 360;
        auto addAt = [&](double deg) {
            double c = 1, sn = 0;
            CosSin(deg, c, sn);
            double x = o.X + r * c, y = o.Y + r * sn;
            b.Add(SaturateRound(std::floor(x - h)), SaturateRound(std::floor(y - h)));
            b.Add(SaturateRound(std::ceil(x + h)), SaturateRound(std::ceil(y + h)));
        };
        addAt(s);
        addAt(s + sweep);
        for (int q = 0; q < 4; ++q) {
            double axis = q * 90.0;
            double rel = axis - s;
            if (rel < 0) rel += 360;
            if (rel > 0 && rel < sweep) addAt(axis);
        }
        return b;
    }
    case abi::kKindPad: {
        auto* d = o.As<TPadData>();
        double w = std::max({d->PadSizes[0], d->PadSizes[2], d->PadSizes[4], 0});
        double hgt = std::max({d->PadSizes[1], d->PadSizes[3], d->PadSizes[5], 0});
        AddTurnedRect(b, o.X, o.Y, -w / 2, -hgt / 2, w / 2, hgt / 2, d->Rotation);
        return b;
    }
    case abi::kKindVia: {
        int64_t h = std::max<int64_t>(0, o.As<TViaData>()->Size) / 2;
        b.Add(int64_t{o.X} - h, int64_t{o.Y} - h);
        b.Add(int64_t{o.X} + h, int64_t{o.Y} + h);
        return b;
    }
    case abi::kKindText: {
        auto* d = o.As<TTextData>();
        // Stroke glyphs are about 0.6 of the height wide; the box starts at the location.
        double height = std::max(0, d->Height);
        double width = height * 0.6 * static_cast<double>(d->Text.size());
        double x0 = d->Mirror ? -width : 0, x1 = d->Mirror ? 0 : width;
        AddTurnedRect(b, o.X, o.Y, x0, 0, x1, height, d->Rotation);
        return b;
    }
    case abi::kKindFill: {
        const TFillBox f = FillBox(o);
        AddTurnedRect(b, f.CenterX, f.CenterY, -f.HalfWidth, -f.HalfHeight, f.HalfWidth,
                      f.HalfHeight, o.As<TFillData>()->Rotation);
        return b;
    }
    case abi::kKindEmbeddedBoard: {
        auto* d = o.As<TEmbeddedBoardData>();
        b.Add(o.X, o.Y);
        b.Add(d->X2, d->Y2);
        return b;
    }
    case abi::kKindRegion:
        for (const auto& p : o.As<TRegionData>()->Outline)
            b.Add(p[0], p[1]);
        if (b.Empty) b.Add(o.X, o.Y);
        return b;
    case abi::kKindComponent:
    case kKindBoard:
        EachChild(o, [&](const TObject& child) { b.Add(Bounds(child)); });
        if (b.Empty && o.Kind == abi::kKindComponent) b.Add(o.X, o.Y);
        return b;
    default:
        b.Add(o.X, o.Y);
        return b;
    }
}

std::string BoardLayerName(const TObject& board, uint32_t layer) {
    int index = StandardLayerIndex(layer);
    if (index < 0 || board.Kind != kKindBoard) return {};
    const std::string& name = board.As<TBoardData>()->LayerNames[index];
    return name.empty() ? LayerDisplayName(layer) : name;
}

std::string DisplayString(const TObject& o) {
    if (o.Kind == abi::kKindComponent) return o.As<TComponentData>()->Name;
    if (o.Kind != abi::kKindText) return {};
    const auto* d = o.As<TTextData>();
    const TObjectStore& store = Store();
    if (EqualNoCase(d->Text, ".Designator")) {
        if (const TObject* owner = store.Find(d->Owner)) return owner->As<TComponentData>()->Name;
    } else if (EqualNoCase(d->Text, ".Layer_Name")) {
        if (const TObject* board = store.BoardOf(o)) return BoardLayerName(*board, o.LayerValue);
        return LayerDisplayName(o.LayerValue);
    }
    return d->Text;
}

void CarryComponentChildren(TObject& component, int32_t oldX, int32_t oldY, double oldRotation,
                            bool children) {
    auto* cd = component.As<TComponentData>();
    double turn = cd->Rotation - oldRotation;
    int64_t dx = int64_t{component.X} - oldX, dy = int64_t{component.Y} - oldY;
    if (turn == 0 && dx == 0 && dy == 0) return;
    TObjectStore& store = Store();
    auto carry = [&](TObject& child) {
        if (turn != 0 && std::isfinite(turn)) store.Rotate(child, turn, oldX, oldY);
        if (dx != 0 || dy != 0) store.Move(child, Clamp32(dx), Clamp32(dy));
    };
    for (THandle t : {cd->NameText, cd->SecondText})
        if (TObject* text = store.Find(t)) carry(*text);
    if (!children) return;
    store.EachChild(component, [&](TObject& child) { carry(child); });
}

THandle TObjectStore::CreateIterator(THandle container, uint8_t kind, uint32_t layer) {
    TObject* c = Find(container);
    if (!c || !c->Children || NextIterator == 0) return 0;
    THandle h = NextIterator++;
    THandle first = 0;
    if (const TBucket* b = c->Children->Buckets.Find(TContainer::Key(kind, layer)))
        first = b->First;
    Iterators.emplace(h, TIterator{container, kind, layer, first});
    return h;
}

THandle TObjectStore::Step(TIterator& it, THandle candidate) {
    TObject* o = Find(candidate);
    if (!o || o->Container != it.Container || o->Kind != it.Kind || o->LayerValue != it.Layer) {
        it.Pending = 0;
        return 0;
    }
    it.Pending = o->NextInBucket;
    return candidate;
}

THandle TObjectStore::IteratorFirst(THandle iterator) {
    auto found = Iterators.find(iterator);
    if (found == Iterators.end()) return 0;
    TIterator& it = found->second;
    TObject* c = Find(it.Container);
    if (!c || !c->Children) return 0;
    const TBucket* b = c->Children->Buckets.Find(TContainer::Key(it.Kind, it.Layer));
    if (!b) {
        it.Pending = 0;
        return 0;
    }
    return Step(it, b->First);
}

THandle TObjectStore::IteratorNext(THandle iterator) {
    auto found = Iterators.find(iterator);
    if (found == Iterators.end()) return 0;
    return Step(found->second, found->second.Pending);
}

bool TObjectStore::DestroyIterator(THandle iterator) {
    return Iterators.erase(iterator) != 0;
}

} // namespace dxfi::korrin
