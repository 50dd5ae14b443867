// SPDX-License-Identifier: MIT
#include "host/client/MessageBox.h"

#include "abi/ClientApi.h"
#include "host/client/TestMode.h"

#include <cstdlib>

namespace dxfi::host {

namespace {

// The import's texts join lines with LF CR; a terminal wants plain line feeds.
std::string NormaliseLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            out += '\n';
            char other = c == '\r' ? '\n' : '\r';
            if (i + 1 < text.size() && text[i + 1] == other) ++i;
        } else {
            out += c;
        }
    }
    return out;
}

void ShowBox(std::FILE* err, std::string_view caption, std::string_view text) {
    std::string body = NormaliseLineBreaks(text);
    std::string shown = std::string(caption) + ":\n";
    std::size_t start = 0;
    while (start <= body.size()) {
        std::size_t end = body.find('\n', start);
        if (end == std::string::npos) end = body.size();
        std::string_view line(body.data() + start, end - start);
        if (!line.empty()) shown += "  " + std::string(line);
        shown += '\n';
        start = end + 1;
    }
    std::fputs(shown.c_str(), err);
}

bool IsYes(std::string_view answer) {
    while (!answer.empty() &&
           (answer.back() == '\n' || answer.back() == '\r' || answer.back() == ' '))
        answer.remove_suffix(1);
    while (!answer.empty() && answer.front() == ' ')
        answer.remove_prefix(1);
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
}

} // namespace

std::string TestModeLine(std::string_view caption, std::string_view text) {
    return "ShowDialogWithCaption with" + std::string(caption) + " " + std::string(text) + "\n";
}

bool IsErrorOrWarning(std::string_view caption, uint32_t style) {
    uint32_t icon = style & 0xF0u;
    return icon == abi::kMbIconError || icon == abi::kMbIconWarning || caption == "Error" ||
           caption == "Warning";
}

int32_t PresentMessage(std::string_view caption, std::string_view text, uint32_t style,
                       TAnswerMode answers, const TMessageStreams& streams) {
    ShowBox(streams.Err, caption, text);
    uint32_t buttons = style & 0x0Fu;
    bool question = buttons == abi::kMbYesNo || buttons == 0x3u; // Yes/No (and Cancel)
    if (!question) {
        std::fflush(streams.Err);
        return abi::kIdOk;
    }
    int32_t result = abi::kIdNo;
    if (answers == amYes) {
        std::fputs("  -> Yes (--yes)\n", streams.Err);
        result = abi::kIdYes;
    } else if (answers == amNo) {
        std::fputs("  -> No (--no)\n", streams.Err);
    } else if (streams.In && streams.InIsTerminal) {
        std::fputs("  Yes or No? [y/N] ", streams.Err);
        std::fflush(streams.Err);
        char line[256];
        if (std::fgets(line, sizeof line, streams.In) && IsYes(line)) result = abi::kIdYes;
    } else {
        std::fputs("  -> No (no terminal to ask; answer with --yes or --no)\n", streams.Err);
    }
    std::fflush(streams.Err);
    return result;
}

void EndProcessForTestMode(std::string_view caption, std::string_view text) {
    std::string line = TestModeLine(caption, text);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
    std::fflush(stderr);
    RemoveTemporaryHive();
    std::_Exit(1);
}

} // namespace dxfi::host
