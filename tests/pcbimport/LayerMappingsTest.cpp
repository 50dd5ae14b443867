// SPDX-License-Identifier: MIT
#include "pcbimport/LayerMappings.h"
#include "base/Assertion.h"

#include <gtest/gtest.h>

using namespace dxfi;

TEST(ConversionCondition, NamesBothWays) {
    EXPECT_EQ(ConversionConditionName(ccAll), "All");
    EXPECT_EQ(ConversionConditionName(ccNone), "None");
    EXPECT_EQ(ConversionConditionName(ccSmallerThan), "Smaller Than");
    EXPECT_EQ(ConversionConditionName(ccLargerThan), "Larger Than");
    EXPECT_EQ(ConversionConditionName(4), "");
    EXPECT_EQ(ConversionConditionName(-1), "");
    EXPECT_EQ(ConversionConditionFromName("smaller than"), ccSmallerThan);
    EXPECT_EQ(ConversionConditionFromName("LARGER THAN"), ccLargerThan);
    EXPECT_EQ(ConversionConditionFromName("all"), ccAll);
    EXPECT_EQ(ConversionConditionFromName("Smaller"), ccNone);
    EXPECT_EQ(ConversionConditionFromName(""), ccNone);
}

TEST(LayerMappings, SortedCaseInsensitiveAndUnique) {
    TLayerMappings m;
    m.SetMapping("Outline", 57, ccAll, 300000.0);
    m.SetMapping("dim", 58, ccNone, 1.0);
    m.SetMapping("DIM", 59, ccLargerThan, 2.0); // same mapping, later values win
    m.SetMapping("Bolts", 0, ccSmallerThan, 3.0);
    ASSERT_EQ(m.Count(), 3);
    EXPECT_EQ(m.Name(0), "Bolts");
    EXPECT_EQ(m.Name(1), "dim");
    EXPECT_EQ(m.Name(2), "Outline");
    EXPECT_EQ(m.Layer(1), 59u);
    EXPECT_EQ(m.Condition(1), ccLargerThan);
    EXPECT_DOUBLE_EQ(m.Threshold(1), 2.0);
    EXPECT_EQ(m.IndexOf("OUTLINE"), 2);
    EXPECT_EQ(m.IndexOf("Outline2"), -1);
    EXPECT_EQ(m.LayerOf("outline"), 57u);
    EXPECT_EQ(m.LayerOf("missing"), 0u);
    EXPECT_THROW(m.Name(3), EAssertionFailure);
    EXPECT_THROW(m.Layer(-1), EAssertionFailure);
    m.Clear();
    EXPECT_EQ(m.Count(), 0);
}
