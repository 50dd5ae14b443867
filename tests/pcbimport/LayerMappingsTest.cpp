// SPDX-License-Identifier: MIT
#include "pcbimport/LayerMappings.h"
#include "base/Assertion.h"
#include "pcbimport/LayerLookup.h"

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

TEST(LayerMappings, EveryChangeGivesANewStampAndCopiesKeepTheirs) {
    TLayerMappings a;
    const uint64_t empty = a.Stamp();
    a.SetMapping("A", 57, ccAll, 1.0);
    const uint64_t one = a.Stamp();
    EXPECT_NE(one, empty);
    a.SetMapping("a", 58, ccAll, 1.0); // the same name: still a change of content
    EXPECT_NE(a.Stamp(), one);
    const TLayerMappings copy = a;
    EXPECT_EQ(copy.Stamp(), a.Stamp());
    TLayerMappings b;
    b.SetMapping("A", 57, ccAll, 1.0); // same content as `a` once had, another history
    EXPECT_NE(b.Stamp(), one);
    a.Clear();
    EXPECT_NE(a.Stamp(), copy.Stamp());
    EXPECT_NE(a.Stamp(), empty);
}

TEST(LayerLookup, AnswersWhatTheTableAnswersThroughEveryChange) {
    TLayerMappings m;
    m.SetMapping("M", 57, ccAll, 1.0);
    m.SetMapping("Z", 58, ccAll, 1.0);
    TLayerLookup lookup;
    const dxfi::abi::TObjectHandle layerZ = 0x2A, layerM = 0x2B;

    TLayerLookup::TAnswer z = lookup.Find(m, 1, layerZ, "Z");
    EXPECT_EQ(z.Index, 1);
    ASSERT_NE(z.Noted, nullptr);
    EXPECT_FALSE(*z.Noted);
    *z.Noted = true;
    EXPECT_EQ(lookup.Find(m, 1, layerM, "M").Index, 0);
    z = lookup.Find(m, 1, layerZ, "Z");
    EXPECT_EQ(z.Index, 1);
    EXPECT_TRUE(*z.Noted); // kept with the answer

    // A name sorted before both moves their indexes: the kept answers are dropped.
    m.SetMapping("A", 59, ccAll, 1.0);
    z = lookup.Find(m, 1, layerZ, "Z");
    EXPECT_EQ(z.Index, 2);
    EXPECT_FALSE(*z.Noted);
    EXPECT_EQ(lookup.Find(m, 1, layerM, "M").Index, 1);

    // The same handle under another name (another drawing, or a buffer written by hand), and
    // names the table lacks.
    EXPECT_EQ(lookup.Find(m, 1, layerZ, "a").Index, 0);
    EXPECT_EQ(lookup.Find(m, 1, layerZ, "Missing").Index, -1);
    EXPECT_EQ(lookup.Find(m, 2, layerZ, "Z").Index, 2);
    EXPECT_EQ(lookup.Find(m, 2, 0, "").Index, -1);

    m.Clear();
    EXPECT_EQ(lookup.Find(m, 2, layerZ, "Z").Index, -1);
}
