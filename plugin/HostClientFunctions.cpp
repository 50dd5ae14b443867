// SPDX-License-Identifier: MIT
#include "plugin/HostClientFunctions.h"

#include "abi/PcbApi.h"
#include "base/ShortString.h"
#include "platform/DynamicLibrary.h"

namespace dxfi {

namespace {

template <typename TFunction> TFunction ProgramFunction(const char* name) {
    return reinterpret_cast<TFunction>(platform::FindProgramSymbol(name));
}

// Calls a host function that fills a kText256 buffer.
template <typename TFunction>
std::string BufferResult(const char* functionName, const std::string& argument) {
    const auto function = ProgramFunction<TFunction>(functionName);
    if (!function) return {};
    char buffer[abi::kText256] = {};
    const std::string cut(CutUtf8(argument));
    function(cut.c_str(), buffer);
    return std::string(FromBuffer(buffer, sizeof buffer));
}

} // namespace

abi::IClient* ClientGetClient() {
    const auto function = ProgramFunction<abi::PFN_ClientAPI_GetClient>("ClientAPI_GetClient");
    return function ? function() : nullptr;
}

bool ClientExistSpecific(const std::string& path) {
    const auto function =
        ProgramFunction<abi::PFN_ClientAPI_ExistSpecific>("ClientAPI_ExistSpecific");
    return function && function(path.c_str()) != 0;
}

std::string ClientConvertFileNameToExeFileName(const std::string& name) {
    return BufferResult<abi::PFN_ClientAPI_ConvertFileNameToExeFileName>(
        "ClientAPI_ConvertFileNameToExeFileName", name);
}

std::string ClientExtractWholeFileNameFromPath(const std::string& path) {
    return BufferResult<abi::PFN_ClientAPI_ExtractWholeFileNameFromPath>(
        "ClientAPI_ExtractWholeFileNameFromPath", path);
}

} // namespace dxfi
