#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace platform {

// A real number as a 64-bit integer: the fraction dropped towards zero, values beyond the range
// clamped to its ends and NaN read as 0. A plain conversion of such values is undefined.
inline std::int64_t saturatingInt64(double number) {
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (std::isnan(number)) {
        return 0;
    }
    if (number >= kTwoTo63) {
        return std::numeric_limits<std::int64_t>::max();
    }
    if (number < -kTwoTo63) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(number);
}

}  // namespace platform
