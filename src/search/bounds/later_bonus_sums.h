// Per pool position, the sums of event bonuses that the cards at that
// position and later can add to a partial deck, as bitsets over tenths of a
// percent: the tiered search asks whether a subtree's free slots can still
// bring its deck onto a tier, which a range of bonuses alone cannot tell
// where the pool's bonuses are few and far apart.
#pragma once

#include <vector>

#include "common/types.h"
#include "pool/card_pool.h"
#include "search/bounds/fixed_slot_layout.h"

namespace vdz {

// Built once per tiered search from its pool; read only afterwards.
class LaterBonusSums {
  public:
    LaterBonusSums() = default;
    // With a `layout` that is on, a row within the fixed runs holds, per
    // count, only the sums of the free cards of a partial deck with that
    // many free slots (see `FixedSlotLayout`).
    explicit LaterBonusSums(const CardPool& pool, const FixedSlotLayout& layout = {});

    // Whether `count` (0..5) distinct cards at positions `row` and later have
    // event bonus totals (tenths of a percent) that sum to a value within
    // `lo`..=`hi`. The sums ignore characters and card ids, so they are a
    // superset of what a deck may take: a false answer is certain. Within a
    // layout's runs, the cards are the `count` free cards of a partial deck
    // of 5 - `count` cards whose next card comes from `row` on.
    bool any_within(usize row, usize count, i64 lo, i64 hi) const;

  private:
    const u64* bits(usize row, usize count) const {
        return bits_.data() + (row * 6 + count) * words_;
    }

    usize words_ = 0;
    std::vector<u64> bits_;  // rows 0..n, six counts each
};

}  // namespace vdz
