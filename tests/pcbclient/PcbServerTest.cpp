// SPDX-License-Identifier: MIT
// The way from the host client to the PCB server and to a board's interface.
#include "pcbclient/PcbApiBinding.h"
#include "pcbclient/PcbBoard.h"
#include "support/ComStubs.h"

#include <gtest/gtest.h>

#include <string>

using namespace dxfi;
namespace ab = dxfi::abi;

namespace {

struct TFakeBoard : testsupport::TStub<ab::IPCB_Board> {
    uint32_t DXFI_STDCALL BoardHandle() override { return 5; }
    int32_t DXFI_STDCALL GetPrimitiveCounter(uint32_t) override { return 0; }
    ab::IPCB_BoardIterator* DXFI_STDCALL BoardIterator_Create() override { return nullptr; }
    void DXFI_STDCALL BoardIterator_Destroy(ab::IPCB_BoardIterator*) override {}
    void DXFI_STDCALL SetLayerShown(uint32_t, bool) override {}
    bool DXFI_STDCALL LayerShown(uint32_t) override { return false; }
    void DXFI_STDCALL LayerName(uint32_t, char* Buffer) override { Buffer[0] = '\0'; }
    ab::IPCB_LayerIterator* DXFI_STDCALL LayerIterator() override { return nullptr; }
    bool DXFI_STDCALL ChooseLocation(int32_t*, int32_t*, const char*) override { return false; }
    void DXFI_STDCALL AddPCBObject(ab::IPCB_Primitive*) override {}
};

// A server that knows board 5 only.
struct TFakeServer : testsupport::TStubServer {
    int32_t DXFI_STDCALL GetPCBBoardByBoardHandle(uint32_t Handle, const ab::TGuid& Iid,
                                                  void** Out) override {
        LastIid = Iid;
        *Out = Handle == 5 && Iid == ab::IID_IPCB_Board ? &Board : nullptr;
        return *Out ? ab::kOk : ab::kNoInterface;
    }

    TFakeBoard Board;
    ab::TGuid LastIid{};
};

// A server module that offers no server interface.
using TSilentModule = testsupport::TStub<ab::IInterface>;

// A client that remembers the module name it was asked for.
struct TFakeClient : testsupport::TStubClient {
    ab::IInterface* DXFI_STDCALL GetServerModuleByName(const char* Name) override {
        Asked = Name;
        return TStubClient::GetServerModuleByName(Name);
    }

    ab::IInterface* Module = nullptr;
    std::string Asked;

protected:
    ab::IInterface* PcbModule() override { return Module; }
};

class TPcbServerTest : public ::testing::Test {
protected:
    void TearDown() override { SetHostClient(nullptr); }

    TFakeServer Server;
    TSilentModule Silent;
    TFakeClient Client;
};

} // namespace

TEST_F(TPcbServerTest, ServerComesFromTheClientsPcbModule) {
    Client.Module = &Server;
    SetHostClient(&Client);
    EXPECT_EQ(HostClient(), &Client);
    EXPECT_EQ(GetPcbServer(), &Server);
    EXPECT_EQ(Client.Asked, "PCB");
}

TEST_F(TPcbServerTest, NoServerWithoutClientModuleOrInterface) {
    EXPECT_EQ(GetPcbServer(), nullptr); // no client
    SetHostClient(&Client);
    EXPECT_EQ(GetPcbServer(), nullptr); // the client has no "PCB" module
    Client.Module = &Silent;
    EXPECT_EQ(GetPcbServer(), nullptr); // the module is no server
    EXPECT_EQ(TPcbBoard(5).GetBoardInterface(), nullptr);
}

TEST_F(TPcbServerTest, BoardInterfaceByHandle) {
    Client.Module = &Server;
    SetHostClient(&Client);
    EXPECT_EQ(TPcbBoard(5).GetBoardInterface(), &Server.Board);
    EXPECT_TRUE(Server.LastIid == ab::IID_IPCB_Board);
    EXPECT_EQ(TPcbBoard(6).GetBoardInterface(), nullptr); // a board the server does not know
}
