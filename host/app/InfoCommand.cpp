// SPDX-License-Identifier: MIT
// pcbhost info and pcbhost render: what is on a board, and a picture of it.
#include "host/app/BoardDocument.h"
#include "host/app/HostCommands.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <string>

namespace dxfi::host {

namespace {

using TJson = nlohmann::ordered_json;

const std::string kBoardHint = "Give a board file that pcbhost import saved.";

void PrintCounts(const TJson& counts, const char* title) {
    std::printf("%s\n", title);
    if (!counts.is_object() || counts.empty()) {
        std::printf("  (none)\n");
        return;
    }
    std::size_t width = 0;
    for (const auto& [name, count] : counts.items())
        width = std::max(width, name.size());
    for (const auto& [name, count] : counts.items())
        std::printf("  %-*s %s\n", static_cast<int>(width), name.c_str(), count.dump().c_str());
}

// One line per layer: "  Top Overlay   Track 12, Arc 7, Text 2".
void PrintKindsByLayer(const TJson& byLayer) {
    if (!byLayer.is_object() || byLayer.empty()) return;
    std::printf("By layer and kind:\n");
    std::size_t width = 0;
    for (const auto& [layer, kinds] : byLayer.items())
        width = std::max(width, layer.size());
    for (const auto& [layer, kinds] : byLayer.items()) {
        std::string line;
        if (kinds.is_object())
            for (const auto& [kind, count] : kinds.items())
                line += (line.empty() ? "" : ", ") + kind + " " + count.dump();
        std::printf("  %-*s %s\n", static_cast<int>(width), layer.c_str(), line.c_str());
    }
}

std::string Coordinate(const TJson& extent, const char* name) {
    return extent.contains(name) ? extent[name].dump() : "?";
}

void PrintSummary(const TJson& summary, const std::string& path) {
    std::printf("Board %s\n", path.c_str());
    std::printf("Objects %s\n",
                summary.contains("ObjectCount") ? summary["ObjectCount"].dump().c_str() : "0");
    PrintCounts(summary.value("Kinds", TJson::object()), "By kind:");
    PrintCounts(summary.value("Layers", TJson::object()), "By layer:");
    PrintKindsByLayer(summary.value("KindsByLayer", TJson::object()));
    const TJson extent = summary.value("Extent", TJson());
    if (!extent.is_object()) {
        std::printf("Extent: none (the board is empty)\n");
        return;
    }
    std::printf("Extent: left %s, bottom %s, right %s, top %s (board units)\n",
                Coordinate(extent, "Left").c_str(), Coordinate(extent, "Bottom").c_str(),
                Coordinate(extent, "Right").c_str(), Coordinate(extent, "Top").c_str());
    const TJson mils = summary.value("ExtentMils", TJson());
    if (mils.is_object()) {
        auto number = [&](const char* name) {
            return mils.contains(name) && mils[name].is_number() ? mils[name].get<double>() : 0.0;
        };
        std::printf("        left %.4f, bottom %.4f, right %.4f, top %.4f (mil)\n", number("Left"),
                    number("Bottom"), number("Right"), number("Top"));
        constexpr double kMmPerMil = 0.0254;
        const double width = number("Right") - number("Left");
        const double height = number("Top") - number("Bottom");
        std::printf("        left %.4f, bottom %.4f, right %.4f, top %.4f (mm): %.4f x %.4f mm\n",
                    number("Left") * kMmPerMil, number("Bottom") * kMmPerMil,
                    number("Right") * kMmPerMil, number("Top") * kMmPerMil, width * kMmPerMil,
                    height * kMmPerMil);
    }
}

} // namespace

int RunInfo(const std::string& boardPath, bool json) {
    TBoardDocument board = TBoardDocument::Open(boardPath, kBoardHint);
    std::string text = board.SummaryJson();
    TJson summary = TJson::parse(text, nullptr, false);
    if (summary.is_discarded() || !summary.is_object())
        throw EHostError(kExitFileProblem,
                         "The board module gave no summary of " + boardPath + ".");
    if (json)
        std::printf("%s\n", summary.dump(2).c_str());
    else
        PrintSummary(summary, boardPath);
    return kExitOk;
}

int RunRender(const std::string& boardPath, const std::string& svg) {
    TBoardDocument board = TBoardDocument::Open(boardPath, kBoardHint);
    board.RenderSvg(svg);
    std::fprintf(stderr, "SVG saved to %s\n", svg.c_str());
    return kExitOk;
}

} // namespace dxfi::host
