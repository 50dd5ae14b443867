// SPDX-License-Identifier: MIT
// The options dialog's behaviour without widgets: over a processor double for the scale, size
// label and write-back rules, over the real host module for the board's layer names, and once
// over the real processor with a loaded drawing.
#include "options/SetupDialogModel.h"
#include "base/Assertion.h"
#include "engine/Pad2.h"
#include "options/WindowlessSetupDialog.h"
#include "pcbclient/PcbApiBinding.h"
#include "pcbclient/PcbBoard.h"
#include "pcbimport/PcbDxfProcessor.h"
#include "support/BoardFixture.h"
#include "support/ProcessorDouble.h"
#include "support/TestHost.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

using namespace dxfi;
namespace ab = dxfi::abi;

namespace {

class TSetupFixture : public test::TBoardFixture {
protected:
    TSetupFixture() : TBoardFixture("setup.board.json") {}

    void SetUpBoard() override {
        Board = std::make_unique<TPcbBoard>(Handle);
        Board->DisplayUnit = true; // shown in mils
        Dialog = std::make_unique<TSetupDialog>(Board.get());
    }
    void TearDownBoard() override {
        Dialog.reset();
        Board.reset();
    }

    std::unique_ptr<TPcbBoard> Board;
    std::unique_ptr<TSetupDialog> Dialog;
    test::TProcessorDouble Processor;
};

using TSetupScaleTest = TSetupFixture;
using TSetupFillTest = TSetupFixture;
using TSetupLayerTest = TSetupFixture;

} // namespace

TEST(TSetupDialogCreation, WithoutBoardIsAnAssertion) {
    try {
        TSetupDialog dialog(nullptr);
        FAIL() << "no assertion";
    } catch (const EAssertionFailure& failure) {
        EXPECT_EQ(failure.Module(), "Setup");
    }
}

TEST_F(TSetupFillTest, ProcessorAsCreatedShowsMilAndTheWidthInMillimetres) {
    Dialog->LoadFromProcessor(Processor);
    EXPECT_EQ(Dialog->Scale(), scMil); // 10000 is not exactly 1
    EXPECT_EQ(Dialog->UnitsText(), "1mil");
    EXPECT_DOUBLE_EQ(Processor.Scale, 1.0 / 10000);
    EXPECT_EQ(Dialog->LineWidthText(), "0.127mm");
    EXPECT_EQ(Dialog->SpaceIndex(), 0);
    EXPECT_EQ(Dialog->BlocksIndex(), 1);
    EXPECT_EQ(Dialog->SplinesIndex(), 0); // Discard
    EXPECT_EQ(Dialog->XText(), "1000mil");
    EXPECT_EQ(Dialog->YText(), "1000mil");
    EXPECT_EQ(Dialog->SizeText(), "Size = 1000mil (25.4mm) x 500mil (12.7mm)");
    EXPECT_FALSE(Dialog->SizeRed());
    ASSERT_EQ(Dialog->ConditionList().size(), 4u);
    EXPECT_EQ(Dialog->ConditionList()[2], "Larger Than");
    ASSERT_FALSE(Dialog->PcbLayerList().empty());
    EXPECT_EQ(Dialog->PcbLayerList().front(), "Not Imported");
}

TEST_F(TSetupFillTest, ScaleOfExactlyOneShowsMmAndMils) {
    Processor.Scale = 1.0;
    Board->DisplayUnit = false;
    Dialog->LoadFromProcessor(Processor);
    EXPECT_EQ(Dialog->Scale(), scMm);
    EXPECT_EQ(Dialog->UnitsText(), "1mm");
    EXPECT_EQ(Dialog->LineWidthText(), "5mil"); // read before the scale was applied
    EXPECT_EQ(Dialog->XText(), "25.4mm");
    EXPECT_EQ(Dialog->SizeText(), "Size = 25.4mm (1000mil) x 12.7mm (500mil)");
}

TEST_F(TSetupScaleTest, TypedUnitsSetTheScaleAndLeavingChecksTheChoice) {
    Dialog->LoadFromProcessor(Processor);
    Dialog->UnitsEditEnter();
    EXPECT_EQ(Dialog->Scale(), scOther);
    Dialog->SetUnitsText("25.4MM");
    EXPECT_DOUBLE_EQ(Processor.Scale, 1.0 / 10000000);
    Dialog->UnitsEditExit();
    EXPECT_EQ(Dialog->Scale(), scOther);

    Dialog->UnitsEditEnter();
    Dialog->SetUnitsText("1MIL");
    Dialog->UnitsEditExit();
    EXPECT_EQ(Dialog->Scale(), scMil);
    EXPECT_DOUBLE_EQ(Processor.Scale, 1.0 / 10000);

    Dialog->SetUnitsText(" 1000mil"); // not trimmed: other
    Dialog->UnitsEditExit();
    EXPECT_EQ(Dialog->Scale(), scOther);
    Dialog->ClickScale(scInch);
    EXPECT_EQ(Dialog->UnitsText(), "1000mil");
    EXPECT_DOUBLE_EQ(Processor.Scale, 1.0 / 10000000);
    Dialog->ClickScale(scOther);
    EXPECT_EQ(Dialog->UnitsText(), "1000mil");
    Dialog->ClickScale(scMm);
    EXPECT_EQ(Dialog->UnitsText(), "1mm");
    EXPECT_DOUBLE_EQ(Processor.Scale, 1.0 / 393701);
}

TEST_F(TSetupScaleTest, ClearedOrWordyUnitsKeepTheScaleButRefreshTheLabel) {
    Dialog->LoadFromProcessor(Processor);
    const int recomputed = Processor.Recomputed;
    Processor.NextWidth = 20000000;
    Dialog->SetUnitsText("");
    EXPECT_DOUBLE_EQ(Processor.Scale, 1.0 / 10000);
    EXPECT_EQ(Processor.Recomputed, recomputed + 1);
    EXPECT_EQ(Dialog->SizeText(), "Size = 2000mil (50.8mm) x 500mil (12.7mm)");
    Dialog->SetUnitsText("mil");
    Dialog->SetUnitsText("0");
    EXPECT_DOUBLE_EQ(Processor.Scale, 1.0 / 10000);
}

TEST_F(TSetupScaleTest, LabelTurnsRedAboveTheLimit) {
    Dialog->LoadFromProcessor(Processor);
    Processor.NextWidth = 999990001;
    Dialog->ExtentsChange();
    EXPECT_TRUE(Dialog->SizeRed());
    Processor.NextWidth = 999990000;
    Processor.NextHeight = 999990000;
    Dialog->ExtentsChange();
    EXPECT_FALSE(Dialog->SizeRed());
    Processor.NextHeight = 999990001;
    Dialog->ExtentsChange();
    EXPECT_TRUE(Dialog->SizeRed());
    Processor.NextHeight = -2147483647 - 1; // signed comparison
    Processor.NextWidth = 0;
    Dialog->ExtentsChange();
    EXPECT_FALSE(Dialog->SizeRed());
}

TEST_F(TSetupFillTest, DrawingSpaceClickReachesTheProcessor) {
    Dialog->LoadFromProcessor(Processor);
    Dialog->ClickDrawingSpace(1);
    EXPECT_EQ(Processor.Spaces, 1);
}

TEST_F(TSetupFillTest, WritesEveryControlBack) {
    Dialog->LoadFromProcessor(Processor);
    Dialog->SetLineWidthText("10mil");
    Dialog->SetXText("1mm");
    Dialog->SetYText("250"); // bare: the board's display unit (mils)
    Dialog->ChooseBlocks(0);
    Dialog->ChooseSplines(1);
    Dialog->ClickDrawingSpace(1);
    Dialog->ClickScale(scMm);
    Processor.Spaces = 0;
    Processor.Scale = 5;
    Dialog->SaveToProcessor(Processor);
    EXPECT_EQ(Processor.LineWidth, 100000);
    EXPECT_EQ(Processor.X, 393701);
    EXPECT_EQ(Processor.Y, 2500000);
    EXPECT_FALSE(Processor.Explode);
    EXPECT_TRUE(Processor.Splines);
    EXPECT_EQ(Processor.Spaces, 1);
    EXPECT_DOUBLE_EQ(Processor.Scale, 1.0 / 393701);
    Dialog->ChooseSplines(0);
    Dialog->SaveToProcessor(Processor);
    EXPECT_FALSE(Processor.Splines);

    Dialog->SetLineWidthText("");
    Dialog->SetXText("abc");
    Dialog->SaveToProcessor(Processor);
    EXPECT_EQ(Processor.LineWidth, 0);
    EXPECT_EQ(Processor.X, 0);
}

TEST_F(TSetupFillTest, HostAnswersDriveTheModelessDialog) {
    Dialog->LoadFromProcessor(Processor);
    Client.Answers = "units=2mil\nDrawingSpace=Paper\nBlocks=components\nSplines=APPROXIMATE\nX="
                     "0\nY=5mm\nbogus\n";
    EXPECT_EQ(Dialog->ShowModal(), 1);
    EXPECT_EQ(Dialog->UnitsText(), "2mil");
    EXPECT_EQ(Dialog->Scale(), scOther);
    EXPECT_DOUBLE_EQ(Processor.Scale, 1.0 / 20000);
    EXPECT_EQ(Dialog->SpaceIndex(), 1);
    EXPECT_EQ(Dialog->BlocksIndex(), 0);
    EXPECT_EQ(Dialog->SplinesIndex(), 1);
    EXPECT_EQ(Dialog->XText(), "0");
    EXPECT_EQ(Dialog->YText(), "5mm");
    Client.Answers = "Result=cancel";
    EXPECT_EQ(Dialog->ShowModal(), 2);
}

TEST_F(TSetupFillTest, AnswersEditOneLayerRowEach) {
    for (const char* name : {"Holes", "Outline"})
        Processor.Map.SetMapping(name, NoLayer, ccAll, 0);
    Dialog->LoadFromProcessor(Processor);
    Dialog->SelectRows({0, 1});
    Client.Answers = "layer:outline=bottom layer\ncondition:Outline = larger than\n"
                     "diameter:Outline=0.5MM\nspace=paper\nLineWidthEdit=0.2mm\r\n";
    EXPECT_EQ(Dialog->ShowModal(), 1);
    ASSERT_EQ(Dialog->Rows().size(), 2u);
    EXPECT_EQ(Dialog->Rows()[1].PcbLayer, "Bottom Layer"); // the list's spelling
    EXPECT_EQ(Dialog->Rows()[1].ConversionCondition, "Larger Than");
    EXPECT_EQ(Dialog->Rows()[1].Condition, ccLargerThan);
    EXPECT_EQ(Dialog->Rows()[1].OuterDiameter, "0.5mm");
    EXPECT_EQ(Dialog->Rows()[0].PcbLayer, "Not Imported"); // only the named row
    EXPECT_EQ(Dialog->Rows()[0].ConversionCondition, "All");
    EXPECT_EQ(Dialog->SelectedRows(), (std::vector<int>{0, 1}));
    EXPECT_EQ(Dialog->DiameterHistory(), (std::vector<std::string>{"0.5mm"}));
    EXPECT_EQ(Dialog->SpaceIndex(), 1);
    EXPECT_EQ(Dialog->LineWidthText(), "0.2mm");
    EXPECT_TRUE(Client.Messages.empty());
    Dialog->SaveToProcessor(Processor);
    EXPECT_EQ(Processor.Map.Layer(1), BottomLayer);
    EXPECT_EQ(Processor.Map.Threshold(1), 196850.0);
}

TEST_F(TSetupFillTest, AnAnswerNoControlTakesCancelsWithNothingApplied) {
    Processor.Map.SetMapping("Outline", NoLayer, ccAll, 0);
    Dialog->LoadFromProcessor(Processor);
    const std::pair<const char*, const char*> cases[] = {
        {"colour=red", "The answer \"colour=red\" names no control of the import options "
                       "dialog. Use units, scale, space, blocks, splines, linewidth, x, y or "
                       "result, or layer:, condition: or diameter: followed by a drawing layer's "
                       "name."},
        {"splines=keep", "The answer \"splines=keep\" is not a choice of Splines. Use Discard or "
                         "Approximate."},
        {"units=1furlong", "The answer \"units=1furlong\" gives no length for one AutoCAD "
                           "unit. Write a positive number with mm or mil, for example "
                           "units=1mm."},
        {"units=0mm", "The answer \"units=0mm\" gives no length for one AutoCAD unit. Write a "
                      "positive number with mm or mil, for example units=1mm."},
        {"scale=yard", "The answer \"scale=yard\" is not a choice of Scale. Use mm, mil, inch "
                       "or other."},
        {"space=sheet", "The answer \"space=sheet\" is not a choice of Drawing Space. Use Model "
                        "or Paper."},
        {"blocks=2", "The answer \"blocks=2\" is not a choice of Blocks. Use Components or "
                     "Primitives."},
        {"x=12x", "The answer \"x=12x\" is not a length. Write a number with mm or mil, for "
                  "example 0.2mm."},
        {"result=maybe", "The answer \"result=maybe\" is not a button of the dialog. Use OK "
                         "or Cancel."},
        {"layer:Rim=Top Layer", "The answer \"layer:Rim=Top Layer\" names the drawing layer "
                                "\"Rim\", which the drawing does not have. Name one of the "
                                "layers in the dialog's Source Layer Name column."},
        {"layer:Outline=Roof", "The answer \"layer:Outline=Roof\" names no PCB layer of the "
                               "board. Use Not Imported or a layer's name as the board shows "
                               "it, for example Top Layer."},
        {"condition:Outline=Bigger", "The answer \"condition:Outline=Bigger\" is not a "
                                     "Conversion Condition. Use All, None, Larger Than or "
                                     "Smaller Than."},
        {"diameter:Outline=", "The answer \"diameter:Outline=\" is not a length. Write a "
                              "number with mm or mil, for example 0.5mm."},
        // Lengths no board can take: everything would pile on one coordinate, or tracks
        // would get a negative width.
        {"x=1e308mil", "The answer \"x=1e308mil\" lies outside the board. Write a length "
                       "from -100 to 100 inch, for example 1000mil."},
        {"y=-2541mm", "The answer \"y=-2541mm\" lies outside the board. Write a length from "
                      "-100 to 100 inch, for example 1000mil."},
        {"linewidth=-5mm", "The answer \"linewidth=-5mm\" is not a line width. Write a length "
                           "from 0 to 100 inch, for example 0.2mm."},
        {"diameter:Outline=-1mm", "The answer \"diameter:Outline=-1mm\" is not a diameter. "
                                  "Write a length from 0 to 100 inch, for example 0.5mm."},
    };
    for (const auto& [answer, message] : cases) {
        Client.Messages.clear();
        Client.Answers = std::string("space=paper\n") + answer + "\n";
        EXPECT_EQ(Dialog->ShowModal(), 2) << answer;
        ASSERT_EQ(Client.Messages.size(), 1u) << answer;
        EXPECT_EQ(Client.Messages[0].Caption, "Error");
        EXPECT_EQ(Client.Messages[0].Text, std::string(message) + " Nothing was imported.");
        EXPECT_EQ(Dialog->SpaceIndex(), 0) << answer; // the good answer before it was not applied
    }
}

namespace {
class TSettingsClient : public test::TFakeClient {
public:
    const char* DXFI_STDCALL SettingsFile() override { return Settings.c_str(); }
    std::string Settings;
};
} // namespace

TEST_F(TSetupFillTest, TheHostsSettingsFileLoadsBeforeTheAnswers) {
    TSettingsClient client;
    SetHostClient(&client);
    Dialog->LoadFromProcessor(Processor);
    const std::string path = ::testing::TempDir() + "setup_host_settings.ini";
    Processor.LineWidth = 254000;
    std::string error;
    ASSERT_TRUE(Dialog->SaveSettingsFile(path, error)) << error;
    Processor.LineWidth = 1;
    client.Settings = path;
    client.Answers = "x=5mil";
    EXPECT_EQ(Dialog->ShowModal(), 1);
    EXPECT_EQ(Processor.LineWidth, 254000);
    EXPECT_EQ(Dialog->LineWidthText(), "0.6452mm");
    EXPECT_EQ(Dialog->XText(), "5mil");

    client.Settings = "/nonexistent-folder/settings.ini";
    EXPECT_EQ(Dialog->ShowModal(), 2);
    ASSERT_EQ(client.Messages.size(), 1u);
    EXPECT_EQ(client.Messages[0].Text,
              "Cannot load the settings file /nonexistent-folder/settings.ini: it does not exist "
              "or cannot be read. Give an INI file that Save Settings wrote. Nothing was "
              "imported.");
    SetHostClient(&Client);
    std::remove(path.c_str());
}

TEST_F(TSetupFillTest, AFailedSaveIsShown) {
    TSettingsClient client;
    SetHostClient(&client);
    class TChooser : public TSetupDialog {
    public:
        using TSetupDialog::TSetupDialog;
        std::string ChooseSettingsFile(bool) override { return "/nonexistent-folder/x.ini"; }
    } dialog(Board.get());
    dialog.LoadFromProcessor(Processor);
    dialog.SaveSettingsButtonClick();
    ASSERT_EQ(client.Messages.size(), 1u);
    EXPECT_EQ(client.Messages[0].Caption, "Error");
    EXPECT_NE(client.Messages[0].Text.find("/nonexistent-folder/x.ini"), std::string::npos);
    SetHostClient(&Client);
}

TEST_F(TSetupFillTest, SettingsFilesRoundTripAndRefill) {
    Dialog->LoadFromProcessor(Processor);
    const std::string path = ::testing::TempDir() + "setup_settings.ini";
    std::string error;
    Processor.LineWidth = 254000;
    ASSERT_TRUE(Dialog->SaveSettingsFile(path, error)) << error;
    Processor.LineWidth = 1;
    Dialog->LoadSettingsFile(path);
    EXPECT_EQ(Processor.LineWidth, 254000);
    EXPECT_EQ(Dialog->LineWidthText(), "0.6452mm");
    EXPECT_EQ(Dialog->Scale(), scMil);
    EXPECT_FALSE(Dialog->SaveSettingsFile("/nonexistent-folder/x.ini", error));
    EXPECT_NE(error.find("/nonexistent-folder/x.ini"), std::string::npos) << error;
    std::remove(path.c_str());
}

// ---- Layer rows --------------------------------------------------------------------------------

TEST_F(TSetupLayerTest, RowsShowTheBoardsNamesAndDiametersInTheUnitRule) {
    test::SetLayerName(Handle, MechanicalLayer(1), "Outline");
    Processor.Map.SetMapping("B", MechanicalLayer(1), ccSmallerThan, 127000.5); // ties to even
    Processor.Map.SetMapping("a", NoLayer, ccAll, 0);
    Dialog->LoadFromProcessor(Processor);
    ASSERT_EQ(Dialog->Rows().size(), 2u);
    const TLayerRow& a = Dialog->Rows()[0];
    EXPECT_EQ(a.SourceLayerName, "a");
    EXPECT_EQ(a.PcbLayer, "Not Imported");
    EXPECT_EQ(a.ConversionCondition, "All");
    EXPECT_EQ(a.Condition, ccAll);
    EXPECT_EQ(a.OuterDiameter, "0mm");
    const TLayerRow& b = Dialog->Rows()[1];
    EXPECT_EQ(b.PcbLayer, "Outline");
    EXPECT_EQ(b.ConversionCondition, "Smaller Than");
    EXPECT_EQ(b.OuterDiameter, "0.3226mm");
}

TEST_F(TSetupLayerTest, OneUnitFlagForTheWholePass) {
    for (const char* name : {"A", "B", "C", "D"})
        Processor.Map.SetMapping(name, TopLayer, ccAll, 0);
    Dialog->LoadFromProcessor(Processor);
    ASSERT_EQ(Dialog->Rows().size(), 4u);
    Dialog->SetCellText(0, lcOuterDiameter, "5");   // bare: display unit (mils)
    Dialog->SetCellText(1, lcOuterDiameter, "1mm"); // the suffix decides from here on
    Dialog->SetCellText(2, lcOuterDiameter, "2");
    Dialog->SetCellText(3, lcOuterDiameter, "3");
    Dialog->SaveLayerMappings(Processor.Map);
    ASSERT_EQ(Processor.Map.Count(), 4);
    EXPECT_EQ(Processor.Map.Threshold(0), 50000.0);
    EXPECT_EQ(Processor.Map.Threshold(1), 393701.0);
    EXPECT_EQ(Processor.Map.Threshold(2), 787402.0);
    EXPECT_EQ(Processor.Map.Threshold(3), 1181102.0);
    EXPECT_EQ(Processor.Map.Layer(3), TopLayer);
}

TEST_F(TSetupLayerTest, FindsBoardLayersInAnyCaseAndNotImportedAsNoLayer) {
    test::SetLayerName(Handle, MechanicalLayer(4), "Board Outline");
    EXPECT_EQ(Dialog->FindBoardLayerByName("board OUTLINE"), MechanicalLayer(4));
    EXPECT_EQ(Dialog->FindBoardLayerByName("top layer"), TopLayer);
    EXPECT_EQ(Dialog->FindBoardLayerByName("Mid-Layer 3"), MidLayer(3));
    EXPECT_EQ(Dialog->FindBoardLayerByName("Not Imported"), NoLayer);
    EXPECT_EQ(Dialog->FindBoardLayerByName(""), NoLayer);
    EXPECT_EQ(Dialog->BoardLayerName(NoLayer), "Not Imported");
    EXPECT_EQ(Dialog->BoardLayerName(MechanicalLayer(4)), "Board Outline");
}

TEST_F(TSetupLayerTest, ListsAndMenusHoldTheDesignLayers) {
    Dialog->LoadFromProcessor(Processor);
    // Not Imported, top, 30 mid, bottom, 16 planes, 32 mechanical, 10 other drawing layers.
    EXPECT_EQ(Dialog->PcbLayerList().size(), 91u);
    EXPECT_EQ(Dialog->NotImportedItem().Caption, "Not Imported");
    EXPECT_EQ(Dialog->SignalLayersMenu().size(), 32u);
    EXPECT_EQ(Dialog->MechanicalLayersMenu().size(), 32u);
    EXPECT_EQ(Dialog->InternalPlanesMenu().size(), 16u);
    EXPECT_EQ(Dialog->OtherLayersMenu().size(), 10u);
    Dialog->LoadFromProcessor(Processor); // a second fill does not add twice
    EXPECT_EQ(Dialog->MechanicalLayersMenu().size(), 32u);
    EXPECT_EQ(Dialog->PcbLayerList().size(), 91u);
}

TEST_F(TSetupLayerTest, EditsReachSelectedRowsOnly) {
    for (const char* name : {"A", "B", "C", "D"})
        Processor.Map.SetMapping(name, TopLayer, ccAll, 0);
    Dialog->LoadFromProcessor(Processor);
    Dialog->SelectRows({3, 1, 0, 1, 9});
    ASSERT_EQ(Dialog->SelectedRows(), (std::vector<int>{0, 1, 3}));
    Dialog->ConvertDonutsClick(ccSmallerThan);
    EXPECT_EQ(Dialog->Rows()[0].ConversionCondition, "Smaller Than");
    EXPECT_EQ(Dialog->Rows()[3].Condition, ccSmallerThan);
    EXPECT_EQ(Dialog->Rows()[2].ConversionCondition, "All");

    Dialog->SetFocusedRow(1);
    Dialog->SetCellText(1, lcOuterDiameter, "5MIL");
    Dialog->LayerTreeListEdited(lcOuterDiameter);
    Dialog->SetCellText(1, lcOuterDiameter, "5mil");
    Dialog->LayerTreeListEdited(lcOuterDiameter);
    EXPECT_EQ(Dialog->Rows()[3].OuterDiameter, "5mil");
    EXPECT_EQ(Dialog->DiameterHistory(), (std::vector<std::string>{"5mil"}));
    Dialog->SetCellText(1, lcOuterDiameter, "10mil");
    Dialog->LayerTreeListEdited(lcOuterDiameter);
    EXPECT_EQ(Dialog->DiameterHistory(), (std::vector<std::string>{"5mil", "10mil"}));
    Dialog->AddToDiameterHistory("2MM"); // new: sorted as text, then appended
    EXPECT_EQ(Dialog->DiameterHistory(), (std::vector<std::string>{"10mil", "5mil", "2MM"}));
    Dialog->AddToDiameterHistory("2mm"); // the same text in another case
    EXPECT_EQ(Dialog->DiameterHistory(), (std::vector<std::string>{"10mil", "2MM", "5mil"}));

    Dialog->SetCellText(1, lcConversionCondition, "Larger Than");
    Dialog->LayerTreeListEdited(lcConversionCondition);
    EXPECT_EQ(Dialog->Rows()[0].Condition, ccLargerThan);
    EXPECT_EQ(Dialog->Rows()[2].Condition, ccAll);

    Dialog->LayerMenuItemClick(BottomLayer);
    EXPECT_EQ(Dialog->Rows()[3].PcbLayer, "Bottom Layer");
    EXPECT_EQ(Dialog->Rows()[2].PcbLayer, "Top Layer");
    EXPECT_FALSE(TSetupDialog::LayerTreeListEditing(lcSourceLayerName));
    EXPECT_TRUE(TSetupDialog::LayerTreeListEditing(lcPcbLayer));
}

TEST_F(TSetupLayerTest, RecentLayersKeepTheFiveNewestWithoutDuplicates) {
    for (int n = 1; n <= 6; ++n)
        Dialog->AddToRecentLayers(MechanicalLayer(n));
    Dialog->AddToRecentLayers(MechanicalLayer(3));
    EXPECT_EQ(Dialog->RecentLayers(),
              (std::vector<TV7_Layer>{MechanicalLayer(2), MechanicalLayer(4), MechanicalLayer(5),
                                      MechanicalLayer(6), MechanicalLayer(3)}));
    const auto items = Dialog->RecentLayerItems();
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].Layer, MechanicalLayer(3)); // newest first
    EXPECT_EQ(items[4].Layer, MechanicalLayer(2));
}

// ---- Over the real processor
// -----------------------------------------------------------------------

TEST_F(TSetupFillTest, DrawingsStartAtTheUnitsTheyDeclare) {
    LoadEngineLibrary(DXFI_BIN_DIR "/libpad2.so");
    ASSERT_TRUE(EngineLibraryLoaded());
    ASSERT_TRUE(InitEngine(DXFI_BIN_DIR "/PADINIT.DAT"));
    struct TCase {
        const char* Drawing;
        TScaleChoice Scale;
        const char* Units;
        const char* Note;
        double DrawingScale;
    };
    const TCase cases[] = {
        {"/units_mm_R2000.dxf", scMm, "1mm", "Drawing units: mm (declared in the file)",
         1.0 / 393701},
        {"/units_inch_R2018.dxf", scInch, "1000mil", "Drawing units: inch (declared in the file)",
         1.0 / 10000000},
        {"/metres_R2000.dxf", scOther, "1000mm", "Drawing units: m (declared in the file)",
         1.0 / 393700787},
        {"/line_R2000.dxf", scMil, "1mil", "Drawing units: not declared", 1.0 / 10000},
        {"/units_mm_R12.dxf", scMil, "1mil", "Drawing units: not declared", 1.0 / 10000},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Drawing);
        TPcbDxfProcessor processor(std::string(DXFI_TEST_DATA_DIR) + c.Drawing, *Board);
        ASSERT_TRUE(processor.LoadFile());
        Dialog->LoadFromProcessor(processor);
        EXPECT_EQ(Dialog->Scale(), c.Scale);
        EXPECT_EQ(Dialog->UnitsText(), c.Units);
        EXPECT_EQ(Dialog->UnitsNoteText(), c.Note);
        EXPECT_DOUBLE_EQ(processor.DrawingScale(), c.DrawingScale);
        processor.CloseFile();
    }
    CloseEngine();
}

TEST_F(TSetupFillTest, RealProcessorAsLoadedShowsMil) {
    LoadEngineLibrary(DXFI_BIN_DIR "/libpad2.so");
    ASSERT_TRUE(EngineLibraryLoaded());
    ASSERT_TRUE(InitEngine(DXFI_BIN_DIR "/PADINIT.DAT"));
    {
        TPcbDxfProcessor processor(DXFI_TEST_DATA_DIR "/layers_R2000.dxf", *Board);
        ASSERT_TRUE(processor.LoadFile());
        Dialog->LoadFromProcessor(processor);
        EXPECT_EQ(Dialog->Scale(), scMil);
        EXPECT_EQ(Dialog->UnitsText(), "1mil");
        EXPECT_DOUBLE_EQ(processor.DrawingScale(), 1.0 / 10000);
        EXPECT_EQ(Dialog->LineWidthText(), "0.127mm");
        EXPECT_EQ(Dialog->XText(), "1000mil");
        EXPECT_EQ(static_cast<int>(Dialog->Rows().size()), processor.Mappings.Count());
        EXPECT_EQ(Dialog->SizeText().rfind("Size = ", 0), 0u);
        Dialog->SaveToProcessor(processor);
        EXPECT_EQ(processor.DefaultLineWidth, 50000);
        EXPECT_EQ(processor.InsertionPointX, 10000000);
        processor.CloseFile();
    }
    CloseEngine();
}

// Where the plug-in has no options window, a host that wants the dialog shown is told so and
// nothing is imported; a host that answers dialogs gets its answers applied as usual.
TEST_F(TSetupFillTest, WithoutAWindowAShowRequestCancelsWithAnError) {
    test::TInteractiveClient client;
    client.Answers = "x=5mil";
    SetHostClient(&client);
    RegisterWindowlessSetupDialog();
    std::unique_ptr<TSetupDialog> dialog = CreateSetupDialog(*Board);
    SetSetupDialogFactory({});
    dialog->LoadFromProcessor(Processor);
    EXPECT_EQ(dialog->ShowModal(), ab::kIdCancel);
    ASSERT_EQ(client.Messages.size(), 1u);
    EXPECT_EQ(client.Messages[0].Caption, "Error");
    EXPECT_NE(client.Messages[0].Text.find("has no options window"), std::string::npos);
    EXPECT_NE(client.Messages[0].Text.find("test mode"), std::string::npos);
    EXPECT_NE(dialog->XText(), "5mil");

    client.Interactive = false;
    EXPECT_EQ(dialog->ShowModal(), ab::kIdOk);
    EXPECT_EQ(client.Messages.size(), 1u);
    EXPECT_EQ(dialog->XText(), "5mil");
    SetHostClient(&Client);
}
