// SPDX-License-Identifier: MIT
// The flat host client functions, exported by the pcbhost executable and resolved by name
// from it by the plug-in.
#include "abi/ClientApi.h"

#include "abi/PcbApi.h"
#include "host/client/HostClient.h"
#include "host/client/HostText.h"

#include <filesystem>

using dxfi::abi::kText256;

extern "C" {

DXFI_EXPORT dxfi::abi::IClient* DXFI_STDCALL ClientAPI_GetClient(void) {
    return &dxfi::host::TClient::Instance();
}

// A file, not a folder, as the editor's existence test answers.
DXFI_EXPORT uint8_t DXFI_STDCALL ClientAPI_ExistSpecific(const char* path) {
    if (!path || !*path) return 0;
    const std::filesystem::path file(path);
    std::error_code error;
    return std::filesystem::exists(file, error) && !std::filesystem::is_directory(file, error) ? 1
                                                                                               : 0;
}

DXFI_EXPORT void DXFI_STDCALL ClientAPI_ConvertFileNameToExeFileName(const char* name,
                                                                     char* out256) {
    if (!out256) return;
    std::string path = dxfi::host::ExecutableFolder() + dxfi::host::FileNamePart(name ? name : "");
    dxfi::host::CopyUtf8ToBuffer(path, out256, kText256);
}

DXFI_EXPORT void DXFI_STDCALL ClientAPI_ExtractWholeFileNameFromPath(const char* path,
                                                                     char* out256) {
    if (!out256) return;
    dxfi::host::CopyUtf8ToBuffer(dxfi::host::FileNamePart(path ? path : ""), out256, kText256);
}

DXFI_EXPORT void DXFI_STDCALL ClientAPI_ExtractFileDirFromPath(const char* path, char* out256) {
    if (!out256) return;
    dxfi::host::CopyUtf8ToBuffer(dxfi::host::FolderPart(path ? path : ""), out256, kText256);
}

// The plug-in's word that the import did not take place; pcbhost import ends with exit code 4.
DXFI_EXPORT void DXFI_STDCALL ClientAPI_ImportNotDone(int32_t reason, const char* text) {
    dxfi::host::TClient::Instance().NoteImportNotDone(reason, text ? text : "");
}

} // extern "C"
