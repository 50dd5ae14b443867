// SPDX-License-Identifier: MIT
// The host client found in the host program: this test program exports ClientAPI_GetClient as
// the host executable does, and the binding finds it when no client was set.
#include "pcbclient/PcbApiBinding.h"
#include "support/QuietClient.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace dxfi;
namespace ab = dxfi::abi;

namespace {

struct TFakeServer : ab::IPCB_ServerInterface {
    int32_t DXFI_STDCALL QueryInterface(const ab::TGuid& Iid, void** Out) override {
        *Out = Iid == ab::IID_IPCB_ServerInterface ? this : nullptr;
        return *Out ? ab::kOk : ab::kNoInterface;
    }
    uint32_t DXFI_STDCALL AddRef() override { return 1; }
    uint32_t DXFI_STDCALL Release() override { return 1; }
    int32_t DXFI_STDCALL GetPCBBoardByBoardHandle(uint32_t, const ab::TGuid&, void** Out) override {
        *Out = nullptr;
        return ab::kNoInterface;
    }
    ab::IPCB_Primitive* DXFI_STDCALL PCBObjectFactory(uint8_t, int32_t, int32_t) override {
        return nullptr;
    }
    ab::IPCB_Contour* DXFI_STDCALL PCBContourFactory() override { return nullptr; }
};

struct TFakeClient : test::TQuietClient {
    ab::IInterface* DXFI_STDCALL GetServerModuleByName(const char* Name) override {
        return std::strcmp(Name, "PCB") == 0 ? &Server : nullptr;
    }

    TFakeServer Server;
};

TFakeClient ProgramClient;
int GetClientCalls = 0;

} // namespace

extern "C" DXFI_EXPORT ab::IClient* DXFI_STDCALL ClientAPI_GetClient(void) {
    ++GetClientCalls;
    return &ProgramClient;
}

class THostClientTest : public ::testing::Test {
protected:
    void TearDown() override { SetHostClient(nullptr); }
};

TEST_F(THostClientTest, WithoutASetClientTheProgramsClientIsUsed) {
    const int before = GetClientCalls;
    EXPECT_EQ(HostClient(), &ProgramClient);
    EXPECT_EQ(GetClientCalls, before + 1);
    EXPECT_EQ(GetPcbServer(), &ProgramClient.Server);
}

TEST_F(THostClientTest, ASetClientComesFirstUntilItIsCleared) {
    TFakeClient Own;
    SetHostClient(&Own);
    const int before = GetClientCalls;
    EXPECT_EQ(HostClient(), &Own);
    EXPECT_EQ(GetPcbServer(), &Own.Server);
    EXPECT_EQ(GetClientCalls, before); // the program is not asked
    SetHostClient(nullptr);
    EXPECT_EQ(HostClient(), &ProgramClient);
}
