// SPDX-License-Identifier: MIT
// Table-driven checks of text functions: each input of a table against the text the function
// under test must give for it.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

namespace testsupport {

// Pairs of an input text and the text the function under test must give for it.
using TTextCases = std::initializer_list<std::pair<std::string, std::string>>;

// Checks every case through `function`; a failure names the input.
template <typename TFunction> void ExpectEachCase(const TFunction& function, TTextCases cases) {
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(function(input), expected) << "for \"" << input << '"';
}

} // namespace testsupport
