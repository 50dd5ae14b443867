// SPDX-License-Identifier: MIT
#include "platform/Identity.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

using namespace dxfi::platform;

TEST(Identity, NamesTheComputerUserAndProcess) {
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    std::string expected(host);
    expected = expected.substr(0, expected.find('.'));
    EXPECT_EQ(ComputerName(), expected);
    EXPECT_FALSE(ComputerName().empty());
    EXPECT_EQ(ComputerName().find('.'), std::string::npos);

    const passwd* entry = getpwuid(geteuid());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(UserName(), entry->pw_name);

    EXPECT_EQ(ProcessId(), static_cast<uint32_t>(getpid()));
    EXPECT_NE(ProcessId(), 0u);
}
