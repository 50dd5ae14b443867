// SPDX-License-Identifier: MIT
// The binding before the host has loaded its module. In a test program of its own: once any
// test of a process has loaded the fake host module, this one could no longer see the state
// it checks.
#include "FakePcbHost.h"
#include "pcbclient/PcbApiBinding.h"
#include "pcbclient/PcbObject.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

using namespace dxfi;

namespace {

constexpr THandle kObject = 7;
constexpr THandle kBoard = 5;

bool ModuleIsLoaded(const char* Path) {
    void* Handle = dlopen(Path, RTLD_NOW | RTLD_NOLOAD);
    if (Handle) dlclose(Handle);
    return Handle != nullptr;
}

} // namespace

TEST(BindingWithoutModule, DoesNothingUntilTheModuleIsLoaded) {
    ASSERT_FALSE(ModuleIsLoaded(FAKE_PCB_HOST_PARTIAL))
        << "this test needs a process in which nothing has loaded the fake host yet";
    SetHostModuleName(FAKE_PCB_HOST_PARTIAL);

    uint16_t Flags = 3;
    uint32_t Layer = 4;
    int32_t Value = 9;
    uint8_t Byte = 2;
    EXPECT_EQ(host::PcbApi_GetCurrentBoardHandle(), 0u);
    EXPECT_EQ(host::PcbApi_GetObjectIdFromObjectHandle(kObject), 0);
    EXPECT_EQ(host::PcbApi_QueryTrack(ptRead, kObject, &Flags, &Flags, &Layer, &Value, &Byte,
                                      &Value, &Value, &Value, &Value, &Value, &Value, &Value,
                                      &Value, &Value),
              0);
    EXPECT_EQ(host::PcbApi_QueryBoardSplitPlaneMode(ptRead, kBoard, &Byte), 1);
    EXPECT_EQ(host::PcbApi_QueryBoardLayerPairsCount(kBoard, &Value, ptRead), 1);
    host::PcbApi_Percent_Update();
    EXPECT_EQ(Flags, 3);
    EXPECT_EQ(Layer, 4u);
    EXPECT_EQ(Value, 9);
    EXPECT_EQ(Byte, 2);
    EXPECT_FALSE(HostModuleBound());
    EXPECT_FALSE(ModuleIsLoaded(FAKE_PCB_HOST_PARTIAL)) << "the binding must never load it";

    // Once the host has loaded its module, the next call binds.
    void* Module = dlopen(FAKE_PCB_HOST_PARTIAL, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(Module, nullptr) << dlerror();
    auto* Host = reinterpret_cast<TFakePcbHostState>(dlsym(Module, "FakePcbHost_State"))();
    Host->Kinds[kObject] = dxfi::abi::kKindTrack;
    EXPECT_EQ(host::PcbApi_GetObjectIdFromObjectHandle(kObject), dxfi::abi::kKindTrack);
    EXPECT_TRUE(HostModuleBound());
    SetHostModuleName("libkorrin.so");
    dlclose(Module);
}
