// SPDX-License-Identifier: MIT
// The README's main job: scripts/import-demo.sh's import step (the build already made) on the
// bundled demo drawing, with the real plug-in, and the board it leaves.
#include "e2e/ImportFixture.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

const std::string kScript = std::string(DXFI_SOURCE_DIR) + "/scripts/import-demo.sh";
const std::string kBuildDir = fs::path(DXFI_BIN_DIR).parent_path().string();
const std::string M1 = "Mechanical Layer 1";
const std::string kOverlay = "Top Overlay";

// Board units in one millimetre as the import options count it (1mm = 39.3701 mil).
constexpr double kUnitsPerMm = 393701.0;

// A board coordinate for a drawing coordinate in millimetres, at the demo's 1 mm per drawing
// unit, with the drawing's origin one inch from the board's.
double Mm(double millimetres) {
    return 10000000.0 + millimetres * kUnitsPerMm;
}

// Board units agree to within 2 (two ten-thousandths of a mil): the plug-in rounds bulge arcs'
// centres and radii on their own.
bool Near(const TJson& value, double expected) {
    return value.is_number() && std::fabs(value.get<double>() - expected) <= 2.0;
}

class DemoImportTest : public TImportFixture {
protected:
    TProgramRun RunDemo(const std::string& buildDir, const std::vector<std::string>& args = {}) {
        std::vector<std::string> all{kScript, "--no-build"};
        all.insert(all.end(), args.begin(), args.end());
        return RunProgram(Folder.Path(), "/bin/bash", all,
                          {"DXFI_BUILD_DIR=" + buildDir, "DXFI_DEMO_OUT=" + Path("out"),
                           "XDG_CONFIG_HOME=" + Path("cfg")});
    }
};

TEST_F(DemoImportTest, TheBundledBoardDrawingBecomesTheBoardTheReadmeShows) {
    const TProgramRun run = RunDemo(kBuildDir);
    ASSERT_EQ(run.ExitCode, 0) << run.Out << run.Err;
    const std::string board = Path("out/demo_board_R2000.board.json");
    EXPECT_NE(run.Out.find("Board: " + board + "\n"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("SVG:   " + Path("out/demo_board_R2000.svg") + "\n"), std::string::npos)
        << run.Out;
    EXPECT_TRUE(Exists("out/demo_board_R2000.svg"));
    // The real plug-in, and no box: nothing was discarded, nothing had to be moved.
    EXPECT_NE(run.Err.find("libdxfimport.so"), std::string::npos) << run.Err;
    EXPECT_EQ(run.Err.find("Warning"), std::string::npos) << run.Err;
    EXPECT_EQ(run.Err.find("Error"), std::string::npos) << run.Err;
    // What is on it, by layer and kind, and its size: the outline's 80 x 50 mm and its line.
    EXPECT_NE(run.Out.find("Mechanical Layer 1 Arc 6, Track 6\n"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("Multi Layer        Pad 4\n"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("(mm): 80.2000 x 50.2000 mm\n"), std::string::npos) << run.Out;
    // The count pcbhost reports includes the components' children: 23 objects on the board
    // and 7 in each of the two components.
    EXPECT_NE(run.Err.find("(37 objects, 37 new)"), std::string::npos) << run.Err;

    const TJson b = LoadBoard("out/demo_board_R2000.board.json");
    // Top-level objects: the outline (4 tracks, 4 quarter arcs) and the slot (2 tracks, 2 half
    // circles) on Mechanical Layer 1, the mounting holes as pads, the title, the logo (a ring
    // and a cross), the two connectors as components; the notes are not imported.
    EXPECT_EQ(CountsByKindAndLayer(b), (std::map<std::string, int>{{"Track@" + M1, 6},
                                                                   {"Arc@" + M1, 6},
                                                                   {"Pad@Multi Layer", 4},
                                                                   {"Text@" + kOverlay, 2},
                                                                   {"Arc@" + kOverlay, 1},
                                                                   {"Track@" + kOverlay, 2},
                                                                   {"Component@Top Layer", 2}}));

    // A pad at each hole: 6 mm across with a 3.2 mm hole.
    const std::vector<TJson> pads = ObjectsOfKind(b, "Pad");
    ASSERT_EQ(pads.size(), 4u);
    const double holes[4][2] = {{4, 4}, {76, 4}, {4, 46}, {76, 46}};
    for (const auto& hole : holes) {
        bool found = false;
        for (const TJson& pad : pads) {
            if (!Near(pad["X"], Mm(hole[0])) || !Near(pad["Y"], Mm(hole[1]))) continue;
            found = true;
            EXPECT_TRUE(Near(pad["HoleSize"], 3.2 * kUnitsPerMm)) << pad.dump();
            ASSERT_TRUE(pad["PadSizes"].is_array()) << pad.dump();
            for (const TJson& size : pad["PadSizes"])
                EXPECT_TRUE(Near(size, 6.0 * kUnitsPerMm)) << pad.dump();
        }
        EXPECT_TRUE(found) << "no pad at (" << hole[0] << ", " << hole[1] << ") mm";
    }

    // The outline's lower edge and lower right corner, the slot's right end, the title.
    const double width = 0.2 * kUnitsPerMm;
    bool edge = false, corner = false, slotEnd = false;
    for (const TJson& o : b["Objects"]) {
        if (o["Kind"] == "Track" && o["Layer"] == M1 && Near(o["X"], Mm(3)) &&
            Near(o["Y"], Mm(0)) && Near(o["X2"], Mm(77)) && Near(o["Y2"], Mm(0)) &&
            Near(o["Width"], width))
            edge = true;
        if (o["Kind"] == "Arc" && o["Layer"] == M1 && Near(o["X"], Mm(77)) && Near(o["Y"], Mm(3)) &&
            Near(o["Radius"], Mm(3) - Mm(0)) && o["StartAngle"] == 270 && o["EndAngle"] == 0)
            corner = true;
        if (o["Kind"] == "Arc" && o["Layer"] == M1 && Near(o["X"], Mm(64)) &&
            Near(o["Y"], Mm(24)) && Near(o["Radius"], Mm(4) - Mm(0)) && o["StartAngle"] == 270 &&
            o["EndAngle"] == 90)
            slotEnd = true;
    }
    EXPECT_TRUE(edge && corner && slotEnd) << edge << corner << slotEnd;
    EXPECT_TRUE(HasObject(b, {{"Kind", "Text"}, {"Layer", kOverlay}, {"Text", "DXF IMPORT DEMO"}}));
    EXPECT_TRUE(HasObject(b, {{"Kind", "Text"}, {"Layer", kOverlay}, {"Text", "rev A"}}));

    // The connector block, placed twice (the second turned by 90 degrees): a component each,
    // with the body's 4 tracks, the pin 1 mark and the 2 pin circles.
    const std::vector<TJson> components = ObjectsOfKind(b, "Component");
    ASSERT_EQ(components.size(), 2u);
    const double places[2][3] = {{12, 10, 0}, {35, 12, 90}};
    for (int i = 0; i < 2; ++i) {
        const TJson& component = components[static_cast<std::size_t>(i)];
        EXPECT_EQ(component["Name"], "CONN2");
        EXPECT_TRUE(Near(component["X"], Mm(places[i][0])) &&
                    Near(component["Y"], Mm(places[i][1])) && component["Rotation"] == places[i][2])
            << component.dump();
        std::map<std::string, int> children;
        for (const TJson& child : component["Children"])
            ++children[child.value("Kind", "?") + "@" + child.value("Layer", "?")];
        EXPECT_EQ(children,
                  (std::map<std::string, int>{{"Track@" + kOverlay, 5}, {"Arc@" + kOverlay, 2}}));
    }
}

TEST_F(DemoImportTest, FailsSayingWhyWhenThePlugInIsMissingOrCannotBeLoaded) {
    // A build folder with pcbhost but without the plug-in.
    fs::create_directories(Path("build/bin"));
    fs::create_symlink(kHost, Path("build/bin/pcbhost"));
    TProgramRun run = RunDemo(Path("build"));
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("import-demo: the import plug-in " + Path("build") +
                           "/bin/libdxfimport.so is missing"),
              std::string::npos)
        << run.Err;
    EXPECT_FALSE(Exists("out/demo_board_R2000.board.json"));

    // A plug-in file that is no library: nothing stands in for it.
    Folder.WriteFile("build/bin/libdxfimport.so", "not a library\n");
    run = RunDemo(Path("build"));
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("import-demo: pcbhost could not load or run the import plug-in"),
              std::string::npos)
        << run.Err;
    EXPECT_FALSE(Exists("out/demo_board_R2000.board.json"));
}

TEST_F(DemoImportTest, AnotherDrawingIsImportedWithTheOptionsGivenAfterIt) {
    const std::string line = CopyIn(kTestData + "/line_R2000.dxf");
    const TProgramRun run = RunDemo(kBuildDir, {Path(line), "--answer", "units=1mm"});
    ASSERT_EQ(run.ExitCode, 0) << run.Out << run.Err;
    const TJson b = LoadBoard("out/line_R2000.board.json");
    // The track from (0,0) to (10,5) drawing units, now millimetres.
    bool found = false;
    for (const TJson& track : ObjectsOfKind(b, "Track"))
        found = found || (Near(track["X"], Mm(0)) && Near(track["Y"], Mm(0)) &&
                          Near(track["X2"], Mm(10)) && Near(track["Y2"], Mm(5)));
    EXPECT_TRUE(found) << b.dump();
}

} // namespace
