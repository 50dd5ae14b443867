// SPDX-License-Identifier: MIT
#include "base/Assertion.h"
#include "drawing/PolyPoints.h"

#include <gtest/gtest.h>

#include <string>

using namespace dxfi;

namespace {
// The module and nothing else: the line changes with every edit.
void ExpectDXFUtilAssertion(const auto& Call) {
    try {
        Call();
        ADD_FAILURE() << "no assertion";
    } catch (const EAssertionFailure& E) {
        EXPECT_EQ(E.Module(), "DXFUtil");
        EXPECT_EQ(std::string(E.what()).rfind("Assertion failure (DXFUtil, line ", 0), 0u);
    }
}
} // namespace

TEST(PointsReserve, GrowsByDoublingAndNeverShrinks) {
    TPoints P(64);
    EXPECT_EQ(P.Capacity(), 64);
    EXPECT_EQ(P.Count(), 0);
    P.Reserve(10);
    EXPECT_EQ(P.Capacity(), 64);
    P.Reserve(65);
    EXPECT_EQ(P.Capacity(), 128);

    TPoints Q(64);
    Q.Reserve(200);
    EXPECT_EQ(Q.Capacity(), 200);
    Q.Reserve(-5);
    EXPECT_EQ(Q.Capacity(), 200);

    TPoints Empty;
    EXPECT_EQ(Empty.Capacity(), 0);
    Empty.Add(1, 2, 3, 0.25);
    EXPECT_EQ(Empty.Capacity(), 1);
    Empty.Add(1, 2, 3, 0.25);
    Empty.Add(1, 2, 3, 0.25);
    EXPECT_EQ(Empty.Capacity(), 4);
    EXPECT_EQ(Empty.Count(), 3);
}

TEST(PointsContents, AddSetsAllFourFieldsAndGrowsZeroed) {
    TPoints P(1);
    P.Add(10, -20, 30, 0.5);
    P.Add(11, 21, 0, -1.0);
    ASSERT_EQ(P.Count(), 2);
    EXPECT_EQ(P.X(0), 10);
    EXPECT_EQ(P.Y(0), -20);
    EXPECT_EQ(P.Width(0), 30);
    EXPECT_EQ(P.Bulge(0), 0.5);
    EXPECT_EQ(P.Bulge(1), -1.0);
    P.SetX(1, 7);
    P.SetY(1, 8);
    P.SetWidth(1, 9);
    P.SetBulge(1, 0.125);
    EXPECT_EQ(P.X(1), 7);
    EXPECT_EQ(P.Y(1), 8);
    EXPECT_EQ(P.Width(1), 9);
    EXPECT_EQ(P.Bulge(1), 0.125);
    P.SetCount(5); // new elements are zero
    ASSERT_EQ(P.Count(), 5);
    EXPECT_EQ(P.X(4), 0);
    EXPECT_EQ(P.Bulge(4), 0.0);
    EXPECT_EQ(P.X(1), 7);
}

TEST(PointsContents, ClearKeepsCapacityAndOldValues) {
    TPoints P(64);
    P.Add(3, 4, 5, 0.5);
    P.Clear();
    EXPECT_EQ(P.Count(), 0);
    EXPECT_EQ(P.Capacity(), 64);
    P.SetCount(1);
    ASSERT_EQ(P.Count(), 1);
    EXPECT_EQ(P.X(0), 3);
    EXPECT_EQ(P.Bulge(0), 0.5);
}

TEST(PointsIndex, OutOfRangeAsserts) {
    TPoints P(8);
    P.Add(1, 1, 0, 0);
    P.Add(2, 2, 0, 0);
    P.Add(3, 3, 0, 0);
    ExpectDXFUtilAssertion([&] { (void)P.X(3); });
    ExpectDXFUtilAssertion([&] { P.SetY(3, 0); });
    ExpectDXFUtilAssertion([&] { (void)P.Bulge(-1); });
    ExpectDXFUtilAssertion([&] { P.SetWidth(-1, 0); });
    // Index 3 lies inside the storage but beyond the count.
    EXPECT_GE(P.Capacity(), 4);
    ExpectDXFUtilAssertion([&] { (void)P.Width(3); });
    TPoints Empty;
    ExpectDXFUtilAssertion([&] { (void)Empty.Y(0); });
}

TEST(PointsNegativeCount, IsStoredButReachesNoElement) {
    TPoints P(4);
    P.SetCount(-3);
    EXPECT_EQ(P.Count(), -3);
    EXPECT_EQ(P.Capacity(), 4);
    ExpectDXFUtilAssertion([&] { (void)P.X(0); });
    ExpectDXFUtilAssertion([&] { (void)P.X(-4); });
    // Adding to a negative count starts from empty.
    P.Add(9, 9, 9, 0);
    ASSERT_EQ(P.Count(), 1);
    EXPECT_EQ(P.X(0), 9);
}

TEST(PolyPoints, CarriesPolylineFieldsUntouchedByTheArray) {
    const char* Layer = "OUTLINE";
    TPolyPoints P(64);
    EXPECT_EQ(P.Width, 0);
    EXPECT_EQ(P.LayerName, nullptr);
    EXPECT_FALSE(P.Closed);
    P.Width = 100;
    P.LayerName = Layer;
    P.Closed = true;
    P.Add(1, 2, 0, 0);
    P.Clear();
    EXPECT_EQ(P.Width, 100);
    EXPECT_EQ(P.LayerName, Layer);
    EXPECT_TRUE(P.Closed);
    EXPECT_EQ(P.Capacity(), 64);
}
