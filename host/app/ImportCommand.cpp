// SPDX-License-Identifier: MIT
// pcbhost import: what the editor does when the user imports a drawing into the open board.
#include "abi/DialogAnswers.h"
#include "host/app/BoardDocument.h"
#include "host/app/GuiSession.h"
#include "host/app/HostCommands.h"
#include "host/app/Plugin.h"
#include "host/client/HostClient.h"
#include "host/client/HostSystem.h"
#include "host/client/HostText.h"
#include "host/client/TestMode.h"
#include "host/korrin/KorrinHost.h"

#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace dxfi::host {

namespace {

namespace fs = std::filesystem;

std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

void ProgressInit(void* context, const char* caption, int32_t total) {
    static_cast<TProgressDisplay*>(context)->Init(caption ? caption : "", total);
}
void ProgressUpdate(void* context) {
    static_cast<TProgressDisplay*>(context)->Update();
}
void ProgressFinish(void* context) {
    static_cast<TProgressDisplay*>(context)->Finish();
}

std::string DialogAnswerLines(const std::vector<std::string>& answers) {
    std::string lines;
    for (const std::string& answer : answers) {
        CheckAnswerName(answer);
        lines += answer + "\n";
    }
    return lines;
}

std::string TrimBlanks(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

void CheckSettingsFile(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (fs::is_regular_file(status)) return;
    const char* what = !fs::exists(status)        ? "it does not exist"
                       : fs::is_directory(status) ? "it is a folder, not a file"
                       : fs::is_fifo(status)      ? "it is a named pipe, not a file"
                                                  : "it is not a regular file";
    throw EHostError(kExitFileProblem, "Cannot load the settings file " + path + ": " + what +
                                           ". Give an INI file that Save Settings wrote.");
}

void CheckDrawing(const std::string& drawing) {
    std::error_code error;
    fs::file_status status = fs::status(drawing, error);
    if (!fs::exists(status))
        throw EHostError(kExitFileProblem,
                         "Cannot import " + drawing + ": the file does not exist. Check the path.");
    if (fs::is_directory(status))
        throw EHostError(kExitFileProblem,
                         "Cannot import " + drawing + ": it is a folder. Name a drawing file.");
    if (drawing.size() > kMaxImportName)
        throw EHostError(kExitFileProblem,
                         "Cannot import " + drawing + ": the path is " +
                             std::to_string(drawing.size()) +
                             " bytes long and the plug-in takes at most 255. Move the drawing to "
                             "a folder with a shorter path.");
}

// Saving the board or its picture over the drawing (or the picture over the board) would
// destroy what the user asked to import.
void CheckOutputs(const std::string& drawing, const std::string& board, const std::string& svg) {
    auto same = [](const std::string& a, const std::string& b) {
        std::error_code error;
        return a == b || fs::equivalent(a, b, error);
    };
    if (same(board, drawing))
        throw EHostError(kExitUsage, "Cannot save the board to " + board +
                                         ": that is the drawing being imported. Choose another "
                                         "file with -o FILE.");
    if (!svg.empty() && (same(svg, drawing) || same(svg, board)))
        throw EHostError(kExitUsage, "Cannot write the SVG to " + svg + ": that is the " +
                                         (same(svg, drawing) ? "drawing" : "board") +
                                         ". Choose another file with --svg FILE.");
}

} // namespace

void CheckAnswerName(const std::string& answer) {
    const std::size_t equals = answer.find('=');
    if (equals == 0 || equals == std::string::npos || answer.find('\n') != std::string::npos)
        throw EHostError(kExitUsage, "--answer " + answer +
                                         " is not NAME=VALUE; write, for example, "
                                         "--answer ScaleUnits=1mm.");
    if (abi::FindDialogAnswer(TrimBlanks(answer.substr(0, equals)))) return;
    throw EHostError(kExitUsage, "--answer " + answer +
                                     " names no control of the import options dialog; nothing "
                                     "was imported. Use " +
                                     abi::DialogAnswerNamesText() +
                                     " (see pcbhost import --help).");
}

std::string DefaultOutputPath(const std::string& drawing, const std::string& board) {
    if (!board.empty()) return board;
    fs::path path(drawing);
    path.replace_extension(".board.json");
    return path.string();
}

namespace {

void CheckTestModeOptions(const TImportOptions& options) {
    if (!options.TestMode || (options.Answers.empty() && options.Settings.empty())) return;
    const std::string given = !options.Answers.empty() && !options.Settings.empty()
                                  ? "--answer and --settings"
                              : !options.Answers.empty() ? "--answer"
                                                         : "--settings";
    throw EHostError(kExitUsage,
                     "--test-mode cannot be combined with " + given +
                         ": in test mode the plug-in shows no options dialog and imports with "
                         "the saved options, so the answers would not be applied. Nothing was "
                         "imported. Leave out --test-mode and give --no (or --yes) to run without "
                         "questions, or leave out " +
                         given + ".");
}

std::string ImportNotDoneMessage(const std::string& drawing, const TImportNotDone& notDone) {
    std::string text =
        notDone.Text.empty() ? "The plug-in did not import " + drawing : notDone.Text;
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    if (!text.empty() && text.back() != '.') text += '.';
    switch (notDone.Reason) {
    case abi::kImportNotRead:
        return text + " Nothing was imported and the board was not saved.";
    case abi::kImportOptionsRefused:
        return "The plug-in refused the import options: " + text +
               " Nothing was imported and the board was not saved.";
    default:
        return text + " The board was not saved.";
    }
}

} // namespace

int RunImport(const TImportOptions& options) {
    // Refused before anything is loaded or read.
    CheckTestModeOptions(options);
    const std::string drawing = AbsolutePath(options.Drawing);
    CheckDrawing(drawing);
    const std::string output = AbsolutePath(DefaultOutputPath(drawing, options.Board));
    const std::string outputPath = options.Output.empty() ? output : AbsolutePath(options.Output);
    const std::string svgPath = options.Svg.empty() ? std::string() : AbsolutePath(options.Svg);
    CheckOutputs(drawing, outputPath, svgPath);

    TClientSettings settings;
    settings.Answers = options.Yes ? amYes : options.No ? amNo : amAsk;
    settings.DialogAnswers = DialogAnswerLines(options.Answers);
    const std::string settingsFile =
        options.Settings.empty() ? std::string() : AbsolutePath(options.Settings);
    if (!settingsFile.empty()) CheckSettingsFile(settingsFile);
    // The plug-in's windows use this application: it exists before the plug-in is loaded and
    // ends after it is unloaded.
    std::unique_ptr<TGuiSession> gui;
    if (options.Gui) gui = std::make_unique<TGuiSession>();
    TClient& client = TClient::Instance();
    client.Configure(settings);
    client.SetInteractiveDialogs(options.Gui);
    client.SetSettingsFile(settingsFile);
    if (options.TestMode) {
        try {
            EnableTestMode();
        } catch (const std::runtime_error& error) {
            throw EHostError(kExitFileProblem, error.what());
        }
    }

    const std::string pluginPath =
        options.Plugin.empty() ? ExecutableFolder() + DefaultPluginFileName() : options.Plugin;
    std::unique_ptr<TPlugin> plugin;
    try {
        plugin = std::make_unique<TPlugin>(pluginPath);
    } catch (const EPluginError& error) {
        throw EHostError(kExitFileProblem, std::string("Cannot import: ") + error.what());
    }
    std::fprintf(stderr, "Plug-in %s\n  imports %s\n  DESCRIPTION %s\n", plugin->Path().c_str(),
                 plugin->Description().c_str(), plugin->DescriptionResource().c_str());

    KorrinHost_SetProgressCallbacks(ProgressInit, ProgressUpdate, ProgressFinish,
                                    &client.Progress());
    client.SetPcbServerModule(KorrinHost_GetServerModule());

    TBoardDocument board =
        options.Board.empty()
            ? TBoardDocument::New(outputPath)
            : TBoardDocument::Open(options.Board, "Give a board file that pcbhost saved, or leave "
                                                  "out --board to start a new board.");
    // The document lives where it is saved: the report goes beside it.
    board.SetFileName(outputPath);
    const int64_t before = board.ObjectCount();
    if (gui) gui->InstallLocationPicker(board.Handle());
    const std::string kicadPath =
        options.Kicad.empty() ? std::string() : AbsolutePath(options.Kicad);
    if (!options.KicadOutline.empty() && board.LayerFromName(options.KicadOutline) == 0)
        throw EHostError(kExitUsage, "--kicad-outline " + options.KicadOutline +
                                         " names no layer of the board; nothing was imported. "
                                         "Give a layer name such as \"Mechanical Layer 1\".");

    uint8_t accepted = 0;
    try {
        accepted = plugin->ImportFile(drawing);
    } catch (const EPluginError& error) {
        throw EHostError(kExitFileProblem, std::string("Cannot import: ") + error.what());
    }
    client.Progress().Finish();
    if (accepted != 1)
        throw EHostError(kExitPluginRefused,
                         "The plug-in did not import " + drawing +
                             ": it takes an existing drawing whose name contains DXF or DWG. "
                             "Nothing was saved.");
    // The drawing could not be read, the dialog refused its answers or settings, or a fault
    // stopped the import: the plug-in has shown its box; the board stays as it was on disk.
    if (client.ImportNotDone().Reason != 0)
        throw EHostError(kExitPluginRefused, ImportNotDoneMessage(drawing, client.ImportNotDone()));

    const int64_t after = board.ObjectCount();
    // An import that added nothing changed nothing: the board file it came from is left as it
    // was, byte for byte, with whatever members this host does not read.
    std::error_code sameError;
    if (after == before && !options.Board.empty() &&
        fs::equivalent(options.Board, outputPath, sameError)) {
        std::fprintf(stderr, "Nothing was imported; the board %s was left as it was\n",
                     outputPath.c_str());
    } else {
        board.Save(outputPath);
        std::fprintf(stderr, "Board saved to %s (%lld objects, %lld new)\n", outputPath.c_str(),
                     static_cast<long long>(after), static_cast<long long>(after - before));
    }
    if (!svgPath.empty()) {
        board.RenderSvg(svgPath);
        std::fprintf(stderr, "SVG saved to %s\n", svgPath.c_str());
    }
    if (!kicadPath.empty())
        ExportKicadBoard(board, kicadPath, options.KicadOutline, {drawing, outputPath, svgPath});
    return kExitOk;
}

} // namespace dxfi::host
