// SPDX-License-Identifier: MIT
// The host's workspace: the projects that hold documents and each project's output object, as
// COM-style interfaces. The host module "libworkspacemanager.so" ("WorkspaceManager.DLL" on
// Windows) exports GetWorkspace; a client looks the module up among the already loaded ones and
// never loads it itself.
//
// Texts are UTF-8, NUL-terminated, and borrowed: valid until the next call on the same object.
// Interface pointers returned here are borrowed too (never Released by the caller); they stay
// valid while the workspace keeps the project. No method throws.
#pragma once

#include "abi/CallConv.h"
#include "abi/PcbServer.h"

#include <cstdint>

namespace dxfi::abi {

// Where a project's generated files go.
struct IProjectOutput : IInterface {
    // The output folder's path, without a trailing separator ("/work/Proj/Project Outputs").
    virtual const char* DXFI_STDCALL ReferencePath() = 0;
    // Registers a file that was produced for the project, so that the host lists it. 0 on
    // success.
    virtual int32_t DXFI_STDCALL AddOutputFile(const char* path) = 0;

protected:
    ~IProjectOutput() = default;
};

struct IProject : IInterface {
    // The project file's name with its extension, without folder ("Main.Board.PrjPcb").
    virtual const char* DXFI_STDCALL FileName() = 0;
    // The project file's full path.
    virtual const char* DXFI_STDCALL FullPath() = 0;
    // The project's output object; null when the project has none.
    virtual IProjectOutput* DXFI_STDCALL OutputObject() = 0;

protected:
    ~IProject() = default;
};

struct IWorkspace : IInterface {
    // The project that holds the document at `path`; null when none does.
    virtual IProject* DXFI_STDCALL GetProjectContaining(const char* path) = 0;

protected:
    ~IWorkspace() = default;
};

// The module and the function that hand out the workspace.
#if defined(_WIN32)
inline constexpr const char* kWorkspaceModuleName = "WorkspaceManager.DLL";
#else
inline constexpr const char* kWorkspaceModuleName = "libworkspacemanager.so";
#endif
inline constexpr const char* kGetWorkspaceName = "GetWorkspace";

} // namespace dxfi::abi

extern "C" {
// The host's workspace (borrowed, lives as long as the host process); null when it has none.
DXFI_EXPORT dxfi::abi::IWorkspace* DXFI_STDCALL GetWorkspace(void);
}

namespace dxfi::abi {
using PFN_GetWorkspace = decltype(&::GetWorkspace);
} // namespace dxfi::abi
