// Sums of the best few values still open along a list: for each position i
// and r = 0..5, the sum of the r largest (or smallest) values among the
// list's positions i and later, at most one per character where a deck holds
// one card of each. The searches that fill slots in ascending list positions
// bound what the open slots can add with them.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "common/types.h"
#include "pool/card_pool.h"

namespace vdz {

// Built once per list and value; read only afterwards.
class TopSums {
  public:
    // `values[i]` is the value of list position i; `list` gives the cards.
    // With `smallest`, best means smallest. Fewer than r values (or
    // characters) from position i on: the sum of those there are.
    TopSums(const CardPool& pool, std::span<const u16> list, std::span<const u64> values,
            bool smallest, bool one_per_character);

    // The sum of the r best values from position i on; i may be the list's
    // length (nothing open: 0).
    u64 at(usize i, usize r) const { return sums_[i][r]; }

  private:
    std::vector<std::array<u64, 6>> sums_;
};

}  // namespace vdz
