// SPDX-License-Identifier: MIT
#include "platform/DynamicLibrary.h"

#include "platform/win32/WideText.h"

#include "platform/win32/WindowsApi.h"

namespace dxfi::platform {
namespace {

thread_local std::string LastError;

void RememberError(const std::string& what) {
    LastError = what + ": " + win32::ErrorText(GetLastError());
}

} // namespace

TModuleHandle LoadModule(const std::string& path) {
    if (path.empty()) {
        LastError = "no library file name was given";
        return nullptr;
    }
    // No box for a missing or damaged library: the caller reports it.
    const UINT previous = SetErrorMode(SEM_NOOPENFILEERRORBOX | SEM_FAILCRITICALERRORS);
    HMODULE module = LoadLibraryW(win32::Widen(path).c_str());
    if (!module) RememberError(path + ": cannot be loaded");
    SetErrorMode(previous);
    return reinterpret_cast<TModuleHandle>(module);
}

void* FindSymbol(TModuleHandle module, const char* name) {
    if (!module || !name) {
        LastError = "no module or no symbol name was given";
        return nullptr;
    }
    FARPROC symbol = GetProcAddress(static_cast<HMODULE>(module), name);
    if (!symbol) RememberError(std::string(name) + ": symbol not found");
    return reinterpret_cast<void*>(symbol);
}

bool UnloadModule(TModuleHandle module) {
    if (!module) {
        LastError = "no module was given";
        return false;
    }
    if (FreeLibrary(static_cast<HMODULE>(module))) return true;
    RememberError("the module cannot be unloaded");
    return false;
}

TModuleHandle FindLoadedModule(const std::string& fileName) {
    if (fileName.empty()) return nullptr;
    // Windows looks a loaded module up by its file name alone, whatever folder it came from.
    HMODULE module = GetModuleHandleW(win32::Widen(fileName).c_str());
    if (!module) LastError = fileName + ": no such module is loaded";
    return reinterpret_cast<TModuleHandle>(module);
}

void* FindProgramSymbol(const char* name) {
    if (!name || !*name) {
        LastError = "no symbol name was given";
        return nullptr;
    }
    FARPROC symbol = GetProcAddress(GetModuleHandleW(nullptr), name);
    if (!symbol) LastError = std::string(name) + ": the program does not export this symbol";
    return reinterpret_cast<void*>(symbol);
}

std::string LastLoadError() {
    return LastError;
}

} // namespace dxfi::platform
