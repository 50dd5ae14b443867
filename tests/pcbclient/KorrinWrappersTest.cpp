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
#include <memory>
#include <string>
#include <vector>

using namespace dxfi;
namespace ab = dxfi::abi;

namespace {

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

    static void ExpectSameBase(const TPCBObject& A, const TPCBObject& B) {
        EXPECT_EQ(A.Handle, B.Handle);
        EXPECT_EQ(A.Kind, B.Kind);
        EXPECT_EQ(B.X, 1234567);
        EXPECT_EQ(B.Y, -7654321);
        EXPECT_EQ(B.Flags, 0xA5A5);
        EXPECT_EQ(B.BitField2, 0x5A);
        EXPECT_EQ(B.BitField3, 0x1234);
        EXPECT_EQ(B.PrimWord, 0x4321);
        EXPECT_EQ(B.PrimByte, 0x77);
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
    auto [Track, TrackRead] = RoundTrip<TPcbTrack>(ab::kKindTrack, [](TPcbTrack& T) {
        T.X2 = 42;
        T.Y2 = -42;
        T.Width = 100000;
        T.Value1 = 1;
        T.Value2 = -2;
        T.Value3 = 3;
    });
    ExpectSameBase(*Track, *TrackRead);
    EXPECT_EQ(TrackRead->X2, 42);
    EXPECT_EQ(TrackRead->Y2, -42);
    EXPECT_EQ(TrackRead->Width, 100000);
    EXPECT_EQ(TrackRead->Value1, 1);
    EXPECT_EQ(TrackRead->Value2, -2);
    EXPECT_EQ(TrackRead->Value3, 3);

    auto [Arc, ArcRead] = RoundTrip<TPcbArc>(ab::kKindArc, [](TPcbArc& A) {
        A.Radius = 5000;
        A.StartAngle = 12.25;
        A.EndAngle = 359.5;
        A.Width = 777;
        A.Value1 = -5;
    });
    ExpectSameBase(*Arc, *ArcRead);
    EXPECT_EQ(ArcRead->Radius, 5000);
    EXPECT_EQ(ArcRead->StartAngle, 12.25);
    EXPECT_EQ(ArcRead->EndAngle, 359.5);
    EXPECT_EQ(ArcRead->Width, 777);
    EXPECT_EQ(ArcRead->Value1, -5);

    auto [Via, ViaRead] = RoundTrip<TPcbVia>(ab::kKindVia, [](TPcbVia& V) {
        V.Layer = MultiLayer;
        V.Size = 500000;
        V.HoleSize = 250000;
        V.LowLayer = TopLayer;
        V.HighLayer = BottomLayer;
        V.Value1 = 9;
        V.Value2 = 10;
    });
    ExpectSameBase(*Via, *ViaRead);
    EXPECT_EQ(ViaRead->Size, 500000);
    EXPECT_EQ(ViaRead->HoleSize, 250000);
    EXPECT_EQ(ViaRead->LowLayer, TopLayer);
    EXPECT_EQ(ViaRead->HighLayer, BottomLayer);
    EXPECT_EQ(ViaRead->Value1, 9);
    EXPECT_EQ(ViaRead->Value2, 10);

    auto [Fill, FillRead] = RoundTrip<TPcbFill>(ab::kKindFill, [](TPcbFill& F) {
        F.X2 = 2000000;
        F.Y2 = 3000000;
        F.Rotation = 45.5;
        F.Value1 = 11;
    });
    ExpectSameBase(*Fill, *FillRead);
    EXPECT_EQ(FillRead->X2, 2000000);
    EXPECT_EQ(FillRead->Y2, 3000000);
    EXPECT_EQ(FillRead->Rotation, 45.5);
    EXPECT_EQ(FillRead->Value1, 11);
}

TEST_F(TKorrinPrimitivesTest, RegionBodyEmbeddedBoardNet) {
    auto [Region, RegionRead] = RoundTrip<TPCBRegion>(ab::kKindRegion, [](TPCBRegion& R) {
        R.RegionKind = 2;
        R.Value1 = 12;
    });
    ExpectSameBase(*Region, *RegionRead);
    EXPECT_EQ(RegionRead->RegionKind, 2);
    EXPECT_EQ(RegionRead->Value1, 12);

    auto [Body, BodyRead] =
        RoundTrip<TPcbComponentBody>(ab::kKindComponentBody, [](TPcbComponentBody& B) {
            B.Height = 1000000;
            B.Value1 = 13;
        });
    ExpectSameBase(*Body, *BodyRead);
    EXPECT_EQ(BodyRead->Height, 1000000);
    EXPECT_EQ(BodyRead->Value1, 13);

    auto [Embedded, EmbeddedRead] =
        RoundTrip<TPcbEmbeddedBoard>(ab::kKindEmbeddedBoard, [](TPcbEmbeddedBoard& E) {
            E.X2 = 5;
            E.Y2 = 6;
            E.RowCount = 3;
            E.ColumnCount = 4;
            E.RowSpacing = 70000;
            E.ColumnSpacing = 80000;
            E.Rotation = 90;
            E.DocumentPath = "panels/child board.json";
        });
    ExpectSameBase(*Embedded, *EmbeddedRead);
    EXPECT_EQ(EmbeddedRead->X2, 5);
    EXPECT_EQ(EmbeddedRead->Y2, 6);
    EXPECT_EQ(EmbeddedRead->RowCount, 3);
    EXPECT_EQ(EmbeddedRead->ColumnCount, 4);
    EXPECT_EQ(EmbeddedRead->RowSpacing, 70000);
    EXPECT_EQ(EmbeddedRead->ColumnSpacing, 80000);
    EXPECT_EQ(EmbeddedRead->Rotation, 90);
    EXPECT_EQ(EmbeddedRead->DocumentPath, "panels/child board.json");

    auto [Net, NetRead] = RoundTrip<TPcbNet>(ab::kKindNet, [](TPcbNet& N) { N.Name = "GND"; });
    ExpectSameBase(*Net, *NetRead);
    EXPECT_EQ(NetRead->Name, "GND");
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

    auto [Text, TextRead] = RoundTrip<TPcbText>(ab::kKindText, [](TPcbText& T) {
        T.Layer = TopOverlay;
        T.Height = 600000;
        T.Value1 = 14;
        T.Rotation = 270.75;
        T.Mirror = true;
        T.Text = "Size \xE2\x89\xA5 5 mm"; // a multi-byte character survives
        T.Width = 60000;
        T.Value2 = 15;
        T.Value3 = -16;
        T.UseTrueType = 1;
        T.FontName = "DejaVu Sans";
        T.Bold = 1;
        T.Italic = 1;
        T.Inverted = 1;
        T.InvertedBorder = 12345;
        T.BarCodeKind = 1;
        T.BarCodeValue1 = 2;
        T.BarCodeValue2 = 3;
        T.BarCodeValue3 = 4;
    });
    ExpectSameBase(*Text, *TextRead);
    EXPECT_EQ(TextRead->Height, 600000);
    EXPECT_EQ(TextRead->Value1, 14);
    EXPECT_EQ(TextRead->Rotation, 270.75);
    EXPECT_TRUE(TextRead->Mirror);
    EXPECT_EQ(TextRead->Text, "Size \xE2\x89\xA5 5 mm");
    EXPECT_EQ(TextRead->DisplayText, "Size \xE2\x89\xA5 5 mm");
    EXPECT_EQ(Text->DisplayText, TextRead->DisplayText); // asked again after the write
    EXPECT_EQ(TextRead->Width, 60000);
    EXPECT_EQ(TextRead->Value2, 15);
    EXPECT_EQ(TextRead->Value3, -16);
    EXPECT_EQ(TextRead->UseTrueType, 1);
    EXPECT_EQ(TextRead->FontName, "DejaVu Sans");
    EXPECT_EQ(TextRead->Bold, 1);
    EXPECT_EQ(TextRead->Italic, 1);
    EXPECT_EQ(TextRead->Inverted, 1);
    EXPECT_EQ(TextRead->InvertedBorder, 12345);
    EXPECT_EQ(TextRead->BarCodeKind, 1);
    EXPECT_EQ(TextRead->BarCodeValue1, 2);
    EXPECT_EQ(TextRead->BarCodeValue2, 3);
    EXPECT_EQ(TextRead->BarCodeValue3, 4);

    // A text longer than 255 bytes is cut, never inside a character.
    auto [Long, LongRead] = RoundTrip<TPcbText>(
        ab::kKindText, [](TPcbText& T) { T.Text = std::string(254, 'x') + "\xC3\xA9"; });
    EXPECT_EQ(LongRead->Text, std::string(254, 'x'));
}

TEST_F(TKorrinPrimitivesTest, PadWithFullStack) {
    auto [Pad, PadRead] = RoundTrip<TPcbPad>(ab::kKindPad, [](TPcbPad& P) {
        P.Layer = MultiLayer;
        P.PadSizes = {600000, 500000, 400000, 300000, 200000, 100000};
        P.HoleSize = 350000;
        P.Byte1 = 1;
        P.Byte2 = 2;
        P.Byte3 = 3;
        P.String1 = "A1";
        P.Byte4 = 4;
        P.Byte5 = 5;
        P.Rotation = 30.5;
        P.String2 = "second";
        P.String3 = std::string(20, 'z');
        P.Long1 = 17;
        P.String4 = "fourth";
        P.Byte6 = 6;
        P.Byte7 = 7;
        P.Long2 = 18;
        P.Long3 = 19;
        P.Long4 = 20;
        P.Long5 = 21;
        P.Long6 = 22;
        P.Byte8 = 8;
        P.Byte9 = 9;
        P.PadStackMode = kPadStackFullStack;
        for (int Layer = 0; Layer < kClassicLayerCount; ++Layer) {
            P.ShapeOnLayer[Layer] = static_cast<uint8_t>(Layer % 10);
            P.SizeOnLayer[Layer] = {10000 + Layer, 20000 + Layer};
            P.CRPercentageOnLayer[Layer] = static_cast<uint8_t>(Layer);
        }
    });
    ExpectSameBase(*Pad, *PadRead);
    EXPECT_EQ(PadRead->PadSizes, Pad->PadSizes);
    EXPECT_EQ(PadRead->HoleSize, 350000);
    EXPECT_EQ(PadRead->Byte1, 1);
    EXPECT_EQ(PadRead->Byte2, 2);
    EXPECT_EQ(PadRead->Byte3, 3);
    EXPECT_EQ(PadRead->String1, "A1");
    EXPECT_EQ(PadRead->Byte4, 4);
    EXPECT_EQ(PadRead->Byte5, 5);
    EXPECT_EQ(PadRead->Rotation, 30.5);
    EXPECT_EQ(PadRead->String2, "second");
    EXPECT_EQ(PadRead->String3, std::string(20, 'z'));
    EXPECT_EQ(PadRead->Long1, 17);
    EXPECT_EQ(PadRead->String4, "fourth");
    EXPECT_EQ(PadRead->Byte6, 6);
    EXPECT_EQ(PadRead->Byte7, 7);
    EXPECT_EQ(PadRead->Long2, 18);
    EXPECT_EQ(PadRead->Long3, 19);
    EXPECT_EQ(PadRead->Long4, 20);
    EXPECT_EQ(PadRead->Long5, 21);
    EXPECT_EQ(PadRead->Long6, 22);
    EXPECT_EQ(PadRead->Byte8, 8);
    EXPECT_EQ(PadRead->Byte9, 9);
    EXPECT_EQ(PadRead->PadStackMode, kPadStackFullStack);
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
    auto [Component, Read] = RoundTrip<TPcbComponent>(ab::kKindComponent, [](TPcbComponent& C) {
        C.Layer = BottomLayer;
        C.ChannelOffset = 23;
        C.ComponentKind = 2;
        C.Name = std::string(260, 'n'); // cut to 250
        C.FlagA = true;
        C.FlagB = true;
        C.Value1 = 24;
        C.Rotation = 180.25;
        C.Byte1 = 25;
        C.ExValue1 = 26;
        C.ExByte1 = 27;
        C.ExByte2 = 28;
        C.ExValue2 = 29;
        for (std::size_t Index = 0; Index < C.SourceLinks.size(); ++Index)
            C.SourceLinks[Index] = "link " + std::to_string(Index);
        C.DefaultPCB3DModel = "models/so8.step";
    });
    EXPECT_EQ(Read->X, 1234567);
    EXPECT_EQ(Read->Y, -7654321);
    EXPECT_EQ(Read->Flags, 0xA5A5);
    EXPECT_EQ(Read->BitField2, 0x5A);
    EXPECT_EQ(Read->BitField3, 0x1234);
    EXPECT_EQ(Read->PrimWord, 0x4321);
    EXPECT_EQ(Read->PrimByte, 0x77);
    EXPECT_EQ(Read->Layer, BottomLayer);
    EXPECT_EQ(Read->ChannelOffset, 23);
    EXPECT_EQ(Read->ComponentKind, 2);
    EXPECT_NE(Read->NameText, 0u);
    EXPECT_NE(Read->SecondText, 0u);
    EXPECT_EQ(Read->NameText, Component->NameText);
    EXPECT_EQ(Read->SecondText, Component->SecondText);
    EXPECT_EQ(Read->Name, std::string(250, 'n'));
    EXPECT_TRUE(Read->FlagA);
    EXPECT_TRUE(Read->FlagB);
    EXPECT_EQ(Read->Value1, 24);
    EXPECT_EQ(Read->Rotation, 180.25);
    EXPECT_EQ(Read->Byte1, 25);
    EXPECT_EQ(Read->ExValue1, 26);
    EXPECT_EQ(Read->ExByte1, 27);
    EXPECT_EQ(Read->ExByte2, 28);
    EXPECT_EQ(Read->ExValue2, 29);
    EXPECT_EQ(Read->SourceLinks, Component->SourceLinks);
    EXPECT_EQ(Read->DefaultPCB3DModel, "models/so8.step");
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

    Written.Value0 = 30;
    Written.Byte1 = 31;
    Written.Value1 = 32;
    Written.Value2 = 33;
    Written.Value3 = 34;
    Written.Value4 = 35;
    Written.DisplayUnit = !Written.DisplayUnit;
    Written.CurrentLayer = TClassicLayer::Mechanical3;
    Written.Value5 = 36;
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
    Written.SplitPlaneMode = 2;
    auto Pattern = [](int Seed) {
        TPcbBoard::TOptionRecord Record;
        for (std::size_t Index = 0; Index < Record.size(); ++Index)
            Record[Index] = static_cast<uint8_t>(Seed * 7 + Index);
        return Record;
    };
    Written.Grids = Pattern(1);
    Written.OutputOptions = Pattern(2);
    Written.GerberOptions = Pattern(3);
    Written.PrinterOptions = Pattern(4);
    Written.PlacerOptions = Pattern(5);
    Written.ChangeOrderOptions = Pattern(6);
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
    Written.TopDielectric = {"Solder resist", 3, 3.8, 4000};
    Written.BottomDielectric = {"Core", 4, 4.2, 5000};
    EXPECT_EQ(Written.TransferProperties(ptUpdate), 0);

    TPcbBoard Read(Board);
    EXPECT_EQ(Read.TransferProperties(ptRead), 0);
    EXPECT_EQ(Read.Value0, 30);
    EXPECT_EQ(Read.FileName, "roundtrip.json");
    EXPECT_EQ(Read.Byte1, 31);
    EXPECT_EQ(Read.Value1, 32);
    EXPECT_EQ(Read.Value2, 33);
    EXPECT_EQ(Read.Value3, 34);
    EXPECT_EQ(Read.Value4, 35);
    EXPECT_EQ(Read.DisplayUnit, Written.DisplayUnit);
    EXPECT_EQ(Read.CurrentLayer, TClassicLayer::Mechanical3);
    EXPECT_EQ(Read.Value5, 36);
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
    EXPECT_EQ(Read.SplitPlaneMode, 2);
    EXPECT_EQ(Read.Grids, Written.Grids);
    EXPECT_EQ(Read.OutputOptions, Written.OutputOptions);
    EXPECT_EQ(Read.GerberOptions, Written.GerberOptions);
    EXPECT_EQ(Read.PrinterOptions, Written.PrinterOptions);
    EXPECT_EQ(Read.PlacerOptions, Written.PlacerOptions);
    EXPECT_EQ(Read.ChangeOrderOptions, Written.ChangeOrderOptions);
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
    EXPECT_EQ(Read.TopDielectric.Material, "Solder resist");
    EXPECT_EQ(Read.TopDielectric.DielectricKind, 3);
    EXPECT_EQ(Read.TopDielectric.Constant, 3.8);
    EXPECT_EQ(Read.TopDielectric.Height, 4000);
    EXPECT_EQ(Read.BottomDielectric.Material, "Core");
    EXPECT_EQ(Read.BottomDielectric.DielectricKind, 4);
    EXPECT_EQ(Read.BottomDielectric.Constant, 4.2);
    EXPECT_EQ(Read.BottomDielectric.Height, 5000);

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
