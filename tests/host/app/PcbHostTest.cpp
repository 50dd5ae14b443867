// SPDX-License-Identifier: MIT
// The pcbhost command run as a user runs it, with the stand-in plug-in.
#include "support/ProgramRun.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

const std::string kBin = DXFI_BIN_DIR;
const std::string kHost = kBin + "/pcbhost";
const std::string kPlugin = kBin + "/libpcbhost_testplugin.so";

using TRun = TProgramRun;

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return text;
}

class PcbHostTest : public ::testing::Test {
protected:
    // Runs pcbhost in the test's folder with no display and no terminal; `env` adds variables.
    TRun Run(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
        return RunProgram(Folder.Path(), kHost, args, env);
    }
    void SetUp() override { std::filesystem::create_directory(Folder.Path() + "tmp"); }
    std::string Path(const std::string& name) const { return Folder.Path() + name; }
    bool Exists(const std::string& name) const { return std::filesystem::exists(Path(name)); }
    // Imports the script into a new board and answers the run.
    TRun Import(const std::string& script, std::vector<std::string> options = {}) {
        Folder.WriteFile("script.dxf", script);
        std::vector<std::string> args{"import", "script.dxf", "--plugin", kPlugin};
        args.insert(args.end(), options.begin(), options.end());
        return Run(args);
    }
    nlohmann::json Summary(const std::string& board) {
        TRun run = Run({"info", board, "--json"});
        EXPECT_EQ(run.ExitCode, 0) << run.Err;
        return nlohmann::json::parse(run.Out, nullptr, false);
    }

    TTempFolder Folder;
};

const std::string kDescriptionLines = "  imports AutoCAD (*.DXF; *.DWG)\n"
                                      "  DESCRIPTION ||AutoCAD (*.DXF; *.DWG)|||\n";

TEST_F(PcbHostTest, ImportsIntoANewBoardBesideTheDrawing) {
    Folder.WriteFile("logo.dxf", "0\nSECTION\n0\nEOF\n"); // no script: the plug-in's sample objects
    TRun run = Run({"import", "logo.dxf", "--plugin", kPlugin});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "Plug-in " + kPlugin + "\n" + kDescriptionLines + "Board saved to " +
                           Path("logo.board.json") + " (5 objects, 5 new)\n");
    ASSERT_TRUE(Exists("logo.board.json"));

    nlohmann::json summary = Summary("logo.board.json");
    ASSERT_TRUE(summary.is_object());
    EXPECT_EQ(summary["ObjectCount"], 5);
    EXPECT_EQ(summary["Kinds"],
              nlohmann::json::parse(R"({"Arc": 1, "Track": 2, "Text": 1, "Component": 1})"));
    EXPECT_EQ(summary["Layers"]["Top Layer"], 3);
    EXPECT_EQ(summary["Layers"]["Top Overlay"], 2);
}

TEST_F(PcbHostTest, InfoPrintsCountsAndExtent) {
    ASSERT_EQ(Import("objects\n", {"-o", "b.json"}).ExitCode, 0);
    TRun run = Run({"info", "b.json"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Out.find("Board b.json\nObjects 5\nBy kind:\n"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("  Component 1\n"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("By layer:\n"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("Extent: left "), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("(mil)\n"), std::string::npos) << run.Out;
}

TEST_F(PcbHostTest, InfoOfAnEmptyBoardHasNoExtent) {
    ASSERT_EQ(Import("status nothing\n", {"-o", "empty.json"}).ExitCode, 0);
    TRun run = Run({"info", "empty.json"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Out.find("Objects 0\nBy kind:\n  (none)\nBy layer:\n  (none)\n"
                           "Extent: none (the board is empty)\n"),
              std::string::npos)
        << run.Out;
}

TEST_F(PcbHostTest, ImportsIntoAnExistingBoardAndLeavesItWhenSavingElsewhere) {
    ASSERT_EQ(Import("objects\n", {"-o", "first.json"}).ExitCode, 0);
    std::string first = TTempFolder::ReadFile(Path("first.json"));
    TRun run = Import("objects\n", {"--board", "first.json", "-o", "second.json"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Err.find("(10 objects, 5 new)"), std::string::npos) << run.Err;
    EXPECT_EQ(TTempFolder::ReadFile(Path("first.json")), first);
    EXPECT_EQ(Summary("second.json")["ObjectCount"], 10);

    // Without -o the board file itself is updated.
    run = Import("objects\n", {"--board", "first.json"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(Summary("first.json")["ObjectCount"], 10);
}

TEST_F(PcbHostTest, RendersSvgAfterImportAndOnItsOwn) {
    TRun run = Import("objects\n", {"-o", "b.json", "--svg", "import.svg"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Err.find("SVG saved to " + Path("import.svg") + "\n"), std::string::npos);
    EXPECT_NE(TTempFolder::ReadFile(Path("import.svg")).find("<svg"), std::string::npos);

    run = Run({"render", "b.json", "--svg", "render.svg"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    std::string svg = TTempFolder::ReadFile(Path("render.svg"));
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("PCBHOST"), std::string::npos); // the text is drawn as text

    run = Run({"render", "b.json"});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_NE(run.Err.find("--svg is required"), std::string::npos) << run.Err;
}

TEST_F(PcbHostTest, TestModeWarningWritesItsLineAndEndsWithExitCodeOne) {
    TRun run = Import("objects\nwarning The imported file was not wholly contained\\nregion.\n",
                      {"--test-mode"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, "ShowDialogWithCaption withWarning The imported file was not wholly "
                       "contained\nregion.\n");
    EXPECT_FALSE(Exists("script.board.json")); // the run ended before saving
    EXPECT_TRUE(std::filesystem::is_empty(Path("tmp"))) << "the temporary hive stays behind";

    run = Import("error The engine could not be initialised\n", {"--test-mode"});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, "ShowDialogWithCaption withError The engine could not be initialised\n");
}

TEST_F(PcbHostTest, TestModeSetsTheMachineHiveForThePlugin) {
    TRun run = Import("info Plain\nquestion Show?\n", {"--test-mode", "--yes"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, ""); // only error and warning boxes end the run
    EXPECT_NE(run.Err.find("Information:\n  Plain\n"), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("Answer: Yes\n"), std::string::npos) << run.Err;
}

TEST_F(PcbHostTest, BoxesOutsideTestModeGoToTheTerminal) {
    TRun run = Import("warning Moved\\n\\nsecond\n");
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "");
    EXPECT_NE(run.Err.find("Warning:\n  Moved\n\n  second\n"), std::string::npos) << run.Err;
    EXPECT_TRUE(Exists("script.board.json"));
}

TEST_F(PcbHostTest, QuestionsAreAnsweredByTheOptionsOrNo) {
    TRun run = Import("question Show Error Report?\n", {"--yes"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Err.find("Confirm:\n  Show Error Report?\n  -> Yes (--yes)\nAnswer: Yes\n"),
              std::string::npos)
        << run.Err;
    run = Import("question Show Error Report?\n", {"--no"});
    EXPECT_NE(run.Err.find("  -> No (--no)\nAnswer: No\n"), std::string::npos) << run.Err;
    run = Import("question Show Error Report?\n");
    EXPECT_NE(run.Err.find("  -> No (no terminal to ask; answer with --yes or --no)\n"
                           "Answer: No\n"),
              std::string::npos)
        << run.Err;
    run = Import("question Show?\n", {"--yes", "--no"});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_NE(run.Err.find("excludes"), std::string::npos) << run.Err;
}

TEST_F(PcbHostTest, ThePluginFindsTheHostsServicesByName) {
    std::string report = Folder.WriteFile("Import Error Report.html", "<html/>");
    TRun run = Import("probe\nstatus Importing...\nprogress 3\nopen " + report + "\nanswers\n",
                      {"--answer", "ScaleUnits=1mm", "--answer", "Space=Model"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_NE(run.Err.find("Probe: server=yes exports=5 interactive=no\n"
                           "Importing...\n"
                           "Working\n"
                           "Open this file: " +
                           report +
                           "\n"
                           "Answers: ScaleUnits=1mm;Space=Model;\n"),
              std::string::npos)
        << run.Err;

    run = Import("answers\n", {"--answer", "novalue"});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_EQ(run.Err, "pcbhost: --answer novalue is not NAME=VALUE; write, for example, "
                       "--answer ScaleUnits=1mm.\n");
}

TEST_F(PcbHostTest, BadBoardFilesAreRefusedAndKept) {
    Folder.WriteFile("script.dxf", "objects\n");
    const std::vector<std::pair<std::string, std::string>> boards = {
        {"empty.json", ""}, {"text.json", "not json at all"}, {"shape.json", "[1, 2, 3]"}};
    for (const auto& [name, text] : boards) {
        Folder.WriteFile(name, text);
        TRun run = Run({"import", "script.dxf", "--plugin", kPlugin, "--board", name});
        EXPECT_EQ(run.ExitCode, 3) << name;
        EXPECT_NE(run.Err.find("pcbhost: "), std::string::npos) << run.Err;
        EXPECT_NE(run.Err.find(name), std::string::npos) << run.Err;
        EXPECT_NE(run.Err.find(" Give a board file that pcbhost saved, or leave out --board to "
                               "start a new board.\n"),
                  std::string::npos)
            << run.Err;
        EXPECT_EQ(TTempFolder::ReadFile(Path(name)), text) << name;

        run = Run({"info", name});
        EXPECT_EQ(run.ExitCode, 3) << name;
        EXPECT_NE(run.Err.find(name), std::string::npos) << run.Err;
        EXPECT_NE(run.Err.find(" Give a board file that pcbhost import saved.\n"),
                  std::string::npos)
            << run.Err;
        run = Run({"render", name, "--svg", "x.svg"});
        EXPECT_EQ(run.ExitCode, 3) << name;
        EXPECT_FALSE(Exists("x.svg"));
    }
    TRun run = Run({"info", "missing.json"});
    EXPECT_EQ(run.ExitCode, 3);
    EXPECT_NE(run.Err.find("missing.json"), std::string::npos) << run.Err;
    EXPECT_FALSE(Exists("script.board.json"));

    // Named pipes as board or settings file are refused at once, saying what they are.
    ASSERT_EQ(mkfifo(Path("pipe.json").c_str(), 0600), 0);
    run = Run({"import", "script.dxf", "--plugin", kPlugin, "--board", "pipe.json"});
    EXPECT_EQ(run.ExitCode, 3);
    EXPECT_NE(run.Err.find("pipe.json': it is a named pipe, not a board file."), std::string::npos)
        << run.Err;
    run = Run({"info", "pipe.json"});
    EXPECT_EQ(run.ExitCode, 3);
    EXPECT_NE(run.Err.find("it is a named pipe"), std::string::npos) << run.Err;
    ASSERT_EQ(mkfifo(Path("pipe.ini").c_str(), 0600), 0);
    run = Run({"import", "script.dxf", "--plugin", kPlugin, "--settings", "pipe.ini"});
    EXPECT_EQ(run.ExitCode, 3);
    EXPECT_NE(run.Err.find("pipe.ini: it is a named pipe, not a file."), std::string::npos)
        << run.Err;
}

TEST_F(PcbHostTest, AnImportThatAddsNothingLeavesTheBoardFileAsItWas) {
    ASSERT_EQ(Import("objects\n", {"-o", "b.json"}).ExitCode, 0);
    // A member this host does not read, which a save would drop.
    std::string text = TTempFolder::ReadFile(Path("b.json"));
    text.insert(text.find('{') + 1, "\n  \"Comment\": \"kept by hand\",");
    Folder.WriteFile("b.json", text);
    for (const std::vector<std::string>& output :
         {std::vector<std::string>{"-o", "b.json"}, std::vector<std::string>{}}) {
        std::vector<std::string> options{"--board", "b.json"};
        options.insert(options.end(), output.begin(), output.end());
        TRun run = Import("status nothing to import\n", options);
        ASSERT_EQ(run.ExitCode, 0) << run.Err;
        EXPECT_NE(run.Err.find("Nothing was imported; the board " + Path("b.json") +
                               " was left as it was"),
                  std::string::npos)
            << run.Err;
        EXPECT_EQ(TTempFolder::ReadFile(Path("b.json")), text);
    }
    // Saving it elsewhere writes the copy.
    TRun run = Import("status nothing\n", {"--board", "b.json", "-o", "c.json"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(Summary("c.json")["ObjectCount"], 5);
}

TEST_F(PcbHostTest, MissingOrWrongPluginIsNamed) {
    Folder.WriteFile("script.dxf", "objects\n");
    TRun run = Run({"import", "script.dxf", "--plugin", "/nonexistent/libx.so"});
    EXPECT_EQ(run.ExitCode, 3);
    EXPECT_EQ(run.Err, "pcbhost: Cannot import: the import plug-in /nonexistent/libx.so does not "
                       "exist. Build it (cmake --build build --target dxfimport) or name another "
                       "with --plugin LIB.\n");

    // The default plug-in sits beside the program.
    run = Run({"import", "script.dxf"}, {"DXFI_EXE_DIR=" + Folder.Path()});
    EXPECT_EQ(run.ExitCode, 3);
    EXPECT_NE(
        run.Err.find("the import plug-in " + Folder.Path() + "libdxfimport.so does not exist"),
        std::string::npos)
        << run.Err;

    std::string notALibrary = Folder.WriteFile("libnot.so", "text");
    run = Run({"import", "script.dxf", "--plugin", notALibrary});
    EXPECT_EQ(run.ExitCode, 3);
    EXPECT_NE(run.Err.find("the import plug-in " + notALibrary + " cannot be loaded: "),
              std::string::npos)
        << run.Err;

    run = Run({"import", "script.dxf", "--plugin", kBin + "/libkorrin.so"});
    EXPECT_EQ(run.ExitCode, 3);
    EXPECT_NE(run.Err.find("is not an import plug-in: it does not export ImportFileIntoPcb."),
              std::string::npos)
        << run.Err;
    EXPECT_FALSE(Exists("script.board.json"));
}

TEST_F(PcbHostTest, DrawingsThePluginCannotTakeAreRefused) {
    TRun run = Run({"import", "missing.dxf", "--plugin", kPlugin});
    EXPECT_EQ(run.ExitCode, 3);
    EXPECT_EQ(run.Err, "pcbhost: Cannot import " + Path("missing.dxf") +
                           ": the file does not exist. Check the path.\n");

    // The plug-in looks for DXF or DWG anywhere in the path, so the refused drawing needs a
    // folder whose name has neither (the test's own folder is named dxfi-test-...).
    std::string folder;
    do {
        std::string pattern = "/tmp/pcbhost-refusal-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
    } while (Upper(folder).find("DXF") != std::string::npos ||
             Upper(folder).find("DWG") != std::string::npos);
    std::string notes = folder + "/notes.txt";
    {
        std::FILE* file = std::fopen(notes.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fputs("objects\n", file);
        std::fclose(file);
    }
    run = Run({"import", notes, "--plugin", kPlugin});
    EXPECT_EQ(run.ExitCode, 4);
    EXPECT_NE(run.Err.find("pcbhost: The plug-in did not import " + notes +
                           ": it takes an existing drawing whose name contains DXF or DWG. "
                           "Nothing was saved.\n"),
              std::string::npos)
        << run.Err;
    EXPECT_FALSE(std::filesystem::exists(folder + "/notes.board.json"));
    std::filesystem::remove_all(folder);

    // A path longer than the one length byte can carry.
    std::string deep = Folder.Path();
    while (deep.size() < 260) {
        deep += std::string(40, 'd') + "/";
        std::filesystem::create_directory(deep);
    }
    std::string longDrawing = deep + "drawing.dxf";
    Folder.WriteFile(longDrawing.substr(Folder.Path().size()), "objects\n");
    run = Run({"import", longDrawing, "--plugin", kPlugin});
    EXPECT_EQ(run.ExitCode, 3);
    EXPECT_EQ(run.Err, "pcbhost: Cannot import " + longDrawing + ": the path is " +
                           std::to_string(longDrawing.size()) +
                           " bytes long and the plug-in takes at most 255. Move the drawing to a "
                           "folder with a shorter path.\n");
}

TEST_F(PcbHostTest, NeverSavesOverTheDrawing) {
    std::string drawing = Folder.WriteFile("logo.dxf", "objects\n");
    TRun run = Run({"import", "logo.dxf", "--plugin", kPlugin, "-o", "./logo.dxf"});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_EQ(run.Err, "pcbhost: Cannot save the board to " + drawing +
                           ": that is the drawing being imported. Choose another file with -o "
                           "FILE.\n");
    run = Run({"import", "logo.dxf", "--plugin", kPlugin, "--svg", "logo.board.json"});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_EQ(run.Err, "pcbhost: Cannot write the SVG to " + Path("logo.board.json") +
                           ": that is the board. Choose another file with --svg FILE.\n");
    run = Run({"import", "logo.dxf", "--plugin", kPlugin, "--svg", "logo.dxf"});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_EQ(TTempFolder::ReadFile(drawing), "objects\n");
    EXPECT_FALSE(Exists("logo.board.json"));
}

TEST_F(PcbHostTest, HelpDocumentsTheCommands) {
    TRun run = Run({"--help"});
    EXPECT_EQ(run.ExitCode, 0);
    for (const char* word : {"import", "info", "render", "Exit codes:"})
        EXPECT_NE(run.Out.find(word), std::string::npos) << word;
    run = Run({"import", "--help"});
    EXPECT_EQ(run.ExitCode, 0);
    for (const char* word :
         {"--board", "--svg", "--yes", "--no", "--test-mode", "--plugin", "--answer", ".board.json",
          "DWG file of AutoCAD 2000, 2004, 2007, 2010, 2013 or", "AC1021", "AC1032"})
        EXPECT_NE(run.Out.find(word), std::string::npos) << word;
    run = Run({});
    EXPECT_EQ(run.ExitCode, 2);
}

} // namespace
