// Random pool cards shared by the C++ benchmarks, so that every bench
// measures the same kind of card: base power 20,000 to 35,000 plus up to
// 5,000 by deck shape, skill 60 to 139, event bonus below 50 %.
#pragma once

#include <random>

#include "common/types.h"
#include "handler/pool_candidate.h"

namespace vdz::bench {

// Card `i` (card id 1000 + i) of `character` counting for `unit_mask`. The
// power column is an upper bound of every in-deck power, as the pool
// builder's is.
inline PoolCandidate random_card(std::mt19937& rng, usize i, u8 character, u8 unit_mask) {
    PoolCandidate c;
    c.card_id = static_cast<u32>(1000 + i);
    c.character_id = character;
    c.attr = static_cast<u8>(rng() % 5);
    c.unit_mask = unit_mask;
    c.value_unit_set = unit_mask;
    c.base_values[0] = static_cast<i32>(20000 + rng() % 15000);
    for (auto& unit : c.unit_table)
        for (usize k = 0; k < 4; ++k)
            unit[k] = static_cast<i32>(k * 1500 + rng() % 500);  // on top of the base
    c.power = c.base_values[0] + 6000;
    c.skill_value = static_cast<u8>(60 + rng() % 80);
    c.skill.plain_value = c.skill_value;
    c.base_x10 = static_cast<u16>(rng() % 500);
    return c;
}

}  // namespace vdz::bench
