// SPDX-License-Identifier: MIT
// The report's own error: a misplaced writing call, or a stylesheet failure of the output.
#pragma once

#include <stdexcept>
#include <string>

namespace dxfi {

class EGeneralReportException : public std::runtime_error {
public:
    explicit EGeneralReportException(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

} // namespace dxfi
