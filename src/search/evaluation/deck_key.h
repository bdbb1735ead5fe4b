// The ranking key: one 64-bit number per deck under the request's target, so
// that every result list compares decks by a single unsigned comparison.
// Where the objective has two parts, the deciding part sits in the high 32
// bits and the tie-break part in the low 32 bits.
#pragma once

#include <optional>

#include "common/types.h"
#include "handler/enums.h"

namespace vdz {

// What the key reads of one evaluated skill choice of a deck.
struct KeyInputs {
    u32 power = 0;                     // deck power after the cap
    i32 score = 0;                     // live score
    std::optional<i32> event_points;   // none for a live type without event points
    double multi_live_score_up = 0.0;  // percent
    double event_bonus = 0.0;          // percent
};

// The event bonus in steps of half a percent, the high half of a bonus key:
// 12.25 % gives 25 (halves go away from zero).
u32 half_percent_steps(double event_bonus);

// The key of one skill choice. `has_event` is false when the request names no
// event: the score target then ranks by live score alone. A negative score or
// event-point count never wraps: both enter the key floored at 0.
u64 deck_key(Target target, bool has_event, const KeyInputs& in);

}  // namespace vdz
