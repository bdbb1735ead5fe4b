// Small arrays sorted by fixed networks of compare-exchanges, without
// branches: the evaluator and the bounds sort four or five values at every
// deck or entry they read, where a general sort's branches cost more than
// the sort itself.
#pragma once

#include <algorithm>
#include <array>

#include "common/types.h"

namespace vdz {

// Sorts `v` ascending, or largest first where `DESCENDING`. Equal values are
// interchangeable, so any correct network gives the same sequence.
template <bool DESCENDING = false, typename T, usize N>
void sort_by_network(std::array<T, N>& v) {
    const auto exchange = [&](usize i, usize j) {
        const T lo = std::min(v[i], v[j]);
        const T hi = std::max(v[i], v[j]);
        v[i] = DESCENDING ? hi : lo;
        v[j] = DESCENDING ? lo : hi;
    };
    if constexpr (N == 4) {
        exchange(0, 1);
        exchange(2, 3);
        exchange(0, 2);
        exchange(1, 3);
        exchange(1, 2);
    } else {
        static_assert(N == 5);
        exchange(0, 1);
        exchange(3, 4);
        exchange(2, 4);
        exchange(2, 3);
        exchange(0, 3);
        exchange(0, 2);
        exchange(1, 4);
        exchange(1, 3);
        exchange(1, 2);
    }
}

}  // namespace vdz
