// SPDX-License-Identifier: MIT
// The growing array of board points through which polylines, multilines and ellipses travel
// from the entity conversions to the PCB side, and the angle and rotation helpers of the
// ellipse conversion. Index errors raise EAssertionFailure (module "DXFUtil").
#pragma once

#include "pcbclient/BoardUnits.h"

#include <cstdint>
#include <vector>

namespace dxfi {

struct TDXFPoint {
    TBoardCoord X = 0;
    TBoardCoord Y = 0;
    double Bulge = 0;      // tangent of a quarter of the included angle of the segment from here
    TBoardCoord Width = 0; // 0: the polyline's width
};

using TDXFPointArray = std::vector<TDXFPoint>;

// One array serves every polyline of an import: it is cleared, never shrunk, and grows by
// doubling, so the largest polyline decides its size. Clearing keeps the old element values.
class TPoints {
public:
    explicit TPoints(int32_t InitialCapacity = 0);
    virtual ~TPoints() = default;

    // Grows the capacity to the larger of N and twice the old capacity; never shrinks.
    void Reserve(int32_t N);
    // Reserve(N), then Count := N. A negative N is stored as it is: every user treats a
    // count below 1 as empty, and no accessor reaches an element then.
    void SetCount(int32_t N);
    void Clear() { SetCount(0); }
    // Appends a point; a negative count counts as empty first.
    void Add(TBoardCoord X, TBoardCoord Y, TBoardCoord Width, double Bulge);

    int32_t Count() const { return Count_; }
    int32_t Capacity() const { return static_cast<int32_t>(Points_.size()); }
    const TDXFPointArray& Points() const { return Points_; }

    // Point I must satisfy 0 <= I < Count; otherwise EAssertionFailure.
    TBoardCoord X(int32_t I) const { return At(I).X; }
    TBoardCoord Y(int32_t I) const { return At(I).Y; }
    double Bulge(int32_t I) const { return At(I).Bulge; }
    TBoardCoord Width(int32_t I) const { return At(I).Width; }
    void SetX(int32_t I, TBoardCoord Value) { At(I).X = Value; }
    void SetY(int32_t I, TBoardCoord Value) { At(I).Y = Value; }
    void SetBulge(int32_t I, double Value) { At(I).Bulge = Value; }
    void SetWidth(int32_t I, TBoardCoord Value) { At(I).Width = Value; }

private:
    const TDXFPoint& At(int32_t I) const;
    TDXFPoint& At(int32_t I);

    TDXFPointArray Points_; // its size is the capacity
    int32_t Count_ = 0;
};

struct TRealPoint {
    double X = 0;
    double Y = 0;
};

// Radians to degrees with pi in extended precision.
double RadToDeg(double R);

// Rotates (DX, DY) by Angle degrees counter-clockwise. The degree factor is 3.141592654/180,
// not the exact pi/180, so that rotated drawings keep their established coordinates.
TRealPoint RotateVector(double Angle, double DX, double DY);
// Rotates P about C by Angle degrees.
TRealPoint RotatePoint(double Angle, TRealPoint P, TRealPoint C);
// Rotates the board point (PX, PY) about (CX, CY) by Angle degrees, in place, each result
// rounded to the nearest unit (ties to even, saturating at the 32-bit range).
void RotateBoardPoint(TBoardCoord CX, TBoardCoord CY, TBoardCoord& PX, TBoardCoord& PY,
                      double Angle);

// Direction from P0 to P1 in degrees, in [0, 360); 270 when the points are equal.
double VectorAngle(TRealPoint P0, TRealPoint P1);
double PointDistance(TRealPoint P0, TRealPoint P1);

} // namespace dxfi
