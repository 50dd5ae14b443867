// SPDX-License-Identifier: MIT
// A host client that stays out of the way: no interfaces, commands that succeed, boxes answered
// OK, no dialogs shown and no answers for them. Test clients derive from it and give their own
// server module.
#pragma once

#include "abi/ClientApi.h"

namespace dxfi::test {

struct TQuietClient : abi::IClient {
    int32_t DXFI_STDCALL QueryInterface(const abi::TGuid&, void** out) override {
        if (out) *out = nullptr;
        return abi::kNoInterface;
    }
    uint32_t DXFI_STDCALL AddRef() override { return 1; }
    uint32_t DXFI_STDCALL Release() override { return 1; }
    int32_t DXFI_STDCALL SendCommand(const char*, const char*, int32_t) override { return 0; }
    void DXFI_STDCALL SetStatusBarText(int32_t, const char16_t*) override {}
    int32_t DXFI_STDCALL ShowMessage(const char*, const char*, uint32_t) override {
        return abi::kIdOk;
    }
    bool DXFI_STDCALL InteractiveDialogs() override { return false; }
    const char* DXFI_STDCALL DialogAnswers() override { return ""; }
};

} // namespace dxfi::test
