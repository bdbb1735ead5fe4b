// The last steps of the pool builder: packing the ordered candidates into the
// CardPool, appending each card's per-card context values and its
// PoolCardRecord, and the bounds the searches read over the whole pool.
#pragma once

#include <vector>

#include "common/result.h"
#include "handler/pool_candidate.h"
#include "pool/card_pool.h"
#include "pool/pool_card_record.h"
#include "pool/search_context.h"

namespace vdz {

// Packs `candidates` in their order as pool cards 0..n-1, appends their
// per-card vectors to `context` and their records to `records`.
Result<CardPool> pack_candidates(const std::vector<PoolCandidate>& candidates,
                                 SearchContext& context, std::vector<PoolCardRecord>& records);

// The record of one candidate: its power breakdown per unit and shape, and
// its reported state.
PoolCardRecord make_pool_card_record(const PoolCandidate& candidate);

// Bonus bound: ceil of the general support sum + ceil of the largest
// per-character support sum + the largest distinct-attribute bonus.
u32 compute_bonus_bound(const WorldBloomSupport& support,
                        const std::array<u16, 6>& distinct_attr_bonus);

// Sum of the five largest skill_value bytes of the pool (all when fewer).
u32 compute_skill_bound(const CardPool& pool);

}  // namespace vdz
