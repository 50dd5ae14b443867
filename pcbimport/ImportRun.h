// SPDX-License-Identifier: MIT
// One import of a drawing into the open board: progress, loading, the options dialog and the
// saved settings, the walk into PCB primitives, the used layers switched on, the placement at
// the insertion point (moved into the valid region with a warning when needed), and the offer
// of the error report. Expected failures (an unreadable file, a cancelled dialog, discarded
// entities) are handled here and reported to the user; programming errors propagate.
#pragma once

#include "pcbimport/ImportState.h"

#include <cstdint>
#include <string>

namespace dxfi {

class TPcbBoard;
class TPcbDxfProcessor;

// The host's test mode: the machine key "\Software\Corvane\TestMode" can be opened with full
// access. Looked up on every call.
bool IsTestMode();

// The host environment's message function (abi/ClientApi.h styles); kIdOk without a host
// client.
int32_t ShowHostMessage(const std::string& caption, const std::string& text, uint32_t style);

// The run, with the current board set and the drawing engine initialised.
void ImportDrawing(const std::string& fileName);

// Reads the saved settings, fills and shows the options dialog that the factory of
// ImportOptionsDialog.h makes (not shown in test mode), and
// on OK writes the dialog back to the processor and the processor's settings back to the
// registry. True on OK.
bool RunOptions(TPcbDxfProcessor& processor, TPcbBoard& board);

// The second box after the error report could not be made: `failure` (when not empty, for
// failures no box has shown yet), then that the report of `fileName`'s import could not be
// produced, and whether the imported objects are on the board or nothing was imported.
std::string ReportNotProducedText(const std::string& fileName, const std::string& failure,
                                  bool imported);

// Tells the host, when it exports ClientAPI_ImportNotDone, that the import did not take place:
// `reason` is one of abi::kImportNotRead, kImportOptionsRefused and kImportStopped.
void TellHostImportNotDone(int32_t reason, const std::string& text);

// The "Show Error Report?" question: the processor's messages, LF CR, then the question.
std::string ErrorReportPrompt(const std::string& importMessages);

} // namespace dxfi
