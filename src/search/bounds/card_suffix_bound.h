// The depth-first search's bound for decks that may hold several cards of
// one character (challenge lives): there the best card per character bounds
// nothing, so a completion is bounded by the best cards after a position,
// whatever their characters.
#pragma once

#include <vector>

#include "common/types.h"
#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/bounds/dfs_bounds.h"
#include "search/bounds/partial_sums.h"
#include "search/bounds/suffix_tables.h"

namespace vdz {

// Rows 0..n; row i, column j: the sum of the j largest card values at pool
// positions i and later (any cards, not one per character).
struct CardSuffixSums {
    std::vector<SuffixRow> power;  // the power column
    std::vector<SuffixRow> skill;  // the skill value
    std::vector<SuffixRow> bonus;  // the most whole percent a card adds to a deck's sums
};

CardSuffixSums build_card_suffix_sums(const CardPool& pool, const SearchContext& context);

// Bound of every completion that takes its `columns` further cards from pool
// positions `row` and later, with `bonus_extra` as the deck's extra bonus.
u64 card_suffix_bound(const BoundModel& m, const CardSuffixSums& t, const PartialSums& sums,
                      usize row, usize columns, u64 bonus_extra);

}  // namespace vdz
