// The final chapter's road through the search entry, after the first
// dominance pruning: a second pruning pass that compares cards as a power
// search would, the restriction to one leader character, the final-chapter
// search, and the lists that re-admission needs for the cards this road set
// aside.
#pragma once

#include <span>

#include "common/result.h"
#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/deadline.h"
#include "search/pruning/dominance.h"
#include "search/search_result.h"

namespace vdz {

// Decks index the pool given (the pruned pool of the search entry); `second`
// holds, per full-pool card, the cards the second pass set aside for it.
struct FinalChapterBranch {
    SearchResult found;
    DominatedLists second;
};

// `pool` and `context` are the pruned ones; `full_index_map` maps their card
// indices to the full pool, whose first-pass lists are `first`.
Result<FinalChapterBranch> run_final_chapter_branch(const CardPool& pool,
                                                    const SearchContext& context,
                                                    std::span<const u16> full_index_map,
                                                    const DominatedLists& first, u64 limit,
                                                    u64 timeout_ms, const SearchClock& clock);

}  // namespace vdz
