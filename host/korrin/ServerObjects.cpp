// SPDX-License-Identifier: MIT
#include "host/korrin/ServerObjects.h"

#include "host/korrin/BoardModel.h"
#include "host/korrin/HostCallbacks.h"
#include "host/korrin/HostLayers.h"
#include "host/korrin/HostText.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <span>
#include <vector>

namespace dxfi::korrin {
namespace {

using abi::TGuid;

int32_t Offer(void* self, void** out) {
    *out = self;
    return abi::kOk;
}
int32_t Refuse(void** out) {
    if (out) *out = nullptr;
    return abi::kNoInterface;
}

// An interface object the caller owns through its count, which answers no queries and deletes
// itself at its last release.
template <class TSelf, class TInterface> class TCounted : public TInterface {
public:
    int32_t DXFI_STDCALL QueryInterface(const TGuid&, void** out) override { return Refuse(out); }
    uint32_t DXFI_STDCALL AddRef() override { return ++Refs; }
    uint32_t DXFI_STDCALL Release() override {
        if (--Refs == 0) {
            delete static_cast<TSelf*>(this);
            return 0;
        }
        return Refs;
    }

private:
    uint32_t Refs = 1;
};

// A contour: either the caller's own (made by the factory, deleted by Release) or the live
// view of a region's outline (borrowed, lives with the region).
class TContour final : public abi::IPCB_Contour {
public:
    explicit TContour(THandle region = 0) : Region(region) {}
    int32_t DXFI_STDCALL QueryInterface(const TGuid& iid, void** out) override {
        if (!out) return abi::kNoInterface;
        return iid == abi::IID_IPCB_Contour ? Offer(static_cast<abi::IPCB_Contour*>(this), out)
                                            : Refuse(out);
    }
    uint32_t DXFI_STDCALL AddRef() override { return Region ? 1 : ++Refs; }
    uint32_t DXFI_STDCALL Release() override {
        if (Region) return 1;
        if (--Refs == 0) {
            delete this;
            return 0;
        }
        return Refs;
    }
    int32_t DXFI_STDCALL Count() override { return static_cast<int32_t>(Points().size()); }
    void DXFI_STDCALL SetCount(int32_t count) override {
        if (count < 0 || count > (1 << 24)) return;
        try {
            Points().resize(static_cast<size_t>(count), {0, 0});
        } catch (...) {
        }
    }
    int32_t DXFI_STDCALL X(int32_t index) override {
        return InRange(index) ? Points()[index][0] : 0;
    }
    int32_t DXFI_STDCALL Y(int32_t index) override {
        return InRange(index) ? Points()[index][1] : 0;
    }
    void DXFI_STDCALL SetPoint(int32_t index, int32_t x, int32_t y) override {
        if (InRange(index)) Points()[index] = {x, y};
    }
    std::vector<std::array<int32_t, 2>>& Points() {
        if (Region) {
            if (TObject* r = Store().FindPrimitive(Region); r && r->Kind == abi::kKindRegion)
                return r->As<TRegionData>()->Outline;
            Own.clear(); // the region is gone: an empty outline
        }
        return Own;
    }

private:
    bool InRange(int32_t index) { return index >= 0 && index < Count(); }
    THandle Region;
    uint32_t Refs = 1;
    std::vector<std::array<int32_t, 2>> Own;
};

// The region and component interfaces forward the primitive operations to the object.
template <class TInterface> class TPrimitiveFacade : public TInterface, public TFacade {
public:
    explicit TPrimitiveFacade(TObject& object) : Object(object) {}
    int32_t DXFI_STDCALL QueryInterface(const TGuid& iid, void** out) override {
        return Object.QueryInterface(iid, out);
    }
    uint32_t DXFI_STDCALL AddRef() override { return Object.AddRef(); }
    uint32_t DXFI_STDCALL Release() override { return Object.Release(); }
    uint32_t DXFI_STDCALL Handle() override { return Object.Handle(); }
    uint8_t DXFI_STDCALL ObjectId() override { return Object.ObjectId(); }
    uint32_t DXFI_STDCALL Layer() override { return Object.Layer(); }
    bool DXFI_STDCALL GetMark() override { return Object.GetMark(); }
    void DXFI_STDCALL SetMark(bool mark) override { Object.SetMark(mark); }
    bool DXFI_STDCALL InComponent() override { return Object.InComponent(); }
    abi::TCoordRect DXFI_STDCALL BoundingRectangle() override { return Object.BoundingRectangle(); }
    void DXFI_STDCALL BeginModify() override { Object.BeginModify(); }
    void DXFI_STDCALL MoveByXY(int32_t dx, int32_t dy) override { Object.MoveByXY(dx, dy); }
    void DXFI_STDCALL EndModify() override { Object.EndModify(); }

protected:
    TObject& Object;
};

class TRegionFacade final : public TPrimitiveFacade<abi::IPCB_Region> {
public:
    explicit TRegionFacade(TObject& object)
        : TPrimitiveFacade<abi::IPCB_Region>(object), Outline(object.Id) {}
    void DXFI_STDCALL SetRegionLayer(uint32_t layer) override { Store().SetLayer(Object, layer); }
    void DXFI_STDCALL SetOutlineContour(abi::IPCB_Contour* contour) override {
        if (!contour) return;
        try {
            std::vector<std::array<int32_t, 2>> points(
                static_cast<size_t>(std::max<int32_t>(0, contour->Count())));
            for (size_t i = 0; i < points.size(); ++i)
                points[i] = {contour->X(static_cast<int32_t>(i)),
                             contour->Y(static_cast<int32_t>(i))};
            Object.As<TRegionData>()->Outline = std::move(points);
        } catch (...) {
        }
    }
    abi::IPCB_Contour* DXFI_STDCALL OutlineContour() override { return &Outline; }

private:
    TContour Outline;
};

// The primitive an interface pointer from this module stands for; null for a foreign one.
TObject* ObjectOf(abi::IPCB_Primitive* primitive) {
    if (!primitive) return nullptr;
    // Handles are this module's own; the object behind the handle must be the same object
    // or the object of the same facade.
    TObject* o = Store().FindPrimitive(primitive->Handle());
    if (!o) return nullptr;
    void* region = nullptr;
    if (static_cast<abi::IPCB_Primitive*>(o) == primitive) return o;
    if (o->QueryInterface(abi::IID_IPCB_Region, &region) == abi::kOk &&
        static_cast<abi::IPCB_Primitive*>(static_cast<abi::IPCB_Region*>(region)) == primitive)
        return o;
    void* component = nullptr;
    if (o->QueryInterface(abi::IID_IPCB_Component, &component) == abi::kOk &&
        static_cast<abi::IPCB_Primitive*>(static_cast<abi::IPCB_Component*>(component)) ==
            primitive)
        return o;
    return nullptr;
}

class TComponentFacade final : public TPrimitiveFacade<abi::IPCB_Component> {
public:
    using TPrimitiveFacade<abi::IPCB_Component>::TPrimitiveFacade;
    void DXFI_STDCALL AddPCBObject(abi::IPCB_Primitive* object) override {
        if (TObject* o = ObjectOf(object)) {
            try {
                Store().AddToContainer(Object, *o);
            } catch (...) {
            }
        }
    }
};

class TBoardIterator final : public TCounted<TBoardIterator, abi::IPCB_BoardIterator> {
public:
    explicit TBoardIterator(THandle board) : Board(board) {}
    void DXFI_STDCALL AddFilter_ObjectSet(uint32_t kindMask) override {
        Mask = Filtered ? (Mask | kindMask) : kindMask;
        Filtered = true;
    }
    abi::IPCB_Primitive* DXFI_STDCALL FirstPCBObject() override {
        TObject* b = Store().FindBoard(Board);
        Top = 0;
        Child = 0;
        if (!b) return nullptr;
        return Settle(b->Children->First, 0);
    }
    abi::IPCB_Primitive* DXFI_STDCALL NextPCBObject() override {
        TObjectStore& s = Store();
        TObject* top = s.Find(Top);
        if (!top || top->Container != Board) return Done();
        if (Child) {
            TObject* child = s.Find(Child);
            if (!child || child->Container != Top) return Done();
            return child->NextAll ? Settle(Top, child->NextAll) : Settle(top->NextAll, 0);
        }
        // From the top-level object, go into its children first.
        if (top->Kind == abi::kKindComponent && top->Children->First)
            return Settle(Top, top->Children->First);
        return Settle(top->NextAll, 0);
    }

private:
    bool Wanted(const TObject& o) const {
        return !Filtered || (o.Kind < 32 && (Mask & (1u << o.Kind)) != 0);
    }
    abi::IPCB_Primitive* Done() {
        Top = Child = 0;
        return nullptr;
    }
    // Finds the first wanted object at or after (top, child) in board order.
    abi::IPCB_Primitive* Settle(THandle top, THandle child) {
        TObjectStore& s = Store();
        while (top) {
            TObject* t = s.Find(top);
            if (!t) return Done();
            if (child == 0) {
                Top = top;
                Child = 0;
                if (Wanted(*t)) return t;
                if (t->Kind == abi::kKindComponent && t->Children->First) {
                    child = t->Children->First;
                    continue;
                }
                top = t->NextAll;
                continue;
            }
            TObject* c = s.Find(child);
            if (!c) return Done();
            Top = top;
            Child = child;
            if (Wanted(*c)) return c;
            child = c->NextAll;
            if (child == 0) top = t->NextAll;
        }
        return Done();
    }

    THandle Board;
    THandle Top = 0, Child = 0;
    uint32_t Mask = 0;
    bool Filtered = false;
};

class TLayerIterator final : public TCounted<TLayerIterator, abi::IPCB_LayerIterator> {
public:
    explicit TLayerIterator(THandle board) : Board(board) {}
    bool DXFI_STDCALL Next() override {
        if (Position < kStandardLayerCount) ++Position;
        return Position < kStandardLayerCount;
    }
    uint32_t DXFI_STDCALL Layer() override {
        return Position >= 0 && Position < kStandardLayerCount ? StandardLayers()[Position] : 0;
    }
    void DXFI_STDCALL Name(char* buffer256) override {
        if (!buffer256) return;
        TObject* b = Store().FindBoard(Board);
        try {
            CopyOut(b && Position >= 0 && Position < kStandardLayerCount
                        ? BoardLayerName(*b, StandardLayers()[Position])
                        : std::string(),
                    buffer256, abi::kText256);
        } catch (...) {
            buffer256[0] = '\0';
        }
    }

private:
    THandle Board;
    int Position = -1;
};

class TBoardFacade final : public abi::IPCB_Board, public TFacade {
public:
    explicit TBoardFacade(TObject& board) : BoardObject(board) {}
    int32_t DXFI_STDCALL QueryInterface(const TGuid& iid, void** out) override {
        if (!out) return abi::kNoInterface;
        return iid == abi::IID_IPCB_Board ? Offer(static_cast<abi::IPCB_Board*>(this), out)
                                          : Refuse(out);
    }
    uint32_t DXFI_STDCALL AddRef() override { return 1; }
    uint32_t DXFI_STDCALL Release() override { return 1; }
    uint32_t DXFI_STDCALL BoardHandle() override { return BoardObject.Id; }
    int32_t DXFI_STDCALL GetPrimitiveCounter(uint32_t kindMask) override {
        int64_t n = 0;
        for (int k = 1; k < kKindSlots; ++k)
            if (kindMask & (1u << k)) n += BoardObject.Children->KindCounts[k];
        return static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX));
    }
    abi::IPCB_BoardIterator* DXFI_STDCALL BoardIterator_Create() override {
        return new (std::nothrow) TBoardIterator(BoardObject.Id);
    }
    void DXFI_STDCALL BoardIterator_Destroy(abi::IPCB_BoardIterator* iterator) override {
        if (iterator) iterator->Release();
    }
    void DXFI_STDCALL SetLayerShown(uint32_t layer, bool shown) override {
        int i = StandardLayerIndex(layer);
        if (i >= 0) BoardObject.As<TBoardData>()->LayerShown[i] = shown;
    }
    bool DXFI_STDCALL LayerShown(uint32_t layer) override {
        int i = StandardLayerIndex(layer);
        return i >= 0 && BoardObject.As<TBoardData>()->LayerShown[i];
    }
    void DXFI_STDCALL LayerName(uint32_t layer, char* buffer256) override {
        if (!buffer256) return;
        try {
            CopyOut(BoardLayerName(BoardObject, layer), buffer256, abi::kText256);
        } catch (...) {
            buffer256[0] = '\0';
        }
    }
    abi::IPCB_LayerIterator* DXFI_STDCALL LayerIterator() override {
        return new (std::nothrow) TLayerIterator(BoardObject.Id);
    }
    bool DXFI_STDCALL ChooseLocation(int32_t* x, int32_t* y, const char* prompt) override {
        auto& cb = HostCallbacks();
        if (!cb.Picker || !x || !y) return false;
        int32_t px = *x, py = *y;
        if (cb.Picker(cb.PickerContext, prompt ? prompt : "", &px, &py) == 0) return false;
        *x = px;
        *y = py;
        return true;
    }
    void DXFI_STDCALL AddPCBObject(abi::IPCB_Primitive* object) override {
        if (TObject* o = ObjectOf(object)) {
            try {
                Store().AddToContainer(BoardObject, *o);
            } catch (...) {
            }
        }
    }

private:
    TObject& BoardObject;
};

template <class TFacadeType> TFacadeType* FacadeOf(TObject& o) {
    auto& slot = Store().Facades[o.Id];
    o.HasFacade = true;
    if (!slot) slot = std::make_unique<TFacadeType>(o);
    return static_cast<TFacadeType*>(slot.get());
}

class TServer final : public abi::IPCB_ServerInterface {
public:
    int32_t DXFI_STDCALL QueryInterface(const TGuid& iid, void** out) override {
        if (!out) return abi::kNoInterface;
        return iid == abi::IID_IPCB_ServerInterface
                   ? Offer(static_cast<abi::IPCB_ServerInterface*>(this), out)
                   : Refuse(out);
    }
    uint32_t DXFI_STDCALL AddRef() override { return 1; }
    uint32_t DXFI_STDCALL Release() override { return 1; }
    int32_t DXFI_STDCALL GetPCBBoardByBoardHandle(uint32_t handle, const TGuid& iid,
                                                  void** out) override {
        if (!out) return abi::kNoInterface;
        TObject* o = Store().Find(handle);
        if (!o) return Refuse(out);
        if (o->Kind == kKindBoard && iid == abi::IID_IPCB_Board) return o->QueryInterface(iid, out);
        if (o->Kind == abi::kKindComponent && iid == abi::IID_IPCB_Component)
            return o->QueryInterface(iid, out);
        return Refuse(out);
    }
    abi::IPCB_Primitive* DXFI_STDCALL PCBObjectFactory(uint8_t kind, int32_t, int32_t) override {
        try {
            TObject* o = Store().Create(kind);
            if (!o) return nullptr;
            o->CallerOwned = true;
            o->CallerRefs = 1;
            return o;
        } catch (...) {
            return nullptr;
        }
    }
    abi::IPCB_Contour* DXFI_STDCALL PCBContourFactory() override {
        return new (std::nothrow) TContour();
    }
};

} // namespace

int32_t TObject::QueryInterface(const TGuid& iid, void** out) {
    if (!out) return abi::kNoInterface;
    try {
        if (Kind == kKindBoard)
            return iid == abi::IID_IPCB_Board
                       ? Offer(static_cast<abi::IPCB_Board*>(FacadeOf<TBoardFacade>(*this)), out)
                       : Refuse(out);
        if (iid == abi::IID_IPCB_Primitive)
            return Offer(static_cast<abi::IPCB_Primitive*>(this), out);
        if (iid == abi::IID_IPCB_Region && Kind == abi::kKindRegion)
            return Offer(static_cast<abi::IPCB_Region*>(FacadeOf<TRegionFacade>(*this)), out);
        if (iid == abi::IID_IPCB_Component && Kind == abi::kKindComponent)
            return Offer(static_cast<abi::IPCB_Component*>(FacadeOf<TComponentFacade>(*this)), out);
    } catch (...) {
    }
    return Refuse(out);
}

abi::IPCB_ServerInterface* Server() {
    static TServer server;
    return &server;
}

abi::IInterface* ServerModule() {
    return Server();
}

} // namespace dxfi::korrin
