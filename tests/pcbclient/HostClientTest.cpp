// SPDX-License-Identifier: MIT
// The host client found in the host program: this test program exports ClientAPI_GetClient as
// the host executable does, and the binding finds it when no client was set.
#include "pcbclient/PcbApiBinding.h"
#include "support/ComStubs.h"

#include <gtest/gtest.h>

#include <string>

using namespace dxfi;
namespace ab = dxfi::abi;

namespace {

// A client whose "PCB" module is its own stub server.
struct TFakeClient : testsupport::TStubClient {
    testsupport::TStubServer Server;

protected:
    ab::IInterface* PcbModule() override { return &Server; }
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
