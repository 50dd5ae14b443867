// SPDX-License-Identifier: MIT
#include "plugin/PluginEntry.h"

#include "abi/ClientApi.h"
#include "engine/Pad2.h"
#include "options/ImportOptions.h"
#include "pcbclient/PcbApiBinding.h"
#include "pcbclient/PcbBoard.h"
#include "pcbimport/ImportRun.h"
#include "plugin/HostClientFunctions.h"
#include "plugin/ProductFolder.h"
#include "plugin/SupportFiles.h"
#include "report/ReportHost.h"

#include <exception>
#include <memory>

namespace dxfi {

namespace {

bool CallAccepted = false;
bool EngineOpen = false; // initialised by this call and not yet closed

// Sets the current board for the length of a call, whatever way the call ends.
class TCurrentBoardScope {
public:
    explicit TCurrentBoardScope(TPcbBoard* board) { SetCurrentBoard(board); }
    ~TCurrentBoardScope() { SetCurrentBoard(nullptr); }
    TCurrentBoardScope(const TCurrentBoardScope&) = delete;
    TCurrentBoardScope& operator=(const TCurrentBoardScope&) = delete;
};

void ShowError(const std::string& text) {
    ShowHostMessage("Error", text, abi::kMbOk | abi::kMbIconError);
}

} // namespace

void ConnectToHost() {
    abi::IClient* client = ClientGetClient();
    SetHostClient(client);
    if (!client) return;
    SetEngineMessageFunction([client](const std::string& caption, const std::string& text) {
        client->ShowMessage(caption.c_str(), text.c_str(), abi::kMbOk | abi::kMbIconError);
    });
    SetMessageBoxFunction(
        [client](const std::string& caption, const std::string& text, uint32_t style) {
            return client->ShowMessage(caption.c_str(), text.c_str(), style);
        });
    SetHostCommandSender([client](const std::string& command, const std::string& parameters) {
        client->SendCommand(command.c_str(), parameters.c_str(),
                            static_cast<int32_t>(parameters.size()));
    });
    SetProductFolder(PluginProductFolder());
}

void MarkCallAccepted() {
    CallAccepted = true;
}

uint8_t ImportFileIntoBoard(const std::string& fileName) {
    if (!IsImportableFileName(fileName)) return 0;
    if (host::PcbApi_GetCurrentBoardHandle() == 0) return 0;
    MarkCallAccepted();

    auto board = std::make_unique<TPcbBoard>(host::PcbApi_GetCurrentBoardHandle());
    board->TransferProperties(ptRead);
    const TCurrentBoardScope scope(board.get());
    std::string failure;
    if (LoadDrawingEngine(ProductFolder(), failure)) {
        EngineOpen = true;
        UseSetupDialogForImports();
        ImportDrawing(fileName);
        EngineOpen = false;
        CloseDrawingEngine();
    } else {
        // The box has told the user; a batch host learns it too, so it does not end in success.
        TellHostImportNotDone(abi::kImportNotRead, "Cannot read " + fileName + ": " + failure);
    }
    return 1;
}

uint8_t GuardedImport(const std::string& fileName,
                      const std::function<uint8_t(const std::string&)>& import) {
    CallAccepted = false;
    EngineOpen = false;
    std::string failure;
    try {
        return import(fileName);
    } catch (const std::exception& error) {
        failure = error.what();
    } catch (...) {
        failure = "An unknown error occurred.";
    }
    // Nothing may leave the entry: each step of the clean-up is guarded on its own.
    try {
        ShowError(failure + "\n\nThe import of " + fileName + " was stopped.");
    } catch (...) {
    }
    if (CallAccepted) {
        try {
            TellHostImportNotDone(abi::kImportStopped,
                                  "The import of " + fileName + " was stopped: " + failure);
        } catch (...) {
        }
    }
    if (EngineOpen) {
        EngineOpen = false;
        try {
            CloseDrawingEngine();
        } catch (...) {
        }
    }
    return CallAccepted ? 1 : 0;
}

} // namespace dxfi
