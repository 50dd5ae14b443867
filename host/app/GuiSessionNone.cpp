// SPDX-License-Identifier: MIT
// pcbhost built without Qt (and on Windows): --gui is refused with what to do instead.
#include "host/app/GuiSession.h"

#include "host/app/HostCommands.h"
#include "host/client/HostSystem.h"

#include <string>

namespace dxfi::host {

struct TGuiSession::TImpl {};

TGuiSession::TGuiSession() {
    throw EHostError(kExitUsage, std::string("--gui is not available: ") + NoWindowAdvice() +
                                     " leave out --gui and give the dialog's values with --answer "
                                     "NAME=VALUE.");
}

TGuiSession::~TGuiSession() = default;

void TGuiSession::InstallLocationPicker(uint32_t) {}

} // namespace dxfi::host
