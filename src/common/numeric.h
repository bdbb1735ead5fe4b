// Saturating conversions. Every float-to-integer conversion of the game's
// formulas goes through `saturating_cast`, which truncates toward zero, clamps
// to the target's range and maps NaN to 0, so no conversion is undefined.
// Integer helpers clamp or wrap where a formula says so.
#pragma once

#include <cmath>
#include <concepts>
#include <limits>
#include <utility>

#include "common/types.h"

namespace vdz {

// Truncates toward zero, saturating at the limits of Int; NaN gives 0.
template <std::integral Int, std::floating_point Float>
Int saturating_cast(Float x) {
    if (std::isnan(x)) return 0;
    constexpr Int lo = std::numeric_limits<Int>::min();
    constexpr Int hi = std::numeric_limits<Int>::max();
    // Both limits convert to Float exactly or round up (for the upper limit),
    // so the comparisons below keep every in-range value.
    if (x <= static_cast<Float>(lo)) return lo;
    if (x >= static_cast<Float>(hi)) return hi;
    return static_cast<Int>(x);
}

// floor, then saturating conversion to i32.
template <std::floating_point Float>
i32 floor_to_i32(Float x) {
    return saturating_cast<i32>(std::floor(x));
}

// Nearest integer with halves away from zero (12.5 -> 13, -12.5 -> -13),
// then saturating conversion to i32.
template <std::floating_point Float>
i32 round_to_i32(Float x) {
    return saturating_cast<i32>(std::round(x));
}

// Clamps an integer of any width into Int's range.
template <std::integral Int, std::integral From>
Int saturate_to(From v) {
    if (std::cmp_less(v, std::numeric_limits<Int>::min())) return std::numeric_limits<Int>::min();
    if (std::cmp_greater(v, std::numeric_limits<Int>::max()))
        return std::numeric_limits<Int>::max();
    return static_cast<Int>(v);
}

// Set bits of a 32-bit mask. Written out rather than std::popcount: without
// a processor-specific flag that compiles to a library call, and a portable
// wheel can't assume the instruction.
inline u32 bit_count(u32 x) {
    x = x - ((x >> 1) & 0x55555555u);
    x = (x & 0x33333333u) + ((x >> 2) & 0x33333333u);
    x = (x + (x >> 4)) & 0x0F0F0F0Fu;
    return (x * 0x01010101u) >> 24;
}

// Quotient rounded up, for a positive divisor (C++ division already rounds
// a negative numerator's quotient up, toward zero).
inline i64 ceil_div(i64 num, i64 den) {
    return num >= 0 ? (num + den - 1) / den : num / den;
}

// 32-bit two's-complement addition without signed overflow.
inline i32 wrapping_add(i32 a, i32 b) {
    return static_cast<i32>(static_cast<u32>(a) + static_cast<u32>(b));
}

}  // namespace vdz
