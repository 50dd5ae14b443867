// SPDX-License-Identifier: MIT
#include "host/app/BoardDocument.h"

#include "abi/PcbServer.h"
#include "host/app/HostCommands.h"
#include "host/korrin/KorrinHost.h"

namespace dxfi::host {

namespace {

constexpr int32_t kErrorSize = 1024;

void AppendText(void* context, const char* text, size_t length) {
    static_cast<std::string*>(context)->append(text, length);
}

// A module call on a file failed: its message (else `fallback`), then what to do about it.
[[noreturn]] void FileFailure(const char* error, const std::string& fallback,
                              const std::string& whatToDo) {
    throw EHostError(kExitFileProblem, (error[0] ? std::string(error) : fallback) + " " + whatToDo);
}

} // namespace

TBoardDocument TBoardDocument::Open(const std::string& path, const std::string& whatToDo) {
    char error[kErrorSize] = {};
    uint32_t handle = KorrinHost_LoadBoard(path.c_str(), error, kErrorSize);
    if (handle == 0) FileFailure(error, "Cannot load board '" + path + "'.", whatToDo);
    return TBoardDocument(handle);
}

TBoardDocument TBoardDocument::New(const std::string& fileName) {
    return TBoardDocument(KorrinHost_NewBoard(fileName.c_str()));
}

TBoardDocument::TBoardDocument(TBoardDocument&& other) noexcept : Handle_(other.Handle_) {
    other.Handle_ = 0;
}

TBoardDocument::~TBoardDocument() {
    if (Handle_ != 0) KorrinHost_CloseBoard(Handle_);
}

void TBoardDocument::SetFileName(const std::string& fileName) {
    KorrinHost_SetBoardFileName(Handle_, fileName.c_str());
}

void TBoardDocument::Save(const std::string& path) {
    char error[kErrorSize] = {};
    if (KorrinHost_SaveBoard(Handle_, path.c_str(), error, kErrorSize) != 0)
        FileFailure(error, "Cannot save board '" + path + "'.",
                    "Choose a writable place with -o FILE.");
}

void TBoardDocument::RenderSvg(const std::string& path) {
    char error[kErrorSize] = {};
    if (KorrinHost_RenderSvg(Handle_, path.c_str(), error, kErrorSize) != 0)
        FileFailure(error, "Cannot write SVG '" + path + "'.",
                    "Choose a writable place with --svg FILE.");
}

std::vector<std::string> TBoardDocument::ExportKicad(const std::string& path,
                                                     const std::string& outline) {
    uint32_t outlineLayer = 0;
    if (!outline.empty() && (outlineLayer = LayerFromName(outline)) == 0)
        throw EHostError(kExitUsage, "--kicad-outline " + outline +
                                         " names no layer of the board; nothing was exported. "
                                         "Give a layer name such as \"Mechanical Layer 1\".");
    std::vector<std::string> losses;
    char error[kErrorSize] = {};
    auto sink = [](void* context, const char* text, size_t length) {
        static_cast<std::vector<std::string>*>(context)->emplace_back(text, length);
    };
    if (KorrinHost_ExportKicad(Handle_, path.c_str(), outlineLayer, sink, &losses, error,
                               kErrorSize) != 0)
        FileFailure(error, "Cannot export board to '" + path + "'.",
                    "Choose a writable place with --kicad FILE.");
    return losses;
}

uint32_t TBoardDocument::LayerFromName(const std::string& name) const {
    return KorrinHost_LayerFromName(Handle_, name.c_str());
}

int64_t TBoardDocument::ObjectCount() const {
    // The board keeps its counts by kind: this costs nothing however large the board is.
    void* server = nullptr;
    if (KorrinHost_GetServerModule()->QueryInterface(abi::IID_IPCB_ServerInterface, &server) !=
            abi::kOk ||
        !server)
        return 0;
    void* board = nullptr;
    if (static_cast<abi::IPCB_ServerInterface*>(server)->GetPCBBoardByBoardHandle(
            Handle_, abi::IID_IPCB_Board, &board) != abi::kOk ||
        !board)
        return 0;
    constexpr uint32_t kEveryKind = ~1u; // every object kind; bit 0 is the board itself
    return static_cast<abi::IPCB_Board*>(board)->GetPrimitiveCounter(kEveryKind);
}

std::string TBoardDocument::SummaryJson() const {
    std::string json;
    if (KorrinHost_BoardSummaryJson(Handle_, AppendText, &json) != 0)
        throw EHostError(kExitFileProblem, "Cannot summarise the board.");
    return json;
}

} // namespace dxfi::host
