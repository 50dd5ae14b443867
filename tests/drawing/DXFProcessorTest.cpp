// SPDX-License-Identifier: MIT
// The drawing processor's own state: creation, board conversions, the valid area, extents,
// layers, load failures and messages, and the walk of spaces, blocks, inserts and dimensions.
#include "ProcessorFixture.h"

#include "base/Assertion.h"
#include "base/ShortString.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

using namespace dxfi;
using namespace drawingtest;

namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

} // namespace

// ---- Creation and conversions ---------------------------------------------------------------

TEST(DXFProcessorTest, StartsWithTheDefaultsAndOneScalePair) {
    TRecordingProcessor p("drawing.dxf");
    EXPECT_EQ(p.FileName, "drawing.dxf");
    EXPECT_EQ(p.DrawingScale(), 10000.0);
    EXPECT_EQ(p.DefaultLineWidth, 50000);
    EXPECT_EQ(p.SpacesToImport, 0);
    EXPECT_EQ(p.FileHandle, 0u);
    EXPECT_FALSE(p.InBlock || p.ReportErrors || p.LoadFailed || p.EntitiesDiscarded ||
                 p.ExplodeBlocks);
    ASSERT_EQ(p.ScaleStack_.size(), 1u);
    EXPECT_EQ(p.ScaleX(), 1.0);
    EXPECT_EQ(p.ScaleY(), 1.0);
    EXPECT_TRUE(p.ImportSucceeded());
    std::string messages = "old";
    p.ImportMessages(messages);
    EXPECT_EQ(messages, "");

    // Without a drawing there is no header, but the placement is still set.
    p.OffsetX = 5;
    p.ReadHeader();
    EXPECT_EQ(p.InsertionPointX, 10000000);
    EXPECT_EQ(p.InsertionPointY, 10000000);
    EXPECT_EQ(p.OffsetX, 0);
    EXPECT_FALSE(p.RecomputeExtents(0));
}

TEST(DXFProcessorTest, ProgrammingErrorsRaiseAssertions) {
    TRecordingProcessor p("drawing.dxf");
    p.PopScale();
    EXPECT_THROW(p.ScaleX(), EAssertionFailure);
    EXPECT_THROW(p.ScaleY(), EAssertionFailure);
    EXPECT_THROW(p.PopScale(), EAssertionFailure);
    p.PushScale(1, 1);
    p.SetDrawingScale(0);
    EXPECT_THROW(p.DrawingScale(), EAssertionFailure);
    EXPECT_THROW(p.ToBoardX(false, 1), EAssertionFailure);
    try {
        p.ToBoardLength(1);
        FAIL() << "no assertion";
    } catch (const EAssertionFailure& e) {
        EXPECT_EQ(e.Module(), "DXFProcessor");
    }
    EXPECT_THROW(p.GetLwPolyline(TEntityHeader(), *std::make_unique<TEntityData>(), nullptr),
                 EAssertionFailure);
}

TEST(DXFProcessorTest, ToBoardRoundsTiesToEven) {
    TRecordingProcessor p("drawing.dxf");
    p.SetDrawingScale(1);
    EXPECT_EQ(p.ToBoardX(false, 0.5), 0);
    EXPECT_EQ(p.ToBoardX(false, 1.5), 2);
    EXPECT_EQ(p.ToBoardX(false, 2.5), 2);
    EXPECT_EQ(p.ToBoardX(false, -2.5), -2);
    EXPECT_EQ(p.ToBoardY(false, 3.5), 4);
    p.SetDrawingScale(10000);
    EXPECT_EQ(p.ToBoardX(false, 25000), 2);
    EXPECT_EQ(p.ToBoardX(false, 35000), 4);
    // 1/N board units per drawing unit as the options dialog sets it.
    p.SetDrawingScale(1.0 / 10000);
    EXPECT_EQ(p.ToBoardX(false, 1.0), 10000);
    EXPECT_EQ(p.ToBoardY(false, 2.5), 25000);
}

TEST(DXFProcessorTest, ToBoardFormsProductAndQuotientInExtendedPrecision) {
    TRecordingProcessor p("drawing.dxf");
    // 2.5 * 0.3 / 0.1 is exactly 7.5 in doubles (rounding to 8), but 7.4999999999999993 in
    // extended precision, which rounds to 7.
    p.SetDrawingScale(0.1);
    p.PushScale(0.3, 0.3);
    EXPECT_EQ(p.ToBoardX(false, 2.5), 7);
    EXPECT_EQ(p.ToBoardY(false, 2.5), 7);
    EXPECT_EQ(p.ToBoardLength(2.5), 7);
}

TEST(DXFProcessorTest, StrictConversionRefusesOnlyTheUpperRange) {
    TRecordingProcessor p("drawing.dxf");
    p.SetDrawingScale(1);
    EXPECT_EQ(p.ToBoardX(true, 2147483647.0), kMax);
    EXPECT_THROW(p.ToBoardX(true, 2147483648.0), EInvalidOperation);
    EXPECT_THROW(p.ToBoardY(true, 1e20), EInvalidOperation);
    EXPECT_THROW(p.ToBoardX(true, std::nan("")), EInvalidOperation);
    EXPECT_THROW(p.ToBoardX(true, INFINITY), EInvalidOperation);
    EXPECT_EQ(p.ToBoardX(true, -1e20), kMin);
    // The unchecked conversions saturate; a non-number gives 0.
    EXPECT_EQ(p.ToBoardX(false, 1e300), kMax);
    EXPECT_EQ(p.ToBoardY(false, -INFINITY), kMin);
    EXPECT_EQ(p.ToBoardX(false, std::nan("")), 0);
    EXPECT_EQ(p.ToBoardLength(1e40), kMax);
}

TEST(DXFProcessorTest, ScalesApplyPerAxisAndLengthsTakeTheSmallerFactor) {
    TRecordingProcessor p("drawing.dxf");
    p.SetDrawingScale(1);
    p.PushScale(2, -3);
    EXPECT_EQ(p.ToBoardX(false, 1), 2);
    EXPECT_EQ(p.ToBoardY(false, 1), -3);
    EXPECT_EQ(p.ToBoardLength(1), 2);
    EXPECT_EQ(p.FromBoardX(4), 2.0);
    EXPECT_EQ(p.FromBoardY(6), -2.0);
    p.PopScale();
    EXPECT_EQ(p.ScaleX(), 1.0);
    // An insert scaled by 0: the inverse conversion gives an infinity or a non-number, and
    // converting that back saturates or gives 0, never undefined behaviour.
    p.PushScale(0, 0);
    EXPECT_TRUE(std::isinf(p.FromBoardX(5)));
    EXPECT_TRUE(std::isnan(p.FromBoardY(0)));
    EXPECT_EQ(p.ToBoardX(false, p.FromBoardX(5)), 0);
    EXPECT_EQ(p.ToBoardLength(7), 0);
}

TEST(DXFProcessorTest, ValidAreaIncludesItsBoundsAndScalesThePoint) {
    TRecordingProcessor p("drawing.dxf");
    p.ValidArea = TExtents{0, 0, 10, 10};
    EXPECT_TRUE(p.InValidArea(10, 10));
    EXPECT_TRUE(p.InValidArea(0, 0));
    EXPECT_FALSE(p.EntitiesDiscarded);
    p.PushScale(2, 1);
    EXPECT_TRUE(p.InValidArea(5, 0));
    EXPECT_FALSE(p.EntitiesDiscarded);
    EXPECT_FALSE(p.InValidArea(5.5, 0));
    EXPECT_TRUE(p.EntitiesDiscarded);
    EXPECT_TRUE(p.InValidArea(1, 1)); // a later success leaves the flag set
    EXPECT_TRUE(p.EntitiesDiscarded);
    EXPECT_FALSE(p.InValidArea(std::nan(""), 1));
    p.InBlock = true;
    EXPECT_TRUE(p.InValidArea(1e30, -1e30));
}

// ---- Extents and layers ---------------------------------------------------------------------

TEST(DXFProcessorTest, StatedExtentsGiveTheSizesInBoardUnits) {
    TDxf dxf;
    dxf.Extents = {-100, -50, 300, 150};
    dxf.PaperExtents = {0, 0, 7, 3};
    dxf.Entities = Line(0, 0, 1, 1);
    TLoaded d(dxf.Text(), 0.01);
    ASSERT_TRUE(d.Loaded);
    EXPECT_EQ(d.P.ExtentsWidth, 40000);
    EXPECT_EQ(d.P.ExtentsHeight, 20000);
    EXPECT_EQ(d.P.ModelExtents.MinX, -100);
    EXPECT_EQ(d.P.ModelExtents.MinY, -50);
    EXPECT_EQ(d.P.ModelExtents.MaxX, 300);
    EXPECT_EQ(d.P.ModelExtents.MaxY, 150);
    EXPECT_EQ(d.P.PaperExtents.MaxX, 0); // not read for model space
    EXPECT_EQ(d.P.InsertionPointX, 10000000);
    EXPECT_EQ(d.P.InsertionPointY, 10000000);

    // Paper space (and any other value) reads the paper extents; only 0 and 1 are walked.
    d.P.SpacesToImport = 2;
    d.P.SetDrawingScale(1);
    ASSERT_TRUE(d.P.RecomputeExtents(0));
    EXPECT_EQ(d.P.ExtentsWidth, 7);
    EXPECT_EQ(d.P.ExtentsHeight, 3);
    EXPECT_EQ(d.P.PaperExtents.MaxX, 7);
    EXPECT_EQ(d.P.ModelExtents.MaxX, 300);
    d.P.ProcessDrawing();
    EXPECT_TRUE(d.P.Calls.empty());

    // The header is read at the bottom of the scale stack only.
    d.P.PushScale(2, 1);
    EXPECT_THROW(d.P.RecomputeExtents(0), EAssertionFailure);
}

TEST(DXFProcessorTest, EmptyDrawingHasInvertedExtentsThatRejectEveryPoint) {
    TDxf dxf;
    dxf.Extents.clear();
    TLoaded d(dxf.Text());
    ASSERT_TRUE(d.Loaded);
    EXPECT_EQ(d.P.ExtentsWidth, 2147483647);
    EXPECT_EQ(d.P.ExtentsHeight, 2147483647);
    EXPECT_EQ(d.P.ModelExtents.MinX, 1e20);
    EXPECT_EQ(d.P.ModelExtents.MaxY, -1e20);
    d.P.ProcessDrawing();
    ASSERT_EQ(d.P.Calls.size(), 1u); // the space's own start
    EXPECT_FALSE(d.P.InValidArea(0, 0));
    EXPECT_TRUE(d.P.EntitiesDiscarded);
    d.P.InBlock = true;
    EXPECT_TRUE(d.P.InValidArea(0, 0));
}

TEST(DXFProcessorTest, SizesAboveTheRangeBecomeTheLargestValueBoth) {
    TDxf dxf;
    dxf.Extents = {0, 0, 2147483647, 1};
    TLoaded d(dxf.Text());
    ASSERT_TRUE(d.Loaded);
    EXPECT_EQ(d.P.ExtentsWidth, 2147483647);
    EXPECT_EQ(d.P.ExtentsHeight, 1);
    d.P.SetDrawingScale(0.5); // the width doubles past the range; the height follows it
    ASSERT_TRUE(d.P.RecomputeExtents(0));
    EXPECT_EQ(d.P.ExtentsWidth, 2147483647);
    EXPECT_EQ(d.P.ExtentsHeight, 2147483647);
    d.P.SetDrawingScale(1e300); // tiny sizes are fine again
    ASSERT_TRUE(d.P.RecomputeExtents(0));
    EXPECT_EQ(d.P.ExtentsWidth, 0);
    EXPECT_EQ(d.P.ExtentsHeight, 0);
}

TEST(DXFProcessorTest, LayersAreOfferedWithNameAndVisibility) {
    TDxf dxf;
    dxf.Tables = G({{0, "TABLE"},
                    {2, "LAYER"},
                    {0, "LAYER"},
                    {2, "Top"},
                    {62, "1"},
                    {70, "0"},
                    {0, "LAYER"},
                    {2, "Off"},
                    {62, "-3"},
                    {70, "0"},
                    {0, "LAYER"},
                    {2, "Frozen"},
                    {62, "5"},
                    {70, "1"},
                    {0, "ENDTAB"}});
    TLoaded d(dxf.Text());
    ASSERT_TRUE(d.Loaded);
    EXPECT_NE(std::find(d.P.Layers.begin(), d.P.Layers.end(), "Top"), d.P.Layers.end());
    const TPad2Functions& eda = Pad2();
    ASSERT_NE(eda.StartLayerGet(d.P.FileHandle), 0);
    TLayerRecord layer;
    std::vector<std::string> seen;
    while (eda.GetLayer(d.P.FileHandle, layer.Bytes()) != 0)
        seen.push_back(TRecordingProcessor::LayerName(layer) +
                       (TRecordingProcessor::LayerVisible(layer) ? " shown" : " hidden"));
    EXPECT_NE(std::find(seen.begin(), seen.end(), "Top shown"), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), "Off hidden"), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), "Frozen hidden"), seen.end());
}

TEST(DXFProcessorTest, NamesAreCutToWholeCharacters) {
    // 254 bytes and a two-byte character: a cut at 255 bytes would split it.
    const std::string name = std::string(254, 'a') + "\xC3\xA9" + "tail";
    TBlockHeaderRecord block;
    std::memcpy(block.Bytes() + dxfi::abi::BlockHeaderRecord::Name, name.data(), name.size());
    EXPECT_EQ(std::string(TRecordingProcessor::BlockName(block)), std::string(254, 'a'));
    TLayerRecord layer;
    std::memcpy(layer.Bytes() + dxfi::abi::LayerRecord::Name, name.data(), name.size());
    EXPECT_EQ(TRecordingProcessor::LayerName(layer), std::string(254, 'a'));
}

// ---- Loading --------------------------------------------------------------------------------

TEST(DXFProcessorTest, LoadFailureIsReportedAndKeptForTheMessages) {
    // A long name of two-byte characters: the engine's text (which names the file without its
    // folder) is cut to 255 bytes, whole characters only.
    std::string base = "a";
    for (int i = 0; i < 150; ++i)
        base += "\xC3\xA9";
    base += ".dxf";
    const std::string path = "/nonexistent/" + base;
    TRecordingProcessor p(path);
    p.ReportErrors = true;
    p.BeginImportReport();
    EXPECT_FALSE(p.LoadFile());
    EXPECT_EQ(p.FileHandle, 0u);
    EXPECT_TRUE(p.LoadFailed);
    const std::string engineText =
        "The file " + base + " does not exist: check its name and folder.";
    const std::string cut(CutUtf8(engineText, 255));
    ASSERT_EQ(cut.size(), 254u); // 10 ASCII bytes, then 122 whole two-byte characters
    EXPECT_EQ(p.LoadErrorText, "Error : " + cut);
    const std::string xml = p.ReportXml();
    EXPECT_NE(xml.find("<error>The file could not be processed - " + cut + "</error>"),
              std::string::npos)
        << xml;
    EXPECT_FALSE(p.ImportSucceeded());

    std::string messages;
    p.ImportMessages(messages);
    EXPECT_EQ(messages, "Error : " + cut + "\n\r");
    p.EntitiesDiscarded = true;
    p.ImportMessages(messages);
    EXPECT_EQ(messages, "Error : " + cut + "\n\rSome entities were discarded during import!\n\r");
}

TEST(DXFProcessorTest, LoadFailureWithoutReportingWritesNoReport) {
    TTempFile file("this is not a drawing\n");
    TRecordingProcessor p(file.Path());
    EXPECT_FALSE(p.LoadFile());
    EXPECT_TRUE(p.LoadFailed);
    EXPECT_EQ(p.LoadErrorText.rfind("Error : ", 0), 0u);
    EXPECT_GT(p.LoadErrorText.size(), 8u);
    EXPECT_EQ(p.ReportXml().find("<error>"), std::string::npos);
}

TEST(DXFProcessorTest, CloseFileClosesOnceAndForgetsTheHandle) {
    TDxf dxf;
    TLoaded d(dxf.Text());
    ASSERT_TRUE(d.Loaded);
    EXPECT_TRUE(d.P.CloseFile());
    EXPECT_EQ(d.P.FileHandle, 0u);
    EXPECT_FALSE(d.P.CloseFile());
}

// ---- The walk -------------------------------------------------------------------------------

TEST(DXFProcessorTest, TopLevelInsertExpandsItsBlockBeforeTheInsert) {
    TDxf dxf;
    dxf.Blocks = Block("B", 1, 2, Line(0, 0, 1, 1));
    dxf.Entities = Line(5, 5, 6, 6) + Insert("B", 10, 20, 2, 3);
    TLoaded d(dxf.Text());
    ASSERT_TRUE(d.Loaded);
    d.P.ProcessDrawing();
    EXPECT_EQ(d.P.Whats(), (std::vector<std::string>{"", "LINE entity", "begin B", "",
                                                     "LINE entity", "end B", "INSERT entity"}));
    ASSERT_EQ(d.P.Calls.size(), 7u);
    EXPECT_EQ(d.P.Calls[0].Code, dxfi::abi::kCodeBlockStart);
    const TCall& inner = d.P.Calls[4];
    EXPECT_TRUE(inner.InBlock);
    EXPECT_EQ(inner.ScaleX, 2.0);
    EXPECT_EQ(inner.ScaleY, 3.0);
    // The block's base point, scaled by the insert.
    EXPECT_EQ(inner.OffsetX, 2);
    EXPECT_EQ(inner.OffsetY, 6);
    const TCall& insert = d.P.Calls[6];
    EXPECT_FALSE(insert.InBlock);
    EXPECT_EQ(insert.ScaleX, 1.0);
    EXPECT_EQ(insert.OffsetX, 0);
    EXPECT_EQ(d.P.ScaleStack_.size(), 1u);
    EXPECT_EQ(d.P.OffsetX, 0);
    EXPECT_TRUE(ReportLines(d.P.ReportXml()).empty());
}

TEST(DXFProcessorTest, NestedInsertsMultiplyScalesAndFlattenIntoTheBlock) {
    TDxf dxf;
    dxf.Blocks =
        Block("INNER", 1, 1, Line(0, 0, 1, 0)) + Block("OUTER", 0, 0, Insert("INNER", 5, 7, 3, 1));
    dxf.Entities = Insert("OUTER", 100, 100, 2, 2);
    TLoaded d(dxf.Text());
    ASSERT_TRUE(d.Loaded);
    d.P.ProcessDrawing();
    EXPECT_EQ(d.P.Whats(),
              (std::vector<std::string>{"", "begin OUTER", "", "", "LINE entity", "INSERT entity",
                                        "end OUTER", "INSERT entity"}));
    ASSERT_EQ(d.P.Calls.size(), 8u);
    const TCall& line = d.P.Calls[4];
    EXPECT_EQ(line.ScaleX, 6.0);
    EXPECT_EQ(line.ScaleY, 2.0);
    // -(insertion point under the outer scale) + the inner base point under both scales.
    EXPECT_EQ(line.OffsetX, -10 + 6);
    EXPECT_EQ(line.OffsetY, -14 + 2);
    EXPECT_EQ(d.P.Calls[5].ScaleX, 2.0);
    EXPECT_EQ(d.P.Calls[5].OffsetX, 0);
    EXPECT_EQ(d.P.Calls[7].ScaleX, 1.0);
    EXPECT_EQ(d.P.ScaleX(), 1.0);
    EXPECT_EQ(d.P.ScaleStack_.size(), 1u);
}

TEST(DXFProcessorTest, AnonymousXBlocksAreNotExpanded) {
    TDxf dxf;
    dxf.Blocks = Block("*X1", 0, 0, Line(0, 0, 1, 0)) + Block("HOLDER", 0, 0, Insert("*X1", 1, 1));
    dxf.Entities = Insert("*X1", 5, 5) + Insert("HOLDER", 10, 10);
    TLoaded d(dxf.Text());
    ASSERT_TRUE(d.Loaded);
    d.P.ProcessDrawing();
    EXPECT_EQ(d.P.Whats(),
              (std::vector<std::string>{"", "INSERT entity", "begin HOLDER", "", "INSERT entity",
                                        "end HOLDER", "INSERT entity"}));
    EXPECT_TRUE(Reported(
        d.P,
        (std::vector<std::string>{"INSERT entity was discarded because block did not contain *X"}),
        false));
    EXPECT_EQ(d.P.ScaleStack_.size(), 1u);
}

TEST(DXFProcessorTest, DimensionBlocksAreShiftedAndOnlyWalkedAtTopLevel) {
    TDxf dxf;
    const std::string dimension = G({{0, "DIMENSION"},
                                     {8, "0"},
                                     {2, "*D1"},
                                     {10, "3"},
                                     {20, "4"},
                                     {30, "0"},
                                     {12, "1"},
                                     {22, "1"},
                                     {32, "0"},
                                     {70, "0"}});
    dxf.Blocks = Block("*D1", 0, 0, Line(0, 0, 1, 0)) + Block("HOLD", 0, 0, dimension);
    dxf.Entities = dimension + Insert("HOLD", 0, 0);
    TLoaded d(dxf.Text());
    ASSERT_TRUE(d.Loaded);
    d.P.ProcessDrawing();
    EXPECT_EQ(d.P.Whats(), (std::vector<std::string>{
                               "", "begin *D1", "", "LINE entity", "end *D1", "DIMENSION entity",
                               "begin HOLD", "", "DIMENSION entity", "end HOLD", "INSERT entity"}));
    ASSERT_EQ(d.P.Calls.size(), 11u);
    EXPECT_EQ(d.P.Calls[3].OffsetX, 2);
    EXPECT_EQ(d.P.Calls[3].OffsetY, 3);
    EXPECT_EQ(d.P.Calls[5].OffsetX, 0);
}

TEST(DXFProcessorTest, BlockThatInsertsItselfIsCutOffWithAReportLine) {
    TDxf dxf;
    dxf.Blocks = Block("LOOP", 0, 0, Line(0, 0, 1, 0) + Insert("LOOP", 1, 1, 2, 2));
    dxf.Entities = Insert("LOOP", 0, 0);
    TLoaded d(dxf.Text());
    ASSERT_TRUE(d.Loaded);
    d.P.ProcessDrawing();
    EXPECT_EQ(d.P.Whats(),
              (std::vector<std::string>{"", "begin LOOP", "", "LINE entity", "INSERT entity",
                                        "end LOOP", "INSERT entity"}));
    EXPECT_TRUE(Reported(d.P,
                         (std::vector<std::string>{
                             "INSERT entity was discarded because the block refers to itself"}),
                         true));
    EXPECT_EQ(d.P.ScaleStack_.size(), 1u);
    EXPECT_FALSE(d.P.InBlock);
}

TEST(DXFProcessorTest, CycleThroughAnotherBlockOrTheSpaceItselfIsCutOff) {
    TDxf dxf;
    dxf.Blocks = Block("A", 0, 0, Insert("B", 1, 1)) + Block("B", 0, 0, Insert("A", 2, 2));
    // The model space inserting itself would rewind the walk's own list without the guard.
    dxf.Entities = Insert("A", 0, 0) + Insert("*MODEL_SPACE", 0, 0) + Line(0, 0, 1, 1);
    TLoaded d(dxf.Text());
    ASSERT_TRUE(d.Loaded);
    d.P.ProcessDrawing();
    EXPECT_EQ(d.P.Whats(),
              (std::vector<std::string>{"", "begin A", "", "", "INSERT entity", "INSERT entity",
                                        "end A", "INSERT entity", "INSERT entity", "LINE entity"}));
    EXPECT_TRUE(Reported(d.P,
                         (std::vector<std::string>{
                             "INSERT entity was discarded because the block refers to itself",
                             "INSERT entity was discarded because the block refers to itself"}),
                         true));
}

TEST(DXFProcessorTest, NestingIsBoundedAtThirtyTwoBlocks) {
    TDxf dxf;
    for (int i = 0; i < 40; ++i)
        dxf.Blocks += Block("B" + std::to_string(i), 0, 0,
                            Line(0, 0, 1, 0) + (i < 39 ? Insert("B" + std::to_string(i + 1), 0, 0)
                                                       : std::string()));
    dxf.Entities = Insert("B0", 0, 0);
    TLoaded d(dxf.Text());
    ASSERT_TRUE(d.Loaded);
    d.P.ProcessDrawing();
    const std::vector<std::string> whats = d.P.Whats();
    EXPECT_EQ(std::count(whats.begin(), whats.end(), "LINE entity"), kMaxBlockNesting);
    EXPECT_TRUE(Reported(d.P,
                         (std::vector<std::string>{
                             "INSERT entity was discarded because blocks are nested too deeply"}),
                         true));
    EXPECT_EQ(d.P.ScaleStack_.size(), 1u);
}

TEST(DXFProcessorTest, ReferencesWhoseOffsetsLeaveTheBoardAreDiscardedWithALineOfTheirOwn) {
    TDxf dxf;
    // FAR's base point and NEAR's insertion point lie beyond the board at 1 unit per drawing
    // unit; ZERO is inserted with a scale of 0 and stays.
    dxf.Blocks =
        Block("FAR", -3e9, 0, Line(0, 0, 1, 0)) + Block("NEAR", 0, 0, Line(5, 5, 6, 6)) +
        Block("HOLD", 0, 0,
              Insert("FAR", 0, 0) + Insert("NEAR", 1e12, -1e12) + Insert("ZERO", 1, 1, 0, 0)) +
        Block("ZERO", 3, 3, Line(1, 1, 2, 2));
    dxf.Entities = Insert("HOLD", 0, 0) + Insert("FAR", 0, 0);
    TLoaded d(dxf.Text());
    ASSERT_TRUE(d.Loaded);
    int inserts = 0, refused = 0;
    d.P.OnEntity = [&](TEntityHeader& h, TEntityData& e) {
        if (d.P.EntityKind(&h) == ekInsert) {
            ++inserts;
            TBoardCoord x = 9, y = 9;
            double rotation = 0;
            char name[256];
            if (!d.P.GetInsert(h, e, x, y, rotation, name)) ++refused;
            return;
        }
        if (d.P.EntityKind(&h) != ekLine || d.P.ScaleX() != 0) return;
        TBoardCoord x1 = 9, y1 = 9, x2 = 9, y2 = 9;
        const char* layer = nullptr;
        ASSERT_TRUE(d.P.GetLine(h, e, x1, y1, x2, y2, layer));
        EXPECT_EQ(x2, 0);
        EXPECT_EQ(y2, 0);
    };
    d.P.ProcessDrawing();
    const std::vector<std::string> whats = d.P.Whats();
    // Only ZERO's line: neither FAR's nor NEAR's content is walked.
    EXPECT_EQ(std::count(whats.begin(), whats.end(), "LINE entity"), 1);
    EXPECT_EQ(inserts, 5);
    EXPECT_EQ(refused, 3); // both FAR references and NEAR, without a second line
    EXPECT_TRUE(
        Reported(d.P,
                 (std::vector<std::string>{
                     "INSERT entity was discarded because its block's base point lies beyond the "
                     "board's range at this scale (-3000000000,0)",
                     "INSERT entity was discarded because its insertion point lies beyond the "
                     "board's range at this scale (1000000000000,-1000000000000)",
                     "INSERT entity was discarded because its block's base point lies beyond the "
                     "board's range at this scale (-3000000000,0)"}),
                 true));
    EXPECT_EQ(d.P.OffsetX, 0);
    EXPECT_EQ(d.P.OffsetY, 0);
    EXPECT_EQ(d.P.ScaleStack_.size(), 1u);
}
