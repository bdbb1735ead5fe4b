// The candidate order of the depth-first search: cards by power times a skill
// factor times an event-bonus factor, largest first. The final-chapter search
// takes its leaders in this order and the seed heuristics start from it.
#pragma once

#include <vector>

#include "common/types.h"
#include "pool/card_pool.h"
#include "pool/search_context.h"

namespace vdz {

// (skill_value + 256) x power x (event bonus rounded up to whole percent
// [+ leader bonuses in the final chapter] + 100); below 2^59.
u64 candidate_key(const CardPool& pool, const SearchContext& context, u16 card);

// Every pool index once, by key descending, equal keys by lower index.
std::vector<u16> initial_candidate_order(const CardPool& pool, const SearchContext& context);

}  // namespace vdz
