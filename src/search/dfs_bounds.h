// Upper bounds of the depth-first search: for a partial deck, a key that no
// completion of it can beat, in the space of the ranking key. A subtree is
// cut when its bound falls below the worst kept key; a bound equal to it is
// searched, so that a deck that ties the worst kept one can still win on its
// slots and the search stays exact.
#pragma once

#include "common/types.h"
#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/partial_sums.h"
#include "search/suffix_tables.h"

namespace vdz {

// What the bounds read, taken once per search; lives as long as the search.
struct BoundModel {
    const SearchContext* context = nullptr;
    const SuffixTables* suffix = nullptr;
    u32 bonus_extra = 0;  // World Bloom support and attribute bonus at most, percent
    bool has_event = false;
};

BoundModel make_bound_model(const SearchContext& context, const SuffixTables& suffix);

// The key of a deck whose card power sums to at most `power` (before the
// honor power and the cap), whose resolved skill values are at most `best`
// and whose card bonuses sum to at most `bonus` whole percent.
u64 bound_key(const BoundModel& m, u64 power, u32 best, u64 bonus);

// Bound of every completion of a partial deck of `depth` cards: the k = 5 -
// depth best characters not yet used, each with its best card.
u64 character_bound(const BoundModel& m, const PartialSums& sums, u32 used_characters, usize depth);

// Bound of every completion that takes its `columns` further cards from pool
// positions `row` and later.
u64 position_bound(const BoundModel& m, const PartialSums& sums, usize row, usize columns);

// The doubled event bonus of every completion is at least this, in steps of
// half a percent: each card's bonus was rounded up by less than 1 %.
u32 doubled_bonus_floor(const PartialSums& sums, usize depth);

}  // namespace vdz
