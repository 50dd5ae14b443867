// SPDX-License-Identifier: MIT
#include "pcbclient/PcbApiBinding.h"

#include "platform/DynamicLibrary.h"

namespace dxfi {
namespace {

struct TBinding {
#if defined(_WIN32)
    std::string ModuleName = "Korrin.dll";
#else
    std::string ModuleName = "libkorrin.so";
#endif
    platform::TModuleHandle Module = nullptr;
    TPcbApiSlots Slots;
    abi::IClient* Client = nullptr;
    // The host program's ClientAPI_GetClient: its exports do not change while we run.
    abi::PFN_ClientAPI_GetClient GetClient = nullptr;
    bool GetClientLooked = false;
};

TBinding& Binding() {
    static TBinding State;
    return State;
}

void Bind(TBinding& State) {
    State.Module = platform::FindLoadedModule(State.ModuleName);
    State.Slots = {};
    if (!State.Module) return;
#define DXFI_PCBAPI_BIND(name)                                                                     \
    State.Slots.name = reinterpret_cast<abi::PFN_##name>(platform::FindSymbol(State.Module, #name));
    DXFI_PCBAPI_FUNCTIONS(DXFI_PCBAPI_BIND)
#undef DXFI_PCBAPI_BIND
}

} // namespace

void SetHostModuleName(const std::string& FileName) {
    TBinding& State = Binding();
    State.ModuleName = FileName;
    State.Module = nullptr;
    State.Slots = {};
}

const std::string& HostModuleName() {
    return Binding().ModuleName;
}

const TPcbApiSlots& BoundPcbApi() {
    TBinding& State = Binding();
    if (!State.Module) Bind(State);
    return State.Slots;
}

bool HostModuleBound() {
    return Binding().Module != nullptr;
}

void SetHostClient(abi::IClient* Client) {
    Binding().Client = Client;
}

abi::IClient* HostClient() {
    TBinding& State = Binding();
    if (State.Client) return State.Client;
    if (!State.GetClientLooked) {
        State.GetClientLooked = true;
        State.GetClient = reinterpret_cast<abi::PFN_ClientAPI_GetClient>(
            platform::FindProgramSymbol("ClientAPI_GetClient"));
    }
    return State.GetClient ? State.GetClient() : nullptr;
}

abi::IPCB_ServerInterface* GetPcbServer() {
    abi::IClient* Client = HostClient();
    if (!Client) return nullptr;
    abi::IInterface* Module = Client->GetServerModuleByName("PCB");
    if (!Module) return nullptr;
    void* Server = nullptr;
    if (Module->QueryInterface(abi::IID_IPCB_ServerInterface, &Server) != abi::kOk) return nullptr;
    return static_cast<abi::IPCB_ServerInterface*>(Server);
}

} // namespace dxfi
