// Each branch follows the deck evaluator's formula for its target, with every
// real factor replaced by an integer that is not smaller, so the result
// bounds the exact key. Every division of the live score rounds up, the last
// one too: a truncated skill term, multiplied by four times the power, falls
// a few points below the exact score, and a truncated last quotient up to one
// more. The event points truncate where the evaluator truncates, on inputs
// that are not smaller, which keeps them a bound.
#include "search/bounds/final_bound.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

#include "common/check.h"
#include "common/numeric.h"
#include "search/bounds/event_points_bound.h"

namespace vdz {
namespace {

// The four entries of `skills` (largest first) left when one entry equal
// to `v` is taken out, none when no entry equals it.
std::optional<std::array<u32, 4>> without_one(const FinalSkills& skills, u32 v) {
    std::array<u32, 4> out{};
    usize n = 0;
    bool taken = false;
    for (const u32 x : skills) {
        if (!taken && x == v) {
            taken = true;
        } else if (n < 4) {
            out[n++] = x;
        }
    }
    if (!taken) return std::nullopt;
    return out;
}

// ceil_div(x, 1'000'000), multiplying where the compiler divides: for
// 0 <= y < 2^63, y / 10^6 is (y * m) >> 83 with m = ceil(2^83 / 10^6), as
// m * 10^6 exceeds 2^83 by less than 2^20 (by 350,592).
i64 ceil_div_million(i64 x) {
    if (x < 0 || x > INT64_MAX - 999'999) return ceil_div(x, 1'000'000);
    constexpr unsigned __int128 m = 0x8637'bd05'af6c'69b6u;
    const u64 y = static_cast<u64>(x) + 999'999;
    const i64 q = static_cast<i64>((y * m) >> 83);
    VDZ_ASSERT(q == ceil_div(x, 1'000'000));
    return q;
}

// The live score bound's rate: a deck of power p scores at most
// 4 p k / 10^6 plus its room's part. The skill term bounds every activation by the largest
// skill value it can take: the leader's own value for the encore, and in
// multi lives the leader's value (4L + S) / 5 or the teammates' fixed one.
// Rounding the last quotient up also absorbs the evaluator's floating-point
// rounding, far below one point.
[[gnu::always_inline]] inline i64 skill_rate(const SuffixTables& t, const FinalSkills& skills,
                                             u32 leader) {
    const LiveType live_type = t.effective_live_type;
    const i64 l = leader;
    // The values' sum, which only some branches read.
    const auto sum = [&] { return i64{skills[0]} + skills[1] + skills[2] + skills[3] + skills[4]; };
    i64 k;
    if ((live_type == LiveType::MULTI || live_type == LiveType::CHEERFUL) &&
        t.teammate_score_up_x5 > 0 &&
        t.skill_order_choose_strategy != SkillOrderChooseStrategy::SPECIFIC) {
        // With the teammates' score up given, one activation is the room
        // leader's value (4L + S) / 5 and four are the teammates'; the best
        // of any order gives the larger of the two the largest weight, the
        // averaged order no more, and the encore is the leader's value. A
        // specific order may play the leader's activation in every place.
        const i64 leader5 = 4 * l + sum(), teammate5 = t.teammate_score_up_x5;
        k = t.base_score_e6 + ceil_div(t.skill_top_e6 * std::max(leader5, teammate5) +
                                           t.skill_rest_e6 * teammate5 + t.skill_last_e6 * leader5,
                                       500);
    } else if (live_type == LiveType::MULTI || live_type == LiveType::CHEERFUL) {
        k = t.base_score_e6 + t.skill_sum_e6 * std::max(t.teammate_score_up_x5, 4 * l + sum());
    } else if (t.skill_order_choose_strategy == SkillOrderChooseStrategy::AVERAGE) {
        k = ceil_div(t.skill_first5_e6 * sum(), 500) + t.base_score_e6 +
            ceil_div(t.skill_last_e6 * l, 100);
    } else if (t.paired_skill_weights) {
        // The best and worst orders pair the deck's values, sorted, with
        // sorted weights; the weights of `paired_skill_e6` (sizes, in the
        // order they meet values sorted largest first) pair at least as
        // high, and each sorted value is at most the entry of `skills` at
        // its rank, since each card's value is at most its own entry.
        i64 paired = 0;
        for (usize i = 0; i < 5; ++i)
            paired += t.paired_skill_e6[i] * skills[i];
        // Where the order names the leader's places, the leader's value
        // (at most `leader`) meets their weight, and the other four values
        // meet the other places' weights, sorted, each at most the entry
        // of its rank once one entry `leader` is taken out: the leader's
        // entry, or one that another card shares with it, whose card then
        // takes the leader's entry, no smaller.
        if (t.leader_place_known) {
            if (const auto others = without_one(skills, leader)) {
                i64 placed = t.leader_place_e6 * l;
                for (usize i = 0; i < 4; ++i)
                    placed += t.other_places_e6[i] * (*others)[i];
                paired = std::min(paired, placed);
            }
        }
        k = t.base_score_e6 + ceil_div(paired, 100) + ceil_div(t.skill_last_e6 * l, 100);
    } else {
        // Any other order, which may repeat a card: no activation is above
        // the deck's largest value.
        k = t.base_score_e6 + ceil_div(t.skill_first5_e6 * skills[0], 100) +
            ceil_div(t.skill_last_e6 * l, 100);
    }
    return k;
}

// Live score bound.
i64 score_bound(const SuffixTables& t, u32 power, const FinalSkills& skills, u32 leader) {
    if (t.effective_live_type == LiveType::MYSEKAI) return 0;
    // Coefficients far beyond any song's could overflow the products below.
    if (!t.live_score_in_range) return INT32_MAX;
    const i64 p = power, k = skill_rate(t, skills, leader);
    // The teammate power is a signed option kept in its bits.
    const i64 room = t.teammate_power ? p + 4 * i64{static_cast<i32>(*t.teammate_power)} : 5 * p;
    // Inputs far beyond any game's values would overflow: no bound then.
    i64 deck, team, raw;
    if (__builtin_mul_overflow(4 * p, k, &deck) ||
        __builtin_mul_overflow(room, static_cast<i64>(t.multi_term_e6), &team) ||
        __builtin_add_overflow(team, deck, &raw)) {
        return INT32_MAX;
    }
    return ceil_div_million(raw);
}

u64 pack(u32 high, u32 low) {
    return (u64{high} << 32) | low;
}

}  // namespace

u64 final_bound_key(const SuffixTables& t, u32 power, const FinalSkills& skills, u32 leader,
                    u32 bonus_pct) {
    // 0. Power as the evaluator sums it: the honor power, then the cap.
    power += t.honor_power;
    if (t.wl3_power_cap != 0) power = std::min(power, t.power_cap);
    switch (t.target) {
        case Target::POWER:
            return power;
        case Target::SKILL:
            return u64{2} * (u64{skills[0]} + skills[1] + skills[2] + skills[3] + skills[4]) +
                   u64{8} * leader;
        case Target::MYSEKAI: {
            const double steps = static_cast<double>(power / 45000 + 10);
            return saturating_cast<u32>((bonus_pct + 100.0) * steps * 500.0 / 1000.0);
        }
        case Target::SCORE:
        case Target::BONUS:
            break;
    }
    const i32 score = saturate_to<i32>(score_bound(t, power, skills, leader));
    const u32 low = static_cast<u32>(std::max(score, 0));
    if (t.target == Target::BONUS) {
        const u32 high = (bonus_pct >> 31) != 0 ? 0xFFFF'FFFFu : 2 * bonus_pct;
        return pack(high, low);
    }
    if (!t.has_event) return pack(low, low);
    return pack(static_cast<u32>(event_points_bound(t, score, bonus_pct)), low);
}

std::optional<i64> solo_score_rate(const SuffixTables& t, const FinalSkills& skills, u32 leader) {
    const LiveType live_type = t.effective_live_type;
    if ((live_type != LiveType::SOLO && live_type != LiveType::AUTO) || !t.live_score_in_range ||
        t.multi_term_e6 != 0 || t.teammate_power) {
        return std::nullopt;
    }
    return skill_rate(t, skills, leader);
}

bool score_up_reachable(const SearchContext& context, u32 skill, u32 leader) {
    if (!context.multi_live_score_up_lower_bound) return true;
    const double up = leader + 0.2 * (static_cast<double>(skill) - leader);
    // A margin above the evaluator's own 1e-9: the bound must never cut a
    // deck the evaluator admits, whatever the rounding.
    return !(up + 1e-6 < *context.multi_live_score_up_lower_bound);
}

}  // namespace vdz
