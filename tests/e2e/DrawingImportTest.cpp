// SPDX-License-Identifier: MIT
// Every drawing of tests/data imported in test mode into a new board: what lands where, by kind
// and layer, and the exact coordinates of chosen primitives.
#include "e2e/ImportFixture.h"

#include <algorithm>
#include <filesystem>
#include <functional>

namespace {

using TCounts = std::map<std::string, int>;

const std::string M1 = "Mechanical Layer 1";
const std::string M2 = "Mechanical Layer 2";
const std::string M3 = "Mechanical Layer 3";

std::string Mechanical(int n) {
    return "Mechanical Layer " + std::to_string(n);
}

// "line_R2000_bin.dxf" -> feature "line", version "R2000".
struct TDrawingName {
    std::string Feature;
    std::string Version;
};

TDrawingName SplitName(const std::string& file) {
    std::string stem = std::filesystem::path(file).stem().string();
    if (stem.size() > 4 && stem.ends_with("_bin")) stem.resize(stem.size() - 4);
    const std::size_t cut = stem.rfind('_');
    return {stem.substr(0, cut), stem.substr(cut + 1)};
}

std::vector<std::string> AllDrawings() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(kTestData))
        if (entry.path().extension() == ".dxf") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TJson Track(const std::string& layer, double x1, double y1, double x2, double y2) {
    return {{"Kind", "Track"}, {"Layer", layer}, {"X", At(x1)},
            {"Y", At(y1)},     {"X2", At(x2)},   {"Y2", At(y2)}};
}

TJson Arc(const std::string& layer, double x, double y, int32_t radius) {
    return {{"Kind", "Arc"}, {"Layer", layer}, {"X", At(x)}, {"Y", At(y)}, {"Radius", radius}};
}

// An object of the kind on the layer at (x, y).
TJson Placed(const std::string& kind, const std::string& layer, double x, double y) {
    return {{"Kind", kind}, {"Layer", layer}, {"X", At(x)}, {"Y", At(y)}};
}

// The object with more fields set (a width, an arc's angles).
TJson With(TJson object, const TJson& fields) {
    object.update(fields);
    return object;
}

TJson Outline(std::initializer_list<std::pair<double, double>> points) {
    TJson outline = TJson::array();
    for (const auto& [x, y] : points)
        outline.push_back({At(x), At(y)});
    return outline;
}

// Counts by kind and layer for each drawing; versions that differ have entries of their own.
TCounts ExpectedCounts(const TDrawingName& name) {
    const std::string& f = name.Feature;
    const bool r12 = name.Version == "R12";
    if (f == "line") return {{"Track@" + M1, 1}, {"Track@" + M3, 2}};
    if (f == "point" || f == "circle") return {{"Arc@" + M1, 2}};
    if (f == "arc") return {{"Arc@" + M1, 3}};
    if (f == "ellipse") return {{"Track@" + M1, 3 * 99}}; // 100 points each
    if (f == "text") return {{"Text@" + M1, 5}};
    if (f == "mtext") return {{"Text@" + M1, 3}};
    if (f == "solid") return {{"Region@" + M1, 2}, {"Track@" + M1, 4}};
    if (f == "insert") return {{"Arc@" + M1, 3}, {"Track@" + M1, 5}};
    if (f == "xblock") return {{"Arc@" + M1, 1}};
    // Two dimensions: three definition points each on Defpoints (dots), two arrow heads each
    // (regions), a text each, an extra line and four lines per dimension.
    if (f == "dimension")
        return {{"Arc@" + M2, 6}, {"Region@" + M1, 4}, {"Text@" + M1, 2}, {"Track@" + M1, 9}};
    if (f == "polyline2d") return {{"Arc@" + M3, 2}, {"Track@" + M3, 4}};
    if (f == "lwpolyline") return {{"Arc@" + M1, 3}, {"Track@" + M1, 6}};
    if (f == "donut") return {{"Pad@" + M3, r12 ? 1 : 2}};
    if (f == "mline") return {{"Track@" + M1, 7}};
    if (f == "spline") return {};
    // Splines are discarded by default; the two lines around the broken ones stay.
    if (f == "spline_bad") return {{"Track@" + M1, 2}};
    if (f.rfind("spline_", 0) == 0) return {};
    // The circle with the extrusion (0.1, 0, 0.99) is discarded. R12 writes the closed
    // polyline as POLYLINE and VERTEX entities, mirrored with their polyline: three tracks,
    // the bulge of 0 making the first one straight. R2000 writes an LWPOLYLINE: an arc and
    // two tracks.
    if (f == "extrusion")
        return r12 ? TCounts{{"Arc@" + M1, 2}, {"Region@" + M1, 1}, {"Track@" + M1, 3}}
                   : TCounts{{"Arc@" + M1, 3}, {"Region@" + M1, 1}, {"Track@" + M1, 2}};
    if (f == "layers") return {{"Track@" + Mechanical(5), 1}};
    if (f == "paperspace") return {{"Track@" + M1, 1}};
    if (f == "manylayers") {
        TCounts counts;
        for (int i = 0; i < 40; ++i)
            ++counts["Track@" + Mechanical((i + 2) % 32 + 1)];
        return counts;
    }
    if (f == "texts") return {{"Text@" + M1, r12 ? 3 : 4}, {"Text@" + M3, 1}};
    if (f == "units_mm") return {{"Track@" + M1, 1}};
    if (f == "negative") return {{"Arc@" + M1, 1}, {"Text@" + M1, 1}, {"Track@" + M1, 1}};
    if (f == "other") return {{"Track@" + M1, 2}}; // 3DFACE, HATCH and LEADER are not converted
    if (f == "noextents") return {{"Arc@" + M1, 1}, {"Track@" + M1, 1}};
    // Layers 0, Defpoints, OUTLINE, HOLES, SILK, PARTS and NOTES, in this order; the
    // connector blocks explode into their tracks and pin circles.
    if (f == "demo_board")
        return {{"Arc@" + M3, 6},
                {"Track@" + M3, 6},
                {"Pad@" + Mechanical(4), 4},
                {"Text@" + Mechanical(5), 2},
                {"Arc@" + Mechanical(5), 1},
                {"Track@" + Mechanical(5), 2},
                {"Arc@" + Mechanical(6), 4},
                {"Track@" + Mechanical(6), 10},
                {"Text@" + Mechanical(7), 1}};
    // Stale or empty header extents no longer refuse what lies outside them.
    if (f == "stalezero") return {{"Arc@" + M1, 1}, {"Track@" + M1, 4}};
    if (f == "stalehalf") return {{"Text@" + M1, 1}, {"Track@" + M1, 5}};
    if (f == "stalepaper") return {{"Track@" + M1, 1}};
    // Noise in the extrusion is along Z; the tilted circle alone is discarded.
    if (f == "extnoise") return {{"Arc@" + M1, 3}, {"Track@" + M1, 2}};
    // Two inserts of PART (two lines and a text each), the tilted third one discarded; the
    // texts seen from below.
    if (f == "mirrored") return {{"Text@" + M1, r12 ? 3 : 4}, {"Track@" + M1, 4}};
    // The polyline whose width and the vertex whose width lie beyond the board are discarded.
    if (f == "polywidth") return {{"Track@" + M1, 2}};
    if (f == "noeof") return {{"Track@" + M1, 4}};
    if (f == "mtext101") return {{"Text@" + M1, 1}, {"Track@" + M1, 1}};
    if (f == "mtextcodes") return {{"Text@" + M1, 2}};
    // Metres at the declared 1 m per unit: the lines at 100 and 10000 m are beyond the board
    // (R12 declares no units: all three fit at 1 mil per unit).
    if (f == "metres") return {{"Track@" + M1, r12 ? 3 : 1}};
    if (f == "units_inch") return {{"Track@" + M1, 1}};
    // Nearly straight bulges and an arc too large for the board: tracks, outlines closed.
    if (f == "bulges") return {{"Track@" + M1, 7}};
    ADD_FAILURE() << "no expected counts for the drawing feature " << f;
    return {};
}

using TCheck = std::function<void(const TJson& board, const TDrawingName& name)>;

// The exact places of chosen primitives, by feature. Layers: "0" is the first drawing layer
// (Mechanical Layer 1), Defpoints the second, a drawing's own layer the third.
const std::map<std::string, TCheck>& FeatureChecks() {
    static const std::map<std::string, TCheck> checks = {
        {"line",
         [](const TJson& b, const TDrawingName&) {
             EXPECT_TRUE(HasObject(b, Track(M3, 0, 0, 10, 5)));
             EXPECT_TRUE(HasObject(b, Track(M3, 1.25, -2.5, 7.125, 8.0625)));
             TJson zero = Track(M1, -3, 4, -3, 4); // zero length, default width
             zero["Width"] = 50000;
             EXPECT_TRUE(HasObject(b, zero));
         }},
        {"point",
         [](const TJson& b, const TDrawingName&) {
             // A dot of the default width's diameter: radius DLW/4, width DLW/2.
             TJson dot = Arc(M1, 3.5, 4.25, 12500);
             dot.update({{"Width", 25000}, {"StartAngle", 0}, {"EndAngle", 360}});
             EXPECT_TRUE(HasObject(b, dot));
             EXPECT_TRUE(HasObject(b, Arc(M1, -1, 0, 12500)));
         }},
        {"circle",
         [](const TJson& b, const TDrawingName&) {
             TJson circle = Arc(M1, 5, 3, 25000);
             circle.update({{"Width", 50000}, {"StartAngle", 0}, {"EndAngle", 360}});
             EXPECT_TRUE(HasObject(b, circle));
             EXPECT_TRUE(HasObject(b, Arc(M1, 0, 0, 10))); // radius 0.001 mil
         }},
        {"arc",
         [](const TJson& b, const TDrawingName&) {
             TJson quarter = Arc(M1, 0, 0, 50000);
             quarter.update({{"StartAngle", 0}, {"EndAngle", 90}});
             EXPECT_TRUE(HasObject(b, quarter));
             TJson acrossZero = Arc(M1, 10, 10, 20000);
             acrossZero.update({{"StartAngle", 350}, {"EndAngle", 10}});
             EXPECT_TRUE(HasObject(b, acrossZero));
             EXPECT_TRUE(HasObject(b, Arc(M1, -4, 2, 15000)));
         }},
        {"ellipse",
         [](const TJson& b, const TDrawingName&) {
             // The full ellipse starts and ends at the end of its major axis, (14, 5).
             EXPECT_TRUE(HasObject(b, {{"Kind", "Track"}, {"X", At(14)}, {"Y", At(5)}}));
             EXPECT_TRUE(HasObject(b, {{"Kind", "Track"}, {"X2", At(14)}, {"Y2", At(5)}}));
         }},
        {"text",
         [](const TJson& b, const TDrawingName&) {
             EXPECT_TRUE(HasObject(b, {{"Kind", "Text"},
                                       {"Text", "Plain text"},
                                       {"X", At(1)},
                                       {"Y", At(2)},
                                       {"Height", 25000},
                                       {"Rotation", 0},
                                       {"Mirror", 0},
                                       {"Width", 50000}}));
             EXPECT_TRUE(HasObject(b, {{"Text", "Mirrored"}, {"X", At(20)}, {"Mirror", 1}}));
             // Upside down (flag 4) is not a mirror.
             EXPECT_TRUE(HasObject(b, {{"Text", "Upside down"}, {"X", At(30)}, {"Mirror", 0}}));
             EXPECT_TRUE(HasObject(b, {{"Text", "Centred"},
                                       {"X", At(40)},
                                       {"Y", At(5)},
                                       {"Height", 12500},
                                       {"Rotation", 270.5}}));
             for (const TJson& text : ObjectsOfKind(b, "Text"))
                 if (text["Text"] == "Rotated") {
                     EXPECT_NEAR(text["Rotation"].get<double>(), 30, 1e-9);
                 }
         }},
        {"mtext",
         [](const TJson& b, const TDrawingName&) {
             // Attachment 5 (middle centre): moved left by half the reference width (200 mil)
             // and down by half the height (2.5 mil); the text is cut to 254 characters.
             std::string words;
             for (int i = 0; i < 120; ++i) {
                 char word[16];
                 std::snprintf(word, sizeof word, "%sword%03d", i ? " " : "", i);
                 words += word;
             }
             EXPECT_TRUE(HasObject(b, {{"Kind", "Text"},
                                       {"X", At(5) - 1000000},
                                       {"Y", At(10) - 12500},
                                       {"Height", 25000},
                                       {"Text", words.substr(0, 254)}}));
             // Other attachments are not moved; the paragraph break becomes a space.
             EXPECT_TRUE(HasObject(b, {{"Text", "Top left second line"},
                                       {"X", At(-2)},
                                       {"Y", At(3)},
                                       {"Height", 10000}}));
             EXPECT_TRUE(HasObject(
                 b, {{"Text", "No width"}, {"X", At(0)}, {"Y", At(-5)}, {"Height", 5000}}));
         }},
        {"solid",
         [](const TJson& b, const TDrawingName&) {
             // Corners 1, 2, 3, 4 of the drawing come out in outline order 1, 2, 4, 3.
             EXPECT_TRUE(HasObject(b, {{"Kind", "Region"},
                                       {"Layer", M1},
                                       {"Outline", Outline({{0, 0}, {4, 0}, {4, 3}, {0, 3}})}}));
             EXPECT_TRUE(
                 HasObject(b, {{"Kind", "Region"},
                               {"Outline", Outline({{10, 0}, {14, 0}, {12, 3}, {12, 3}})}}));
             // A TRACE: four tracks p1-p2, p1-p4, p2-p3, p3-p4 in this order.
             const std::vector<TJson> tracks = ObjectsOfKind(b, "Track");
             ASSERT_EQ(tracks.size(), 4u);
             const TJson expected[] = {Track(M1, 20, 0, 24, 0), Track(M1, 20, 0, 20, 1),
                                       Track(M1, 24, 0, 24, 1), Track(M1, 24, 1, 20, 1)};
             for (std::size_t i = 0; i < 4; ++i)
                 for (const auto& [key, value] : expected[i].items())
                     EXPECT_EQ(tracks[i][key], value) << "track " << i << " " << key;
         }},
        {"insert",
         [](const TJson& b, const TDrawingName&) {
             EXPECT_TRUE(ObjectsOfKind(b, "Component").empty()); // exploded by default
             // OUTER at (10,20), scale 2, rotated 30 degrees: its line (0,0)-(5,0).
             EXPECT_TRUE(HasObject(b, {{"Kind", "Track"},
                                       {"X", At(10)},
                                       {"Y", At(20)},
                                       {"X2", At(10 + 8.6602540378)},
                                       {"Y2", At(25)}}));
             // INNER (base (1,1)) at (30,30) unscaled: its line (1,1)-(2,1) and circle.
             EXPECT_TRUE(HasObject(b, Track(M1, 30, 30, 31, 30)));
             EXPECT_TRUE(HasObject(b, Arc(M1, 30.5, 30.5, 2500)));
             // INNER scaled 2 x 0.5: the circle takes the smaller factor.
             EXPECT_TRUE(HasObject(b, {{"Kind", "Arc"}, {"Radius", 1250}}));
             EXPECT_TRUE(HasObject(b, Track(M1, 0, 0, 1, 1)));
         }},
        {"xblock",
         [](const TJson& b, const TDrawingName&) {
             // Only HOLDER's circle: the *X block is expanded nowhere.
             EXPECT_TRUE(HasObject(b, Arc(M1, 10, 10, 10000)));
         }},
        {"dimension",
         [](const TJson& b, const TDrawingName&) {
             EXPECT_TRUE(ObjectsOfKind(b, "Component").empty());
             EXPECT_TRUE(HasObject(b, Track(M1, 0, 0, 10, 0)));
             EXPECT_TRUE(HasObject(b, Track(M1, 0, 0, 0, 3))); // extension line
             EXPECT_TRUE(HasObject(b, Arc(M2, 0, 0, 12500)));  // definition point
             EXPECT_TRUE(HasObject(b, {{"Kind", "Text"}, {"Text", "10"}, {"X", At(5)}}));
         }},
        {"polyline2d",
         [](const TJson& b, const TDrawingName&) {
             EXPECT_TRUE(HasObject(b, With(Track(M3, 0, 0, 10, 0), {{"Width", 5000}})));
             EXPECT_TRUE(HasObject(b, With(Track(M3, 0, 5, 0, 0), {{"Width", 5000}}))); // closing
             // Bulge 1 from (20,0) to (25,0); widths 0.1 and 0.3 average to 0.2 mil.
             EXPECT_TRUE(
                 HasObject(b, With(Arc(M3, 22.5, 0, 25000),
                                   {{"StartAngle", 180}, {"EndAngle", 360}, {"Width", 2000}})));
         }},
        {"lwpolyline",
         [](const TJson& b, const TDrawingName&) {
             EXPECT_TRUE(HasObject(b, With(Track(M1, 30, 0, 35, 0), {{"Width", 7500}})));
             // Bulge -1 from (10,10) to (10,15): counter-clockwise from 90 to 270 degrees.
             EXPECT_TRUE(
                 HasObject(b, With(Arc(M1, 10, 12.5, 25000),
                                   {{"StartAngle", 90}, {"EndAngle", 270}, {"Width", 50000}})));
             EXPECT_TRUE(HasObject(b, Track(M1, 10, 15, 0, 10))); // the closing segment
         }},
        {"donut",
         [](const TJson& b, const TDrawingName& name) {
             // Vertices (9,5) and (11,5), width 1: radius 1 mil, hole 2r - w, size 2r + w.
             EXPECT_TRUE(HasObject(
                 b, With(Placed("Pad", M3, 10, 5),
                         {{"HoleSize", 10000}, {"PadSizes", TJson(std::vector<int>(6, 30000))}})));
             if (name.Version != "R12") {
                 // Vertex widths 0: the constant width 0.5 mil.
                 EXPECT_TRUE(HasObject(b, {{"Kind", "Pad"},
                                           {"X", At(21)},
                                           {"Y", At(5)},
                                           {"HoleSize", 15000},
                                           {"PadSizes", TJson(std::vector<int>(6, 25000))}}));
             }
         }},
        {"mline",
         [](const TJson& b, const TDrawingName&) {
             EXPECT_TRUE(HasObject(b, Track(M1, 10, 0, 10, 10)));
             EXPECT_TRUE(HasObject(b, Track(M1, 30, 5, 20, 5)));
             EXPECT_FALSE(HasObject(b, Track(M1, 20, 5, 20, 0))); // not closed
         }},
        {"extrusion",
         [](const TJson& b, const TDrawingName& name) {
             // Extrusion (0,0,-1) mirrors X: the circle and arc at (5,3) land at (-5,3).
             TJson circle = Arc(M1, -5, 3, 20000);
             circle.update({{"StartAngle", 0}, {"EndAngle", 360}});
             EXPECT_TRUE(HasObject(b, circle));
             TJson arc = Arc(M1, -5, 3, 20000);
             arc.update({{"StartAngle", 10}, {"EndAngle", 80}});
             EXPECT_TRUE(HasObject(b, arc));
             EXPECT_FALSE(HasObject(b, {{"Kind", "Arc"}, {"Radius", 10000}})); // discarded
             EXPECT_TRUE(HasObject(b, {{"Kind", "Region"},
                                       {"Outline", Outline({{0, 0}, {-1, 0}, {-1, 1}, {0, 1}})}}));
             if (name.Version == "R12") {
                 EXPECT_TRUE(HasObject(b, Track(M1, 0, 0, -2, 0)));
                 EXPECT_TRUE(HasObject(b, Track(M1, -2, 0, -2, 2)));
                 EXPECT_TRUE(HasObject(b, Track(M1, -2, 2, 0, 0)));
             } else {
                 EXPECT_TRUE(HasObject(b, Track(M1, -2, 0, -2, 2)));
                 EXPECT_TRUE(HasObject(b, Track(M1, -2, 2, 0, 0)));
                 EXPECT_TRUE(HasObject(b, Arc(M1, -1, 0.75, 12500)));
             }
         }},
        {"layers",
         [](const TJson& b, const TDrawingName&) {
             // FROZEN and OFF are not imported but still take their places in the rotation.
             EXPECT_TRUE(HasObject(b, Track(Mechanical(5), 0, 2, 1, 2)));
         }},
        {"paperspace",
         [](const TJson& b, const TDrawingName&) {
             EXPECT_TRUE(HasObject(b, Track(M1, 0, 0, 100, 50)));
         }},
        {"manylayers",
         [](const TJson& b, const TDrawingName&) {
             // "0", Defpoints, then L00 to L39: the 33rd layer starts again at Mechanical 1.
             for (int i = 0; i < 40; ++i)
                 EXPECT_TRUE(HasObject(b, Track(Mechanical((i + 2) % 32 + 1), i, 0, i, 10)))
                     << "L" << i;
         }},
        {"texts",
         [](const TJson& b, const TDrawingName& name) {
             EXPECT_TRUE(HasObject(
                 b, With(Placed("Text", M3, 0, 0), {{"Text", "10 45 \u00b1 0.1 C <script>&\"'"}})));
             EXPECT_TRUE(HasObject(b, {{"Text", "underlined 50"}, {"Y", At(4)}}));
             EXPECT_TRUE(HasObject(b, {{"Text", "Omega \u03a9 Ohm"}, {"Y", At(6)}}));
             EXPECT_TRUE(HasObject(b, {{"Text", "Umlaute \u00e4\u00f6\u00fc\u00df \u20ac"}}));
             if (name.Version != "R12") {
                 EXPECT_TRUE(HasObject(b, {{"Text", "Bold line 2 \u00b1   <&>"}, {"Y", At(10)}}));
             }
         }},
        {"units_mm",
         [](const TJson& b, const TDrawingName& name) {
             // R2000 on declare millimetres ($INSUNITS 4), and the import starts at 1 mm per unit;
             // R12 has no such header variable: 1 mil per unit.
             if (name.Version == "R12") {
                 EXPECT_TRUE(HasObject(b, Track(M1, 1, 2, 3, 4)));
                 return;
             }
             const auto mm = [](int n) { return 10000000 + n * 393701; };
             EXPECT_TRUE(HasObject(
                 b, {{"Kind", "Track"}, {"X", mm(1)}, {"Y", mm(2)}, {"X2", mm(3)}, {"Y2", mm(4)}}));
         }},
        {"stalezero",
         [](const TJson& b, const TDrawingName&) {
             EXPECT_TRUE(HasObject(b, Track(M1, 10, 10, 60, 10)));
             EXPECT_TRUE(HasObject(b, Track(M1, 10, 40, 10, 10)));
             EXPECT_TRUE(HasObject(b, Arc(M1, 20, 20, 30000)));
         }},
        {"stalehalf",
         [](const TJson& b, const TDrawingName&) {
             EXPECT_TRUE(HasObject(b, Track(M1, 100, 0, 100, 50)));
             EXPECT_TRUE(HasObject(b, {{"Text", "right"}, {"X", At(75)}, {"Y", At(25)}}));
         }},
        {"extnoise",
         [](const TJson& b, const TDrawingName&) {
             TJson right = Arc(M1, 10, 5, 50000);
             right.update({{"StartAngle", 270}, {"EndAngle", 90}});
             EXPECT_TRUE(HasObject(b, right));
             EXPECT_TRUE(HasObject(b, Arc(M1, 0, 5, 50000)));
             EXPECT_TRUE(HasObject(b, Arc(M1, -5, 5, 10000))); // Z down: mirrored
         }},
        {"mirrored",
         [](const TJson& b, const TDrawingName& name) {
             // Seen from below: X, rotation and the mirror flag change.
             EXPECT_TRUE(HasObject(b, {{"Text", "below"},
                                       {"X", At(-30)},
                                       {"Y", At(2)},
                                       {"Rotation", 350},
                                       {"Mirror", 1}}));
             if (name.Version != "R12") {
                 EXPECT_TRUE(HasObject(b, {{"Text", "under"}, {"X", At(-40)}, {"Mirror", 1}}));
             }
             // The plain insert at (20, 5) and the mirrored one at (-10, 5), turned by -30.
             EXPECT_TRUE(HasObject(b, Track(M1, 20, 5, 24, 5)));
             EXPECT_TRUE(HasObject(b, {{"Kind", "Track"}, {"X", At(-10)}, {"Y", At(5)}}));
             // The block's text reads mirrored in the mirrored insert only.
             EXPECT_TRUE(
                 HasObject(b, {{"Text", "U1"}, {"X", At(21)}, {"Y", At(6)}, {"Mirror", 0}}));
             EXPECT_FALSE(HasObject(b, {{"Text", "U1"}, {"X", At(21)}, {"Mirror", 1}}));
             EXPECT_TRUE(HasObject(b, {{"Text", "U1"}, {"Mirror", 1}}));
         }},
        {"polywidth",
         [](const TJson& b, const TDrawingName&) {
             TJson fits = Track(M1, 0, 20, 10, 20);
             fits["Width"] = 5000;
             EXPECT_TRUE(HasObject(b, fits));
             // The vertex at (10, 5) is dropped: its neighbours are joined.
             EXPECT_TRUE(HasObject(b, Track(M1, 0, 5, 10, 10)));
         }},
        {"noeof", [](const TJson& b,
                     const TDrawingName&) { EXPECT_TRUE(HasObject(b, Track(M1, 20, 0, 20, 10))); }},
        {"mtext101",
         [](const TJson& b, const TDrawingName&) {
             // Its own position and height, not the embedded object's (1,0) and 1.51.
             EXPECT_TRUE(
                 HasObject(b, {{"Text", "LABEL"}, {"X", At(5)}, {"Y", At(7)}, {"Height", 8000}}));
         }},
        {"mtextcodes",
         [](const TJson& b, const TDrawingName&) {
             EXPECT_TRUE(HasObject(b, {{"Text", "fontheightcolourwidthobliquetrackalign1/2stack"
                                                "underoverstrike next column a b \\ { }"}}));
             EXPECT_TRUE(HasObject(b, {{"Text", "SHEAR PANELS"}, {"Y", At(5)}}));
         }},
        {"metres",
         [](const TJson& b, const TDrawingName& name) {
             // 1 m is 393700787 board units; R12 declares no units (1 mil per unit).
             const int32_t m = 393700787;
             if (name.Version == "R12") return;
             EXPECT_TRUE(HasObject(b, {{"Kind", "Track"},
                                       {"X", 10000000 + m},
                                       {"Y", 10000000 + m},
                                       {"X2", 10000000 + 2 * m}}));
         }},
        {"units_inch",
         [](const TJson& b, const TDrawingName& name) {
             const int32_t unit = name.Version == "R12" ? 10000 : 10000000;
             EXPECT_TRUE(HasObject(b, {{"Kind", "Track"},
                                       {"X", 10000000 + unit},
                                       {"Y", 10000000 + 2 * unit},
                                       {"X2", 10000000 + 3 * unit},
                                       {"Y2", 10000000 + 4 * unit}}));
         }},
        {"bulges",
         [](const TJson& b, const TDrawingName&) {
             EXPECT_TRUE(HasObject(b, Track(M1, 0, 0, 10, 0)));   // bulge 1e-7
             EXPECT_TRUE(HasObject(b, Track(M1, 10, 0, 10, 10))); // bulge 1e-9
             EXPECT_TRUE(HasObject(b, Track(M1, 0, 20, 10000, 20)));
             EXPECT_TRUE(HasObject(b, Track(M1, 10000, 30, 0, 20))); // closed
         }},
        {"negative",
         [](const TJson& b, const TDrawingName&) {
             EXPECT_TRUE(HasObject(b, Track(M1, -100, -50, -10, -5)));
             EXPECT_TRUE(HasObject(b, {{"Text", "left"}, {"X", At(-90)}, {"Y", At(10)}}));
         }},
        {"other",
         [](const TJson& b, const TDrawingName&) {
             EXPECT_TRUE(HasObject(b, Track(M1, 0, 0, 1, 1)));
             EXPECT_TRUE(HasObject(b, Track(M1, 2, 2, 3, 3)));
         }},
        {"noextents",
         [](const TJson& b, const TDrawingName&) {
             EXPECT_TRUE(HasObject(b, Track(M1, -2, 1, 8, 6)));
             EXPECT_TRUE(HasObject(b, Arc(M1, 4, -3, 12500)));
         }},
    };
    return checks;
}

class DrawingImportTest : public TImportFixture,
                          public ::testing::WithParamInterface<std::string> {};

TEST_P(DrawingImportTest, LandsWhereTheDrawingPutsIt) {
    const std::string file = CopyIn(kTestData + "/" + GetParam());
    const TDrawingName name = SplitName(file);
    const TProgramRun run = Import(file, {"--test-mode"});
    ASSERT_EQ(run.ExitCode, 0) << run.Out << run.Err;
    EXPECT_EQ(run.Out, "");
    const std::string board = std::filesystem::path(file).stem().string() + ".board.json";
    EXPECT_NE(run.Err.find("Board saved to " + Path(board)), std::string::npos) << run.Err;
    // Test mode writes no report.
    EXPECT_FALSE(Exists("Import Error Report.html"));

    const TJson b = LoadBoard(board);
    ASSERT_TRUE(b.is_object());
    EXPECT_EQ(CountsByKindAndLayer(b), ExpectedCounts(name));
    const auto check = FeatureChecks().find(name.Feature);
    if (check != FeatureChecks().end()) check->second(b, name);
}

INSTANTIATE_TEST_SUITE_P(TestData, DrawingImportTest, ::testing::ValuesIn(AllDrawings()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string test = std::filesystem::path(info.param).stem().string();
                             std::replace(test.begin(), test.end(), '-', '_');
                             return test;
                         });

} // namespace
