// The bound key of the final-chapter search: bounded totals of a partial
// deck (power, skill values, leader skill, event bonus in whole percent)
// turned into a key laid out like the exact score key, so a bound compares
// directly with the worst deck kept. It reads the score model of the
// search's suffix tables.
#pragma once

#include <array>
#include <optional>

#include "common/types.h"
#include "pool/search_context.h"
#include "search/bounds/suffix_tables.h"

namespace vdz {

// Five skill values, largest first: each card of a deck matched with one
// entry that is at least its value (the leader's included).
using FinalSkills = std::array<u32, 5>;

// Upper bound of the exact key of every deck whose power column sum is at
// most `power`, whose cards' skill values are bounded by `skills`, led by a
// card of skill value `leader`, and whose event bonus is at most
// `bonus_pct` percent.
u64 final_bound_key(const SuffixTables& tables, u32 power, const FinalSkills& skills, u32 leader,
                    u32 bonus_pct);

// In solo and auto lives, the rate k of the live score bound above: every
// such deck of power column sum p (the honor power added, before any cap)
// scores at most ceil(4 x p x k / 10^6). None in other lives.
std::optional<i64> solo_score_rate(const SuffixTables& tables, const FinalSkills& skills,
                                   u32 leader);

// Whether a deck whose skill values sum to at most `skill`, led by a card of
// skill value `leader`, can reach the request's multi live score-up lower
// bound (always true without one). Slot 0 leads a final-chapter deck and a
// card's skill value is at least every value the evaluator gives it, so the
// deck's score up, the leader's value plus a fifth of the others', is at
// most leader + (skill - leader) / 5.
bool score_up_reachable(const SearchContext& context, u32 skill, u32 leader);

}  // namespace vdz
