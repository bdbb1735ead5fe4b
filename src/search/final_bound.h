// The bound key of the final-chapter search: bounded totals of a partial
// deck (power, skill values, leader skill, event bonus in whole percent)
// turned into a key laid out like the exact score key, so a bound compares
// directly with the worst deck kept. It reads the score model of the
// search's suffix tables.
#pragma once

#include "common/types.h"
#include "search/suffix_tables.h"

namespace vdz {

// Upper bound of the exact key of every deck whose power column sum is at
// most `power`, skill value sum at most `skill`, leader skill value `leader`
// and event bonus at most `bonus_pct` percent.
u64 final_bound_key(const SuffixTables& tables, u32 power, u32 skill, u32 leader, u32 bonus_pct);

}  // namespace vdz
