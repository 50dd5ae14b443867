// SPDX-License-Identifier: MIT
// The SPLINE conversion of TDXFProcessor: reads the spline's packed data from the engine and
// hands its approximation by tracks and arcs to the PCB side.
#include "drawing/DXFProcessor.h"

#include "base/Rounding.h"
#include "engine/Pad2.h"

#include <algorithm>
#include <cmath>

namespace dxfi {

namespace {

// Reads `count` values through `read`; false when the data ends first. Storage grows with
// what actually arrives, so a false count in a record costs no memory.
template <typename T, typename Read>
bool ReadValues(int32_t count, std::vector<T>& out, Read read) {
    out.clear();
    out.reserve(static_cast<std::size_t>(std::min(count, 4096)));
    for (int32_t i = 0; i < count; ++i) {
        T value{};
        if (!read(value)) return false;
        out.push_back(value);
    }
    return true;
}

} // namespace

bool TDXFProcessor::GetSpline(const TEntityHeader& h, TEntityData& d,
                              std::vector<TSplinePiece>& pieces, const char*& layer) {
    pieces.clear();
    const TPad2Functions& eda = Pad2();
    TSplineDefinition spline;
    spline.Degree = d.ReadI16(abi::SplineData::Degree);
    const uint16_t flags = d.ReadU16(abi::SplineData::Flags);
    spline.Closed = (flags & (abi::SplineData::FlagClosed | abi::SplineData::FlagPeriodic)) != 0;
    const uint8_t tangents = d.ReadU8(abi::SplineData::Tangents);
    const TRecordPoint start = d.ReadPoint(abi::SplineData::StartTangent);
    const TRecordPoint end = d.ReadPoint(abi::SplineData::EndTangent);
    spline.HasStartTangent = (tangents & abi::SplineData::TangentStart) != 0;
    spline.HasEndTangent = (tangents & abi::SplineData::TangentEnd) != 0;
    spline.StartTangent = TRealPoint{start.X, start.Y};
    spline.EndTangent = TRealPoint{end.X, end.Y};
    const int32_t knots = d.ReadI32(abi::SplineData::KnotCount);
    const int32_t controls = d.ReadI32(abi::SplineData::ControlCount);
    const int32_t weights = d.ReadI32(abi::SplineData::WeightCount);
    const int32_t fits = d.ReadI32(abi::SplineData::FitCount);

    std::string reason;
    if (flags & abi::SplineData::FlagNotRead) {
        reason = "because its curve is not read from DWG files yet; save the drawing as DXF to "
                 "import it";
    } else if (knots < 0 || controls < 0 || weights < 0 || fits < 0) {
        reason = "because its data is malformed";
    } else {
        const abi::TBlobReader reader = eda.StartBlobRead(d.ReadU32(abi::SplineData::BlobRef));
        const auto readDouble = [&](double& v) { return eda.ReadBlobDouble(reader, &v) != 0; };
        const auto readPoint = [&](TRealPoint& p) {
            double xyz[3] = {0.0, 0.0, 0.0};
            const bool ok = eda.ReadBlob3Double(reader, xyz) != 0;
            p = TRealPoint{xyz[0], xyz[1]};
            return ok;
        };
        const bool complete = ReadValues(knots, spline.Knots, readDouble) &&
                              ReadValues(controls, spline.ControlPoints, readPoint) &&
                              ReadValues(weights, spline.Weights, readDouble) &&
                              ReadValues(fits, spline.FitPoints, readPoint);
        eda.EndBlobRead(reader);
        if (!complete) reason = "because its data ends early";
    }

    std::vector<TCurvePiece> curve;
    const double scaleX = ScaleX() / DrawingScale();
    const double scaleY = ScaleY() / DrawingScale();
    if (reason.empty()) reason = ApproximateSpline(spline, scaleX, scaleY, kSplineTolerance, curve);
    if (!reason.empty()) {
        DiscardEntity(h, reason);
        EntitiesDiscarded = true;
        return false;
    }
    // The drawing's extents come from a flattening of the curve at best: a curve point beyond
    // them by no more than the tolerance counts as on them.
    const double slack =
        ScaleX() != 0.0 ? kSplineTolerance * DrawingScale() / std::fabs(ScaleX()) : 0.0;
    const auto pull = [slack](double v, double lo, double hi) {
        return (v < lo && lo - v <= slack) ? lo : (v > hi && v - hi <= slack) ? hi : v;
    };
    for (const TCurvePiece& c : curve)
        for (const TRealPoint& p : {c.DrawingStart, c.DrawingEnd})
            if (!InValidArea(pull(p.X, ValidArea.MinX, ValidArea.MaxX),
                             pull(p.Y, ValidArea.MinY, ValidArea.MaxY))) {
                DiscardInvalidPoint(h, "vertex coordinates", p.X, p.Y);
                return false;
            }

    pieces.reserve(curve.size());
    for (const TCurvePiece& c : curve) {
        TSplinePiece piece;
        piece.Arc = c.Arc;
        piece.X1 = RoundToInt32(c.Start.X);
        piece.Y1 = RoundToInt32(c.Start.Y);
        piece.X2 = RoundToInt32(c.End.X);
        piece.Y2 = RoundToInt32(c.End.Y);
        if (c.Arc) {
            piece.CX = RoundToInt32(c.Centre.X);
            piece.CY = RoundToInt32(c.Centre.Y);
            piece.Radius = RoundToInt32(c.Radius);
            piece.StartAngle = c.StartAngle;
            piece.EndAngle = c.EndAngle;
        }
        pieces.push_back(piece);
    }
    layer = EntityLayerName(h.LayerHandle());
    return true;
}

} // namespace dxfi
