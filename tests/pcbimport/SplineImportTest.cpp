// SPDX-License-Identifier: MIT
// Splines of the ezdxf-made test drawings imported by the PCB drawing processor through the
// real drawing engine onto a board of the real host module, at 1 mm per drawing unit, and
// measured against points on the same curves that ezdxf computed (spline_reference.txt,
// written by make_spline_reference.py).
#include "ProcessorHost.h"

#include "pcbclient/PcbPrimitives.h"
#include "pcbimport/PcbDxfProcessor.h"
#include "support/TextSearch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <numbers>
#include <sstream>

using namespace dxfi;
using namespace dxfi::test;
namespace ab = dxfi::abi;

namespace {

constexpr double kUnit = 393701.0; // board units per drawing unit (1 mm)

struct TPoint {
    double X = 0, Y = 0;
};

class TSplineImportTest : public TDrawingImportFixture {
protected:
    // Imports at 1 mm per drawing unit, splines converted or not, and reads the loose tracks
    // and arcs.
    TPcbDxfProcessor& Import(const std::string& file, bool convert = true,
                             const std::function<void(TPcbDxfProcessor&)>& adjust = {}) {
        ImportTestDrawing(file, 1.0 / kUnit, [&](TPcbDxfProcessor& p) {
            p.ConvertSplines = convert;
            if (adjust) adjust(p);
        });
        Tracks = Loose<TPcbTrack>(ab::kKindTrack);
        Arcs = Loose<TPcbArc>(ab::kKindArc);
        return *Processor;
    }

    // Distance from a board point to the nearest imported track or arc.
    double Distance(TPoint p) const {
        double best = HUGE_VAL;
        for (const TPcbTrack& t : Tracks) {
            const double dx = t.X2 - t.X, dy = t.Y2 - t.Y;
            const double l2 = dx * dx + dy * dy;
            const double s =
                l2 > 0 ? std::clamp(((p.X - t.X) * dx + (p.Y - t.Y) * dy) / l2, 0.0, 1.0) : 0.0;
            best = std::min(best, std::hypot(p.X - t.X - s * dx, p.Y - t.Y - s * dy));
        }
        for (const TPcbArc& a : Arcs) {
            const double angle =
                std::fmod(std::atan2(p.Y - a.Y, p.X - a.X) * 180 / std::numbers::pi + 360, 360);
            double sweep = std::fmod(a.EndAngle - a.StartAngle + 360, 360);
            if (sweep == 0) sweep = 360;
            if (std::fmod(angle - a.StartAngle + 360, 360) <= sweep) {
                best = std::min(best, std::fabs(std::hypot(p.X - a.X, p.Y - a.Y) - a.Radius));
            } else {
                for (double end : {a.StartAngle, a.EndAngle}) {
                    const double r = end * std::numbers::pi / 180;
                    best = std::min(best, std::hypot(p.X - a.X - a.Radius * std::cos(r),
                                                     p.Y - a.Y - a.Radius * std::sin(r)));
                }
            }
        }
        return best;
    }

    // The largest distance from ezdxf's points of the drawing's splines to the imported
    // primitives, in board units; fails when the reference has no points for it.
    double WorstDeviation(const std::string& file, std::size_t& count) const {
        std::ifstream in(DXFI_TEST_DATA_DIR "/spline_reference.txt");
        EXPECT_TRUE(in) << "cannot read spline_reference.txt";
        std::string line;
        double worst = 0;
        count = 0;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string name;
            int index = 0;
            TPoint p;
            fields >> name >> index >> p.X >> p.Y;
            if (name != file) continue;
            worst = std::max(worst, Distance({p.X * kUnit, p.Y * kUnit}));
            ++count;
        }
        EXPECT_GT(count, 100u) << "no reference points for " << file;
        return worst;
    }

    std::vector<TPcbTrack> Tracks;
    std::vector<TPcbArc> Arcs;
};

} // namespace

TEST_F(TSplineImportTest, ByDefaultSplinesAreDiscardedWithTheLine) {
    TPcbDxfProcessor& p = Import("spline_cubic_R2000.dxf", false);
    EXPECT_TRUE(p.EntitiesDiscarded);
    EXPECT_TRUE(Objects(~0u).empty());
    EXPECT_EQ(testsupport::Occurrences(p.GetReport().ToXmlString(),
                                       "SPLINE entity was discarded because it is not supported"),
              3u);
}

TEST_F(TSplineImportTest, RationalCircleBecomesArcsOnThatCircle) {
    TPcbDxfProcessor& p = Import("spline_circle_R2000.dxf");
    EXPECT_FALSE(p.EntitiesDiscarded) << p.GetReport().ToXmlString();
    EXPECT_TRUE(Tracks.empty());
    ASSERT_FALSE(Arcs.empty());
    EXPECT_LE(Arcs.size(), 2u);
    double sweep = 0;
    for (const TPcbArc& a : Arcs) {
        EXPECT_NEAR(a.X, 20 * kUnit, kSplineTolerance);
        EXPECT_NEAR(a.Y, 10 * kUnit, kSplineTolerance);
        EXPECT_NEAR(a.Radius, 5 * kUnit, kSplineTolerance);
        EXPECT_EQ(a.Width, p.DefaultLineWidth);
        EXPECT_EQ(a.Layer, p.Mappings.LayerOf("0"));
        const double s = std::fmod(a.EndAngle - a.StartAngle + 360, 360);
        sweep += s == 0 ? 360 : s;
    }
    EXPECT_NEAR(sweep, 360, 1e-6);
    std::size_t count = 0;
    EXPECT_LT(WorstDeviation("spline_circle_R2000.dxf", count), kSplineTolerance);
}

TEST_F(TSplineImportTest, CubicSplinesStayWithinTheToleranceOfEzdxfsPoints) {
    TPcbDxfProcessor& p = Import("spline_cubic_R2000.dxf");
    EXPECT_FALSE(p.EntitiesDiscarded) << p.GetReport().ToXmlString();
    std::size_t count = 0;
    const double worst = WorstDeviation("spline_cubic_R2000.dxf", count);
    RecordProperty("worst_deviation_mm", std::to_string(worst / kUnit));
    EXPECT_LT(worst, kSplineTolerance) << "over " << count << " points";
    // Pieces lie on the curve: each track's and arc's end points are on it, and consecutive
    // pieces join (three splines: three chains).
    EXPECT_GT(Arcs.size(), 3u);
    EXPECT_GE(Tracks.size(), 1u) << "the straight run is a track";
    bool straight = false;
    for (const TPcbTrack& t : Tracks)
        straight = straight ||
                   (t.X == 0 && t.Y == 100 * kUnit && std::abs(t.Y2 - t.Y) < kSplineTolerance &&
                    std::abs(t.X2 - t.X) > 10 * kUnit);
    EXPECT_TRUE(straight) << "the collinear control points give one long track";
}

TEST_F(TSplineImportTest, FitPointSplinesPassThroughTheirPointsAndTangents) {
    TPcbDxfProcessor& p = Import("spline_fit_R2000.dxf");
    EXPECT_FALSE(p.EntitiesDiscarded) << p.GetReport().ToXmlString();
    const TPoint fits[] = {{0, 0},  {10, 8},  {20, 0},  {30, 8}, {40, 0},
                           {0, 30}, {15, 40}, {25, 25}, {40, 35}};
    for (const TPoint& f : fits)
        EXPECT_LT(Distance({f.X * kUnit, f.Y * kUnit}), kSplineTolerance) << f.X << "," << f.Y;
    // With both tangents given the curve is the one ezdxf makes of them.
    std::size_t count = 0;
    EXPECT_LT(WorstDeviation("spline_fit_R2000.dxf", count), kSplineTolerance);
    // It starts straight up: just above the start the curve is on the Y axis.
    EXPECT_LT(Distance({0, 0.05 * kUnit}), kSplineTolerance);
}

TEST_F(TSplineImportTest, ClosedAndPeriodicSplinesCloseOnTheirCurve) {
    TPcbDxfProcessor& p = Import("spline_closed_R2000.dxf");
    EXPECT_FALSE(p.EntitiesDiscarded) << p.GetReport().ToXmlString();
    std::size_t count = 0;
    EXPECT_LT(WorstDeviation("spline_closed_R2000.dxf", count), kSplineTolerance);
    EXPECT_GT(Arcs.size(), 2u);
}

TEST_F(TSplineImportTest, InsideBlocksUnderScalesMirrorAndRotation) {
    TPcbDxfProcessor& p = Import("spline_block_R2000.dxf");
    EXPECT_FALSE(p.EntitiesDiscarded) << p.GetReport().ToXmlString();
    std::size_t count = 0;
    EXPECT_LT(WorstDeviation("spline_block_R2000.dxf", count), kSplineTolerance);
}

TEST_F(TSplineImportTest, BlockReferencesKeepTheirSplinesAsComponents) {
    Import("spline_block_R2000.dxf", true, [](TPcbDxfProcessor& q) { q.ExplodeBlocks = false; });
    EXPECT_EQ(Objects(1u << ab::kKindComponent).size(), 2u);
    EXPECT_TRUE(Tracks.empty() && Arcs.empty());
}

TEST_F(TSplineImportTest, DegenerateSplinesNameTheirProblem) {
    TPcbDxfProcessor& p = Import("spline_bad_R2000.dxf");
    EXPECT_TRUE(p.EntitiesDiscarded);
    EXPECT_EQ(Tracks.size(), 2u) << "the lines around them are imported";
    EXPECT_TRUE(Arcs.empty());
    const std::string report = p.GetReport().ToXmlString();
    for (const char* line :
         {"SPLINE entity was discarded because its 6 knots do not fit degree 3 and 4 control "
          "points",
          "SPLINE entity was discarded because of invalid weight 0",
          "SPLINE entity was discarded because it has zero length",
          "SPLINE entity was discarded because it has no control points"})
        EXPECT_EQ(testsupport::Occurrences(report, line), 1u) << line << "\n" << report;
}

TEST_F(TSplineImportTest, PointsOutsideTheExtentsDiscardTheWholeSpline) {
    TPcbDxfProcessor& p = Import("spline_cubic_R2000.dxf", true, [](TPcbDxfProcessor& q) {
        q.ModelExtents.MaxX = 50; // the walk tests against the space's extents
    });
    EXPECT_TRUE(p.EntitiesDiscarded);
    EXPECT_TRUE(Tracks.empty() && Arcs.empty());
    EXPECT_EQ(testsupport::Occurrences(
                  p.GetReport().ToXmlString(),
                  "SPLINE entity was discarded because of invalid vertex coordinates"),
              3u);
}
