// Each branch follows the deck evaluator's formula for its target, with every
// real factor replaced by an integer that is not smaller and every rounding
// step done after the enlargement, so the result bounds the exact key.
#include "search/final_bound.h"

#include <algorithm>
#include <cmath>

#include "common/numeric.h"

namespace vdz {
namespace {

i64 ceil_e6(double x) {
    return saturating_cast<i64>(std::ceil(x * 1'000'000.0));
}

usize skill_row(LiveType t) {
    switch (t) {
        case LiveType::AUTO:
        case LiveType::CHALLENGE_AUTO:
            return 2;
        case LiveType::MULTI:
        case LiveType::CHEERFUL:
            return 1;
        default:
            return 0;
    }
}

// Live score bound. The skill term bounds every activation by the largest
// skill value it can take: the leader's own value for the encore, and in
// multi lives the leader's value (4L + S) / 5 or the teammates' fixed one.
i64 score_bound(const FinalBoundModel& m, u32 power, u32 skill, u32 leader) {
    if (m.live_type == LiveType::MYSEKAI) return 0;
    const i64 p = power, s = skill, l = leader;
    i64 k;
    if (m.live_type == LiveType::MULTI || m.live_type == LiveType::CHEERFUL) {
        k = m.base_coef + m.skill_sum_coef * std::max(m.skill_floor, 4 * l + s);
    } else if (m.average_skills) {
        k = m.skill_first5_coef * s / 500 + m.base_coef + m.skill_last_coef * l / 100;
    } else {
        // No card's skill value exceeds the deck's sum, whichever card it is.
        k = m.base_coef + m.skill_first5_coef * s / 100 + m.skill_last_coef * l / 100;
    }
    const i64 room = m.teammate_power_set ? p + 4 * i64{m.teammate_power} : 5 * p;
    return (room * m.room_power_coef + 4 * p * k) / 1'000'000;
}

u32 event_points_bound(const FinalBoundModel& m, i32 score, u32 bonus_pct) {
    const i64 e = i64{bonus_pct} + 100;
    const i64 sc = score;
    const auto room_step = [&] {
        const i64 cheer = m.cheer_total != 0 ? i64{m.cheer_total} : 4 * sc;
        return std::min<i64>(cheer / 340000, 13) + sc / 17000 + 110;
    };
    i64 ep = 0;
    switch (m.live_type) {
        case LiveType::SOLO:
        case LiveType::AUTO:
            ep = (e * (sc / 20000 + 100) * m.event_rate) / 10000 * m.event_point_rate / 100;
            break;
        case LiveType::MULTI:
            ep = (e * m.event_rate * room_step()) / 10000 * m.event_point_rate / 100;
            break;
        case LiveType::CHEERFUL:
            ep = (e * m.event_rate * room_step()) / 10000 * m.cheerful_rate / 5000 *
                 m.event_point_rate / 100;
            break;
        case LiveType::CHALLENGE:
        case LiveType::CHALLENGE_AUTO:
            ep = (sc / 20000) * 120 + 12000;
            break;
        case LiveType::MYSEKAI:
            break;
    }
    return saturate_to<u32>(ep);
}

u64 pack(u32 high, u32 low) {
    return (u64{high} << 32) | low;
}

}  // namespace

FinalBoundModel make_final_bound_model(const SearchContext& c) {
    FinalBoundModel m;
    m.target = c.target;
    m.live_type =
        c.live_type == LiveType::MULTI && c.event_kind == 1 ? LiveType::CHEERFUL : c.live_type;
    m.power_extra = static_cast<u32>(c.honor_power);
    m.power_capped = c.wl3_power_cap != 0;
    m.power_cap = c.power_cap;
    m.teammate_power_set = c.multi_live_teammate_power.has_value();
    m.teammate_power = static_cast<i32>(c.multi_live_teammate_power.value_or(0));
    const auto& base = c.music_base_scores;
    const auto& w = c.music_skill_scores[skill_row(c.live_type)];
    const bool multi = c.live_type == LiveType::MULTI || c.live_type == LiveType::CHEERFUL;
    double b = base[0];
    if (multi) b = base[0] + 0.5 * base[2];
    if (c.live_type == LiveType::AUTO || c.live_type == LiveType::CHALLENGE_AUTO) b = base[1];
    const double first5 = w[0] + w[1] + w[2] + w[3] + w[4];
    m.base_coef = ceil_e6(b);
    m.skill_sum_coef = ceil_e6((first5 + w[5]) / 500.0);
    m.skill_first5_coef = ceil_e6(first5);
    m.skill_last_coef = ceil_e6(w[5]);
    m.skill_floor = multi ? 5 * i64{c.multi_live_teammate_score_up.value_or(0)} : 0;
    m.room_power_coef = multi ? 75000 : 0;
    m.average_skills = c.skill_order_choose_strategy == SkillOrderChooseStrategy::AVERAGE;
    m.event_points_in_key = c.event_kind != NO_EVENT_KIND;
    m.event_rate = c.music_event_rate;
    m.event_point_rate = c.boost_rate;
    m.cheer_total = static_cast<i32>(c.other_score);
    if (m.live_type == LiveType::CHEERFUL)
        m.cheerful_rate = 5750 + std::clamp(static_cast<i32>(c.life), 500, 1000);
    return m;
}

u64 final_bound_key(const FinalBoundModel& m, u32 power, u32 skill, u32 leader, u32 bonus_pct) {
    // 0. Power as the evaluator sums it: the honor power, then the cap.
    power += m.power_extra;
    if (m.power_capped) power = std::min(power, m.power_cap);
    switch (m.target) {
        case Target::POWER:
            return power;
        case Target::SKILL:
            return u64{2} * skill + u64{8} * leader;
        case Target::MYSEKAI: {
            const double steps = static_cast<double>(power / 45000 + 10);
            return saturating_cast<u32>((bonus_pct + 100.0) * steps * 500.0 / 1000.0);
        }
        case Target::SCORE:
        case Target::BONUS:
            break;
    }
    const i32 score = saturate_to<i32>(score_bound(m, power, skill, leader));
    const u32 low = static_cast<u32>(std::max(score, 0));
    if (m.target == Target::BONUS) {
        const u32 high = (bonus_pct >> 31) != 0 ? 0xFFFF'FFFFu : 2 * bonus_pct;
        return pack(high, low);
    }
    if (!m.event_points_in_key) return pack(low, low);
    return pack(event_points_bound(m, score, bonus_pct), low);
}

}  // namespace vdz
