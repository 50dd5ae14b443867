// SPDX-License-Identifier: MIT
#include "platform/DynamicLibrary.h"

#include "platform/Files.h"

#include <dlfcn.h>
#include <link.h>

namespace dxfi::platform {
namespace {

// The plug-in, which the host loads at run time, links this file. The initial-exec model puts
// the variable in the static block the loader keeps for such modules, so a thread's first use
// allocates nothing; the leak checker of Debian 12's sanitizers misreads a module's separately
// allocated thread block at some addresses and crashes at exit.
thread_local std::string LastError __attribute__((tls_model("initial-exec")));

void RememberDlError(const std::string& fallback) {
    const char* text = dlerror();
    LastError = text ? text : fallback;
}

// A handle for a module that is already loaded, without keeping the reference that
// RTLD_NOLOAD takes: the module's owner decides its lifetime, as with a Windows module handle.
TModuleHandle NoLoadOpen(const std::string& name) {
    void* handle = dlopen(name.c_str(), RTLD_NOLOAD | RTLD_NOW);
    if (handle) dlclose(handle);
    return handle;
}

struct TLoadedSearch {
    std::string FileName;
    std::string FoundPath;
};

int MatchLoadedObject(dl_phdr_info* info, size_t, void* data) {
    auto* search = static_cast<TLoadedSearch*>(data);
    if (!info->dlpi_name || !*info->dlpi_name) return 0;
    if (ExtractFileName(info->dlpi_name) != search->FileName) return 0;
    search->FoundPath = info->dlpi_name;
    return 1;
}

} // namespace

TModuleHandle LoadModule(const std::string& path) {
    if (path.empty()) {
        LastError = "no library file name was given";
        return nullptr;
    }
    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) RememberDlError(path + ": cannot be loaded");
    return handle;
}

void* FindSymbol(TModuleHandle module, const char* name) {
    if (!module || !name) {
        LastError = "no module or no symbol name was given";
        return nullptr;
    }
    dlerror();
    void* symbol = dlsym(module, name);
    if (!symbol) RememberDlError(std::string(name) + ": symbol not found");
    return symbol;
}

bool UnloadModule(TModuleHandle module) {
    if (!module) {
        LastError = "no module was given";
        return false;
    }
    dlerror();
    if (dlclose(module) == 0) return true;
    RememberDlError("the module cannot be unloaded");
    return false;
}

TModuleHandle FindLoadedModule(const std::string& fileName) {
    if (fileName.empty()) return nullptr;
    dlerror();
    if (TModuleHandle handle = NoLoadOpen(fileName)) return handle;
    TLoadedSearch search{ExtractFileName(fileName), {}};
    if (search.FileName.empty()) return nullptr;
    if (search.FileName != fileName)
        if (TModuleHandle handle = NoLoadOpen(search.FileName)) return handle;
    // A module loaded by full path without a matching SONAME is not found by its bare file
    // name above; look through the loaded objects for it.
    dl_iterate_phdr(MatchLoadedObject, &search);
    if (search.FoundPath.empty()) {
        LastError = fileName + ": no such module is loaded";
        return nullptr;
    }
    return NoLoadOpen(search.FoundPath);
}

void* FindProgramSymbol(const char* name) {
    if (!name || !*name) {
        LastError = "no symbol name was given";
        return nullptr;
    }
    dlerror();
    // The program's handle searches the global scope (the program first, then the libraries
    // it was linked with); a symbol found in one of those libraries is not the program's.
    void* program = dlopen(nullptr, RTLD_NOW);
    if (!program) {
        RememberDlError("the program cannot be opened for its symbols");
        return nullptr;
    }
    void* symbol = dlsym(program, name);
    link_map* programMap = nullptr;
    Dl_info info{};
    link_map* symbolMap = nullptr;
    const bool own =
        symbol && dlinfo(program, RTLD_DI_LINKMAP, &programMap) == 0 &&
        dladdr1(symbol, &info, reinterpret_cast<void**>(&symbolMap), RTLD_DL_LINKMAP) != 0 &&
        symbolMap == programMap;
    dlclose(program);
    if (own) return symbol;
    LastError = std::string(name) + ": the program does not export this symbol";
    return nullptr;
}

std::string LastLoadError() {
    return LastError;
}

} // namespace dxfi::platform
