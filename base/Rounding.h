// SPDX-License-Identifier: MIT
// The one place where floating-point values become integers: round half to even with a defined
// result for every input, so that no conversion reaches undefined behaviour.
#pragma once

#include <cstdint>

namespace dxfi {

// Nearest integer, ties to even. NaN gives 0; values above INT32_MAX (and +inf) give
// INT32_MAX; values below INT32_MIN (and -inf) give INT32_MIN.
int32_t RoundToInt32(long double value);

// Same rule and saturation as RoundToInt32, for 64-bit results.
int64_t RoundToInt64(long double value);

// Truncation toward zero with the same saturation and NaN rule.
int32_t TruncToInt32(long double value);

// a + b and a - b on 32-bit values, saturating instead of overflowing.
int32_t SaturatingAdd(int32_t a, int32_t b);
int32_t SaturatingSub(int32_t a, int32_t b);

} // namespace dxfi
