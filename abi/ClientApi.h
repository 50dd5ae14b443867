// SPDX-License-Identifier: MIT
// The host client: flat functions exported by the host executable and resolved by name from it
// (a function the host does not provide behaves as "no" or as an empty text), and the client
// object with the host's services (server modules, commands, status bar, message boxes,
// dialogs).
//
// Texts are UTF-8, NUL-terminated. Output buffers are kText256 (abi/PcbApi.h) bytes and are
// always NUL-terminated. Nothing throws.
#pragma once

#include "abi/CallConv.h"
#include "abi/PcbServer.h"

#include <cstdint>

namespace dxfi::abi {

// Message box styles and results.
inline constexpr uint32_t kMbOk = 0x0000;
inline constexpr uint32_t kMbYesNo = 0x0004;
inline constexpr uint32_t kMbIconError = 0x0010;
inline constexpr uint32_t kMbIconQuestion = 0x0020;
inline constexpr uint32_t kMbIconWarning = 0x0030;
inline constexpr int32_t kIdOk = 1;
inline constexpr int32_t kIdCancel = 2;
inline constexpr int32_t kIdYes = 6;
inline constexpr int32_t kIdNo = 7;

struct IClient : IInterface {
    // A server module by name ("PCB"), borrowed; null when the host has none.
    virtual IInterface* DXFI_STDCALL GetServerModuleByName(const char* name) = 0;
    // Runs a host command such as "WorkspaceManager:OpenObject" with its parameter text
    // ("Filename=..."); `length` is the parameter text's length in bytes. 0 on success.
    virtual int32_t DXFI_STDCALL SendCommand(const char* command, const char* parameters,
                                             int32_t length) = 0;
    // Status bar entry `index` (2 is the one the import uses) := text (UTF-16).
    virtual void DXFI_STDCALL SetStatusBarText(int32_t index, const char16_t* text) = 0;
    // The host environment's message function: a modal box centred on the screen with the
    // caption, the text and the style's buttons and symbol; answers kIdOk, kIdYes or kIdNo.
    // In the host's test mode an error or warning box instead writes "ShowDialogWithCaption
    // with" + caption + " " + text to standard output and ends the host process with exit
    // code 1.
    virtual int32_t DXFI_STDCALL ShowMessage(const char* caption, const char* text,
                                             uint32_t style) = 0;
    // How modal dialogs are answered: true when the user sees them (the host runs a GUI);
    // false when the host accepts them with the answers of DialogAnswers.
    virtual bool DXFI_STDCALL InteractiveDialogs() = 0;
    // Answers for named dialog controls, one "NAME=VALUE" per line; empty when none. Borrowed.
    virtual const char* DXFI_STDCALL DialogAnswers() = 0;
    // An INI settings file that the options dialog loads before it is shown or answered, as
    // its "Load Settings" button would; empty when none. Borrowed. Hosts that never name one
    // need not implement it.
    virtual const char* DXFI_STDCALL SettingsFile() { return ""; }

protected:
    ~IClient() = default;
};

} // namespace dxfi::abi

extern "C" {
// The host client object (borrowed, lives as long as the host process).
DXFI_EXPORT dxfi::abi::IClient* DXFI_STDCALL ClientAPI_GetClient(void);
// Does this file exist?
DXFI_EXPORT uint8_t DXFI_STDCALL ClientAPI_ExistSpecific(const char* path);
// The name placed beside the host executable (its folder + the name's file part).
DXFI_EXPORT void DXFI_STDCALL ClientAPI_ConvertFileNameToExeFileName(const char* name,
                                                                     char* out256);
// The file name with extension, without folder.
DXFI_EXPORT void DXFI_STDCALL ClientAPI_ExtractWholeFileNameFromPath(const char* path,
                                                                     char* out256);
// The folder part of a path, with its trailing separator.
DXFI_EXPORT void DXFI_STDCALL ClientAPI_ExtractFileDirFromPath(const char* path, char* out256);
// Tells the host that the import it asked for did not take place, and why (kImportNotRead,
// kImportOptionsRefused or kImportStopped), with the reason as a sentence. The import's entry
// still answers 1 and its boxes have shown the user what happened; this lets a batch host end
// with a failure. Called at most once per import, before the entry returns, and only when the
// host exports it: hosts that do not care need not.
DXFI_EXPORT void DXFI_STDCALL ClientAPI_ImportNotDone(int32_t reason, const char* text);
}

namespace dxfi::abi {
// Reasons of ClientAPI_ImportNotDone.
inline constexpr int32_t kImportNotRead = 1;        // the drawing could not be read
inline constexpr int32_t kImportOptionsRefused = 2; // the options dialog refused its presets
inline constexpr int32_t kImportStopped = 3;        // a fault stopped the import midway

using PFN_ClientAPI_GetClient = decltype(&::ClientAPI_GetClient);
using PFN_ClientAPI_ExistSpecific = decltype(&::ClientAPI_ExistSpecific);
using PFN_ClientAPI_ConvertFileNameToExeFileName =
    decltype(&::ClientAPI_ConvertFileNameToExeFileName);
using PFN_ClientAPI_ExtractWholeFileNameFromPath =
    decltype(&::ClientAPI_ExtractWholeFileNameFromPath);
using PFN_ClientAPI_ExtractFileDirFromPath = decltype(&::ClientAPI_ExtractFileDirFromPath);
using PFN_ClientAPI_ImportNotDone = decltype(&::ClientAPI_ImportNotDone);
} // namespace dxfi::abi
