// Some requests can have no deck at all, and a search of them would walk
// every partial deck before it knew. The test here reads the pool once and
// answers before any search starts; it never refuses a pool that holds a
// deck.
#pragma once

#include "pool/card_pool.h"
#include "pool/search_context.h"

namespace vdz {

// True only when no deck can be formed from `pool` under `context`'s rules:
// fewer than five distinct characters (five distinct card ids where
// characters may repeat), or a fixed card or fixed character with no card
// in the pool.
bool no_deck_can_exist(const CardPool& pool, const SearchContext& context);

}  // namespace vdz
