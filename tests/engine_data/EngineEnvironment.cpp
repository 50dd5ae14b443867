// SPDX-License-Identifier: MIT
// Initialises the drawing engine once for the whole test binary, as the plug-in does before
// its first load, and closes it at the end.
#include "abi/Pad2Api.h"
#include "engine_data/EngineWalk.h"

#include <gtest/gtest.h>

namespace {

class TEngineEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        const std::string failure = dxfi::enginewalk::SetUpEngine(DXFI_BIN_DIR "/PADINIT.DAT");
        ASSERT_EQ(failure, "") << "edaInitAd2 failed: " << failure;
    }
    void TearDown() override { edaCloseAd2(); }
};

[[maybe_unused]] ::testing::Environment* const Environment =
    ::testing::AddGlobalTestEnvironment(new TEngineEnvironment);

} // namespace
