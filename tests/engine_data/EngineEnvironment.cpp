// SPDX-License-Identifier: MIT
// Initialises the drawing engine once for the whole test binary, as the plug-in does before
// its first load, and closes it at the end.
#include "abi/Pad2Api.h"

#include <gtest/gtest.h>

namespace {

class TEngineEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        edaConvertPlinesOnLoad(1);
        edaSetupDxfRead();
        edaSetupDwgRead();
        int32_t code = 0;
        const int16_t ok = edaInitAd2(DXFI_BIN_DIR "/PADINIT.DAT", 0, &code);
        ASSERT_NE(ok, 0) << "edaInitAd2 failed: " << edaErrorStr(code);
    }
    void TearDown() override { edaCloseAd2(); }
};

[[maybe_unused]] ::testing::Environment* const Environment =
    ::testing::AddGlobalTestEnvironment(new TEngineEnvironment);

} // namespace
