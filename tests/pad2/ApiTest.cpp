// SPDX-License-Identifier: MIT
// The eda functions beyond single records: initialisation, progress, extents, arc centres,
// layers and whole files in each format.
#include "DxfText.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>

using namespace dxfi::abi;
using namespace pad2test;

namespace {

std::vector<int> Progress;
void RecordProgress(int16_t percent) {
    Progress.push_back(percent);
}

double HeaderF64(TDrawingHandle h, int offset) {
    return Get<double>(edaHeaderPointer(h), offset);
}

// A HEADER section stating the model space's extents: x, y and z of each corner.
std::string StatedExtents(const std::array<const char*, 3>& min,
                          const std::array<const char*, 3>& max) {
    return Section("HEADER", Groups({{9, "$EXTMIN"},
                                     {10, min[0]},
                                     {20, min[1]},
                                     {30, min[2]},
                                     {9, "$EXTMAX"},
                                     {10, max[0]},
                                     {20, max[1]},
                                     {30, max[2]}}));
}

} // namespace

TEST(Pad2ApiTest, InitReadsTheDataFile) {
    int32_t code = -1;
    EXPECT_EQ(edaInitAd2(DXFI_BIN_DIR "/PADINIT.DAT", 0, &code), 1);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(edaInitAd2("/nonexistent/PADINIT.DAT", 0, &code), 0);
    EXPECT_EQ(std::string(edaErrorStr(code)),
              "The drawing engine's data file /nonexistent/PADINIT.DAT cannot be read: reinstall "
              "the importer.");
    TTempFile foreign("something else\n", "PADINIT.DAT");
    EXPECT_EQ(edaInitAd2(foreign.Path().c_str(), 0, &code), 0);
    EXPECT_EQ(std::string(edaErrorStr(code)),
              "The file " + foreign.Path() +
                  " is not the drawing engine's data file: reinstall the importer.");
    TTempFile old("PAD2INIT\r\nversion=0\r\n", "PADINIT.DAT");
    EXPECT_EQ(edaInitAd2(old.Path().c_str(), 0, &code), 0);
    EXPECT_EQ(std::string(edaErrorStr(code)),
              "The drawing engine's data file " + old.Path() +
                  " is of version 0; this engine needs version 1: reinstall the importer.");
}

TEST(Pad2ApiTest, ArcCentreIsCounterClockwiseForPositiveAngles) {
    double cx = 9, cy = 9, r = 9;
    ASSERT_EQ(edaCalcPlineArcCenter(1, 0, 0, 1, std::numbers::pi / 2, &cx, &cy, &r), 1);
    EXPECT_NEAR(cx, 0.0, 1e-12);
    EXPECT_NEAR(cy, 0.0, 1e-12);
    EXPECT_NEAR(r, 1.0, 1e-12);
    ASSERT_EQ(edaCalcPlineArcCenter(1, 0, 0, 1, -std::numbers::pi / 2, &cx, &cy, &r), 1);
    EXPECT_NEAR(cx, 1.0, 1e-12);
    EXPECT_NEAR(cy, 1.0, 1e-12);
    ASSERT_EQ(edaCalcPlineArcCenter(0, 0, 10, 0, std::numbers::pi, &cx, &cy, &r), 1); // bulge 1
    EXPECT_NEAR(cx, 5.0, 1e-12);
    EXPECT_NEAR(cy, 0.0, 1e-12);
    EXPECT_NEAR(r, 5.0, 1e-12);
    ASSERT_EQ(edaCalcPlineArcCenter(0, 0, 2, 0, 3 * std::numbers::pi / 2, &cx, &cy, &r),
              1); // major arc
    EXPECT_NEAR(cx, 1.0, 1e-12);
    EXPECT_NEAR(cy, -1.0, 1e-12);
    EXPECT_NEAR(r, std::sqrt(2.0), 1e-12);
    EXPECT_EQ(edaCalcPlineArcCenter(1, 1, 1, 1, 1.0, &cx, &cy, &r), 0);
    EXPECT_EQ(cx, 0.0);
    EXPECT_EQ(r, 0.0);
    EXPECT_EQ(edaCalcPlineArcCenter(0, 0, 1, 0, 0.0, &cx, &cy, &r), 0);
    EXPECT_EQ(edaCalcPlineArcCenter(0, 0, NAN, 0, 1.0, &cx, &cy, &r), 0);
    EXPECT_EQ(edaCalcPlineArcCenter(0, 0, 1, 0, 1.0, nullptr, &cy, &r), 0);
}

TEST(Pad2ApiTest, ProgressRisesFromZeroToHundredBoundedly) {
    std::string entities;
    for (int i = 0; i < 40000; ++i)
        entities += Groups({{0, "LINE"}, {10, std::to_string(i)}, {20, "0"}, {11, "1"}, {21, "1"}});
    Progress.clear();
    edaSetAd2LoadometerFn(&RecordProgress);
    const TDrawingHandle h = Load(EntitiesDxf(entities));
    edaSetAd2LoadometerFn(nullptr);
    ASSERT_NE(h, 0u);
    ASSERT_GE(Progress.size(), 3u);
    EXPECT_LE(Progress.size(), 101u);
    EXPECT_EQ(Progress.front(), 0);
    EXPECT_EQ(Progress.back(), 100);
    for (std::size_t i = 1; i < Progress.size(); ++i)
        EXPECT_LT(Progress[i - 1], Progress[i]);
    EXPECT_EQ(ListOf(h, "*MODEL_SPACE").size(), 40001u);
    edaCloseFile(h);
}

TEST(Pad2ApiTest, StatedExtentsAreKeptWhenTheyHoldEveryTestedPoint) {
    const std::string stated = StatedExtents({"-1", "-2", "0"}, {"3", "4", "0"}) +
                               EntitiesDxf(Groups({{0, "POINT"}, {10, "1"}, {20, "2"}}));
    // The ENTITIES helper starts its own SECTION; drop its EOF duplication by building directly.
    const TDrawingHandle a = Load(stated);
    ASSERT_NE(a, 0u) << LastError();
    EXPECT_EQ(HeaderF64(a, DrawingHeader::ModelExtMin), -1.0);
    EXPECT_EQ(HeaderF64(a, DrawingHeader::ModelExtMax + 8), 4.0);
    EXPECT_EQ(HeaderF64(a, DrawingHeader::PaperExtMin), 1e20); // empty paper space stays inverted
    EXPECT_EQ(HeaderF64(a, DrawingHeader::PaperExtMax), -1e20);
    edaCloseFile(a);
    // A point outside the stated extents: the engine's own exact extents replace them.
    const std::string stale = stated.substr(0, stated.find("0\nENDSEC\n") + 9) +
                              EntitiesDxf(Groups({{0, "POINT"}, {10, "100"}, {20, "-7"}}));
    const TDrawingHandle c = Load(stale);
    ASSERT_NE(c, 0u) << LastError();
    EXPECT_EQ(HeaderF64(c, DrawingHeader::ModelExtMin), 100.0);
    EXPECT_EQ(HeaderF64(c, DrawingHeader::ModelExtMin + 8), -7.0);
    EXPECT_EQ(HeaderF64(c, DrawingHeader::ModelExtMax), 100.0);
    EXPECT_EQ(HeaderF64(c, DrawingHeader::ModelExtMax + 8), -7.0);
    edaCloseFile(c);

    // Block B holds a line from (1,1) to (2,3) and inserts itself.
    const std::string blockB = Groups({{0, "BLOCK"}, {2, "B"}, {10, "1"}, {20, "1"}}) +
                               Groups({{0, "LINE"}, {10, "1"}, {20, "1"}, {11, "2"}, {21, "3"}}) +
                               Groups({{0, "INSERT"}, {2, "B"}, {0, "ENDBLK"}});
    // A unit circle, and B inserted at (10,10), scaled 2 and turned 90 degrees.
    const std::string entities = Groups({{0, "CIRCLE"}, {10, "0"}, {20, "0"}, {40, "1"}}) +
                                 Groups({{0, "INSERT"}, {2, "B"}, {10, "10"}, {20, "10"}}) +
                                 Groups({{41, "2"}, {42, "2"}, {50, "90"}});
    const std::string inverted =
        DxfFile(StatedExtents({"1e20", "1e20", "1e20"}, {"-1e20", "-1e20", "-1e20"}) +
                Section("BLOCKS", blockB) + Section("ENTITIES", entities));
    const TDrawingHandle b = Load(inverted);
    ASSERT_NE(b, 0u) << LastError();
    // Circle: -1..1. Block B: (1,1)-(2,3) about base (1,1) -> (0,0)-(1,2), scaled 2 -> (0,0)-(2,4),
    // turned 90 degrees -> (-4,0)-(0,2), placed at (10,10) -> (6,10)-(10,12).
    EXPECT_NEAR(HeaderF64(b, DrawingHeader::ModelExtMin), -1.0, 1e-12);
    EXPECT_NEAR(HeaderF64(b, DrawingHeader::ModelExtMin + 8), -1.0, 1e-12);
    EXPECT_NEAR(HeaderF64(b, DrawingHeader::ModelExtMax), 10.0, 1e-12);
    EXPECT_NEAR(HeaderF64(b, DrawingHeader::ModelExtMax + 8), 12.0, 1e-12);
    // The word the system writes before recomputing is the engine's to ignore.
    uint8_t* header = edaHeaderPointer(b);
    const int16_t word = 1;
    std::memcpy(header + DrawingHeader::RecomputeWord, &word, 2);
    edaCloseFile(b);
}

TEST(Pad2ApiTest, WholeFilesInEachFormatAndLineEnd) {
    std::string lf =
        Groups({{999, "written by a test"}}) +
        Section("HEADER",
                Groups({{9, "$ACADVER"}, {1, "AC1015"}, {9, "$DWGCODEPAGE"}, {3, "ANSI_1251"}})) +
        Section("TABLES",
                Table("LAYER", Groups({{0, "LAYER"}, {2, "Cu\xC0"}, {62, "1"}, {70, "0"}}))) +
        EntitiesDxf(Groups({{0, "LINE"}, {8, "Cu\xC0"}, {10, "1"}, {20, "2"}}));
    std::string crlf;
    for (char c : lf)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    for (const std::string& text : {lf, crlf}) {
        const TDrawingHandle h = Load(text);
        ASSERT_NE(h, 0u) << LastError();
        ASSERT_EQ(edaStartLayerGet(h), 1);
        std::vector<uint8_t> layer(kLayerRecordSize);
        ASSERT_EQ(edaGetLayer(h, layer.data()), 1);
        EXPECT_EQ(Text(layer.data(), LayerRecord::Name), "Cu\xD0\x90");
        EXPECT_EQ(Get<int16_t>(layer.data(), LayerRecord::Colour), 1);
        EXPECT_EQ(edaGetLayer(h, layer.data()), 0);
        const auto list = ListOf(h, "*MODEL_SPACE");
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(list[1].F(LineData::Start + 8), 2.0);
        edaCloseFile(h);
    }
}
