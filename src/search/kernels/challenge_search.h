// The exhaustive single-best search of challenge lives: every five-card
// combination of the candidate list is evaluated and the best kept. It has no
// bound and no pruning, so it watches the deadline like the depth-first
// search: a pool of several characters can hold hundreds of cards.
#pragma once

#include <span>
#include <vector>

#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/deadline.h"
#include "search/search_result.h"

namespace vdz {

// The candidate order of the challenge-live searches: the cards of each
// fixed card id in the order of the fixed cards, then every other card; each
// group by power descending, skill value descending, card id ascending, and
// pool index ascending.
std::vector<u16> challenge_candidate_order(const CardPool& pool, const SearchContext& context);

// The best deck of five candidates with pairwise different card ids, or no
// deck when none has a key above 0. Slots come in candidate order, except
// that in the final chapter slots 1 to 4 take the best order of their cards
// (see `arrange_final_deck`), in which the deck is valued. Of decks with
// equal keys the one met first in the lexicographic order of candidate
// positions wins. When the deadline passes, the best deck found so far.
SearchResult challenge_search(const CardPool& pool, const SearchContext& context,
                              std::span<const u16> candidates, Deadline& deadline);

}  // namespace vdz
