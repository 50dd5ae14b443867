// SPDX-License-Identifier: MIT
// A module loaded once with its symbols global, as the host application loads its modules,
// and the loader's reason when it cannot be loaded: dlerror() answers only once, so the text
// is kept for every test that needs the module.
#pragma once

#include <dlfcn.h>

#include <string>

namespace testsupport {

struct TGlobalModule {
    void* Handle = nullptr;
    std::string Error; // "PATH cannot be loaded: <reason>" when Handle is null
};

inline TGlobalModule LoadGlobalModule(const char* path) {
    TGlobalModule module;
    module.Handle = dlopen(path, RTLD_NOW | RTLD_GLOBAL);
    if (!module.Handle) {
        const char* error = dlerror();
        module.Error =
            std::string(path) + " cannot be loaded: " + (error ? error : "no reason given");
    }
    return module;
}

// The host PCB module at `path`, loaded once per test program: every fixture of a program
// shares the one module, as the host application has one (the first caller's path counts).
inline const TGlobalModule& HostModule(const char* path) {
    static const TGlobalModule module = LoadGlobalModule(path);
    return module;
}

} // namespace testsupport
