// SPDX-License-Identifier: MIT
#include "ProcessorFixture.h"

namespace drawingtest {

std::vector<std::string> ReportLines(const std::string& xml) {
    std::vector<std::string> lines;
    const std::string open = "<text>", close = "</text>";
    for (std::size_t at = xml.find(open); at != std::string::npos; at = xml.find(open, at)) {
        at += open.size();
        const std::size_t end = xml.find(close, at);
        if (end == std::string::npos) break;
        lines.push_back(xml.substr(at, end - at));
    }
    return lines;
}

namespace {
[[maybe_unused]] ::testing::Environment* const kEngine =
    ::testing::AddGlobalTestEnvironment(new TEngineEnvironment);
} // namespace

} // namespace drawingtest
