// The step between a prepared pool and the text that `recommend` returns:
// it times one search, chooses between the depth-first search over
// event-bonus target tiers and the search entry, turns every deck found into
// its object and writes {"cost_ms", "decks"}. A kept pool is searched by the
// same step, with the `limit` and `timeout_ms` of that call.
#pragma once

#include <span>
#include <string>

#include "common/result.h"
#include "pool/prepared_pool.h"
#include "search/deadline.h"
#include "search/evaluation/deck_result.h"
#include "search/search_result.h"

namespace vdz {

// The search alone, with its counts: the depth-first search over
// event-bonus target tiers when `tiers` are given, the search entry
// otherwise. Empty when tiers were given to a search that can't use them.
Result<SearchResult> search_pool(const CardPool& pool, const SearchContext& context,
                                 std::span<const i32> tiers, u64 limit, u64 timeout_ms,
                                 const SearchClock& clock);

// Reads its inputs only, so several calls may search one kept pool at once.
// `tiers` are the options' event-bonus targets (possibly none); `timeout_ms`
// 0 means no deadline. Fails with "Cannot recommend any deck in {} cards",
// counting the player's cards, when no tiers were given and nothing was found.
Result<std::string> run_pool_search(const ResultSources& sources, std::span<const i32> tiers,
                                    u64 limit, u64 timeout_ms,
                                    const SearchClock& clock = steady_search_clock());

// The same over a prepared pool, with the given `limit` and `timeout_ms`.
Result<std::string> search_prepared_pool(const PreparedPool& prepared, u64 limit, u64 timeout_ms);

}  // namespace vdz
