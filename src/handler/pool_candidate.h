// One skill variant of one eligible card, as the pool builder orders, trims
// and packs it. Built from the card power step's output; owned by the
// builder's candidate list for the length of one build.
#pragma once

#include <array>

#include "common/types.h"

namespace vdz {

// The skill of one variant as the pool stores it: a plain value, or one of
// the three skills whose value depends on the deck and lives in a side table.
struct CandidateSkill {
    // Kind byte of a plain skill (always 0) and its value.
    u8 plain_kind = 0;
    u8 plain_value = 0;
    // Unit-count skill: the enhance unit's index (0..5), then the values for
    // 1..5 deck cards of that unit.
    bool has_unit_count = false;
    std::array<u8, 6> unit_count{};
    // Diff skill: its own value and the step added per further distinct unit.
    bool has_diff = false;
    std::array<u8, 2> diff{};
    // Reference skill: the percentage of the other cards' values it takes and
    // the cap of that share.
    bool has_ref = false;
    std::array<u8, 2> ref{};

    bool is_special() const { return has_unit_count || has_diff || has_ref; }
    bool operator==(const CandidateSkill&) const = default;
};

// Per-unit power parts of one card: the four deck shapes (2 x all five cards
// share the unit + all five share the attribute) of each unit.
using UnitShapeTable = std::array<std::array<i32, 4>, 6>;

struct PoolCandidate {
    u32 card_id = 0;
    i32 rarity = 0;  // rarity code: 1..4, 5 = birthday
    CandidateSkill skill;
    u8 skill_value = 0;      // main skill byte
    u8 skill_secondary = 0;  // plain value of a diff or reference skill
    UnitShapeTable unit_table{};
    // Parts every shape shares: base power, character rank, fixture, gate.
    std::array<i32, 4> base_values{};
    i32 tie_key = 0;  // second key of the power orderings
    i32 power = 0;
    u8 value_unit_set = 0;  // units (bits 0..5) for which unit_table applies
    u16 base_x10 = 0;
    u16 limited_x10 = 0;
    u16 leader_honor_bonus = 0;
    u16 leader_limit_bonus = 0;
    u8 character_id = 0;
    u8 attr = 0;  // attribute index 0..4
    u8 unit_mask = 0;
    bool trained_to_special_image = false;
    bool skill_is_after_training = false;
    bool character_bonus = false;  // event flag: a character bonus applies
    bool attribute_bonus = false;  // event flag: an attribute bonus applies
    // Reported state, copied into the card's PoolCardRecord.
    u32 master_rank = 0;
    u32 skill_level = 0;
    double life_recovery = 0.0;
    bool image_override = false;  // the variant decides the shown image
    // Kept through every trimming phase: its character's largest skill value
    // under a multi live score up lower bound.
    bool score_up_keeper = false;

    u32 total_x10() const { return u32{base_x10} + limited_x10; }
    // (256 + skill value) x power: the builder's weighted power.
    u64 weighted_power() const {
        return (256 + u64{skill_value}) * static_cast<u64>(power < 0 ? 0 : power);
    }
};

}  // namespace vdz
