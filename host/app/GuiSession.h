// SPDX-License-Identifier: MIT
// The windows of pcbhost import --gui: the Qt application that the plug-in's dialogs run in,
// and the board view in which the user picks a location for the board's ChooseLocation.
// Construction throws EHostError (exit code 2) when there is no display to show windows on.
#pragma once

#include <cstdint>
#include <memory>

namespace dxfi::host {

class TGuiSession {
public:
    TGuiSession();
    ~TGuiSession();
    TGuiSession(const TGuiSession&) = delete;
    TGuiSession& operator=(const TGuiSession&) = delete;

    // Lets the board's interactive location pick show `board` in a window, where a click picks
    // the point (whole mils) and Escape or closing picks none. Removed again by the destructor.
    void InstallLocationPicker(uint32_t board);

private:
    struct TImpl;
    std::unique_ptr<TImpl> Impl_;
};

} // namespace dxfi::host
