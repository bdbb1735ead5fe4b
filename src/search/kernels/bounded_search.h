// The branch-and-bound search of the challenge-live road when more than one
// deck is asked for, or fixed cards are given: ascending combinations of an
// ordered candidate list, fixed cards forced slot by slot, every complete
// deck evaluated, the best `limit` kept. Once the list is full a subtree is
// cut when the best (power, skill) choices still open cannot beat the worst
// kept deck. Two cards of one character may share a deck; two cards of one
// card id may not. A pool of every character can hold hundreds of cards, so
// it watches the deadline like the depth-first search.
#pragma once

#include <span>

#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/bounds/pareto_bound_table.h"
#include "search/bounds/suffix_tables.h"
#include "search/deadline.h"
#include "search/search_result.h"

namespace vdz {

// Decks best first, slots in candidate-list order (in the final chapter,
// slots 1 to 4 in their cards' best order, see `arrange_final_deck`).
// `candidates` holds every pool card once, the cards of each fixed card id
// first (in the order of the fixed cards), then the rest; `table` is built
// over the same list. When the deadline passes, the best decks found so
// far. Counts a step per node and per child bound test. Challenge lives
// only: the bounds are theirs.
SearchResult search_bounded(const CardPool& pool, const SearchContext& context,
                            const SuffixTables& suffix, std::span<const u16> candidates,
                            const ParetoBoundTable& table, u64 limit, Deadline& deadline);

}  // namespace vdz
