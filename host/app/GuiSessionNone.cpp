// SPDX-License-Identifier: MIT
// pcbhost built without Qt: --gui is refused with what to do instead.
#include "host/app/GuiSession.h"

#include "host/app/HostCommands.h"

namespace dxfi::host {

struct TGuiSession::TImpl {};

TGuiSession::TGuiSession() {
    throw EHostError(kExitUsage, "--gui is not available: pcbhost was built without Qt 6 Widgets. "
                                 "Install qt6-base-dev and rebuild, or leave out --gui and give "
                                 "the dialog's values with --answer NAME=VALUE.");
}

TGuiSession::~TGuiSession() = default;

void TGuiSession::InstallLocationPicker(uint32_t) {}

} // namespace dxfi::host
