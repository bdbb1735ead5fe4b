// The bound key of a challenge-live deck from sums of its cards: the
// coefficients the bounded search reads, taken once per request, and the
// live score, event points or bonus key no deck with those sums can pass.
// Why each term holds is said at the head of the bounded search.
#include "search/kernels/challenge_key_bound.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "common/numeric.h"
#include "common/sort_network.h"
#include "search/evaluation/deck_evaluator.h"

namespace vdz::challenge_key {
namespace {

// Slots of the memo of specific-order skill parts.
constexpr usize PLACED_SKILLS_MEMO_SLOTS = 4096;

i64 ceil_e6(double x) {
    return saturating_cast<i64>(std::ceil(x * 1'000'000.0));
}

void set_skill_weights(BoundModel& m, const SearchContext& context) {
    const bool automatic =
        context.live_type == LiveType::AUTO || context.live_type == LiveType::CHALLENGE_AUTO;
    // Each weight's size: skill values are never negative, so a negative
    // weight only lowers the sum below what its size adds.
    std::array<double, 6> w = context.music_skill_scores[automatic ? 2 : 0];
    if (std::any_of(w.begin(), w.end(), [](double x) { return std::isnan(x); })) return;
    const auto strategy = context.skill_order_choose_strategy;
    // The average order plays the mean at every weight, which the sizes only
    // raise; the worst order pairs by the signed weights, so its bound below
    // holds where none is negative. Out of range, the sums of the weights
    // could overflow.
    m.best_order = strategy == SkillOrderChooseStrategy::BEST;
    m.average_order = strategy == SkillOrderChooseStrategy::AVERAGE;
    const bool nonnegative =
        std::all_of(w.begin(), w.begin() + 5, [](double x) { return x >= 0.0; });
    m.spread_order =
        m.live_score_in_range &&
        (m.average_order || (strategy == SkillOrderChooseStrategy::WORST && nonnegative));
    for (double& x : w)
        x = std::abs(x);
    std::array<double, 5> first = activation_weights(context, w);
    if (context.skill_order_choose_strategy == SkillOrderChooseStrategy::SPECIFIC &&
        context.specific_skill_order) {
        m.leader_place = true;
        m.leader_place_e6 = ceil_e6(first[0] / 100.0);
        for (usize i = 0; i < 5; ++i)
            m.place_e6[i] = ceil_e6(first[i] / 100.0);
        std::array<double, 4> others = {first[1], first[2], first[3], first[4]};
        std::sort(others.begin(), others.end(), std::greater<>());
        for (usize i = 0; i < 4; ++i)
            m.place_weights_e6[i] = ceil_e6(others[i] / 100.0);
    }
    std::sort(first.begin(), first.end(), std::greater<>());
    for (usize i = 0; i < 5; ++i) {
        m.weights_e6[i] = ceil_e6(first[i] / 100.0);
        m.ascending_e6[4 - i] = m.weights_e6[i];
        if (m.spread_order) m.weight_sum_e6 += m.weights_e6[i];
    }
    m.leader_weight_e6 = ceil_e6(w[5] / 100.0);
    m.paired_skills = true;
}

// Under a specific order, the skill part of the multiplier (times
// 1,000,000) of four non-leading values summing to `rest` at most, none
// above `cap`: the largest on the highest place weight in turn.
i64 other_places_e6(const BoundModel& m, i64 rest, i64 cap) {
    i64 total = 0;
    for (const i64 w : m.place_weights_e6) {
        const i64 take = std::clamp<i64>(rest, 0, cap);
        total += w * take;
        rest -= take;
    }
    return total;
}

// Under a specific order, the skill part of the multiplier of five values
// summing to `sum` at most, none above `best`, where the leader's value L
// meets its own weight and place 0's and the others places 1 to 4 (the
// leader takes place 0, the others keep their slots' places, whichever they
// are). L is only known to lie below a bound, so the largest over that whole
// range is taken; that also keeps the result growing with `sum`, `best` and
// `lead`, as a bound read at a choice that matches or beats a deck in every
// field must. Both forms below are piecewise linear in L, so their largest
// value over an interval lies at its ends or at a point where the filling of
// the places changes; each is taken at all of these.
//   - Slot 0 leads, its value at most `lead`: the others are at most `best`
//     and sum to at most `sum` - L.
//   - The largest value leads: L is at most `best`, the others at most L and
//     summing to at most `sum` - L; the filling changes where `sum` is a
//     whole multiple q of L, where the leader and q - 1 others take L each.
i64 placed_skills_e6(const BoundModel& m, u32 sum, u8 best, u8 lead) {
    const i64 leader = m.leader_weight_e6 + m.leader_place_e6;
    i64 top = 0;
    if (m.first_slot_leads) {
        const auto at = [&](i64 l) {
            l = std::clamp<i64>(l, 0, lead);
            top = std::max(top, leader * l + other_places_e6(m, i64{sum} - l, best));
        };
        at(0);
        at(lead);
        for (i64 k = 0; k <= 4; ++k)
            at(i64{sum} - k * best);
        return top;
    }
    top = leader * best + other_places_e6(m, i64{sum} - best, best);
    i64 coefficient = leader;  // the leader's weights and those of q - 1 places
    for (i64 q = 1; q <= 5; ++q) {
        if (i64{sum} <= q * best) {
            // L = sum / q, rounded up in the product.
            top = std::max(top, (i64{sum} * coefficient + q - 1) / q);
        }
        if (q <= 4) coefficient += m.place_weights_e6[static_cast<usize>(q - 1)];
    }
    return top;
}

// `placed_skills_e6`, read from the model's memo where it holds the inputs.
i64 memoized_placed_skills_e6(const BoundModel& m, u32 sum, u8 best, u8 lead) {
    std::vector<std::pair<u32, i64>>& memo = m.placed_skills_memo;
    // Sums of five skill bytes fit 11 bits; the key never reaches the
    // empty slots' mark.
    if (memo.empty() || sum >= (1u << 11)) return placed_skills_e6(m, sum, best, lead);
    const u32 key = sum | (u32{best} << 11) | (u32{lead} << 19);
    auto& [held, value] = memo[((key * 2654435761u) >> 16) % memo.size()];
    if (held != key) {
        held = key;
        value = placed_skills_e6(m, sum, best, lead);
    }
    return value;
}

// Under the worst or average order, the skill part of the multiplier (times
// 1,000,000, the leader's own weight aside) of five values summing to `sum`
// at most: the average order plays their mean at every weight, and the worst
// order pairs the largest value with the lowest weight in turn, which sums to
// no more than the mean at every weight (Chebyshev's sum inequality for two
// lists ordered opposite ways). Rounded up.
i64 spread_skills_e6(const BoundModel& m, u32 sum) {
    return (m.weight_sum_e6 * i64{sum} + 4) / 5;
}

// The live-score multiplier, times 1,000,000, of five skill values summing
// to `sum` at most, none above `best`, the leader's at most `lead`. Under a
// specific order the place-bound form holds too, and the smaller is taken.
i64 skill_multiplier_e6(const BoundModel& m, u32 sum, u8 best, u8 lead) {
    if (!m.paired_skills) return m.skill_base + m.skill_rate * 5 * i64{best};
    i64 total = m.skill_base + m.leader_weight_e6 * lead;
    i64 rest = sum;
    for (usize i = 0; i < 5 && rest > 0; ++i) {
        const i64 take = std::min<i64>(rest, best);
        total += m.weights_e6[i] * take;
        rest -= take;
    }
    if (m.leader_place)
        total = std::min(total, m.skill_base + memoized_placed_skills_e6(m, sum, best, lead));
    if (m.spread_order)
        total =
            std::min(total, m.skill_base + m.leader_weight_e6 * lead + spread_skills_e6(m, sum));
    return total;
}

}  // namespace

BoundModel bound_model(const SearchContext& context, const SuffixTables& suffix) {
    BoundModel m;
    m.target = suffix.target;
    m.event_points_ranked = suffix.has_event;
    m.power_extra = suffix.honor_power;
    if (suffix.wl3_power_cap != 0) m.power_cap = suffix.power_cap;
    m.skill_base = suffix.base_score_e6;
    m.skill_rate = suffix.skill_sum_e6;
    m.live_score_in_range = suffix.live_score_in_range;
    m.first_slot_leads = first_slot_leads(context);
    set_skill_weights(m, context);
    if (m.leader_place) m.placed_skills_memo.assign(PLACED_SKILLS_MEMO_SLOTS, {UINT32_MAX, 0});
    return m;
}

// Under a specific order, the multiplier of a deck whose slots' values are
// at most `values`, slot by slot. Where the first slot leads, it plays at
// place 0 and its encore, and the other four take places 1 to 4 in an order
// of their own (by card id); the largest of them paired with the highest
// of those places' weights in turn sums to at least any pairing. Where the
// largest value leads, the leader, in slot l, plays at place 0 and its
// encore, slot 0 at place l, and every other slot at its own place.
// Whichever slot leads, the deck's term is at most the term of that choice
// at these values (no weight is negative), so the largest over the five
// choices bounds it. Under the other orders, see below. Out of range, the
// products could overflow, and the live score bound gives up anyway.
i64 slot_places_multiplier_e6(const BoundModel& m, const std::array<u8, 5>& values) {
    if (!m.live_score_in_range) return INT64_MAX;
    if (m.best_order) {
        // The leader's value is slot 0's or the largest; the five meet the
        // weights' sizes largest with highest, which no pairing passes, and
        // that largest pairing grows with each value.
        std::array<u8, 5> sorted = values;
        sort_by_network<true>(sorted);
        i64 total = m.leader_weight_e6 * (m.first_slot_leads ? values[0] : sorted[0]);
        for (usize i = 0; i < 5; ++i)
            total += m.weights_e6[i] * sorted[i];
        return m.skill_base + total;
    }
    if (m.spread_order) {
        // The leader's value is slot 0's or the largest; the five meet the
        // weights as `spread_skills_e6` says, the worst order's pairing
        // taken at the values themselves: it is the least over every pairing
        // (no weight is negative there), so it grows with each value.
        std::array<u8, 5> sorted = values;
        sort_by_network<true>(sorted);
        const u8 leader = m.first_slot_leads ? values[0] : sorted[0];
        i64 total = m.leader_weight_e6 * leader;
        if (m.average_order) {
            total +=
                spread_skills_e6(m, u32{sorted[0]} + sorted[1] + sorted[2] + sorted[3] + sorted[4]);
        } else {
            for (usize i = 0; i < 5; ++i)
                total += m.ascending_e6[i] * sorted[i];
        }
        return m.skill_base + total;
    }
    if (!m.leader_place) return INT64_MAX;
    if (m.first_slot_leads) {
        std::array<u8, 4> others = {values[1], values[2], values[3], values[4]};
        sort_by_network<true>(others);
        i64 total = (m.leader_weight_e6 + m.leader_place_e6) * values[0];
        for (usize j = 0; j < 4; ++j)
            total += m.place_weights_e6[j] * others[j];
        return m.skill_base + total;
    }
    i64 all = 0;
    for (usize k = 0; k < 5; ++k)
        all += m.place_e6[k] * values[k];
    i64 top = 0;
    for (usize l = 0; l < 5; ++l) {
        // Slots 0 and l trade places 0 and l.
        const i64 moved = (m.place_e6[l] - m.place_e6[0]) * (i64{values[0]} - values[l]);
        top = std::max(top, all + moved + m.leader_weight_e6 * values[l]);
    }
    return m.skill_base + top;
}

// Under a specific order, the multiplier of a deck whose slots' values are
// at most `values` and whose cards carry the ids `ids` (slot 4's unknown
// where `last_open`). Where the first slot leads, slots 1 to 4 take places
// 1 to 4 by card id, so a deck whose ids are all known meets its own places,
// and a last card of unknown id falls before the first, second or third
// placed one or after all three: the largest over those four orders bounds
// it. Elsewhere the slot-by-slot bound above.
i64 id_places_multiplier_e6(const BoundModel& m, const std::array<u8, 5>& values,
                            const std::array<u16, 5>& ids, bool last_open) {
    if (!m.leader_place || !m.first_slot_leads) return slot_places_multiplier_e6(m, values);
    // The placed non-leading slots in card id order.
    std::array<usize, 4> by_id = {1, 2, 3, 4};
    const usize placed = last_open ? 3 : 4;
    std::sort(by_id.begin(), by_id.begin() + static_cast<std::ptrdiff_t>(placed),
              [&](usize a, usize b) { return ids[a] < ids[b]; });
    const i64 leader = (m.leader_weight_e6 + m.leader_place_e6) * values[0];
    i64 top = 0;
    const usize orders = last_open ? 4 : 1;
    for (usize q = 0; q < orders; ++q) {
        // An open last card at place 1 + q, the others in id order around it.
        i64 total = leader;
        usize next = 0;
        for (usize place = 1; place <= 4; ++place) {
            const bool last_here = last_open && place == 1 + q;
            const usize slot = last_here ? 4 : by_id[next++];
            total += m.place_e6[place] * values[slot];
        }
        top = std::max(top, total);
    }
    return m.skill_base + top;
}

// The live score of a deck of power `p` at most, with skill sum `skill` and
// largest skill `best` at most, rounded up and saturated rather than
// wrapped: a live score never exceeds i32's range.
// `cap`, when given, is a further bound of the multiplier.
u32 live_score_bound(const BoundModel& m, u32 p, u32 skill, u8 best, u8 lead, i64 cap) {
    // Coefficients far beyond any song's could overflow the multiplier.
    if (!m.live_score_in_range) return INT32_MAX;
    const i64 multiplier = std::min(skill_multiplier_e6(m, skill, best, lead), cap);
    // In 64 bits where they suffice (always, for real powers and weights).
    i64 raw = 0, live_bound = 0;
    if (!__builtin_mul_overflow(4 * i64{p}, multiplier, &raw)) {
        live_bound = raw / 1'000'000 + 1;
    } else {
        const __int128 wide = __int128{4} * p * multiplier;
        live_bound = static_cast<i64>(std::clamp<__int128>(wide / 1'000'000 + 1, 0, INT32_MAX));
    }
    return static_cast<u32>(std::clamp<i64>(live_bound, 0, INT32_MAX));
}

// The bound key of a deck with power sum `power`, skill sum `skill`,
// largest skill `best`, leader's skill `lead` and event bonus `bonus_x10`
// at most.
u64 bound_key(const BoundModel& m, u32 power, u32 skill, u8 best, u8 lead, u64 bonus_bound_x10,
              i64 multiplier_cap) {
    u32 p = power + m.power_extra;
    if (m.power_cap) p = std::min(p, *m.power_cap);
    if (m.target == Target::MYSEKAI) {
        // The margin covers the rounding of the evaluator's own bonus sum.
        const double b = static_cast<double>(bonus_bound_x10) / 10.0 + 0.001;
        const double steps = static_cast<double>(p / 45000 + 10);
        return saturating_cast<u32>((b + 100.0) * steps * 500.0 / 1000.0);
    }
    const u32 live = live_score_bound(m, p, skill, best, lead, multiplier_cap);
    if (m.target == Target::BONUS) {
        // Twice the bonus, rounded: the key's half-percent steps, rounded up.
        const u64 steps = (bonus_bound_x10 + 4) / 5;
        return (std::min<u64>(steps, UINT32_MAX) << 32) | live;
    }
    const u32 high = m.event_points_ranked ? 12000 + 120 * (live / 20000) : live;
    return (u64{high} << 32) | live;
}

}  // namespace vdz::challenge_key
