// SPDX-License-Identifier: MIT
// The one place where floating-point values become integers: round half to even with a defined
// result for every input, so that no conversion reaches undefined behaviour. Inline, as every
// board coordinate of an import passes through here.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace dxfi {

namespace rounding_detail {
// The range is settled first, so that only values whose rounding fits a long long reach
// llrintl, which rounds in one instruction (nearbyintl saves and restores the floating-point
// environment on every call). llrintl honours the current rounding mode, which the system
// never changes from the default round-to-nearest-even. A value between the limits rounds to
// at most the limit.
template <typename T> inline T RoundSaturating(long double v) {
    if (std::isnan(v)) return 0;
    if (v >= static_cast<long double>(std::numeric_limits<T>::max()))
        return std::numeric_limits<T>::max();
    if (v <= static_cast<long double>(std::numeric_limits<T>::min()))
        return std::numeric_limits<T>::min();
    return static_cast<T>(std::llrintl(v));
}

inline int32_t Clamp32(int64_t v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}
} // namespace rounding_detail

// Nearest integer, ties to even. NaN gives 0; values above INT32_MAX (and +inf) give
// INT32_MAX; values below INT32_MIN (and -inf) give INT32_MIN.
inline int32_t RoundToInt32(long double value) {
    return rounding_detail::RoundSaturating<int32_t>(value);
}

// Same rule and saturation as RoundToInt32, for 64-bit results.
inline int64_t RoundToInt64(long double value) {
    return rounding_detail::RoundSaturating<int64_t>(value);
}

// Truncation toward zero with the same saturation and NaN rule.
inline int32_t TruncToInt32(long double value) {
    if (std::isnan(value)) return 0;
    const long double whole = std::truncl(value);
    if (whole >= static_cast<long double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (whole <= static_cast<long double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(whole);
}

// a + b and a - b on 32-bit values, saturating instead of overflowing.
inline int32_t SaturatingAdd(int32_t a, int32_t b) {
    return rounding_detail::Clamp32(static_cast<int64_t>(a) + b);
}
inline int32_t SaturatingSub(int32_t a, int32_t b) {
    return rounding_detail::Clamp32(static_cast<int64_t>(a) - b);
}

} // namespace dxfi
