// SPDX-License-Identifier: MIT
// One call of the import entry: the name tested, the current board wrapped, the engine loaded,
// the import run, the engine closed and the wrapper freed. No exception leaves GuardedImport:
// whatever escapes the run is shown in an "Error" box through the host, the engine is closed,
// and the call still answers as an accepted one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace dxfi {

// Connects the plug-in to the host client it runs in: the binding's client, the engine's and
// the report output's message boxes, the report output's commands. Safe to repeat.
void ConnectToHost();

// 1 when the name was accepted and a board was open (whatever the import's outcome), else 0.
// The import run gets the options dialog of options/.
uint8_t ImportFileIntoBoard(const std::string& fileName);

// Runs `import` (which answers like ImportFileIntoBoard) and catches everything it throws:
// shows the text in an "Error" box and closes the engine if this call initialised it. A call
// that throws answers 1 once it had been accepted (MarkCallAccepted), else 0.
uint8_t GuardedImport(const std::string& fileName,
                      const std::function<uint8_t(const std::string&)>& import);

// Called by the import once the name is accepted and a board is open.
void MarkCallAccepted();

} // namespace dxfi
