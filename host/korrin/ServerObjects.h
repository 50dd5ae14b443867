// SPDX-License-Identifier: MIT
// The server interfaces over the board model: the server module "PCB" and its
// IPCB_ServerInterface, and the board, region, component, contour and iterator interfaces.
// Ownership follows abi/PcbServer.h; no method throws.
#pragma once

#include "abi/PcbServer.h"

namespace dxfi::korrin {

// The server module (process lifetime); QueryInterface(IID_IPCB_ServerInterface) gives the
// server.
abi::IInterface* ServerModule();
abi::IPCB_ServerInterface* Server();

} // namespace dxfi::korrin
