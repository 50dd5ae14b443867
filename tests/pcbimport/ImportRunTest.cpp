// SPDX-License-Identifier: MIT
// The import run against the real host module: load progress, marks, moves and bounds of the
// imported objects, the warning and prompt texts, and whole runs of real drawings through the
// real drawing engine (not in the host's test mode, so the dialog's answers and the messages
// are those of the fake host client).
#include "pcbimport/ImportRun.h"
#include "engine/Pad2.h"
#include "options/ImportOptions.h"
#include "pcbclient/PcbApiBinding.h"
#include "pcbclient/PcbBoard.h"
#include "pcbclient/PcbPrimitives.h"
#include "pcbimport/ImportPlacement.h"
#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "support/BoardFixture.h"
#include "support/TestHost.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <vector>

using namespace dxfi;
namespace ab = dxfi::abi;

namespace {

class TRunFixture : public test::TBoardFixture {
protected:
    TRunFixture() : TBoardFixture("run.board.json") { UseSetupDialogForImports(); }

    void SetUpBoard() override {
        void* out = nullptr;
        ASSERT_EQ(GetPcbServer()->GetPCBBoardByBoardHandle(Handle, ab::IID_IPCB_Board, &out),
                  ab::kOk);
        BoardInterface = static_cast<ab::IPCB_Board*>(out);
        test::SetProgressCounter(&Updates, &Inits);
    }
    void TearDownBoard() override { test::SetProgressCounter(nullptr, nullptr); }

    // Left and bottom of every object, by handle.
    std::map<uint32_t, ab::TCoordRect> Rectangles() {
        std::map<uint32_t, ab::TCoordRect> rects;
        ab::IPCB_BoardIterator* iterator = BoardInterface->BoardIterator_Create();
        iterator->AddFilter_ObjectSet(kImportKindSet);
        for (ab::IPCB_Primitive* o = iterator->FirstPCBObject(); o; o = iterator->NextPCBObject())
            rects[o->Handle()] = o->BoundingRectangle();
        BoardInterface->BoardIterator_Destroy(iterator);
        return rects;
    }

    ab::IPCB_Board* BoardInterface = nullptr;
    int Updates = 0;
    int Inits = 0;
};

using TLoadProgressTest = TRunFixture;
using TPlacementTest = TRunFixture;

} // namespace

TEST_F(TLoadProgressTest, StepsByThePercentGainedAndRemembersFalls) {
    ResetLoadProgress();
    std::vector<int> steps;
    for (int16_t percent : {10, 30, 20, 50}) {
        const int before = Updates;
        LoadProgress(percent);
        steps.push_back(Updates - before);
    }
    EXPECT_EQ(steps, (std::vector<int>{10, 20, 0, 30}));
    const int before = Updates;
    LoadProgress(-32768); // a fall to the least value, then back up: no overflow
    LoadProgress(-32767);
    EXPECT_EQ(Updates - before, 1);
    ResetLoadProgress();
}

TEST_F(TPlacementTest, MovesOnlyUnmarkedObjectsAndChildrenWithTheirComponent) {
    const uint32_t old = test::AddTrack(Handle, -50000000, -50000000, -40000000, -40000000);
    MarkExistingObjects(BoardInterface);
    const uint32_t track = test::AddTrack(Handle, -5000, 0, 1000, 1000);
    const uint32_t component = test::AddComponentWithTrack(Handle, 2000, 3000);
    EXPECT_EQ(BoardInterface->GetPrimitiveCounter(kImportKindSet), 4);

    const TImportedBounds before = ImportedBounds(BoardInterface);
    EXPECT_EQ(before.Left, -5000); // the old object far left does not count
    EXPECT_EQ(before.Bottom, 0);
    EXPECT_GE(before.Right, 2000);
    EXPECT_GE(before.Top, 3000);

    const auto rectsBefore = Rectangles();
    Updates = 0;
    MoveImportedObjects(10000000, 20000000, BoardInterface);
    EXPECT_EQ(Updates, 4); // one step per object visited, marked ones and children included
    const auto rects = Rectangles();
    ASSERT_EQ(rects.size(), 4u);
    EXPECT_EQ(rects.at(old).Left, -50000000);
    EXPECT_EQ(rects.at(old).Bottom, -50000000);
    EXPECT_EQ(rects.at(track).Left, -5000 + 10000000);
    EXPECT_EQ(rects.at(track).Bottom, 20000000);
    // The component's child moved once, with its component.
    for (const auto& [handle, rect] : rects) {
        if (handle == old || handle == track) continue;
        EXPECT_EQ(rect.Left, rectsBefore.at(handle).Left + 10000000) << handle;
        EXPECT_EQ(rect.Bottom, rectsBefore.at(handle).Bottom + 20000000) << handle;
    }
    EXPECT_TRUE(rects.count(component));

    const TImportedBounds after = ImportedBounds(BoardInterface);
    EXPECT_EQ(after.Left, 0);
    EXPECT_EQ(after.Bottom, 0);
}

TEST(TPlacementMove, BringsTheLowSideToZeroWithoutPushingTheHighSideOffTheRange) {
    EXPECT_EQ(PlacementMove(0, 5), 0);
    EXPECT_EQ(PlacementMove(7, 9), 0);
    EXPECT_EQ(PlacementMove(-5000, 1000), 5000);
    EXPECT_EQ(PlacementMove(-5000, 0), 5000);
    // Wider than the range: moved until the high side reaches its end, nothing beyond.
    EXPECT_EQ(PlacementMove(-2000000000, 2000000000), INT32_MAX - 2000000000);
    EXPECT_EQ(PlacementMove(-1000, INT32_MAX), 0);
    EXPECT_EQ(PlacementMove(INT32_MIN, 0), INT32_MAX);
}

TEST_F(TPlacementTest, NullBoardInterfaceDoesNothing) {
    MarkExistingObjects(nullptr);
    MoveImportedObjects(1, 1, nullptr);
    const TImportedBounds bounds = ImportedBounds(nullptr);
    EXPECT_EQ(bounds.Left, 0);
    EXPECT_EQ(bounds.Bottom, 0);
}

TEST(TImportTexts, WarningAndPromptExactly) {
    EXPECT_EQ(PlacementWarningText(),
              "The imported file was not wholly contained in the valid PCB\n"
              "region (100inch x 100inch) and will be moved accordingly.\n"
              "\n"
              "To obtain a precise import location and prevent this warning\n"
              "in the future modify the \"locate AutoCAD (0,0) at\" option in\n"
              "the previous dialog.");
    EXPECT_EQ(ErrorReportPrompt("Some entities were discarded during import!"),
              "Some entities were discarded during import!\n\rShow Error Report?");
    EXPECT_EQ(ErrorReportPrompt(""), "\n\rShow Error Report?");
}

// ---- Whole runs -------------------------------------------------------------------------------

namespace {

class TImportDrawingTest : public TRunFixture {
protected:
    void SetUpBoard() override {
        TRunFixture::SetUpBoard();
        if (HasFatalFailure()) return;
        Folder = platform::CreateTempFile("importrun");
        ASSERT_FALSE(Folder.empty());
        platform::RemoveFile(Folder);
        ASSERT_TRUE(platform::CreateFolders(Folder));
        platform::SetHiveFileOverride(platform::hkCurrentUser, Folder + "/user.reg");
        platform::SetHiveFileOverride(platform::hkLocalMachine, Folder + "/machine.reg");
        ASSERT_FALSE(IsTestMode());
        LoadEngineLibrary(DXFI_BIN_DIR "/libpad2.so");
        ASSERT_TRUE(EngineLibraryLoaded());
        ASSERT_TRUE(InitEngine(DXFI_BIN_DIR "/PADINIT.DAT"));
        Wrapper = std::make_unique<TPcbBoard>(Handle);
        Wrapper->TransferProperties(ptRead);
        SetCurrentBoard(Wrapper.get());
    }
    void TearDownBoard() override {
        SetCurrentBoard(nullptr);
        Wrapper.reset();
        if (EngineLibraryLoaded()) CloseEngine();
        platform::SetHiveFileOverride(platform::hkCurrentUser, "");
        platform::SetHiveFileOverride(platform::hkLocalMachine, "");
        if (!Folder.empty()) std::filesystem::remove_all(Folder);
        TRunFixture::TearDownBoard();
    }

    // Imports the line drawing again: one message box, and it says `part`.
    void ExpectOneMessageOnImport(const std::string& part) {
        Client.Messages.clear();
        ImportDrawing(DXFI_TEST_DATA_DIR "/line_R2000.dxf");
        ASSERT_EQ(Client.Messages.size(), 1u);
        EXPECT_NE(Client.Messages[0].Text.find(part), std::string::npos) << Client.Messages[0].Text;
    }

    std::string Folder;
    std::unique_ptr<TPcbBoard> Wrapper;
};

} // namespace

TEST_F(TImportDrawingTest, ContentLeftOfZeroIsMovedInWithTheWarning) {
    const uint32_t old = test::AddTrack(Handle, -70000000, 5, -60000000, 5);
    Client.Answers = "X=0mil\nY=0mil\n";
    ImportDrawing(DXFI_TEST_DATA_DIR "/negative_R2000.dxf");

    ASSERT_EQ(Client.Messages.size(), 1u);
    EXPECT_EQ(Client.Messages[0].Caption, "Warning");
    EXPECT_EQ(Client.Messages[0].Text, PlacementWarningText());
    EXPECT_EQ(Client.Messages[0].Style, ab::kMbOk | ab::kMbIconWarning);
    ASSERT_EQ(Client.Status.size(), 1u);
    EXPECT_EQ(Client.Status[0], "2:Importing...");

    const auto rects = Rectangles();
    ASSERT_GT(rects.size(), 1u);
    TBoardCoord left = 2147483647;
    TBoardCoord bottom = 2147483647;
    for (const auto& [handle, rect] : rects) {
        if (handle == old) continue;
        left = std::min(left, rect.Left);
        bottom = std::min(bottom, rect.Bottom);
    }
    EXPECT_EQ(left, 0);                       // moved right until nothing lies left of 0
    EXPECT_EQ(bottom, 0);                     // and up
    EXPECT_EQ(rects.at(old).Left, -70000000); // the board's earlier object stays

    // The options the dialog applied were saved for the next import.
    platform::TRegistryKey key;
    ASSERT_TRUE(key.Open(platform::hkCurrentUser,
                         "Software\\Corvane2004\\Lumora\\Preferences\\Drenvik\\Misc", false));
    EXPECT_FALSE(key.ValueNames().empty());
}

TEST_F(TImportDrawingTest, DefaultInsertionPointNeedsNoWarning) {
    ImportDrawing(DXFI_TEST_DATA_DIR "/negative_R2000.dxf");
    EXPECT_TRUE(Client.Messages.empty());
    const auto rects = Rectangles();
    ASSERT_FALSE(rects.empty());
    for (const auto& [handle, rect] : rects)
        EXPECT_GT(rect.Left, 0) << handle;
}

TEST_F(TImportDrawingTest, CancelledDialogImportsNothingAndSavesNothing) {
    Client.Answers = "Result=Cancel";
    ImportDrawing(DXFI_TEST_DATA_DIR "/line_R2000.dxf");
    EXPECT_TRUE(Client.Messages.empty());
    EXPECT_TRUE(Client.Status.empty());
    EXPECT_EQ(BoardInterface->GetPrimitiveCounter(kImportKindSet), 0);
    EXPECT_FALSE(platform::FileExists(Folder + "/user.reg"));
}

TEST_F(TImportDrawingTest, UnreadableFileAsksToShowTheReport) {
    const std::string path = Folder + "/notadrawing.dxf";
    {
        std::FILE* file = std::fopen(path.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fputs("this is no drawing\n", file);
        std::fclose(file);
    }
    Client.Answer = ab::kIdNo;
    ImportDrawing(path);
    ASSERT_FALSE(Client.Messages.empty());
    EXPECT_EQ(Client.Messages[0].Caption, "Confirm");
    EXPECT_EQ(Client.Messages[0].Style, ab::kMbYesNo | ab::kMbIconQuestion);
    const std::string& text = Client.Messages[0].Text;
    const std::string tail = "\n\rShow Error Report?";
    ASSERT_GT(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    EXPECT_EQ(BoardInterface->GetPrimitiveCounter(kImportKindSet), 0);
    EXPECT_TRUE(Client.Status.empty()); // no dialog, no walk
}

TEST_F(TImportDrawingTest, NoServerMeansNoRun) {
    Client.ProvideServer = false;
    ImportDrawing(DXFI_TEST_DATA_DIR "/line_R2000.dxf");
    Client.ProvideServer = true;
    EXPECT_TRUE(Client.Messages.empty());
    EXPECT_EQ(Inits, 0);
    EXPECT_EQ(BoardInterface->GetPrimitiveCounter(kImportKindSet), 0);
}

TEST_F(TImportDrawingTest, DamagedSettingsFilesNeverStopTheImport) {
    const std::string hive = Folder + "/user.reg";
    const std::string garbage("\x01\x02 not settings\0\xff", 17);
    {
        std::FILE* file = std::fopen(hive.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(garbage.data(), 1, garbage.size(), file);
        std::fclose(file);
    }
    ImportDrawing(DXFI_TEST_DATA_DIR "/line_R2000.dxf");
    // Imported with the defaults; told once, naming the file and where it went.
    EXPECT_GT(BoardInterface->GetPrimitiveCounter(kImportKindSet), 0);
    ASSERT_EQ(Client.Messages.size(), 1u);
    EXPECT_EQ(Client.Messages[0].Caption, "Warning");
    EXPECT_NE(Client.Messages[0].Text.find(hive + " is damaged"), std::string::npos);
    EXPECT_NE(Client.Messages[0].Text.find(hive + ".damaged"), std::string::npos);
    std::ifstream moved(hive + ".damaged", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(moved), {}), garbage);
    platform::TRegistryKey key;
    ASSERT_TRUE(key.Open(platform::hkCurrentUser,
                         "Software\\Corvane2004\\Lumora\\Preferences\\Drenvik\\Misc", false));
    EXPECT_FALSE(key.ValueNames().empty());
    key.Close();

    // A key nested 100,000 levels deep (which once overflowed the stack): refused, said once.
    {
        std::string deep = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER";
        for (int i = 0; i < 100000; ++i)
            deep += "\\k";
        deep += "]\n";
        std::ofstream out(hive, std::ios::binary | std::ios::trunc);
        out << deep;
    }
    ExpectOneMessageOnImport(hive + " holds 1 key nested deeper than 512 levels");

    // A named pipe: not waited for, not replaced.
    std::filesystem::remove(hive);
    ASSERT_EQ(mkfifo(hive.c_str(), 0600), 0);
    ExpectOneMessageOnImport(hive + " cannot be read (it is a named pipe");
    EXPECT_TRUE(std::filesystem::is_fifo(hive));
}

TEST_F(TImportDrawingTest, UnsavableOptionsAreNamedOnceWithWhatToDo) {
    // The settings file's folder cannot be made: a file stands where it should be.
    const std::string blocker = Folder + "/blocker";
    std::ofstream(blocker) << "x";
    platform::SetHiveFileOverride(platform::hkCurrentUser, blocker + "/dxfimport/user.reg");
    ImportDrawing(DXFI_TEST_DATA_DIR "/line_R2000.dxf");
    EXPECT_GT(BoardInterface->GetPrimitiveCounter(kImportKindSet), 0);
    ASSERT_EQ(Client.Messages.size(), 1u);
    const std::string& text = Client.Messages[0].Text;
    EXPECT_EQ(Client.Messages[0].Caption, "Error");
    EXPECT_EQ(text.rfind("The import options could not be saved for the next import. The "
                         "registry file " +
                             blocker + "/dxfimport/user.reg could not be written",
                         0),
              0u)
        << text;
    EXPECT_EQ(text.find("Check"), text.rfind("Check")) << text;
    EXPECT_EQ(text.find(".."), std::string::npos) << text;
}
