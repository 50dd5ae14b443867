// SPDX-License-Identifier: MIT
// The wrappers' exchange with a host module, against a fake module that records every call
// (FakePcbHost.cpp), built once with all host functions and once lacking most of them.
#include "FakePcbHost.h"
#include "base/Assertion.h"
#include "pcbclient/ObjectWrapping.h"
#include "pcbclient/PcbApiBinding.h"
#include "pcbclient/PcbBoard.h"
#include "pcbclient/PcbComponent.h"
#include "pcbclient/PcbPad.h"
#include "pcbclient/PcbPrimitives.h"
#include "pcbclient/PcbText.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <memory>

#include <string>
#include <vector>

using namespace dxfi;

namespace {

constexpr THandle kObject = 7;
constexpr THandle kBoard = 5;
constexpr THandle kComponent = 50;

std::string Line(const std::string& Name, std::initializer_list<long long> Args) {
    std::string Text = Name;
    for (long long Arg : Args)
        Text += " " + std::to_string(Arg);
    return Text;
}

// Loads one of the fake host modules, binds to it and clears its record.
class TFakeHostTest : public ::testing::Test {
protected:
    void Load(const char* Path) {
        Module_ = dlopen(Path, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(Module_, nullptr) << dlerror();
        auto State = reinterpret_cast<TFakePcbHostState>(dlsym(Module_, "FakePcbHost_State"));
        ASSERT_NE(State, nullptr);
        Host = State();
        *Host = TFakePcbHost{};
        SetHostModuleName(Path);
    }
    void SetUp() override { Load(FAKE_PCB_HOST_FULL); }
    void TearDown() override {
        SetHostModuleName("libkorrin.so");
        if (Module_) dlclose(Module_);
    }

    std::vector<std::string> TakeCalls() {
        std::vector<std::string> Calls;
        Calls.swap(Host->Calls);
        return Calls;
    }

    TFakePcbHost* Host = nullptr;

private:
    void* Module_ = nullptr;
};

class TPartialHostTest : public TFakeHostTest {
protected:
    void SetUp() override { Load(FAKE_PCB_HOST_PARTIAL); }
};

using TBindingTest = TFakeHostTest;
using TExchangeOrderTest = TFakeHostTest;
using TPadLayersTest = TFakeHostTest;
using TForEachChildTest = TFakeHostTest;
using TSetObjectLayerTest = TFakeHostTest;
using TBoardTransferTest = TFakeHostTest;

} // namespace

// ---- Binding ----------------------------------------------------------------------------

TEST_F(TBindingTest, FindsTheModuleByItsFileNameAlone) {
    const std::string Path = FAKE_PCB_HOST_FULL;
    SetHostModuleName(Path.substr(Path.rfind('/') + 1));
    Host->Kinds[kObject] = dxfi::abi::kKindArc;
    EXPECT_EQ(host::PcbApi_GetObjectIdFromObjectHandle(kObject), dxfi::abi::kKindArc);
    EXPECT_TRUE(HostModuleBound());
    EXPECT_EQ(HostModuleName(), Path.substr(Path.rfind('/') + 1));
}

TEST_F(TPartialHostTest, MissingFunctionsDoNothingAndAnswerZeroOrOne) {
    uint8_t Byte = 7;
    int32_t Count = 3;
    double Angle = 1.5;
    uint16_t Word = 2;
    uint32_t Layer = 6;
    int32_t Value = 8;
    EXPECT_EQ(host::PcbApi_QueryBoardSplitPlaneMode(ptRead, kBoard, &Byte), 1);
    EXPECT_EQ(host::PcbApi_QueryBoardLayerPairsCount(kBoard, &Count, ptRead), 1);
    EXPECT_EQ(host::PcbApi_QueryArc(ptRead, kObject, &Word, &Word, &Layer, &Value, &Byte, &Value,
                                    &Value, &Value, &Value, &Angle, &Angle, &Value, &Value),
              0);
    EXPECT_EQ(host::PcbApi_CreateIterator(kComponent, 4, 0, 1), 0u);
    EXPECT_EQ(host::PcbApi_CreateObject(dxfi::abi::kKindTrack), 0u);
    EXPECT_EQ(Byte, 7);
    EXPECT_EQ(Count, 3);
    EXPECT_EQ(Angle, 1.5);
    EXPECT_EQ(Layer, 6u);
    EXPECT_TRUE(TakeCalls().empty());
    EXPECT_TRUE(HostModuleBound());
}

TEST_F(TPartialHostTest, WrappersKeepTheirDefaults) {
    TPcbText Text(kObject);
    Text.TransferProperties(ptRead);
    EXPECT_EQ(Text.Text, "fake text");
    EXPECT_EQ(Text.DisplayText, "shown");
    EXPECT_EQ(Text.FontName, "Arial");
    EXPECT_EQ(Text.UseTrueType, 0);
    EXPECT_EQ(Text.InvertedBorder, 200000);
    EXPECT_EQ(Text.BarCodeKind, 0);

    TPcbArc Arc(kObject);
    Arc.Radius = 5;
    Arc.StartAngle = 10;
    EXPECT_EQ(Arc.TransferProperties(ptRead), 0);
    EXPECT_EQ(Arc.Radius, 5);
    EXPECT_EQ(Arc.StartAngle, 10);

    // The pad's query is there but not its stack mode nor the per-layer functions.
    TPcbPad Pad(kObject);
    Pad.PadStackMode = 2;
    Pad.TransferProperties(ptRead);
    EXPECT_EQ(Pad.PadStackMode, 2);
    EXPECT_EQ(Pad.MidCRPercentage, 0);

    TPcbBoard Board(kBoard);
    Board.TransferProperties(ptRead);
    EXPECT_EQ(Board.FileName, "board.json");
    EXPECT_TRUE(Board.DisplayUnit);
    EXPECT_EQ(Board.CurrentLayer, TClassicLayer::TopLayer);
    EXPECT_EQ(Board.SplitPlaneMode, 1);
    EXPECT_TRUE(Board.LayerPairs.empty());
    EXPECT_EQ(Board.TopDielectric.Material, "FR-4");
    EXPECT_EQ(Board.BottomDielectric.Height, 126000);
    EXPECT_EQ(Board.LayerObject(TClassicLayer::TopLayer).Name, "TopLayer");
    EXPECT_EQ(Board.LayerObject(TClassicLayer::TopLayer).CopperThickness, 14000);
    EXPECT_EQ(Board.LayerObject(TClassicLayer::TopLayer).Dielectric.Constant, 4.8);
    const auto& Plane =
        dynamic_cast<const TInternalPlane&>(Board.LayerObject(TClassicLayer::InternalPlane3));
    EXPECT_EQ(Plane.NetName, "(No Net)");
    EXPECT_EQ(Plane.Name, "InternalPlane3");
}

// ---- Exchange order ---------------------------------------------------------------------

TEST_F(TExchangeOrderTest, EachKindReadsItsPropertiesInOrder) {
    struct TCase {
        uint8_t Kind;
        std::vector<std::string> Queries; // after the kind and the two bit fields
    };
    const std::vector<TCase> Cases = {
        {dxfi::abi::kKindArc, {"QueryArc 1 7 L1"}},
        {dxfi::abi::kKindVia, {"QueryVia 1 7 L1"}},
        {dxfi::abi::kKindTrack, {"QueryTrack 1 7 L1"}},
        {dxfi::abi::kKindText,
         {"QueryText 1 7 L1", "QueryTrueTypeTextInfo 1 7", "GetDesignatorDisplayString 7",
          "QueryBarCodeTextInfo 1 7"}},
        {dxfi::abi::kKindFill, {"QueryFill 1 7 L1"}},
        {dxfi::abi::kKindFromTo, {"QueryPrimitive 1 7 L1"}},
        {dxfi::abi::kKindNet, {"QueryPrimitive 1 7 L1", "QueryNetName 1 7"}},
        {dxfi::abi::kKindComponent,
         {"QueryComponentChannelOffset 1 7", "QueryComponentKind 1 7", "QueryComponent 1 7 L1",
          "QueryComponentEx 1 7", "QueryComponentSourceLinks 1 7", "QueryDefaultPCB3DModel 1 7"}},
        {dxfi::abi::kKindPolygon, {"QueryPrimitive 1 7 L1"}},
        {dxfi::abi::kKindRegion, {"QueryRegion 1 7 L1"}},
        {dxfi::abi::kKindComponentBody, {"QueryComponentBody 1 7 L1"}},
        {dxfi::abi::kKindDimension, {"QueryPrimitive 1 7 L1"}},
        {dxfi::abi::kKindCoordinate, {"QueryPrimitive 1 7 L1"}},
        {dxfi::abi::kKindObjectClass, {"QueryPrimitive 1 7 L1"}},
        {dxfi::abi::kKindRule, {"QueryPrimitive 1 7 L1"}},
        {dxfi::abi::kKindManualFromTo, {"QueryPrimitive 1 7 L1"}},
        {dxfi::abi::kKindDifferentialPair, {"QueryPrimitive 1 7 L1"}},
        {dxfi::abi::kKindViolation, {"QueryPrimitive 1 7 L1"}},
        {dxfi::abi::kKindEmbedded, {"QueryPrimitive 1 7 L1"}},
        {dxfi::abi::kKindEmbeddedBoard, {"QueryEmbeddedBoard 1 7 L1"}},
        {dxfi::abi::kKindSplitPlane, {"QueryPrimitive 1 7 L1"}},
        {dxfi::abi::kKindBoardOutline, {"QueryPrimitive 1 7 L1"}},
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE("kind " + std::to_string(Case.Kind));
        Host->Kinds[kObject] = Case.Kind;
        std::unique_ptr<TPCBObject> Wrapper = WrapObject(kObject);
        ASSERT_NE(Wrapper, nullptr);
        EXPECT_EQ(Wrapper->Kind, Case.Kind);
        EXPECT_EQ(Wrapper->Handle, kObject);
        EXPECT_EQ(Wrapper->Layer, TopLayer);
        std::vector<std::string> Expected = {"GetObjectIdFromObjectHandle 7",
                                             "GetObjectBitField2 1 7", "GetObjectBitField3 1 7"};
        Expected.insert(Expected.end(), Case.Queries.begin(), Case.Queries.end());
        EXPECT_EQ(TakeCalls(), Expected);

        // Writing sends the same properties in the same order.
        Wrapper->TransferProperties(ptWrite);
        std::vector<std::string> Written = TakeCalls();
        ASSERT_EQ(Written.size(), Expected.size() - 1);
        for (std::size_t Index = 0; Index < Written.size(); ++Index) {
            std::string Read = Expected[Index + 1];
            const auto Mode = Read.find(" 1 ");
            if (Mode != std::string::npos) Read.replace(Mode, 3, " 0 ");
            EXPECT_EQ(Written[Index], Read);
        }
    }
}

TEST_F(TExchangeOrderTest, WrapperClassesFollowTheClassTree) {
    EXPECT_NE(dynamic_cast<TPcbGroupObject*>(NewWrapper(dxfi::abi::kKindComponent, 1).get()),
              nullptr);
    EXPECT_NE(dynamic_cast<TPcbGroupObject*>(NewWrapper(dxfi::abi::kKindNet, 1).get()), nullptr);
    EXPECT_NE(dynamic_cast<TPcbGroupObject*>(NewWrapper(dxfi::abi::kKindDimension, 1).get()),
              nullptr);
    EXPECT_NE(dynamic_cast<TPcbGroupObject*>(NewWrapper(dxfi::abi::kKindCoordinate, 1).get()),
              nullptr);
    EXPECT_NE(dynamic_cast<TPcbGroupObject*>(NewWrapper(dxfi::abi::kKindSplitPlane, 1).get()),
              nullptr);
    EXPECT_NE(dynamic_cast<TPcbPolygon*>(NewWrapper(dxfi::abi::kKindBoardOutline, 1).get()),
              nullptr);
    EXPECT_EQ(dynamic_cast<TPcbGroupObject*>(NewWrapper(dxfi::abi::kKindTrack, 1).get()), nullptr);
    EXPECT_EQ(dynamic_cast<TPcbGroupObject*>(NewWrapper(dxfi::abi::kKindRegion, 1).get()), nullptr);
    EXPECT_NE(dynamic_cast<TPCBRegion*>(NewWrapper(dxfi::abi::kKindRegion, 1).get()), nullptr);
}

TEST_F(TExchangeOrderTest, KindsWithoutWrapperGiveNone) {
    for (uint8_t Kind : {0, 23, 24, 25, 27, 255}) {
        Host->Kinds[kObject] = Kind;
        EXPECT_EQ(WrapObject(kObject), nullptr) << int(Kind);
        EXPECT_EQ(TakeCalls(), std::vector<std::string>{"GetObjectIdFromObjectHandle 7"});
    }
    // A handle the host does not know.
    EXPECT_EQ(WrapObject(99), nullptr);
}

TEST_F(TExchangeOrderTest, TextAsksForItsDisplayedTextInEveryMode) {
    TPcbText Text(kObject);
    Text.DisplayText = "old";
    Text.TransferProperties(ptUpdate);
    EXPECT_EQ(Text.DisplayText, "shown");
    EXPECT_EQ(TakeCalls(), (std::vector<std::string>{
                               "GetObjectBitField2 2 7", "GetObjectBitField3 2 7",
                               "QueryText 2 7 L0", "QueryTrueTypeTextInfo 2 7",
                               "GetDesignatorDisplayString 7", "QueryBarCodeTextInfo 2 7"}));
}

TEST_F(TExchangeOrderTest, ComponentExchangesItsLayerAsClassicByte) {
    Host->ComponentLayer = 33;
    TPcbComponent Component(kComponent);
    Component.TransferProperties(ptRead);
    EXPECT_EQ(Component.Layer, TopOverlay);

    Component.Layer = MechanicalLayer(20); // beyond the classic range: clamped
    Component.TransferProperties(ptWrite);
    const std::vector<std::string> Calls = TakeCalls();
    ASSERT_EQ(Calls.size(), 16u);
    EXPECT_EQ(Calls[12], "QueryComponent 0 50 L72");
    EXPECT_EQ(Component.Layer, 72u);
}

// ---- Pad per-layer step -------------------------------------------------------------------

namespace {

std::vector<std::string> LayerSets(const std::vector<std::string>& Calls) {
    std::vector<std::string> Sets;
    for (const std::string& Call : Calls)
        if (Call.rfind("Set", 0) == 0) Sets.push_back(Call);
    return Sets;
}

} // namespace

TEST_F(TPadLayersTest, ReadingFillsEveryLayerAndTheThreePercentages) {
    for (int Layer = 0; Layer < 83; ++Layer) {
        Host->Shapes[Layer] = static_cast<uint8_t>(Layer % 5);
        Host->Percentages[Layer] = static_cast<uint8_t>(Layer + 10);
    }
    Host->PadStackMode = 1;
    TPcbPad Pad(kObject);
    Pad.TransferProperties(ptRead);
    const std::vector<std::string> Calls = TakeCalls();
    ASSERT_EQ(Calls.size(), 2u + 2u + 83u * 4u);
    EXPECT_EQ(Calls[2], "QueryPad 1 7 L1");
    EXPECT_EQ(Calls[3], "QueryPadStackMode 1 7");
    EXPECT_EQ(Calls[4], "QueryPadOrViaShapeOnLayer 7 0");
    EXPECT_EQ(Calls[5], "QueryPadOrViaSizeOnLayer 7 0");
    EXPECT_EQ(Calls[6], "QueryPadCornerRadiusOnLayer 7 0");
    EXPECT_EQ(Calls[7], "QueryPadCRPercentageOnLayer 7 0");
    EXPECT_EQ(Calls.back(), "QueryPadCRPercentageOnLayer 7 82");

    EXPECT_EQ(Pad.PadStackMode, 1);
    EXPECT_EQ(Pad.TopCRPercentage, 11);
    EXPECT_EQ(Pad.MidCRPercentage, 41); // layer 31, the last mid layer read
    EXPECT_EQ(Pad.BottomCRPercentage, 42);
    EXPECT_EQ(Pad.ShapeOnLayer[7], 2);
    EXPECT_EQ(Pad.SizeOnLayer[5][0], 1005);
    EXPECT_EQ(Pad.SizeOnLayer[5][1], 2005);
    EXPECT_EQ(Pad.CornerRadiusOnLayer[82], 3082);
    EXPECT_EQ(Pad.CRPercentageOnLayer[60], 70);
}

TEST_F(TPadLayersTest, FullStackSendsEveryLayer) {
    TPcbPad Pad(kObject);
    Pad.PadStackMode = 2;
    for (int Layer = 0; Layer < 83; ++Layer) {
        Pad.ShapeOnLayer[Layer] = static_cast<uint8_t>(Layer % 10);
        Pad.SizeOnLayer[Layer] = {Layer * 2, Layer * 3};
        Pad.CRPercentageOnLayer[Layer] = static_cast<uint8_t>(Layer);
    }
    Pad.TransferProperties(ptWrite);
    const std::vector<std::string> Sets = LayerSets(TakeCalls());
    ASSERT_EQ(Sets.size(), 83u * 3u);
    for (int Layer = 0; Layer < 83; ++Layer) {
        SCOPED_TRACE(Layer);
        EXPECT_EQ(Sets[Layer * 3], Line("SetPadShapeOnLayer", {7, Layer, Layer % 10}));
        EXPECT_EQ(Sets[Layer * 3 + 1], Line("SetPadSizeOnLayer", {7, Layer, Layer * 2, Layer * 3}));
        EXPECT_EQ(Sets[Layer * 3 + 2], Line("SetCRPctOnLayer", {7, Layer, Layer}));
    }
}

TEST_F(TPadLayersTest, OtherModesSendThePercentagesForRoundedRectangleLayers) {
    TPcbPad Pad(kObject);
    Pad.PadStackMode = 1;
    Pad.TopCRPercentage = 25;
    Pad.MidCRPercentage = 50;
    Pad.BottomCRPercentage = 75;
    Pad.ShapeOnLayer[1] = 9;
    Pad.ShapeOnLayer[40] = 9;
    Pad.TransferProperties(ptUpdate);
    EXPECT_EQ(LayerSets(TakeCalls()),
              (std::vector<std::string>{"SetCRPctOnLayer 7 1 25", "SetCRPctOnLayer 7 32 75",
                                        "SetCRPctOnLayer 7 2 50", "SetCRPctOnLayer 7 1 25",
                                        "SetCRPctOnLayer 7 32 75", "SetCRPctOnLayer 7 2 50"}));
}

TEST_F(TPadLayersTest, UnchangedSimplePadSendsNoLayer) {
    for (int Layer = 0; Layer < 83; ++Layer)
        Host->Shapes[Layer] = Layer == 9 ? 8 : 1;
    Host->PadStackMode = 0;
    TPcbPad Pad(kObject);
    Pad.TransferProperties(ptRead);
    TakeCalls();
    Pad.TransferProperties(ptWrite);
    const std::vector<std::string> Calls = TakeCalls();
    EXPECT_EQ(Calls, (std::vector<std::string>{"GetObjectBitField2 0 7", "GetObjectBitField3 0 7",
                                               "QueryPad 0 7 L1", "QueryPadStackMode 0 7"}));
}

TEST_F(TPadLayersTest, RefusedPadSkipsStackModeAndLayers) {
    Host->QueryPadResult = 3;
    Host->PadStackMode = 2;
    TPcbPad Pad(kObject);
    EXPECT_EQ(Pad.TransferProperties(ptRead), 3);
    EXPECT_EQ(Pad.PadStackMode, 0);
    Pad.PadStackMode = 2;
    EXPECT_EQ(Pad.TransferProperties(ptWrite), 3);
    const std::vector<std::string> Calls = TakeCalls();
    ASSERT_EQ(Calls.size(), 6u);
    EXPECT_EQ(Calls[2], "QueryPad 1 7 L1");
    EXPECT_EQ(Calls[5], "QueryPad 0 7 L1");
}

// ---- ForEachChild -------------------------------------------------------------------------

TEST_F(TForEachChildTest, ImportArgumentsVisitPrimitiveKindsOnLayers1To75) {
    Host->Children[{dxfi::abi::kKindTrack, 1}] = {101, 102};
    Host->Children[{dxfi::abi::kKindTrack, 75}] = {103};
    Host->Children[{dxfi::abi::kKindPad, 32}] = {104};
    Host->Children[{dxfi::abi::kKindEmbeddedBoard, 5}] = {109};
    // Never visited: kinds outside PrimitiveKinds, layers 0 and 76..82.
    Host->Children[{dxfi::abi::kKindComponent, 1}] = {105};
    Host->Children[{dxfi::abi::kKindTrack, 76}] = {106};
    Host->Children[{dxfi::abi::kKindTrack, 0}] = {107};
    Host->Children[{dxfi::abi::kKindFromTo, 1}] = {108};
    Host->Children[{dxfi::abi::kKindPolygon, 10}] = {110};

    TPcbComponent Component(kComponent);
    std::vector<THandle> Visited;
    Component.ForEachChild([&](THandle Child) { Visited.push_back(Child); }, PrimitiveKinds,
                           ClassicLayerRange(1, 75));
    EXPECT_EQ(Visited, (std::vector<THandle>{104, 101, 102, 103, 109}));

    const std::vector<std::string> Calls = TakeCalls();
    ASSERT_EQ(Calls.size(), 9u * 75u * 2u);
    std::size_t Index = 0;
    for (int Kind : {1, 2, 3, 4, 5, 6, 11, 12, 21})
        for (int Layer = 1; Layer <= 75; ++Layer) {
            EXPECT_EQ(Calls[Index++], Line("CreateIterator", {kComponent, Kind, 0, Layer}));
            EXPECT_EQ(Calls[Index++], Line("DestroyIterator", {Kind, Layer}));
        }
}

TEST_F(TForEachChildTest, KindsStopAt25AndLayersAt82) {
    TPcbComponent Component(kComponent);
    int Visits = 0;
    Component.ForEachChild([&](THandle) { ++Visits; }, 0xFFFFFFFFu, TClassicLayerSet().set());
    const std::vector<std::string> Calls = TakeCalls();
    ASSERT_EQ(Calls.size(), 26u * 83u * 2u);
    EXPECT_EQ(Calls.front(), "CreateIterator 50 0 0 0");
    EXPECT_EQ(Calls[Calls.size() - 2], "CreateIterator 50 25 0 82");
    EXPECT_EQ(Visits, 0);

    Component.ForEachChild([&](THandle) { ++Visits; }, 0, TClassicLayerSet().set());
    Component.ForEachChild([&](THandle) { ++Visits; }, PrimitiveKinds, TClassicLayerSet());
    EXPECT_TRUE(TakeCalls().empty());
}

TEST(ClassicLayerRange, ClipsToTheSet) {
    EXPECT_EQ(ClassicLayerRange(1, 75).count(), 75u);
    EXPECT_FALSE(ClassicLayerRange(1, 75).test(0));
    EXPECT_FALSE(ClassicLayerRange(1, 75).test(76));
    EXPECT_EQ(ClassicLayerRange(-5, 200).count(), 88u);
    EXPECT_EQ(ClassicLayerRange(10, 9).count(), 0u);
}

// ---- SetObjectLayer and classic layers ----------------------------------------------------

TEST_F(TSetObjectLayerTest, MovesAWrappedObject) {
    Host->Kinds[kObject] = dxfi::abi::kKindTrack;
    SetObjectLayer(kObject, TClassicLayer::TopOverlay);
    EXPECT_EQ(TakeCalls(),
              (std::vector<std::string>{"GetObjectIdFromObjectHandle 7", "GetObjectBitField2 1 7",
                                        "GetObjectBitField3 1 7", "QueryTrack 1 7 L1",
                                        "GetObjectBitField2 0 7", "GetObjectBitField3 0 7",
                                        "QueryTrack 0 7 L33"}));
}

TEST_F(TSetObjectLayerTest, DoesNothingForNoHandleOrAKindWithoutWrapper) {
    SetObjectLayer(0, TClassicLayer::TopOverlay);
    EXPECT_TRUE(TakeCalls().empty());
    Host->Kinds[kObject] = 23;
    SetObjectLayer(kObject, TClassicLayer::TopOverlay);
    EXPECT_EQ(TakeCalls(), std::vector<std::string>{"GetObjectIdFromObjectHandle 7"});
}

TEST(ClassicLayerOfWrapper, ClampsNumberedLayers) {
    TPcbTrack Track(1);
    Track.Layer = MechanicalLayer(20);
    EXPECT_EQ(static_cast<int>(Track.GetClassicLayer()), 72);
    Track.Layer = MidLayer(30);
    EXPECT_EQ(static_cast<int>(Track.GetClassicLayer()), 31);
    Track.Layer = MidLayer(29);
    EXPECT_EQ(Track.GetClassicLayer(), TClassicLayer::MidLayer29);
    Track.Layer = MidLayer(40);
    EXPECT_EQ(Track.GetClassicLayer(), TClassicLayer::MidLayer30);
    Track.Layer = InternalPlaneLayer(20);
    EXPECT_EQ(Track.GetClassicLayer(), TClassicLayer::InternalPlane16);
    Track.Layer = NoLayer;
    EXPECT_EQ(Track.GetClassicLayer(), TClassicLayer::NoLayer);
    Track.Layer = AllLayers;
    EXPECT_THROW(Track.GetClassicLayer(), EAssertionFailure);

    Track.SetLayer(TClassicLayer::KeepOutLayer);
    EXPECT_EQ(Track.Layer, KeepOutLayer);
    EXPECT_EQ(Track.Kind, dxfi::abi::kKindTrack);
    EXPECT_EQ(Track.Handle, 1u);
}

// ---- The board ----------------------------------------------------------------------------

TEST(BoardDefaults, BeforeTheFirstRead) {
    TPcbBoard Board(kBoard);
    EXPECT_EQ(Board.Handle, kBoard);
    EXPECT_EQ(Board.SplitPlaneMode, 1);
    for (const TDielectric* Dielectric : {&Board.TopDielectric, &Board.BottomDielectric}) {
        EXPECT_EQ(Dielectric->Material, "FR-4");
        EXPECT_EQ(Dielectric->DielectricKind, 1);
        EXPECT_EQ(Dielectric->Constant, 4.8);
        EXPECT_EQ(Dielectric->Height, 126000);
    }
    for (int Index = 1; Index <= 82; ++Index) {
        SCOPED_TRACE(Index);
        const auto Classic = static_cast<TClassicLayer>(Index);
        const TLayerObject& Layer = Board.LayerObject(Classic);
        EXPECT_EQ(Layer.Board, kBoard);
        EXPECT_EQ(Layer.Layer, Classic);
        EXPECT_EQ(Layer.Name, ClassicLayerName(Classic));
        EXPECT_EQ(Layer.CopperThickness, 14000);
        EXPECT_EQ(Layer.Dielectric.Material, "FR-4");
        EXPECT_EQ(Layer.Dielectric.DielectricKind, 1);
        EXPECT_EQ(Layer.Dielectric.Constant, 4.8);
        EXPECT_EQ(Layer.Dielectric.Height, 126000);
        const auto* Plane = dynamic_cast<const TInternalPlane*>(&Layer);
        EXPECT_EQ(Plane != nullptr, Index >= 39 && Index <= 54);
        if (Plane) {
            EXPECT_EQ(Plane->NetName, "(No Net)");
        }
    }
    EXPECT_EQ(Board.LayerObject(TClassicLayer::Mechanical16).Name, "Mechanical16");
    EXPECT_EQ(Board.PlotLayers.size(), 109u);
    EXPECT_THROW(Board.LayerObject(TClassicLayer::NoLayer), EAssertionFailure);
    EXPECT_THROW(Board.LayerObject(static_cast<TClassicLayer>(83)), EAssertionFailure);
}

namespace {

std::vector<std::string> BoardSequence(int Mode, int PairCount, int CountMode, int Current) {
    std::vector<std::string> Calls = {Line("QueryBoard", {Mode, kBoard, Current})};
    for (int Layer = 1; Layer <= 82; ++Layer)
        Calls.push_back(Line("QueryBoardLayerInfo", {Mode, kBoard, Layer}));
    for (int Layer = 1; Layer <= 82; ++Layer) {
        const bool Plane = Layer >= 39 && Layer <= 54;
        Calls.push_back(Line(Plane ? "QueryInternalPlane" : "QueryLayer", {Mode, kBoard, Layer}));
        Calls.push_back(Line("QueryLayerDielectric", {Mode, kBoard, Layer}));
    }
    Calls.push_back(Line("QueryBoardSplitPlaneMode", {Mode, kBoard}));
    Calls.push_back(Line("QueryBoardGridsEx", {Mode, kBoard}));
    Calls.push_back(Line("QueryBoardOutputOptions", {Mode, kBoard}));
    for (int Index = 1; Index <= 109; ++Index) {
        Calls.push_back(Line("QueryBoardOutputOptionsPlotLayers", {Mode, kBoard, Index}));
        Calls.push_back(Line("QueryBoardOutputOptionsFlipLayers", {Mode, kBoard, Index}));
    }
    Calls.push_back(Line("QueryBoardGerberOptions", {Mode, kBoard}));
    Calls.push_back(Line("QueryBoardPrinterOptions", {Mode, kBoard}));
    for (int Index = 1; Index <= 109; ++Index)
        Calls.push_back(Line("QueryBoardPrinterOptionsPlotterPen", {Mode, kBoard, Index}));
    for (int Index = 1; Index <= 109; ++Index)
        Calls.push_back(Line("QueryBoardPrinterOptionsCompositeLayer", {Mode, kBoard, Index}));
    Calls.push_back(Line("QueryBoardAdvancedPlacerOptions", {Mode, kBoard}));
    Calls.push_back(Line("QueryBoardEngineeringChangeOrderOptions", {Mode, kBoard}));
    Calls.push_back(Line("QueryBoardLayerPairsCount", {kBoard, PairCount, CountMode}));
    for (int Index = 0; Index < PairCount; ++Index)
        Calls.push_back(Line("QueryBoardLayerPairAt", {Mode, kBoard, Index}));
    Calls.push_back(Line("QueryBoardExternalDielectrics", {Mode, kBoard}));
    return Calls;
}

} // namespace

TEST_F(TBoardTransferTest, ReadsAndWritesInOrder) {
    Host->LayerPairCount = 2;
    Host->CurrentLayer = MechanicalLayer(20);
    TPcbBoard Board(kBoard);
    Board.TransferProperties(ptRead);
    EXPECT_EQ(TakeCalls(), BoardSequence(ptRead, 2, ptRead, 0));
    EXPECT_EQ(Board.FileName, "board.json");
    EXPECT_TRUE(Board.DisplayUnit);
    EXPECT_EQ(Board.CurrentLayer, TClassicLayer::Mechanical16);
    ASSERT_EQ(Board.LayerPairs.size(), 2u);
    EXPECT_EQ(Board.LayerPairs[1]->LowLayer, TopLayer);
    EXPECT_EQ(Board.LayerPairs[1]->HighLayer, BottomLayer);

    // Writing passes the list's count with mode 0 whatever the transfer mode.
    Board.TransferProperties(ptUpdate);
    EXPECT_EQ(TakeCalls(), BoardSequence(ptUpdate, 2, ptWrite, 72));
}

TEST_F(TBoardTransferTest, RefusedPairCountMeansNoPairs) {
    Host->LayerPairCount = 4;
    TPcbBoard Board(kBoard);
    Board.TransferProperties(ptRead);
    ASSERT_EQ(Board.LayerPairs.size(), 4u);
    Host->LayerPairCountResult = 1;
    TakeCalls();
    Board.TransferProperties(ptRead);
    EXPECT_TRUE(Board.LayerPairs.empty());
    std::vector<std::string> Calls = TakeCalls();
    EXPECT_EQ(std::count_if(Calls.begin(), Calls.end(),
                            [](const std::string& Call) {
                                return Call.rfind("QueryBoardLayerPairAt", 0) == 0;
                            }),
              0);
}

TEST_F(TBoardTransferTest, CurrentLayerOutsideThePartitionsIsAnAssertion) {
    Host->CurrentLayer = AllLayers;
    TPcbBoard Board(kBoard);
    try {
        Board.TransferProperties(ptRead);
        FAIL() << "no assertion";
    } catch (const EAssertionFailure& Failure) {
        EXPECT_EQ(std::string(Failure.what()).rfind("Assertion failure", 0), 0u);
    }
}
