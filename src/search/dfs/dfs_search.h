// The exact depth-first search for the score, bonus and mysekai targets: it
// finds the best `limit` decks of a pool, or the best `limit` decks of each
// requested event-bonus tier, within an optional time limit.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/bounds/suffix_tables.h"
#include "search/deadline.h"
#include "search/evaluation/deck_entry.h"
#include "search/search_result.h"

namespace vdz {

// `suffix` holds the tables of `pool` and `context`. `seeds` are decks already known (indexing
// `pool`); they count as found decks from the start. Without `tiers` one list of `limit` decks,
// best first; with tiers (even none) the best `limit` decks of each tier, tiers from the highest to
// the lowest. `timeout_ms` 0 means no deadline; a search that runs out of time returns what it
// found.
SearchResult dfs_search(const CardPool& pool, const SearchContext& context,
                        const SuffixTables& suffix, u64 limit, u64 timeout_ms,
                        std::vector<DeckEntry> seeds, std::optional<std::span<const i32>> tiers,
                        const SearchClock& clock = steady_search_clock());

}  // namespace vdz
