// SPDX-License-Identifier: MIT
// Splines as tracks and arcs: a spline given by degree, knots, control points and weights (or
// by fit points alone) is checked, scaled into board units and approximated by arcs (pairs of
// tangent arcs where they fit) and straight pieces, all within a tolerance of the true curve.
// Time and memory are linear in the number of control points: the curve is sampled span by
// span and fitted through a window of samples.
//
// Failures are results: a spline that cannot be drawn gives the reason for its report line.
#pragma once

#include "drawing/DXFUtil.h"

#include <string>
#include <vector>

namespace dxfi {

// A spline as the drawing stores it, in drawing units.
struct TSplineDefinition {
    int Degree = 3;
    bool Closed = false;
    std::vector<double> Knots;             // empty: uniform, made here
    std::vector<TRealPoint> ControlPoints; // empty: interpolate the fit points
    std::vector<double> Weights;           // empty: all 1
    std::vector<TRealPoint> FitPoints;
    bool HasStartTangent = false;
    bool HasEndTangent = false;
    TRealPoint StartTangent;
    TRealPoint EndTangent;
};

// One piece of the approximation, in board units, in the curve's order: from Start to End,
// a straight track or an arc. Arc angles are in degrees, counter-clockwise from StartAngle to
// EndAngle (a whole circle is 0 to 360); Start and End are then the arc's ends in curve order.
struct TCurvePiece {
    bool Arc = false;
    TRealPoint Start;
    TRealPoint End;
    TRealPoint DrawingStart; // Start and End in drawing units
    TRealPoint DrawingEnd;
    TRealPoint Centre;
    double Radius = 0.0;
    double StartAngle = 0.0;
    double EndAngle = 0.0;
};

// The largest degree accepted.
inline constexpr int kMaxSplineDegree = 31;

// Board units per drawing unit along X and Y (an insert's scales included; negative mirrors).
// `tolerance` is the largest distance allowed between the curve and its pieces, in board
// units. On success returns an empty text and fills `pieces`; otherwise returns the reason
// for the report line ("because ...") and leaves `pieces` empty.
std::string ApproximateSpline(const TSplineDefinition& spline, double scaleX, double scaleY,
                              double tolerance, std::vector<TCurvePiece>& pieces);

// The curve's point at parameter fraction `f` (0 start, 1 end) of its domain, in drawing
// units, or false when the spline is not valid. For tests and diagnostics.
bool SplinePointAt(const TSplineDefinition& spline, double f, TRealPoint& point);

} // namespace dxfi
