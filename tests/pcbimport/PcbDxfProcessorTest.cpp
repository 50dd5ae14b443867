// SPDX-License-Identifier: MIT
// The PCB drawing processor's operations driven one by one against the real host module: what
// each creation operation leaves on the board, polylines and donuts from hand-filled points,
// cleaned texts, block templates and their copies, the default mapping and the saved settings.
#include "ProcessorHost.h"

#include "pcbclient/PcbApiBinding.h"
#include "pcbclient/PcbComponent.h"
#include "pcbclient/PcbPad.h"
#include "pcbclient/PcbPrimitives.h"
#include "pcbclient/PcbText.h"
#include "pcbimport/PcbDxfProcessor.h"
#include "pcbimport/RegistrySettingsStore.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <limits>

using namespace dxfi;
using namespace dxfi::test;
namespace ab = dxfi::abi;

namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr uint32_t kRegionBit = 1u << ab::kKindRegion;

class TProcessorTest : public THostFixture {
protected:
    void SetUp() override {
        THostFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Processor = std::make_unique<TPcbDxfProcessor>("/drawings/plan.dxf", *BoardWrapper);
    }
    void TearDown() override {
        Processor.reset();
        THostFixture::TearDown();
    }

    // The polyline of the hand-filled points: (x, y, width, bulge) per vertex.
    void SetPoints(std::initializer_list<std::tuple<int32_t, int32_t, int32_t, double>> vertices,
                   bool closed, const char* layerName, TBoardCoord listWidth = 0) {
        Processor->Points.Clear();
        for (const auto& [x, y, width, bulge] : vertices)
            Processor->Points.Add(x, y, width, bulge);
        Processor->Points.Closed = closed;
        Processor->Points.LayerName = layerName;
        Processor->Points.Width = listWidth;
    }

    // The board holds exactly one loose pad, at (x, y) with that hole, every size `size` and
    // that layer.
    void ExpectOnePad(TBoardCoord x, TBoardCoord y, TBoardCoord hole, TBoardCoord size,
                      TV7_Layer layer) {
        const auto pads = LooseObjects(ab::kKindPad);
        ASSERT_EQ(pads.size(), 1u);
        TPcbPad pad(pads[0].Handle);
        pad.TransferProperties(ptRead);
        EXPECT_EQ(pad.X, x);
        EXPECT_EQ(pad.Y, y);
        EXPECT_EQ(pad.HoleSize, hole);
        for (const TBoardCoord padSize : pad.PadSizes)
            EXPECT_EQ(padSize, size);
        EXPECT_EQ(pad.Layer, layer);
    }

    static TPcbTrack Track(uint32_t handle) {
        TPcbTrack track(handle);
        track.TransferProperties(ptRead);
        return track;
    }
    // The board holds `count` loose tracks; the one at `index` runs from (x, y) to (x2, y2) and
    // is that wide.
    void ExpectLooseTrack(std::size_t count, std::size_t index, TBoardCoord x, TBoardCoord y,
                          TBoardCoord x2, TBoardCoord y2, TBoardCoord width) {
        const auto tracks = LooseObjects(ab::kKindTrack);
        ASSERT_EQ(tracks.size(), count);
        const TPcbTrack track = Track(tracks[index].Handle);
        ExpectEnds(track, x, y, x2, y2);
        EXPECT_EQ(track.Width, width);
    }
    static TPcbArc Arc(uint32_t handle) {
        TPcbArc arc(handle);
        arc.TransferProperties(ptRead);
        return arc;
    }

    std::unique_ptr<TPcbDxfProcessor> Processor;
};

using TCreationTest = TProcessorTest;
using TPolylineTest = TProcessorTest;
using TBlockTest = TProcessorTest;
using TDefaultMappingTest = TProcessorTest;
using TSettingsTest = TProcessorTest;

const TV7_Layer kMech1 = MechanicalLayer(1);

} // namespace

TEST_F(TCreationTest, StartsWithTheBoardAsContainerAndBlocksExploded) {
    EXPECT_TRUE(Processor->ExplodeBlocks);
    EXPECT_EQ(Processor->Container, Board);
    EXPECT_EQ(Processor->Mappings.Count(), 0);
    EXPECT_TRUE(Processor->UsedLayers.IsEmpty());
    EXPECT_EQ(Processor->Points.Capacity(), 64);
    EXPECT_EQ(Processor->TemplateFor("ANY"), 0u);
}

TEST_F(TCreationTest, TracksAndArcsLoseTheOffsetsAndTakeTheDefaultWidthForZero) {
    Processor->OffsetX = 10;
    Processor->OffsetY = -20;
    Processor->DefaultLineWidth = 70000;
    Processor->AddTrack(Board, 100, 200, 300, 400, 0, kMech1);
    Processor->AddTrack(Board, 1, 2, 3, 4, 5, NoLayer); // not imported: nothing
    Processor->AddArc(Board, 1000, 2000, 0, 500, 15.5, 270.25, TopLayer);
    Processor->AddArc(Board, 1000, 2000, 0, 500, 0, 360, NoLayer);

    const auto tracks = LooseObjects(ab::kKindTrack);
    ASSERT_EQ(tracks.size(), 1u);
    const TPcbTrack track = Track(tracks[0].Handle);
    ExpectEnds(track, 90, 220, 290, 420);
    EXPECT_EQ(track.Width, 70000);
    EXPECT_EQ(track.Layer, kMech1);

    const auto arcs = LooseObjects(ab::kKindArc);
    ASSERT_EQ(arcs.size(), 1u);
    const TPcbArc arc = Arc(arcs[0].Handle);
    ExpectCircle(arc, 990, 2020, 500, 70000);
    EXPECT_EQ(arc.StartAngle, 15.5);
    EXPECT_EQ(arc.EndAngle, 270.25);
    EXPECT_EQ(arc.Layer, TopLayer);
}

TEST_F(TCreationTest, OffsetsSaturateAtTheCoordinateRange) {
    Processor->OffsetX = 1;
    Processor->OffsetY = -1;
    Processor->AddTrack(Board, kMin, kMax, kMax, kMin, 1, TopLayer);
    const auto tracks = LooseObjects(ab::kKindTrack);
    ASSERT_EQ(tracks.size(), 1u);
    const TPcbTrack track = Track(tracks[0].Handle);
    ExpectEnds(track, kMin, kMax, kMax - 1, kMin + 1);

    Processor->AddPad(Board, 0, 0, 100, kMax, TopLayer);
    const auto pads = LooseObjects(ab::kKindPad);
    ASSERT_EQ(pads.size(), 1u);
    TPcbPad pad(pads[0].Handle);
    pad.TransferProperties(ptRead);
    EXPECT_EQ(pad.HoleSize, kMax);
    EXPECT_EQ(pad.PadSizes[0], kMax);
}

TEST_F(TCreationTest, PadsHaveTheRingAsSizeAndTheInnerCircleAsHole) {
    Processor->OffsetX = 1000;
    Processor->OffsetY = 2000;
    Processor->AddPad(Board, 201000, 2000, 100000, 200000, kMech1);
    Processor->AddPad(Board, 0, 0, 100000, 200000, NoLayer);
    ExpectOnePad(200000, 0, 300000, 500000, kMech1);
}

TEST_F(TCreationTest, TextsAreCleanedCutAndDrawnWithTheDefaultWidth) {
    Processor->OffsetX = 5;
    Processor->DefaultLineWidth = 12345;
    Processor->AddText(Board, 105, 200, 25000, 3, 45.0, "%%c25", TopOverlay);
    // 300 two-byte characters: cut to 127 of them (254 bytes), never inside one.
    std::string longText;
    for (int i = 0; i < 300; ++i)
        longText += "\xC3\xA9";
    Processor->AddText(Board, 0, 0, 1000, 0, 0.0, longText, TopOverlay);
    Processor->AddText(Board, 0, 0, 1000, 0, 0.0, "skipped", NoLayer);

    const auto texts = LooseObjects(ab::kKindText);
    ASSERT_EQ(texts.size(), 2u);
    TPcbText first(texts[0].Handle);
    first.TransferProperties(ptRead);
    EXPECT_EQ(first.Text, "25");
    EXPECT_EQ(first.X, 100);
    EXPECT_EQ(first.Y, 200);
    EXPECT_EQ(first.Height, 25000);
    EXPECT_EQ(first.Rotation, 45.0);
    EXPECT_TRUE(first.Mirror);
    EXPECT_EQ(first.Width, 12345);
    EXPECT_EQ(first.Layer, TopOverlay);
    TPcbText second(texts[1].Handle);
    second.TransferProperties(ptRead);
    EXPECT_EQ(second.Text.size(), 254u);
    EXPECT_EQ(second.Text, longText.substr(0, 254));
    EXPECT_FALSE(second.Mirror);
}

TEST(CleanText, DropsControlCodesInOrder) {
    const std::pair<const char*, const char*> cases[] = {
        {"%%c25", "25"},
        {"%%%%d", "%d"},
        {"\\U+00B1", "00B1"},
        {"90\xC2\xB0 and 45\xC2\xB0", "90 and 45\xC2\xB0"},
        {"\\A1;x\\A1;", "x\\A1;"},
        {"%%uunderlined%%u 50%%%", "underlined 50"},
        // At the very end: nothing after the percent signs to take along.
        {"50%%", "50"},
        {"50%%%", "50"},
        {"%", "%"},
        {"", ""},
        // The character after "%%" goes whole, and a 0xB0 inside another character stays.
        {"%%\xC3\xA9x", "x"},
        {"\xD0\xB0\xC2\xB0", "\xD0\xB0"},
        // A lone 0xB0 of a text that is not UTF-8 is a degree sign too.
        {"45\xB0", "45"},
    };
    for (const auto& [text, cleaned] : cases)
        EXPECT_EQ(TPcbDxfProcessor::CleanText(text), cleaned) << text;
}

TEST_F(TCreationTest, RegionsGoToTheBoardOrAComponentThroughTheServer) {
    Processor->OffsetX = 100;
    Processor->OffsetY = 200;
    Processor->AddRegion(Board, 100, 200, 4100, 200, 4100, 3200, 100, 3200, kMech1);
    const auto regions = Objects(kRegionBit);
    ASSERT_EQ(regions.size(), 1u);
    EXPECT_FALSE(regions[0].InComponent);
    EXPECT_EQ(regions[0].Layer, kMech1);

    ab::IPCB_Board* board = BoardWrapper->GetBoardInterface();
    ASSERT_NE(board, nullptr);
    ab::IPCB_BoardIterator* iterator = board->BoardIterator_Create();
    iterator->AddFilter_ObjectSet(kRegionBit);
    ab::IPCB_Primitive* object = iterator->FirstPCBObject();
    ASSERT_NE(object, nullptr);
    void* found = nullptr;
    ASSERT_EQ(object->QueryInterface(ab::IID_IPCB_Region, &found), ab::kOk);
    ab::IPCB_Contour* outline = static_cast<ab::IPCB_Region*>(found)->OutlineContour();
    ASSERT_NE(outline, nullptr);
    ASSERT_EQ(outline->Count(), 4);
    const int32_t expected[4][2] = {{0, 0}, {4000, 0}, {4000, 3000}, {0, 3000}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(outline->X(i), expected[i][0]) << i;
        EXPECT_EQ(outline->Y(i), expected[i][1]) << i;
    }
    board->BoardIterator_Destroy(iterator);

    const uint32_t component = host::PcbApi_CreateObject(ab::kKindComponent);
    ASSERT_NE(component, 0u);
    host::PcbApi_AddObjectToContainer(Board, component);
    Processor->AddRegion(component, 0, 0, 1, 0, 1, 1, 0, 1, TopLayer);
    EXPECT_EQ(Children(component, ab::kKindRegion, TopLayer).size(), 1u);

    // Not imported, a container that is neither board nor component, no server: nothing.
    Processor->AddRegion(Board, 0, 0, 1, 0, 1, 1, 0, 1, NoLayer);
    Processor->AddRegion(0, 0, 0, 1, 0, 1, 1, 0, 1, TopLayer);
    SetHostClient(nullptr);
    Processor->AddRegion(Board, 0, 0, 1, 0, 1, 1, 0, 1, TopLayer);
    SetHostClient(&Client);
    EXPECT_EQ(Objects(kRegionBit).size(), 2u);
}

TEST_F(TPolylineTest, DonutBecomesOnePadWhenLargerThanTheThreshold) {
    Processor->Mappings.SetMapping("PADS", kMech1, ccLargerThan, 300000.0);
    SetPoints({{0, 0, 100000, 1.0}, {400000, 0, 100000, -1.0}}, true, "PADS");
    Processor->EmitPolyline();
    ExpectOnePad(200000, 0, 300000, 500000, kMech1);
    EXPECT_TRUE(LooseObjects(ab::kKindArc).empty());
    EXPECT_TRUE(Processor->UsedLayers.Contains(kMech1));
}

TEST_F(TPolylineTest, DonutAtTheThresholdOrWithoutExactHalfCirclesStaysTwoArcs) {
    // 500000 is not larger than 500000.
    Processor->Mappings.SetMapping("PADS", kMech1, ccLargerThan, 500000.0);
    SetPoints({{0, 0, 100000, 1.0}, {400000, 0, 100000, -1.0}}, true, "PADS");
    Processor->EmitPolyline();
    EXPECT_TRUE(LooseObjects(ab::kKindPad).empty());
    const auto arcs = LooseObjects(ab::kKindArc);
    ASSERT_EQ(arcs.size(), 2u);
    const TPcbArc arc = Arc(arcs[0].Handle);
    ExpectCircle(arc, 200000, 0, 200000, 100000);

    // Every donut would do, but 0.999 is no half circle.
    Processor->Mappings.SetMapping("PADS", kMech1, ccAll, 0.0);
    SetPoints({{0, 0, 100000, 1.0}, {400000, 0, 100000, 0.999}}, true, "PADS");
    Processor->EmitPolyline();
    EXPECT_TRUE(LooseObjects(ab::kKindPad).empty());
    EXPECT_EQ(LooseObjects(ab::kKindArc).size(), 4u);

    // Open: no donut either.
    SetPoints({{0, 0, 100000, 1.0}, {400000, 0, 100000, 1.0}}, false, "PADS");
    Processor->EmitPolyline();
    EXPECT_TRUE(LooseObjects(ab::kKindPad).empty());
}

TEST_F(TPolylineTest, DonutToPadFollowsTheLayersCondition) {
    Processor->Mappings.SetMapping("S", kMech1, ccSmallerThan, 500001.0);
    Processor->Mappings.SetMapping("N", kMech1, ccNone, 0.0);
    Processor->Mappings.SetMapping("A", kMech1, ccAll, 0.0);
    Processor->Mappings.SetMapping("L", kMech1, ccLargerThan, 499999.0);
    EXPECT_TRUE(Processor->DonutToPad(200000, 100000, "S"));
    EXPECT_FALSE(Processor->DonutToPad(200000, 100001, "S"));
    EXPECT_FALSE(Processor->DonutToPad(200000, 100000, "N"));
    EXPECT_TRUE(Processor->DonutToPad(200000, 100000, "a"));
    EXPECT_TRUE(Processor->DonutToPad(200000, 100000, "L"));
    EXPECT_FALSE(Processor->DonutToPad(200000, 100000, "missing"));
    // The outer diameter saturates instead of overflowing.
    EXPECT_TRUE(Processor->DonutToPad(kMax, kMax, "L"));
}

TEST_F(TPolylineTest, SegmentWidthRoundsHalvesToEvenAndFallsBackToTheListWidth) {
    SetPoints({{0, 0, 1, 0.0}, {1, 0, 2, 0.0}, {2, 0, 4, 0.0}, {3, 0, 0, 0.0}, {4, 0, 0, 0.0}},
              false, "L", 7);
    EXPECT_EQ(Processor->SegmentWidth(0, 1), 2); // 1.5
    EXPECT_EQ(Processor->SegmentWidth(0, 2), 2); // 2.5
    EXPECT_EQ(Processor->SegmentWidth(3, 4), 7);
    SetPoints({{kMax, 0, kMax, 0.0}, {0, 0, kMax, 0.0}}, false, "L", 0);
    EXPECT_EQ(Processor->SegmentWidth(0, 1), kMax);
}

TEST_F(TPolylineTest, SegmentsAreTracksOrArcsWithTheDefaultWidthLast) {
    Processor->Mappings.SetMapping("L", TopLayer, ccAll, 0.0);
    Processor->DefaultLineWidth = 33333;
    SetPoints({{0, 0, 0, 0.0}, {100000, 0, 0, 0.0}, {100000, 100000, 0, 0.0}}, true, "L");
    Processor->EmitPolyline();
    ExpectLooseTrack(3, 2, 100000, 100000, 0, 0, 33333); // the closing one

    // One closed vertex: one track of length 0 at the vertex.
    SetPoints({{5000, 6000, 0, 0.0}}, true, "L", 0);
    Processor->EmitPolyline();
    ExpectLooseTrack(4, 3, 5000, 6000, 5000, 6000, 33333);

    // An empty list, a layer not in the table, no layer name at all: nothing.
    SetPoints({}, true, "L");
    Processor->EmitPolyline();
    SetPoints({{0, 0, 0, 0.0}, {1, 1, 0, 0.0}}, false, "unknown");
    Processor->EmitPolyline();
    SetPoints({{0, 0, 0, 0.0}, {1, 1, 0, 0.0}}, false, nullptr);
    Processor->EmitPolyline();
    EXPECT_EQ(LooseObjects(ab::kKindTrack).size(), 4u);
}

TEST_F(TBlockTest, TemplateIsNamedParkedAndKeptOffTheBoard) {
    const std::string longName(300, 'B');
    Processor->BeginBlock(MakeBlockHeader(longName));
    EXPECT_TRUE(Processor->InBlock);
    const uint32_t blockTemplate = Processor->Container;
    ASSERT_NE(blockTemplate, Board);
    EXPECT_EQ(Processor->TemplateFor(std::string(255, 'b')), blockTemplate);
    Processor->AddTrack(Processor->Container, 0, 0, 1000, 0, 10, TopLayer);
    EXPECT_FALSE(Processor->EndBlock(MakeBlockHeader(longName)));
    EXPECT_FALSE(Processor->InBlock);
    EXPECT_EQ(Processor->Container, Board);

    TPcbComponent component(blockTemplate);
    component.TransferProperties(ptRead);
    EXPECT_EQ(component.Name, std::string(250, 'B'));
    EXPECT_FALSE(component.FlagA);
    EXPECT_FALSE(component.FlagB);
    EXPECT_EQ(component.X, 500000000);
    EXPECT_EQ(component.Y, 500000000);
    const auto children = Children(blockTemplate, ab::kKindTrack, TopLayer);
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(Track(children[0]).X, 500000000); // the child moved along
    EXPECT_TRUE(Objects(~0u).empty());
}

TEST_F(TBlockTest, NewerTemplateOfTheSameNameReplacesTheOlder) {
    Processor->BeginBlock(MakeBlockHeader("Part"));
    const uint32_t older = Processor->Container;
    Processor->EndBlock(MakeBlockHeader("Part"));
    Processor->BeginBlock(MakeBlockHeader("PART"));
    const uint32_t newer = Processor->Container;
    Processor->EndBlock(MakeBlockHeader("PART"));
    EXPECT_NE(older, newer);
    EXPECT_EQ(host::PcbApi_GetObjectIdFromObjectHandle(older), 0);
    EXPECT_EQ(Processor->TemplateFor("part"), newer);

    Processor.reset(); // templates go with the processor
    EXPECT_EQ(host::PcbApi_GetObjectIdFromObjectHandle(newer), 0);
}

TEST_F(TBlockTest, CopiesAreComponentsOrLoosePrimitivesAtTheInsertionPoint) {
    Processor->BeginBlock(MakeBlockHeader("B"));
    Processor->AddTrack(Processor->Container, 0, 0, 1000, 0, 10, TopLayer);
    Processor->EndBlock(MakeBlockHeader("B"));
    const uint32_t blockTemplate = Processor->TemplateFor("B");

    Processor->OffsetX = 100;
    Processor->OffsetY = 200;
    Processor->PlaceBlock(blockTemplate, 10100, 20200, 90.0, false);
    const auto components = LooseObjects(ab::kKindComponent);
    ASSERT_EQ(components.size(), 1u);
    TPcbComponent copy(components[0].Handle);
    copy.TransferProperties(ptRead);
    EXPECT_EQ(copy.X, 10000);
    EXPECT_EQ(copy.Y, 20000);
    EXPECT_EQ(copy.Rotation, 90.0);
    const auto inside = Children(copy.Handle, ab::kKindTrack, TopLayer);
    ASSERT_EQ(inside.size(), 1u);
    const TPcbTrack turned = Track(inside[0]);
    ExpectEnds(turned, 10000, 20000, 10000, 21000);

    Processor->OffsetX = 0;
    Processor->OffsetY = 0;
    Processor->PlaceBlock(blockTemplate, 5000, 0, 0.0, true);
    EXPECT_EQ(LooseObjects(ab::kKindComponent).size(), 1u);
    const auto loose = LooseObjects(ab::kKindTrack);
    ASSERT_EQ(loose.size(), 1u);
    const TPcbTrack track = Track(loose[0].Handle);
    EXPECT_EQ(track.X, 5000);
    EXPECT_EQ(track.X2, 6000);

    Processor->PlaceBlock(0, 0, 0, 0.0, true); // no template: nothing
    EXPECT_EQ(Objects(~0u).size(), 3u);        // the component, its track, the loose track
}

TEST_F(TBlockTest, ExplodingKeepsChildrenOnLayersWithoutClassicNumber) {
    // The default mapping's 17th to 32nd drawing layers land on mechanical layers 17 to 32;
    // settings may name others beyond the classic numbering.
    Processor->Mappings.SetMapping("M17", MechanicalLayer(17), ccAll, 0.0);
    Processor->Mappings.SetMapping("M40", MechanicalLayer(40), ccAll, 0.0);
    Processor->Mappings.SetMapping("MID40", MidLayer(40), ccAll, 0.0);
    Processor->BeginBlock(MakeBlockHeader("B"));
    const uint32_t container = Processor->Container;
    Processor->AddTrack(container, 0, 0, 1, 0, 10, Processor->LayerFor("M17"));
    Processor->AddTrack(container, 0, 0, 2, 0, 10, MechanicalLayer(32));
    Processor->AddTrack(container, 0, 0, 3, 0, 10, Processor->LayerFor("M40"));
    Processor->AddArc(container, 0, 0, 10, 4, 0.0, 360.0, Processor->LayerFor("MID40"));
    Processor->AddTrack(container, 0, 0, 5, 0, 10, kMech1);
    Processor->AddTrack(container, 0, 0, 6, 0, 10, TopLayer);
    Processor->EndBlock(MakeBlockHeader("B"));

    Processor->PlaceBlock(Processor->TemplateFor("B"), 0, 0, 0.0, true);
    EXPECT_TRUE(LooseObjects(ab::kKindComponent).empty());
    const auto tracks = LooseObjects(ab::kKindTrack);
    ASSERT_EQ(tracks.size(), 5u);
    std::vector<TV7_Layer> layers;
    for (const auto& track : tracks)
        layers.push_back(track.Layer);
    std::sort(layers.begin(), layers.end());
    EXPECT_EQ(layers, (std::vector<TV7_Layer>{TopLayer, kMech1, MechanicalLayer(17),
                                              MechanicalLayer(32), MechanicalLayer(40)}));
    const auto arcs = LooseObjects(ab::kKindArc);
    ASSERT_EQ(arcs.size(), 1u);
    EXPECT_EQ(arcs[0].Layer, MidLayer(40));
}

TEST_F(TCreationTest, ReportFrontMatterNamesBoardAndDrawingOnlyWhenReporting) {
    Processor->BeginImportReport();
    EXPECT_EQ(Processor->GetReport().ToXmlString().find("PCB Filename"), std::string::npos);

    TPcbDxfProcessor reporting("/drawings/plan.dxf", *BoardWrapper);
    reporting.ReportErrors = true;
    reporting.BeginImportReport();
    const std::string xml = reporting.GetReport().ToXmlString();
    const std::size_t pcb = xml.find("PCB Filename");
    const std::size_t dxf = xml.find("DXF Filename");
    ASSERT_NE(pcb, std::string::npos) << xml;
    ASSERT_NE(dxf, std::string::npos) << xml;
    EXPECT_LT(pcb, dxf);
    const std::size_t board = xml.find("/boards/test.PcbDoc", pcb);
    EXPECT_LT(board, dxf) << xml;
    EXPECT_NE(xml.find("/drawings/plan.dxf", dxf), std::string::npos) << xml;
}

TEST_F(TDefaultMappingTest, VisibleLayersTakeMechanicalLayersInTurn) {
    for (int i = 0; i < 33; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "L%02d", i);
        EXPECT_TRUE(Processor->ProcessLayer(MakeLayerRecord(name)));
    }
    ASSERT_EQ(Processor->Mappings.Count(), 33);
    EXPECT_EQ(Processor->Mappings.LayerOf("L00"), MechanicalLayer(1));
    EXPECT_EQ(Processor->Mappings.LayerOf("L16"), MechanicalLayer(17));
    EXPECT_EQ(Processor->Mappings.LayerOf("L31"), MechanicalLayer(32));
    EXPECT_EQ(Processor->Mappings.LayerOf("L32"), MechanicalLayer(1));
    const int index = Processor->Mappings.IndexOf("l05");
    ASSERT_GE(index, 0);
    EXPECT_EQ(Processor->Mappings.Condition(index), ccAll);
    EXPECT_EQ(Processor->Mappings.Threshold(index), 300000.0);
}

TEST_F(TDefaultMappingTest, HiddenAndFrozenLayersAreNotImportedButCount) {
    Processor->ProcessLayer(MakeLayerRecord("Off", -7));
    Processor->ProcessLayer(MakeLayerRecord("Frozen", 7, true));
    Processor->ProcessLayer(MakeLayerRecord("Dim"));
    Processor->ProcessLayer(MakeLayerRecord("DIM")); // the same layer: no new entry
    EXPECT_EQ(Processor->Mappings.LayerOf("Off"), NoLayer);
    EXPECT_EQ(Processor->Mappings.LayerOf("Frozen"), NoLayer);
    EXPECT_EQ(Processor->Mappings.Count(), 3);
    // Count 3 when the second one came: mechanical layer 4.
    EXPECT_EQ(Processor->Mappings.LayerOf("dim"), MechanicalLayer(4));
}

TEST_F(TSettingsTest, SavesEveryKeyInOrder) {
    Processor->ProcessLayer(MakeLayerRecord("0"));
    Processor->ProcessLayer(MakeLayerRecord("Frozen", 7, true));
    Processor->Mappings.SetMapping("PADS", TopLayer, ccLargerThan, 250000.5);
    Processor->DefaultLineWidth = 60000;
    Processor->InsertionPointX = -5;
    Processor->InsertionPointY = 10000000;
    Processor->SpacesToImport = 1;
    Processor->ExplodeBlocks = false;
    TIniSettingsStore store("x.ini");
    Processor->SaveSettings(store);
    EXPECT_EQ(store.ToText(), "[Misc]\n"
                              "ExplodeBlocks=0\n"
                              "DefaultLineWidth=60000\n"
                              "InsertionPointX=-5\n"
                              "InsertionPointY=10000000\n"
                              "SpacesToImport=1\n"
                              "ConvertSplines=0\n"
                              "\n"
                              "[Layer Mappings]\n"
                              "0_PCBLayer=Mechanical Layer 1\n"
                              "0_Condition=All\n"
                              "0_ConditionThreshold=0.762mm\n"
                              "Frozen_PCBLayer=Any Layer\n"
                              "Frozen_Condition=All\n"
                              "Frozen_ConditionThreshold=0.762mm\n"
                              "PADS_PCBLayer=Top Layer\n"
                              "PADS_Condition=Larger Than\n"
                              "PADS_ConditionThreshold=0.635mm\n");

    // In mils when the drawing scale is exactly 1; the threshold is rounded to a whole unit
    // first, halves to even.
    Processor->SetDrawingScale(1.0);
    Processor->Mappings.SetMapping("PADS", TopLayer, ccLargerThan, 2.5);
    TIniSettingsStore mils("y.ini");
    Processor->WriteMappingSettings(mils);
    EXPECT_EQ(mils.ReadString("Layer Mappings", "0_ConditionThreshold", ""), "30mil");
    EXPECT_EQ(mils.ReadString("Layer Mappings", "PADS_ConditionThreshold", ""), "0mil");
}

TEST_F(TSettingsTest, LoadsOptionsAndLimitsTheSpaces) {
    auto store = TIniSettingsStore::FromText(
        "x.ini", "[Misc]\nExplodeBlocks=0\nDefaultLineWidth=1234\nInsertionPointX=-7\n"
                 "InsertionPointY=8\nSpacesToImport=5\nConvertSplines=1\n");
    EXPECT_FALSE(Processor->ConvertSplines); // splines are discarded unless asked for
    Processor->LoadSettings(store);
    EXPECT_FALSE(Processor->ExplodeBlocks);
    EXPECT_TRUE(Processor->ConvertSplines);
    EXPECT_EQ(Processor->DefaultLineWidth, 1234);
    EXPECT_EQ(Processor->InsertionPointX, -7);
    EXPECT_EQ(Processor->InsertionPointY, 8);
    // A space that is neither model (0) nor paper (1) would make the walk visit nothing.
    EXPECT_EQ(Processor->SpacesToImport, 0);
    EXPECT_EQ(Processor->SettingsWarnings,
              std::vector<std::string>{"The saved import option Misc\\SpacesToImport=5 is out of "
                                       "its range (0 to 1); the default 0 is used instead."});

    store.WriteInteger("Misc", "SpacesToImport", 1);
    Processor->LoadSettings(store);
    EXPECT_EQ(Processor->SpacesToImport, 1);
    EXPECT_TRUE(Processor->SettingsWarnings.empty());
    store.WriteInteger("Misc", "SpacesToImport", -7);
    Processor->LoadSettings(store);
    EXPECT_EQ(Processor->SpacesToImport, 0);

    // Missing keys keep the current values.
    Processor->LoadSettings(TIniSettingsStore::FromText("x.ini", "[Misc]\nExplodeBlocks=7\n"));
    EXPECT_TRUE(Processor->ExplodeBlocks);
    EXPECT_EQ(Processor->DefaultLineWidth, 1234);
    EXPECT_EQ(Processor->SpacesToImport, 0);
}

// Values no import can use give their defaults, each with a warning naming it; the report gets
// the lines too.
TEST_F(TSettingsTest, OutOfRangeValuesGiveTheDefaultsWithAWarning) {
    Processor->ProcessLayer(MakeLayerRecord("A"));
    Processor->ProcessLayer(MakeLayerRecord("B"));
    Processor->DefaultLineWidth = 77;
    Processor->InsertionPointX = 5;
    Processor->ReportErrors = true;
    Processor->BeginImportReport();
    Processor->LoadSettings(TIniSettingsStore::FromText(
        "x.ini", "[Misc]\nDefaultLineWidth=-50000\nInsertionPointX=2147483647\n"
                 "InsertionPointY=-1000000001\nSpacesToImport=249\n"
                 "[Layer Mappings]\nA_ConditionThreshold=-5mm\nB_ConditionThreshold=1e308mil\n"));
    EXPECT_EQ(Processor->DefaultLineWidth, 50000);
    EXPECT_EQ(Processor->InsertionPointX, 10000000);
    EXPECT_EQ(Processor->InsertionPointY, 10000000);
    EXPECT_EQ(Processor->SpacesToImport, 0);
    const auto& m = Processor->Mappings;
    EXPECT_EQ(m.Threshold(m.IndexOf("A")), 300000.0);
    EXPECT_EQ(m.Threshold(m.IndexOf("B")), 300000.0);
    const std::vector<std::string> expected = {
        "The saved import option Misc\\DefaultLineWidth=-50000 is out of its range (0 to "
        "1000000000); the default 50000 is used instead.",
        "The saved import option Misc\\InsertionPointX=2147483647 is out of its range "
        "(-1000000000 to 1000000000); the default 10000000 is used instead.",
        "The saved import option Misc\\InsertionPointY=-1000000001 is out of its range "
        "(-1000000000 to 1000000000); the default 10000000 is used instead.",
        "The saved import option Misc\\SpacesToImport=249 is out of its range (0 to 1); the "
        "default 0 is used instead.",
        "The saved import option Layer Mappings\\A_ConditionThreshold=-5mm is out of its range "
        "(0 to 100 inch); the default 0.762mm is used instead.",
        "The saved import option Layer Mappings\\B_ConditionThreshold=1e308mil is out of its "
        "range (0 to 100 inch); the default 0.762mm is used instead."};
    EXPECT_EQ(Processor->SettingsWarnings, expected);
    const std::string xml = Processor->GetReport().ToXmlString();
    for (const std::string& line : expected)
        EXPECT_NE(xml.find(line), std::string::npos) << line;

    // Nothing out of range is written back: the store gets the values in force.
    TIniSettingsStore saved("y.ini");
    Processor->SaveSettings(saved);
    EXPECT_EQ(saved.ReadInteger("Misc", "InsertionPointX", 0), 10000000);
    EXPECT_EQ(saved.ReadString("Layer Mappings", "A_ConditionThreshold", ""), "0.762mm");

    Processor->LoadSettings(TIniSettingsStore::FromText("x.ini", "[Misc]\nConvertSplines=1\n"));
    EXPECT_TRUE(Processor->ConvertSplines);
    Processor->LoadSettings(TIniSettingsStore::FromText("x.ini", "[Misc]\nConvertSplines=0\n"));
    EXPECT_FALSE(Processor->ConvertSplines);
}

TEST_F(TSettingsTest, LoadsMappingsOfImportedLayersOnly) {
    for (const char* name : {"A", "B", "C", "D", "E", "F"})
        Processor->ProcessLayer(MakeLayerRecord(name));
    Processor->ProcessLayer(MakeLayerRecord("Frozen", 7, true));
    const auto store = TIniSettingsStore::FromText(
        "x.ini", "[Layer Mappings]\n"
                 "A_PCBLayer=top layer\nA_Condition=smaller than\nA_ConditionThreshold=0.762mm\n"
                 "B_PCBLayer=ANY LAYER\nB_Condition=Smaller\nB_ConditionThreshold=30mil\n"
                 "C_PCBLayer=All Layers\nC_ConditionThreshold=1.2.3mm\n"
                 "D_PCBLayer=Mid Layer -1\n"
                 "E_PCBLayer=No such layer\nE_Condition=Larger Than\n"
                 "Frozen_PCBLayer=Top Layer\nFrozen_Condition=None\n"
                 "Unknown_PCBLayer=Top Layer\n");
    Processor->LoadSettings(store);
    ASSERT_EQ(Processor->Mappings.Count(), 7);
    const auto& m = Processor->Mappings;
    EXPECT_EQ(m.LayerOf("A"), TopLayer);
    EXPECT_EQ(m.Condition(m.IndexOf("A")), ccSmallerThan);
    EXPECT_DOUBLE_EQ(m.Threshold(m.IndexOf("A")), 300000.0);
    EXPECT_EQ(m.LayerOf("B"), NoLayer);
    EXPECT_EQ(m.Condition(m.IndexOf("B")), ccNone);
    EXPECT_DOUBLE_EQ(m.Threshold(m.IndexOf("B")), 300000.0);
    EXPECT_EQ(m.LayerOf("C"), NoLayer); // a group is no target
    EXPECT_EQ(m.Threshold(m.IndexOf("C")), 0.0);
    EXPECT_EQ(m.LayerOf("D"), NoLayer);
    EXPECT_EQ(m.LayerOf("E"), NoLayer);
    EXPECT_EQ(m.Condition(m.IndexOf("E")), ccLargerThan);
    EXPECT_EQ(m.LayerOf("F"), MechanicalLayer(6)); // no keys: unchanged
    EXPECT_EQ(m.Threshold(m.IndexOf("F")), 300000.0);
    EXPECT_EQ(m.LayerOf("Frozen"), NoLayer);
    EXPECT_EQ(m.Condition(m.IndexOf("Frozen")), ccAll);
    EXPECT_EQ(m.IndexOf("Unknown"), -1);

    for (const char* name : {"A", "B", "C", "D", "E", "F", "Frozen"})
        Processor->LayerFor(name);
    EXPECT_NO_THROW(Processor->UsedLayers.LayerIterator());
    EXPECT_FALSE(Processor->UsedLayers.IsInfinite());
}

TEST_F(TSettingsTest, LayerNumberOutOfRangeRaises) {
    Processor->ProcessLayer(MakeLayerRecord("A"));
    const auto store =
        TIniSettingsStore::FromText("x.ini", "[Layer Mappings]\nA_PCBLayer=Mechanical Layer 0\n");
    EXPECT_THROW(Processor->LoadSettings(store), ELayerException);
}

TEST_F(TSettingsTest, RoundTripsThroughIniFileAndRegistry) {
    const auto fill = [](TPcbDxfProcessor& p, bool changed) {
        p.ProcessLayer(MakeLayerRecord("Outline"));
        p.ProcessLayer(MakeLayerRecord("Holes"));
        if (!changed) return;
        p.Mappings.SetMapping("Outline", KeepOutLayer, ccSmallerThan, 1270000.0);
        p.Mappings.SetMapping("Holes", MechanicalLayer(20), ccLargerThan, 100000.0);
        p.ExplodeBlocks = false;
        p.DefaultLineWidth = 80000;
        p.InsertionPointX = 123;
        p.InsertionPointY = -456;
        p.SpacesToImport = 1;
        p.ConvertSplines = true;
    };
    const auto expectChanged = [](const TPcbDxfProcessor& p) {
        EXPECT_FALSE(p.ExplodeBlocks);
        EXPECT_EQ(p.DefaultLineWidth, 80000);
        EXPECT_EQ(p.InsertionPointX, 123);
        EXPECT_EQ(p.InsertionPointY, -456);
        EXPECT_EQ(p.SpacesToImport, 1);
        EXPECT_TRUE(p.ConvertSplines);
        const auto& m = p.Mappings;
        EXPECT_EQ(m.LayerOf("Outline"), KeepOutLayer);
        EXPECT_EQ(m.Condition(m.IndexOf("Outline")), ccSmallerThan);
        EXPECT_NEAR(m.Threshold(m.IndexOf("Outline")), 1270000.0, 1e-6);
        EXPECT_EQ(m.LayerOf("Holes"), MechanicalLayer(20));
        EXPECT_EQ(m.Condition(m.IndexOf("Holes")), ccLargerThan);
        EXPECT_NEAR(m.Threshold(m.IndexOf("Holes")), 100000.0, 1e-6);
    };
    fill(*Processor, true);
    const std::filesystem::path folder = std::filesystem::temp_directory_path();
    const std::string stem = "dxfi_processor_" + std::to_string(::getpid());

    // Saves into a new store, writes it out, and loads a fresh processor from another store
    // over the same place.
    const auto saveAndReload = [&](const auto& open, const auto& write) {
        {
            auto store = open();
            Processor->SaveSettings(store);
            std::string error;
            ASSERT_TRUE(write(store, error)) << error;
        }
        TPcbDxfProcessor loaded("other.dxf", *BoardWrapper);
        fill(loaded, false);
        loaded.LoadSettings(open());
        expectChanged(loaded);
    };

    const std::string iniPath = (folder / (stem + ".ini")).string();
    saveAndReload([&] { return TIniSettingsStore(iniPath); },
                  [](const TIniSettingsStore& ini, std::string& error) { return ini.Save(error); });
    std::filesystem::remove(iniPath);

    const std::string hive = (folder / (stem + "_user.reg")).string();
    platform::SetHiveFileOverride(platform::hkCurrentUser, hive);
    const std::string root = SettingsRootKey("\\Corvane2004");
    saveAndReload(
        [&] { return TRegistrySettingsStore(root); },
        [](TRegistrySettingsStore& registry, std::string& error) { return registry.Flush(error); });
    platform::SetHiveFileOverride(platform::hkCurrentUser, "");
    std::filesystem::remove(hive);
}
