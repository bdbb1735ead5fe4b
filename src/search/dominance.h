// Dominance pruning: before the exact search of the score, bonus and mysekai
// targets, a card that another card of its character matches or beats in
// every property the deck evaluator reads is removed from the pool. Removed
// cards are remembered per survivor, so that decks can be widened with them
// again after the search.
#pragma once

#include <optional>
#include <vector>

#include "common/types.h"
#include "pool/card_pool.h"
#include "pool/search_context.h"

namespace vdz {

// Per pool card and character id 0..26, the support bonus (hundredths of a
// percent) lost when the card plays in the main deck and so leaves the
// support deck of that character's list. Rows in pool order, one block.
struct SupportLossMatrix {
    static constexpr usize COLUMNS = 27;
    std::vector<i32> cells;  // row i at [27 i, 27 i + 27)

    const i32* row(u16 card) const { return cells.data() + COLUMNS * usize{card}; }
};

// Owned by the caller; both vectors have one entry per pool card.
struct PruneOutcome {
    std::vector<u8> keep;        // the KeepMask: 1 kept, 0 removed
    std::vector<u16> dominator;  // the card that removed this one; 0 for kept cards
};

// Per pool card, the removed cards it stands for (ascending); empty for
// removed cards and for survivors that removed nothing.
using DominatedLists = std::vector<std::vector<u16>>;

// None when the request has no World Bloom support or no card would lose
// anything.
std::optional<SupportLossMatrix> build_support_loss_matrix(const CardPool& pool,
                                                           const SearchContext& context);

// The pairwise test within each character, in ascending pool order; of two
// equal cards the lower index survives. Fixed cards are never removed.
PruneOutcome prune_dominated_cards(const CardPool& pool, const SearchContext& context,
                                   const SupportLossMatrix* matrix);

// Follows every removed card's chain of dominators to the survivor at its end.
DominatedLists collect_dominated_lists(const PruneOutcome& outcome);

}  // namespace vdz
