// SPDX-License-Identifier: MIT
// Loading shared libraries at run time and finding their functions. Failures are results:
// a null handle or symbol, with LastLoadError() saying why.
#pragma once

#include <string>

namespace dxfi::platform {

// Opaque handle of a loaded module; nullptr means none.
using TModuleHandle = void*;

// Loads the library at `path` with every symbol bound at once and kept private to it.
// Returns nullptr when it cannot be loaded (missing file, wrong format, unresolved symbol).
// Every successful call must be balanced by one UnloadModule.
TModuleHandle LoadModule(const std::string& path);

// The address of the exported symbol `name`, or nullptr when the module does not export it.
void* FindSymbol(TModuleHandle module, const char* name);

// Releases one reference taken by LoadModule. Returns false for a null handle or when the
// system refuses (LastLoadError() says why).
bool UnloadModule(TModuleHandle module);

// The module already loaded into this process under `fileName`, without loading anything.
// The name is tried as given, then by its file part alone (so "libx.so" finds a module that
// was loaded as "/opt/app/libx.so"). Returns nullptr when no such module is loaded. Like the
// Windows module handle it takes no reference: do not pass it to UnloadModule; it stays valid
// while its owner keeps the module loaded.
TModuleHandle FindLoadedModule(const std::string& fileName);

// The address of the symbol `name` exported by the program itself (the executable that
// loaded this code; on POSIX it must be linked with its symbols exported), or nullptr when
// the program does not export it. Libraries loaded into the process are not searched.
void* FindProgramSymbol(const char* name);

// The text of the last failure of the functions above on this thread ("" when none).
std::string LastLoadError();

} // namespace dxfi::platform
