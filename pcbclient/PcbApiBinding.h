// SPDX-License-Identifier: MIT
// The plug-in's binding to the host PCB module's flat functions (abi/PcbApi.h) and to the PCB
// server. Functions are found by name in the host module that is already loaded into the
// process; the module is never loaded here. A function the host does not export does nothing
// and returns 0 (1 for PcbApi_QueryBoardSplitPlaneMode and PcbApi_QueryBoardLayerPairsCount);
// nothing here throws.
#pragma once

#include "abi/ClientApi.h"
#include "abi/PcbApi.h"
#include "abi/PcbServer.h"

#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace dxfi {

// One slot per host function, empty when the host does not export it.
struct TPcbApiSlots {
#define DXFI_PCBAPI_SLOT(name) abi::PFN_##name name = nullptr;
    DXFI_PCBAPI_FUNCTIONS(DXFI_PCBAPI_SLOT)
#undef DXFI_PCBAPI_SLOT
};

// The file name under which the host module is looked for ("libkorrin.so" by default).
// Setting it forgets the current binding, so that the next call binds afresh.
void SetHostModuleName(const std::string& FileName);
const std::string& HostModuleName();

// The slots, binding them first when no host module has been found yet: the binding is made at
// the first call and again at every call while the module is missing.
const TPcbApiSlots& BoundPcbApi();
// Whether the host module was found by the last binding.
bool HostModuleBound();

// The host client object (borrowed; it must outlive its use here). SetHostClient overrides it;
// without one set (or after SetHostClient(nullptr)) HostClient asks the host program's
// exported ClientAPI_GetClient, looked up once. nullptr when neither gives a client.
void SetHostClient(abi::IClient* Client);
abi::IClient* HostClient();

// The host's PCB server: the client's server module "PCB" queried for
// IID_IPCB_ServerInterface. nullptr when there is no client, no module or no such interface.
abi::IPCB_ServerInterface* GetPcbServer();

namespace host {

// A callable that forwards to one slot, or gives `Missing` when the slot is empty.
template <typename Pfn> struct TPcbApiFunction {
    Pfn TPcbApiSlots::*Slot;
    int Missing;

    template <typename... TArgs> auto operator()(TArgs&&... Args) const {
        using TResult = decltype(std::declval<Pfn>()(std::forward<TArgs>(Args)...));
        const Pfn Function = BoundPcbApi().*Slot;
        if constexpr (std::is_void_v<TResult>) {
            if (Function) Function(std::forward<TArgs>(Args)...);
        } else {
            return Function ? Function(std::forward<TArgs>(Args)...)
                            : static_cast<TResult>(Missing);
        }
    }
};

// What a call gives when the host lacks the function: 1 for the split-plane mode and the
// layer-pair count (so that a board without that function reads as having no layer pairs),
// 0 for the others.
constexpr int MissingResult(std::string_view Name) {
    return Name == "PcbApi_QueryBoardSplitPlaneMode" || Name == "PcbApi_QueryBoardLayerPairsCount"
               ? 1
               : 0;
}

// host::PcbApi_QueryTrack(...) and so on, one per host function.
#define DXFI_PCBAPI_CALLER(name)                                                                   \
    inline constexpr TPcbApiFunction<abi::PFN_##name> name{&TPcbApiSlots::name,                    \
                                                           MissingResult(#name)};
DXFI_PCBAPI_FUNCTIONS(DXFI_PCBAPI_CALLER)
#undef DXFI_PCBAPI_CALLER

} // namespace host
} // namespace dxfi
