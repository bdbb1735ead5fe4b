// Under bonus tiers with a multi live score-up lower bound, few decks pass
// the lower bound, so the tiers rarely fill and no live-score bound cuts:
// the search would walk every deck of a tier's bonus. Per pool position,
// these tables hold the best score up that so many cards from there on can
// add for each exact bonus total, so a subtree whose tiers' bonuses only
// cards of low skill can make is cut before its decks are evaluated.
#pragma once

#include "common/types.h"
#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/bounds/bonus_total_tables.h"
#include "search/bounds/partial_sums.h"

namespace vdz {

// Built once per tiered search with a score-up lower bound; read only
// afterwards.
class ScoreUpReach {
  public:
    // Every question is answered yes where the tables would not fit their
    // budget.
    ScoreUpReach(const CardPool& pool, const SearchContext& context);

    // Whether some deck holding the cards of `placed` and `free` (0..5)
    // more cards from position `row` on, whose totals (tenths of a percent)
    // add `lo`..=`hi` to the placed ones, can reach the score-up lower bound.
    // With free cards, also yes where every such deck would reach it, even
    // if no cards make the window's sums: callers ask windows they have
    // found some cards to make.
    bool open(const PartialSums& placed, usize row, usize free, i64 lo, i64 hi) const;

  private:
    // Of the choices of some cards with one sum of totals: the largest sum
    // of their skill values, and the largest sum plus four times their
    // largest value.
    struct Entry {
        bool reached = false;
        i16 sum = 0;
        i16 led = 0;
        void keep_best(const Entry& o) {
            reached = true;
            sum = std::max(sum, o.sum);
            led = std::max(led, o.led);
        }
        bool operator==(const Entry&) const = default;
    };

    double lower_bound_ = 0.0;
    i64 least_value_ = 0;  // the pool's least skill value
    BonusTotalTables<Entry, 5> tables_;
    // Wide windows' joins, kept as they are first read.
    mutable WindowJoins<Entry, 5> window_joins_;
};

}  // namespace vdz
