// SPDX-License-Identifier: MIT
// What the report output asks of the host: its command channel (to open a produced file), its
// message boxes and its workspace. report/ may not reach the host client itself, so the
// plug-in wires these to it when it starts:
//
//   SetHostCommandSender([client](const std::string& command, const std::string& parameters) {
//       client->SendCommand(command.c_str(), parameters.c_str(),
//                           static_cast<int32_t>(parameters.size()));
//   });
//   SetMessageBoxFunction([client](const std::string& caption, const std::string& text,
//                                  uint32_t style) {
//       return client->ShowMessage(caption.c_str(), text.c_str(), style);
//   });
//
// Until then, commands and message boxes are written to standard error (a box answers kIdOk).
// The workspace is the host's own: GetWorkspace of the already loaded workspace module
// (abi/Workspace.h), looked up on each use and never loaded by us; tests put a double in its
// place. Setting an empty function restores the default.
#pragma once

#include "abi/Workspace.h"

#include <cstdint>
#include <functional>
#include <string>

namespace dxfi {

using THostCommandSender =
    std::function<void(const std::string& command, const std::string& parameters)>;
using TMessageBoxFunction =
    std::function<int32_t(const std::string& caption, const std::string& text, uint32_t style)>;
using TWorkspaceProvider = std::function<abi::IWorkspace*()>;

void SetHostCommandSender(THostCommandSender sender);
void SetMessageBoxFunction(TMessageBoxFunction function);
void SetWorkspaceProviderForTests(TWorkspaceProvider provider);

// Sends a command with its parameter text to the host.
void SendHostCommand(const std::string& command, const std::string& parameters);
// Shows a modal message box (abi/ClientApi.h styles) and returns the answer (kIdOk, ...).
int32_t ShowReportMessage(const std::string& caption, const std::string& text, uint32_t style);
// The host's workspace (borrowed); nullptr when the host has none.
abi::IWorkspace* HostWorkspace();

} // namespace dxfi
