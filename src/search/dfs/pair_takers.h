// World Bloom tiers with fixed characters, a partial deck of two free cards
// to come: the windows of its tiers are exact for the completions whose free
// cards take none of the support entries its deck counts (their support sum
// is those entries'), and the cards that take one are each judged by their
// own deck: the tiers its completions land on, from the support sum that
// card leaves, and the bound of the placed cards, that card and one more.
// Without that split the windows span every support sum a completion may
// take, a quarter of a tier's bonus, and let through most nodes, whose
// completions of those totals land on other tiers.
#pragma once

#include "common/types.h"
#include "search/bounds/partial_sums.h"
#include "search/dfs/dfs_state.h"

namespace vdz {

// Whether a node of `depth` cards with two free cards takes the split: the
// pool lists three or four fixed slots in runs, and the free cards come from
// the last run and after it, or both after the runs. With fewer, nodes are
// cheap to walk and the split costs more than it spares. The parent asks it
// of each child: the takers and their tiers are kept for the many children
// that share them, and most children it turns away would each have scanned
// the last run.
bool pair_split_applies(const SearchNodeState& state, usize depth);

// Whether few cards from position `row` on, of characters outside `used`,
// take an entry the deck of the placed cards of `sums` counts. The pair
// test of a child asks each such card as a node of its own, the placed
// cards, that card and one free card (`tiers_open` of that node); where
// many are, those tests cost more than the children they turn away, and the
// child is let through.
bool few_pair_takers(const SearchNodeState& state, const PartialSums& sums, usize row, u32 used);

// Debug builds: at a recorded deck of key `key`, whose first three cards
// have the sums `placed` and whose free cards come from `row` on, where the
// split is taken and one of its two last cards takes an entry the placed
// cards' deck counts: the other card lies in that card's range, the deck's
// live score is within that card's bound, and its tier is the one the split
// finds, exactly or within the slack of the support sum's window. Where its
// tier may take it, a card of it that takes an entry has that tier among
// the tiers the search keeps for that card, and a bound of at least its
// live score.
void check_pair_takers(const SearchNodeState& state, const DeckSlots& deck,
                       const PartialSums& placed, usize row, u32 used, u64 key);

}  // namespace vdz
