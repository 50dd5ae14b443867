// SPDX-License-Identifier: MIT
#include "drawing/DXFUtil.h"

#include "base/Assertion.h"
#include "base/Rounding.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace dxfi {

namespace {
constexpr const char* kModule = "DXFUtil";
constexpr long double kPi = 3.141592653589793238462643383279502884L;
} // namespace

TPoints::TPoints(int32_t InitialCapacity) {
    Reserve(InitialCapacity);
}

void TPoints::Reserve(int32_t N) {
    const int32_t Old = Capacity();
    if (Old >= N) return;
    const int32_t Doubled = Old > std::numeric_limits<int32_t>::max() / 2
                                ? std::numeric_limits<int32_t>::max()
                                : Old * 2;
    Points_.resize(static_cast<std::size_t>(std::max(N, Doubled)));
}

void TPoints::SetCount(int32_t N) {
    Reserve(N);
    Count_ = N;
}

void TPoints::Add(TBoardCoord X, TBoardCoord Y, TBoardCoord Width, double Bulge) {
    Assert(Count_ < std::numeric_limits<int32_t>::max(), kModule);
    const int32_t Index = std::max(Count_, 0);
    SetCount(Index + 1);
    TDXFPoint& P = Points_[static_cast<std::size_t>(Index)];
    P.X = X;
    P.Y = Y;
    P.Width = Width;
    P.Bulge = Bulge;
}

// Count <= capacity holds whenever Count is positive, so 0 <= I < Count keeps I in storage.
const TDXFPoint& TPoints::At(int32_t I) const {
    Assert(I >= 0 && I < Count_, kModule);
    return Points_[static_cast<std::size_t>(I)];
}

TDXFPoint& TPoints::At(int32_t I) {
    Assert(I >= 0 && I < Count_, kModule);
    return Points_[static_cast<std::size_t>(I)];
}

double RadToDeg(double R) {
    return static_cast<double>(R * 180.0L / kPi);
}

TRealPoint RotateVector(double Angle, double DX, double DY) {
    const long double A = Angle * 3.141592654L / 180.0L;
    const long double C = std::cos(A);
    const long double S = std::sin(A);
    return {static_cast<double>(DX * C - DY * S), static_cast<double>(DY * C + DX * S)};
}

TRealPoint RotatePoint(double Angle, TRealPoint P, TRealPoint C) {
    const TRealPoint V = RotateVector(Angle, P.X - C.X, P.Y - C.Y);
    return {V.X + C.X, V.Y + C.Y};
}

void RotateBoardPoint(TBoardCoord CX, TBoardCoord CY, TBoardCoord& PX, TBoardCoord& PY,
                      double Angle) {
    const TRealPoint R = RotatePoint(Angle, {static_cast<double>(PX), static_cast<double>(PY)},
                                     {static_cast<double>(CX), static_cast<double>(CY)});
    PX = RoundToInt32(R.X);
    PY = RoundToInt32(R.Y);
}

double VectorAngle(TRealPoint P0, TRealPoint P1) {
    if (P1.X == P0.X) return P1.Y > P0.Y ? 90 : 270;
    const double R = std::fabs(RadToDeg(std::atan((P1.Y - P0.Y) / (P1.X - P0.X))));
    if (P1.X < P0.X) return P1.Y < P0.Y ? 180 + R : 180 - R;
    if (P1.Y < P0.Y) {
        // A direction a hair below the X axis must not come out as 360.
        const double Angle = 360 - R;
        return Angle < 360 ? Angle : 0;
    }
    return R;
}

double PointDistance(TRealPoint P0, TRealPoint P1) {
    const double DX = P1.X - P0.X;
    const double DY = P1.Y - P0.Y;
    return std::sqrt(DX * DX + DY * DY);
}

} // namespace dxfi
