// The one place where a request's search strategy is chosen: from the
// context's target, live type and flags, the fixed constraints, `limit` and
// the pool's size. Roads that are not built yet fail with an error naming
// the road, never with a made-up result.
#pragma once

#include "common/result.h"
#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/deadline.h"
#include "search/search_result.h"

namespace vdz {

// Decks best first, indexing `pool`. An empty list when nothing can be
// searched (`limit` 0, fewer than five cards). `timeout_ms` 0: no deadline.
Result<SearchResult> search_recommend(const CardPool& pool, const SearchContext& context, u64 limit,
                                      u64 timeout_ms, const SearchClock& clock);

}  // namespace vdz
