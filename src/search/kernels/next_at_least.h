// Jumps along a list of small values: from a position, the first position at
// or after it whose value is at least a given one. A search that scans list
// positions in order and needs a value of at least some size there can leap
// over the positions that cannot have it instead of testing each.
#pragma once

#include <span>
#include <vector>

#include "common/types.h"

namespace vdz {

// Built once per list; read only afterwards. The table holds one column per
// distinct value, so it suits lists whose values take few distinct sizes.
class NextAtLeast {
  public:
    explicit NextAtLeast(std::span<const u8> values);

    // The first position p >= `from` whose value v has `reaches(v)`, for a
    // `reaches` that holds for every value above one it holds for; the
    // list's length when there is none. `from` may be the length.
    template <class Reaches>
    u32 first_reaching(usize from, Reaches&& reaches) const;

  private:
    std::vector<u8> distinct_;            // ascending
    std::vector<std::vector<u32>> next_;  // [k][p]: first q >= p of value >= distinct_[k]
    u32 size_ = 0;
};

// ---------------------------------------------------------------------------

template <class Reaches>
u32 NextAtLeast::first_reaching(usize from, Reaches&& reaches) const {
    usize low = 0, high = distinct_.size();
    while (low < high) {
        const usize mid = (low + high) / 2;
        if (reaches(distinct_[mid])) {
            high = mid;
        } else {
            low = mid + 1;
        }
    }
    return low == distinct_.size() ? size_ : next_[low][from];
}

}  // namespace vdz
