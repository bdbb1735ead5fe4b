// Saturating numeric conversions. Every float-to-integer conversion and every
// widened integer sum that must land in 32 bits goes through these helpers, so
// no value from a table can reach an undefined conversion or a signed wrap.
#pragma once

#include <cmath>
#include <limits>

#include "common/types.h"

namespace vdz {

// Clamps a 64-bit value to the 32-bit signed range.
inline i32 saturate_i32(i64 value) {
    constexpr i64 lo = std::numeric_limits<i32>::min();
    constexpr i64 hi = std::numeric_limits<i32>::max();
    return static_cast<i32>(value < lo ? lo : (value > hi ? hi : value));
}

// Rounds to the nearest integer, halves away from zero (12.5 -> 13,
// -12.5 -> -13), clamping to the 32-bit signed range before converting.
// NaN, which no JSON number can produce, gives 0.
inline i32 round_saturate_i32(double value) {
    const double rounded = std::round(value);
    if (std::isnan(rounded)) return 0;
    if (rounded <= static_cast<double>(std::numeric_limits<i32>::min()))
        return std::numeric_limits<i32>::min();
    if (rounded >= static_cast<double>(std::numeric_limits<i32>::max()))
        return std::numeric_limits<i32>::max();
    return static_cast<i32>(rounded);
}

}  // namespace vdz
