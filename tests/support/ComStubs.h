// SPDX-License-Identifier: MIT
// Stand-ins for the host's interfaces, owned by the test that makes them: no reference counts,
// no interface but their own, and a host client and PCB server that answer "nothing there"
// unless a test overrides what it wants to see.
#pragma once

#include "abi/ClientApi.h"
#include "abi/PcbServer.h"

#include <cstdint>
#include <cstring>

namespace testsupport {

// An object of `TInterface` that lives on the test's stack: AddRef and Release keep no count
// and every query for another interface is refused.
template <typename TInterface> struct TStub : TInterface {
    int32_t DXFI_STDCALL QueryInterface(const dxfi::abi::TGuid&, void** out) override {
        if (out) *out = nullptr;
        return dxfi::abi::kNoInterface;
    }
    uint32_t DXFI_STDCALL AddRef() override { return 1; }
    uint32_t DXFI_STDCALL Release() override { return 1; }
};

// A host client whose one server module is PcbModule() under the name "PCB". Commands succeed,
// the status bar is ignored, every message box is answered OK and no dialog is interactive or
// preset.
struct TStubClient : TStub<dxfi::abi::IClient> {
    dxfi::abi::IInterface* DXFI_STDCALL GetServerModuleByName(const char* name) override {
        return name && std::strcmp(name, "PCB") == 0 ? PcbModule() : nullptr;
    }
    int32_t DXFI_STDCALL SendCommand(const char*, const char*, int32_t) override { return 0; }
    void DXFI_STDCALL SetStatusBarText(int32_t, const char16_t*) override {}
    int32_t DXFI_STDCALL ShowMessage(const char*, const char*, uint32_t) override {
        return dxfi::abi::kIdOk;
    }
    bool DXFI_STDCALL InteractiveDialogs() override { return false; }
    const char* DXFI_STDCALL DialogAnswers() override { return ""; }

protected:
    // The module handed out for "PCB"; none unless a test's client has one.
    virtual dxfi::abi::IInterface* PcbModule() { return nullptr; }
};

// A PCB server that offers its own interface, makes no objects and knows no board unless a
// test overrides GetPCBBoardByBoardHandle.
struct TStubServer : TStub<dxfi::abi::IPCB_ServerInterface> {
    int32_t DXFI_STDCALL QueryInterface(const dxfi::abi::TGuid& iid, void** out) override {
        *out = iid == dxfi::abi::IID_IPCB_ServerInterface ? this : nullptr;
        return *out ? dxfi::abi::kOk : dxfi::abi::kNoInterface;
    }
    int32_t DXFI_STDCALL GetPCBBoardByBoardHandle(uint32_t, const dxfi::abi::TGuid&,
                                                  void** out) override {
        *out = nullptr;
        return dxfi::abi::kNoInterface;
    }
    dxfi::abi::IPCB_Primitive* DXFI_STDCALL PCBObjectFactory(uint8_t, int32_t, int32_t) override {
        return nullptr;
    }
    dxfi::abi::IPCB_Contour* DXFI_STDCALL PCBContourFactory() override { return nullptr; }
};

} // namespace testsupport
