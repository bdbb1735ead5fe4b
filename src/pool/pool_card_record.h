// One record per pool card, in pool order, written by the pool builder and
// read by the deck result writer by pool index: the card's id, its power
// breakdown per unit and deck shape, and the state the result reports. It
// holds plain values only, so a kept pool needs nothing else to report.
#pragma once

#include <array>

#include "common/types.h"

namespace vdz {

// The parts of a card's power in one unit and deck shape.
struct PowerBreakdown {
    i32 base = 0;
    i32 area_item = 0;
    i32 character_rank = 0;
    i32 fixture = 0;
    i32 gate = 0;
    i32 total = 0;  // the in-deck power the evaluator uses (0 outside the card's units)

    bool operator==(const PowerBreakdown&) const = default;
};

struct PoolCardRecord {
    // Per unit 0..5, per shape 2 x (all five share the unit) + (all share the attribute).
    std::array<std::array<PowerBreakdown, 4>, 6> units{};
    u32 card_id = 0;  // the full card id (the pool column saturates it)
    u32 master_rank = 0;
    u32 skill_level = 0;
    double life_recovery = 0.0;
    bool after_training = false;  // the variant's skill is the trained one
    bool image_override = false;  // the variant decides the shown image
    bool special_image = false;   // with the override: show the trained image

    bool operator==(const PoolCardRecord&) const = default;
};

}  // namespace vdz
