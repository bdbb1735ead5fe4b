// The unit sets that all five cards of a deck can share: a deck shares
// exactly the units every one of its cards counts for, so each such set is
// part of some card's units. The power searches price decks set by set.
#pragma once

#include <vector>

#include "common/types.h"
#include "pool/card_pool.h"

namespace vdz {

// Every non-empty set of units (bits 0..5) within some pool card's units,
// ascending, each once.
std::vector<u32> shared_unit_sets(const CardPool& pool);

}  // namespace vdz
