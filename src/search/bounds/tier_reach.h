// Which event-bonus tiers the completions of a partial deck can still land
// on, for the tiered search outside the final chapter: the totals its free
// slots must add to reach a tier, given how far the World Bloom attribute
// and support bonuses of its completions can move, against the sums that
// the later pool positions can make.
#pragma once

#include <vector>

#include "common/types.h"
#include "search/bounds/dfs_bounds.h"
#include "search/bounds/later_bonus_sums.h"
#include "search/bounds/partial_sums.h"

namespace vdz {

// The attribute-count bonus plus the support sum of a deck, percent: at
// least `lo` and at most `hi` for every completion of a partial deck.
struct BonusExtras {
    double lo = 0.0;
    double hi = 0.0;
};

// Card bonus totals, tenths of a percent, within `lo`..=`hi`.
struct TenthsWindow {
    i64 lo = 0;
    i64 hi = 0;
};

// Built once per tiered search; lives as long as the search's bound model.
class TierReach {
  public:
    // Not for the final chapter, whose leader and limited parts follow
    // slot order.
    explicit TierReach(const BoundModel& m);

    // The extras of every completion of the placed cards of `placed` with
    // `free_slots` cards more from position `row` on; zero outside a World
    // Bloom event.
    BonusExtras extras(const PartialSums& placed, usize free_slots, usize row) const;

    // The totals a deck's cards may have, under those extras, for its doubled
    // bonus to be `tier_key`. Outside World Bloom exact: a deck of total X
    // has the doubled bonus round(X / 5), as X / 5 never ends in a half.
    TenthsWindow window(u32 tier_key, const BonusExtras& extras) const;

    // Whether `count` cards from position `row` on can add to `placed_x10`
    // a total within `w`.
    bool reaches(usize row, usize count, u32 placed_x10, const TenthsWindow& w) const {
        return later_.any_within(row, count, w.lo - i64{placed_x10}, w.hi - i64{placed_x10});
    }

    // The first position a free card of a node at `depth` may come from,
    // the node's next position being `row`: past the cards of the fixed
    // cards and characters once those are placed.
    usize free_row(usize row, usize depth) const;

    // Whether the pool is listed by bonus, largest first, from `row` on.
    bool listed_from(usize row) const { return row >= sorted_from_; }

    // The first position from `row` on whose card's total is at most
    // `most`, where the pool is listed by bonus from `row` on: a completion
    // whose cards add at most `most` takes none before it. `row` elsewhere.
    usize first_at_most(usize row, i64 most) const;

  private:
    const BoundModel* m_;
    usize fixed_slots_ = 0;  // fixed cards and characters
    usize fixed_end_ = 0;    // end of the leading cards of those
    usize sorted_from_ = 0;  // totals never rise from this position on
    // Per total t, the first position from `sorted_from_` on whose card's
    // total is at most t.
    std::vector<u16> first_at_most_;
    LaterBonusSums later_;
    bool world_bloom_ = false;
    // Per position, the attributes of the cards there and later (bit
    // attr & 7).
    std::vector<u8> attrs_from_;
    // Where the list is read best first, holds no negative value and names
    // each card once, the support sum of a deck is at least what its sorted
    // list gives after the placed cards and the largest entries that the
    // free cards can remove; else at least the sum of its negative entries.
    bool support_floor_sorted_ = false;
    double support_negative_sum_ = 0.0;
    // Per entry of the sorted list that the sums mark, the last pool
    // position of its card, or -1 where the pool lacks it; and whether a
    // deck's walk through the list stays among those entries (else the
    // bounds take the list's largest and its negative entries).
    std::vector<i32> support_last_position_;
    bool support_walk_marked_ = false;
};

}  // namespace vdz
