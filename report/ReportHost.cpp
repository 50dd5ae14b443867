// SPDX-License-Identifier: MIT
#include "report/ReportHost.h"

#include "abi/ClientApi.h"
#include "platform/DynamicLibrary.h"

#include <cstdio>

namespace dxfi {
namespace {

THostCommandSender& CommandSender() {
    static THostCommandSender sender;
    return sender;
}
TMessageBoxFunction& MessageBoxFunction() {
    static TMessageBoxFunction function;
    return function;
}
TWorkspaceProvider& WorkspaceProvider() {
    static TWorkspaceProvider provider;
    return provider;
}

abi::IWorkspace* LoadedHostWorkspace() {
    platform::TModuleHandle module = platform::FindLoadedModule(abi::kWorkspaceModuleName);
    if (!module) return nullptr;
    auto getWorkspace = reinterpret_cast<abi::PFN_GetWorkspace>(
        platform::FindSymbol(module, abi::kGetWorkspaceName));
    return getWorkspace ? getWorkspace() : nullptr;
}

} // namespace

void SetHostCommandSender(THostCommandSender sender) {
    CommandSender() = std::move(sender);
}

void SetMessageBoxFunction(TMessageBoxFunction function) {
    MessageBoxFunction() = std::move(function);
}

void SetWorkspaceProviderForTests(TWorkspaceProvider provider) {
    WorkspaceProvider() = std::move(provider);
}

void SendHostCommand(const std::string& command, const std::string& parameters) {
    if (CommandSender()) {
        CommandSender()(command, parameters);
        return;
    }
    std::fprintf(stderr, "%s %s\n", command.c_str(), parameters.c_str());
}

int32_t ShowReportMessage(const std::string& caption, const std::string& text, uint32_t style) {
    if (MessageBoxFunction()) return MessageBoxFunction()(caption, text, style);
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return abi::kIdOk;
}

abi::IWorkspace* HostWorkspace() {
    if (WorkspaceProvider()) return WorkspaceProvider()();
    return LoadedHostWorkspace();
}

} // namespace dxfi
