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

// What each pool card costs the World Bloom support deck when it plays in the
// main deck, for every support list some leader can bring into play: the
// values of the card's own entries among those a deck can ever take. A card
// costs no more than another when its values, best first, are each at most
// the other's and it has no more of them; one not in a list costs nothing.
struct SupportLossMatrix {
    struct List {
        std::vector<u32> first;      // card i's values are [first[i], first[i + 1])
        std::vector<double> values;  // per card, best first
        // Finite, non-negative and best first: only then does a deck's
        // support sum grow with the values left to it.
        bool ordered = true;
    };
    std::vector<List> lists;  // one per distinct list that takes entries

    static bool costs_no_more(const List& list, u16 a, u16 b);
};

// Owned by the caller; both vectors have one entry per pool card.
struct PruneOutcome {
    std::vector<u8> keep;        // the KeepMask: 1 kept, 0 removed
    std::vector<u16> dominator;  // the card that removed this one; 0 for kept cards
};

// Per pool card, the removed cards it stands for (ascending); empty for
// removed cards and for survivors that removed nothing.
using DominatedLists = std::vector<std::vector<u16>>;

// None when the request has no World Bloom support or no pool card is in a
// list within reach of a deck.
std::optional<SupportLossMatrix> build_support_loss_matrix(const CardPool& pool,
                                                           const SearchContext& context);

// Every value the skill of card a can resolve to in a deck is at least what
// card b's resolves to in the same deck, under the context's training-state
// option: the same kind, and for side-table kinds both the plain value and
// the record (a code naming no record compares with nothing).
bool skill_at_least(const CardPool& pool, const SearchContext& context, u16 a, u16 b);

// Whether card a's limited bonus `limited_a` serves a final-chapter deck at
// least as well as card b's `limited_b` wherever a and b can stand, the
// leader's slot included; both in tenths of a percent. `largest` is the
// largest limited bonus of any card of the pool.
bool limited_at_least(const SearchContext& context, u16 limited_a, u16 limited_b, u16 largest);

// The largest limited bonus of the pool's cards, tenths of a percent.
u16 largest_limited_bonus(const CardPool& pool);

// The pairwise test within each character, in ascending pool order; of two
// equal cards the lower index survives. Fixed cards are never removed.
PruneOutcome prune_dominated_cards(const CardPool& pool, const SearchContext& context,
                                   const SupportLossMatrix* matrix);

// Follows every removed card's chain of dominators to the survivor at its end.
DominatedLists collect_dominated_lists(const PruneOutcome& outcome);

}  // namespace vdz
