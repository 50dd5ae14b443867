// SPDX-License-Identifier: MIT
// Programming errors: the "Assertion failure" exception with the source module and line.
#pragma once

#include <source_location>
#include <stdexcept>
#include <string>

namespace dxfi {

// Raised for programming errors only (empty scale stack, index out of range, missing board),
// never for bad input. what() reads "Assertion failure (Module, line N)".
class EAssertionFailure : public std::logic_error {
public:
    EAssertionFailure(std::string module, int line);
    const std::string& Module() const { return Module_; }
    int Line() const { return Line_; }

private:
    std::string Module_;
    int Line_;
};

// Throws EAssertionFailure naming `module` (the source module, e.g. "DXFProcessor") and the
// caller's line when `condition` is false.
void Assert(bool condition, const char* module,
            std::source_location where = std::source_location::current());

} // namespace dxfi
