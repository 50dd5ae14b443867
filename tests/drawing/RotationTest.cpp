// SPDX-License-Identifier: MIT
#include "drawing/DXFUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

using namespace dxfi;

TEST(RadToDeg, UsesFullPrecisionPi) {
    EXPECT_EQ(RadToDeg(0), 0.0);
    EXPECT_DOUBLE_EQ(RadToDeg(M_PI), 180.0);
    EXPECT_DOUBLE_EQ(RadToDeg(-M_PI / 4), -45.0);
}

TEST(RotateVector, UsesTheRoundedDegreeFactor) {
    // 90 * 3.141592654 / 180 overshoots pi/2 by about 2.05e-10 rad.
    const TRealPoint R = RotateVector(90, 1e6, 0);
    EXPECT_NEAR(R.X, -1e6 * 2.0510338e-10, 1e-10);
    EXPECT_NEAR(R.Y, 1e6, 1e-6);
    const TRealPoint Q = RotateVector(180, 2, 3);
    EXPECT_NEAR(Q.X, -2, 1e-8);
    EXPECT_NEAR(Q.Y, -3, 1e-8);
    const TRealPoint Z = RotateVector(0, 2, 3);
    EXPECT_EQ(Z.X, 2.0);
    EXPECT_EQ(Z.Y, 3.0);
}

TEST(RotatePoint, RotatesAboutTheCentre) {
    const TRealPoint R = RotatePoint(90, {11, 5}, {10, 5});
    EXPECT_NEAR(R.X, 10, 1e-8);
    EXPECT_NEAR(R.Y, 6, 1e-8);
}

TEST(RotateBoardPoint, RoundsToNearestUnit) {
    int32_t X = 10, Y = 0;
    RotateBoardPoint(0, 0, X, Y, 90);
    EXPECT_EQ(X, 0);
    EXPECT_EQ(Y, 10);

    X = 20, Y = 10;
    RotateBoardPoint(10, 10, X, Y, -90);
    EXPECT_EQ(X, 10);
    EXPECT_EQ(Y, 0);

    // A large radius shows the rounded factor: 1e9 * 2.05e-10 rounds to 0 only barely.
    X = 1000000000, Y = 0;
    RotateBoardPoint(0, 0, X, Y, 90);
    EXPECT_EQ(X, 0);
    EXPECT_EQ(Y, 1000000000);

    // Results beyond 32 bits saturate instead of overflowing.
    X = INT32_MAX, Y = INT32_MAX;
    RotateBoardPoint(INT32_MIN, INT32_MIN, X, Y, 45);
    EXPECT_EQ(Y, INT32_MAX);
}

TEST(VectorAngle, QuadrantsAndDegenerateCases) {
    EXPECT_EQ(VectorAngle({0, 0}, {0, 0}), 270.0);
    EXPECT_EQ(VectorAngle({0, 0}, {0, 5}), 90.0);
    EXPECT_EQ(VectorAngle({0, 0}, {0, -5}), 270.0);
    EXPECT_DOUBLE_EQ(VectorAngle({0, 0}, {-1, -1}), 225.0);
    EXPECT_DOUBLE_EQ(VectorAngle({0, 0}, {1, -1}), 315.0);
    EXPECT_DOUBLE_EQ(VectorAngle({0, 0}, {1, 1}), 45.0);
    EXPECT_DOUBLE_EQ(VectorAngle({0, 0}, {-1, 1}), 135.0);
    EXPECT_EQ(VectorAngle({0, 0}, {1, 0}), 0.0);
    EXPECT_EQ(VectorAngle({0, 0}, {-1, 0}), 180.0);
    EXPECT_DOUBLE_EQ(VectorAngle({5, 5}, {6, 5 + std::sqrt(3.0)}), 60.0);
    // A hair below the X axis stays below 360.
    const double Tiny = VectorAngle({0, 0}, {1e20, -1});
    EXPECT_GE(Tiny, 0.0);
    EXPECT_LT(Tiny, 360.0);
}

TEST(PointDistance, Euclidean) {
    EXPECT_EQ(PointDistance({1, 1}, {4, 5}), 5.0);
    EXPECT_EQ(PointDistance({-3, 0}, {-3, 0}), 0.0);
    EXPECT_EQ(PointDistance({0, 0}, {2147483647.0, 0}), 2147483647.0);
}
