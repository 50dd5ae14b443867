// SPDX-License-Identifier: MIT
// Whole imports that depend on the run around the drawing: saved options, placement and its
// warning, an existing board, the error report beside the board, and dialog answers.
#include "e2e/ImportFixture.h"

#include <algorithm>
#include <filesystem>

namespace {

const std::string M1 = "Mechanical Layer 1";
const std::string M3 = "Mechanical Layer 3";

TJson Track(const std::string& layer, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    return {{"Kind", "Track"}, {"Layer", layer}, {"X", x1}, {"Y", y1}, {"X2", x2}, {"Y2", y2}};
}

// The three tracks of line_R2000.dxf where the default options put them.
const TJson kLineTracks[] = {Track(M3, At(0), At(0), At(10), At(5)),
                             Track(M3, At(1.25), At(-2.5), At(7.125), At(8.0625)),
                             Track(M1, At(-3), At(4), At(-3), At(4))};

using PlacementTest = TImportFixture;

TEST_F(PlacementTest, ContentLeftOfZeroGivesTheWarningLineAndExitCodeOneInTestMode) {
    // Saved options that put the drawing's origin on the board's: negative_R2000.dxf reaches
    // to x = -100 and y = -50 mil.
    WriteSavedOptions({"\"InsertionPointX\"=dword:00000000", "\"InsertionPointY\"=dword:00000000"});
    CopyIn(kTestData + "/negative_R2000.dxf");
    const TProgramRun run = Import("negative_R2000.dxf", {"--test-mode"});
    EXPECT_EQ(run.ExitCode, 1) << run.Err;
    EXPECT_EQ(run.Out, "ShowDialogWithCaption withWarning " + kPlacementWarning + "\n");
    EXPECT_FALSE(Exists("negative_R2000.board.json")); // the run ended at the box
}

TEST_F(PlacementTest, ContentLeftOfZeroIsMovedRightAndUpOutsideTestMode) {
    CopyIn(kTestData + "/negative_R2000.dxf");
    const TProgramRun run =
        Import("negative_R2000.dxf", {"--no", "--answer", "x=0mil", "--answer", "y=0mil"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "");
    // The terminal indents every line of the box but the empty one.
    std::string boxed = "Warning:\n";
    std::size_t start = 0;
    for (std::size_t end; start <= kPlacementWarning.size(); start = end + 1) {
        end = std::min(kPlacementWarning.find('\n', start), kPlacementWarning.size());
        const std::string line = kPlacementWarning.substr(start, end - start);
        boxed += (line.empty() ? "" : "  ") + line + "\n";
    }
    EXPECT_NE(run.Err.find(boxed), std::string::npos) << run.Err;

    // The track from (-100,-50) to (-10,-5), 5 mil wide, has its outer edge at
    // (-102.5, -52.5) mil: everything moves by that much, so the edge lands on 0.
    const TJson board = LoadBoard("negative_R2000.board.json");
    EXPECT_TRUE(HasObject(board, Track(M1, 25000, 25000, 925000, 475000)));
    EXPECT_TRUE(HasObject(board, {{"Text", "left"}, {"X", 125000}, {"Y", 625000}}));
    EXPECT_TRUE(HasObject(board, {{"Kind", "Arc"}, {"X", 425000}, {"Y", 725000}}));
}

TEST_F(PlacementTest, ObjectsOnTheBoardBeforeAreNeitherMovedNorCounted) {
    CopyIn(kTestData + "/line_R2000.dxf");
    // A board with a track far left of and below 0: it must not cause the warning.
    Folder.WriteFile("old.json",
                     R"({"Format": "korrin-board", "Version": 1, "Board": {}, "Objects": [
                     {"Kind": "Track", "Layer": "Top Layer", "X": -5000000, "Y": -5000000,
                      "X2": -4000000, "Y2": -4000000, "Width": 100000}]})");
    TProgramRun run =
        Import("line_R2000.dxf", {"--test-mode", "--board", "old.json", "-o", "a.json"});
    ASSERT_EQ(run.ExitCode, 0) << run.Out << run.Err;
    EXPECT_EQ(run.Out, "");
    EXPECT_NE(run.Err.find("(4 objects, 3 new)"), std::string::npos) << run.Err;
    TJson board = LoadBoard("a.json");
    EXPECT_TRUE(HasObject(board, Track("Top Layer", -5000000, -5000000, -4000000, -4000000)));
    for (const TJson& track : kLineTracks)
        EXPECT_TRUE(HasObject(board, track));

    // Imported again into the board the first import made: the first import's tracks stay
    // where they are and the new ones land on top of them.
    run = Import("line_R2000.dxf", {"--test-mode", "--board", "a.json", "-o", "b.json"});
    ASSERT_EQ(run.ExitCode, 0) << run.Out << run.Err;
    EXPECT_NE(run.Err.find("(7 objects, 3 new)"), std::string::npos) << run.Err;
    board = LoadBoard("b.json");
    ASSERT_EQ(board["Objects"].size(), 7u);
    const TJson& objects = board["Objects"];
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(objects[1 + i], objects[4 + i]) << i;
        for (const auto& [key, value] : kLineTracks[i].items())
            EXPECT_EQ(objects[1 + i][key], value) << i << " " << key;
    }
}

class SavedOptionsTest : public TImportFixture {
protected:
    // Imports tests/data/`name`.dxf in test mode with options saved to keep blocks as
    // components, into `board`.
    void ImportKeepingBlocks(const std::string& name, TJson& board) {
        WriteSavedOptions({"\"ExplodeBlocks\"=\"0\""});
        CopyIn(kTestData + "/" + name + ".dxf");
        const TProgramRun run = Import(name + ".dxf", {"--test-mode"});
        ASSERT_EQ(run.ExitCode, 0) << run.Out << run.Err;
        board = LoadBoard(name + ".board.json");
    }
};

TEST_F(SavedOptionsTest, BlocksStayComponentsWhenTheSavedOptionsSaySo) {
    TJson board;
    ASSERT_NO_FATAL_FAILURE(ImportKeepingBlocks("insert_R2000", board));
    EXPECT_EQ(CountsByKindAndLayer(board),
              (std::map<std::string, int>{{"Component@Top Layer", 3}, {"Track@" + M1, 1}}));
    const std::vector<TJson> components = ObjectsOfKind(board, "Component");
    ASSERT_EQ(components.size(), 3u);
    // OUTER at (10,20) rotated 30 degrees holds its line and the nested INNER's line and
    // circle; each INNER holds a line and a circle.
    EXPECT_EQ(components[0]["Name"], "OUTER");
    EXPECT_EQ(components[0]["X"], At(10));
    EXPECT_EQ(components[0]["Y"], At(20));
    EXPECT_NEAR(components[0]["Rotation"].get<double>(), 30, 1e-9);
    EXPECT_EQ(components[0]["Children"].size(), 3u);
    EXPECT_EQ(components[1]["Name"], "INNER");
    EXPECT_EQ(components[1]["X"], At(-5));
    EXPECT_EQ(components[1]["Y"], At(7.5));
    EXPECT_EQ(components[1]["Children"].size(), 2u);
    EXPECT_EQ(components[2]["Name"], "INNER");
    ASSERT_EQ(components[2]["Children"].size(), 2u);
    EXPECT_TRUE(HasObject({{"Objects", components[2]["Children"]}},
                          Track(M1, At(30), At(30), At(31), At(30))));
}

TEST_F(SavedOptionsTest, DimensionsAreLoosePrimitivesEvenWhenBlocksStayComponents) {
    TJson board;
    ASSERT_NO_FATAL_FAILURE(ImportKeepingBlocks("dimension_R2000", board));
    EXPECT_TRUE(ObjectsOfKind(board, "Component").empty());
    EXPECT_EQ(ObjectsOfKind(board, "Track").size(), 9u);
    EXPECT_EQ(ObjectsOfKind(board, "Region").size(), 4u);
}

using ErrorReportTest = TImportFixture;

TEST_F(ErrorReportTest, WithNoTheReportIsLeftBesideTheBoardAndNotOpened) {
    CopyIn(kTestData + "/spline_R2000.dxf");
    std::filesystem::create_directory(Path("boards"));
    const TProgramRun run = Import("spline_R2000.dxf", {"--no", "-o", "boards/b.json"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Err.find("Confirm:\n  Some entities were discarded during import!\n\n"
                           "  Show Error Report?\n  -> No (--no)\n"),
              std::string::npos)
        << run.Err;
    EXPECT_EQ(run.Err.find("Open this file:"), std::string::npos) << run.Err;
    EXPECT_FALSE(Exists("Import Error Report.html"));
    const std::string html = TTempFolder::ReadFile(Path("boards/Import Error Report.html"));
    ASSERT_FALSE(html.empty());
    const std::string line = "SPLINE entity was discarded because it is not supported";
    const std::size_t first = html.find(line);
    ASSERT_NE(first, std::string::npos) << html;
    EXPECT_NE(html.find(line, first + 1), std::string::npos) << "two splines, two lines";
    EXPECT_NE(html.find(Path("spline_R2000.dxf")), std::string::npos);
}

TEST_F(ErrorReportTest, WithYesTheHostIsAskedToOpenTheReport) {
    CopyIn(kTestData + "/extrusion_R2000.dxf");
    const TProgramRun run = Import("extrusion_R2000.dxf", {"--yes"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Err.find("  -> Yes (--yes)\nOpen this file: " + Path("Import Error Report.html") +
                           "\n"),
              std::string::npos)
        << run.Err;
    const std::string html = TTempFolder::ReadFile(Path("Import Error Report.html"));
    EXPECT_NE(html.find("CIRCLE entity was discarded because of invalid extrusion direction "
                        "(0.1,0,0.99)"),
              std::string::npos)
        << html;
    EXPECT_EQ(ObjectsOfKind(LoadBoard("extrusion_R2000.board.json"), "Arc").size(), 3u);
}

TEST_F(ErrorReportTest, MarkupFromTheDrawingIsShownAsText) {
    // A group code the engine quotes in its error text, in a drawing whose name holds markup.
    const std::string drawing = "m<i>&q'.dxf";
    Folder.WriteFile(drawing, "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  8\n0\n 10\n1.0\n"
                              "<script>alert(\"x\")&amp;</script>\n3.0\n  0\nENDSEC\n  0\nEOF\n");
    const TProgramRun run = Import(drawing, {"--no"});
    ASSERT_EQ(run.ExitCode, 4) << run.Err; // the drawing could not be read
    EXPECT_NE(run.Err.find("Error : "), std::string::npos) << run.Err;
    const std::string html = TTempFolder::ReadFile(Path("Import Error Report.html"));
    ASSERT_FALSE(html.empty());
    EXPECT_EQ(html.find("<script"), std::string::npos) << html;
    EXPECT_EQ(html.find("<i>"), std::string::npos) << html;
    EXPECT_NE(html.find("&lt;script&gt;alert(\"x\")&amp;amp;&lt;/script&gt;"), std::string::npos)
        << html;
    EXPECT_NE(html.find("m&lt;i&gt;&amp;q'.dxf"), std::string::npos) << html;
    EXPECT_NE(html.find("The file could not be processed - "), std::string::npos) << html;
}

TEST_F(ErrorReportTest, TestModeWritesNoReport) {
    CopyIn(kTestData + "/spline_R2018.dxf");
    const TProgramRun run = Import("spline_R2018.dxf", {"--test-mode"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Err.find("Confirm:"), std::string::npos) << run.Err;
    EXPECT_FALSE(Exists("Import Error Report.html"));
}

using DialogAnswerTest = TImportFixture;

TEST_F(DialogAnswerTest, OneMillimetrePerUnitScalesTheDrawing) {
    // The dialog turns "1mm" into a whole number of board units, 393701, before it takes the
    // reciprocal: the line from (1,2) to (3,4) mm.
    CopyIn(kTestData + "/units_mm_R2000.dxf");
    const TProgramRun run = Import("units_mm_R2000.dxf", {"--no", "--answer", "units=1mm"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    const TJson board = LoadBoard("units_mm_R2000.board.json");
    EXPECT_EQ(CountsByKindAndLayer(board), (std::map<std::string, int>{{"Track@" + M1, 1}}));
    EXPECT_TRUE(HasObject(board, Track(M1, 10000000 + 393701, 10000000 + 2 * 393701,
                                       10000000 + 3 * 393701, 10000000 + 4 * 393701)));
}

TEST_F(DialogAnswerTest, SplinesAnswerApproximatesAndTheChoiceIsSaved) {
    // A circle of radius 5 mm about (20, 10) mm drawn as a rational spline.
    CopyIn(kTestData + "/spline_circle_R2000.dxf");
    TProgramRun run = Import("spline_circle_R2000.dxf",
                             {"--no", "--answer", "units=1mm", "--answer", "Splines=Approximate"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Err.find("Confirm:"), std::string::npos) << "nothing discarded: " << run.Err;
    TJson board = LoadBoard("spline_circle_R2000.board.json");
    const std::vector<TJson> arcs = ObjectsOfKind(board, "Arc");
    ASSERT_FALSE(arcs.empty());
    EXPECT_TRUE(ObjectsOfKind(board, "Track").empty());
    for (const TJson& arc : arcs) {
        EXPECT_NEAR(arc["X"].get<double>(), 10000000 + 20 * 393701.0, 1968.5);
        EXPECT_NEAR(arc["Y"].get<double>(), 10000000 + 10 * 393701.0, 1968.5);
        EXPECT_NEAR(arc["Radius"].get<double>(), 5 * 393701.0, 1968.5);
        EXPECT_EQ(arc["Layer"], M1);
    }

    // The choice was saved with the options: the next import approximates without asking.
    CopyIn(kTestData + "/spline_R2000.dxf");
    run = Import("spline_R2000.dxf", {"--no"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Err.find("Confirm:"), std::string::npos) << run.Err;
    board = LoadBoard("spline_R2000.board.json");
    EXPECT_FALSE(ObjectsOfKind(board, "Arc").empty() && ObjectsOfKind(board, "Track").empty());

    // Discard brings back the report line.
    run = Import("spline_R2000.dxf", {"--no", "--answer", "splines=discard", "-o", "d.json"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_TRUE(LoadBoard("d.json")["Objects"].empty());
    EXPECT_NE(TTempFolder::ReadFile(Path("Import Error Report.html"))
                  .find("SPLINE entity was discarded because it is not supported"),
              std::string::npos);
}

TEST_F(SavedOptionsTest, EverySplineDrawingImportsWhenTheSavedOptionsSaySo) {
    WriteSavedOptions({"\"ConvertSplines\"=\"1\""});
    for (const char* name :
         {"spline_R2018", "spline_cubic_R2018", "spline_fit_R2018", "spline_closed_R2018",
          "spline_block_R2018", "spline_circle_R2018", "spline_bad_R2018"}) {
        SCOPED_TRACE(name);
        CopyIn(kTestData + "/" + name + ".dxf");
        const TProgramRun run = Import(std::string(name) + ".dxf", {"--no"});
        ASSERT_EQ(run.ExitCode, 0) << run.Err;
        const TJson board = LoadBoard(std::string(name) + ".board.json");
        const std::size_t pieces =
            ObjectsOfKind(board, "Arc").size() + ObjectsOfKind(board, "Track").size();
        if (std::string(name) == "spline_bad_R2018") {
            EXPECT_EQ(pieces, 2u) << "the two lines";
            const std::string html = TTempFolder::ReadFile(Path("Import Error Report.html"));
            EXPECT_NE(html.find("SPLINE entity was discarded because it has zero length"),
                      std::string::npos)
                << html;
        } else {
            EXPECT_GE(pieces, 1u);
            EXPECT_EQ(run.Err.find("Confirm:"), std::string::npos) << run.Err;
        }
    }
}

TEST_F(DialogAnswerTest, PaperSpaceAnswerImportsThePaperLayout) {
    CopyIn(kTestData + "/paperspace_R2000.dxf");
    const TProgramRun run = Import("paperspace_R2000.dxf", {"--no", "--answer", "space=Paper"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    const TJson board = LoadBoard("paperspace_R2000.board.json");
    const std::string sheet = "Mechanical Layer 3";
    EXPECT_TRUE(HasObject(board, Track(sheet, At(10), At(10), At(200), At(10))));
    EXPECT_TRUE(
        HasObject(board, {{"Kind", "Arc"}, {"X", At(50)}, {"Y", At(50)}, {"Radius", 200000}}));
    EXPECT_TRUE(HasObject(board, {{"Text", "Title"}, {"X", At(20)}, {"Y", At(20)}}));
    EXPECT_FALSE(HasObject(board, Track(M1, At(0), At(0), At(100), At(50)))); // model space
}

TEST_F(DialogAnswerTest, LayerRowsMapAndDropDrawingLayers) {
    CopyIn(kTestData + "/line_R2000.dxf");
    const TProgramRun run = Import("line_R2000.dxf", {"--no", "--answer", "layer:LINES=Top Layer",
                                                      "--answer", "layer:0=Not Imported"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    const TJson board = LoadBoard("line_R2000.board.json");
    EXPECT_EQ(CountsByKindAndLayer(board), (std::map<std::string, int>{{"Track@Top Layer", 2}}));
    EXPECT_TRUE(HasObject(board, Track("Top Layer", At(0), At(0), At(10), At(5))));
}

TEST_F(DialogAnswerTest, DonutConditionKeepsOnlyLargerDonutsAsPads) {
    // Outer diameters 3 mil and 2.5 mil against a threshold of 2.75 mil.
    CopyIn(kTestData + "/donut_R2000.dxf");
    const TProgramRun run =
        Import("donut_R2000.dxf", {"--no", "--answer", "condition:PADS=Larger Than", "--answer",
                                   "diameter:PADS=2.75mil"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    const TJson board = LoadBoard("donut_R2000.board.json");
    EXPECT_EQ(CountsByKindAndLayer(board),
              (std::map<std::string, int>{{"Pad@" + M3, 1}, {"Arc@" + M3, 2}}));
    EXPECT_TRUE(HasObject(board, {{"Kind", "Pad"}, {"X", At(10)}, {"Y", At(5)}}));
    EXPECT_TRUE(HasObject(board, {{"Kind", "Arc"},
                                  {"X", At(21)},
                                  {"Y", At(5)},
                                  {"Radius", 10000},
                                  {"StartAngle", 180},
                                  {"EndAngle", 0},
                                  {"Width", 5000}}));
}

} // namespace

TEST_F(DialogAnswerTest, MetresAtOneMillimetrePerUnitReportWhatLiesBeyondTheBoard) {
    // The line at 10000 units lies 3.9e9 board units out: reported with its drawing
    // coordinates, never clamped to the board's edge; the others land in place.
    CopyIn(kTestData + "/metres_R2000.dxf");
    const TProgramRun run = Import("metres_R2000.dxf", {"--no", "--answer", "units=1mm"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Err.find("Some entities were discarded during import!"), std::string::npos);
    const TJson board = LoadBoard("metres_R2000.board.json");
    EXPECT_EQ(CountsByKindAndLayer(board), (std::map<std::string, int>{{"Track@" + M1, 2}}));
    EXPECT_TRUE(HasObject(board, Track(M1, 10000000 + 393701, 10000000 + 393701,
                                       10000000 + 2 * 393701, 10000000 + 393701)));
    EXPECT_TRUE(HasObject(
        board, Track(M1, 10000000 + 100 * 393701, 10000000, 10000000 + 101 * 393701, 10000000)));
    const std::string html = TTempFolder::ReadFile(Path("Import Error Report.html"));
    EXPECT_NE(html.find("LINE entity was discarded because its coordinates lie beyond the "
                        "board"),
              std::string::npos)
        << html;
    EXPECT_NE(html.find("(10000,0)"), std::string::npos) << html;
}

TEST_F(DialogAnswerTest, StalePaperExtentsRefuseNothing) {
    CopyIn(kTestData + "/stalepaper_R2000.dxf");
    const TProgramRun run = Import("stalepaper_R2000.dxf", {"--no", "--answer", "space=Paper"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Err.find("discarded"), std::string::npos) << run.Err;
    const TJson board = LoadBoard("stalepaper_R2000.board.json");
    EXPECT_EQ(CountsByKindAndLayer(board),
              (std::map<std::string, int>{{"Arc@" + M1, 1}, {"Track@" + M1, 4}}));
    EXPECT_TRUE(HasObject(board, Track(M1, At(200), At(10), At(200), At(100))));
}
