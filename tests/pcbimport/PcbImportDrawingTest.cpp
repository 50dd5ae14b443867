// SPDX-License-Identifier: MIT
// Whole drawings of tests/data (written by ezdxf) walked by the PCB drawing processor through
// the real drawing engine onto a board of the real host module. The scale is one mil per
// drawing unit, so a drawing coordinate c lands at c * 10000 board units.
#include "ProcessorHost.h"

#include "pcbclient/PcbComponent.h"
#include "pcbclient/PcbPad.h"
#include "pcbclient/PcbPrimitives.h"
#include "pcbclient/PcbText.h"
#include "pcbimport/PcbDxfProcessor.h"
#include "support/TextSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

using namespace dxfi;
using namespace dxfi::test;
namespace ab = dxfi::abi;

namespace {

class TDrawingImportTest : public TDrawingImportFixture {
protected:
    // Imports at 10000 board units (1 mil) per drawing unit.
    TPcbDxfProcessor& Import(const std::string& file,
                             const std::function<void(TPcbDxfProcessor&)>& adjust = {}) {
        return ImportTestDrawing(file, 1.0 / 10000, adjust);
    }
};

} // namespace

TEST_F(TDrawingImportTest, LinesBecomeTracksOfTheDefaultWidthEvenWithoutLength) {
    TPcbDxfProcessor& p = Import("line_R2000.dxf");
    const auto tracks = Loose<TPcbTrack>(ab::kKindTrack);
    ASSERT_EQ(tracks.size(), 3u);
    ExpectEnds(tracks[0], 0, 0, 100000, 50000);
    EXPECT_EQ(tracks[0].Width, 50000);
    EXPECT_EQ(tracks[0].Layer, p.Mappings.LayerOf("LINES"));
    ExpectEnds(tracks[2], -30000, 40000, -30000, 40000);
    EXPECT_EQ(tracks[2].Width, 50000);
    EXPECT_EQ(tracks[2].Layer, p.Mappings.LayerOf("0"));
    EXPECT_NE(tracks[0].Layer, NoLayer);
    EXPECT_TRUE(p.UsedLayers.Contains(tracks[0].Layer));
    EXPECT_TRUE(p.ImportSucceeded());
}

TEST_F(TDrawingImportTest, PointsAreDotsOfTheDefaultWidth) {
    Import("point_R2000.dxf");
    const auto arcs = Loose<TPcbArc>(ab::kKindArc);
    ASSERT_EQ(arcs.size(), 2u);
    ExpectCircle(arcs[0], 35000, 42500, 12500, 25000);
    EXPECT_EQ(arcs[0].StartAngle, 0.0);
    EXPECT_EQ(arcs[0].EndAngle, 360.0);
}

TEST_F(TDrawingImportTest, DonutsBecomePadsUnlessTheLayerSaysNone) {
    Import("donut_R2000.dxf");
    auto pads = Loose<TPcbPad>(ab::kKindPad);
    ASSERT_EQ(pads.size(), 2u);
    // (9,5)-(11,5), half circles, vertex widths 1: a ring of radius 1 and width 1.
    EXPECT_EQ(pads[0].X, 100000);
    EXPECT_EQ(pads[0].Y, 50000);
    EXPECT_EQ(pads[0].HoleSize, 10000);
    EXPECT_EQ(pads[0].PadSizes[0], 30000);
    EXPECT_EQ(pads[0].PadSizes[5], 30000);
    // (20,5)-(22,5) with no vertex widths: the polyline's constant width 0.5.
    EXPECT_EQ(pads[1].X, 210000);
    EXPECT_EQ(pads[1].HoleSize, 15000);
    EXPECT_EQ(pads[1].PadSizes[0], 25000);
    EXPECT_TRUE(Loose<TPcbArc>(ab::kKindArc).empty());
}

TEST_F(TDrawingImportTest, DonutsOnALayerWithoutPadsStayArcs) {
    Import("donut_R2000.dxf", [](TPcbDxfProcessor& p) {
        p.Mappings.SetMapping("PADS", p.Mappings.LayerOf("PADS"), ccNone, 300000.0);
    });
    EXPECT_TRUE(Loose<TPcbPad>(ab::kKindPad).empty());
    const auto arcs = Loose<TPcbArc>(ab::kKindArc);
    ASSERT_EQ(arcs.size(), 4u);
    EXPECT_EQ(arcs[0].Radius, 10000);
    EXPECT_EQ(arcs[0].Width, 10000);
}

TEST_F(TDrawingImportTest, InsertsAreComponentsWhenNotExploded) {
    Import("insert_R2000.dxf", [](TPcbDxfProcessor& p) { p.ExplodeBlocks = false; });
    const auto components = LooseObjects(ab::kKindComponent);
    // OUTER, INNER twice; the INNER inserted in OUTER is flattened into OUTER and adds no
    // component of its own.
    EXPECT_EQ(components.size(), 3u);
    EXPECT_EQ(LooseObjects(ab::kKindTrack).size(), 1u); // the model space line
    TPcbComponent outer(components[0].Handle);
    outer.TransferProperties(ptRead);
    EXPECT_EQ(outer.X, 100000);
    EXPECT_EQ(outer.Y, 200000);
    EXPECT_NEAR(outer.Rotation, 30.0, 1e-9);
}

TEST_F(TDrawingImportTest, InsertsBreakIntoPrimitivesWhenExploded) {
    Import("insert_R2000.dxf");
    EXPECT_TRUE(LooseObjects(ab::kKindComponent).empty());
    EXPECT_TRUE(Objects(~0u).size() ==
                LooseObjects(ab::kKindTrack).size() + LooseObjects(ab::kKindArc).size());
    // OUTER: its line and the nested INNER's line and circle; INNER twice: a line and a circle.
    EXPECT_EQ(LooseObjects(ab::kKindTrack).size(), 5u);
    EXPECT_EQ(LooseObjects(ab::kKindArc).size(), 3u);
}

TEST_F(TDrawingImportTest, DimensionsAlwaysBecomeLoosePrimitives) {
    Import("dimension_R2000.dxf", [](TPcbDxfProcessor& p) { p.ExplodeBlocks = false; });
    EXPECT_TRUE(Objects(1u << ab::kKindComponent).empty());
    EXPECT_GT(LooseObjects(ab::kKindTrack).size(), 1u);
}

TEST_F(TDrawingImportTest, SplinesAreDiscardedWithAReportLine) {
    TPcbDxfProcessor& p = Import("spline_R2000.dxf");
    EXPECT_TRUE(p.EntitiesDiscarded);
    EXPECT_FALSE(p.ImportSucceeded());
    EXPECT_TRUE(Objects(~0u).empty());
    EXPECT_EQ(testsupport::Occurrences(p.GetReport().ToXmlString(),
                                       "SPLINE entity was discarded because it is not supported"),
              2u);
}

TEST_F(TDrawingImportTest, SolidsAreRegionsAndTracesFourTracks) {
    Import("solid_R2000.dxf");
    const auto regions = LooseObjects(ab::kKindRegion);
    ASSERT_EQ(regions.size(), 2u);
    const auto tracks = Loose<TPcbTrack>(ab::kKindTrack);
    ASSERT_EQ(tracks.size(), 4u);
    // Corners (20,0), (24,0), (24,1), (20,1) in outline order: p1-p2, p1-p4, p2-p3, p3-p4.
    const int32_t expected[4][4] = {{200000, 0, 240000, 0},
                                    {200000, 0, 200000, 10000},
                                    {240000, 0, 240000, 10000},
                                    {240000, 10000, 200000, 10000}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        ExpectEnds(tracks[i], expected[i][0], expected[i][1], expected[i][2], expected[i][3]);
    }
}

TEST_F(TDrawingImportTest, TextsLoseTheirControlCodes) {
    TPcbDxfProcessor& p = Import("texts_R2000.dxf");
    std::vector<std::string> texts;
    for (const TPcbText& text : Loose<TPcbText>(ab::kKindText))
        texts.push_back(text.Text);
    ASSERT_GE(texts.size(), 4u);
    EXPECT_EQ(texts[0], "10 45 \xC2\xB1 0.1 C <script>&\"'");
    EXPECT_EQ(texts[3], "underlined 50");
    EXPECT_NE(p.Mappings.LayerOf("Schrift_\xC3\xA4"), NoLayer);
}

TEST_F(TDrawingImportTest, FrozenAndSwitchedOffLayersAreNotImported) {
    TPcbDxfProcessor& p = Import("layers_R2000.dxf");
    EXPECT_EQ(p.Mappings.LayerOf("FROZEN"), NoLayer);
    EXPECT_EQ(p.Mappings.LayerOf("OFF"), NoLayer);
    const auto tracks = Loose<TPcbTrack>(ab::kKindTrack);
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].Y, 20000);
    EXPECT_FALSE(p.EntitiesDiscarded); // not imported is not discarded
}

TEST_F(TDrawingImportTest, ManyLayersWrapAroundTheMechanicalLayersAndSurviveExploding) {
    TPcbDxfProcessor& p = Import("manylayers_R2000.dxf");
    EXPECT_EQ(LooseObjects(ab::kKindTrack).size(), 40u);
    std::vector<TV7_Layer> layers;
    for (const auto& track : LooseObjects(ab::kKindTrack))
        layers.push_back(track.Layer);
    EXPECT_NE(std::find(layers.begin(), layers.end(), MechanicalLayer(32)), layers.end());
    EXPECT_FALSE(p.UsedLayers.IsInfinite());
}

TEST_F(TDrawingImportTest, PolylinesTakeTheMeanVertexWidthAndTheirVerticesLayer) {
    TPcbDxfProcessor& p = Import("polyline2d_R2000.dxf");
    const auto tracks = Loose<TPcbTrack>(ab::kKindTrack);
    ASSERT_EQ(tracks.size(), 4u); // the closed rectangle
    for (const TPcbTrack& track : tracks) {
        EXPECT_EQ(track.Width, 5000);
        EXPECT_EQ(track.Layer, p.Mappings.LayerOf("PLINES"));
    }
    ExpectEnds(tracks[3], 0, 50000, 0, 0);
    const auto arcs = Loose<TPcbArc>(ab::kKindArc);
    ASSERT_EQ(arcs.size(), 2u);
    // (20,0) to (25,0) with bulge 1: a half circle about (22.5,0); widths 0.1 and 0.3.
    ExpectCircle(arcs[0], 225000, 0, 25000, 2000);
    EXPECT_EQ(arcs[0].Layer, p.Mappings.LayerOf("PLINES"));
}

TEST_F(TDrawingImportTest, EllipsesAndMultilinesAreDrawnWithTheDefaultWidth) {
    Import("ellipse_R2000.dxf", [](TPcbDxfProcessor& p) { p.DefaultLineWidth = 20000; });
    auto tracks = Loose<TPcbTrack>(ab::kKindTrack);
    auto arcs = Loose<TPcbArc>(ab::kKindArc);
    ASSERT_FALSE(tracks.empty() && arcs.empty());
    for (const TPcbTrack& track : tracks)
        EXPECT_EQ(track.Width, 20000);
    for (const TPcbArc& arc : arcs)
        EXPECT_EQ(arc.Width, 20000);
}

TEST_F(TDrawingImportTest, PaperSpaceIsWalkedWhenChosen) {
    // As the options dialog does: choose the space, then read its extents.
    Import("paperspace_R2000.dxf", [](TPcbDxfProcessor& p) {
        p.SpacesToImport = 1;
        p.RecomputeExtents(0);
    });
    const auto tracks = Loose<TPcbTrack>(ab::kKindTrack);
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].X2, 2000000);
    EXPECT_EQ(Loose<TPcbArc>(ab::kKindArc).size(), 1u);
    const auto texts = Loose<TPcbText>(ab::kKindText);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].Text, "Title");
}

TEST_F(TDrawingImportTest, MappingsChangedBetweenWalksTakeEffectOnTheNextWalk) {
    Processor = std::make_unique<TPcbDxfProcessor>(DXFI_TEST_DATA_DIR "/manylayers_R2000.dxf",
                                                   *BoardWrapper);
    TPcbDxfProcessor& p = *Processor;
    ASSERT_TRUE(p.LoadFile()) << p.LoadErrorText;
    p.SetDrawingScale(1.0 / 10000);
    p.ProcessDrawing();
    const TV7_Layer before = p.Mappings.LayerOf("L05");
    ASSERT_NE(before, NoLayer);

    // Between the walks, as the dialog would: one layer elsewhere, one not imported.
    p.Mappings.SetMapping("L05", MechanicalLayer(40), ccAll, 0.0);
    p.Mappings.SetMapping("l07", NoLayer, ccAll, 0.0);
    p.ProcessDrawing();
    p.CloseFile();

    // Line i of layer Lii runs from (i, 0) to (i, 10): 40 of the first walk, 39 of the second.
    std::map<int32_t, std::vector<TV7_Layer>> layersAtX;
    for (const TPcbTrack& track : Loose<TPcbTrack>(ab::kKindTrack))
        layersAtX[track.X].push_back(track.Layer);
    ASSERT_EQ(layersAtX.size(), 40u);
    EXPECT_EQ(layersAtX[50000], (std::vector<TV7_Layer>{before, MechanicalLayer(40)}));
    EXPECT_EQ(layersAtX[70000].size(), 1u);
    EXPECT_EQ(layersAtX[80000].size(), 2u);
    EXPECT_TRUE(p.UsedLayers.Contains(before));
    EXPECT_TRUE(p.UsedLayers.Contains(MechanicalLayer(40)));
}
