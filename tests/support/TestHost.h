// SPDX-License-Identifier: MIT
// The real host PCB module loaded into a test as the host application loads it, and a small
// host client that records its messages and answers them as told.
#pragma once

#include <dlfcn.h>

#include "abi/ClientApi.h"
#include "host/korrin/KorrinHost.h"
#include "pcbclient/BoardUnits.h"
#include "pcbclient/Layers.h"
#include "support/ComStubs.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace dxfi::test {

// The host module, loaded once with its symbols global (as the host executable links it);
// nullptr when it cannot be loaded, and KorrinLoadError() then holds the loader's reason.
void* KorrinModule();
const std::string& KorrinLoadError();

template <typename TFunction> TFunction Korrin(const char* name);

uint32_t NewBoard(const char* fileName);
void CloseBoard(uint32_t board);
void SetLayerName(uint32_t board, TV7_Layer layer, const char* name);
abi::IInterface* ServerModule();
void SetProgressCounter(int* updates, int* inits);

// A track added to the board (or to a component) through the object wrappers.
uint32_t AddTrack(uint32_t container, TBoardCoord x1, TBoardCoord y1, TBoardCoord x2,
                  TBoardCoord y2, TV7_Layer layer = TopLayer);
// A component with one track child.
uint32_t AddComponentWithTrack(uint32_t board, TBoardCoord x, TBoardCoord y);

struct TMessage {
    std::string Caption;
    std::string Text;
    uint32_t Style = 0;
};

class TFakeClient : public testsupport::TStubClient {
public:
    int32_t DXFI_STDCALL SendCommand(const char* command, const char* parameters,
                                     int32_t) override {
        Commands.push_back(std::string(command) + " " + parameters);
        return 0;
    }
    void DXFI_STDCALL SetStatusBarText(int32_t index, const char16_t* text) override {
        Status.push_back(std::to_string(index) + ":" +
                         std::string(text, text + std::char_traits<char16_t>::length(text)));
    }
    int32_t DXFI_STDCALL ShowMessage(const char* caption, const char* text,
                                     uint32_t style) override {
        Messages.push_back({caption, text, style});
        if (ThrowOnMessage > 0 && static_cast<int>(Messages.size()) == ThrowOnMessage)
            throw std::runtime_error("The message box failed");
        return Answer;
    }
    const char* DXFI_STDCALL DialogAnswers() override { return Answers.c_str(); }

    bool ProvideServer = true;
    int32_t Answer = abi::kIdNo;
    std::string Answers;
    int ThrowOnMessage = 0; // the box with this number (from 1) throws after it is recorded
    std::vector<TMessage> Messages;
    std::vector<std::string> Status;
    std::vector<std::string> Commands;

protected:
    abi::IInterface* PcbModule() override;
};

// A client whose host shows modal dialogs to the user (or not, as set).
class TInteractiveClient : public TFakeClient {
public:
    bool DXFI_STDCALL InteractiveDialogs() override { return Interactive; }
    bool Interactive = true;
};

template <typename TFunction> TFunction Korrin(const char* name) {
    return reinterpret_cast<TFunction>(dlsym(KorrinModule(), name));
}

} // namespace dxfi::test
