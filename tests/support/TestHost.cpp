// SPDX-License-Identifier: MIT
#include <dlfcn.h>

#include "support/TestHost.h"

#include "abi/PcbApi.h"
#include "pcbclient/PcbApiBinding.h"
#include "pcbclient/PcbComponent.h"
#include "pcbclient/PcbPrimitives.h"
#include "support/GlobalModule.h"

namespace dxfi::test {

namespace {

void CountInit(void* context, const char*, int32_t) {
    if (int** counters = static_cast<int**>(context); counters[1]) ++*counters[1];
}
void CountUpdate(void* context) {
    if (int** counters = static_cast<int**>(context); counters[0]) ++*counters[0];
}
void Ignore(void*) {}

int* Counters[2] = {nullptr, nullptr};

} // namespace

void* KorrinModule() {
    return testsupport::HostModule(DXFI_BIN_DIR "/libkorrin.so").Handle;
}

const std::string& KorrinLoadError() {
    return testsupport::HostModule(DXFI_BIN_DIR "/libkorrin.so").Error;
}

uint32_t NewBoard(const char* fileName) {
    return Korrin<decltype(&KorrinHost_NewBoard)>("KorrinHost_NewBoard")(fileName);
}

void CloseBoard(uint32_t board) {
    if (board) Korrin<decltype(&KorrinHost_CloseBoard)>("KorrinHost_CloseBoard")(board);
}

void SetLayerName(uint32_t board, TV7_Layer layer, const char* name) {
    Korrin<decltype(&KorrinHost_SetLayerName)>("KorrinHost_SetLayerName")(board, layer, name);
}

abi::IInterface* ServerModule() {
    return Korrin<decltype(&KorrinHost_GetServerModule)>("KorrinHost_GetServerModule")();
}

void SetProgressCounter(int* updates, int* inits) {
    Counters[0] = updates;
    Counters[1] = inits;
    Korrin<decltype(&KorrinHost_SetProgressCallbacks)>("KorrinHost_SetProgressCallbacks")(
        CountInit, CountUpdate, Ignore, Counters);
}

uint32_t AddTrack(uint32_t container, TBoardCoord x1, TBoardCoord y1, TBoardCoord x2,
                  TBoardCoord y2, TV7_Layer layer) {
    const uint32_t handle = host::PcbApi_CreateObject(abi::kKindTrack);
    TPcbTrack track(handle);
    track.TransferProperties(ptRead);
    track.X = x1;
    track.Y = y1;
    track.X2 = x2;
    track.Y2 = y2;
    track.Width = 0;
    track.Layer = layer;
    track.TransferProperties(ptWrite);
    host::PcbApi_AddObjectToContainer(container, handle);
    return handle;
}

uint32_t AddComponentWithTrack(uint32_t board, TBoardCoord x, TBoardCoord y) {
    const uint32_t handle = host::PcbApi_CreateObject(abi::kKindComponent);
    TPcbComponent component(handle);
    component.TransferProperties(ptRead);
    component.X = x;
    component.Y = y;
    component.TransferProperties(ptWrite);
    host::PcbApi_AddObjectToContainer(board, handle);
    AddTrack(handle, x, y, x + 1000, y + 1000);
    return handle;
}

abi::IInterface* TFakeClient::PcbModule() {
    return ProvideServer ? ServerModule() : nullptr;
}

} // namespace dxfi::test
