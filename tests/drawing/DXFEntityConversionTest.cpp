// SPDX-License-Identifier: MIT
// The entity conversions: outputs in board units, point kinds and their order of tests,
// extrusion mirroring, report lines, and the arcs of bulged polyline segments.
#include "ProcessorFixture.h"

#include "base/Assertion.h"
#include "drawing/FormatReportNumber.h"

#include <cmath>
#include <cstring>
#include <numbers>

using namespace dxfi;
using namespace drawingtest;

namespace {

// A number text with the user's decimal separator in place of ".".
std::string N(std::string text) {
    const std::size_t dot = text.find('.');
    if (dot != std::string::npos) text.replace(dot, 1, ReportDecimalSeparator());
    return text;
}

// The model space's entities as the walk delivered them, block starts left out.
std::vector<TEntityRecord> Walk(TLoaded& d) {
    std::vector<TEntityRecord> out;
    d.P.OnEntity = [&](TEntityHeader& h, TEntityData& data) {
        if (!d.P.InBlock && h.TypeCode() != dxfi::abi::kCodeBlockStart)
            out.push_back(TEntityRecord{h, data});
    };
    d.P.ProcessDrawing();
    d.P.OnEntity = nullptr;
    return out;
}

std::string Extruded(std::string entity, const char* x, const char* y, const char* z) {
    return entity + G({{210, x}, {220, y}, {230, z}});
}

// The report of the run holds exactly these lines.
void ExpectReport(TLoaded& d, const std::vector<std::string>& lines) {
    EXPECT_EQ(ReportLines(d.P.ReportXml()), lines);
}

// An entity of that kind on layer 0 whose first point is (x, y, 0); its other groups follow.
std::string At(const char* kind, const std::string& x, const std::string& y) {
    return G({{0, kind}, {8, "0"}, {10, x}, {20, y}, {30, "0"}});
}

std::string Circle(double x, double y, double r) {
    return At("CIRCLE", TDxf::Num(x), TDxf::Num(y)) + G({{40, TDxf::Num(r)}});
}

std::string Solid(const char* kind, double x3, double y3) {
    return G({{0, kind},
              {8, "0"},
              {10, "0"},
              {20, "0"},
              {11, "1"},
              {21, "0"},
              {12, TDxf::Num(x3)},
              {22, TDxf::Num(y3)},
              {13, "1"},
              {23, "1"}});
}

} // namespace

TEST(DXFEntityConversionTest, LineTestsStartThenEndPoint) {
    TDxf dxf;
    dxf.Extents = {0, 0, 100, 100};
    dxf.Tables = G({{0, "TABLE"},
                    {2, "LAYER"},
                    {0, "LAYER"},
                    {2, "Copper"},
                    {62, "1"},
                    {70, "0"},
                    {0, "ENDTAB"}});
    dxf.Entities =
        Line(1000.5, 1e20, 2000, 3000) + Line(1, 2, 3, 4, "Copper") + Line(1, 2, 100, 100.25);
    TLoaded d(dxf);
    ASSERT_TRUE(d.Loaded);
    std::vector<TEntityRecord> e = Walk(d);
    ASSERT_EQ(e.size(), 3u);
    TBoardCoord x1 = 7, y1 = 7, x2 = 7, y2 = 7;
    const char* layer = nullptr;
    EXPECT_FALSE(d.P.GetLine(e[0].Header, e[0].Data, x1, y1, x2, y2, layer));
    EXPECT_EQ(x1, 7); // outputs untouched
    EXPECT_TRUE(d.P.EntitiesDiscarded);
    ASSERT_TRUE(d.P.GetLine(e[1].Header, e[1].Data, x1, y1, x2, y2, layer));
    EXPECT_EQ((std::vector<TBoardCoord>{x1, y1, x2, y2}), (std::vector<TBoardCoord>{1, 2, 3, 4}));
    ASSERT_NE(layer, nullptr);
    EXPECT_STREQ(layer, "Copper");
    EXPECT_FALSE(d.P.GetLine(e[2].Header, e[2].Data, x1, y1, x2, y2, layer));
    ExpectReport(
        d, {"LINE entity was discarded because of invalid start point (" + N("1000.5") + ",1E20)",
            "LINE entity was discarded because of invalid end point (100," + N("100.25") + ")"});
    // Every report line is followed by a line break.
    EXPECT_NE(d.P.ReportXml().find("1E20)</text>\n  <linebreak/>"), std::string::npos)
        << d.P.ReportXml();
}

TEST(DXFEntityConversionTest, CircleCentreIsMirroredForADownwardExtrusion) {
    TDxf dxf;
    dxf.Entities =
        Extruded(Circle(5, 3, 2), "0", "0", "-1") + Extruded(Circle(5, 3, 2), "0.1", "0", "0.99") +
        Extruded(Circle(5, 3, 2), "0", "0", "0.5") + Extruded(Circle(150, 0, 2), "0", "0", "-1");
    TLoaded d(dxf);
    ASSERT_TRUE(d.Loaded);
    std::vector<TEntityRecord> e = Walk(d);
    ASSERT_EQ(e.size(), 4u);
    TBoardCoord x = 0, y = 0, r = 0;
    const char* layer = nullptr;
    ASSERT_TRUE(d.P.GetCircle(e[0].Header, e[0].Data, x, y, r, layer));
    EXPECT_EQ((std::vector<TBoardCoord>{x, y, r}), (std::vector<TBoardCoord>{-5, 3, 2}));
    EXPECT_EQ(e[0].Data.ReadF64(dxfi::abi::CircleData::Centre), -5.0); // the record is changed
    EXPECT_FALSE(d.P.EntitiesDiscarded);
    EXPECT_FALSE(d.P.GetCircle(e[1].Header, e[1].Data, x, y, r, layer));
    EXPECT_TRUE(d.P.EntitiesDiscarded);
    ASSERT_TRUE(d.P.GetCircle(e[2].Header, e[2].Data, x, y, r, layer));
    EXPECT_EQ(x, 5);
    // The centre is tested after mirroring.
    EXPECT_FALSE(d.P.GetCircle(e[3].Header, e[3].Data, x, y, r, layer));
    ExpectReport(d, {"CIRCLE entity was discarded because of invalid extrusion direction (" +
                         N("0.1") + ",0," + N("0.99") + ")",
                     "CIRCLE entity was discarded because of invalid centre point (-150,0)"});
}

TEST(DXFEntityConversionTest, ArcIsNotTestedAndTakesTheXFactorForItsRadius) {
    TDxf dxf;
    dxf.Blocks = Block(
        "M", 0, 0, At("ARC", "1", "1") + G({{40, "2"}, {50, "0"}, {51, "90"}}) + Circle(1, 1, 2));
    dxf.Entities = At("ARC", "500", "500") + G({{40, "3"}, {50, "90"}, {51, "180"}}) +
                   Insert("M", 0, 0, -1, 1);
    TLoaded d(dxf);
    ASSERT_TRUE(d.Loaded);
    std::vector<std::string> inside;
    d.P.OnEntity = [&](TEntityHeader& h, TEntityData& data) {
        TBoardCoord x = 0, y = 0, r = 0;
        double a0 = 0, a1 = 0;
        const char* layer = nullptr;
        if (!d.P.InBlock) return;
        if (d.P.EntityKind(&h) == ekArc && d.P.GetArc(h, data, x, y, r, a0, a1, layer))
            inside.push_back("arc " + std::to_string(x) + " " + std::to_string(r));
        if (d.P.EntityKind(&h) == ekCircle && d.P.GetCircle(h, data, x, y, r, layer))
            inside.push_back("circle " + std::to_string(x) + " " + std::to_string(r));
    };
    d.P.ProcessDrawing();
    EXPECT_EQ(inside, (std::vector<std::string>{"arc -1 -2", "circle -1 2"}));

    std::vector<TEntityRecord> e = Walk(d);
    ASSERT_EQ(e.size(), 2u);
    TBoardCoord x = 0, y = 0, r = 0;
    double a0 = 0, a1 = 0;
    const char* layer = nullptr;
    ASSERT_TRUE(d.P.GetArc(e[0].Header, e[0].Data, x, y, r, a0, a1, layer));
    EXPECT_EQ((std::vector<TBoardCoord>{x, y, r}), (std::vector<TBoardCoord>{500, 500, 3}));
    EXPECT_NEAR(a0, 90.0, 1e-12);
    EXPECT_NEAR(a1, 180.0, 1e-12);
    EXPECT_FALSE(d.P.EntitiesDiscarded);
}

TEST(DXFEntityConversionTest, SolidAndTraceComeInOutlineOrder) {
    TDxf dxf;
    dxf.Entities = Solid("SOLID", 0, 1) + Solid("TRACE", 0, 1) + Solid("SOLID", 0, 500) +
                   Extruded(Solid("SOLID", 0, 500), "1", "0", "0");
    TLoaded d(dxf);
    ASSERT_TRUE(d.Loaded);
    std::vector<TEntityRecord> e = Walk(d);
    ASSERT_EQ(e.size(), 4u);
    TBoardCoord c[8] = {};
    const char* layer = nullptr;
    ASSERT_TRUE(d.P.GetSolid(e[0].Header, e[0].Data, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7],
                             layer));
    EXPECT_EQ(std::vector<TBoardCoord>(c, c + 8),
              (std::vector<TBoardCoord>{0, 0, 1, 0, 1, 1, 0, 1}));
    std::fill(c, c + 8, 9);
    ASSERT_TRUE(d.P.GetTrace(e[1].Header, e[1].Data, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7],
                             layer));
    EXPECT_EQ(std::vector<TBoardCoord>(c, c + 8),
              (std::vector<TBoardCoord>{0, 0, 1, 0, 1, 1, 0, 1}));
    EXPECT_FALSE(d.P.GetSolid(e[2].Header, e[2].Data, c[0], c[1], c[2], c[3], c[4], c[5], c[6],
                              c[7], layer));
    // A bad extrusion is reported once, not for each corner.
    EXPECT_FALSE(d.P.GetSolid(e[3].Header, e[3].Data, c[0], c[1], c[2], c[3], c[4], c[5], c[6],
                              c[7], layer));
    ExpectReport(d, {"SOLID entity was discarded because of invalid third corner (0,500)",
                     "SOLID entity was discarded because of invalid extrusion direction (1,0,0)"});
}

TEST(DXFEntityConversionTest, TextsDeliverHeightMirrorRotationAndString) {
    TDxf dxf;
    dxf.Entities = At("TEXT", "1", "2") + G({{40, "2.5"}, {50, "90"}, {71, "2"}, {1, "Abc"}}) +
                   At("TEXT", "-300", "2") + G({{40, "1"}, {1, "x"}}) + At("MTEXT", "10", "20") +
                   G({{40, "101"}, {41, "200"}, {71, "5"}, {1, "Hello"}}) +
                   At("MTEXT", "10", "20") + G({{40, "101"}, {41, "200"}, {71, "1"}, {1, "Plain"}});
    TLoaded d(dxf);
    ASSERT_TRUE(d.Loaded);
    std::vector<TEntityRecord> e = Walk(d);
    ASSERT_EQ(e.size(), 4u);
    TBoardCoord x = 0, y = 0, h = 0;
    int32_t mirror = 9;
    double rotation = 9;
    std::string_view text;
    const char* layer = nullptr;
    ASSERT_TRUE(d.P.GetText(e[0].Header, e[0].Data, x, y, h, mirror, rotation, text, layer));
    EXPECT_EQ((std::vector<TBoardCoord>{x, y, h}), (std::vector<TBoardCoord>{1, 2, 2}));
    EXPECT_EQ(mirror, 2);
    EXPECT_NEAR(rotation, 90.0, 1e-12);
    EXPECT_EQ(text, "Abc");
    EXPECT_FALSE(d.P.GetText(e[1].Header, e[1].Data, x, y, h, mirror, rotation, text, layer));

    ASSERT_TRUE(d.P.GetMText(e[2].Header, e[2].Data, x, y, h, mirror, rotation, text, layer));
    // Middle centre: half the width and half the height, truncated.
    EXPECT_EQ((std::vector<TBoardCoord>{x, y, h}),
              (std::vector<TBoardCoord>{10 - 100, 20 - 50, 101}));
    EXPECT_EQ(mirror, 0);
    EXPECT_EQ(rotation, 0.0);
    EXPECT_EQ(text, "Hello");
    ASSERT_TRUE(d.P.GetMText(e[3].Header, e[3].Data, x, y, h, mirror, rotation, text, layer));
    EXPECT_EQ((std::vector<TBoardCoord>{x, y}), (std::vector<TBoardCoord>{10, 20}));
    ExpectReport(d,
                 {"TEXT entity was discarded because of invalid first alignment point (-300,2)"});
}

TEST(DXFEntityConversionTest, PointsPolylineVerticesInsertsAndDimensions) {
    TDxf dxf;
    dxf.Blocks = Block("BLK", 0, 0, "") + Block("*D1", 0, 0, "");
    dxf.Entities =
        G({{0, "POINT"}, {8, "0"}, {10, "-1000"}, {20, "0"}, {30, "0"}}) +
        G({{0, "POINT"}, {8, "0"}, {10, "0.5"}, {20, "0.25"}, {30, "0"}}) +
        G({{0, "POLYLINE"}, {8, "0"}, {66, "1"}, {70, "1"}, {40, "0.5"}}) + At("VERTEX", "1", "2") +
        G({{40, "0.25"}, {42, "0.5"}}) +
        G({{0, "VERTEX"}, {8, "0"}, {10, "500"}, {20, "0"}, {30, "0"}}) + G({{0, "SEQEND"}}) +
        Insert("BLK", 3, 4, 2, 2, 30) +
        G({{0, "DIMENSION"}, {8, "0"}, {2, "*D1"}, {10, "3"}, {20, "4"}, {30, "0"}, {50, "30"}}) +
        G({{0, "DIMENSION"}, {8, "0"}, {2, "*D1"}, {10, "3"}, {20, "400"}, {30, "0"}});
    TLoaded d(dxf, 0.01);
    ASSERT_TRUE(d.Loaded);
    std::vector<TEntityRecord> e = Walk(d);
    ASSERT_EQ(e.size(), 9u);
    TBoardCoord x = 0, y = 0, w = 0;
    const char* layer = nullptr;
    EXPECT_FALSE(d.P.GetPoint(e[0].Header, e[0].Data, x, y, layer));
    ASSERT_TRUE(d.P.GetPoint(e[1].Header, e[1].Data, x, y, layer));
    EXPECT_EQ((std::vector<TBoardCoord>{x, y}), (std::vector<TBoardCoord>{50, 25}));

    bool closed = false;
    ASSERT_TRUE(d.P.GetPolylineHeader(e[2].Header, e[2].Data, w, closed, layer));
    EXPECT_EQ(w, 50);
    EXPECT_TRUE(closed);
    double bulge = 0;
    ASSERT_TRUE(d.P.GetVertex(e[3].Header, e[3].Data, x, y, w, bulge, layer));
    EXPECT_EQ((std::vector<TBoardCoord>{x, y, w}), (std::vector<TBoardCoord>{100, 200, 25}));
    EXPECT_EQ(bulge, 0.5);
    EXPECT_FALSE(d.P.GetVertex(e[4].Header, e[4].Data, x, y, w, bulge, layer));

    char name[256] = "old";
    double rotation = 0;
    ASSERT_TRUE(d.P.GetInsert(e[6].Header, e[6].Data, x, y, rotation, name));
    EXPECT_EQ((std::vector<TBoardCoord>{x, y}), (std::vector<TBoardCoord>{300, 400}));
    EXPECT_NEAR(rotation, 30.0, 1e-12);
    EXPECT_STREQ(name, "BLK");
    ASSERT_TRUE(d.P.GetDimension(e[7].Header, e[7].Data, x, y, rotation, name));
    EXPECT_EQ((std::vector<TBoardCoord>{x, y}), (std::vector<TBoardCoord>{300, 400}));
    EXPECT_NEAR(rotation, 30.0, 1e-12);
    EXPECT_STREQ(name, "*D1");
    EXPECT_FALSE(d.P.GetDimension(e[8].Header, e[8].Data, x, y, rotation, name));
    ExpectReport(d, {"POINT entity was discarded because of invalid point location (-1000,0)",
                     "VERTEX entity was discarded because of invalid location point (500,0)",
                     "DIMENSION entity was discarded because of invalid definition point (3,400)"});
}

TEST(DXFEntityConversionTest, LightweightPolylines) {
    TDxf dxf;
    const std::string lw = G({{0, "LWPOLYLINE"},
                              {8, "0"},
                              {90, "2"},
                              {70, "1"},
                              {43, "0.5"},
                              {10, "1"},
                              {20, "2"},
                              {40, "0.25"},
                              {41, "0.75"},
                              {42, "0.5"},
                              {10, "3"},
                              {20, "4"}});
    dxf.Entities = G({{0, "LWPOLYLINE"}, {8, "0"}, {90, "0"}, {70, "0"}}) + lw +
                   Extruded(lw, "0", "0", "-1") + Extruded(lw, "0", "0.5", "0.5") +
                   G({{0, "LWPOLYLINE"},
                      {8, "0"},
                      {90, "3"},
                      {70, "0"},
                      {10, "0"},
                      {20, "0"},
                      {10, "1"},
                      {20, "0"},
                      {10, "500"},
                      {20, "0"}});
    TLoaded d(dxf, 0.01);
    ASSERT_TRUE(d.Loaded);
    std::vector<TEntityRecord> e = Walk(d);
    ASSERT_EQ(e.size(), 5u);
    TPolyPoints points(4);
    points.SetCount(3);
    ASSERT_TRUE(d.P.GetLwPolyline(e[0].Header, e[0].Data, &points));
    EXPECT_EQ(points.Count(), 0);

    ASSERT_TRUE(d.P.GetLwPolyline(e[1].Header, e[1].Data, &points));
    ASSERT_EQ(points.Count(), 2);
    const TPoints& base = points; // the per-point width, hidden by the polyline's own
    EXPECT_EQ(points.Width, 50);
    EXPECT_TRUE(points.Closed);
    ASSERT_NE(points.LayerName, nullptr);
    EXPECT_STREQ(points.LayerName, "0");
    EXPECT_EQ((std::vector<TBoardCoord>{points.X(0), points.Y(0), base.Width(0)}),
              (std::vector<TBoardCoord>{100, 200, 25}));
    EXPECT_EQ(points.Bulge(0), 0.5);
    EXPECT_EQ((std::vector<TBoardCoord>{points.X(1), points.Y(1), base.Width(1)}),
              (std::vector<TBoardCoord>{300, 400, 0}));
    EXPECT_EQ(points.Bulge(1), 0.0);

    // Downward extrusion: X and the bulge change sign.
    ASSERT_TRUE(d.P.GetLwPolyline(e[2].Header, e[2].Data, &points));
    ASSERT_EQ(points.Count(), 2);
    EXPECT_EQ(points.X(0), -100);
    EXPECT_EQ(points.Y(0), 200);
    EXPECT_EQ(points.Bulge(0), -0.5);

    EXPECT_FALSE(d.P.GetLwPolyline(e[3].Header, e[3].Data, &points));
    EXPECT_FALSE(d.P.GetLwPolyline(e[4].Header, e[4].Data, &points));
    EXPECT_EQ(points.Count(), 3); // the caller clears what a rejected polyline left
    ExpectReport(d,
                 {"LWPOLYLINE entity was discarded because of invalid extrusion direction (0," +
                      N("0.5") + "," + N("0.5") + ")",
                  "LWPOLYLINE entity was discarded because of invalid vertex coordinates (500,0)"});
}

TEST(DXFEntityConversionTest, EllipsesBecomeAHundredPoints) {
    TDxf dxf;
    const double twoPi = 2 * std::numbers::pi;
    auto ellipse = [](double mx, double my, double start, double end) {
        return At("ELLIPSE", "1", "2") + G({{11, TDxf::Num(mx)},
                                            {21, TDxf::Num(my)},
                                            {31, "0"},
                                            {40, "0.5"},
                                            {41, TDxf::Num(start)},
                                            {42, TDxf::Num(end)}});
    };
    dxf.Entities = ellipse(10, 0, 0, twoPi) + ellipse(10, 0, 5, 1) + ellipse(0, 5, 0, twoPi) +
                   ellipse(1e30, 0, 0, twoPi);
    TLoaded d(dxf, 0.001);
    ASSERT_TRUE(d.Loaded);
    std::vector<TEntityRecord> e = Walk(d);
    ASSERT_EQ(e.size(), 4u);
    TPolyPoints points(4);
    ASSERT_TRUE(d.P.GetEllipse(e[0].Header, e[0].Data, &points));
    ASSERT_EQ(points.Count(), 100);
    EXPECT_EQ(points.Width, 0);
    EXPECT_FALSE(points.Closed);
    EXPECT_EQ(points.X(0), 11000);
    EXPECT_EQ(points.Y(0), 2000);
    EXPECT_EQ(points.X(99), points.X(0));
    EXPECT_EQ(points.Y(99), points.Y(0));
    // A quarter of the way round the minor axis (half the major one) is reached near t = pi/2.
    EXPECT_EQ(points.X(50), d.P.ToBoardX(false, std::cos(twoPi * 50 / 99) * 10 + 1));
    EXPECT_EQ(points.Y(50), d.P.ToBoardY(false, std::sin(twoPi * 50 / 99) * 5 + 2));

    // Start 5 and end 1: the parameter runs upward from 5 by 4.
    ASSERT_TRUE(d.P.GetEllipse(e[1].Header, e[1].Data, &points));
    ASSERT_EQ(points.Count(), 100);
    EXPECT_EQ(points.X(0), d.P.ToBoardX(false, std::cos(5.0) * 10 + 1));
    EXPECT_EQ(points.X(99), d.P.ToBoardX(false, std::cos(9.0) * 10 + 1));
    EXPECT_EQ(points.Y(99), d.P.ToBoardY(false, std::sin(9.0) * 5 + 2));

    // A major axis along Y turns the points a quarter round the centre.
    ASSERT_TRUE(d.P.GetEllipse(e[2].Header, e[2].Data, &points));
    ASSERT_EQ(points.Count(), 100);
    EXPECT_EQ(points.X(0), 1000);
    EXPECT_EQ(points.Y(0), 7000);

    // Sizes beyond the board are not clamped to its edge: the ellipse is discarded.
    EXPECT_FALSE(d.P.EntitiesDiscarded);
    EXPECT_FALSE(d.P.GetEllipse(e[3].Header, e[3].Data, &points));
    EXPECT_TRUE(d.P.EntitiesDiscarded);
    ExpectReport(d, {"ELLIPSE entity was discarded because its coordinates lie "
                     "beyond the board's range at this scale (1,2)"});
}

TEST(DXFEntityConversionTest, MultilinesFromAWrittenDrawing) {
    TRecordingProcessor p(DXFI_TEST_DATA_DIR "/mline_R2000.dxf");
    p.ReportErrors = true;
    p.SetDrawingScale(0.001);
    ASSERT_TRUE(p.LoadFile());
    std::vector<TEntityRecord> e;
    p.OnEntity = [&](TEntityHeader& h, TEntityData& data) {
        if (p.EntityKind(&h) == ekMLine) e.push_back(TEntityRecord{h, data});
    };
    p.ProcessDrawing();
    ASSERT_GE(e.size(), 1u);
    TPolyPoints points(4);
    ASSERT_TRUE(p.GetMLine(e[0].Header, e[0].Data, &points));
    ASSERT_EQ(points.Count(), 4); // the start point and three vertices
    EXPECT_EQ((std::vector<TBoardCoord>{points.X(0), points.Y(0), points.X(1), points.Y(1),
                                        points.X(2), points.Y(2), points.X(3), points.Y(3)}),
              (std::vector<TBoardCoord>{0, 0, 0, 0, 10000, 0, 10000, 10000}));
    EXPECT_EQ(points.Width, 0);
    EXPECT_FALSE(points.Closed);
    // Every multiline of the drawing reads to its end without losing its vertices' place.
    for (TEntityRecord& m : e) {
        ASSERT_TRUE(p.GetMLine(m.Header, m.Data, &points));
        EXPECT_EQ(points.Count(), m.Data.ReadU16(dxfi::abi::MLineData::VertexCount) + 1);
    }

    p.ValidArea = TExtents{-1, -1, 5, 5};
    EXPECT_FALSE(p.GetMLine(e[0].Header, e[0].Data, &points));
    p.ValidArea = TExtents{1, 1, 5, 5};
    points.SetCount(7);
    EXPECT_FALSE(p.GetMLine(e[0].Header, e[0].Data, &points));
    EXPECT_EQ(points.Count(), 7); // nothing read or changed
    EXPECT_EQ(ReportLines(p.ReportXml()),
              (std::vector<std::string>{
                  "MLINE entity was discarded because of invalid vertex coordinates (10,0)",
                  "MLINE entity was discarded because of invalid insertion point (0,0)"}));
    p.CloseFile();
}

// ---- Bulges and angles ----------------------------------------------------------------------

TEST(DXFEntityConversionTest, BulgeArcs) {
    TRecordingProcessor p("drawing.dxf");
    p.SetDrawingScale(1);
    TPolyPoints points(4);
    points.Add(0, 0, 0, 1.0);
    points.Add(10, 0, 0, -1.0);
    points.Add(10, 0, 0, 1e-7);
    points.Add(20, 0, 0, 0);
    TBoardCoord cx = 77, cy = 77, r = 77;
    double a0 = 77, a1 = 77;
    // A half circle below the chord, counter-clockwise from the first point.
    ASSERT_TRUE(p.GetBulgeArc(&points, 0, 1, cx, cy, r, a0, a1));
    EXPECT_EQ((std::vector<TBoardCoord>{cx, cy, r}), (std::vector<TBoardCoord>{5, 0, 5}));
    EXPECT_NEAR(a0, 180.0, 1e-9);
    EXPECT_NEAR(std::fmod(a1, 360.0), 0.0, 1e-9);
    // A negative bulge swaps the ends so that the arc still runs counter-clockwise.
    ASSERT_TRUE(p.GetBulgeArc(&points, 1, 0, cx, cy, r, a0, a1));
    EXPECT_EQ((std::vector<TBoardCoord>{cx, cy, r}), (std::vector<TBoardCoord>{5, 0, 5}));
    EXPECT_NEAR(a0, 180.0, 1e-9);
    EXPECT_NEAR(std::fmod(a1, 360.0), 0.0, 1e-9);
    cx = cy = r = 77;
    a0 = a1 = 77;
    EXPECT_FALSE(p.GetBulgeArc(&points, 2, 3, cx, cy, r, a0, a1));
    EXPECT_EQ((std::vector<TBoardCoord>{cx, cy, r}), (std::vector<TBoardCoord>{77, 77, 77}));
    EXPECT_EQ(a0, 77.0);
    // Coincident points have no arc: the segment stays straight.
    EXPECT_FALSE(p.GetBulgeArc(&points, 1, 2, cx, cy, r, a0, a1));
    EXPECT_EQ(r, 77);
    EXPECT_THROW(p.GetBulgeArc(nullptr, 0, 1, cx, cy, r, a0, a1), EAssertionFailure);
    EXPECT_THROW(p.GetBulgeArc(&points, 0, 4, cx, cy, r, a0, a1), EAssertionFailure);
}

TEST(DXFEntityConversionTest, PointAngleCoversEveryQuadrant) {
    using P = TRealPoint;
    EXPECT_EQ(TDXFProcessor::PointAngle(P{-1, 0}, P{0, 0}), 180.0);
    EXPECT_EQ(TDXFProcessor::PointAngle(P{0, -1}, P{0, 0}), 270.0);
    EXPECT_EQ(TDXFProcessor::PointAngle(P{0, 1}, P{0, 0}), 90.0);
    EXPECT_EQ(TDXFProcessor::PointAngle(P{1, 0}, P{0, 0}), 0.0);
    EXPECT_EQ(TDXFProcessor::PointAngle(P{3, 4}, P{3, 4}), 90.0);
    EXPECT_NEAR(TDXFProcessor::PointAngle(P{2, 2}, P{1, 1}), 45.0, 1e-12);
    EXPECT_NEAR(TDXFProcessor::PointAngle(P{0, 2}, P{1, 1}), 135.0, 1e-12);
    EXPECT_NEAR(TDXFProcessor::PointAngle(P{0, 0}, P{1, 1}), 225.0, 1e-12);
    const double below360 = TDXFProcessor::PointAngle(P{1, -0.0001}, P{0, 0});
    EXPECT_LT(below360, 360.0);
    EXPECT_GT(below360, 359.99);
}
