// The bound key of a deck from bounds of its power, skill values and bonus:
// the live score and event points at those inputs (see dfs_bounds.cpp for
// why that bounds every deck they cover). The general formula reads the
// target, the live type, the order strategy and the couplings on every
// call; a search fixes all of them, so it takes its formula, one of the
// `picked_key` instances, once, and the general one stays for the rare
// modes and for debug builds to check every picked key against.
#include "search/bounds/bound_key.h"

#include <algorithm>
#include <cmath>

#include "common/check.h"
#include "common/numeric.h"
#include "search/bounds/event_points_bound.h"

namespace vdz {
namespace {

// Under a specific order outside the final chapter, the skill part of the
// multiplier (in the units of `paired` below) of the decks whose slots hold
// at most the values of `v`. No weight is negative, so a bound of each
// value at the weight it meets bounds the term.
//   - The first slot leads: it plays place 0 and the encore, and the others
//     follow by card id, so any of them may meet any of places 1 to 4; their
//     values and those weights paired largest first give the most any
//     matching can. Before the first slot is placed, none of this is known.
//   - The best skill leads: the leading slot l plays place 0 and the encore,
//     the first slot place l, every other slot its own place. Per l, the
//     free values meet the free slots' weights, paired largest first, and no
//     other value is above the leader's, so each is capped at the leader's
//     bound. The largest over the leading slots bounds the deck's term.
// Out of line: few searches ask it, and inlined it crowds the registers of
// the keys that never do.
[[gnu::noinline]] i64 slot_places_term(const SuffixTables& t, const SlotSkills& v,
                                       bool first_slot_leads, u32 lead) {
    const PartialSums& sums = *v.sums;
    const usize d = std::min<usize>(sums.placed, 5);
    if (first_slot_leads) {
        if (d == 0) return INT64_MAX;
        std::array<i64, 4> rest{};
        usize n = 0;
        for (usize s = 1; s < d; ++s)
            rest[n++] = sums.slot_skills[s];
        for (usize j = 0; n < 4; ++j)
            rest[n++] = v.free[j];
        std::sort(rest.begin(), rest.end(), std::greater<i64>());
        const std::array<i64, 5>& others = t.free_slot_weights_e6[1][0];
        i64 total = t.slot_weight_e6[0][0] * std::min<i64>(sums.slot_skills[0], lead);
        for (usize j = 0; j < 4; ++j)
            total += others[j] * rest[j];
        return total;
    }
    i64 top = 0;
    for (usize l = 0; l < 5; ++l) {
        const std::array<i64, 5>& weight = t.slot_weight_e6[l];
        const bool placed_leader = l < d;
        const i64 leader = placed_leader ? sums.slot_skills[l] : v.free[0];
        i64 total = weight[l] * leader;
        for (usize s = 0; s < d; ++s)
            if (s != l) total += weight[s] * std::min<i64>(sums.slot_skills[s], leader);
        const std::array<i64, 5>& free = t.free_slot_weights_e6[d][l];
        const usize first = placed_leader ? 0 : 1;
        for (usize j = 0; j + d + first < 5; ++j)
            total += free[j] * std::min<i64>(v.free[first + j], leader);
        top = std::max(top, total);
    }
    return top;
}

// The live score of a deck of power `p` with skill values bounded by
// `skills`. The coefficients are the evaluator's weights
// times 1,000,000 rounded up, every division rounds up, and so does the
// last one, which also absorbs the rounding of the evaluator's
// floating-point steps (far below one point): the result is never below the
// evaluator's truncated score. The general formula; `picked_key` takes the
// same steps with the search's switches decided.
i64 live_score_bound(const BoundModel& m, u64 p, const SkillValues& skills, u32 lead_value,
                     double coupled, const SlotSkills* slots) {
    const SuffixTables& t = *m.suffix;
    const i64 power = static_cast<i64>(p);  // below 2^32
    const i64 s = i64{skills[0]} + skills[1] + skills[2] + skills[3] + skills[4];
    const i64 best = skills[0];
    VDZ_ASSERT(lead_value <= skills[0]);
    const i64 lead = lead_value;
    if (t.effective_live_type == LiveType::MYSEKAI) return 0;
    // Coefficients far beyond any song's could overflow the products below.
    if (!t.live_score_in_range) return INT32_MAX;
    i64 multiplier;
    switch (t.effective_live_type) {
        case LiveType::MULTI:
        case LiveType::CHEERFUL:
            if (t.teammate_score_up_x5 > 0 &&
                t.skill_order_choose_strategy != SkillOrderChooseStrategy::SPECIFIC) {
                // With the teammates' score up given, one activation is the
                // room leader's (4 v0 + S) / 5 and four are the teammates'
                // value: any order but a specific one gives the larger of
                // the two at most the largest weight, the other the rest,
                // and the encore is the room leader's.
                const i64 leader5 = 4 * lead + s, teammate5 = t.teammate_score_up_x5;
                const i64 skill = t.skill_top_e6 * std::max(leader5, teammate5) +
                                  t.skill_rest_e6 * teammate5 + t.skill_last_e6 * leader5;
                multiplier = t.base_score_e6 + ceil_div(skill, 500);
                break;
            }
            if (t.teammate_score_up_x5 > 0 && t.room_places_known) {
                // A specific order names which places read the room
                // leader's activation; the others read the teammates'.
                const i64 leader5 = 4 * lead + s;
                const i64 skill = (t.room_leader_places_e6 + t.skill_last_e6) * leader5 +
                                  t.teammate_places_e6 * t.teammate_score_up_x5;
                multiplier = t.base_score_e6 + ceil_div(skill, 500);
                break;
            }
            // Every activation is the room leader's (4 v0 + S) / 5 or the
            // teammates' fixed value.
            multiplier =
                t.base_score_e6 + t.skill_sum_e6 * std::max(t.teammate_score_up_x5, 4 * lead + s);
            break;
        case LiveType::SOLO:
        case LiveType::AUTO:
        case LiveType::CHALLENGE:
        case LiveType::CHALLENGE_AUTO:
            // A challenge live scores as a solo (or auto) one.
            if (t.skill_order_choose_strategy == SkillOrderChooseStrategy::AVERAGE) {
                // Five activations at the mean, then the leader's encore.
                multiplier = ceil_div(t.skill_first5_e6 * s, 500) + t.base_score_e6 +
                             ceil_div(t.skill_last_e6 * lead, 100);
                break;
            }
            [[fallthrough]];
        default:
            if (t.paired_skill_weights) {
                // Activations paired with the weights, the largest value with
                // the largest weight, sum to the most; each grows with its
                // value. The leader's encore is at most its value.
                i64 paired = t.skill_last_e6 * lead;
                for (usize i = 0; i < 5; ++i)
                    paired += t.paired_skill_e6[i] * skills[i];
                if (slots != nullptr && t.slot_places_known)
                    paired = std::min(paired,
                                      slot_places_term(t, *slots, m.first_slot_leads, lead_value));
                multiplier = t.base_score_e6 + ceil_div(paired, 100);
                break;
            }
            // Five activations none above the best skill value, and the
            // leader's encore.
            multiplier =
                t.base_score_e6 + ceil_div(t.skill_first5_e6 * best + t.skill_last_e6 * lead, 100);
            break;
    }
    const i64 room =
        t.teammate_power ? power + 4 * i64{static_cast<i32>(*t.teammate_power)} : 5 * power;
    // Inputs far beyond any game's values would overflow: no bound then.
    i64 product, raw;
    if (__builtin_mul_overflow(power, multiplier, &product)) return INT32_MAX;
    if (m.coupling.on && coupled < INFINITY) {
        const double c =
            coupled_product_bound(m.coupling, m.power_extra, p, skills[0], lead_value, coupled);
        if (c < static_cast<double>(product)) product = static_cast<i64>(c);
    }
    if (m.slot_coupling.on && slots != nullptr && slots->row != SIZE_MAX) {
        const PartialSums& sums = *slots->sums;
        const double c = slot_coupled_product_bound(m.slot_coupling, t, m.power_extra,
                                                    sums.power_sum, sums.slot_skills,
                                                    std::min<usize>(sums.placed, 5), slots->row);
        if (c < static_cast<double>(product)) product = static_cast<i64>(c);
    }
    if (__builtin_mul_overflow(product, i64{4}, &product) ||
        __builtin_add_overflow(room * static_cast<i64>(t.multi_term_e6), product, &raw)) {
        return INT32_MAX;
    }
    // The evaluator's score is a non-negative 32-bit signed value.
    return std::clamp<i64>(ceil_div(raw, 1'000'000), 0, INT32_MAX);
}

u64 pack(u64 high, u64 low) {
    return (high << 32) | low;
}

}  // namespace

u64 general_bound_key(const BoundModel& m, u64 power, const SkillValues& skills, u32 lead,
                      u64 bonus, double coupled, const SlotSkills* slots) {
    const SuffixTables& t = *m.suffix;
    // Power with the honor power, under the cap when there is one.
    u64 p = power + m.power_extra;
    if (t.wl3_power_cap != 0) p = std::min<u64>(p, t.power_cap);
    p = std::min<u64>(p, UINT32_MAX);
    switch (t.target) {
        case Target::MYSEKAI: {
            const double steps = static_cast<double>(p / 45000 + 10);
            return saturating_cast<u32>((static_cast<double>(bonus) + 100.0) * steps * 500.0 /
                                        1000.0);
        }
        case Target::SCORE:
        case Target::BONUS:
            break;
        default:
            return UINT64_MAX;  // no depth-first search ranks by these
    }
    const i64 score = live_score_bound(m, p, skills, lead, coupled, slots);
    if (t.target == Target::BONUS) {
        const u64 doubled = std::min<u64>(2 * bonus, UINT32_MAX);
        return pack(doubled, static_cast<u64>(score));
    }
    if (!m.has_event) return pack(static_cast<u64>(score), static_cast<u64>(score));
    return pack(event_points_bound(t, score, bonus), static_cast<u64>(score));
}

namespace {

// The live formulas of the general one's switch, each a search's for good.
enum class LiveFormula : u8 {
    TEAMMATES_ANY_ORDER,  // multi or cheerful, teammates' score up, no specific order
    TEAMMATES_AT_PLACES,  // the same under a specific order naming the places
    ROOM_LEADER,          // multi or cheerful otherwise
    SOLO_AVERAGE,         // solo-formula lives at the mean order
    SOLO_PAIRED,          // solo-formula lives pairing values with weights
    SOLO_TOP,             // solo-formula lives otherwise
};

// `ceil_div` of a divisor above 0, unsigned where the dividend is not
// negative: the same quotient in fewer steps.
[[gnu::always_inline]] inline i64 ceil_div_fast(i64 num, i64 den) {
    if (num < 0) return num / den;
    return static_cast<i64>((static_cast<u64>(num) + static_cast<u64>(den - 1)) /
                            static_cast<u64>(den));
}

// The multiplier of `live_score_bound`'s switch under formula F, step for
// step.
template <LiveFormula F>
[[gnu::always_inline]] inline i64 picked_multiplier(const BoundModel& m, const SuffixTables& t,
                                                    const SkillValues& skills, u32 lead_value,
                                                    const SlotSkills* slots) {
    const i64 lead = lead_value;
    const auto sum = [&] { return i64{skills[0]} + skills[1] + skills[2] + skills[3] + skills[4]; };
    if constexpr (F == LiveFormula::TEAMMATES_ANY_ORDER) {
        const i64 leader5 = 4 * lead + sum(), teammate5 = t.teammate_score_up_x5;
        const i64 skill = t.skill_top_e6 * std::max(leader5, teammate5) +
                          t.skill_rest_e6 * teammate5 + t.skill_last_e6 * leader5;
        return t.base_score_e6 + ceil_div_fast(skill, 500);
    } else if constexpr (F == LiveFormula::TEAMMATES_AT_PLACES) {
        const i64 leader5 = 4 * lead + sum();
        const i64 skill = (t.room_leader_places_e6 + t.skill_last_e6) * leader5 +
                          t.teammate_places_e6 * t.teammate_score_up_x5;
        return t.base_score_e6 + ceil_div_fast(skill, 500);
    } else if constexpr (F == LiveFormula::ROOM_LEADER) {
        return t.base_score_e6 +
               t.skill_sum_e6 * std::max(t.teammate_score_up_x5, 4 * lead + sum());
    } else if constexpr (F == LiveFormula::SOLO_AVERAGE) {
        return ceil_div_fast(t.skill_first5_e6 * sum(), 500) + t.base_score_e6 +
               ceil_div_fast(t.skill_last_e6 * lead, 100);
    } else if constexpr (F == LiveFormula::SOLO_PAIRED) {
        i64 paired = t.skill_last_e6 * lead;
        for (usize i = 0; i < 5; ++i)
            paired += t.paired_skill_e6[i] * skills[i];
        if (slots != nullptr && t.slot_places_known)
            paired = std::min(paired, slot_places_term(t, *slots, m.first_slot_leads, lead_value));
        return t.base_score_e6 + ceil_div_fast(paired, 100);
    } else {
        const i64 best = skills[0];
        return t.base_score_e6 +
               ceil_div_fast(t.skill_first5_e6 * best + t.skill_last_e6 * lead, 100);
    }
}

// `general_bound_key` for a search whose target ranks by the live score
// (or by the bonus, then the live score), whose live type scores in range
// under formula F, with a room term or none: the same steps without the
// switches the search fixed.
template <bool BonusTarget, bool RoomTerm, LiveFormula F>
u64 picked_key(const BoundModel& m, u64 power, const SkillValues& skills, u32 lead_value, u64 bonus,
               double coupled, const SlotSkills* slots) {
    const SuffixTables& t = *m.suffix;
    VDZ_ASSERT(lead_value <= skills[0]);
    const u64 p = std::min<u64>(power + m.power_extra, m.power_limit);
    const i64 pw = static_cast<i64>(p);  // below 2^32
    const i64 multiplier = picked_multiplier<F>(m, t, skills, lead_value, slots);
    i64 score = INT32_MAX, product, raw;
    if (!__builtin_mul_overflow(pw, multiplier, &product)) {
        if (m.coupling.on && coupled < INFINITY) {
            // The rounded-up bound is at least the square: where that is not
            // below the product, neither is the bound, which then leaves
            // the product as it is.
            const double square = coupled_square(m.coupling, m.coupled_power_extra, p, skills[0],
                                                 lead_value, coupled);
            if (square < static_cast<double>(product)) {
                const double c = coupled_rounded_up(square);
                if (c < static_cast<double>(product)) product = static_cast<i64>(c);
            }
        }
        if (m.slot_coupling.on && slots != nullptr && slots->row != SIZE_MAX) {
            const PartialSums& sums = *slots->sums;
            const double c = slot_coupled_product_bound(
                m.slot_coupling, t, m.power_extra, sums.power_sum, sums.slot_skills,
                std::min<usize>(sums.placed, 5), slots->row);
            if (c < static_cast<double>(product)) product = static_cast<i64>(c);
        }
        // Lives of no room term (all but multi and cheerful ones) add 0.
        i64 room_term = 0;
        if constexpr (RoomTerm)
            room_term =
                (m.room_power_factor * pw + m.room_teammates) * static_cast<i64>(t.multi_term_e6);
        if (!__builtin_mul_overflow(product, i64{4}, &product) &&
            !__builtin_add_overflow(room_term, product, &raw)) {
            score = std::clamp<i64>(ceil_div_fast(raw, 1'000'000), 0, INT32_MAX);
        }
    }
    u64 key;
    if constexpr (BonusTarget) {
        key = pack(std::min<u64>(2 * bonus, UINT32_MAX), static_cast<u64>(score));
    } else {
        key = m.has_event ? pack(event_points_bound(t, score, bonus), static_cast<u64>(score))
                          : pack(static_cast<u64>(score), static_cast<u64>(score));
    }
    VDZ_ASSERT(key == general_bound_key(m, power, skills, lead_value, bonus, coupled, slots));
    return key;
}

template <bool BonusTarget, bool RoomTerm>
BoundModel::KeyFormula picked_formula(LiveFormula f) {
    switch (f) {
        case LiveFormula::TEAMMATES_ANY_ORDER:
            return picked_key<BonusTarget, RoomTerm, LiveFormula::TEAMMATES_ANY_ORDER>;
        case LiveFormula::TEAMMATES_AT_PLACES:
            return picked_key<BonusTarget, RoomTerm, LiveFormula::TEAMMATES_AT_PLACES>;
        case LiveFormula::ROOM_LEADER:
            return picked_key<BonusTarget, RoomTerm, LiveFormula::ROOM_LEADER>;
        case LiveFormula::SOLO_AVERAGE:
            return picked_key<BonusTarget, RoomTerm, LiveFormula::SOLO_AVERAGE>;
        case LiveFormula::SOLO_PAIRED:
            return picked_key<BonusTarget, RoomTerm, LiveFormula::SOLO_PAIRED>;
        case LiveFormula::SOLO_TOP:
            break;
    }
    return picked_key<BonusTarget, RoomTerm, LiveFormula::SOLO_TOP>;
}

}  // namespace

BoundModel::KeyFormula pick_key_formula(const BoundModel& m) {
    const SuffixTables& t = *m.suffix;
    // The general formula's switches in its order: the target, then the
    // live type, the teammates' score up and the order strategy.
    if (t.target != Target::SCORE && t.target != Target::BONUS) return general_bound_key;
    if (t.effective_live_type == LiveType::MYSEKAI || !t.live_score_in_range)
        return general_bound_key;
    LiveFormula f = t.paired_skill_weights ? LiveFormula::SOLO_PAIRED : LiveFormula::SOLO_TOP;
    switch (t.effective_live_type) {
        case LiveType::MULTI:
        case LiveType::CHEERFUL:
            if (t.teammate_score_up_x5 > 0 &&
                t.skill_order_choose_strategy != SkillOrderChooseStrategy::SPECIFIC) {
                f = LiveFormula::TEAMMATES_ANY_ORDER;
            } else if (t.teammate_score_up_x5 > 0 && t.room_places_known) {
                f = LiveFormula::TEAMMATES_AT_PLACES;
            } else {
                f = LiveFormula::ROOM_LEADER;
            }
            break;
        case LiveType::SOLO:
        case LiveType::AUTO:
        case LiveType::CHALLENGE:
        case LiveType::CHALLENGE_AUTO:
            if (t.skill_order_choose_strategy == SkillOrderChooseStrategy::AVERAGE)
                f = LiveFormula::SOLO_AVERAGE;
            break;
        default:
            break;
    }
    const bool room = t.multi_term_e6 != 0;
    if (t.target == Target::BONUS)
        return room ? picked_formula<true, true>(f) : picked_formula<true, false>(f);
    return room ? picked_formula<false, true>(f) : picked_formula<false, false>(f);
}

}  // namespace vdz
