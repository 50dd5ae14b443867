// SPDX-License-Identifier: MIT
// The flat PcbApi_ functions of the host module: defaults, round trips of every field of
// every kind (each field with a value of its own), refusal of handles that name nothing,
// iterators, components and the board.
#include "KorrinTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace korrintest {
namespace {

using TPcbApiTest = TBoardTest;

std::vector<uint32_t> Iterate(uint32_t container, uint8_t kind, uint32_t layer) {
    std::vector<uint32_t> found;
    uint32_t it = PcbApi_CreateIterator(container, kind, 0, layer);
    for (uint32_t h = PcbApi_GetFirstObject(it); h != 0; h = PcbApi_GetNextObject(it))
        found.push_back(h);
    PcbApi_DestroyIterator(it);
    return found;
}

TEST_F(TPcbApiTest, CreatesEveryKindWithTheHostDefaultsAndRefusesUnknownKinds) {
    for (uint8_t kind :
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 26}) {
        uint32_t h = PcbApi_CreateObject(kind);
        ASSERT_NE(h, 0u) << int(kind);
        EXPECT_EQ(PcbApi_GetObjectIdFromObjectHandle(h), kind);
        EXPECT_EQ(PcbApi_DestroyObject(h), 0);
        EXPECT_EQ(PcbApi_GetObjectIdFromObjectHandle(h), 0) << "destroyed handles name nothing";
    }
    for (uint8_t kind : {0, 23, 24, 25, 27, 255})
        EXPECT_EQ(PcbApi_CreateObject(kind), 0u);

    TTrack t;
    uint32_t track = PcbApi_CreateObject(kKindTrack);
    ASSERT_EQ(t.Query(ptRead, track), 0);
    EXPECT_EQ(t.Width, 100000); // 10 mil
    EXPECT_EQ(t.Layer, 1u);

    TText x;
    uint32_t text = PcbApi_CreateObject(kKindText);
    ASSERT_EQ(x.Query(ptRead, text), 0);
    EXPECT_EQ(x.Height, 600000); // 60 mil
    EXPECT_STREQ(x.Text, "");
    uint8_t useTrueType = 9, bold = 9, italic = 9, inverted = 9;
    char font[kText256];
    int32_t border = 0;
    ASSERT_EQ(PcbApi_QueryTrueTypeTextInfo(ptRead, text, &useTrueType, font, &bold, &italic,
                                           &inverted, &border),
              0);
    EXPECT_EQ(useTrueType, 0);
    EXPECT_STREQ(font, "Arial");
    EXPECT_EQ(border, 200000);
    PcbApi_DestroyObject(track);
    PcbApi_DestroyObject(text);
}

TEST_F(TPcbApiTest, TrackArcTextFieldsRoundTrip) {
    uint32_t track = PcbApi_CreateObject(kKindTrack);
    TTrack t{1, 2, 0x04000011, -3, 4, 5, -60, 70, -80, 90, 1000, 11, 12, 13};
    ASSERT_EQ(t.Query(ptWrite, track), 0);
    TTrack r;
    ASSERT_EQ(r.Query(ptRead, track), 0);
    EXPECT_EQ(t.Tie(), r.Tie());

    uint32_t arc = PcbApi_CreateObject(kKindArc);
    TArc a{7, 8, 33, 9, 10, 11, 100, 200, 300, 12.25, 271.125, 44, 45};
    ASSERT_EQ(a.Query(ptWrite, arc), 0);
    TArc ar;
    ASSERT_EQ(ar.Query(ptRead, arc), 0);
    EXPECT_EQ(ar.Start, 12.25);
    EXPECT_EQ(ar.End, 271.125);
    EXPECT_EQ(ar.Radius, 300);
    EXPECT_EQ(ar.Layer, 33u);
    EXPECT_EQ(ar.V1, 45);

    uint32_t text = PcbApi_CreateObject(kKindText);
    TText x;
    x.Query(ptRead, text);
    x.Flags = 3, x.X = -5, x.Y = 6, x.Height = 1234, x.V1 = 7, x.Rotation = 33.5, x.Mirror = 1;
    std::strcpy(x.Text, "Héllo <&>");
    x.Width = 55, x.V2 = 8, x.V3 = 9;
    ASSERT_EQ(x.Query(ptWrite, text), 0);
    TText xr;
    ASSERT_EQ(xr.Query(ptRead, text), 0);
    EXPECT_STREQ(xr.Text, "Héllo <&>");
    EXPECT_EQ(xr.Rotation, 33.5);
    EXPECT_EQ(xr.Mirror, 1);
    EXPECT_EQ(xr.V3, 9);
    uint8_t tt = 1, bold = 1, italic = 0, inverted = 1;
    char font[kText256] = "Courier New";
    int32_t border = 77;
    ASSERT_EQ(
        PcbApi_QueryTrueTypeTextInfo(ptWrite, text, &tt, font, &bold, &italic, &inverted, &border),
        0);
    uint8_t b[4] = {1, 2, 3, 4};
    ASSERT_EQ(PcbApi_QueryBarCodeTextInfo(ptWrite, text, &b[0], &b[1], &b[2], &b[3]), 0);
    uint8_t rb[4] = {};
    char rfont[kText256] = {};
    uint8_t rtt = 0, rbold = 0, ritalic = 9, rinv = 0;
    int32_t rborder = 0;
    PcbApi_QueryTrueTypeTextInfo(ptRead, text, &rtt, rfont, &rbold, &ritalic, &rinv, &rborder);
    PcbApi_QueryBarCodeTextInfo(ptRead, text, &rb[0], &rb[1], &rb[2], &rb[3]);
    EXPECT_STREQ(rfont, "Courier New");
    EXPECT_EQ(rtt, 1);
    EXPECT_EQ(ritalic, 0);
    EXPECT_EQ(rborder, 77);
    EXPECT_EQ(std::memcmp(b, rb, 4), 0);

    uint8_t display[256] = {};
    EXPECT_EQ(PcbApi_GetDesignatorDisplayString(display, text), 10); // é takes two bytes
    EXPECT_EQ(display[0], 10);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(display + 1), 10), "Héllo <&>");

    uint8_t bf2 = 0xA5;
    uint16_t bf3 = 0xBEEF;
    EXPECT_EQ(PcbApi_GetObjectBitField2(ptWrite, text, &bf2), 0);
    EXPECT_EQ(PcbApi_GetObjectBitField3(ptWrite, text, &bf3), 0);
    bf2 = 0, bf3 = 0;
    PcbApi_GetObjectBitField2(ptRead, text, &bf2);
    PcbApi_GetObjectBitField3(ptRead, text, &bf3);
    EXPECT_EQ(bf2, 0xA5);
    EXPECT_EQ(bf3, 0xBEEF);
    for (uint32_t h : {track, arc, text})
        PcbApi_DestroyObject(h);
}

TEST_F(TPcbApiTest, TextsAreCutToTheirLimitWithoutSplittingACharacter) {
    // A component name holds at most 250 bytes: 249 ASCII bytes and a two-byte character do
    // not fit, and the character goes whole.
    uint32_t comp = PcbApi_CreateObject(kKindComponent);
    TComponent c;
    c.Query(ptRead, comp);
    std::string name = std::string(249, 'a') + "é";
    std::strcpy(c.Name, name.c_str());
    ASSERT_EQ(c.Query(ptWrite, comp), 0);
    TComponent r;
    r.Query(ptRead, comp);
    EXPECT_EQ(std::string(r.Name), std::string(249, 'a'));
    // Pad strings hold 20 bytes; a 20-byte buffer without its terminator is read up to its end.
    uint32_t pad = PcbApi_CreateObject(kKindPad);
    uint16_t w16 = 0;
    uint32_t layer = 74;
    int32_t v = 0;
    uint8_t b = 0;
    double rot = 0;
    char s1[kText21], s2[kText21] = "", s3[kText21] = "", s4[kText21] = "";
    std::memset(s1, 'x', sizeof s1); // 21 bytes, no terminator
    auto query = [&](uint8_t mode) {
        return PcbApi_QueryPad(mode, pad, &w16, &w16, &layer, &v, &b, &v, &v, &v, &v, &v, &v, &v,
                               &v, &v, &v, &b, &b, &b, s1, &b, &b, &rot, s2, s3, &v, s4, &b, &b, &v,
                               &v, &v, &v, &v, &b, &b);
    };
    ASSERT_EQ(query(ptWrite), 0);
    ASSERT_EQ(query(ptRead), 0);
    EXPECT_EQ(std::string(s1), std::string(20, 'x'));
    PcbApi_DestroyObject(comp);
    PcbApi_DestroyObject(pad);
}

TEST_F(TPcbApiTest, PadViaFillRegionBodyEmbeddedBoardAndNetFieldsRoundTrip) {
    uint32_t pad = PcbApi_CreateObject(kKindPad);
    uint16_t flags = 1, word = 2;
    uint32_t layer = 74;
    int32_t la = 3, lb = 4, x = 5, y = 6, s[6] = {11, 12, 13, 14, 15, 16}, hole = 17;
    uint8_t pb = 7, b1 = 21, b2 = 22, b3 = 23, b4 = 24, b5 = 25, b6 = 26, b7 = 27, b8 = 28, b9 = 29;
    char s1[kText21] = "one", s2[kText21] = "two", s3[kText21] = "three", s4[kText21] = "four";
    double rot = 45.5;
    int32_t l1 = 31, l2 = 32, l3 = 33, l4 = 34, l5 = 35, l6 = 36;
    auto query = [&](uint8_t mode) {
        return PcbApi_QueryPad(mode, pad, &flags, &word, &layer, &la, &pb, &lb, &x, &y, &s[0],
                               &s[1], &s[2], &s[3], &s[4], &s[5], &hole, &b1, &b2, &b3, s1, &b4,
                               &b5, &rot, s2, s3, &l1, s4, &b6, &b7, &l2, &l3, &l4, &l5, &l6, &b8,
                               &b9);
    };
    ASSERT_EQ(query(ptWrite), 0);
    flags = word = 0, layer = 0, la = lb = x = y = hole = 0, s[0] = s[5] = 0;
    b1 = b9 = 0, rot = 0, l1 = l6 = 0;
    s1[0] = s4[0] = '\0';
    ASSERT_EQ(query(ptRead), 0);
    EXPECT_EQ(flags, 1);
    EXPECT_EQ(layer, 74u);
    EXPECT_EQ(s[0], 11);
    EXPECT_EQ(s[5], 16);
    EXPECT_EQ(hole, 17);
    EXPECT_EQ(b1, 21);
    EXPECT_EQ(b9, 29);
    EXPECT_EQ(rot, 45.5);
    EXPECT_EQ(l1, 31);
    EXPECT_EQ(l6, 36);
    EXPECT_STREQ(s1, "one");
    EXPECT_STREQ(s4, "four");
    // Writes through query(ptWrite); when that succeeds, clears what clear() clears and reads
    // back through query(ptRead). Returns what the write returned.
    auto writeClearRead = [](auto query, auto clear) {
        const int32_t written = query(ptWrite);
        if (written == 0) {
            clear();
            query(ptRead);
        }
        return written;
    };
    uint8_t stack = 2;
    ASSERT_EQ(writeClearRead([&](uint8_t m) { return PcbApi_QueryPadStackMode(m, pad, &stack); },
                             [&] { stack = 0; }),
              0);
    EXPECT_EQ(stack, 2);

    uint32_t via = PcbApi_CreateObject(kKindVia);
    int32_t size = 500, vhole = 200, v1 = 1, v2 = 2;
    uint32_t low = 1, high = 0x0101002A, vl = 74;
    auto viaQuery = [&](uint8_t m) {
        return PcbApi_QueryVia(m, via, &flags, &word, &vl, &la, &pb, &lb, &x, &y, &size, &vhole,
                               &low, &high, &v1, &v2);
    };
    ASSERT_EQ(writeClearRead(viaQuery, [&] { size = vhole = 0, high = 0; }), 0);
    EXPECT_EQ(size, 500);
    EXPECT_EQ(vhole, 200);
    EXPECT_EQ(high, 0x0101002Au);

    uint32_t fill = PcbApi_CreateObject(kKindFill);
    int32_t x2 = 99, y2 = 98, fv = 5;
    double frot = 30;
    auto fillQuery = [&](uint8_t m) {
        return PcbApi_QueryFill(m, fill, &flags, &word, &layer, &la, &pb, &lb, &x, &y, &x2, &y2,
                                &frot, &fv);
    };
    ASSERT_EQ(writeClearRead(fillQuery, [&] { x2 = 0, frot = 0; }), 0);
    EXPECT_EQ(x2, 99);
    EXPECT_EQ(frot, 30);

    uint32_t region = PcbApi_CreateObject(kKindRegion);
    int32_t kind = 3, rv = 4;
    auto regionQuery = [&](uint8_t m) {
        return PcbApi_QueryRegion(m, region, &flags, &word, &layer, &la, &pb, &lb, &x, &y, &kind,
                                  &rv);
    };
    ASSERT_EQ(writeClearRead(regionQuery, [&] { kind = rv = 0; }), 0);
    EXPECT_EQ(kind, 3);
    EXPECT_EQ(rv, 4);

    uint32_t body = PcbApi_CreateObject(kKindComponentBody);
    int32_t height = 1500, bv = 6;
    auto bodyQuery = [&](uint8_t m) {
        return PcbApi_QueryComponentBody(m, body, &flags, &word, &layer, &la, &pb, &lb, &x, &y,
                                         &height, &bv);
    };
    ASSERT_EQ(writeClearRead(bodyQuery, [&] { height = 0; }), 0);
    EXPECT_EQ(height, 1500);

    uint32_t embedded = PcbApi_CreateObject(kKindEmbeddedBoard);
    int32_t ex2 = 10, ey2 = 20, rows = 3, cols = 4, rs = 5, cs = 6;
    double erot = 90;
    char path[kText256] = "/boards/panel.json";
    auto embeddedQuery = [&](uint8_t m) {
        return PcbApi_QueryEmbeddedBoard(m, embedded, &flags, &word, &layer, &la, &pb, &lb, &x, &y,
                                         &ex2, &ey2, &rows, &cols, &rs, &cs, &erot, path);
    };
    ASSERT_EQ(writeClearRead(embeddedQuery, [&] { rows = cols = 0, path[0] = '\0'; }), 0);
    EXPECT_EQ(rows, 3);
    EXPECT_EQ(cols, 4);
    EXPECT_STREQ(path, "/boards/panel.json");

    uint32_t net = PcbApi_CreateObject(kKindNet);
    char name[kText256] = "GND";
    ASSERT_EQ(writeClearRead([&](uint8_t m) { return PcbApi_QueryNetName(m, net, name); },
                             [&] { name[0] = '\0'; }),
              0);
    EXPECT_STREQ(name, "GND");
    // A net's base properties go through QueryPrimitive.
    uint32_t nl = 0;
    ASSERT_EQ(PcbApi_QueryPrimitive(ptRead, net, &flags, &word, &nl, &la, &pb, &lb, &x, &y), 0);

    for (uint32_t h : {pad, via, fill, region, body, embedded, net})
        PcbApi_DestroyObject(h);
}

TEST_F(TPcbApiTest, PadPerLayerValuesAreKeptPerClassicLayer) {
    uint32_t pad = PcbApi_CreateObject(kKindPad);
    uint8_t shape = 0, pct = 0;
    int32_t size[2] = {}, radius = -1;
    ASSERT_EQ(PcbApi_QueryPadOrViaShapeOnLayer(pad, 1, &shape), 0);
    EXPECT_EQ(shape, 1); // round
    ASSERT_EQ(PcbApi_QueryPadOrViaSizeOnLayer(pad, 1, size), 0);
    EXPECT_EQ(size[0], 600000);
    ASSERT_EQ(PcbApi_QueryPadCornerRadiusOnLayer(pad, 1, &radius), 0);
    EXPECT_EQ(radius, 0);

    const int32_t newSize[2] = {111, 222};
    ASSERT_EQ(PcbApi_SetPadShapeOnLayer(pad, 32, 9), 0);
    ASSERT_EQ(PcbApi_SetPadSizeOnLayer(pad, 32, newSize), 0);
    ASSERT_EQ(PcbApi_SetCRPctOnLayer(pad, 32, 35), 0);
    PcbApi_QueryPadOrViaShapeOnLayer(pad, 32, &shape);
    PcbApi_QueryPadOrViaSizeOnLayer(pad, 32, size);
    PcbApi_QueryPadCRPercentageOnLayer(pad, 32, &pct);
    EXPECT_EQ(shape, 9);
    EXPECT_EQ(size[0], 111);
    EXPECT_EQ(size[1], 222);
    EXPECT_EQ(pct, 35);
    PcbApi_QueryPadOrViaShapeOnLayer(pad, 1, &shape);
    EXPECT_EQ(shape, 1) << "other layers keep their values";
    // Layer 82 is the last classic layer; 83 is none.
    EXPECT_EQ(PcbApi_SetPadShapeOnLayer(pad, 82, 2), 0);
    shape = 77;
    EXPECT_NE(PcbApi_QueryPadOrViaShapeOnLayer(pad, 83, &shape), 0);
    EXPECT_EQ(shape, 77);
    EXPECT_NE(PcbApi_SetPadShapeOnLayer(pad, 83, 2), 0);

    uint32_t via = PcbApi_CreateObject(kKindVia);
    ASSERT_EQ(PcbApi_QueryPadOrViaSizeOnLayer(via, 5, size), 0);
    EXPECT_EQ(size[0], 500000);
    EXPECT_EQ(size[1], 500000);
    EXPECT_NE(PcbApi_SetPadShapeOnLayer(via, 1, 2), 0) << "the setters are for pads";
    PcbApi_DestroyObject(pad);
    PcbApi_DestroyObject(via);
}

TEST_F(TPcbApiTest, HandlesThatNameNothingAreRefusedWithoutChangingAnything) {
    uint32_t arc = PcbApi_CreateObject(kKindArc);
    uint32_t gone = PcbApi_CreateObject(kKindTrack);
    PcbApi_DestroyObject(gone);
    uint32_t iterator = PcbApi_CreateIterator(Board, kKindTrack, 0, 1);
    for (uint32_t bad : {0u, gone, arc, Board, iterator, 0x7FFFFFF0u, 0xFFFFFFFFu}) {
        TTrack t;
        t.Width = 4242;
        EXPECT_NE(t.Query(ptRead, bad), 0) << bad;
        EXPECT_EQ(t.Width, 4242);
        EXPECT_NE(t.Query(ptWrite, bad), 0);
        EXPECT_EQ(PcbApi_ReplicateObject(bad == arc ? gone : bad), 0u);
        EXPECT_NE(PcbApi_DestroyObject(bad == arc ? gone : bad), 0);
        EXPECT_NE(PcbApi_AddObjectToContainer(Board, bad == arc ? gone : bad), 0);
        uint8_t bf = 9;
        if (bad != arc) {
            EXPECT_NE(PcbApi_GetObjectBitField2(ptRead, bad, &bf), 0);
        }
        EXPECT_EQ(bf, 9);
        uint8_t display[256] = {};
        if (bad != arc) {
            EXPECT_EQ(PcbApi_GetDesignatorDisplayString(display, bad), -1);
        }
    }
    // The mode must be one of the three.
    TArc a;
    EXPECT_NE(a.Query(3, arc), 0);
    EXPECT_EQ(PcbApi_GetFirstObject(0), 0u);
    EXPECT_EQ(PcbApi_GetNextObject(arc), 0u);
    EXPECT_EQ(PcbApi_DestroyIterator(iterator), 0);
    EXPECT_NE(PcbApi_DestroyIterator(iterator), 0);
    EXPECT_EQ(PcbApi_GetNextObject(iterator), 0u);
    EXPECT_EQ(PcbApi_CreateIterator(arc, kKindTrack, 0, 1), 0u) << "an arc holds no children";
    int32_t count = 0;
    EXPECT_NE(PcbApi_QueryBoardLayerPairsCount(arc, &count, ptRead), 0);
    PcbApi_DestroyObject(arc);
}

TEST_F(TPcbApiTest, IteratorsVisitTheChildrenOfOneKindOnOneLayerInOrder) {
    uint32_t a = AddTrack(Board, 0, 0, 10, 10, 1);
    uint32_t b = AddTrack(Board, 0, 0, 20, 20, 32);
    uint32_t c = AddTrack(Board, 0, 0, 30, 30, 1);
    uint32_t arc = PcbApi_CreateObject(kKindArc);
    PcbApi_AddObjectToContainer(Board, arc);
    EXPECT_EQ(Iterate(Board, kKindTrack, 1), (std::vector<uint32_t>{a, c}));
    EXPECT_EQ(Iterate(Board, kKindTrack, 32), (std::vector<uint32_t>{b}));
    EXPECT_EQ(Iterate(Board, kKindArc, 1), (std::vector<uint32_t>{arc}));
    EXPECT_TRUE(Iterate(Board, kKindPad, 1).empty());

    // Writing a new layer moves the object to that layer's iteration.
    TTrack t;
    t.Query(ptRead, a);
    t.Layer = 32;
    t.Query(ptWrite, a);
    EXPECT_EQ(Iterate(Board, kKindTrack, 1), (std::vector<uint32_t>{c}));
    EXPECT_EQ(Iterate(Board, kKindTrack, 32), (std::vector<uint32_t>{b, a}));

    // Destroying the object just returned does not end the iteration.
    uint32_t it = PcbApi_CreateIterator(Board, kKindTrack, 0, 32);
    uint32_t first = PcbApi_GetFirstObject(it);
    EXPECT_EQ(first, b);
    PcbApi_DestroyObject(first);
    EXPECT_EQ(PcbApi_GetNextObject(it), a);
    EXPECT_EQ(PcbApi_GetNextObject(it), 0u);
    PcbApi_DestroyIterator(it);
}

TEST_F(TPcbApiTest, IterationByKindAndLayerStaysRightThroughManyLayersAndMoves) {
    // Tracks and arcs over many layers, in a component and on the board, then moved from layer
    // to layer in an order that empties layers and refills them: each (kind, layer) iteration
    // gives exactly the objects on it, in the order they reached it.
    const uint32_t component = PcbApi_CreateObject(kKindComponent);
    PcbApi_AddObjectToContainer(Board, component);
    for (uint32_t container : {component, Board}) {
        std::map<std::pair<uint8_t, uint32_t>, std::vector<uint32_t>> expected;
        std::vector<std::pair<uint32_t, uint8_t>> objects;
        auto setLayer = [&](uint32_t h, uint8_t kind, uint32_t layer) {
            uint16_t flags = 0, word = 0;
            uint32_t old = 0;
            int32_t la = 0, lb = 0, x = 0, y = 0;
            uint8_t pb = 0;
            PcbApi_QueryPrimitive(ptRead, h, &flags, &word, &old, &la, &pb, &lb, &x, &y);
            auto& from = expected[{kind, old}];
            from.erase(std::remove(from.begin(), from.end(), h), from.end());
            PcbApi_QueryPrimitive(ptWrite, h, &flags, &word, &layer, &la, &pb, &lb, &x, &y);
            expected[{kind, layer}].push_back(h);
        };
        for (uint32_t i = 0; i < 120; ++i) {
            const uint8_t kind = i % 3 == 0 ? kKindArc : kKindTrack;
            const uint32_t h = PcbApi_CreateObject(kind);
            PcbApi_AddObjectToContainer(container, h);
            expected[{kind, 1u}].push_back(h); // Top Layer, where a new one is
            objects.push_back({h, kind});
            setLayer(h, kind, 0x02000000u + i % 40);
        }
        for (int round = 0; round < 3; ++round)
            for (std::size_t i = 0; i < objects.size(); i += 1 + round) {
                const auto [h, kind] = objects[i];
                setLayer(h, kind, 0x02000000u + (i * 7 + round * 13) % 50);
            }
        for (const auto& [key, handles] : expected)
            EXPECT_EQ(Iterate(container, key.first, key.second), handles)
                << "kind " << int(key.first) << " layer " << key.second;
        for (uint32_t layer = 0x02000000u; layer < 0x02000000u + 60; ++layer) {
            if (!expected.count({kKindTrack, layer})) {
                EXPECT_TRUE(Iterate(container, kKindTrack, layer).empty()) << layer;
            }
        }
    }
    EXPECT_EQ(BoardInterface(Board)->GetPrimitiveCounter(~1u), 241);
}

TEST_F(TPcbApiTest, ComponentChildrenFollowAnUpdateTurnedAboutTheOldLocation) {
    uint32_t comp = PcbApi_CreateObject(kKindComponent);
    TComponent c;
    ASSERT_EQ(c.Query(ptRead, comp), 0);
    ASSERT_NE(c.NameText, 0u);
    ASSERT_NE(c.SecondText, 0u);
    c.X = 1000, c.Y = 2000;
    std::strcpy(c.Name, "U1");
    ASSERT_EQ(c.Query(ptWrite, comp), 0);
    uint32_t child = AddTrack(comp, 2000, 2000, 3000, 2000, 1);
    uint32_t arc = PcbApi_CreateObject(kKindArc);
    TArc a;
    a.Query(ptRead, arc);
    a.X = 1000, a.Y = 3000, a.Radius = 500, a.Start = 0, a.End = 90, a.Layer = 1;
    a.Query(ptWrite, arc);
    PcbApi_AddObjectToContainer(comp, arc);
    PcbApi_AddObjectToContainer(Board, comp);

    // The component's texts belong to it but are not among its children.
    EXPECT_EQ(Iterate(comp, kKindText, 33), std::vector<uint32_t>{});
    EXPECT_EQ(Iterate(comp, kKindTrack, 1), std::vector<uint32_t>{child});
    uint8_t display[256] = {};
    EXPECT_EQ(PcbApi_GetDesignatorDisplayString(display, c.NameText), 2);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(display + 1), 2), "U1");
    EXPECT_NE(PcbApi_DestroyObject(c.NameText), 0) << "the component's own text goes with it";

    // Turn by 90 degrees and move by (+100, -100).
    c.Query(ptRead, comp);
    c.X = 1100, c.Y = 1900, c.Rotation = 90;
    ASSERT_EQ(c.Query(ptUpdate, comp), 0);
    TTrack t;
    t.Query(ptRead, child);
    // (2000,2000) is (+1000, 0) from the old location: turned (0, +1000), then moved.
    EXPECT_EQ(t.X, 1100);
    EXPECT_EQ(t.Y, 2900);
    EXPECT_EQ(t.X2, 1100);
    EXPECT_EQ(t.Y2, 3900);
    a.Query(ptRead, arc);
    EXPECT_EQ(a.X, 100);
    EXPECT_EQ(a.Y, 1900);
    EXPECT_EQ(a.Start, 90);
    EXPECT_EQ(a.End, 180);
    TText name;
    name.Query(ptRead, c.NameText);
    EXPECT_EQ(name.X, 1100);
    EXPECT_EQ(name.Y, 1900);
    EXPECT_EQ(name.Rotation, 90);

    // A write (not an update) leaves the children where they are.
    c.X = 0, c.Y = 0;
    c.Query(ptWrite, comp);
    t.Query(ptRead, child);
    EXPECT_EQ(t.X, 1100);

    PcbApi_DestroyObject(comp);
    EXPECT_EQ(PcbApi_GetObjectIdFromObjectHandle(child), 0);
    EXPECT_EQ(PcbApi_GetObjectIdFromObjectHandle(arc), 0);
    EXPECT_EQ(PcbApi_GetObjectIdFromObjectHandle(c.NameText), 0);
}

TEST_F(TPcbApiTest, KindByLayerIterationOverAComponentFindsEachChildOnce) {
    // The import explodes a component by asking 9 kinds x 75 layers.
    uint32_t comp = PcbApi_CreateObject(kKindComponent);
    std::vector<uint32_t> children = {AddTrack(comp, 0, 0, 1, 1, 1), AddTrack(comp, 0, 0, 1, 1, 75),
                                      AddTrack(comp, 0, 0, 1, 1, 57)};
    for (uint8_t kind : {kKindArc, kKindPad, kKindText, kKindRegion}) {
        uint32_t h = PcbApi_CreateObject(kind);
        PcbApi_AddObjectToContainer(comp, h);
        children.push_back(h);
    }
    uint32_t onLayer76 = AddTrack(comp, 0, 0, 1, 1, 76);
    std::vector<uint32_t> seen;
    for (uint8_t kind : {1, 2, 3, 4, 5, 6, 11, 12, 21})
        for (uint32_t layer = 1; layer <= 75; ++layer)
            for (uint32_t h : Iterate(comp, kind, layer))
                seen.push_back(h);
    std::sort(seen.begin(), seen.end());
    std::sort(children.begin(), children.end());
    EXPECT_EQ(seen, children) << "each child once; the component's texts and layer 76 never";
    EXPECT_EQ(Iterate(comp, kKindTrack, 76), std::vector<uint32_t>{onLayer76});
    PcbApi_DestroyObject(comp);
}

TEST_F(TPcbApiTest, ReplicatingAComponentCopiesItsChildrenAndTexts) {
    uint32_t comp = PcbApi_CreateObject(kKindComponent);
    TComponent c;
    c.Query(ptRead, comp);
    std::strcpy(c.Name, "TEMPLATE");
    c.Query(ptWrite, comp);
    uint32_t child = AddTrack(comp, 1, 2, 3, 4, 57);
    uint32_t copy = PcbApi_ReplicateObject(comp);
    ASSERT_NE(copy, 0u);
    auto children = Iterate(copy, kKindTrack, 57);
    ASSERT_EQ(children.size(), 1u);
    EXPECT_NE(children[0], child);
    TTrack t;
    t.Query(ptRead, children[0]);
    EXPECT_EQ(t.X2, 3);
    TComponent cc;
    cc.Query(ptRead, copy);
    EXPECT_STREQ(cc.Name, "TEMPLATE");
    EXPECT_NE(cc.NameText, c.NameText);
    EXPECT_NE(cc.NameText, 0u);
    // The template keeps its own child.
    EXPECT_EQ(Iterate(comp, kKindTrack, 57), std::vector<uint32_t>{child});

    // Taking a child out of the copy leaves it in no container.
    ASSERT_EQ(PcbApi_DeleteObjectFromComponent(copy, children[0]), 0);
    EXPECT_TRUE(Iterate(copy, kKindTrack, 57).empty());
    EXPECT_NE(PcbApi_DeleteObjectFromComponent(copy, children[0]), 0);
    EXPECT_EQ(PcbApi_AddObjectToContainer(Board, children[0]), 0);
    EXPECT_NE(PcbApi_AddObjectToContainer(comp, copy), 0) << "components hold no components";

    // Other component properties round-trip.
    int32_t offset = 5, kind = 6, ex1 = 7, ex2 = 8;
    uint8_t eb1 = 9, eb2 = 10;
    PcbApi_QueryComponentChannelOffset(ptWrite, comp, &offset);
    PcbApi_QueryComponentKind(ptWrite, comp, &kind);
    PcbApi_QueryComponentEx(ptWrite, comp, &ex1, &eb1, &eb2, &ex2);
    char links[8][kText256];
    for (int i = 0; i < 8; ++i)
        std::snprintf(links[i], kText256, "link %d", i);
    PcbApi_QueryComponentSourceLinks(ptWrite, comp, links[0], links[1], links[2], links[3],
                                     links[4], links[5], links[6], links[7]);
    char model[kText256] = "model.step";
    PcbApi_QueryDefaultPCB3DModel(ptWrite, comp, model);
    offset = kind = ex1 = ex2 = 0, eb1 = eb2 = 0, model[0] = '\0';
    for (auto& l : links)
        l[0] = '\0';
    PcbApi_QueryComponentChannelOffset(ptRead, comp, &offset);
    PcbApi_QueryComponentKind(ptRead, comp, &kind);
    PcbApi_QueryComponentEx(ptRead, comp, &ex1, &eb1, &eb2, &ex2);
    PcbApi_QueryComponentSourceLinks(ptRead, comp, links[0], links[1], links[2], links[3], links[4],
                                     links[5], links[6], links[7]);
    PcbApi_QueryDefaultPCB3DModel(ptRead, comp, model);
    EXPECT_EQ(offset, 5);
    EXPECT_EQ(kind, 6);
    EXPECT_EQ(ex1, 7);
    EXPECT_EQ(eb2, 10);
    EXPECT_EQ(ex2, 8);
    EXPECT_STREQ(links[7], "link 7");
    EXPECT_STREQ(model, "model.step");
    PcbApi_DestroyObject(comp);
    PcbApi_DestroyObject(copy);
}

TEST_F(TPcbApiTest, TheBoardReportsItsDefaultsAndKeepsWhatIsWritten) {
    EXPECT_EQ(PcbApi_GetCurrentBoardHandle(), Board);
    int32_t v0 = 0, v1 = 0, v2 = 0, v3 = 0, v4 = 0, v5 = 0;
    char fileName[kText256] = {};
    uint8_t byte1 = 0, unit = 0;
    uint32_t current = 0;
    ASSERT_EQ(PcbApi_QueryBoard(ptRead, Board, &v0, fileName, &byte1, &v1, &v2, &v3, &v4, &unit,
                                &current, &v5),
              0);
    EXPECT_STREQ(fileName, "test.json");
    EXPECT_EQ(unit, 1);
    EXPECT_EQ(current, 1u);

    char name[kText21] = {};
    uint8_t shown = 0;
    int32_t copper = 0, value = 0, pullBack = 0;
    ASSERT_EQ(PcbApi_QueryLayer(ptRead, Board, 1, name, &shown, &copper, &value), 0);
    EXPECT_STREQ(name, "TopLayer");
    EXPECT_EQ(copper, 14000);
    PcbApi_QueryLayer(ptRead, Board, 2, name, &shown, &copper, &value);
    EXPECT_STREQ(name, "MidLayer1");
    PcbApi_QueryLayer(ptRead, Board, 82, name, &shown, &copper, &value);
    EXPECT_STREQ(name, "ViaHoleLayer");
    char net[kText256] = {};
    ASSERT_EQ(PcbApi_QueryInternalPlane(ptRead, Board, 39, name, &shown, &copper, net, &pullBack),
              0);
    EXPECT_STREQ(name, "InternalPlane1");
    EXPECT_STREQ(net, "(No Net)");
    EXPECT_NE(PcbApi_QueryInternalPlane(ptRead, Board, 38, name, &shown, &copper, net, &pullBack),
              0);
    EXPECT_NE(PcbApi_QueryLayer(ptRead, Board, 0, name, &shown, &copper, &value), 0);
    EXPECT_NE(PcbApi_QueryLayer(ptRead, Board, 83, name, &shown, &copper, &value), 0);
    std::strcpy(name, "Signal Top");
    PcbApi_QueryLayer(ptWrite, Board, 1, name, &shown, &copper, &value);
    name[0] = '\0';
    PcbApi_QueryLayer(ptRead, Board, 1, name, &shown, &copper, &value);
    EXPECT_STREQ(name, "Signal Top");

    char material[kText256] = {};
    uint8_t dk = 0;
    double constant = 0;
    int32_t height = 0;
    ASSERT_EQ(PcbApi_QueryLayerDielectric(ptRead, Board, 5, material, &dk, &constant, &height), 0);
    EXPECT_STREQ(material, "FR-4");
    EXPECT_EQ(dk, 1);
    EXPECT_EQ(constant, 4.8);
    EXPECT_EQ(height, 126000);
    char bottom[kText256] = {};
    uint8_t bk = 0;
    double bc = 0;
    int32_t bh = 0;
    ASSERT_EQ(PcbApi_QueryBoardExternalDielectrics(ptRead, Board, material, &dk, &constant, &height,
                                                   bottom, &bk, &bc, &bh),
              0);
    EXPECT_STREQ(bottom, "FR-4");
    EXPECT_EQ(bh, 126000);

    uint8_t split = 0;
    ASSERT_EQ(PcbApi_QueryBoardSplitPlaneMode(ptRead, Board, &split), 0);
    EXPECT_EQ(split, 1);

    uint8_t record[kBoardOptionRecordSize], back[kBoardOptionRecordSize];
    for (int i = 0; i < kBoardOptionRecordSize; ++i)
        record[i] = static_cast<uint8_t>(i * 7);
    ASSERT_EQ(PcbApi_QueryBoardGerberOptions(ptWrite, Board, record), 0);
    ASSERT_EQ(PcbApi_QueryBoardOutputOptionsPlotLayers(ptWrite, Board, 109, record), 0);
    PcbApi_QueryBoardGerberOptions(ptRead, Board, back);
    EXPECT_EQ(std::memcmp(record, back, sizeof back), 0);
    std::memset(back, 0, sizeof back);
    PcbApi_QueryBoardOutputOptionsPlotLayers(ptRead, Board, 109, back);
    EXPECT_EQ(std::memcmp(record, back, sizeof back), 0);
    PcbApi_QueryBoardOutputOptionsFlipLayers(ptRead, Board, 1, back);
    EXPECT_EQ(back[5], 0) << "a record never written reads as zeros";
    EXPECT_NE(PcbApi_QueryBoardOutputOptionsPlotLayers(ptRead, Board, -1, back), 0);

    // Layer pairs: the mode comes last in the count function.
    int32_t count = 0;
    ASSERT_EQ(PcbApi_QueryBoardLayerPairsCount(Board, &count, ptRead), 0);
    EXPECT_EQ(count, 1);
    count = 2;
    ASSERT_EQ(PcbApi_QueryBoardLayerPairsCount(Board, &count, ptWrite), 0);
    uint32_t low = 2, high = 5;
    uint8_t guide = 1, drawing = 1;
    ASSERT_EQ(PcbApi_QueryBoardLayerPairAt(ptWrite, Board, 1, &low, &high, &guide, &drawing), 0);
    EXPECT_NE(PcbApi_QueryBoardLayerPairAt(ptWrite, Board, 2, &low, &high, &guide, &drawing), 0);
    low = high = 0;
    PcbApi_QueryBoardLayerPairAt(ptRead, Board, 0, &low, &high, &guide, &drawing);
    EXPECT_EQ(low, 1u);
    EXPECT_EQ(high, 32u);
    PcbApi_QueryBoardLayerPairAt(ptRead, Board, 1, &low, &high, &guide, &drawing);
    EXPECT_EQ(low, 2u);
    EXPECT_EQ(high, 5u);
    count = -1;
    EXPECT_NE(PcbApi_QueryBoardLayerPairsCount(Board, &count, ptWrite), 0);

    uint8_t s1 = 3, s2 = 4;
    int32_t info = 99;
    ASSERT_EQ(PcbApi_QueryBoardLayerInfo(ptWrite, Board, 7, &s1, &s2, &info), 0);
    info = 0;
    PcbApi_QueryBoardLayerInfo(ptRead, Board, 7, &s1, &s2, &info);
    EXPECT_EQ(info, 99);
}

TEST_F(TPcbApiTest, TheProgressDisplayReachesTheApplication) {
    struct TLog {
        std::string Text;
    } log;
    KorrinHost_SetProgressCallbacks(
        [](void* c, const char* caption, int32_t total) {
            static_cast<TLog*>(c)->Text +=
                std::string("init ") + caption + " " + std::to_string(total) + ";";
        },
        [](void* c) { static_cast<TLog*>(c)->Text += "step;"; },
        [](void* c) { static_cast<TLog*>(c)->Text += "done;"; }, &log);
    const uint8_t caption[] = {8, 'L', 'o', 'a', 'd', 'i', 'n', 'g', ' ', 'x'};
    PcbApi_Percent_Init(caption, 100);
    PcbApi_Percent_Update();
    PcbApi_Percent_Finish();
    KorrinHost_SetProgressCallbacks(nullptr, nullptr, nullptr, nullptr);
    PcbApi_Percent_Update(); // nothing installed: nothing happens
    EXPECT_EQ(log.Text, "init Loading  100;step;done;");
}

// ---- Every field of every kind -----------------------------------------------------------
// Each exchange's fields, listed once with their names: filled with values no other field
// has, written, read into cleared variables and compared one by one.

// A value for field number `n` that no other field of the exchange shares.
void Distinct(uint8_t& v, int n) {
    v = static_cast<uint8_t>(100 + n);
}
void Distinct(uint16_t& v, int n) {
    v = static_cast<uint16_t>(1000 + n);
}
void Distinct(uint32_t& v, int n) {
    v = static_cast<uint32_t>(2000 + n);
}
void Distinct(int32_t& v, int n) {
    v = -(30000 + n);
}
void Distinct(double& v, int n) {
    v = n + 0.25;
}
template <std::size_t N> void Distinct(char (&v)[N], int n) {
    std::snprintf(v, N, "field %d", n);
}

template <typename T> bool Same(const T& a, const T& b) {
    return a == b;
}
template <std::size_t N> bool Same(const char (&a)[N], const char (&b)[N]) {
    return std::strncmp(a, b, N) == 0;
}
template <typename T> std::string Show(const T& v) {
    return std::to_string(v);
}
template <std::size_t N> std::string Show(const char (&v)[N]) {
    return std::string(v, strnlen(v, N));
}

// Fills every field of `written` (Fill may then set the fields whose values are limited),
// writes it, reads into a cleared record and compares every field.
template <typename T, typename TFill>
void ExpectEveryFieldKept(const char* exchange, uint32_t handle, TFill fill) {
    SCOPED_TRACE(exchange);
    T written;
    int n = 0;
    written.Each([&](const char*, auto& field) { Distinct(field, ++n); });
    fill(written);
    ASSERT_EQ(written.Query(ptWrite, handle), 0);
    T read; // every field zero or empty
    ASSERT_EQ(read.Query(ptRead, handle), 0);
    std::vector<std::pair<const char*, std::string>> wrote;
    written.Each([&](const char* name, auto& field) { wrote.emplace_back(name, Show(field)); });
    std::size_t i = 0;
    read.Each([&](const char* name, auto& field) {
        EXPECT_EQ(Show(field), wrote[i].second) << name;
        ++i;
    });
    EXPECT_EQ(i, static_cast<std::size_t>(n));
}

#define BASE_FIELDS(f)                                                                             \
    f("flags", Flags);                                                                             \
    f("primWord", PrimWord);                                                                       \
    f("layer", Layer);                                                                             \
    f("primLongA", PrimLongA);                                                                     \
    f("primByte", PrimByte);                                                                       \
    f("primLongB", PrimLongB);                                                                     \
    f("x", X);                                                                                     \
    f("y", Y)
#define BASE_ARGS &Flags, &PrimWord, &Layer, &PrimLongA, &PrimByte, &PrimLongB, &X, &Y

struct TBase {
    uint16_t Flags = 0, PrimWord = 0;
    uint32_t Layer = 0;
    int32_t PrimLongA = 0;
    uint8_t PrimByte = 0;
    int32_t PrimLongB = 0, X = 0, Y = 0;
};

struct TPrimitiveFields : TBase {
    template <typename F> void Each(F f) { BASE_FIELDS(f); }
    int32_t Query(uint8_t mode, uint32_t h) { return PcbApi_QueryPrimitive(mode, h, BASE_ARGS); }
};

struct TTrackFields : TBase {
    int32_t X2 = 0, Y2 = 0, Width = 0, V1 = 0, V2 = 0, V3 = 0;
    template <typename F> void Each(F f) {
        BASE_FIELDS(f);
        f("x2", X2), f("y2", Y2), f("width", Width), f("value1", V1), f("value2", V2),
            f("value3", V3);
    }
    int32_t Query(uint8_t mode, uint32_t h) {
        return PcbApi_QueryTrack(mode, h, BASE_ARGS, &X2, &Y2, &Width, &V1, &V2, &V3);
    }
};

struct TArcFields : TBase {
    int32_t Radius = 0;
    double Start = 0, End = 0;
    int32_t Width = 0, V1 = 0;
    template <typename F> void Each(F f) {
        BASE_FIELDS(f);
        f("radius", Radius), f("startAngle", Start), f("endAngle", End), f("width", Width),
            f("value1", V1);
    }
    int32_t Query(uint8_t mode, uint32_t h) {
        return PcbApi_QueryArc(mode, h, BASE_ARGS, &Radius, &Start, &End, &Width, &V1);
    }
};

struct TTextFields : TBase {
    int32_t Height = 0, V1 = 0;
    double Rotation = 0;
    uint8_t Mirror = 0;
    char Text[kText256] = {};
    int32_t Width = 0, V2 = 0, V3 = 0;
    template <typename F> void Each(F f) {
        BASE_FIELDS(f);
        f("height", Height), f("value1", V1), f("rotation", Rotation), f("mirror", Mirror),
            f("text", Text), f("width", Width), f("value2", V2), f("value3", V3);
    }
    int32_t Query(uint8_t mode, uint32_t h) {
        return PcbApi_QueryText(mode, h, BASE_ARGS, &Height, &V1, &Rotation, &Mirror, Text, &Width,
                                &V2, &V3);
    }
};

struct TTrueTypeFields {
    uint8_t UseTrueType = 0;
    char Font[kText256] = {};
    uint8_t Bold = 0, Italic = 0, Inverted = 0;
    int32_t Border = 0;
    template <typename F> void Each(F f) {
        f("useTrueType", UseTrueType), f("fontName", Font), f("bold", Bold), f("italic", Italic),
            f("inverted", Inverted), f("invertedBorder", Border);
    }
    int32_t Query(uint8_t mode, uint32_t h) {
        return PcbApi_QueryTrueTypeTextInfo(mode, h, &UseTrueType, Font, &Bold, &Italic, &Inverted,
                                            &Border);
    }
};

struct TBarCodeFields {
    uint8_t Kind = 0, V1 = 0, V2 = 0, V3 = 0;
    template <typename F> void Each(F f) {
        f("barCodeKind", Kind), f("value1", V1), f("value2", V2), f("value3", V3);
    }
    int32_t Query(uint8_t mode, uint32_t h) {
        return PcbApi_QueryBarCodeTextInfo(mode, h, &Kind, &V1, &V2, &V3);
    }
};

struct TPadFields : TBase {
    int32_t Size[6] = {}, Hole = 0;
    uint8_t B1 = 0, B2 = 0, B3 = 0;
    char S1[kText21] = {};
    uint8_t B4 = 0, B5 = 0;
    double Rotation = 0;
    char S2[kText21] = {}, S3[kText21] = {};
    int32_t L1 = 0;
    char S4[kText21] = {};
    uint8_t B6 = 0, B7 = 0;
    int32_t L2 = 0, L3 = 0, L4 = 0, L5 = 0, L6 = 0;
    uint8_t B8 = 0, B9 = 0;
    template <typename F> void Each(F f) {
        BASE_FIELDS(f);
        f("padSize1", Size[0]), f("padSize2", Size[1]), f("padSize3", Size[2]),
            f("padSize4", Size[3]), f("padSize5", Size[4]), f("padSize6", Size[5]);
        f("holeSize", Hole), f("byte1", B1), f("byte2", B2), f("byte3", B3), f("string1", S1),
            f("byte4", B4), f("byte5", B5), f("rotation", Rotation), f("string2", S2),
            f("string3", S3), f("long1", L1), f("string4", S4), f("byte6", B6), f("byte7", B7),
            f("long2", L2), f("long3", L3), f("long4", L4), f("long5", L5), f("long6", L6),
            f("byte8", B8), f("byte9", B9);
    }
    int32_t Query(uint8_t mode, uint32_t h) {
        return PcbApi_QueryPad(mode, h, BASE_ARGS, &Size[0], &Size[1], &Size[2], &Size[3], &Size[4],
                               &Size[5], &Hole, &B1, &B2, &B3, S1, &B4, &B5, &Rotation, S2, S3, &L1,
                               S4, &B6, &B7, &L2, &L3, &L4, &L5, &L6, &B8, &B9);
    }
};

struct TPadStackFields {
    uint8_t Mode = 0;
    template <typename F> void Each(F f) { f("padStackMode", Mode); }
    int32_t Query(uint8_t mode, uint32_t h) { return PcbApi_QueryPadStackMode(mode, h, &Mode); }
};

struct TViaFields : TBase {
    int32_t Size = 0, Hole = 0;
    uint32_t Low = 0, High = 0;
    int32_t V1 = 0, V2 = 0;
    template <typename F> void Each(F f) {
        BASE_FIELDS(f);
        f("size", Size), f("holeSize", Hole), f("lowLayer", Low), f("highLayer", High),
            f("value1", V1), f("value2", V2);
    }
    int32_t Query(uint8_t mode, uint32_t h) {
        return PcbApi_QueryVia(mode, h, BASE_ARGS, &Size, &Hole, &Low, &High, &V1, &V2);
    }
};

struct TFillFields : TBase {
    int32_t X2 = 0, Y2 = 0;
    double Rotation = 0;
    int32_t V1 = 0;
    template <typename F> void Each(F f) {
        BASE_FIELDS(f);
        f("x2", X2), f("y2", Y2), f("rotation", Rotation), f("value1", V1);
    }
    int32_t Query(uint8_t mode, uint32_t h) {
        return PcbApi_QueryFill(mode, h, BASE_ARGS, &X2, &Y2, &Rotation, &V1);
    }
};

// Regions and component bodies: two numbers after the base properties.
constexpr char kRegionKindName[] = "regionKind";
constexpr char kBodyHeightName[] = "height";
template <auto QueryFn, const char* FirstName> struct TTwoNumberFields : TBase {
    int32_t First = 0, V1 = 0;
    template <typename F> void Each(F f) {
        BASE_FIELDS(f);
        f(FirstName, First), f("value1", V1);
    }
    int32_t Query(uint8_t mode, uint32_t h) { return QueryFn(mode, h, BASE_ARGS, &First, &V1); }
};
using TRegionFields = TTwoNumberFields<&PcbApi_QueryRegion, kRegionKindName>;
using TBodyFields = TTwoNumberFields<&PcbApi_QueryComponentBody, kBodyHeightName>;

struct TEmbeddedFields : TBase {
    int32_t X2 = 0, Y2 = 0, Rows = 0, Columns = 0, RowSpacing = 0, ColumnSpacing = 0;
    double Rotation = 0;
    char Path[kText256] = {};
    template <typename F> void Each(F f) {
        BASE_FIELDS(f);
        f("x2", X2), f("y2", Y2), f("rowCount", Rows), f("columnCount", Columns),
            f("rowSpacing", RowSpacing), f("columnSpacing", ColumnSpacing), f("rotation", Rotation),
            f("documentPath", Path);
    }
    int32_t Query(uint8_t mode, uint32_t h) {
        return PcbApi_QueryEmbeddedBoard(mode, h, BASE_ARGS, &X2, &Y2, &Rows, &Columns, &RowSpacing,
                                         &ColumnSpacing, &Rotation, Path);
    }
};

struct TNetNameFields {
    char Name[kText256] = {};
    template <typename F> void Each(F f) { f("name", Name); }
    int32_t Query(uint8_t mode, uint32_t h) { return PcbApi_QueryNetName(mode, h, Name); }
};

struct TComponentFields {
    uint16_t Flags = 0, PrimWord = 0;
    uint8_t Layer = 0, PrimByte = 0;
    uint32_t NameText = 0, SecondText = 0; // read only: compared after the write below
    char Name[kText256] = {};
    uint8_t FlagA = 0, FlagB = 0;
    int32_t X = 0, Y = 0, V1 = 0;
    double Rotation = 0;
    uint8_t Byte1 = 0;
    template <typename F> void Each(F f) {
        f("flags", Flags), f("primWord", PrimWord), f("classicLayer", Layer),
            f("primByte", PrimByte), f("nameText", NameText), f("secondText", SecondText),
            f("name", Name), f("flagA", FlagA), f("flagB", FlagB), f("x", X), f("y", Y),
            f("value1", V1), f("rotation", Rotation), f("byte1", Byte1);
    }
    int32_t Query(uint8_t mode, uint32_t h) {
        return PcbApi_QueryComponent(mode, h, &Flags, &PrimWord, &Layer, &PrimByte, &NameText,
                                     &SecondText, Name, &FlagA, &FlagB, &X, &Y, &V1, &Rotation,
                                     &Byte1);
    }
};

struct TComponentExFields {
    int32_t V1 = 0;
    uint8_t B1 = 0, B2 = 0;
    int32_t V2 = 0;
    template <typename F> void Each(F f) {
        f("value1", V1), f("byte1", B1), f("byte2", B2), f("value2", V2);
    }
    int32_t Query(uint8_t mode, uint32_t h) {
        return PcbApi_QueryComponentEx(mode, h, &V1, &B1, &B2, &V2);
    }
};

struct TComponentNumbersFields {
    int32_t ChannelOffset = 0, Kind = 0;
    template <typename F> void Each(F f) { f("channelOffset", ChannelOffset), f("kind", Kind); }
    int32_t Query(uint8_t mode, uint32_t h) {
        return PcbApi_QueryComponentChannelOffset(mode, h, &ChannelOffset) |
               PcbApi_QueryComponentKind(mode, h, &Kind);
    }
};

struct TSourceLinkFields {
    char Links[8][kText256] = {};
    char Model[kText256] = {};
    template <typename F> void Each(F f) {
        f("link1", Links[0]), f("link2", Links[1]), f("link3", Links[2]), f("link4", Links[3]),
            f("link5", Links[4]), f("link6", Links[5]), f("link7", Links[6]), f("link8", Links[7]),
            f("defaultModel", Model);
    }
    int32_t Query(uint8_t mode, uint32_t h) {
        return PcbApi_QueryComponentSourceLinks(mode, h, Links[0], Links[1], Links[2], Links[3],
                                                Links[4], Links[5], Links[6], Links[7]) |
               PcbApi_QueryDefaultPCB3DModel(mode, h, Model);
    }
};

struct TBitFields {
    uint8_t Field2 = 0;
    uint16_t Field3 = 0;
    template <typename F> void Each(F f) { f("bitField2", Field2), f("bitField3", Field3); }
    int32_t Query(uint8_t mode, uint32_t h) {
        return PcbApi_GetObjectBitField2(mode, h, &Field2) |
               PcbApi_GetObjectBitField3(mode, h, &Field3);
    }
};

#undef BASE_FIELDS
#undef BASE_ARGS

TEST_F(TPcbApiTest, EveryFieldOfEveryKindKeepsItsOwnValue) {
    // Layers must name layers: each kind gets a valid one of its own.
    auto onLayer = [](uint32_t layer) { return [layer](TBase& r) { r.Layer = layer; }; };
    auto nothing = [](auto&) {};
    // A new object of `kind`, its fields checked through TFields.
    auto checked = [](auto fields, uint8_t kind, const char* name, auto fill) {
        const uint32_t handle = PcbApi_CreateObject(kind);
        ExpectEveryFieldKept<decltype(fields)>(name, handle, fill);
        return handle;
    };
    const uint32_t track = checked(TTrackFields{}, kKindTrack, "track", onLayer(0x04000011));
    const uint32_t arc = checked(TArcFields{}, kKindArc, "arc", onLayer(33));
    const uint32_t text = checked(TTextFields{}, kKindText, "text", onLayer(34));
    ExpectEveryFieldKept<TTrueTypeFields>("true-type text", text, nothing);
    ExpectEveryFieldKept<TBarCodeFields>("bar code", text, nothing);
    const uint32_t pad = checked(TPadFields{}, kKindPad, "pad", onLayer(74));
    ExpectEveryFieldKept<TPadStackFields>("pad stack", pad, nothing);
    const uint32_t via = checked(TViaFields{}, kKindVia, "via",
                                 [](TViaFields& v) { v.Layer = 74, v.Low = 1, v.High = 32; });
    const uint32_t fill = checked(TFillFields{}, kKindFill, "fill", onLayer(0x01010021));
    const uint32_t region = checked(TRegionFields{}, kKindRegion, "region", onLayer(56));
    const uint32_t body = checked(TBodyFields{}, kKindComponentBody, "component body", onLayer(57));
    const uint32_t embedded =
        checked(TEmbeddedFields{}, kKindEmbeddedBoard, "embedded board", onLayer(0x04000012));
    const uint32_t net = PcbApi_CreateObject(kKindNet);
    ExpectEveryFieldKept<TNetNameFields>("net name", net, nothing);
    ExpectEveryFieldKept<TPrimitiveFields>("net", net, onLayer(35));
    for (uint32_t h : {track, arc, text, pad, via, fill, region, body, embedded, net})
        ExpectEveryFieldKept<TBitFields>("bit fields", h, nothing);

    const uint32_t comp = PcbApi_CreateObject(kKindComponent);
    TComponentFields before;
    ASSERT_EQ(before.Query(ptRead, comp), 0);
    ExpectEveryFieldKept<TComponentFields>("component", comp, [&](TComponentFields& c) {
        c.Layer = 32;
        c.NameText = before.NameText, c.SecondText = before.SecondText; // read only
    });
    ExpectEveryFieldKept<TComponentExFields>("component extras", comp, nothing);
    ExpectEveryFieldKept<TComponentNumbersFields>("component numbers", comp, nothing);
    ExpectEveryFieldKept<TSourceLinkFields>("component links", comp, nothing);
    ExpectEveryFieldKept<TBitFields>("component bit fields", comp, nothing);
    for (uint32_t h : {track, arc, text, pad, via, fill, region, body, embedded, net, comp})
        PcbApi_DestroyObject(h);
}

} // namespace
} // namespace korrintest
