// SPDX-License-Identifier: MIT
#include "base/Rounding.h"

#include <cmath>
#include <limits>

namespace dxfi {

namespace {
template <typename T> T Saturate(long double v) {
    if (std::isnan(v)) return 0;
    if (v >= static_cast<long double>(std::numeric_limits<T>::max()))
        return std::numeric_limits<T>::max();
    if (v <= static_cast<long double>(std::numeric_limits<T>::min()))
        return std::numeric_limits<T>::min();
    return static_cast<T>(v);
}

// The range is settled first, so that only values whose rounding fits a long long reach
// llrintl, which rounds in one instruction (nearbyintl saves and restores the floating-point
// environment on every call, and every board coordinate of an import comes through here).
// Both honour the current rounding mode, which the system never changes from the default
// round-to-nearest-even. A value between the limits rounds to at most the limit.
template <typename T> T RoundSaturating(long double v) {
    if (std::isnan(v)) return 0;
    if (v >= static_cast<long double>(std::numeric_limits<T>::max()))
        return std::numeric_limits<T>::max();
    if (v <= static_cast<long double>(std::numeric_limits<T>::min()))
        return std::numeric_limits<T>::min();
    return static_cast<T>(std::llrintl(v));
}
} // namespace

int32_t RoundToInt32(long double value) {
    return RoundSaturating<int32_t>(value);
}
int64_t RoundToInt64(long double value) {
    return RoundSaturating<int64_t>(value);
}
int32_t TruncToInt32(long double value) {
    return Saturate<int32_t>(std::truncl(value));
}

int32_t SaturatingAdd(int32_t a, int32_t b) {
    return Saturate<int32_t>(static_cast<long double>(static_cast<int64_t>(a) + b));
}
int32_t SaturatingSub(int32_t a, int32_t b) {
    return Saturate<int32_t>(static_cast<long double>(static_cast<int64_t>(a) - b));
}

} // namespace dxfi
