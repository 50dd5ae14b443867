// SPDX-License-Identifier: MIT
// Every field of every wrapper class written to the real host module and read back. The test
// loads the module itself, as the host application does, before the binding looks for it.
#include "base/Assertion.h"
#include "pcbclient/ObjectWrapping.h"
#include "pcbclient/PcbApiBinding.h"
#include "pcbclient/PcbBoard.h"
#include "pcbclient/PcbComponent.h"
#include "pcbclient/PcbPad.h"
#include "pcbclient/PcbPrimitives.h"
#include "pcbclient/PcbText.h"
#include "support/ComStubs.h"
#include "support/TestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace dxfi;
namespace ab = dxfi::abi;

namespace {

// One field of a wrapper: writes its test value, and checks that a wrapper read back holds it.
template <typename T> struct TField {
    std::function<void(T&)> Write;
    std::function<void(const T&)> Check;
};
template <typename T> using TFields = std::vector<TField<T>>;

// The field `Name` (a member, or a member's member) with the value after it.
#define FIELD(Name, ...)                                                                           \
    {                                                                                              \
        [](auto& O) { O.Name = __VA_ARGS__; },                                                     \
            [](const auto& O) { EXPECT_EQ(O.Name, __VA_ARGS__) << #Name; }                         \
    }

template <typename T> void WriteFields(T& Object, const TFields<T>& Fields) {
    for (const TField<T>& Field : Fields)
        Field.Write(Object);
}
template <typename T> void CheckFields(const T& Object, const TFields<T>& Fields) {
    for (const TField<T>& Field : Fields)
        Field.Check(Object);
}

class TKorrinTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(test::KorrinModule(), nullptr) << test::KorrinLoadError();
        Board = test::NewBoard("roundtrip.json");
        ASSERT_NE(Board, 0u);
    }
    void TearDown() override { test::CloseBoard(Board); }

    // A new object of the kind, read, filled, written, and read into a second wrapper.
    template <typename T, typename TFill>
    std::pair<std::unique_ptr<T>, std::unique_ptr<T>> RoundTrip(uint8_t Kind, TFill Fill,
                                                                TPropertyTransfer Mode = ptWrite) {
        const THandle Handle = host::PcbApi_CreateObject(Kind);
        EXPECT_NE(Handle, 0u) << "kind " << int(Kind);
        host::PcbApi_AddObjectToContainer(Board, Handle);
        auto Written = std::make_unique<T>(Handle);
        EXPECT_EQ(Written->TransferProperties(ptRead), 0);
        FillBase(*Written);
        Fill(*Written);
        EXPECT_EQ(Written->TransferProperties(Mode), 0);
        auto Read = std::make_unique<T>(Handle);
        EXPECT_EQ(Read->TransferProperties(ptRead), 0);
        return {std::move(Written), std::move(Read)};
    }
    // The round trip of the fields (and what `Fill` writes besides them); the object read back
    // must hold every field.
    template <typename T, typename TFill = void (*)(T&)>
    std::pair<std::unique_ptr<T>, std::unique_ptr<T>> RoundTrip(
        uint8_t Kind, const TFields<T>& Fields, TFill Fill = [](T&) {}) {
        auto Objects = RoundTrip<T>(Kind, [&](T& Object) {
            WriteFields(Object, Fields);
            Fill(Object);
        });
        CheckFields(*Objects.second, Fields);
        return Objects;
    }

    static void FillBase(TPCBObject& Object) {
        Object.X = 1234567;
        Object.Y = -7654321;
        Object.Flags = 0xA5A5;
        Object.BitField2 = 0x5A;
        Object.BitField3 = 0x1234;
        Object.PrimWord = 0x4321;
        Object.PrimByte = 0x77;
        Object.PrimLongA = -99;
        Object.PrimLongB = 123456;
        Object.Layer = MechanicalLayer(5);
    }

    // The base values of FillBase up to the primitive byte.
    static void ExpectBasePlacement(const TPCBObject& B) {
        EXPECT_EQ(B.X, 1234567);
        EXPECT_EQ(B.Y, -7654321);
        EXPECT_EQ(B.Flags, 0xA5A5);
        EXPECT_EQ(B.BitField2, 0x5A);
        EXPECT_EQ(B.BitField3, 0x1234);
        EXPECT_EQ(B.PrimWord, 0x4321);
        EXPECT_EQ(B.PrimByte, 0x77);
    }

    static void ExpectSameBase(const TPCBObject& A, const TPCBObject& B) {
        EXPECT_EQ(A.Handle, B.Handle);
        EXPECT_EQ(A.Kind, B.Kind);
        ExpectBasePlacement(B);
        EXPECT_EQ(B.PrimLongA, -99);
        EXPECT_EQ(B.PrimLongB, 123456);
        EXPECT_EQ(B.Layer, A.Layer);
    }

    THandle Board = 0;
};

using TKorrinPrimitivesTest = TKorrinTest;
using TKorrinBoardTest = TKorrinTest;

} // namespace

TEST_F(TKorrinPrimitivesTest, BindsToTheLoadedModuleByItsDefaultName) {
    EXPECT_EQ(HostModuleName(), "libkorrin.so");
    EXPECT_EQ(host::PcbApi_GetCurrentBoardHandle(), Board);
    EXPECT_TRUE(HostModuleBound());
}

TEST_F(TKorrinPrimitivesTest, TrackArcViaFill) {
    auto [Track, TrackRead] = RoundTrip<TPcbTrack>(
        ab::kKindTrack, {FIELD(X2, 42), FIELD(Y2, -42), FIELD(Width, 100000), FIELD(Value1, 1),
                         FIELD(Value2, -2), FIELD(Value3, 3)});
    ExpectSameBase(*Track, *TrackRead);

    auto [Arc, ArcRead] = RoundTrip<TPcbArc>(
        ab::kKindArc, {FIELD(Radius, 5000), FIELD(StartAngle, 12.25), FIELD(EndAngle, 359.5),
                       FIELD(Width, 777), FIELD(Value1, -5)});
    ExpectSameBase(*Arc, *ArcRead);

    auto [Via, ViaRead] = RoundTrip<TPcbVia>(
        ab::kKindVia, {FIELD(Layer, MultiLayer), FIELD(Size, 500000), FIELD(HoleSize, 250000),
                       FIELD(LowLayer, TopLayer), FIELD(HighLayer, BottomLayer), FIELD(Value1, 9),
                       FIELD(Value2, 10)});
    ExpectSameBase(*Via, *ViaRead);

    auto [Fill, FillRead] =
        RoundTrip<TPcbFill>(ab::kKindFill, {FIELD(X2, 2000000), FIELD(Y2, 3000000),
                                            FIELD(Rotation, 45.5), FIELD(Value1, 11)});
    ExpectSameBase(*Fill, *FillRead);
}

TEST_F(TKorrinPrimitivesTest, RegionBodyEmbeddedBoardNet) {
    auto [Region, RegionRead] =
        RoundTrip<TPCBRegion>(ab::kKindRegion, {FIELD(RegionKind, 2), FIELD(Value1, 12)});
    ExpectSameBase(*Region, *RegionRead);

    auto [Body, BodyRead] = RoundTrip<TPcbComponentBody>(
        ab::kKindComponentBody, {FIELD(Height, 1000000), FIELD(Value1, 13)});
    ExpectSameBase(*Body, *BodyRead);

    auto [Embedded, EmbeddedRead] = RoundTrip<TPcbEmbeddedBoard>(
        ab::kKindEmbeddedBoard,
        {FIELD(X2, 5), FIELD(Y2, 6), FIELD(RowCount, 3), FIELD(ColumnCount, 4),
         FIELD(RowSpacing, 70000), FIELD(ColumnSpacing, 80000), FIELD(Rotation, 90),
         FIELD(DocumentPath, "panels/child board.json")});
    ExpectSameBase(*Embedded, *EmbeddedRead);

    auto [Net, NetRead] = RoundTrip<TPcbNet>(ab::kKindNet, {FIELD(Name, "GND")});
    ExpectSameBase(*Net, *NetRead);
}

TEST_F(TKorrinPrimitivesTest, ObjectsWithBasePropertiesOnly) {
    for (uint8_t Kind :
         {ab::kKindFromTo, ab::kKindPolygon, ab::kKindDimension, ab::kKindCoordinate,
          ab::kKindObjectClass, ab::kKindRule, ab::kKindManualFromTo, ab::kKindDifferentialPair,
          ab::kKindViolation, ab::kKindEmbedded, ab::kKindSplitPlane, ab::kKindBoardOutline}) {
        SCOPED_TRACE("kind " + std::to_string(Kind));
        const THandle Handle = host::PcbApi_CreateObject(Kind);
        ASSERT_NE(Handle, 0u);
        std::unique_ptr<TPCBObject> Written = NewWrapper(Kind, Handle);
        ASSERT_NE(Written, nullptr);
        FillBase(*Written);
        EXPECT_EQ(Written->TransferProperties(ptWrite), 0);
        std::unique_ptr<TPCBObject> Read = WrapObject(Handle);
        ASSERT_NE(Read, nullptr);
        EXPECT_EQ(Read->Kind, Kind);
        ExpectSameBase(*Written, *Read);
        host::PcbApi_DestroyObject(Handle);
    }
}

TEST_F(TKorrinPrimitivesTest, Text) {
    TPcbText Fresh(host::PcbApi_CreateObject(ab::kKindText));
    EXPECT_EQ(Fresh.FontName, "Arial");
    EXPECT_EQ(Fresh.InvertedBorder, 200000);

    // A multi-byte character survives.
    auto [Text, TextRead] = RoundTrip<TPcbText>(
        ab::kKindText,
        {FIELD(Layer, TopOverlay), FIELD(Height, 600000), FIELD(Value1, 14),
         FIELD(Rotation, 270.75), FIELD(Mirror, true), FIELD(Text, "Size \xE2\x89\xA5 5 mm"),
         FIELD(Width, 60000), FIELD(Value2, 15), FIELD(Value3, -16), FIELD(UseTrueType, 1),
         FIELD(FontName, "DejaVu Sans"), FIELD(Bold, 1), FIELD(Italic, 1), FIELD(Inverted, 1),
         FIELD(InvertedBorder, 12345), FIELD(BarCodeKind, 1), FIELD(BarCodeValue1, 2),
         FIELD(BarCodeValue2, 3), FIELD(BarCodeValue3, 4)});
    ExpectSameBase(*Text, *TextRead);
    EXPECT_EQ(TextRead->DisplayText, "Size \xE2\x89\xA5 5 mm");
    EXPECT_EQ(Text->DisplayText, TextRead->DisplayText); // asked again after the write

    // A text longer than 255 bytes is cut, never inside a character.
    auto [Long, LongRead] = RoundTrip<TPcbText>(
        ab::kKindText, [](TPcbText& T) { T.Text = std::string(254, 'x') + "\xC3\xA9"; });
    EXPECT_EQ(LongRead->Text, std::string(254, 'x'));
}

TEST_F(TKorrinPrimitivesTest, PadWithFullStack) {
    auto [Pad, PadRead] =
        RoundTrip<TPcbPad>(ab::kKindPad,
                           {FIELD(Layer, MultiLayer),
                            FIELD(HoleSize, 350000),
                            FIELD(Byte1, 1),
                            FIELD(Byte2, 2),
                            FIELD(Byte3, 3),
                            FIELD(String1, "A1"),
                            FIELD(Byte4, 4),
                            FIELD(Byte5, 5),
                            FIELD(Rotation, 30.5),
                            FIELD(String2, "second"),
                            FIELD(String3, std::string(20, 'z')),
                            FIELD(Long1, 17),
                            FIELD(String4, "fourth"),
                            FIELD(Byte6, 6),
                            FIELD(Byte7, 7),
                            FIELD(Long2, 18),
                            FIELD(Long3, 19),
                            FIELD(Long4, 20),
                            FIELD(Long5, 21),
                            FIELD(Long6, 22),
                            FIELD(Byte8, 8),
                            FIELD(Byte9, 9),
                            FIELD(PadStackMode, kPadStackFullStack)},
                           [](TPcbPad& P) {
                               P.PadSizes = {600000, 500000, 400000, 300000, 200000, 100000};
                               for (int Layer = 0; Layer < kClassicLayerCount; ++Layer) {
                                   P.ShapeOnLayer[Layer] = static_cast<uint8_t>(Layer % 10);
                                   P.SizeOnLayer[Layer] = {10000 + Layer, 20000 + Layer};
                                   P.CRPercentageOnLayer[Layer] = static_cast<uint8_t>(Layer);
                               }
                           });
    ExpectSameBase(*Pad, *PadRead);
    EXPECT_EQ(PadRead->PadSizes, Pad->PadSizes);
    EXPECT_EQ(PadRead->ShapeOnLayer, Pad->ShapeOnLayer);
    EXPECT_EQ(PadRead->SizeOnLayer, Pad->SizeOnLayer);
    EXPECT_EQ(PadRead->CRPercentageOnLayer, Pad->CRPercentageOnLayer);
    EXPECT_EQ(PadRead->TopCRPercentage, 1);
    EXPECT_EQ(PadRead->MidCRPercentage, 31);
    EXPECT_EQ(PadRead->BottomCRPercentage, 32);
}

TEST_F(TKorrinPrimitivesTest, PadInSimpleModeSendsPercentagesOnlyForRoundedRectangles) {
    // The wrapper's layer 1 has the rounded-rectangle shape: the shape itself is not sent in
    // this mode, but the top, mid and bottom percentages are.
    auto [Pad, PadRead] = RoundTrip<TPcbPad>(ab::kKindPad, [](TPcbPad& P) {
        P.PadStackMode = 0;
        P.ShapeOnLayer[1] = kPadShapeRoundedRectangle;
        P.SizeOnLayer[1] = {123, 456};
        P.TopCRPercentage = 40;
        P.MidCRPercentage = 45;
        P.BottomCRPercentage = 50;
    });
    EXPECT_EQ(PadRead->PadStackMode, 0);
    EXPECT_NE(PadRead->ShapeOnLayer[1], kPadShapeRoundedRectangle);
    EXPECT_NE(PadRead->SizeOnLayer[1], (std::array<int32_t, 2>{123, 456}));
    EXPECT_EQ(PadRead->CRPercentageOnLayer[1], 40);
    EXPECT_EQ(PadRead->CRPercentageOnLayer[2], 45);
    EXPECT_EQ(PadRead->CRPercentageOnLayer[32], 50);
    EXPECT_EQ(PadRead->TopCRPercentage, 40);
    EXPECT_EQ(PadRead->BottomCRPercentage, 50);

    // Without such a layer no percentage is sent.
    PadRead->TopCRPercentage = 60;
    PadRead->TransferProperties(ptWrite);
    TPcbPad Again(PadRead->Handle);
    Again.TransferProperties(ptRead);
    EXPECT_EQ(Again.CRPercentageOnLayer[1], 40);
}

TEST_F(TKorrinPrimitivesTest, Component) {
    auto [Component, Read] = RoundTrip<TPcbComponent>(
        ab::kKindComponent,
        {FIELD(Layer, BottomLayer), FIELD(ChannelOffset, 23), FIELD(ComponentKind, 2),
         FIELD(FlagA, true), FIELD(FlagB, true), FIELD(Value1, 24), FIELD(Rotation, 180.25),
         FIELD(Byte1, 25), FIELD(ExValue1, 26), FIELD(ExByte1, 27), FIELD(ExByte2, 28),
         FIELD(ExValue2, 29), FIELD(DefaultPCB3DModel, "models/so8.step")},
        [](TPcbComponent& C) {
            C.Name = std::string(260, 'n'); // cut to 250
            for (std::size_t Index = 0; Index < C.SourceLinks.size(); ++Index)
                C.SourceLinks[Index] = "link " + std::to_string(Index);
        });
    ExpectBasePlacement(*Read);
    EXPECT_NE(Read->NameText, 0u);
    EXPECT_NE(Read->SecondText, 0u);
    EXPECT_EQ(Read->NameText, Component->NameText);
    EXPECT_EQ(Read->SecondText, Component->SecondText);
    EXPECT_EQ(Read->Name, std::string(250, 'n'));
    EXPECT_EQ(Read->SourceLinks, Component->SourceLinks);
}

TEST_F(TKorrinPrimitivesTest, ComponentChildrenAndTheirLayers) {
    const THandle Component = host::PcbApi_CreateObject(ab::kKindComponent);
    ASSERT_NE(Component, 0u);
    auto AddChild = [&](uint8_t Kind, TV7_Layer Layer) {
        const THandle Child = host::PcbApi_CreateObject(Kind);
        std::unique_ptr<TPCBObject> Wrapper = WrapObject(Child);
        Wrapper->Layer = Layer;
        Wrapper->TransferProperties(ptWrite);
        host::PcbApi_AddObjectToContainer(Component, Child);
        return Child;
    };
    const THandle OnTop = AddChild(ab::kKindTrack, TopLayer);
    const THandle OnMulti = AddChild(ab::kKindPad, MultiLayer);
    const THandle OnMechanical = AddChild(ab::kKindArc, MechanicalLayer(16));
    const THandle OnOverlay = AddChild(ab::kKindText, TopOverlay);
    AddChild(ab::kKindComponent, TopLayer); // not a primitive kind

    TPcbComponent Wrapper(Component);
    Wrapper.TransferProperties(ptRead);
    std::vector<THandle> Children;
    Wrapper.ForEachChild([&](THandle Child) { Children.push_back(Child); }, PrimitiveKinds,
                         ClassicLayerRange(1, 75));
    // Kind by kind (arc 1, pad 2, track 4, text 5); the name and comment texts are not among
    // the children.
    EXPECT_EQ(Children, (std::vector<THandle>{OnMechanical, OnMulti, OnTop, OnOverlay}));

    SetObjectLayer(Wrapper.NameText, TClassicLayer::BottomOverlay);
    TPcbText Name(Wrapper.NameText);
    Name.TransferProperties(ptRead);
    EXPECT_EQ(Name.Layer, BottomOverlay);
    SetObjectLayer(0, TClassicLayer::BottomOverlay); // nothing to do
}

TEST_F(TKorrinBoardTest, EveryBoardValueRoundTrips) {
    TPcbBoard Written(Board);
    EXPECT_EQ(Written.TransferProperties(ptRead), 0);
    EXPECT_EQ(Written.FileName, "roundtrip.json");

    const TFields<TPcbBoard> Fields = {FIELD(Value0, 30),
                                       FIELD(Byte1, 31),
                                       FIELD(Value1, 32),
                                       FIELD(Value2, 33),
                                       FIELD(Value3, 34),
                                       FIELD(Value4, 35),
                                       FIELD(CurrentLayer, TClassicLayer::Mechanical3),
                                       FIELD(Value5, 36),
                                       FIELD(SplitPlaneMode, 2),
                                       FIELD(TopDielectric.Material, "Solder resist"),
                                       FIELD(TopDielectric.DielectricKind, 3),
                                       FIELD(TopDielectric.Constant, 3.8),
                                       FIELD(TopDielectric.Height, 4000),
                                       FIELD(BottomDielectric.Material, "Core"),
                                       FIELD(BottomDielectric.DielectricKind, 4),
                                       FIELD(BottomDielectric.Constant, 4.2),
                                       FIELD(BottomDielectric.Height, 5000)};
    WriteFields(Written, Fields);
    Written.DisplayUnit = !Written.DisplayUnit;
    for (int Index = 1; Index <= 82; ++Index) {
        TLayerObject& Layer = Written.LayerObject(static_cast<TClassicLayer>(Index));
        Layer.Name = "Layer " + std::to_string(Index);
        Layer.Shown = static_cast<uint8_t>(Index % 2);
        Layer.CopperThickness = 10000 + Index;
        Layer.Value1 = Index * 3;
        Layer.Info = Index * 5;
        Layer.Dielectric = {"Polyimide " + std::to_string(Index), 2, 3.5, 50000 + Index};
        if (auto* Plane = dynamic_cast<TInternalPlane*>(&Layer)) {
            Plane->NetName = "GND" + std::to_string(Index);
            Plane->PullBackDistance = 20000 + Index;
        }
    }
    auto Pattern = [](int Seed) {
        TPcbBoard::TOptionRecord Record;
        for (std::size_t Index = 0; Index < Record.size(); ++Index)
            Record[Index] = static_cast<uint8_t>(Seed * 7 + Index);
        return Record;
    };
    const auto Options = {&TPcbBoard::Grids,         &TPcbBoard::OutputOptions,
                          &TPcbBoard::GerberOptions, &TPcbBoard::PrinterOptions,
                          &TPcbBoard::PlacerOptions, &TPcbBoard::ChangeOrderOptions};
    int Seed = 1;
    for (const auto Option : Options)
        Written.*Option = Pattern(Seed++);
    for (std::size_t Index = 0; Index < Written.PlotLayers.size(); ++Index) {
        Written.PlotLayers[Index] = Pattern(10 + static_cast<int>(Index));
        Written.FlipLayers[Index] = Pattern(20 + static_cast<int>(Index));
        Written.PlotterPens[Index] = Pattern(30 + static_cast<int>(Index));
        Written.CompositeLayers[Index] = Pattern(40 + static_cast<int>(Index));
    }
    Written.LayerPairs.clear();
    for (int Index = 0; Index < 3; ++Index) {
        auto Pair = std::make_unique<TPcblayerPair>();
        Pair->LowLayer = TopLayer;
        Pair->HighLayer = MidLayer(Index + 1);
        Pair->DrillGuide = 1;
        Pair->DrillDrawing = static_cast<uint8_t>(Index % 2);
        Written.LayerPairs.push_back(std::move(Pair));
    }
    EXPECT_EQ(Written.TransferProperties(ptUpdate), 0);

    TPcbBoard Read(Board);
    EXPECT_EQ(Read.TransferProperties(ptRead), 0);
    CheckFields(Read, Fields);
    EXPECT_EQ(Read.FileName, "roundtrip.json");
    EXPECT_EQ(Read.DisplayUnit, Written.DisplayUnit);
    for (int Index = 1; Index <= 82; ++Index) {
        SCOPED_TRACE(Index);
        const auto Classic = static_cast<TClassicLayer>(Index);
        const TLayerObject& A = Written.LayerObject(Classic);
        const TLayerObject& B = Read.LayerObject(Classic);
        EXPECT_EQ(B.Name, A.Name);
        EXPECT_EQ(B.Shown, A.Shown);
        EXPECT_EQ(B.CopperThickness, A.CopperThickness);
        EXPECT_EQ(B.Info, A.Info);
        EXPECT_EQ(B.Dielectric.Material, A.Dielectric.Material);
        EXPECT_EQ(B.Dielectric.DielectricKind, 2);
        EXPECT_EQ(B.Dielectric.Constant, 3.5);
        EXPECT_EQ(B.Dielectric.Height, A.Dielectric.Height);
        if (const auto* Plane = dynamic_cast<const TInternalPlane*>(&B)) {
            EXPECT_EQ(Plane->NetName, "GND" + std::to_string(Index));
            EXPECT_EQ(Plane->PullBackDistance, 20000 + Index);
        } else {
            EXPECT_EQ(B.Value1, A.Value1); // planes have no such value
        }
    }
    for (const auto Option : Options)
        EXPECT_EQ(Read.*Option, Written.*Option);
    EXPECT_EQ(Read.PlotLayers, Written.PlotLayers);
    EXPECT_EQ(Read.FlipLayers, Written.FlipLayers);
    EXPECT_EQ(Read.PlotterPens, Written.PlotterPens);
    EXPECT_EQ(Read.CompositeLayers, Written.CompositeLayers);
    ASSERT_EQ(Read.LayerPairs.size(), 3u);
    for (std::size_t Index = 0; Index < 3; ++Index) {
        EXPECT_EQ(Read.LayerPairs[Index]->LowLayer, TopLayer);
        EXPECT_EQ(Read.LayerPairs[Index]->HighLayer, Written.LayerPairs[Index]->HighLayer);
        EXPECT_EQ(Read.LayerPairs[Index]->DrillGuide, 1);
        EXPECT_EQ(Read.LayerPairs[Index]->DrillDrawing, Index % 2);
    }

    // Fewer pairs written replace the host's list.
    Read.LayerPairs.pop_back();
    Read.TransferProperties(ptUpdate);
    TPcbBoard Again(Board);
    Again.TransferProperties(ptRead);
    EXPECT_EQ(Again.LayerPairs.size(), 2u);
}

TEST_F(TKorrinBoardTest, BoardInterfaceThroughTheClientsServerModule) {
    struct TClient : testsupport::TStubClient {
        ab::IInterface* PcbModule() override { return test::ServerModule(); }
    } Client;
    SetHostClient(&Client);
    ASSERT_NE(GetPcbServer(), nullptr);
    ab::IPCB_Board* Interface = TPcbBoard(Board).GetBoardInterface();
    ASSERT_NE(Interface, nullptr);
    EXPECT_EQ(Interface->BoardHandle(), Board);
    EXPECT_EQ(TPcbBoard(Board + 100000).GetBoardInterface(), nullptr);
    SetHostClient(nullptr);
}
