// SPDX-License-Identifier: MIT
// pcbhost: the reference host. Imports drawings into boards through the import plug-in,
// summarises boards, renders them as SVG and exports them to KiCad.
#include "abi/DialogAnswers.h"
#include "host/app/HostCommands.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <string>
#include <utility>

namespace {

constexpr const char* kFooter =
    R"(Boards are JSON documents of the host's own form (see host/korrin/BOARD_FORMAT.md).

)";

constexpr const char* kExitCodes =
    R"(Exit codes:
  0  done
  1  test mode: an error or warning box ended the run (its line is on standard output)
  2  the command line is wrong
  3  a file is missing, unreadable or cannot be written (the message names it)
  4  the plug-in did not import: it refused the drawing's name, could not read the drawing,
     refused an --answer or --settings value, or a fault stopped it (the message says which);
     the board was not saved

Progress, the status line, message boxes and the plug-in's description go to standard error;
standard output carries the results of info and the test-mode line.
)";

constexpr const char* kImportHelp =
    R"(Import a drawing into a board, as the PCB editor does: open the board (or start an
empty one), load the plug-in, show its description, call its import entry with the drawing's
absolute path, and save the board. Without -o the board is saved to the --board file, or, for
a new board, beside the drawing under the drawing's name with the extension .board.json
(drawings/logo.dxf -> drawings/logo.board.json). The import's error report goes beside the
saved board. Message boxes appear on the terminal; a Yes/No question is answered by --yes or
--no, else by you on the terminal, else No.

DRAWING is a DXF file (any version) or a DWG file of AutoCAD 2000, 2004, 2007, 2010, 2013 or
2018 (AC1015, AC1018, AC1021, AC1024, AC1027, AC1032). DWG files of R14 and older, and
password-protected ones, are refused: save them in one of those versions or as DXF.

The plug-in's options dialog ("Import from AutoCAD") is shown in a window with --gui; its
Cancel ends the import with nothing imported (the board is saved unchanged). Without --gui the
dialog is answered as if OK was pressed, after loading --settings FILE.ini (as its Load
Settings button would) and then applying each --answer NAME=VALUE, in order, as the user would
type or click. Names and words ignore letter case:
)";

// After the answers' lines, which the plug-in's answer table gives.
constexpr const char* kImportHelpAfterAnswers =
    R"(A LENGTH is a number with mm or mil; a bare number is read in the board's display unit. An
answer that names no control is refused before the plug-in is loaded (exit code 2); one whose
value its control cannot take (or that names a layer the drawing lacks) is refused by the
plug-in with an Error box, nothing is imported, the board is not saved, and pcbhost ends with
exit code 4. A drawing the plug-in cannot read ends it with exit code 4 too, with the reason,
in test mode as well.

--test-mode shows no options dialog, so it cannot be combined with --answer or --settings: the
combination is refused before anything is loaded (exit code 2). Use --no or --yes instead of
--test-mode to import with answers and without questions.
)";

// An option that takes a value, shown in the help as typeName ("" for an argument by position).
template <class T>
CLI::Option* ValueOption(CLI::App* command, std::string name, T& value, std::string help,
                         std::string typeName) {
    return command->add_option(std::move(name), value, std::move(help))
        ->type_name(std::move(typeName));
}

// The options of a KiCad export: the file to write (returned) and the layer that becomes the
// KiCad board's outline.
CLI::Option* KicadOptions(CLI::App* command, std::string& file, std::string& outline,
                          std::string fileHelp) {
    CLI::Option* kicad =
        ValueOption(command, "--kicad", file, std::move(fileHelp), "FILE.kicad_pcb");
    ValueOption(command, "--kicad-outline", outline,
                "The layer that becomes the KiCad board's outline (Edge.Cuts), e.g. "
                "\"Mechanical Layer 1\" (default: none)",
                "LAYER");
    return kicad;
}

} // namespace

int main(int argc, char** argv) {
    using namespace dxfi::host;
    CLI::App app{"pcbhost: the reference PCB host. It keeps boards, imports drawings into them "
                 "through the import plug-in, and shows what is on them.",
                 "pcbhost"};
    app.footer(std::string(kFooter) + kExitCodes);
    app.require_subcommand(1);

    TImportOptions import;
    CLI::App* importCommand =
        app.add_subcommand("import", "Import a drawing into a board through the plug-in");
    importCommand->footer(std::string(kImportHelp) + dxfi::abi::DialogAnswersHelp() +
                          kImportHelpAfterAnswers + "\n" + kExitCodes);
    ValueOption(importCommand, "DRAWING", import.Drawing,
                "The drawing to import (.dxf; .dwg of AutoCAD 2000, 2004, 2007, 2010, 2013, 2018)",
                "")
        ->required();
    ValueOption(importCommand, "--board", import.Board,
                "Board file to import into (default: a new, empty board)", "FILE");
    ValueOption(importCommand, "-o,--output", import.Output,
                "Where to save the board (default: the --board file, else "
                "DRAWING with the extension .board.json)",
                "FILE");
    ValueOption(importCommand, "--svg", import.Svg, "Also render the saved board as SVG here",
                "FILE");
    CLI::Option* yes =
        importCommand->add_flag("--yes", import.Yes, "Answer Yes to the plug-in's questions");
    CLI::Option* no =
        importCommand->add_flag("--no", import.No, "Answer No to the plug-in's questions");
    yes->excludes(no);
    importCommand->add_flag("--test-mode", import.TestMode,
                            "Run in the host's test mode: the plug-in shows no dialog and no "
                            "report prompt; an error or warning box prints \"ShowDialogWithCaption "
                            "with<caption> <text>\" on standard output and ends pcbhost with exit "
                            "code 1. Not with --answer or --settings (exit code 2)");
    ValueOption(importCommand, "--plugin", import.Plugin,
                "The import plug-in library (default: libdxfimport.so beside "
                "pcbhost)",
                "LIB");
    ValueOption(importCommand, "--answer", import.Answers,
                "NAME=VALUE: the value for a named control of the plug-in's "
                "options dialog (repeatable; the names are listed below)",
                "NAME=VALUE")
        ->allow_extra_args(false);
    importCommand->add_flag("--gui", import.Gui,
                            "Show the plug-in's options dialog in a window (needs a display); "
                            "its Select button picks the point in a board view");
    ValueOption(importCommand, "--settings", import.Settings,
                "Load the options dialog's settings from this INI file first, as its "
                "Load Settings button does",
                "FILE.ini");

    std::string infoBoard;
    bool infoJson = false;
    CLI::App* infoCommand =
        app.add_subcommand("info", "Show a board's objects by kind and by layer, and its extent");
    ValueOption(infoCommand, "BOARD", infoBoard, "The board file", "")->required();
    infoCommand->add_flag("--json", infoJson, "Print the summary as JSON");

    std::string renderBoard, renderSvg;
    CLI::App* renderCommand = app.add_subcommand(
        "render", "Draw a board as SVG: each layer in its own colour, with a legend");
    ValueOption(renderCommand, "BOARD", renderBoard, "The board file", "")->required();
    ValueOption(renderCommand, "--svg", renderSvg, "The SVG file to write", "FILE")->required();

    KicadOptions(importCommand, import.Kicad, import.KicadOutline,
                 "Also export the saved board as a KiCad 6 board file here");

    std::string exportBoard, exportKicad, exportOutline;
    CLI::App* exportCommand = app.add_subcommand(
        "export", "Write a board as a KiCad 6 board file; what KiCad cannot hold is named on "
                  "standard error with its count");
    ValueOption(exportCommand, "BOARD", exportBoard, "The board file", "")->required();
    KicadOptions(exportCommand, exportKicad, exportOutline, "The KiCad board file to write")
        ->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        int code = app.exit(error);
        return code == 0 ? kExitOk : kExitUsage;
    }

    try {
        if (*importCommand) return RunImport(import);
        if (*infoCommand) return RunInfo(infoBoard, infoJson);
        if (*renderCommand) return RunRender(renderBoard, renderSvg);
        if (*exportCommand) return RunExport(exportBoard, exportKicad, exportOutline);
    } catch (const EHostError& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "pcbhost: %s\n", error.what());
        return error.ExitCode;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "pcbhost: %s\n", error.what());
        return kExitFileProblem;
    }
    return kExitUsage;
}
