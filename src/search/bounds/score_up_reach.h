// Under bonus tiers with a multi live score-up lower bound, few decks pass
// the lower bound, so the tiers rarely fill and no live-score bound cuts:
// the search would walk every deck of a tier's bonus. Per pool position,
// these tables hold the best score up that so many cards from there on can
// add for each exact bonus total, so a subtree whose tiers' bonuses only
// cards of low skill can make is cut before its decks are evaluated.
#pragma once

#include <optional>
#include <vector>

#include "common/types.h"
#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/bounds/partial_sums.h"

namespace vdz {

// Built once per tiered search with a score-up lower bound; read only
// afterwards.
class ScoreUpReach {
  public:
    // Empty (every question answered yes) where the tables would not fit
    // their budget.
    ScoreUpReach(const CardPool& pool, const SearchContext& context);

    // Whether some deck holding the cards of `placed` and `free` (0..5)
    // more cards from position `row` on, whose totals (tenths of a percent)
    // add `lo`..=`hi` to the placed ones, can reach the score-up lower bound.
    bool open(const PartialSums& placed, usize row, usize free, i64 lo, i64 hi) const;

  private:
    // Per stored row and count c (1..5), per total in steps of `step_`: the
    // largest sum of c cards' skill values, and the largest sum plus four
    // times their largest value; -1 where no c cards make the total.
    const i16* sums(usize stored, usize count) const {
        return table_.data() + ((stored * 5 + (count - 1)) * 2) * width_;
    }
    const i16* led(usize stored, usize count) const { return sums(stored, count) + width_; }

    double lower_bound_ = 0.0;
    u32 step_ = 1;         // every card's total is a multiple of it
    usize width_ = 0;      // totals stored per count, in steps
    usize stride_ = 1;     // rows stored: 0, stride, 2 stride, ...
    usize positions_ = 0;  // the pool's cards
    std::vector<i16> table_;
};

}  // namespace vdz
