// SPDX-License-Identifier: MIT
// The application's callbacks that the module calls: the progress display and the
// interactive location pick. Set through KorrinHost_Set*; all empty at start.
#pragma once

#include "host/korrin/KorrinHost.h"

namespace dxfi::korrin {

struct THostCallbacks {
    KorrinHost_ProgressInitFn ProgressInit = nullptr;
    KorrinHost_ProgressStepFn ProgressUpdate = nullptr;
    KorrinHost_ProgressStepFn ProgressFinish = nullptr;
    void* ProgressContext = nullptr;
    KorrinHost_LocationPickerFn Picker = nullptr;
    void* PickerContext = nullptr;
};

inline THostCallbacks& HostCallbacks() {
    static THostCallbacks callbacks;
    return callbacks;
}

} // namespace dxfi::korrin
