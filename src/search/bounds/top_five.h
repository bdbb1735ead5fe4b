// The five largest values of a walk over a list, for the tables that bound
// what up to five open slots can add from a position on: the tables walk
// the list backwards and keep, per position, the sums of the r largest.
#pragma once

#include <array>
#include <utility>

#include "common/types.h"

namespace vdz {

// The five largest values added so far, largest first (zeros while fewer).
template <class T>
struct TopFive {
    std::array<T, 5> values{};

    void add(T v) {
        for (T& kept : values)
            if (v > kept) std::swap(v, kept);
    }

    // Entry r: the sum of the r largest, r = 0..5.
    template <class Row>
    Row row() const {
        Row r{};
        for (usize k = 1; k <= 5; ++k)
            r[k] = r[k - 1] + values[k - 1];
        return r;
    }
};

}  // namespace vdz
