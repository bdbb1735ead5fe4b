// Under a multi live score-up lower bound most decks of a strong pool may
// fail it, and a search that holds too few decks to cut by live score would
// evaluate them all. Per pool position, these rows bound the skill values
// that so many cards from there on can add, each at the ceiling its skill
// can resolve to, so a subtree or a last card that cannot lift its deck to
// the lower bound is passed over before any deck is evaluated.
#pragma once

#include <vector>

#include "common/types.h"
#include "search/bounds/dfs_bounds.h"
#include "search/bounds/partial_sums.h"
#include "search/bounds/suffix_tables.h"

namespace vdz {

// Built once per depth-first search with a score-up lower bound and one card
// per character; read only afterwards.
class ScoreUpSuffix {
  public:
    explicit ScoreUpSuffix(const BoundModel& m);

    // Whether a deck holding the cards of `placed` (skill values as its
    // sums hold them) and `free` more cards of distinct characters from
    // position `row` on can reach the lower bound.
    bool open(const PartialSums& placed, usize row, usize free) const;

    // The least ceiling a last card needs for the deck of the four cards of
    // `placed` and it to reach the lower bound; above 255 when none can.
    u32 last_card_floor(const PartialSums& placed) const;

    // The card's ceiling in any deck of the search.
    u8 ceiling(u16 card) const { return ceiling_[card]; }

    // The first position from `from` on whose card's ceiling is at least
    // `floor`; the pool's size when none is.
    usize first_at_least(usize from, u32 floor) const {
        return m_.first_at_least(tree_, from, floor);
    }

  private:
    const BoundModel& m_;
    std::vector<u8> ceiling_;
    std::vector<SuffixRow> sums_;  // rows 0..n: the j best per-character ceilings from i on
    std::vector<u8> top_from_;     // the largest ceiling from i on
    std::vector<u32> tree_;        // the ceilings as a max tree of the model's shape
};

}  // namespace vdz
