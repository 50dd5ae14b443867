// SPDX-License-Identifier: MIT
// KiCad board files: the unit mapping, the exact text each object kind becomes (so that a
// format change shows), the layer table, and the losses named with their counts. That KiCad
// itself reads these files is checked by tests/host/kicad with KiCad's own loader.
#include "KorrinTestSupport.h"
#include "host/korrin/KicadUnits.h"
#include "support/TempFile.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace korrintest {
namespace {

using dxfi::korrin::NmText;
using dxfi::korrin::TKicadPlacement;
using dxfi::korrin::UnitsToNm;

TEST(TKicadUnitsTest, BoardUnitsAreExactly254HundredthsOfANanometreRoundedAwayFromZero) {
    EXPECT_EQ(UnitsToNm(int64_t{10000}), 25400);   // 1 mil
    EXPECT_EQ(UnitsToNm(int64_t{393700}), 999998); // the nearest unit to 1 mm
    EXPECT_EQ(UnitsToNm(int64_t{25}), 64);         // 63.5: the tie goes away from zero
    EXPECT_EQ(UnitsToNm(int64_t{-25}), -64);
    EXPECT_EQ(UnitsToNm(int64_t{1}), 3);                   // 2.54
    EXPECT_EQ(UnitsToNm(int64_t{2147483647}), 5454608463); // 5454608463.38
    EXPECT_EQ(UnitsToNm(int64_t{-2147483647} - 1), -5454608466);
    EXPECT_EQ(UnitsToNm(12.5), 32); // 31.75
    EXPECT_EQ(UnitsToNm(std::numeric_limits<double>::quiet_NaN()), 0);

    // y points down: a point above the origin has a smaller KiCad y.
    TKicadPlacement place{100000000, 200000000};
    EXPECT_EQ(place.X(int64_t{10000}), 100025400);
    EXPECT_EQ(place.Y(int64_t{10000}), 199974600);
    EXPECT_EQ(place.Y(int64_t{-10000}), 200025400);

    EXPECT_EQ(NmText(0), "0");
    EXPECT_EQ(NmText(25400), "0.0254");
    EXPECT_EQ(NmText(-1), "-0.000001");
    EXPECT_EQ(NmText(148500000), "148.5");
    EXPECT_EQ(NmText(-5454608466), "-5454.608466");
}

class TKicadExportTest : public TBoardTest {
protected:
    // Loads `objects` (the JSON of a board's object list) as a board and exports it.
    std::string Export(const std::string& objects, uint32_t outline = 0,
                       const std::string& board = "{}") {
        testsupport::TTempFile file(R"({"Format": "korrin-board", "Version": 1, "Board": )" +
                                        board + R"(, "Objects": [)" + objects + "]}",
                                    "board.json");
        char error[512] = {};
        Loaded = KorrinHost_LoadBoard(file.Path().c_str(), error, sizeof error);
        EXPECT_NE(Loaded, 0u) << error;
        std::string path = file.Path() + ".kicad_pcb";
        Losses.clear();
        auto sink = [](void* context, const char* text, size_t length) {
            static_cast<std::vector<std::string>*>(context)->emplace_back(text, length);
        };
        EXPECT_EQ(KorrinHost_ExportKicad(Loaded, path.c_str(), outline, sink, &Losses, error,
                                         sizeof error),
                  0)
            << error;
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        KorrinHost_CloseBoard(Loaded);
        return text.str();
    }
    uint32_t Loaded = 0;
    std::vector<std::string> Losses;
};

// One object per kind about the board's origin, which lands at (147.32, 104.14) mm: the extent
// (-1 inch .. 1 inch) is centred on the A4 sheet and the origin snapped to the 100 mil grid.
TEST_F(TKicadExportTest, EachKindBecomesItsKicadText) {
    std::string text = Export(R"(
      {"Kind": "Track", "Layer": "Top Layer", "X": 0, "Y": 0, "X2": 10000000, "Y2": 5000000, "Width": 100000},
      {"Kind": "Track", "Layer": "Mechanical Layer 1", "X": -10000000, "Y": -10000000, "X2": 0, "Y2": 10000000, "Width": 50000},
      {"Kind": "Arc", "Layer": "Top Layer", "X": 0, "Y": 0, "Radius": 1000000, "StartAngle": 0, "EndAngle": 90, "Width": 100000},
      {"Kind": "Arc", "Layer": "Top Overlay", "X": 0, "Y": 0, "Radius": 1000000, "StartAngle": 90, "EndAngle": 180, "Width": 100000},
      {"Kind": "Arc", "Layer": "Mechanical Layer 2", "X": 0, "Y": 0, "Radius": 500000, "StartAngle": 30, "EndAngle": 390, "Width": 20000},
      {"Kind": "Text", "Layer": "Top Overlay", "X": 1000000, "Y": 2000000, "Text": "R\"1\\ Ω", "Height": 600000, "Rotation": 90, "Mirror": 0, "Width": 100000},
      {"Kind": "Text", "Layer": "Bottom Overlay", "X": 0, "Y": 0, "Text": "B", "Height": 400000, "Rotation": 0, "Mirror": 1, "Width": 50000, "Bold": 1},
      {"Kind": "Region", "Layer": "Top Layer", "X": 0, "Y": 0, "Outline": [[0, 0], [1000000, 0], [1000000, 0], [0, 1000000], [0, 0]]},
      {"Kind": "Fill", "Layer": "Bottom Layer", "X": 0, "Y": 0, "X2": 1000000, "Y2": 500000, "Rotation": 0},
      {"Kind": "Fill", "Layer": "Bottom Layer", "X": 0, "Y": 0, "X2": 1000000, "Y2": 500000, "Rotation": 90},
      {"Kind": "Via", "Layer": "Multi Layer", "X": 2000000, "Y": 0, "Size": 500000, "HoleSize": 280000},
      {"Kind": "Pad", "Layer": "Multi Layer", "X": 0, "Y": -2000000, "PadSizes": [600000, 600000, 600000, 600000, 600000, 600000], "HoleSize": 300000, "Rotation": 0},
      {"Kind": "Pad", "Layer": "Top Layer", "X": 0, "Y": -3000000, "PadSizes": [800000, 400000, 800000, 400000, 800000, 400000], "HoleSize": 0, "Rotation": 45,
       "PadLayers": [{"Layer": "Top Layer", "Shape": 2, "SizeX": 800000, "SizeY": 400000, "CornerRadius": 0, "CRPercentage": 50},
                     {"Layer": "Bottom Layer", "Shape": 2, "SizeX": 800000, "SizeY": 400000, "CornerRadius": 0, "CRPercentage": 50}]},
      {"Kind": "Component", "Layer": "Top Layer", "X": 5000000, "Y": 5000000, "Name": "U1", "Rotation": 90,
       "NameText": {"Kind": "Text", "Layer": "Top Overlay", "X": 5000000, "Y": 6000000, "Text": ".Designator", "Height": 600000, "Rotation": 90, "Mirror": 0, "Width": 100000},
       "SecondText": {"Kind": "Text", "Layer": "Top Overlay", "X": 5000000, "Y": 4000000, "Text": "", "Height": 600000, "Rotation": 90, "Mirror": 0, "Width": 100000},
       "Children": [
         {"Kind": "Pad", "Layer": "Multi Layer", "X": 5000000, "Y": 6000000, "PadSizes": [600000, 600000, 600000, 600000, 600000, 600000], "HoleSize": 300000, "Rotation": 90},
         {"Kind": "Track", "Layer": "Top Overlay", "X": 4000000, "Y": 5000000, "X2": 6000000, "Y2": 5000000, "Width": 100000},
         {"Kind": "Arc", "Layer": "Top Overlay", "X": 5000000, "Y": 5000000, "Radius": 1000000, "StartAngle": 0, "EndAngle": 90, "Width": 100000}]}
    )");
    // The header: version, generator, where the board's origin went, the layers.
    EXPECT_EQ(text.rfind("(kicad_pcb (version 20211014) (generator pcbhost)\n", 0), 0u) << text;
    EXPECT_NE(text.find("(comment 9 \"pcbhost board origin (0,0) at x 147.32 y 104.14 mm\")"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("(aux_axis_origin 147.32 104.14)"), std::string::npos);
    EXPECT_NE(text.find("    (0 \"F.Cu\" signal)\n    (31 \"B.Cu\" signal)\n"), std::string::npos);
    EXPECT_NE(text.find("    (50 \"User.1\" user \"Mechanical Layer 1\")\n"
                        "    (51 \"User.2\" user \"Mechanical Layer 2\")\n  )"),
              std::string::npos)
        << text;

    const char* golden[] = {
        // copper tracks and arcs are tracks; arcs run clockwise on screen (end angle first)
        "  (segment (start 147.32 104.14) (end 172.72 91.44) (width 0.254) (layer \"F.Cu\") "
        "(net 0))\n",
        "  (gr_line (start 121.92 129.54) (end 147.32 78.74) (layer \"User.1\") (width 0.127))\n",
        "  (arc (start 147.32 101.6) (mid 149.116051 102.343949) (end 149.86 104.14) "
        "(width 0.254) (layer \"F.Cu\") (net 0))\n",
        "  (gr_arc (start 144.78 104.14) (mid 145.523949 102.343949) (end 147.32 101.6) "
        "(layer \"F.SilkS\") (width 0.254))\n",
        // a whole turn (30 to 390 degrees) is a circle
        "  (gr_circle (center 147.32 104.14) (end 148.59 104.14) (layer \"User.2\") "
        "(width 0.0508) (fill none))\n",
        // texts: size is height and width, anchored at the bottom left, escapes, UTF-8
        "  (gr_text \"R\\\"1\\\\ Ω\" (at 149.86 99.06 90) (layer \"F.SilkS\")\n"
        "    (effects (font (size 1.524 1.524) (thickness 0.254)) (justify left bottom))\n"
        "  )\n",
        "  (gr_text \"B\" (at 147.32 104.14) (layer \"B.SilkS\")\n"
        "    (effects (font (size 1.016 1.016) (thickness 0.127) bold) (justify left bottom "
        "mirror))\n  )\n",
        // regions: filled polygons without repeated corners
        "  (gr_poly (pts (xy 147.32 104.14) (xy 149.86 104.14) (xy 147.32 101.6)) "
        "(layer \"F.Cu\") (width 0) (fill solid))\n",
        // fills: filled rectangles, turned about their centre
        "  (gr_rect (start 147.32 102.87) (end 149.86 104.14) (layer \"B.Cu\") (width 0) "
        "(fill solid))\n",
        "  (gr_rect (start 147.955 102.235) (end 149.225 104.775) (layer \"B.Cu\") (width 0) "
        "(fill solid))\n",
        // vias
        "  (via (at 152.4 104.14) (size 1.27) (drill 0.7112) (layers \"F.Cu\" \"B.Cu\") "
        "(net 0))\n",
        // a loose pad is a footprint of its own
        "  (footprint \"pcbhost:Pad\" (layer \"F.Cu\")\n    (at 147.32 109.22)\n"
        "    (attr through_hole board_only exclude_from_pos_files exclude_from_bom)\n"
        "    (fp_text reference \"PAD1\" (at 0 0) (layer \"F.Fab\") hide\n"
        "      (effects (font (size 1 1) (thickness 0.15)))\n    )\n"
        "    (fp_text value \"Pad\" (at 0 0) (layer \"F.Fab\") hide\n"
        "      (effects (font (size 1 1) (thickness 0.15)))\n    )\n"
        "    (pad \"1\" thru_hole circle (at 0 0) (size 1.524 1.524) (drill 0.762) "
        "(layers \"*.Cu\" \"*.Mask\"))\n  )\n",
        "    (pad \"1\" smd rect (at 0 0 45) (size 2.032 1.016) (layers \"F.Cu\" \"F.Paste\" "
        "\"F.Mask\"))\n",
        // components: footprints with children in their own turned frame
        "  (footprint \"pcbhost:U1\" (layer \"F.Cu\")\n    (at 160.02 91.44 90)\n"
        "    (attr through_hole board_only)\n"
        "    (fp_text reference \"U1\" (at 2.54 0 90 unlocked) (layer \"F.SilkS\")\n"
        "      (effects (font (size 1.524 1.524) (thickness 0.254)) (justify left bottom))\n"
        "    )\n"
        "    (fp_text value \"\" (at -2.54 0 90 unlocked) (layer \"F.SilkS\") hide\n"
        "      (effects (font (size 1.524 1.524) (thickness 0.254)) (justify left bottom))\n"
        "    )\n"
        "    (pad \"1\" thru_hole circle (at 2.54 0 90) (size 1.524 1.524) (drill 0.762) "
        "(layers \"*.Cu\" \"*.Mask\"))\n"
        "    (fp_line (start 0 -2.54) (end 0 2.54) (layer \"F.SilkS\") (width 0.254))\n"
        "    (fp_arc (start 2.54 0) (mid 1.796051 1.796051) (end 0 2.54) (layer \"F.SilkS\") "
        "(width 0.254))\n  )\n",
    };
    for (const char* snippet : golden)
        EXPECT_NE(text.find(snippet), std::string::npos) << snippet << "\nin\n" << text;
    EXPECT_EQ(text.substr(text.size() - 6), "  )\n)\n") << text;
    EXPECT_TRUE(Losses.empty());
}

TEST_F(TKicadExportTest, LayersKicadLacksAreNamedWithTheirCountsAndNothingIsDroppedSilently) {
    std::string text =
        Export(R"(
      {"Kind": "Track", "Layer": "Mechanical Layer 1", "X": 0, "Y": 0, "X2": 1, "Y2": 1},
      {"Kind": "Track", "Layer": "Mechanical Layer 2", "X": 0, "Y": 0, "X2": 1, "Y2": 1},
      {"Kind": "Track", "Layer": "Mechanical Layer 13", "X": 0, "Y": 0, "X2": 1, "Y2": 1},
      {"Kind": "Track", "Layer": "Mechanical Layer 14", "X": 0, "Y": 0, "X2": 1, "Y2": 1},
      {"Kind": "Track", "Layer": "Mechanical Layer 20", "X": 0, "Y": 0, "X2": 1, "Y2": 1},
      {"Kind": "Track", "Layer": "Mechanical Layer 20", "X": 0, "Y": 0, "X2": 1, "Y2": 1},
      {"Kind": "Track", "Layer": "Keep Out Layer", "X": 0, "Y": 0, "X2": 1, "Y2": 1},
      {"Kind": "Track", "Layer": "Drill Guide", "X": 0, "Y": 0, "X2": 1, "Y2": 1},
      {"Kind": "Track", "Layer": "Internal Plane 1", "X": 0, "Y": 0, "X2": 1, "Y2": 1},
      {"Kind": "Dimension", "Layer": "Mechanical Layer 1", "X": 0, "Y": 0},
      {"Kind": "Dimension", "Layer": "Mechanical Layer 1", "X": 0, "Y": 0},
      {"Kind": "ComponentBody", "Layer": "Mechanical Layer 1", "X": 0, "Y": 0},
      {"Kind": "Text", "Layer": "Top Overlay", "X": 0, "Y": 0, "Text": "TT", "UseTrueType": 1},
      {"Kind": "Track", "Layer": "Top Layer", "X": 2000000000, "Y": 0, "X2": -2000000000, "Y2": 0}
    )",
               /*outline*/ 57, // Mechanical Layer 1
               R"({"Layers": [{"Layer": "Mechanical Layer 13", "Name": "Assembly \"A\""},
                                             {"Layer": "Mechanical Layer 2", "Name": "F.Cu"}]})");
    EXPECT_EQ(Losses, (std::vector<std::string>{
                          "1 component body: KiCad has no counterpart; not exported",
                          "2 dimensions: KiCad has no counterpart; not exported",
                          "1 object of Internal Plane 1 on F.Fab with other layers' objects "
                          "(KiCad has no negative planes)",
                          "1 object of Drill Guide on F.Fab with other layers' objects (KiCad "
                          "has no such layer)",
                          "2 objects of Mechanical Layer 20 on Eco2.User with other layers' "
                          "objects (KiCad 6 has 13 drawing layers for the mechanical layers)",
                          "1 object beyond KiCad's coordinate range (+-1518.49 mm) with the "
                          "board centred on the sheet: not exported",
                          "1 text in TrueType fonts: written in KiCad's stroke font",
                      }));
    // The board outline goes to Edge.Cuts; the other mechanical layers take the drawing layers
    // from User.1 on: 13 the 12th (Eco1.User), 14 the 13th and last (Eco2.User); 20 shares it.
    // (the track beyond KiCad's range widens the extent that is centred, but is left out)
    EXPECT_NE(text.find("  (gr_line (start 147.32 106.68) (end 147.320003 106.679997) "
                        "(layer \"Edge.Cuts\") (width 0.254))\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("(layer \"F.Cu\")"), std::string::npos);
    // A user's layer name that is a KiCad layer token would redirect items: it is told apart.
    EXPECT_NE(text.find("    (50 \"User.1\" user \"F.Cu (User.1)\")\n"), std::string::npos);
    EXPECT_NE(text.find("    (42 \"Eco1.User\" user \"Assembly \\\"A\\\"\")\n"), std::string::npos)
        << text;
    EXPECT_NE(
        text.find("    (43 \"Eco2.User\" user \"Mechanical Layer 14 + Mechanical Layer 20\")\n"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("    (45 \"Margin\" user \"Keep Out Layer\")\n"), std::string::npos);
}

TEST_F(TKicadExportTest, ObjectsKicadCannotHoldAsTheyAreAreNamedWithTheirCounts) {
    std::string text = Export(R"(
      {"Kind": "Text", "Layer": "Top Overlay", "X": 0, "Y": 0, "Text": {"Bytes": "41ff0142"}},
      {"Kind": "Text", "Layer": "Top Overlay", "X": 0, "Y": 0, "Text": "two\nlines", "Inverted": 1},
      {"Kind": "Region", "Layer": "Top Layer", "X": 0, "Y": 0, "Outline": []},
      {"Kind": "Region", "Layer": "Top Layer", "X": 0, "Y": 0, "Outline": [[0, 0], [10, 0], [0, 10]], "RegionKind": 1},
      {"Kind": "Arc", "Layer": "Top Layer", "X": 0, "Y": 0, "Radius": 100000, "StartAngle": 0, "EndAngle": 1e-9},
      {"Kind": "Arc", "Layer": "Top Overlay", "X": 1, "Y": 0, "Radius": 100000, "StartAngle": 0, "EndAngle": 90},
      {"Kind": "Pad", "Layer": "Top Layer", "X": 0, "Y": 0, "PadSizes": [0, 0, 0, 0, 0, 0], "HoleSize": 0, "Rotation": 0,
       "PadLayers": [{"Layer": "Top Layer", "Shape": 5, "SizeX": 0, "SizeY": 0, "CornerRadius": 0, "CRPercentage": 50}]},
      {"Kind": "Pad", "Layer": "Multi Layer", "X": 0, "Y": 0, "PadSizes": [10, 10, 20, 20, 10, 10], "HoleSize": 5, "Rotation": 0},
      {"Kind": "Component", "Layer": "Bottom Layer", "X": 0, "Y": 0, "Name": "", "Rotation": 33.3, "Children": [
        {"Kind": "Via", "Layer": "Multi Layer", "X": 100, "Y": 100, "Size": 500000, "HoleSize": 280000}]}
    )");
    EXPECT_EQ(Losses,
              (std::vector<std::string>{
                  "1 inverted text: written as plain text",
                  "1 text with bytes that are not UTF-8 or with control characters: written with "
                  "U+FFFD",
                  // the second pad's layers differ, and the first's shape is on its top only
                  "2 pads with other sizes or shapes on inner or bottom layers: written with one "
                  "shape and size",
                  "1 pad of a shape KiCad lacks: written as round",
                  "1 pad without size: written so, which KiCad reads as 1 um across",
                  "1 via of a component: written as free vias (KiCad footprints hold no vias)",
                  "1 arc too flat for KiCad's three-point arcs: written as lines",
                  "1 arc with a centre off KiCad's 10 nm grid: KiCad 6 may move such a centre onto "
                  "its 10 or 100 nm grid when it reads the arc (by up to about 0.15 um; the ends "
                  "stay)",
                  "1 cutout region: written as filled polygons",
                  "1 region without corners: not exported",
              }));
    EXPECT_NE(text.find("  (gr_text \"A\xEF\xBF\xBD\xEF\xBF\xBD\x42\" "), std::string::npos)
        << text;
    EXPECT_NE(text.find("  (gr_text \"two\\nlines\" "), std::string::npos) << text;
    // the free via of the component comes after the footprints
    EXPECT_NE(text.find("  )\n  (via (at "), std::string::npos) << text;
}

TEST_F(TKicadExportTest, AFileThatCannotBeWrittenIsRefusedWithItsName) {
    char error[512] = {};
    EXPECT_NE(KorrinHost_ExportKicad(Board, "/nonexistent-folder/b.kicad_pcb", 0, nullptr, nullptr,
                                     error, sizeof error),
              0);
    EXPECT_EQ(std::string(error),
              "Cannot export board to '/nonexistent-folder/b.kicad_pcb': the temporary "
              "file '/nonexistent-folder/b.kicad_pcb.tmp" +
                  std::to_string(::getpid()) +
                  "' cannot be created (No such file or "
                  "directory).");
    EXPECT_NE(KorrinHost_ExportKicad(0, "x.kicad_pcb", 0, nullptr, nullptr, error, sizeof error),
              0);
    EXPECT_STREQ(error, "Cannot export board: the board handle names no open board.");
}

} // namespace
} // namespace korrintest
