// The bound table of the bounded search over all pool cards: for every
// position of its ordered candidate list and every number of cards still to
// choose, the sums of power and skill value (and the largest skill value)
// that some choice of that many later candidates reaches, reduced to the
// choices that no other beats in every field.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "common/types.h"
#include "pool/card_pool.h"

namespace vdz {

// What one choice of cards adds to a deck.
struct BoundTriple {
    u32 power_sum = 0;
    u32 skill_sum = 0;
    u16 max_skill = 0;

    bool operator==(const BoundTriple&) const = default;
};

// Lists 0..5 of one start position: choices of exactly that many cards,
// each list by power sum, highest first.
using BoundLists = std::array<std::vector<BoundTriple>, 6>;

// Built once per search before it starts, read only during it. Row i stands
// for candidates[i..n); row n holds only the empty choice.
struct ParetoBoundTable {
    std::vector<BoundLists> rows;
};

ParetoBoundTable build_pareto_bound_table(const CardPool& pool, std::span<const u16> candidates);

// The same over given powers and skill values, one of each per candidate.
ParetoBoundTable build_pareto_bound_table(std::span<const u32> powers, std::span<const u8> skills);

}  // namespace vdz
