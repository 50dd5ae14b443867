// SPDX-License-Identifier: MIT
#include "base/Assertion.h"

namespace dxfi {

EAssertionFailure::EAssertionFailure(std::string module, int line)
    : std::logic_error("Assertion failure (" + module + ", line " + std::to_string(line) + ")"),
      Module_(std::move(module)), Line_(line) {}

void Assert(bool condition, const char* module, std::source_location where) {
    if (!condition) throw EAssertionFailure(module, static_cast<int>(where.line()));
}

} // namespace dxfi
