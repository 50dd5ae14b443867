// SPDX-License-Identifier: MIT
#include "base/Rounding.h"
#include "base/Assertion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace dxfi;

TEST(Rounding, TiesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundToInt32(0.5L), 0);
    EXPECT_EQ(RoundToInt32(1.5L), 2);
    EXPECT_EQ(RoundToInt32(2.5L), 2);
    EXPECT_EQ(RoundToInt32(-2.5L), -2);
    EXPECT_EQ(RoundToInt32(-3.5L), -4);
    EXPECT_EQ(RoundToInt32(2.4999L), 2);
}

TEST(Rounding, OutOfRangeAndNonNumbersSaturate) {
    const auto inf = std::numeric_limits<long double>::infinity();
    EXPECT_EQ(RoundToInt32(std::nanl("")), 0);
    EXPECT_EQ(RoundToInt32(inf), INT32_MAX);
    EXPECT_EQ(RoundToInt32(-inf), INT32_MIN);
    EXPECT_EQ(RoundToInt32(1e20L), INT32_MAX);
    EXPECT_EQ(RoundToInt32(-1e20L), INT32_MIN);
    EXPECT_EQ(RoundToInt32(2147483647.4L), INT32_MAX);
    EXPECT_EQ(TruncToInt32(-7.9L), -7);
    EXPECT_EQ(SaturatingAdd(INT32_MAX, 1), INT32_MAX);
    EXPECT_EQ(SaturatingSub(INT32_MIN, 1), INT32_MIN);
    EXPECT_EQ(SaturatingSub(5, 7), -2);
}

TEST(Rounding, ValuesAtTheLimitsKeepTheirRule) {
    const auto inf = std::numeric_limits<long double>::infinity();
    EXPECT_EQ(RoundToInt32(2147483646.5L), 2147483646);
    EXPECT_EQ(RoundToInt32(-2147483647.5L), INT32_MIN);
    EXPECT_EQ(RoundToInt32(-2147483646.5L), -2147483646);
    EXPECT_EQ(RoundToInt32(-0.5L), 0);
    EXPECT_EQ(RoundToInt64(9.3e18L), INT64_MAX);
    EXPECT_EQ(RoundToInt64(-inf), INT64_MIN);
    EXPECT_EQ(RoundToInt64(std::nanl("")), 0);
    EXPECT_EQ(RoundToInt64(4503599627370497.5L), 4503599627370498);
    EXPECT_EQ(TruncToInt32(std::nanl("")), 0);
    EXPECT_EQ(TruncToInt32(2147483647.9L), INT32_MAX);
    EXPECT_EQ(TruncToInt32(-2147483648.9L), INT32_MIN);
    EXPECT_EQ(TruncToInt32(-inf), INT32_MIN);
    EXPECT_EQ(SaturatingAdd(INT32_MIN, -1), INT32_MIN);
    EXPECT_EQ(SaturatingAdd(INT32_MAX, INT32_MIN), -1);
    EXPECT_EQ(SaturatingSub(INT32_MAX, -1), INT32_MAX);
    EXPECT_EQ(SaturatingSub(0, INT32_MIN), INT32_MAX);
}

TEST(Assertion, CarriesModuleAndLine) {
    try {
        Assert(false, "DXFProcessor");
        FAIL();
    } catch (const EAssertionFailure& e) {
        EXPECT_EQ(e.Module(), "DXFProcessor");
        EXPECT_GT(e.Line(), 0);
        EXPECT_EQ(std::string(e.what()).rfind("Assertion failure (DXFProcessor, line ", 0), 0u);
    }
    EXPECT_NO_THROW(Assert(true, "X"));
}
