// Running sums of a partial deck of the depth-first search, carried down the
// recursion so that a node never walks its deck; the bounds read them.
#pragma once

#include "common/types.h"

namespace vdz {

// Each child gets a new record built from its parent's.
struct PartialSums {
    u32 power_sum = 0;     // cards' power, wrapping
    u32 skill_sum = 0;     // cards' skill_value
    u32 bonus_sum = 0;     // cards' event bonus, each rounded up to whole percent
    u8 max_skill = 0;      // largest skill_value so far
    u8 limited_count = 0;  // cards whose limited bonus part is counted
};

}  // namespace vdz
