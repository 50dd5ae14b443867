// SPDX-License-Identifier: MIT
// The pcbhost commands: import a drawing into a board through the plug-in, summarise a board,
// render a board as SVG. Each answers the process exit code or throws EHostError.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace dxfi::host {

// Exit codes of pcbhost (1 is the test-mode message box's).
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitFileProblem = 3;
inline constexpr int kExitPluginRefused = 4;

// A failure the user has to act on; the message names the file and says what to do.
class EHostError : public std::runtime_error {
public:
    EHostError(int exitCode, const std::string& message)
        : std::runtime_error(message), ExitCode(exitCode) {}
    int ExitCode;
};

struct TImportOptions {
    std::string Drawing;
    std::string Board;  // empty: start a new board
    std::string Output; // empty: the board file, else the drawing's name + ".board.json"
    std::string Svg;    // empty: no picture
    std::string Plugin; // empty: libdxfimport.so beside the executable
    bool Yes = false;
    bool No = false;
    bool TestMode = false;
    std::vector<std::string> Answers; // NAME=VALUE
    bool Gui = false;                 // show the plug-in's dialogs in windows
    std::string Settings;             // an INI file for the options dialog; empty for none
    std::string Kicad;                // empty: no KiCad board
    std::string KicadOutline;         // the layer that becomes KiCad's board outline
};

// Refuses an --answer that is not NAME=VALUE or whose NAME is none of the options dialog's
// (EHostError, exit code 2). Values are checked by the dialog itself.
void CheckAnswerName(const std::string& answer);

// The board file an import writes when no -o is given.
std::string DefaultOutputPath(const std::string& drawing, const std::string& board);

int RunImport(const TImportOptions& options);
int RunInfo(const std::string& board, bool json);
int RunRender(const std::string& board, const std::string& svg);
class TBoardDocument;
// Writes the board as a KiCad board to `path` (after refusing a path that is one of `keep`)
// and names on standard error each thing KiCad could not hold, with its count.
void ExportKicadBoard(TBoardDocument& board, const std::string& path, const std::string& outline,
                      const std::vector<std::string>& keep);
// pcbhost export BOARD --kicad OUT.kicad_pcb [--kicad-outline LAYER]
int RunExport(const std::string& board, const std::string& kicad, const std::string& outline);

} // namespace dxfi::host
