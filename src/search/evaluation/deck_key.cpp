// The key by target, packed so that unsigned comparison of keys is the
// lexicographic comparison of (deciding part, tie-break part).
#include "search/evaluation/deck_key.h"

#include <algorithm>
#include <cmath>

#include "common/numeric.h"

namespace vdz {
namespace {

u64 pack(u32 high, u32 low) {
    return (u64{high} << 32) | low;
}

u32 non_negative(i32 v) {
    return static_cast<u32>(std::max(v, 0));
}

// Mysekai points: (bonus + 100) x (one more step per 45,000 power above ten)
// x 500 / 1000, in exactly this order.
u32 mysekai_points(u32 power, double event_bonus) {
    const double steps = static_cast<double>(power / 45000 + 10);
    return saturating_cast<u32>((event_bonus + 100.0) * steps * 500.0 / 1000.0);
}

}  // namespace

u32 half_percent_steps(double event_bonus) {
    return saturating_cast<u32>(std::round(2.0 * event_bonus));
}

u64 deck_key(Target target, bool has_event, const KeyInputs& in) {
    const u32 score = non_negative(in.score);
    switch (target) {
        case Target::SCORE: {
            const u32 high = has_event ? non_negative(in.event_points.value_or(0)) : score;
            return pack(high, score);
        }
        case Target::POWER:
            return in.power;
        case Target::SKILL:
            // The tolerance keeps a score-up such as 2.0999999999999996 on 21.
            return saturating_cast<u64>(std::floor(in.multi_live_score_up * 10.0 + 1e-6));
        case Target::BONUS:
            return pack(half_percent_steps(in.event_bonus), score);
        case Target::MYSEKAI:
            return mysekai_points(in.power, in.event_bonus);
    }
    return 0;
}

}  // namespace vdz
