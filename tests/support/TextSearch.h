// SPDX-License-Identifier: MIT
// Small questions tests ask of texts: how often a part occurs, and a parameter turned into a
// test name that gtest accepts.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstddef>
#include <string>

namespace testsupport {

// How many times `part` starts in `text`, overlapping occurrences included.
inline std::size_t Occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// A text parameter (a drawing's file name) as a test name: every character but letters and
// digits becomes '_'.
inline std::string NameOfParam(const ::testing::TestParamInfo<std::string>& info) {
    std::string name;
    for (char c : info.param)
        name += (std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
    return name;
}

} // namespace testsupport
