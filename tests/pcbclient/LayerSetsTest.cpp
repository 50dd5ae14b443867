// SPDX-License-Identifier: MIT
#include "pcbclient/LayerSets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace dxfi;

namespace {
std::vector<TV7_Layer> Layers(const TPCB_LayerSetBase& Set) {
    std::vector<TV7_Layer> Result;
    TLayerIterator It = Set.LayerIterator();
    while (It.Next())
        Result.push_back(It.Current());
    return Result;
}

std::string IterationError(const TPCB_LayerSetBase& Set) {
    try {
        Set.LayerIterator();
    } catch (const EPCB_LayerSetException& E) {
        return E.what();
    }
    return "(no EPCB_LayerSetException)";
}

class LayerSetTest : public ::testing::Test {
protected:
    TPCB_LayerSetBase Set = TLayerSetUtils::Instance().NewLayerSet();
};
} // namespace

TEST_F(LayerSetTest, StartsEmpty) {
    EXPECT_EQ(&TLayerSetUtils::Instance(), &TLayerSetUtils::Instance());
    EXPECT_TRUE(Set.IsEmpty());
    EXPECT_FALSE(Set.IsInfinite());
    EXPECT_FALSE(Set.Contains(TopLayer));
    EXPECT_TRUE(Layers(Set).empty());
}

TEST_F(LayerSetTest, IteratesInPartitionOrder) {
    Set.Include(MechanicalLayer(1));
    Set.Include(BottomLayer);
    Set.Include(TopLayer);
    EXPECT_EQ(Layers(Set), (std::vector<TV7_Layer>{TopLayer, BottomLayer, 57}));
}

TEST_F(LayerSetTest, SignalLayersInBoardOrderThenOtherPartitions) {
    for (TV7_Layer L : {TV7_Layer{0x01010028}, BottomLayer, TV7_Layer{5}, TopOverlay, NoLayer,
                        InternalPlaneLayer(17), InternalPlaneLayer(2), MechanicalLayer(20),
                        MechanicalLayer(3), TopLayer, TV7_Layer{5}, TopPadMaster, TV7_Layer{83}})
        Set.Include(L);
    EXPECT_EQ(Layers(Set),
              (std::vector<TV7_Layer>{TopLayer, 5, 0x01010028, BottomLayer,     // signal
                                      59, 0x04000014,                           // mechanical
                                      40, 0x01040011,                           // planes
                                      NoLayer, TopOverlay, 83, TopPadMaster})); // other
}

TEST_F(LayerSetTest, GroupsMakeTheSetInfinite) {
    Set.Include(TopLayer);
    Set.Include(AllLayers);
    EXPECT_TRUE(Set.IsInfinite());
    EXPECT_TRUE(Set.Contains(MechanicalLayer(300)));
    EXPECT_TRUE(Set.Contains(AllLayers));
    EXPECT_TRUE(Set.Partition(TPCB_LayerSetBase::spSignal).Included.empty());
    EXPECT_EQ(IterationError(Set), "Iterating an infinite layer set");

    TPCB_LayerSetBase Electrical;
    Electrical.Include(MechanicalLayer(2));
    Electrical.Include(ElectricalLayers);
    EXPECT_TRUE(Electrical.Contains(MidLayer(7)));
    EXPECT_TRUE(Electrical.Contains(InternalPlaneLayer(40)));
    EXPECT_TRUE(Electrical.Contains(MechanicalLayer(2)));
    EXPECT_FALSE(Electrical.Contains(MechanicalLayer(3)));
    EXPECT_FALSE(Electrical.Contains(TopOverlay));
    EXPECT_TRUE(Electrical.Contains(ElectricalLayers));
    EXPECT_FALSE(Electrical.Contains(AllLayers));
    EXPECT_EQ(IterationError(Electrical), "Iterating an infinite layer set");

    TPCB_LayerSetBase Mechanical;
    Mechanical.Include(MechanicalLayer(2));
    Mechanical.Include(MechanicalLayers);
    Mechanical.Include(MechanicalLayer(4)); // already covered: not listed again
    EXPECT_TRUE(Mechanical.Partition(TPCB_LayerSetBase::spMechanical).All);
    EXPECT_TRUE(Mechanical.Partition(TPCB_LayerSetBase::spMechanical).Included.empty());
    EXPECT_FALSE(Mechanical.Contains(TopLayer));
}

TEST_F(LayerSetTest, MidLayersExcludeTopAndBottomUnlessPresent) {
    Set.Include(MidLayers);
    EXPECT_FALSE(Set.Contains(TopLayer));
    EXPECT_FALSE(Set.Contains(BottomLayer));
    EXPECT_TRUE(Set.Contains(MidLayer(1)));
    EXPECT_TRUE(Set.Contains(MidLayer(39)));
    EXPECT_TRUE(Set.Contains(MidLayers));
    EXPECT_FALSE(Set.Contains(SignalLayers));
    Set.Include(TopLayer); // leaves the excluded layers
    EXPECT_TRUE(Set.Contains(TopLayer));
    EXPECT_FALSE(Set.Contains(BottomLayer));

    TPCB_LayerSetBase WithTop;
    WithTop.Include(TopLayer);
    WithTop.Include(MidLayers);
    EXPECT_TRUE(WithTop.Contains(TopLayer));
    EXPECT_FALSE(WithTop.Contains(BottomLayer));
}

TEST_F(LayerSetTest, ValuesOfNoKindAreRefused) {
    Set.Include(TopLayer);
    for (TV7_Layer Bad : {TV7_Layer{0x02000001}, TV7_Layer{0x01030000}, TV7_Layer{0x01030005}}) {
        try {
            Set.Include(Bad);
            ADD_FAILURE() << Bad;
        } catch (const ELayerException& E) {
            EXPECT_EQ(std::string(E.what()), "Could not find layer partition ID=" +
                                                 std::to_string(static_cast<int32_t>(Bad)));
        }
        EXPECT_FALSE(Set.Contains(Bad));
    }
    EXPECT_EQ(Layers(Set), (std::vector<TV7_Layer>{TopLayer}));
}

TEST_F(LayerSetTest, HoldsEverySignalLayerOnce) {
    for (int Pass = 0; Pass < 2; ++Pass)
        for (int64_t N = 1; N <= 65535; ++N)
            Set.Include(SignalLayer(N));
    const auto All = Layers(Set);
    ASSERT_EQ(All.size(), 65535u);
    EXPECT_EQ(All.front(), TopLayer);
    EXPECT_EQ(All[30], 31u);
    EXPECT_EQ(All[31], 0x01010020u);
    EXPECT_EQ(All[65533], 0x0101FFFEu);
    EXPECT_EQ(All.back(), BottomLayer);
}
