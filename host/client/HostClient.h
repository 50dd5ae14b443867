// SPDX-License-Identifier: MIT
// The host client object that ClientAPI_GetClient hands to the plug-in: the PCB server
// module, host commands, the status bar, the message function and the answers for dialogs.
// One instance per process; the command configures it before loading the plug-in.
#pragma once

#include "abi/ClientApi.h"
#include "host/client/MessageBox.h"
#include "host/client/ProgressDisplay.h"

#include <string>
#include <utility>

namespace dxfi::host {

// What the plug-in told through ClientAPI_ImportNotDone: Reason 0 when it told nothing.
struct TImportNotDone {
    int32_t Reason = 0;
    std::string Text;
};

struct TClientSettings {
    TAnswerMode Answers = amAsk;
    // One "NAME=VALUE" per line, for named controls of the plug-in's dialogs.
    std::string DialogAnswers;
};

class TClient final : public abi::IClient {
public:
    static TClient& Instance();

    void Configure(const TClientSettings& settings);
    // Whether the plug-in's dialogs are shown in windows (pcbhost import --gui); false until set.
    void SetInteractiveDialogs(bool interactive) { Interactive_ = interactive; }
    // An INI file the options dialog loads before it is shown or answered; empty for none.
    void SetSettingsFile(std::string path) { SettingsFile_ = std::move(path); }
    // The module GetServerModuleByName("PCB") answers (borrowed; null for none).
    void SetPcbServerModule(abi::IInterface* module) { PcbModule_ = module; }
    TProgressDisplay& Progress() { return Progress_; }
    // The plug-in's word that the import did not take place; the first one counts.
    void NoteImportNotDone(int32_t reason, std::string text) {
        if (NotDone_.Reason == 0 && reason != 0) NotDone_ = {reason, std::move(text)};
    }
    const TImportNotDone& ImportNotDone() const { return NotDone_; }

    int32_t DXFI_STDCALL QueryInterface(const abi::TGuid& iid, void** out) override;
    uint32_t DXFI_STDCALL AddRef() override { return 1; }
    uint32_t DXFI_STDCALL Release() override { return 1; }

    abi::IInterface* DXFI_STDCALL GetServerModuleByName(const char* name) override;
    int32_t DXFI_STDCALL SendCommand(const char* command, const char* parameters,
                                     int32_t length) override;
    void DXFI_STDCALL SetStatusBarText(int32_t index, const char16_t* text) override;
    int32_t DXFI_STDCALL ShowMessage(const char* caption, const char* text,
                                     uint32_t style) override;
    bool DXFI_STDCALL InteractiveDialogs() override { return Interactive_; }
    const char* DXFI_STDCALL DialogAnswers() override { return Settings_.DialogAnswers.c_str(); }
    const char* DXFI_STDCALL SettingsFile() override { return SettingsFile_.c_str(); }

private:
    TClient();

    TClientSettings Settings_;
    abi::IInterface* PcbModule_ = nullptr;
    bool Interactive_ = false;
    std::string SettingsFile_;
    TImportNotDone NotDone_;
    TProgressDisplay Progress_;
};

} // namespace dxfi::host
