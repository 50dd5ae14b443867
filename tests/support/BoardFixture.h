// SPDX-License-Identifier: MIT
// A fresh board on the real host module for each test, reached through a recording host
// client that the plug-in's binding uses. A host module that cannot be loaded fails the test
// with the loader's reason.
#pragma once

#include "pcbclient/PcbApiBinding.h"
#include "support/TestHost.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace dxfi::test {

class TBoardFixture : public ::testing::Test {
protected:
    // `fileName` is the new board's file name, as the host would show it.
    explicit TBoardFixture(const char* fileName) : FileName_(fileName) {}

    // What a test's fixture adds once the board is open, and takes away before it closes.
    virtual void SetUpBoard() {}
    virtual void TearDownBoard() {}

    void SetUp() final {
        ASSERT_NE(KorrinModule(), nullptr) << KorrinLoadError();
        SetHostClient(&Client);
        Handle = NewBoard(FileName_);
        ASSERT_NE(Handle, 0u);
        SetUpBoard();
    }
    void TearDown() final {
        TearDownBoard();
        CloseBoard(Handle);
        SetHostClient(nullptr);
    }

    TFakeClient Client;
    uint32_t Handle = 0;

private:
    const char* FileName_;
};

} // namespace dxfi::test
