// SPDX-License-Identifier: MIT
// What a script learns from pcbhost import when the import does not take place: test mode with
// answers, an answer the plug-in refuses, a drawing that cannot be read, each with its exit
// code and message; and a report that cannot be made after a good import.
#include "e2e/ImportFixture.h"

#include <filesystem>

namespace {

namespace fs = std::filesystem;

const std::string kRefusedTestMode =
    "pcbhost: --test-mode cannot be combined with --answer: in test mode the plug-in shows no "
    "options dialog and imports with the saved options, so the answers would not be applied. "
    "Nothing was imported. Leave out --test-mode and give --no (or --yes) to run without "
    "questions, or leave out --answer.\n";

using ImportOutcomeTest = TImportFixture;

TEST_F(ImportOutcomeTest, TestModeWithAnswersOrSettingsIsRefusedBeforeAnythingIsLoaded) {
    CopyIn(kTestData + "/line_R2000.dxf");
    Folder.WriteFile("options.ini", "[Misc]\nDefaultLineWidth=39370\n");
    TProgramRun run = Import("line_R2000.dxf", {"--test-mode", "--answer", "units=1mm"});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, kRefusedTestMode);
    EXPECT_FALSE(Exists("line_R2000.board.json"));

    // Refused however the drawing, the board and the plug-in are: none of them is looked at.
    run = Import("missing.dxf", {"--settings", "options.ini", "--test-mode", "--plugin", "none.so",
                                 "--board", "none.json"});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_NE(run.Err.find("--test-mode cannot be combined with --settings: "), std::string::npos)
        << run.Err;
    EXPECT_NE(run.Err.find("or leave out --settings.\n"), std::string::npos) << run.Err;
    run = Import("line_R2000.dxf",
                 {"--test-mode", "--settings", "options.ini", "--answer", "x=0mil"});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_NE(run.Err.find("combined with --answer and --settings: "), std::string::npos)
        << run.Err;
    EXPECT_FALSE(Exists("line_R2000.board.json"));
    EXPECT_FALSE(Exists("cfg/user.reg")); // no import ran, so no options were saved

    // What the message offers instead works: the answers apply without questions.
    run = Import("line_R2000.dxf", {"--no", "--answer", "units=1mm"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_TRUE(HasObject(LoadBoard("line_R2000.board.json"),
                          {{"Kind", "Track"}, {"X2", 10000000 + 10 * 393701}}));

    // The help says so.
    run = RunProgram(Folder.Path(), kHost, {"import", "--help"});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_NE(run.Out.find("--test-mode shows no options dialog, so it cannot be combined with "
                           "--answer or --settings"),
              std::string::npos)
        << run.Out;
}

TEST_F(ImportOutcomeTest, AnAnswerThePlugInRefusesEndsWithExitCodeFourAndKeepsTheBoard) {
    CopyIn(kTestData + "/line_R2000.dxf");
    const std::string board =
        R"({"Format": "korrin-board", "Version": 1, "Board": {}, "Objects": []})";
    Folder.WriteFile("b.json", board);
    const TProgramRun run = Import(
        "line_R2000.dxf", {"--no", "--board", "b.json", "-o", "b.json", "--answer", "units=mil5"});
    EXPECT_EQ(run.ExitCode, 4);
    EXPECT_EQ(run.Out, "");
    const std::string refusal = "The answer \"units=mil5\" gives no length for one AutoCAD unit. "
                                "Write a positive number with mm or mil, for example units=1mm.";
    // The plug-in's Error box, then pcbhost's line.
    EXPECT_NE(run.Err.find("Error:\n  " + refusal + " Nothing was imported.\n"), std::string::npos)
        << run.Err;
    EXPECT_NE(run.Err.find("pcbhost: The plug-in refused the import options: " + refusal +
                           " Nothing was imported and the board was not saved.\n"),
              std::string::npos)
        << run.Err;
    EXPECT_EQ(TTempFolder::ReadFile(Path("b.json")), board); // untouched

    // --help and import --help list the code.
    for (const std::vector<std::string>& help :
         {std::vector<std::string>{"--help"}, std::vector<std::string>{"import", "--help"}}) {
        const TProgramRun shown = RunProgram(Folder.Path(), kHost, help);
        EXPECT_EQ(shown.ExitCode, 0);
        EXPECT_NE(shown.Out.find("  4  the plug-in did not import: it refused the drawing's "
                                 "name, could not read the drawing,\n     refused an --answer or "
                                 "--settings value"),
                  std::string::npos)
            << shown.Out;
    }
}

TEST_F(ImportOutcomeTest, ADrawingThatCannotBeReadEndsWithExitCodeFourAndItsReason) {
    Folder.WriteFile("cut.dxf", "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n");
    const std::string reason = "pcbhost: Cannot read " + Path("cut.dxf") + ": ";
    const std::string ending = " Nothing was imported and the board was not saved.\n";

    // Test mode shows no box and no prompt: the line on standard error is all there is.
    TProgramRun run = Import("cut.dxf", {"--test-mode"});
    EXPECT_EQ(run.ExitCode, 4) << run.Err;
    EXPECT_EQ(run.Out, "");
    const std::size_t at = run.Err.find(reason);
    ASSERT_NE(at, std::string::npos) << run.Err;
    // The engine's own words follow, then what became of the board.
    const std::size_t end = run.Err.find(ending, at);
    ASSERT_NE(end, std::string::npos) << run.Err;
    EXPECT_GT(end, at + reason.size() + 10) << run.Err;
    EXPECT_FALSE(Exists("cut.board.json"));
    EXPECT_FALSE(Exists("Import Error Report.html"));

    // Outside test mode the prompt shows the same reason and the report is written.
    run = Import("cut.dxf", {"--no"});
    EXPECT_EQ(run.ExitCode, 4) << run.Err;
    EXPECT_NE(run.Err.find("Confirm:\n  Error : "), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find(reason), std::string::npos) << run.Err;
    EXPECT_FALSE(Exists("cut.board.json"));
    EXPECT_TRUE(Exists("Import Error Report.html"));

    // An empty file and a file that is no drawing at all, likewise.
    for (const std::string name : {"bad_empty.dxf", "bad_not_a_drawing.dxf"}) {
        CopyIn(std::string(DXFI_FUZZ_CORPUS_DIR) + "/" + name);
        run = Import(name, {"--test-mode", "-o", "board.json"});
        EXPECT_EQ(run.ExitCode, 4) << name << run.Err;
        EXPECT_NE(run.Err.find("pcbhost: Cannot read " + Path(name) + ": "), std::string::npos)
            << run.Err;
        EXPECT_FALSE(Exists("board.json"));
    }
}

TEST_F(ImportOutcomeTest, AMissingDrawingEngineEndsWithExitCodeFourAndNamesIt) {
    // The plug-in alone in a folder, with every place the engine is searched for emptied.
    CopyIn(kTestData + "/line_R2000.dxf");
    fs::create_directories(Path("plug"));
    fs::create_directories(Path("empty"));
    fs::copy_file(std::string(DXFI_BIN_DIR) + "/libdxfimport.so", Path("plug/libdxfimport.so"));
    const std::string empty = Path("empty");
    const TProgramRun run =
        RunProgram(Folder.Path(), kHost,
                   {"import", "line_R2000.dxf", "--no", "--plugin", Path("plug/libdxfimport.so")},
                   {"XDG_CONFIG_HOME=" + Path("cfg"), "DXFI_USER_HIVE=" + Path("cfg/user.reg"),
                    "XDG_DATA_HOME=" + empty, "DXFI_EXE_DIR=" + empty, "DXFI_WINDOWS_DIR=" + empty,
                    "DXFI_SYSTEM_DIR=" + empty, "DXFI_COMMAND_DIR=" + empty, "PATH=" + empty});
    EXPECT_EQ(run.ExitCode, 4) << run.Err;
    EXPECT_NE(run.Err.find("The drawing engine libpad2.so was not found, so nothing was imported."),
              std::string::npos)
        << run.Err;
    EXPECT_NE(run.Err.find("pcbhost: Cannot read " + Path("line_R2000.dxf") +
                           ": the drawing engine libpad2.so was not found. Nothing was imported "
                           "and the board was not saved.\n"),
              std::string::npos)
        << run.Err;
    EXPECT_FALSE(Exists("line_R2000.board.json"));
}

TEST_F(ImportOutcomeTest, AStylesheetFailureKeepsTheImportAndSaysTheReportWasNotMade) {
    // The host's templates folder with a stylesheet that is not XSLT; the plug-in named as it
    // lies, since the host's own folder is now elsewhere.
    fs::create_directories(Path("exe/Templates"));
    Folder.WriteFile("exe/Templates/report_html_default.xsl", "<not-a-stylesheet/>\n");
    // A circle with an extrusion the import cannot take is discarded, so the report is made.
    CopyIn(kTestData + "/extrusion_R2000.dxf");
    const std::string plugin = std::string(DXFI_BIN_DIR) + "/libdxfimport.so";
    const TProgramRun run = RunProgram(
        Folder.Path(), kHost, {"import", "extrusion_R2000.dxf", "--no", "--plugin", plugin},
        {"XDG_CONFIG_HOME=" + Path("cfg"), "DXFI_USER_HIVE=" + Path("cfg/user.reg"),
         "DXFI_EXE_DIR=" + Path("exe")});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(
        run.Err.find("Error:\n  Error using " + Path("exe/Templates/report_html_default.xsl")),
        std::string::npos)
        << run.Err;
    EXPECT_NE(run.Err.find("Error:\n  The error report of the import of " +
                           Path("extrusion_R2000.dxf") +
                           " could not be produced. The imported objects are on the board.\n"),
              std::string::npos)
        << run.Err;
    EXPECT_EQ(run.Err.find("was stopped"), std::string::npos) << run.Err;
    EXPECT_FALSE(Exists("Import Error Report.html"));
    // What was imported is on the saved board: the three arcs of the other circles and arcs.
    EXPECT_EQ(ObjectsOfKind(LoadBoard("extrusion_R2000.board.json"), "Arc").size(), 3u);

    // A drawing that could not be read: nothing was imported, and the run still fails.
    Folder.WriteFile("cut.dxf", "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n");
    const TProgramRun cut =
        RunProgram(Folder.Path(), kHost, {"import", "cut.dxf", "--no", "--plugin", plugin},
                   {"XDG_CONFIG_HOME=" + Path("cfg"), "DXFI_USER_HIVE=" + Path("cfg/user.reg"),
                    "DXFI_EXE_DIR=" + Path("exe")});
    EXPECT_EQ(cut.ExitCode, 4) << cut.Err;
    EXPECT_NE(cut.Err.find("Error:\n  The error report of the import of " + Path("cut.dxf") +
                           " could not be produced. Nothing was imported.\n"),
              std::string::npos)
        << cut.Err;
    EXPECT_NE(cut.Err.find("pcbhost: Cannot read " + Path("cut.dxf")), std::string::npos)
        << cut.Err;
}

} // namespace
