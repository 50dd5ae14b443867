// SPDX-License-Identifier: MIT
// The spline approximation on its own: checks of the stored spline with their report reasons,
// scaling and mirroring, and curves with many control points.
#include "drawing/SplineCurve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

using namespace dxfi;

namespace {

constexpr double kTol = 1968.5; // 0.005 mm in board units

double Distance(const std::vector<TCurvePiece>& pieces, TRealPoint p) {
    double best = HUGE_VAL;
    for (const TCurvePiece& c : pieces) {
        if (!c.Arc) {
            const double dx = c.End.X - c.Start.X, dy = c.End.Y - c.Start.Y;
            const double l2 = dx * dx + dy * dy;
            const double s =
                l2 > 0
                    ? std::clamp(((p.X - c.Start.X) * dx + (p.Y - c.Start.Y) * dy) / l2, 0.0, 1.0)
                    : 0.0;
            best = std::min(best, std::hypot(p.X - c.Start.X - s * dx, p.Y - c.Start.Y - s * dy));
            continue;
        }
        const double angle = std::fmod(
            std::atan2(p.Y - c.Centre.Y, p.X - c.Centre.X) * 180 / std::numbers::pi + 360, 360);
        double sweep = std::fmod(c.EndAngle - c.StartAngle + 360, 360);
        if (sweep == 0) sweep = 360;
        if (std::fmod(angle - c.StartAngle + 360, 360) <= sweep)
            best = std::min(best,
                            std::fabs(std::hypot(p.X - c.Centre.X, p.Y - c.Centre.Y) - c.Radius));
        else
            best = std::min({best, std::hypot(p.X - c.Start.X, p.Y - c.Start.Y),
                             std::hypot(p.X - c.End.X, p.Y - c.End.Y)});
    }
    return best;
}

// The largest distance from `samples` points along the curve (evaluated independently of the
// approximation) to the pieces, after scaling.
double Worst(const TSplineDefinition& s, const std::vector<TCurvePiece>& pieces, double sx,
             double sy, int samples = 4000) {
    double worst = 0;
    for (int i = 0; i <= samples; ++i) {
        TRealPoint p;
        EXPECT_TRUE(SplinePointAt(s, static_cast<double>(i) / samples, p));
        worst = std::max(worst, Distance(pieces, {p.X * sx, p.Y * sy}));
    }
    return worst;
}

TSplineDefinition Cubic(std::vector<TRealPoint> points) {
    TSplineDefinition s;
    s.Degree = 3;
    s.ControlPoints = std::move(points);
    return s;
}

std::string Reason(const TSplineDefinition& s) {
    std::vector<TCurvePiece> pieces;
    const std::string reason = ApproximateSpline(s, 1000, 1000, kTol, pieces);
    EXPECT_EQ(pieces.empty(), !reason.empty());
    return reason;
}

} // namespace

TEST(TSplineCurveTest, DegenerateSplinesGiveTheirReason) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    TSplineDefinition s = Cubic({{0, 0}, {1, 1}, {2, 0}, {3, 1}});
    EXPECT_EQ(Reason(s), "");

    TSplineDefinition none;
    EXPECT_EQ(Reason(none), "because it has no control points");
    TSplineDefinition t = s;
    t.Degree = 0;
    EXPECT_EQ(Reason(t), "because of invalid degree 0");
    t.Degree = 40;
    EXPECT_EQ(Reason(t), "because of invalid degree 40");
    t = s;
    t.ControlPoints.resize(3);
    EXPECT_EQ(Reason(t), "because it has 3 control points, fewer than degree 3 needs");
    t = s;
    t.Knots = {0, 0, 0, 1, 1, 1};
    EXPECT_EQ(Reason(t), "because its 6 knots do not fit degree 3 and 4 control points");
    t.Knots = {0, 0, 0, 0, 1, 1, 0.5, 1};
    EXPECT_EQ(Reason(t), "because its knots are not ascending");
    t.Knots = {0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Reason(t), "because it has zero length");
    t = s;
    t.Weights = {1, nan, 1, 1};
    EXPECT_EQ(Reason(t).rfind("because of invalid weight ", 0), 0u) << Reason(t);
    t.Weights = {1, -2, 1, 1};
    EXPECT_EQ(Reason(t), "because of invalid weight -2");
    t.Weights = {1, 1};
    EXPECT_EQ(Reason(t), "because its weights do not match its control points");
    t = s;
    t.ControlPoints[2].Y = std::numeric_limits<double>::infinity();
    EXPECT_EQ(Reason(t).rfind("because of invalid control point (", 0), 0u) << Reason(t);
    EXPECT_EQ(Reason(Cubic({{5, 5}, {5, 5}, {5, 5}, {5, 5}})), "because it has zero length");
    TSplineDefinition fit;
    fit.FitPoints = {{1, 1}, {1, 1}};
    EXPECT_EQ(Reason(fit), "because it has zero length");
    fit.FitPoints = {{1, 1}, {nan, 1}};
    EXPECT_EQ(Reason(fit).rfind("because of invalid fit point (", 0), 0u) << Reason(fit);
}

TEST(TSplineCurveTest, ScaledAndMirroredCurvesStayWithinTheTolerance) {
    const TSplineDefinition s =
        Cubic({{0, 0}, {10, 25}, {30, -10}, {45, 20}, {60, 0}, {70, 30}, {90, 5}});
    for (const auto& [sx, sy] : {std::pair{393701.0, 393701.0}, std::pair{-393701.0, 393701.0},
                                 std::pair{787402.0, 100000.0}, std::pair{10000.0, -10000.0}}) {
        std::vector<TCurvePiece> pieces;
        ASSERT_EQ(ApproximateSpline(s, sx, sy, kTol, pieces), "");
        EXPECT_LT(Worst(s, pieces, sx, sy), kTol) << sx << " x " << sy;
        // A chain from the first control point to the last, without gaps.
        EXPECT_NEAR(pieces.front().Start.X, 0, 1e-6);
        EXPECT_NEAR(pieces.back().End.X, 90 * sx, 1e-6);
        for (std::size_t i = 1; i < pieces.size(); ++i) {
            EXPECT_NEAR(pieces[i].Start.X, pieces[i - 1].End.X, 1e-3);
            EXPECT_NEAR(pieces[i].Start.Y, pieces[i - 1].End.Y, 1e-3);
        }
    }
}

TEST(TSplineCurveTest, KnotsMadeHereClampOpenSplinesAndWrapClosedOnes) {
    TSplineDefinition s = Cubic({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    std::vector<TCurvePiece> pieces;
    ASSERT_EQ(ApproximateSpline(s, 1e5, 1e5, kTol, pieces), "");
    EXPECT_NEAR(pieces.back().End.Y, 10 * 1e5, 1e-6) << "clamped: ends on the last point";
    s.Closed = true;
    ASSERT_EQ(ApproximateSpline(s, 1e5, 1e5, kTol, pieces), "");
    EXPECT_NEAR(pieces.back().End.X, pieces.front().Start.X, 1e-3);
    EXPECT_NEAR(pieces.back().End.Y, pieces.front().Start.Y, 1e-3);
    EXPECT_LT(Worst(s, pieces, 1e5, 1e5), kTol);
}

TEST(TSplineCurveTest, ManyControlPointsStayLinearAndWithinTheTolerance) {
    // A straight run of 100000 control points: tracks only, a few hundred at most.
    TSplineDefinition line;
    line.Degree = 1;
    for (int i = 0; i < 100000; ++i)
        line.ControlPoints.push_back({i * 0.01, 0});
    std::vector<TCurvePiece> pieces;
    ASSERT_EQ(ApproximateSpline(line, 393701, 393701, kTol, pieces), "");
    EXPECT_LE(pieces.size(), 100000u / 256);
    for (const TCurvePiece& c : pieces)
        EXPECT_FALSE(c.Arc);

    // A wave of 50000 cubic spans.
    TSplineDefinition wave;
    for (int i = 0; i < 50003; ++i)
        wave.ControlPoints.push_back({i * 0.5, (i % 2 ? 1.0 : -1.0) + 0.001 * i});
    ASSERT_EQ(ApproximateSpline(wave, 393701, 393701, kTol, pieces), "");
    EXPECT_LT(pieces.size(), 50000u * 8);
    // Measured over its first hundredth, against the pieces there.
    std::vector<TCurvePiece> first;
    for (const TCurvePiece& c : pieces)
        if (c.Start.X < 300 * 393701.0) first.push_back(c);
    double worst = 0;
    for (int i = 0; i <= 400; ++i) {
        TRealPoint p;
        ASSERT_TRUE(SplinePointAt(wave, i * 0.01 / 400, p));
        worst = std::max(worst, Distance(first, {p.X * 393701, p.Y * 393701}));
    }
    EXPECT_LT(worst, kTol);
}
