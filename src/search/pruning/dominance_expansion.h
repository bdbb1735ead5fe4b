// Re-admission of the cards that dominance pruning removed: every deck found
// on the pruned pool is widened into the decks that replace some of its cards
// with cards they stand for, and in the final chapter also into the decks led
// by each of its other cards. All of them compete in one best-decks list.
#pragma once

#include <vector>

#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/deadline.h"
#include "search/evaluation/deck_entry.h"
#include "search/pruning/dominance.h"
#include "search/search_result.h"

namespace vdz {

// `decks` index the full `pool`, best first. `first` holds one list per pool
// card; `second` (the final chapter's second pass) may be empty or shorter,
// and a card beyond it has no second list. Returns at most `limit` decks,
// best first, one per card set; the decks unchanged when nothing can widen.
// Counts one deadline step per evaluated variant into `stats` and stops
// widening, keeping what it has, once the deadline has passed.
std::vector<DeckEntry> expand_dominated_decks(const CardPool& pool, const SearchContext& context,
                                              const DominatedLists& first,
                                              const DominatedLists& second, u64 limit,
                                              std::vector<DeckEntry> decks, Deadline& deadline,
                                              SearchStats& stats);

}  // namespace vdz
