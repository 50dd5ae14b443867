// SPDX-License-Identifier: MIT
#include "pcbimport/ImportRun.h"

#include "abi/ClientApi.h"
#include "base/Assertion.h"
#include "base/Rounding.h"
#include "base/ShortString.h"
#include "pcbclient/PcbApiBinding.h"
#include "pcbclient/PcbBoard.h"
#include "pcbimport/ImportOptionsDialog.h"
#include "pcbimport/ImportPlacement.h"
#include "pcbimport/PcbDxfProcessor.h"
#include "pcbimport/PhaseTimer.h"
#include "pcbimport/RegistrySettingsStore.h"
#include "platform/DynamicLibrary.h"
#include "platform/Registry.h"
#include "report/GeneralReportException.h"
#include "report/ReportOutput.h"

#include <memory>
#include <string_view>
#include <utility>

namespace dxfi {

namespace {

constexpr const char* kTestModeKey = "\\Software\\Corvane\\TestMode";

// What the drawing processor puts before the engine's text of a load error.
constexpr std::string_view kLoadErrorPrefix = "Error : ";

// The host's progress display, finished on every path out of the run.
class TProgress {
public:
    TProgress() = default;
    ~TProgress() { Finish(); }
    TProgress(const TProgress&) = delete;
    TProgress& operator=(const TProgress&) = delete;

    void Init(std::string_view caption, int32_t total) {
        Finish();
        uint8_t pascal[256];
        ToPascal(CutUtf8(caption, kShortStringMax), pascal);
        host::PcbApi_Percent_Init(pascal, total);
        Open_ = true;
    }
    void Finish() {
        if (!Open_) return;
        Open_ = false;
        host::PcbApi_Percent_Finish();
    }

private:
    bool Open_ = false;
};

int32_t PrimitiveCount(TPcbBoard& board) {
    abi::IPCB_Board* boardInterface = board.GetBoardInterface();
    return boardInterface ? boardInterface->GetPrimitiveCounter(kImportKindSet) : 0;
}

} // namespace

bool IsTestMode() {
    return platform::CanOpenKeyWithFullAccess(platform::hkLocalMachine, kTestModeKey);
}

int32_t ShowHostMessage(const std::string& caption, const std::string& text, uint32_t style) {
    if (abi::IClient* client = HostClient())
        return client->ShowMessage(caption.c_str(), text.c_str(), style);
    return abi::kIdOk;
}

std::string ErrorReportPrompt(const std::string& importMessages) {
    return importMessages + "\n\r" + "Show Error Report?";
}

void ImportDrawing(const std::string& fileName) {
    TPcbBoard* board = CurrentBoard();
    if (!board || !GetPcbServer() || !board->GetBoardInterface()) return;

    TPhaseTimer timer;
    const int32_t countBefore = PrimitiveCount(*board);
    MarkExistingObjects(board->GetBoardInterface());
    auto processor = std::make_unique<TPcbDxfProcessor>(fileName, *board);

    TProgress progress;
    progress.Init("Loading " + fileName, 100);
    processor->SetProgressHandler(LoadProgress);
    processor->ReportErrors = true;
    processor->BeginImportReport();
    const bool loaded = processor->LoadFile();
    progress.Finish();
    timer.Lap("load");

    bool imported = false; // loaded, and the options accepted
    if (loaded) {
        const bool accepted = RunOptions(*processor, *board);
        imported = accepted;
        timer.Lap("options");
        if (accepted) {
            if (abi::IClient* client = HostClient()) client->SetStatusBarText(2, u"Importing...");
            processor->ProcessDrawing();
            timer.Lap("walk");
            TLayerIterator layers = processor->UsedLayers.LayerIterator();
            while (layers.Next())
                if (abi::IPCB_Board* boardInterface = board->GetBoardInterface())
                    boardInterface->SetLayerShown(layers.Current(), true);
            board->TransferProperties(ptUpdate);
        }
        processor->CloseFile();
        timer.Lap("layers_and_close");
        const int32_t countAfter = PrimitiveCount(*board);
        progress.Init("Placing...", SaturatingSub(countAfter, countBefore));
        MoveImportedObjects(processor->InsertionPointX, processor->InsertionPointY,
                            board->GetBoardInterface());
        const TImportedBounds bounds = ImportedBounds(board->GetBoardInterface());
        timer.Lap("placement");
        if (bounds.Left < 0 || bounds.Bottom < 0) {
            ShowHostMessage("Warning", PlacementWarningText(), abi::kMbOk | abi::kMbIconWarning);
            MoveImportedObjects(PlacementMove(bounds.Left, bounds.Right),
                                PlacementMove(bounds.Bottom, bounds.Top),
                                board->GetBoardInterface());
            timer.Lap("second_move");
        }
        progress.Finish();
    }

    processor->EndImportReport();
    if (!IsTestMode() && !processor->ImportSucceeded()) {
        std::string messages;
        processor->ImportMessages(messages);
        const bool show = ShowHostMessage("Confirm", ErrorReportPrompt(messages),
                                          abi::kMbYesNo | abi::kMbIconQuestion) == abi::kIdYes;
        std::string outputFile;
        // The import is over when the report is made: a report that cannot be made says so,
        // and what was imported stays on the board.
        try {
            GenerateReportOutputs(processor->GetReport(), board->FileName, "Import Error Report",
                                  outputFile, show);
        } catch (const EGeneralReportException&) {
            // The stylesheet's own box has told what went wrong with it.
            ShowHostMessage("Error", ReportNotProducedText(fileName, "", imported),
                            abi::kMbOk | abi::kMbIconError);
        } catch (const std::exception& error) {
            ShowHostMessage("Error", ReportNotProducedText(fileName, error.what(), imported),
                            abi::kMbOk | abi::kMbIconError);
        }
    }
    if (!loaded) {
        std::string reason = processor->LoadErrorText;
        if (reason.rfind(kLoadErrorPrefix, 0) == 0) reason.erase(0, kLoadErrorPrefix.size());
        TellHostImportNotDone(abi::kImportNotRead, "Cannot read " + fileName + ": " + reason);
    }
    processor.reset();
    timer.Lap("report_and_cleanup");
}

std::string ReportNotProducedText(const std::string& fileName, const std::string& failure,
                                  bool imported) {
    std::string text = failure.empty() ? std::string() : failure + "\n\n";
    text += "The error report of the import of " + fileName + " could not be produced. ";
    text += imported ? "The imported objects are on the board." : "Nothing was imported.";
    return text;
}

void TellHostImportNotDone(int32_t reason, const std::string& text) {
    const auto tell = reinterpret_cast<abi::PFN_ClientAPI_ImportNotDone>(
        platform::FindProgramSymbol("ClientAPI_ImportNotDone"));
    if (tell) tell(reason, text.c_str());
}

bool RunOptions(TPcbDxfProcessor& processor, TPcbBoard& board) {
    Assert(static_cast<bool>(ImportOptionsDialogFactory()), "ImportRun");
    std::unique_ptr<IImportOptionsDialog> dialog = ImportOptionsDialogFactory()(board);
    Assert(dialog != nullptr, "ImportRun");
    TRegistrySettingsStore store(SettingsRootKey(ProductFolder()));
    processor.LoadSettings(store);
    // A damaged settings file never stops the import: the defaults apply, and the user is told
    // once. In test mode a box would end the host, so the status bar carries it there.
    if (!store.ReadProblem().empty()) {
        if (IsTestMode()) {
            if (abi::IClient* client = HostClient())
                client->SetStatusBarText(2, Utf8ToUtf16(store.ReadProblem()).c_str());
        } else {
            ShowHostMessage("Warning", store.ReadProblem(), abi::kMbOk | abi::kMbIconWarning);
        }
    }
    dialog->LoadFromProcessor(processor);
    const bool ok = IsTestMode() || dialog->ShowModal() == abi::kIdOk;
    if (!ok && !dialog->PresetsRefusal().empty())
        TellHostImportNotDone(abi::kImportOptionsRefused, dialog->PresetsRefusal());
    if (ok) {
        dialog->SaveToProcessor(processor);
        processor.SaveSettings(store);
        std::string error;
        if (!store.Flush(error))
            ShowHostMessage("Error",
                            "The import options could not be saved for the next import. " + error,
                            abi::kMbOk | abi::kMbIconError);
    }
    return ok;
}

} // namespace dxfi
