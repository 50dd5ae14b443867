// SPDX-License-Identifier: MIT
// The host PCB server's object model as COM-style interfaces: the server, a board, its
// objects, regions, contours and components. The host client object (abi/ClientApi.h) hands
// out the server module "PCB"; QueryInterface with IID_IPCB_ServerInterface gives the server.
//
// Ownership: interface pointers obtained from the host (server, boards, board objects) are
// borrowed: valid while the object exists, never Released by the caller. Objects that a factory
// or an iterator constructor returns are owned by the caller: a new primitive until it is
// added to a board or component (ownership then passes to the container) or Released; an
// iterator or contour until Released. No method throws.
//
// Every method uses the flat functions' convention (DXFI_STDCALL): on 32-bit Windows a
// COM-style caller pushes `this` and the arguments and the callee cleans the stack, so both
// modules must agree whichever compiler built them.
#pragma once

#include "abi/CallConv.h"

#include <cstdint>

namespace dxfi::abi {

struct TGuid {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
    friend bool operator==(const TGuid&, const TGuid&) = default;
};

// {DE2AC306-06EC-4363-A78F-E6E8BBEF03E2}
inline constexpr TGuid IID_IPCB_ServerInterface{
    0xDE2AC306, 0x06EC, 0x4363, {0xA7, 0x8F, 0xE6, 0xE8, 0xBB, 0xEF, 0x03, 0xE2}};
// {84201336-AE2C-4300-9318-C75F4FD5DE3D}
inline constexpr TGuid IID_IPCB_Board{
    0x84201336, 0xAE2C, 0x4300, {0x93, 0x18, 0xC7, 0x5F, 0x4F, 0xD5, 0xDE, 0x3D}};
// {DEA6A4C5-4002-4E91-B9C8-B997A0F46207}
inline constexpr TGuid IID_IPCB_Region{
    0xDEA6A4C5, 0x4002, 0x4E91, {0xB9, 0xC8, 0xB9, 0x97, 0xA0, 0xF4, 0x62, 0x07}};
// {4CBAA5E0-972B-4FC0-B963-0E151B22E73C}
inline constexpr TGuid IID_IPCB_Component{
    0x4CBAA5E0, 0x972B, 0x4FC0, {0xB9, 0x63, 0x0E, 0x15, 0x1B, 0x22, 0xE7, 0x3C}};
// Ids of this host's own making.
// {6B0E2F51-3C1A-4D7E-9A55-1F0C2D3E4A61}
inline constexpr TGuid IID_IPCB_Primitive{
    0x6B0E2F51, 0x3C1A, 0x4D7E, {0x9A, 0x55, 0x1F, 0x0C, 0x2D, 0x3E, 0x4A, 0x61}};
// {6B0E2F52-3C1A-4D7E-9A55-1F0C2D3E4A62}
inline constexpr TGuid IID_IPCB_Contour{
    0x6B0E2F52, 0x3C1A, 0x4D7E, {0x9A, 0x55, 0x1F, 0x0C, 0x2D, 0x3E, 0x4A, 0x62}};

inline constexpr int32_t kOk = 0;
inline constexpr int32_t kNoInterface = static_cast<int32_t>(0x80004002);

struct IInterface {
    // kOk and *out set (borrowed) when the object offers the interface; else kNoInterface and
    // *out = nullptr.
    virtual int32_t DXFI_STDCALL QueryInterface(const TGuid& iid, void** out) = 0;
    virtual uint32_t DXFI_STDCALL AddRef() = 0;
    virtual uint32_t DXFI_STDCALL Release() = 0;

protected:
    ~IInterface() = default;
};

struct TCoordRect {
    int32_t Left, Bottom, Right, Top;
};

struct IPCB_Contour : IInterface {
    virtual int32_t DXFI_STDCALL Count() = 0;
    virtual void DXFI_STDCALL SetCount(int32_t count) = 0; // new points are (0, 0)
    virtual int32_t DXFI_STDCALL X(int32_t index) = 0;     // 0 outside 0..Count-1
    virtual int32_t DXFI_STDCALL Y(int32_t index) = 0;
    virtual void DXFI_STDCALL SetPoint(int32_t index, int32_t x,
                                       int32_t y) = 0; // ignored outside the range

protected:
    ~IPCB_Contour() = default;
};

struct IPCB_Primitive : IInterface {
    virtual uint32_t DXFI_STDCALL Handle() = 0; // the flat functions' handle of this object
    virtual uint8_t DXFI_STDCALL ObjectId() = 0;
    virtual uint32_t DXFI_STDCALL Layer() = 0;
    // The run's mark: true on objects that were on the board before an import.
    virtual bool DXFI_STDCALL GetMark() = 0;
    virtual void DXFI_STDCALL SetMark(bool mark) = 0;
    virtual bool DXFI_STDCALL InComponent() = 0;
    virtual TCoordRect DXFI_STDCALL BoundingRectangle() = 0;
    virtual void DXFI_STDCALL BeginModify() = 0;
    virtual void DXFI_STDCALL MoveByXY(int32_t dx,
                                       int32_t dy) = 0; // a component moves its children too
    virtual void DXFI_STDCALL EndModify() = 0;

protected:
    ~IPCB_Primitive() = default;
};

struct IPCB_Region : IPCB_Primitive {
    virtual void DXFI_STDCALL SetRegionLayer(uint32_t layer) = 0;
    // Copies the contour's points as the region's outline.
    virtual void DXFI_STDCALL SetOutlineContour(IPCB_Contour* contour) = 0;
    virtual IPCB_Contour* DXFI_STDCALL OutlineContour() = 0; // borrowed

protected:
    ~IPCB_Region() = default;
};

struct IPCB_Component : IPCB_Primitive {
    // Makes a new primitive a child of the component; ownership passes to the component.
    virtual void DXFI_STDCALL AddPCBObject(IPCB_Primitive* object) = 0;

protected:
    ~IPCB_Component() = default;
};

struct IPCB_BoardIterator : IInterface {
    // Restricts the iteration to the kinds whose bit (1 << kind) is set.
    virtual void DXFI_STDCALL AddFilter_ObjectSet(uint32_t kindMask) = 0;
    // Every object of the board, children of components included, in a stable order; null at
    // the end. Objects added during the iteration may or may not be visited.
    virtual IPCB_Primitive* DXFI_STDCALL FirstPCBObject() = 0;
    virtual IPCB_Primitive* DXFI_STDCALL NextPCBObject() = 0;

protected:
    ~IPCB_BoardIterator() = default;
};

struct IPCB_LayerIterator : IInterface {
    // Advances; the first call goes to the first layer. False past the end.
    virtual bool DXFI_STDCALL Next() = 0;
    virtual uint32_t DXFI_STDCALL Layer() = 0;
    // The layer object's name (the user's name for the layer), kText256 buffer.
    virtual void DXFI_STDCALL Name(char* buffer256) = 0;

protected:
    ~IPCB_LayerIterator() = default;
};

struct IPCB_Board : IInterface {
    virtual uint32_t DXFI_STDCALL BoardHandle() = 0;
    // Number of board objects (children of components included) whose kind bit is set.
    virtual int32_t DXFI_STDCALL GetPrimitiveCounter(uint32_t kindMask) = 0;
    virtual IPCB_BoardIterator* DXFI_STDCALL BoardIterator_Create() = 0; // caller owns
    virtual void DXFI_STDCALL BoardIterator_Destroy(IPCB_BoardIterator* iterator) = 0;
    virtual void DXFI_STDCALL SetLayerShown(uint32_t layer, bool shown) = 0;
    virtual bool DXFI_STDCALL LayerShown(uint32_t layer) = 0;
    // The board's name for a layer (the user may have renamed it), kText256 buffer; empty for
    // a layer the board does not have.
    virtual void DXFI_STDCALL LayerName(uint32_t layer, char* buffer256) = 0;
    // Every layer of the board, in the standard order. Caller owns (Release).
    virtual IPCB_LayerIterator* DXFI_STDCALL LayerIterator() = 0;
    // Lets the user pick a point; true and the point when one was picked.
    virtual bool DXFI_STDCALL ChooseLocation(int32_t* x, int32_t* y, const char* prompt) = 0;
    // Adds a new primitive to the board; ownership passes to the board.
    virtual void DXFI_STDCALL AddPCBObject(IPCB_Primitive* object) = 0;

protected:
    ~IPCB_Board() = default;
};

struct IPCB_ServerInterface : IInterface {
    // The board interface of a board handle: kOk and *out (borrowed) for an open board and an
    // interface it offers (IID_IPCB_Board, or IID_IPCB_Component for a component handle).
    virtual int32_t DXFI_STDCALL GetPCBBoardByBoardHandle(uint32_t handle, const TGuid& iid,
                                                          void** out) = 0;
    // A new object of the kind in no container (caller owns); null for an unknown kind.
    // `reserved1` and `reserved2` are 0.
    virtual IPCB_Primitive* DXFI_STDCALL PCBObjectFactory(uint8_t kind, int32_t reserved1,
                                                          int32_t reserved2) = 0;
    virtual IPCB_Contour* DXFI_STDCALL PCBContourFactory() = 0; // caller owns

protected:
    ~IPCB_ServerInterface() = default;
};

} // namespace dxfi::abi
