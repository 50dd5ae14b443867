// SPDX-License-Identifier: MIT
#include "abi/PluginApi.h"
#include "host/client/HostSystem.h"

#include <io.h>
#include <windows.h>

#include <shellapi.h>

namespace dxfi::host {

bool IsFolderSeparator(char c) {
    return c == '\\' || c == '/' || c == ':';
}

char FolderSeparator() {
    return '\\';
}

std::string ExecutablePath() {
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

bool IsTerminal(std::FILE* stream) {
    return stream && _isatty(_fileno(stream)) != 0;
}

std::FILE* OpenUserTerminal() {
    return std::fopen("CONIN$", "r");
}

bool OpenWithDesktop(const std::string& path) {
    // ShellExecute answers a value above 32 when the file's program was started.
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

const char* DefaultPluginFileName() {
    return "dxfimport.dll";
}

const char* NoWindowAdvice() {
    return "the Windows form of pcbhost has no window for the options dialog yet. Use "
           "--test-mode, or";
}

void* LoadPluginLibrary(const std::string& path, std::string& reason) {
    // No system box about a missing dependency: the message below says it.
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
    HMODULE library = LoadLibraryA(path.c_str());
    const DWORD error = GetLastError();
    SetErrorMode(previous);
    if (!library) reason = "Windows error " + std::to_string(error);
    return reinterpret_cast<void*>(library);
}

void* FindPluginSymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

const uint8_t* FindDescriptionBytes(void* library, std::string& source) {
    source = "hold the RCDATA resource DESCRIPTION of " + std::to_string(abi::kDescriptionSize) +
             " bytes";
    const auto module = static_cast<HMODULE>(library);
    HRSRC found = FindResourceA(module, "DESCRIPTION", MAKEINTRESOURCEA(10)); // RT_RCDATA
    if (!found || SizeofResource(module, found) != abi::kDescriptionSize) return nullptr;
    HGLOBAL loaded = LoadResource(module, found);
    return loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
}

} // namespace dxfi::host
