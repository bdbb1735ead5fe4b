// The power target without enumerating decks. A card's power depends only on
// itself and on two facts about the whole deck: whether all five share one
// of its units, and whether all five share its attribute. The fast path
// guesses those facts through composition patterns (49 of one unit or none
// and one attribute or none, and those of each set of two or more units
// that some card belongs to); under each, every
// card has a fixed power and the best decks come from a one-card-per-
// character selection built level by level and cut to `limit` at every step.
// Each deck a pattern yields is then evaluated exactly. A lower bound on the
// multi live score up may reject every deck a pattern yields while other
// decks of that pattern pass, so the search entry sends such requests to
// the exhaustive search instead.
#pragma once

#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/deadline.h"
#include "search/search_result.h"

namespace vdz {

// The best decks by exact power, best first, at most `limit` (at least 1).
// Cards of character 0 never enter a deck. The work grows with `limit`
// squared, and a kept pool may be asked for any number of decks, so it
// counts a step per level entry and per evaluation; once the deadline
// passes it evaluates nothing more and returns the decks evaluated so far.
SearchResult search_power_fast(const CardPool& pool, const SearchContext& context, u64 limit,
                               Deadline& deadline);

}  // namespace vdz
