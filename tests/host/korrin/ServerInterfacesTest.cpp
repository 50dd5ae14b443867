// SPDX-License-Identifier: MIT
// The server interfaces of the host module: server lookups, object and contour factories,
// regions, components, and the board's counter, iterator, marks, moves, bounds, layer flags,
// layer names and location pick.
#include "KorrinTestSupport.h"

#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace korrintest {
namespace {

using TServerInterfacesTest = TBoardTest;

constexpr uint32_t kRunKinds = 0x767FFE;

std::vector<uint32_t> BoardObjects(IPCB_Board* board, uint32_t mask) {
    std::vector<uint32_t> found;
    IPCB_BoardIterator* it = board->BoardIterator_Create();
    it->AddFilter_ObjectSet(mask);
    for (IPCB_Primitive* p = it->FirstPCBObject(); p; p = it->NextPCBObject())
        found.push_back(p->Handle());
    board->BoardIterator_Destroy(it);
    return found;
}

TEST_F(TServerInterfacesTest, TheServerHandsOutBoardAndComponentInterfacesOnly) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(KorrinHost_GetServerModule()->QueryInterface(IID_IPCB_Board, &out), kNoInterface);
    EXPECT_EQ(out, nullptr);
    IPCB_ServerInterface* server = Server();
    ASSERT_NE(server, nullptr);
    IPCB_Board* board = BoardInterface(Board);
    ASSERT_NE(board, nullptr);
    EXPECT_EQ(board->BoardHandle(), Board);

    uint32_t comp = PcbApi_CreateObject(kKindComponent);
    uint32_t track = PcbApi_CreateObject(kKindTrack);
    out = nullptr;
    EXPECT_EQ(server->GetPCBBoardByBoardHandle(comp, IID_IPCB_Component, &out), kOk);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(static_cast<IPCB_Component*>(out)->Handle(), comp);
    EXPECT_EQ(server->GetPCBBoardByBoardHandle(comp, IID_IPCB_Board, &out), kNoInterface);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(server->GetPCBBoardByBoardHandle(Board, IID_IPCB_Component, &out), kNoInterface);
    EXPECT_EQ(server->GetPCBBoardByBoardHandle(track, IID_IPCB_Board, &out), kNoInterface);
    EXPECT_EQ(server->GetPCBBoardByBoardHandle(0, IID_IPCB_Board, &out), kNoInterface);
    EXPECT_EQ(server->GetPCBBoardByBoardHandle(0x7FFFFFF0u, IID_IPCB_Board, &out), kNoInterface);
    PcbApi_DestroyObject(comp);
    PcbApi_DestroyObject(track);
}

TEST_F(TServerInterfacesTest, ARegionMadeByTheFactoriesGoesOntoTheBoardWithItsOutline) {
    IPCB_ServerInterface* server = Server();
    IPCB_Primitive* object = server->PCBObjectFactory(kKindRegion, 0, 0);
    ASSERT_NE(object, nullptr);
    void* out = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_IPCB_Region, &out), kOk);
    auto* region = static_cast<IPCB_Region*>(out);
    region->SetRegionLayer(56);
    IPCB_Contour* contour = server->PCBContourFactory();
    contour->SetCount(4);
    contour->SetPoint(0, 0, 0);
    contour->SetPoint(1, 1000, 0);
    contour->SetPoint(2, 1000, 500);
    contour->SetPoint(3, 0, 500);
    contour->SetPoint(4, 9, 9); // outside: ignored
    EXPECT_EQ(contour->X(4), 0);
    region->SetOutlineContour(contour);
    contour->Release();
    IPCB_Board* board = BoardInterface(Board);
    board->AddPCBObject(region);
    EXPECT_EQ(board->GetPrimitiveCounter(1u << kKindRegion), 1);
    EXPECT_EQ(region->Layer(), 56u);
    IPCB_Contour* outline = region->OutlineContour();
    ASSERT_EQ(outline->Count(), 4);
    EXPECT_EQ(outline->X(2), 1000);
    EXPECT_EQ(outline->Y(2), 500);
    TCoordRect r = region->BoundingRectangle();
    EXPECT_EQ(r.Left, 0);
    EXPECT_EQ(r.Bottom, 0);
    EXPECT_EQ(r.Right, 1000);
    EXPECT_EQ(r.Top, 500);
    // Other kinds offer no region interface; unknown kinds make nothing.
    IPCB_Primitive* track = server->PCBObjectFactory(kKindTrack, 0, 0);
    EXPECT_EQ(track->QueryInterface(IID_IPCB_Region, &out), kNoInterface);
    uint32_t trackHandle = track->Handle();
    EXPECT_EQ(track->Release(), 0u) << "a factory object in no container dies with Release";
    EXPECT_EQ(PcbApi_GetObjectIdFromObjectHandle(trackHandle), 0);
    EXPECT_EQ(server->PCBObjectFactory(23, 0, 0), nullptr);
}

TEST_F(TServerInterfacesTest, ComponentsTakeChildrenAndCountersIncludeThem) {
    IPCB_Board* board = BoardInterface(Board);
    uint32_t comp = PcbApi_CreateObject(kKindComponent);
    void* out = nullptr;
    Server()->GetPCBBoardByBoardHandle(comp, IID_IPCB_Component, &out);
    auto* component = static_cast<IPCB_Component*>(out);
    IPCB_Primitive* region = Server()->PCBObjectFactory(kKindRegion, 0, 0);
    component->AddPCBObject(region);
    AddTrack(comp, 0, 0, 100, 0);
    uint32_t loose = AddTrack(Board, 0, 0, 10, 0);
    EXPECT_EQ(board->GetPrimitiveCounter(kRunKinds), 1) << "the component is not yet on the board";
    PcbApi_AddObjectToContainer(Board, comp);
    EXPECT_EQ(board->GetPrimitiveCounter(kRunKinds), 4);
    EXPECT_EQ(board->GetPrimitiveCounter(1u << kKindTrack), 2);
    EXPECT_EQ(board->GetPrimitiveCounter(1u << kKindComponent), 1);
    AddTrack(comp, 0, 0, 5, 5);
    EXPECT_EQ(board->GetPrimitiveCounter(1u << kKindTrack), 3);
    EXPECT_TRUE(region->InComponent());
    uint32_t looseHandle = loose;
    out = nullptr;
    EXPECT_EQ(BoardObjects(board, 1u << kKindTrack).size(), 3u);
    auto all = BoardObjects(board, kRunKinds);
    // Board order: the loose track, then the component followed by its children.
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0], looseHandle);
    EXPECT_EQ(all[1], comp);
    EXPECT_EQ(all[2], region->Handle());
    PcbApi_DestroyObject(comp);
    EXPECT_EQ(board->GetPrimitiveCounter(kRunKinds), 1);
}

TEST_F(TServerInterfacesTest, MarksMovesAndBoundsServeTheImportRun) {
    IPCB_Board* board = BoardInterface(Board);
    uint32_t before = AddTrack(Board, 0, 0, 100000, 0, 1, 20000);
    // Mark what was there.
    IPCB_BoardIterator* it = board->BoardIterator_Create();
    it->AddFilter_ObjectSet(kRunKinds);
    for (IPCB_Primitive* p = it->FirstPCBObject(); p; p = it->NextPCBObject())
        p->SetMark(true);
    board->BoardIterator_Destroy(it);

    uint32_t comp = PcbApi_CreateObject(kKindComponent);
    uint32_t child = AddTrack(comp, -50000, 0, 0, 0, 1, 10000);
    PcbApi_AddObjectToContainer(Board, comp);
    uint32_t arc = PcbApi_CreateObject(kKindArc);
    TArc a;
    a.Query(ptRead, arc);
    a.X = 0, a.Y = 0, a.Radius = 100000, a.Start = 45, a.End = 135, a.Width = 10000, a.Layer = 1;
    a.Query(ptWrite, arc);
    PcbApi_AddObjectToContainer(Board, arc);

    // Move every unmarked object that is not a component child by (+1000, +2000).
    it = board->BoardIterator_Create();
    it->AddFilter_ObjectSet(kRunKinds);
    std::set<uint32_t> moved;
    for (IPCB_Primitive* p = it->FirstPCBObject(); p; p = it->NextPCBObject()) {
        if (p->GetMark() || p->InComponent()) continue;
        p->BeginModify();
        p->MoveByXY(1000, 2000);
        p->EndModify();
        moved.insert(p->Handle());
    }
    board->BoardIterator_Destroy(it);
    EXPECT_EQ(moved, (std::set<uint32_t>{comp, arc}));
    TTrack t;
    t.Query(ptRead, child);
    EXPECT_EQ(t.X, -49000) << "a component carries its children";
    EXPECT_EQ(t.Y, 2000);
    t.Query(ptRead, before);
    EXPECT_EQ(t.X, 0);

    // Bounds: the track with its width; the arc's true extent (45..135 degrees) with width.
    IPCB_Primitive* p = nullptr;
    it = board->BoardIterator_Create();
    for (p = it->FirstPCBObject(); p && p->Handle() != arc; p = it->NextPCBObject()) {
    }
    ASSERT_NE(p, nullptr);
    TCoordRect r = p->BoundingRectangle();
    EXPECT_EQ(r.Left, 1000 - 70711 - 5000);
    EXPECT_EQ(r.Right, 1000 + 70711 + 5000);
    EXPECT_EQ(r.Bottom, 2000 + 70710 - 5000);
    EXPECT_EQ(r.Top, 2000 + 100000 + 5000);
    for (p = it->FirstPCBObject(); p && p->Handle() != comp; p = it->NextPCBObject()) {
    }
    ASSERT_NE(p, nullptr);
    r = p->BoundingRectangle();
    EXPECT_EQ(r.Left, -49000 - 5000);
    EXPECT_EQ(r.Right, 1000 + 5000);
    EXPECT_EQ(r.Bottom, 2000 - 5000);
    board->BoardIterator_Destroy(it);
}

TEST_F(TServerInterfacesTest, BoundsOfPadsTextsAndTurnedFills) {
    IPCB_Board* board = BoardInterface(Board);
    auto boundsOf = [&](uint32_t handle) {
        IPCB_BoardIterator* it = board->BoardIterator_Create();
        TCoordRect r{};
        for (IPCB_Primitive* p = it->FirstPCBObject(); p; p = it->NextPCBObject())
            if (p->Handle() == handle) r = p->BoundingRectangle();
        board->BoardIterator_Destroy(it);
        return std::vector<int32_t>{r.Left, r.Bottom, r.Right, r.Top};
    };
    // A pad 60 x 30 mil turned by 90 degrees.
    uint32_t pad = PcbApi_CreateObject(kKindPad);
    uint16_t w16 = 0;
    uint32_t layer = 74;
    int32_t v = 0, x = 1000000, y = 0, sx = 600000, sy = 300000, hole = 0;
    uint8_t b = 0;
    double rot = 90;
    char s[4][kText21] = {};
    PcbApi_QueryPad(ptWrite, pad, &w16, &w16, &layer, &v, &b, &v, &x, &y, &sx, &sy, &sx, &sy, &sx,
                    &sy, &hole, &b, &b, &b, s[0], &b, &b, &rot, s[1], s[2], &v, s[3], &b, &b, &v,
                    &v, &v, &v, &v, &b, &b);
    PcbApi_AddObjectToContainer(Board, pad);
    EXPECT_EQ(boundsOf(pad), (std::vector<int32_t>{850000, -300000, 1150000, 300000}));
    // A text of three characters, 100 units high, is estimated 0.6 of its height per character.
    uint32_t text = PcbApi_CreateObject(kKindText);
    TText t;
    t.Query(ptRead, text);
    t.X = 0, t.Y = 0, t.Height = 100, t.Rotation = 0;
    std::strcpy(t.Text, "abc");
    t.Query(ptWrite, text);
    PcbApi_AddObjectToContainer(Board, text);
    EXPECT_EQ(boundsOf(text), (std::vector<int32_t>{0, 0, 180, 100}));
    t.Rotation = 180;
    t.Query(ptWrite, text);
    EXPECT_EQ(boundsOf(text), (std::vector<int32_t>{-180, -100, 0, 0}));
    // A fill from (0,0) to (400,200) turned a quarter about its centre (200,100).
    uint32_t fill = PcbApi_CreateObject(kKindFill);
    int32_t x2 = 400, y2 = 200, fx = 0, fy = 0;
    double frot = 90;
    PcbApi_QueryFill(ptWrite, fill, &w16, &w16, &layer, &v, &b, &v, &fx, &fy, &x2, &y2, &frot, &v);
    PcbApi_AddObjectToContainer(Board, fill);
    EXPECT_EQ(boundsOf(fill), (std::vector<int32_t>{100, -100, 300, 300}));
}

TEST_F(TServerInterfacesTest, LayerNamesReadBackThroughTheLayerIterator) {
    IPCB_Board* board = BoardInterface(Board);
    char name[kText256] = {};
    board->LayerName(1, name);
    EXPECT_STREQ(name, "Top Layer");
    board->LayerName(0x04000011, name);
    EXPECT_STREQ(name, "Mechanical Layer 17");
    board->LayerName(0x01010028, name);
    EXPECT_STREQ(name, "") << "signal layer 40 is not on the board";
    ASSERT_EQ(KorrinHost_SetLayerName(Board, 57, "Board Outline"), 0);
    EXPECT_NE(KorrinHost_SetLayerName(Board, 0x01010028, "x"), 0);
    board->LayerName(57, name);
    EXPECT_STREQ(name, "Board Outline");
    EXPECT_EQ(KorrinHost_LayerFromName(Board, "BOARD outline"), 57u);

    // Every name the board gives reads back to its layer through the iterator.
    IPCB_LayerIterator* layers = board->LayerIterator();
    int count = 0;
    std::set<std::string> names;
    while (layers->Next()) {
        ++count;
        layers->Name(name);
        char byLayer[kText256];
        board->LayerName(layers->Layer(), byLayer);
        EXPECT_STREQ(name, byLayer);
        names.insert(name);
    }
    EXPECT_FALSE(layers->Next());
    layers->Release();
    EXPECT_EQ(count, 102);
    EXPECT_EQ(names.size(), 102u) << "names are unique";
    EXPECT_TRUE(names.count("Mechanical Layer 32"));
    EXPECT_TRUE(names.count("DRC Details"));

    EXPECT_TRUE(board->LayerShown(1));
    EXPECT_FALSE(board->LayerShown(3));
    board->SetLayerShown(3, true);
    EXPECT_TRUE(board->LayerShown(3));
}

TEST_F(TServerInterfacesTest, ChooseLocationAsksTheApplication) {
    IPCB_Board* board = BoardInterface(Board);
    int32_t x = 5, y = 6;
    EXPECT_FALSE(board->ChooseLocation(&x, &y, "Select Insertion Point"));
    EXPECT_EQ(x, 5);
    std::string prompt;
    KorrinHost_SetLocationPicker(
        [](void* c, const char* p, int32_t* px, int32_t* py) -> int32_t {
            *static_cast<std::string*>(c) = p;
            *px = 123;
            *py = -456;
            return 1;
        },
        &prompt);
    EXPECT_TRUE(board->ChooseLocation(&x, &y, "Select Insertion Point"));
    EXPECT_EQ(x, 123);
    EXPECT_EQ(y, -456);
    EXPECT_EQ(prompt, "Select Insertion Point");
    KorrinHost_SetLocationPicker(
        [](void*, const char*, int32_t* px, int32_t*) -> int32_t {
            *px = 1;
            return 0;
        },
        nullptr);
    EXPECT_FALSE(board->ChooseLocation(&x, &y, ""));
    EXPECT_EQ(x, 123) << "nothing picked: the point stays";
    KorrinHost_SetLocationPicker(nullptr, nullptr);
}

} // namespace
} // namespace korrintest
