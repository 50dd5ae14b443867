// SPDX-License-Identifier: MIT
// The host-private C interface for the pcbhost executable.
#include "host/korrin/KorrinHost.h"

#include "host/korrin/BoardDocument.h"
#include "host/korrin/BoardModel.h"
#include "host/korrin/HostCallbacks.h"
#include "host/korrin/HostLayers.h"
#include "host/korrin/HostText.h"
#include "host/korrin/KicadExport.h"
#include "host/korrin/ServerObjects.h"
#include "host/korrin/SvgRenderer.h"

#include <nlohmann/json.hpp>

#include <map>

using namespace dxfi::korrin;

namespace {

void WriteError(char* error, int32_t size, const std::string& message) {
    if (error && size > 0) CopyOut(message, error, static_cast<size_t>(size));
}

// Runs `work` on the open board `board`: 0 when it succeeds, 1 with the reason in `error` when
// the handle names no open board or the work throws. `verb` says what was asked ("save").
template <class TWork>
int32_t OnOpenBoard(uint32_t board, const char* verb, char* error, int32_t errorSize,
                    TWork&& work) {
    try {
        TObject* b = Store().FindBoard(board);
        if (!b) {
            WriteError(error, errorSize,
                       std::string("Cannot ") + verb +
                           " board: the board handle names no open board.");
            return 1;
        }
        work(*b);
        return 0;
    } catch (const std::exception& e) {
        WriteError(error, errorSize, e.what());
    } catch (...) {
        WriteError(error, errorSize, std::string("Cannot ") + verb + " board.");
    }
    return 1;
}

constexpr const char* kKindNames[32] = {"Board",
                                        "Arc",
                                        "Pad",
                                        "Via",
                                        "Track",
                                        "Text",
                                        "Fill",
                                        "FromTo",
                                        "Net",
                                        "Component",
                                        "Polygon",
                                        "Region",
                                        "ComponentBody",
                                        "Dimension",
                                        "Coordinate",
                                        "ObjectClass",
                                        "Rule",
                                        "ManualFromTo",
                                        "DifferentialPair",
                                        "Violation",
                                        "Embedded",
                                        "EmbeddedBoard",
                                        "SplitPlane",
                                        "Kind23",
                                        "Kind24",
                                        "Kind25",
                                        "BoardOutline",
                                        "Kind27",
                                        "Kind28",
                                        "Kind29",
                                        "Kind30",
                                        "Kind31"};

std::string SummaryJson(const TObject& board) {
    using nlohmann::ordered_json;
    const TObjectStore& store = Store();
    std::array<int64_t, kKindSlots> kinds{};
    std::map<std::pair<int, uint32_t>, int64_t> layers; // in standard-list order
    // Objects by layer and kind, the layers in the same order.
    std::map<std::pair<int, uint32_t>, std::array<int64_t, kKindSlots>> layerKinds;
    int64_t count = 0;
    auto add = [&](const TObject& o) {
        ++kinds[o.Kind];
        int index = StandardLayerIndex(o.LayerValue);
        const std::pair<int, uint32_t> key{index >= 0 ? index : 1000, o.LayerValue};
        ++layers[key];
        ++layerKinds[key][o.Kind];
        ++count;
    };
    store.EachChild(board, [&](const TObject& o) {
        add(o);
        if (o.Children) store.EachChild(o, add);
    });
    ordered_json j;
    j["FileName"] = board.As<TBoardData>()->FileName;
    j["ObjectCount"] = count;
    j["Kinds"] = ordered_json::object();
    for (int k = 0; k < kKindSlots; ++k)
        if (kinds[k]) j["Kinds"][kKindNames[k]] = kinds[k];
    j["Layers"] = ordered_json::object();
    j["KindsByLayer"] = ordered_json::object();
    for (const auto& [key, n] : layers) {
        std::string name = BoardLayerName(board, key.second);
        if (name.empty()) name = LayerDisplayName(key.second);
        j["Layers"][name] = n;
        ordered_json& byKind = j["KindsByLayer"][name];
        byKind = ordered_json::object();
        const std::array<int64_t, kKindSlots>& counts = layerKinds[key];
        for (int k = 0; k < kKindSlots; ++k)
            if (counts[k]) byKind[kKindNames[k]] = counts[k];
    }
    TBounds extent = store.Bounds(board);
    if (extent.Empty) {
        j["Extent"] = nullptr;
        j["ExtentMils"] = nullptr;
    } else {
        j["Extent"] = {{"Left", extent.Left},
                       {"Bottom", extent.Bottom},
                       {"Right", extent.Right},
                       {"Top", extent.Top}};
        j["ExtentMils"] = {{"Left", extent.Left / 10000.0},
                           {"Bottom", extent.Bottom / 10000.0},
                           {"Right", extent.Right / 10000.0},
                           {"Top", extent.Top / 10000.0}};
    }
    return j.dump(2, ' ', false, ordered_json::error_handler_t::replace);
}

} // namespace

extern "C" {

uint32_t KorrinHost_NewBoard(const char* fileName) {
    try {
        TObject* board = Store().CreateBoard(fileName ? CopyIn(fileName, 4096, 255) : "");
        if (!board) return 0;
        Store().CurrentBoard = board->Id;
        return board->Id;
    } catch (...) {
        return 0;
    }
}

uint32_t KorrinHost_LoadBoard(const char* path, char* error, int32_t errorSize) {
    try {
        if (!path || !*path) {
            WriteError(error, errorSize, "Cannot load board: no file name was given.");
            return 0;
        }
        TObject* board = LoadBoardFile(path);
        Store().CurrentBoard = board->Id;
        return board->Id;
    } catch (const std::exception& e) {
        WriteError(error, errorSize, e.what());
    } catch (...) {
        WriteError(error, errorSize, std::string("Cannot load board '") + path + "'.");
    }
    return 0;
}

int32_t KorrinHost_SaveBoard(uint32_t board, const char* path, char* error, int32_t errorSize) {
    return OnOpenBoard(board, "save", error, errorSize,
                       [&](TObject& b) { SaveBoardFile(b, path ? path : ""); });
}

int32_t KorrinHost_SetBoardFileName(uint32_t board, const char* fileName) {
    TObject* b = Store().FindBoard(board);
    if (!b) return 1;
    try {
        b->As<TBoardData>()->FileName = fileName ? CopyIn(fileName, 4096, 255) : "";
    } catch (...) {
        return 1;
    }
    return 0;
}

int32_t KorrinHost_CloseBoard(uint32_t board) {
    TObject* b = Store().FindBoard(board);
    if (!b) return 1;
    Store().Destroy(*b);
    return 0;
}

int32_t KorrinHost_SetCurrentBoard(uint32_t board) {
    if (board != 0 && !Store().FindBoard(board)) return 1;
    Store().CurrentBoard = board;
    return 0;
}

int32_t KorrinHost_RenderSvg(uint32_t board, const char* path, char* error, int32_t errorSize) {
    return OnOpenBoard(board, "render", error, errorSize,
                       [&](TObject& b) { RenderSvgFile(b, path ? path : ""); });
}

int32_t KorrinHost_ExportKicad(uint32_t board, const char* path, uint32_t outlineLayer,
                               KorrinHost_TextSinkFn lossSink, void* context, char* error,
                               int32_t errorSize) {
    return OnOpenBoard(board, "export", error, errorSize, [&](TObject& b) {
        TKicadExportOptions options;
        options.OutlineLayer = outlineLayer;
        std::vector<std::string> losses = ExportKicadFile(b, options, path ? path : "");
        if (lossSink)
            for (const std::string& line : losses)
                lossSink(context, line.c_str(), line.size());
    });
}

int32_t KorrinHost_BoardSummaryJson(uint32_t board, KorrinHost_TextSinkFn sink, void* context) {
    TObject* b = Store().FindBoard(board);
    if (!b || !sink) return 1;
    try {
        std::string text = SummaryJson(*b);
        sink(context, text.c_str(), text.size());
        return 0;
    } catch (...) {
        return 1;
    }
}

dxfi::abi::IInterface* KorrinHost_GetServerModule(void) {
    return ServerModule();
}

void KorrinHost_SetProgressCallbacks(KorrinHost_ProgressInitFn init,
                                     KorrinHost_ProgressStepFn update,
                                     KorrinHost_ProgressStepFn finish, void* context) {
    auto& cb = HostCallbacks();
    cb.ProgressInit = init;
    cb.ProgressUpdate = update;
    cb.ProgressFinish = finish;
    cb.ProgressContext = context;
}

void KorrinHost_SetLocationPicker(KorrinHost_LocationPickerFn picker, void* context) {
    HostCallbacks().Picker = picker;
    HostCallbacks().PickerContext = context;
}

int32_t KorrinHost_SetLayerName(uint32_t board, uint32_t layer, const char* name) {
    TObject* b = Store().FindBoard(board);
    int index = StandardLayerIndex(layer);
    if (!b || index < 0) return 1;
    try {
        std::string text = name ? CopyIn(name, 4096, 255) : "";
        if (text == LayerDisplayName(layer)) text.clear();
        b->As<TBoardData>()->LayerNames[index] = text;
    } catch (...) {
        return 1;
    }
    return 0;
}

uint32_t KorrinHost_LayerFromName(uint32_t board, const char* name) {
    TObject* b = Store().FindBoard(board);
    if (!b || !name) return 0;
    try {
        for (uint32_t layer : StandardLayers())
            if (EqualNoCase(BoardLayerName(*b, layer), name)) return layer;
        uint32_t layer = 0;
        if (LayerFromDisplayName(name, layer)) return layer;
    } catch (...) {
    }
    return 0;
}

} // extern "C"
