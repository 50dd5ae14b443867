// SPDX-License-Identifier: MIT
#include "pcbclient/Layers.h"
#include "base/Assertion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

using namespace dxfi;

namespace {
// What `Call` throws as a TException, as `Read` tells it; `None` when it throws nothing.
template <typename TException, typename F, typename TRead>
std::string Thrown(F&& Call, TRead Read, const char* None) {
    try {
        Call();
    } catch (const TException& E) {
        return Read(E);
    }
    return None;
}

template <typename F> std::string LayerError(F&& Call) {
    return Thrown<ELayerException>(
        Call, [](const ELayerException& E) { return E.what(); }, "(no ELayerException)");
}

template <typename F> std::string AssertionModule(F&& Call) {
    return Thrown<EAssertionFailure>(
        Call, [](const EAssertionFailure& E) { return E.Module(); }, "(no assertion)");
}

constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kInt64Min = std::numeric_limits<int64_t>::min();
} // namespace

TEST(LayerConstructors, SignalAndMidLayers) {
    EXPECT_EQ(SignalLayer(1), TopLayer);
    EXPECT_EQ(SignalLayer(65535), BottomLayer);
    EXPECT_EQ(SignalLayer(2), 2u);
    EXPECT_EQ(SignalLayer(31), 31u);
    EXPECT_EQ(SignalLayer(32), 0x01010020u);
    EXPECT_EQ(SignalLayer(65534), 0x0101FFFEu);
    EXPECT_EQ(SignalLayer(0), SignalLayers);
    EXPECT_EQ(LayerError([] { SignalLayer(65536); }), "Creating SignalLayer(65536)");
    EXPECT_EQ(LayerError([] { SignalLayer(-1); }), "Creating SignalLayer(-1)");
    EXPECT_EQ(LayerError([] { SignalLayer(kInt64Min); }),
              "Creating SignalLayer(-9223372036854775808)");

    EXPECT_EQ(MidLayer(0), TopLayer);
    EXPECT_EQ(MidLayer(1), 2u);
    EXPECT_EQ(MidLayer(30), 31u);
    EXPECT_EQ(MidLayer(31), 0x01010020u);
    EXPECT_EQ(MidLayer(65534), BottomLayer);
    EXPECT_EQ(MidLayer(-1), SignalLayers);
    EXPECT_EQ(LayerError([] { MidLayer(65535); }), "Creating SignalLayer(65536)");
    EXPECT_EQ(LayerError([] { MidLayer(-2); }), "Creating SignalLayer(-1)");
    EXPECT_EQ(LayerError([] { MidLayer(kInt64Max); }), "Creating SignalLayer(9223372036854775808)");
    EXPECT_EQ(LayerError([] { MidLayer(kInt64Min); }),
              "Creating SignalLayer(-9223372036854775807)");
}

TEST(LayerConstructors, PlanesAndMechanicalLayers) {
    EXPECT_EQ(InternalPlaneLayer(1), 39u);
    EXPECT_EQ(InternalPlaneLayer(16), 54u);
    EXPECT_EQ(InternalPlaneLayer(17), 0x01040011u);
    EXPECT_EQ(InternalPlaneLayer(65535), 0x0104FFFFu);
    EXPECT_EQ(LayerError([] { InternalPlaneLayer(0); }), "Creating InternalPlaneLayer(0)");
    EXPECT_EQ(LayerError([] { InternalPlaneLayer(-5); }), "Creating InternalPlaneLayer(-5)");
    EXPECT_EQ(LayerError([] { InternalPlaneLayer(65536); }), "Creating InternalPlaneLayer(65536)");

    EXPECT_EQ(MechanicalLayer(1), 57u);
    EXPECT_EQ(MechanicalLayer(16), 72u);
    EXPECT_EQ(MechanicalLayer(17), 0x04000011u);
    EXPECT_EQ(MechanicalLayer(65535), 0x0400FFFFu);
    EXPECT_EQ(LayerError([] { MechanicalLayer(0); }), "Creating MechanicalLayer(0)");
    EXPECT_EQ(LayerError([] { MechanicalLayer(65536); }), "Creating MechanicalLayer(65536)");
    EXPECT_EQ(LayerError([] { MechanicalLayer(kInt64Max); }),
              "Creating MechanicalLayer(9223372036854775807)");
}

TEST(LayerPartitions, CountsAndLayers) {
    EXPECT_EQ(PartitionLayerCount(2), 30);
    EXPECT_EQ(PartitionLayerCount(4), 16);
    EXPECT_EQ(PartitionLayerCount(5), 32);
    EXPECT_EQ(PartitionLayerCount(0), 1);
    EXPECT_EQ(PartitionLayerCount(26), 1);
    EXPECT_EQ(PartitionLayer(2, 30), 31u);
    EXPECT_EQ(PartitionLayer(4, 2), 40u);
    EXPECT_EQ(PartitionLayer(5, 17), 0x04000011u);
    EXPECT_EQ(PartitionLayer(13, 99), KeepOutLayer);
    EXPECT_EQ(PartitionLayer(26, 1), DRCDetails);
    EXPECT_EQ(LayerError([] { PartitionLayer(5, 0); }), "Creating MechanicalLayer(0)");
    EXPECT_EQ(AssertionModule([] { PartitionLayer(27, 1); }), "RT_PCBProcs");
}

TEST(LayerPartitions, PartitionOfEveryKind) {
    const std::pair<TV7_Layer, int> Cases[] = {
        {NoLayer, 0},
        {TopLayer, 1},
        {2, 2},
        {31, 2},
        {0x01010028, 2},
        {BottomLayer, 3},
        {39, 4},
        {0x01040011, 4},
        {57, 5},
        {0x0400FFFF, 5},
        {TopOverlay, 6},
        {BottomSolder, 11},
        {DrillGuide, 12},
        {KeepOutLayer, 13},
        {DrillDrawing, 14},
        {MultiLayer, 15},
        {ConnectLayer, 16},
        {ViaHoleLayer, 23},
        {TopPadMaster, 24},
        {BottomPadMaster, 25},
        {DRCDetails, 26},
    };
    for (const auto& [Layer, Partition] : Cases)
        EXPECT_EQ(LayerPartitionOf(Layer), Partition) << Layer;
    EXPECT_EQ(LayerError([] { LayerPartitionOf(AllLayers); }),
              "Could not find layer partition ID=-65536");
    EXPECT_EQ(LayerError([] { LayerPartitionOf(ElectricalLayers); }),
              "Could not find layer partition ID=16777216");
    EXPECT_EQ(LayerError([] { LayerPartitionOf(MidLayers); }),
              "Could not find layer partition ID=16908288");
    // Values that encode no layer at all.
    EXPECT_EQ(LayerError([] { LayerPartitionOf(83); }), "Could not find layer partition ID=83");
    EXPECT_EQ(LayerError([] { LayerPartitionOf(0x00010001); }),
              "Could not find layer partition ID=65537");
    EXPECT_EQ(LayerError([] { LayerPartitionOf(0xFFFFFFFF); }),
              "Could not find layer partition ID=-1");
}

TEST(LayerPartitions, IndexAndTests) {
    EXPECT_EQ(LayerIndexOf(TopLayer), 1u);
    EXPECT_EQ(LayerIndexOf(2), 2u);
    EXPECT_EQ(LayerIndexOf(BottomLayer), 65535u);
    EXPECT_EQ(LayerIndexOf(0x01010028), 40u);
    EXPECT_EQ(LayerIndexOf(40), 2u);
    EXPECT_EQ(LayerIndexOf(60), 4u);
    EXPECT_EQ(LayerIndexOf(0x04000011), 17u);
    EXPECT_EQ(LayerIndexOf(TopOverlay), 6u);
    EXPECT_EQ(LayerIndexOf(DRCDetails), 26u);
    EXPECT_EQ(LayerIndexOf(NoLayer), 0u);
    EXPECT_EQ(LayerIndexOf(SignalLayers), 0u);
    EXPECT_EQ(LayerIndexOf(AllLayers), 0u);
    EXPECT_EQ(LayerError([] { LayerIndexOf(83); }), "Could not find layer partition ID=83");

    EXPECT_TRUE(IsNoLayer(NoLayer));
    EXPECT_FALSE(IsNoLayer(TopLayer));
    for (TV7_Layer L : {TopLayer, TV7_Layer{2}, BottomLayer, TV7_Layer{39}, TV7_Layer{0x04000011},
                        TopOverlay, KeepOutLayer, MultiLayer})
        EXPECT_TRUE(IsDesignLayer(L)) << L;
    for (TV7_Layer L : {NoLayer, ConnectLayer, ViaHoleLayer, TopPadMaster, AllLayers, SignalLayers,
                        TV7_Layer{83}, TV7_Layer{0x02000001}})
        EXPECT_FALSE(IsDesignLayer(L)) << L;
}

TEST(ClassicLayers, InverseConversionsAndNames) {
    for (int I = 0; I < kClassicLayerCount; ++I) {
        const auto C = static_cast<TClassicLayer>(I);
        EXPECT_EQ(ClassicToLayer(C), static_cast<TV7_Layer>(I));
        EXPECT_EQ(LayerToClassic(ClassicToLayer(C)), C) << I;
        EXPECT_FALSE(ClassicLayerName(C).empty());
        EXPECT_LE(ClassicLayerName(C).size(), kClassicLayerNameMax);
    }
    EXPECT_EQ(ClassicToLayer(TClassicLayer{83}), NoLayer);
    EXPECT_EQ(ClassicToLayer(TClassicLayer{255}), NoLayer);
    EXPECT_EQ(ClassicLayerName(TClassicLayer::NoLayer), "NoLayer");
    EXPECT_EQ(ClassicLayerName(TClassicLayer{31}), "MidLayer30");
    EXPECT_EQ(ClassicLayerName(TClassicLayer{32}), "BottomLayer");
    EXPECT_EQ(ClassicLayerName(TClassicLayer{38}), "BottomSolder");
    EXPECT_EQ(ClassicLayerName(TClassicLayer{54}), "InternalPlane16");
    EXPECT_EQ(ClassicLayerName(TClassicLayer{56}), "KeepOutLayer");
    EXPECT_EQ(ClassicLayerName(TClassicLayer{72}), "Mechanical16");
    EXPECT_EQ(ClassicLayerName(TClassicLayer{80}), "GridColor10");
    EXPECT_EQ(ClassicLayerName(TClassicLayer::ViaHoleLayer), "ViaHoleLayer");
    EXPECT_EQ(ClassicLayerName(TClassicLayer{83}), "");
    EXPECT_EQ(static_cast<int>(TClassicLayer::Mechanical1), 57);
}

TEST(ClassicLayers, LayersWithoutClassicNumberStop) {
    EXPECT_EQ(LayerError([] { LayerToClassic(MechanicalLayer(17)); }),
              "TV7_Layer.Implicit(Mechanical Layer 17)");
    EXPECT_EQ(LayerError([] { LayerToClassic(InternalPlaneLayer(17)); }),
              "TV7_Layer.Implicit(Internal Plane 17)");
    EXPECT_EQ(LayerError([] { LayerToClassic(MidLayer(31)); }), "TV7_Layer.Implicit(Mid Layer 31)");
    EXPECT_EQ(LayerError([] { LayerToClassic(TopPadMaster); }),
              "TV7_Layer.Implicit(Top Pad Master)");
    EXPECT_EQ(LayerError([] { LayerToClassic(DRCDetails); }), "TV7_Layer.Implicit(DRC Details)");
    EXPECT_EQ(LayerError([] { LayerToClassic(AllLayers); }),
              "Could not find layer partition ID=-65536");
}

TEST(ClassicLayers, ClampingForHostFields) {
    EXPECT_EQ(ClampToClassicLayer(MechanicalLayer(20)), TClassicLayer::Mechanical16);
    EXPECT_EQ(ClampToClassicLayer(MechanicalLayer(3)), TClassicLayer::Mechanical3);
    EXPECT_EQ(ClampToClassicLayer(MidLayer(30)), TClassicLayer::MidLayer30);
    EXPECT_EQ(ClampToClassicLayer(MidLayer(31)), TClassicLayer::MidLayer30);
    EXPECT_EQ(ClampToClassicLayer(MidLayer(65533)), TClassicLayer::MidLayer30);
    EXPECT_EQ(ClampToClassicLayer(BottomLayer), TClassicLayer::BottomLayer);
    EXPECT_EQ(ClampToClassicLayer(InternalPlaneLayer(17)), TClassicLayer::InternalPlane16);
    EXPECT_EQ(ClampToClassicLayer(NoLayer), TClassicLayer::NoLayer);
    EXPECT_EQ(ClampToClassicLayer(ViaHoleLayer), TClassicLayer::ViaHoleLayer);
    EXPECT_EQ(AssertionModule([] { ClampToClassicLayer(AllLayers); }), "RT_PCBProcs");
    EXPECT_EQ(AssertionModule([] { ClampToClassicLayer(83); }), "RT_PCBProcs");
    EXPECT_EQ(LayerError([] { ClampToClassicLayer(TopPadMaster); }),
              "TV7_Layer.Implicit(Top Pad Master)");
}

TEST(LayerNames, DisplayAndViewNames) {
    const std::pair<TV7_Layer, const char*> DisplayNames[] = {
        {2, "Mid Layer 1"},
        {BottomLayer, "Bottom Layer"},
        {0x01010028, "Mid Layer 39"},
        {MechanicalLayer(17), "Mechanical Layer 17"},
        {59, "Mechanical Layer 3"},
        {39, "Internal Plane 1"},
        {TopSolder, "Top Solder Mask"},
        {NoLayer, "No Layer"},
        {BackGroundLayer, "BackGround"},
        {DRCDetails, "DRC Details"},
        {AllLayers, "All Layers"},
        {ElectricalLayers, "Electrical Layers"},
        {SignalLayers, "Signal Layers"},
        {MidLayers, "Mid Layers"},
        {InternalPlaneLayers, "Internal Plane Layers"},
        {MechanicalLayers, "Mechanical Layers"}};
    for (const auto& [Layer, Name] : DisplayNames)
        EXPECT_EQ(LayerDisplayName(Layer), Name) << Layer;
    EXPECT_EQ(LayerError([] { LayerDisplayName(0x02000000); }),
              "Could not find layer partition ID=33554432");
    EXPECT_EQ(LayerError([] { LayerDisplayName(83); }), "Could not find layer partition ID=83");

    EXPECT_EQ(LayerViewName(NoLayer), "NoLayer");
    EXPECT_EQ(LayerViewName(2), "Mid-Layer 1");
    EXPECT_EQ(LayerViewName(59), "Mechanical 3");
    EXPECT_EQ(LayerViewName(TopSolder), "Top Solder");
    EXPECT_EQ(LayerViewName(KeepOutLayer), "Keep-Out Layer");
    EXPECT_EQ(LayerViewName(GridColor10), "Visible Grid 2");
    EXPECT_EQ(LayerViewName(DRCDetails), "DRC Detail Markers");
    EXPECT_EQ(LayerViewName(AllLayers), "");
}

TEST(LayerNames, EveryStandardLayerReadsBackFromBothNames) {
    for (TV7_Layer L : StandardLayers()) {
        EXPECT_EQ(LayerFromDisplayName(LayerDisplayName(L)), L) << LayerDisplayName(L);
        EXPECT_EQ(LayerFromViewName(LayerViewName(L)), L) << LayerViewName(L);
    }
    for (TV7_Layer G : {AllLayers, ElectricalLayers, SignalLayers, MidLayers, InternalPlaneLayers,
                        MechanicalLayers})
        EXPECT_EQ(LayerFromDisplayName(LayerDisplayName(G)), G);
}

TEST(LayerNames, ParsingDisplayNames) {
    EXPECT_EQ(LayerFromDisplayName("mechanical layer 3"), 59u);
    EXPECT_EQ(LayerFromDisplayName("Mechanical Layers"), MechanicalLayers);
    EXPECT_EQ(LayerFromDisplayName("MID LAYER 39"), 0x01010028u);
    EXPECT_EQ(LayerFromDisplayName("Mid Layer 0"), TopLayer);
    EXPECT_EQ(LayerFromDisplayName("Mid Layer +3"), 4u);
    EXPECT_EQ(LayerFromDisplayName("Internal Plane 17"), 0x01040011u);
    EXPECT_EQ(LayerFromDisplayName("tOP pAD mASTER"), TopPadMaster);
    EXPECT_EQ(LayerFromDisplayName("No Layer"), NoLayer);
    EXPECT_EQ(LayerError([] { LayerFromDisplayName("Mechanical Layer 0"); }),
              "Creating MechanicalLayer(0)");
    EXPECT_EQ(LayerError([] { LayerFromDisplayName("Mechanical Layer -1"); }),
              "Creating MechanicalLayer(-1)");
    EXPECT_EQ(LayerError([] { LayerFromDisplayName("Mid Layer 65535"); }),
              "Creating SignalLayer(65536)");
    EXPECT_EQ(LayerError([] { LayerFromDisplayName("Mechanical Layer 9223372036854775807"); }),
              "Creating MechanicalLayer(9223372036854775807)");
    EXPECT_EQ(LayerError([] { LayerFromDisplayName("Internal Plane -9223372036854775808"); }),
              "Creating InternalPlaneLayer(-9223372036854775808)");
    // Texts after a prefix that are not a plain integer make no numbered name.
    for (const char* Name :
         {"Mid Layer x", "Mid Layer ", "Mid Layer", "Mid Layer  3", "Mid Layer 3 ", "Mid Layer 3x",
          "Mid Layer -", "Mid Layer 0x10", "Mechanical Layer 9223372036854775808",
          "Mechanical Layer 99999999999999999999", "", " Top Layer", "Top Layer\xC3\xA9",
          "Keep-Out Layer", "Any Layer", "\xFF\xFE"})
        EXPECT_EQ(LayerFromDisplayName(Name), NoLayer) << Name;
    EXPECT_EQ(LayerFromDisplayName(std::string(100000, 'M')), NoLayer);
    EXPECT_EQ(LayerFromDisplayName("Mid Layer " + std::string(100000, '1')), NoLayer);
}

TEST(LayerNames, ParsingViewNames) {
    EXPECT_EQ(LayerFromViewName("Keep-Out Layer"), KeepOutLayer);
    EXPECT_EQ(LayerFromViewName("Keep Out Layer"), NoLayer);
    EXPECT_EQ(LayerFromViewName("Signal Layers"), NoLayer);
    EXPECT_EQ(LayerFromViewName("mechanical 3"), 59u);
    EXPECT_EQ(LayerFromViewName("MID-LAYER 1"), 2u);
    EXPECT_EQ(LayerFromViewName("Mechanical Layer 3"), NoLayer);
    EXPECT_EQ(LayerFromViewName("Visible Grid 2"), GridColor10);
    EXPECT_EQ(LayerFromViewName("NoLayer"), NoLayer);
    EXPECT_EQ(LayerError([] { LayerFromViewName("Internal Plane 0"); }),
              "Creating InternalPlaneLayer(0)");
}

TEST(LayerNames, SettingTexts) {
    EXPECT_EQ(LayerToSettingText(NoLayer), "Any Layer");
    EXPECT_EQ(LayerToSettingText(59), "Mechanical Layer 3");
    EXPECT_EQ(LayerToSettingText(MechanicalLayers), "Mechanical Layers");
    EXPECT_EQ(SettingTextToLayer("any layer"), NoLayer);
    EXPECT_EQ(SettingTextToLayer("ANY LAYER"), NoLayer);
    EXPECT_EQ(SettingTextToLayer("Mechanical Layer 3"), 59u);
    EXPECT_EQ(SettingTextToLayer("Top Overlay"), TopOverlay);
    EXPECT_EQ(SettingTextToLayer(""), NoLayer);
    EXPECT_EQ(LayerError([] { SettingTextToLayer("Mechanical Layer 70000"); }),
              "Creating MechanicalLayer(70000)");
}

TEST(StandardLayerList, OrderAndIterator) {
    const auto& L = StandardLayers();
    ASSERT_EQ(L.size(), 102u);
    EXPECT_EQ(L[0], NoLayer);
    for (TV7_Layer I = 1; I <= 31; ++I)
        EXPECT_EQ(L[I], I); // top, mid 1-30
    EXPECT_EQ(L[32], BottomLayer);
    for (int I = 0; I < 16; ++I)
        EXPECT_EQ(L[33 + I], static_cast<TV7_Layer>(39 + I));
    for (int I = 0; I < 16; ++I)
        EXPECT_EQ(L[49 + I], static_cast<TV7_Layer>(57 + I));
    for (int I = 0; I < 16; ++I)
        EXPECT_EQ(L[65 + I], static_cast<TV7_Layer>(0x04000011 + I));
    EXPECT_EQ(L[81], TopOverlay);
    EXPECT_EQ(L[99], TopPadMaster);
    EXPECT_EQ(L[101], DRCDetails);

    TLayerUtils& Utils = TLayerUtils::Instance();
    EXPECT_EQ(&Utils, &TLayerUtils::Instance());
    TLayerIterator It = Utils.AllLayersIterator();
    EXPECT_EQ(AssertionModule([&] { It.Current(); }), "RT_PCBProcs"); // before the first Next
    std::size_t Visited = 0;
    while (It.Next()) {
        ASSERT_LT(Visited, L.size());
        EXPECT_EQ(It.Current(), L[Visited]);
        ++Visited;
    }
    EXPECT_EQ(Visited, 102u);
    EXPECT_FALSE(It.Next());
    EXPECT_EQ(AssertionModule([&] { It.Current(); }), "RT_PCBProcs");

    TLayerIterator Empty;
    EXPECT_FALSE(Empty.Next());
    EXPECT_FALSE(Empty.Next());
}
