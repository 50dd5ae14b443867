// SPDX-License-Identifier: MIT
// The host's message function on a terminal: the caption and the text go to the error
// stream; a Yes/No question is answered by the --yes/--no choice, else by the user on a
// terminal, else No. In test mode an error or warning box writes its one line to standard
// output and ends the process with exit code 1 instead.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace dxfi::host {

enum TAnswerMode : uint8_t { amAsk, amYes, amNo };

struct TMessageStreams {
    std::FILE* Err = stderr; // where boxes are shown
    std::FILE* In = stdin;   // where the user answers
    bool InIsTerminal = false;
};

// "ShowDialogWithCaption with" + caption + " " + text + line feed: what test mode writes.
std::string TestModeLine(std::string_view caption, std::string_view text);

// True for a box with the error or warning symbol, or captioned "Error" or "Warning".
bool IsErrorOrWarning(std::string_view caption, uint32_t style);

// Shows a box that does not end the process: answers kIdOk, kIdYes or kIdNo.
int32_t PresentMessage(std::string_view caption, std::string_view text, uint32_t style,
                       TAnswerMode answers, const TMessageStreams& streams);

// Writes the test-mode line to standard output, flushes it, removes the temporary machine
// hive and ends the process with exit code 1 without running destructors (the box may come
// from deep inside a plug-in call).
[[noreturn]] void EndProcessForTestMode(std::string_view caption, std::string_view text);

} // namespace dxfi::host
