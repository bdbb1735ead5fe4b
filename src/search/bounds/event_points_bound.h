// The event-point half of the searches' bound keys: the evaluator's event
// points in integers, from an upper bound of the live score and of the event
// bonus, shared by the depth-first and the final-chapter bounds.
#pragma once

#include <algorithm>

#include "common/types.h"
#include "search/bounds/suffix_tables.h"

namespace vdz {

// Event points of a live score of at most `score` and an event bonus of at
// most `bonus` whole percent, under the live type and rates of `t`; at most
// UINT32_MAX. Inline: the bounds call it for nearly every key they form.
u64 event_points_bound(const SuffixTables& t, i64 score, u64 bonus);

// ---------------------------------------------------------------------------

// Why the bound holds: the evaluator's event points grow with the live score
// and the event bonus, and each step below is its step done exactly on the
// larger inputs, truncated where it truncates. Its floating-point rounding
// cannot lift a step past these: an exact step here is a whole number or at
// least 1/10,000 below the next one, far more than that rounding.
inline u64 event_points_bound(const SuffixTables& t, i64 score, u64 bonus) {
    // With a live score below 2^31 every product below stays under 2^62
    // while the inputs stay under these limits, far beyond any game's
    // values; beyond them the largest points serve.
    if (bonus >= (u64{1} << 20) || t.music_event_rate >= (1u << 20) || t.boost_rate >= (1u << 16) ||
        t.cheerful_factor >= (1u << 14)) {
        return UINT32_MAX;
    }
    score = std::clamp<i64>(score, 0, INT32_MAX);
    const i64 e = static_cast<i64>(bonus) + 100;
    const i64 rate = t.music_event_rate;
    i64 points = 0;
    const auto room_step = [&] {
        const i64 reference = t.other_score != 0 ? i64{t.other_score} : 4 * score;
        return score / 17000 + 110 + std::min<i64>(reference / 340000, 13);
    };
    switch (t.effective_live_type) {
        case LiveType::SOLO:
        case LiveType::AUTO:
            points = e * (score / 20000 + 100) * rate / 10000 * t.boost_rate / 100;
            break;
        case LiveType::MULTI:
            points = e * rate * room_step() / 10000 * t.boost_rate / 100;
            break;
        case LiveType::CHEERFUL:
            points = e * rate * room_step() / 10000 * t.cheerful_factor / 5000 * t.boost_rate / 100;
            break;
        case LiveType::CHALLENGE:
        case LiveType::CHALLENGE_AUTO:
            points = 12000 + 120 * (score / 20000);
            break;
        case LiveType::MYSEKAI:
            break;
    }
    return static_cast<u64>(std::clamp<i64>(points, 0, UINT32_MAX));
}

}  // namespace vdz
