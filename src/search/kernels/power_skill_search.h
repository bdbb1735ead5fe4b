// The search of the power and skill targets: every admissible deck of the
// pool in the order of the target's own per-card key, the best `limit` kept.
// Bounds from what each card can still be worth (its power in the deck shapes
// the placed cards leave open, its skill ceiling) cut what cannot enter the
// list once it is full, and what cannot reach the score-up lower bound; the
// search watches the deadline like the other searches.
#pragma once

#include <span>
#include <vector>

#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/deadline.h"
#include "search/evaluation/top_decks.h"
#include "search/search_result.h"

namespace vdz {

// True when the candidate list runs lowest key first: the power target with
// `minimize`. The result list runs in the same direction.
bool candidate_order_reversed(const SearchContext& context);

// Sorts pool indices by the target's key (power, or skill value), highest
// first or, reversed, lowest first; equal keys: the lower index first.
void sort_candidates(std::span<u16> indices, const CardPool& pool, const SearchContext& context);

bool contains_u16(std::span<const u16> values, u16 value);

// The candidate list: every pool card, those of a fixed card id or a fixed
// character first, each part in candidate order.
std::vector<u16> candidate_list(const CardPool& pool, const SearchContext& context);

// Every admissible deck of `candidates` into `best`: fixed-card slots first,
// then fixed-character slots, then ascending combinations of the rest, one
// card per character except where a fixed character asks for its own. In a
// challenge live characters may repeat, card ids may not. Skips the decks
// the bounds show cannot enter `best`. Counts a step per visited slot and
// stops, keeping what it found, once the deadline passes.
void search_small_exhaustive(const CardPool& pool, const SearchContext& context,
                             std::span<const u16> candidates, TopDecks& best, SearchStats& stats,
                             Deadline& deadline);

// The list and the search together: the row of the search entry for the
// power and skill targets.
SearchResult search_power_skill(const CardPool& pool, const SearchContext& context, u64 limit,
                                Deadline& deadline);

}  // namespace vdz
