// SPDX-License-Identifier: MIT
// Whole imports through pcbhost and the real plug-in with the options dialog answered from the
// command line: where the drawing lands, and answers and settings files that are refused.
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

const std::string kHost = std::string(DXFI_BIN_DIR) + "/pcbhost";
const std::string kDrawing = std::string(DXFI_TEST_DATA_DIR) + "/units_mm_R2000.dxf";

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct TRun {
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};

class TOptionsImportTest : public ::testing::Test {
protected:
    // pcbhost import of the millimetre drawing into a new board, with a user registry of the
    // test's own and no display.
    TRun Import(const std::vector<std::string>& options) {
        std::string command = "cd " + Quote(Folder.Path()) +
                              " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "
                              "-u DXFI_MACHINE_HIVE -u DXFI_EXE_DIR DXFI_USER_HIVE=" +
                              Quote(Folder.Path() + "user.reg") + " " + Quote(kHost) + " import " +
                              Quote(kDrawing) + " -o " + Quote(Board());
        for (const std::string& option : options)
            command += " " + Quote(option);
        command += " >" + Quote(Folder.Path() + "out.txt") + " 2>" +
                   Quote(Folder.Path() + "err.txt") + " </dev/null";
        const int status = std::system(command.c_str());
        TRun run;
        run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.Out = TTempFolder::ReadFile(Folder.Path() + "out.txt");
        run.Err = TTempFolder::ReadFile(Folder.Path() + "err.txt");
        return run;
    }
    std::string Board() const { return Folder.Path() + "board.json"; }
    std::vector<nlohmann::json> Tracks() const {
        const auto board = nlohmann::json::parse(TTempFolder::ReadFile(Board()), nullptr, false);
        std::vector<nlohmann::json> tracks;
        if (!board.is_object() || !board.contains("Objects")) return tracks;
        for (const auto& object : board["Objects"])
            if (object.value("Kind", "") == "Track") tracks.push_back(object);
        return tracks;
    }

    TTempFolder Folder;
};

} // namespace

// The drawing's line runs from (1mm, 2mm) to (3mm, 4mm); at one millimetre per unit its ends
// land 1 inch + n x 393701 board units from the board's origin.
TEST_F(TOptionsImportTest, MillimetreDrawingLandsWhereTheUnitsSay) {
    const TRun run = Import({"--answer", "units=1mm", "--no"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    const auto tracks = Tracks();
    ASSERT_EQ(tracks.size(), 1u) << run.Err;
    EXPECT_EQ(tracks[0]["X"], 10393701);
    EXPECT_EQ(tracks[0]["Y"], 10787402);
    EXPECT_EQ(tracks[0]["X2"], 11181103);
    EXPECT_EQ(tracks[0]["Y2"], 11574804);
    EXPECT_EQ(tracks[0]["Width"], 50000);

    // Without the units answer the dialog opens at the units the drawing declares, 1 mm per
    // unit here (the scale is not saved).
    const TRun again = Import({"--no", "--answer", "x=1mm", "--answer", "y=1mm", "--answer",
                               "layer:0=Bottom Layer", "--answer", "linewidth=0.1mm"});
    ASSERT_EQ(again.ExitCode, 0) << again.Err;
    const auto moved = Tracks();
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_EQ(moved[0]["X"], 393701 + 393701);
    EXPECT_EQ(moved[0]["Y"], 787402 + 393701);
    EXPECT_EQ(moved[0]["X2"], 1181103 + 393701);
    EXPECT_EQ(moved[0]["Layer"], "Bottom Layer");
    EXPECT_EQ(moved[0]["Width"], 39370);
}

TEST_F(TOptionsImportTest, AnswersNoControlTakesAreRefusedBeforeImporting) {
    TRun run = Import({"--answer", "colour=red"});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_NE(run.Err.find("--answer colour=red names no control of the import options dialog"),
              std::string::npos)
        << run.Err;
    EXPECT_FALSE(std::filesystem::exists(Board()));

    // Refused by the plug-in: its Error box, then exit code 4 and no board.
    run = Import({"--no", "--answer", "layer:Rim=Top Layer"});
    EXPECT_EQ(run.ExitCode, 4) << run.Err;
    EXPECT_NE(run.Err.find("The answer \"layer:Rim=Top Layer\" names the drawing layer \"Rim\", "
                           "which the drawing does not have."),
              std::string::npos)
        << run.Err;
    EXPECT_NE(run.Err.find("Nothing was imported."), std::string::npos);
    EXPECT_TRUE(Tracks().empty());

    EXPECT_FALSE(std::filesystem::exists(Board()));

    run = Import({"--no", "--answer", "units=1parsec"});
    EXPECT_EQ(run.ExitCode, 4) << run.Err;
    EXPECT_NE(run.Err.find("The answer \"units=1parsec\" gives no length"), std::string::npos)
        << run.Err;
    EXPECT_TRUE(Tracks().empty());
}

TEST_F(TOptionsImportTest, SettingsFileLoadsAndAMissingOneIsRefused) {
    // 0.1mm: a width the dialog's millimetre text gives back exactly.
    Folder.WriteFile("options.ini", "[Misc]\nDefaultLineWidth=39370\n");
    TRun run = Import({"--no", "--settings", Folder.Path() + "options.ini"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    const auto tracks = Tracks();
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0]["Width"], 39370);

    run = Import({"--settings", Folder.Path() + "missing.ini"});
    EXPECT_EQ(run.ExitCode, 3);
    EXPECT_NE(run.Err.find("Cannot load the settings file " + Folder.Path() + "missing.ini"),
              std::string::npos)
        << run.Err;
}

TEST_F(TOptionsImportTest, GuiWithoutADisplayIsRefused) {
    const TRun run = Import({"--gui"});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_NE(run.Err.find("--gui needs a display"), std::string::npos) << run.Err;
}
