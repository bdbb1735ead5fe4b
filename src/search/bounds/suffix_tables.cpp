// One forward pass for the whole-pool maxima and rankings, one backward pass
// for the per-position rows (running per-character maxima, then their five
// largest), one pass per unit pattern when the score target has no event,
// then the fixed-point coefficients of the live score.
#include "search/bounds/suffix_tables.h"

#include <algorithm>
#include <cmath>

#include "common/check.h"
#include "common/numeric.h"

namespace vdz {
namespace {

using SlotValues = std::array<u32, CHARACTER_SLOT_COUNT>;

// [0, t1, t1+t2, ..] over the five largest of the 27 slot values.
SuffixRow top_five_row(const SlotValues& values) {
    SlotValues sorted = values;
    std::partial_sort(sorted.begin(), sorted.begin() + 5, sorted.end(), std::greater<u32>());
    SuffixRow row{};
    for (usize k = 1; k <= 5; ++k)
        row[k] = row[k - 1] + sorted[k - 1];
    return row;
}

// Slots 0..26 by key descending; equal keys keep ascending slot order.
template <class Key>
std::array<u8, CHARACTER_SLOT_COUNT> sort_characters_by_key(
    const std::array<Key, CHARACTER_SLOT_COUNT>& key) {
    std::array<u8, CHARACTER_SLOT_COUNT> order;
    for (usize c = 0; c < CHARACTER_SLOT_COUNT; ++c)
        order[c] = static_cast<u8>(c);
    std::stable_sort(order.begin(), order.end(), [&](u8 a, u8 b) { return key[a] > key[b]; });
    return order;
}

u8 character_slot(const CardPool& pool, u16 card) {
    const u8 c = pool.character_id(card);
    VDZ_ASSERT(c < CHARACTER_SLOT_COUNT);
    return std::min<u8>(c, CHARACTER_SLOT_COUNT - 1);
}

}  // namespace

u32 pattern_power(const CardPool& pool, u16 card, u32 p, u32 m) {
    const u8 units = pool.unit_mask(card);
    const u32 high = pool.unit_values_high(card);
    u32 best = 0;
    for (u32 u = 0; u < 6; ++u) {
        if (!(units & (1u << u))) continue;
        const usize v = 4 * ((high >> (16 + u)) & 1u) + m;
        best = std::max(best, pool.unit_value(card, v));
        // A unit all placed cards share may or may not end up filling the
        // deck: both variants are possible.
        if ((p >> u) & 1u) best = std::max(best, pool.unit_value(card, v + 2));
    }
    return best;
}

std::array<double, 5> activation_weights(const SearchContext& context,
                                         const std::array<double, 6>& w) {
    std::array<double, 5> out = {w[0], w[1], w[2], w[3], w[4]};
    if (context.skill_order_choose_strategy != SkillOrderChooseStrategy::SPECIFIC ||
        !context.specific_skill_order) {
        return out;
    }
    out.fill(0.0);
    for (usize i = 0; i < 5; ++i)
        out[std::min<u64>((*context.specific_skill_order)[i], 4)] += w[i];
    return out;
}

namespace {

i64 ceil_e6(double x) {
    return saturating_cast<i64>(std::ceil(x * 1'000'000.0));
}

double live_type_base_score(const SearchContext& context) {
    const auto& base = context.music_base_scores;
    switch (context.live_type) {
        case LiveType::AUTO:
        case LiveType::CHALLENGE_AUTO:
            return base[1];
        case LiveType::MULTI:
        case LiveType::CHEERFUL:
            return base[0] + 0.5 * base[2];
        default:
            return base[0];
    }
}

const std::array<double, 6>& skill_weights(const SearchContext& context) {
    switch (context.live_type) {
        case LiveType::MULTI:
        case LiveType::CHEERFUL:
            return context.music_skill_scores[1];
        case LiveType::AUTO:
        case LiveType::CHALLENGE_AUTO:
            return context.music_skill_scores[2];
        default:
            return context.music_skill_scores[0];
    }
}

// The slot weights of a specific order from its place weights `places`
// and the encore weight `encore` (see `SuffixTables::slot_places_known`).
void fill_slot_places(SuffixTables& t, const std::array<double, 5>& places, double encore) {
    t.slot_places_known = true;
    for (usize l = 0; l < 5; ++l) {
        std::array<i64, 5>& weight = t.slot_weight_e6[l];
        for (usize s = 0; s < 5; ++s)
            weight[s] = ceil_e6(places[s]);
        weight[l] = ceil_e6(places[0] + encore);
        if (l != 0) weight[0] = ceil_e6(places[l]);
        for (usize d = 0; d < 5; ++d) {
            std::array<i64, 5>& free = t.free_slot_weights_e6[d][l];
            usize n = 0;
            for (usize s = d; s < 5; ++s)
                if (s != l) free[n++] = weight[s];
            std::sort(free.begin(), free.begin() + n, std::greater<i64>());
        }
    }
}

void fill_parameters(SuffixTables& t, const SearchContext& context) {
    // The bounds read the weights' sizes. A resolved skill value is never
    // negative, so a negative weight only lowers the evaluator's sum below
    // what its size adds; the one activation that may be negative, a
    // teammate's score up, is read by its size too. A song's weights are
    // positive, and then these are its weights.
    std::array<double, 6> w = skill_weights(context);
    for (double& x : w)
        x = std::abs(x);
    double first5 = 0.0;
    for (usize i = 0; i < 5; ++i)
        first5 += w[i];
    t.base_score_e6 = ceil_e6(live_type_base_score(context));
    t.skill_sum_e6 = ceil_e6((first5 + w[5]) / 500.0);
    t.skill_first5_e6 = ceil_e6(first5);
    t.skill_last_e6 = ceil_e6(w[5]);
    const double top = *std::max_element(w.begin(), w.begin() + 5);
    t.skill_top_e6 = ceil_e6(top);
    t.skill_rest_e6 = ceil_e6(first5 - top + 1e-6);
    const bool solo_formula = context.live_type != LiveType::MULTI &&
                              context.live_type != LiveType::CHEERFUL &&
                              context.live_type != LiveType::MYSEKAI;
    const auto strategy = context.skill_order_choose_strategy;
    if (solo_formula && strategy != SkillOrderChooseStrategy::AVERAGE &&
        std::none_of(w.begin(), w.end(), [](double x) { return std::isnan(x); })) {
        std::array<double, 5> five = activation_weights(context, w);
        if (context.final_chapter && strategy == SkillOrderChooseStrategy::SPECIFIC &&
            context.specific_skill_order) {
            std::array<double, 4> others = {five[1], five[2], five[3], five[4]};
            std::sort(others.begin(), others.end(), std::greater<double>());
            t.leader_place_known = true;
            t.leader_place_e6 = ceil_e6(five[0]);
            for (usize i = 0; i < 4; ++i)
                t.other_places_e6[i] = ceil_e6(others[i]);
        }
        // Challenge lives' searches may form a deck in another order.
        if (!context.final_chapter && context.dominance_pruning &&
            strategy == SkillOrderChooseStrategy::SPECIFIC && context.specific_skill_order) {
            fill_slot_places(t, five, w[5]);
        }
        std::sort(five.begin(), five.end(), std::greater<double>());
        if (strategy == SkillOrderChooseStrategy::WORST) std::reverse(five.begin(), five.end());
        for (usize i = 0; i < 5; ++i)
            t.paired_skill_e6[i] = ceil_e6(five[i]);
        t.paired_skill_weights = true;
    }
    t.teammate_score_up_x5 = 5 * std::abs(i64{context.multi_live_teammate_score_up.value_or(0)});
    if (!solo_formula && strategy == SkillOrderChooseStrategy::SPECIFIC &&
        context.multi_live_teammate_score_up) {
        // Activation 0 is the room leader's, the other four the teammates'.
        const std::array<double, 5> five = activation_weights(context, w);
        t.room_places_known = true;
        t.room_leader_places_e6 = ceil_e6(five[0]);
        t.teammate_places_e6 = ceil_e6(five[1] + five[2] + five[3] + five[4]);
    }
    const auto small = [](double x) { return x >= -1e4 && x <= 1e4; };
    t.live_score_in_range = small(live_type_base_score(context)) &&
                            std::all_of(w.begin(), w.end(), small) &&
                            std::abs(t.teammate_score_up_x5) <= 5'000'000;
    const bool multi =
        context.live_type == LiveType::MULTI || context.live_type == LiveType::CHEERFUL;
    t.multi_term_e6 = multi ? 75'000 : 0;
    t.effective_live_type = context.live_type == LiveType::MULTI && context.event_kind == 1
                                ? LiveType::CHEERFUL
                                : context.live_type;
    if (t.effective_live_type == LiveType::CHEERFUL) {
        const i32 life = static_cast<i32>(context.life);
        t.cheerful_factor = static_cast<u32>(5750 + std::clamp(life, 500, 1000));
    }
    t.has_event = context.event_kind != NO_EVENT_KIND;
    t.teammate_power = context.multi_live_teammate_power;
    t.wl3_power_cap = context.wl3_power_cap;
    t.power_cap = context.power_cap;
    t.limited_bonus_count = context.limited_bonus_count;
    t.music_event_rate = context.music_event_rate;
    t.boost_rate = context.boost_rate;
    t.other_score = context.other_score;
    t.bonus_bound = context.bonus_bound;
    t.distinct_attr_bonus = context.distinct_attr_bonus;
    VDZ_ASSERT(context.honor_power >= 0);
    t.honor_power = static_cast<u32>(context.honor_power);
    t.world_bloom = context.world_bloom;
    t.final_chapter = context.final_chapter;
    t.skill_order_choose_strategy = context.skill_order_choose_strategy;
    t.target = context.target;
    t.support_list = context.world_bloom_support.general.entries;
    t.support_count = context.world_bloom_support.general.count;
}

}  // namespace

SuffixTables build_suffix_tables(const CardPool& pool, const SearchContext& context) {
    SuffixTables t;
    const usize n = pool.count();
    const bool split_bonus = context.final_chapter;

    // 1. Whole-pool maxima per character slot.
    SlotValues max_power{};
    SlotValues max_plain_power{};
    std::array<u16, CHARACTER_SLOT_COUNT> max_skill{};
    std::array<u16, CHARACTER_SLOT_COUNT> max_bonus{};
    for (u16 i = 0; i < n; ++i) {
        const u8 c = character_slot(pool, i);
        max_power[c] = std::max(max_power[c], pool.power(i));
        max_plain_power[c] = std::max(max_plain_power[c], pattern_power(pool, i, 0, 0));
        max_skill[c] = std::max<u16>(max_skill[c], pool.skill_value(i));
        max_bonus[c] = std::max<u16>(
            max_bonus[c], static_cast<u16>(ceil_percent(pool.event_bonus(i).total_x10())));
    }

    // 2. Rankings.
    t.power_order = sort_characters_by_key(max_power);
    t.skill_order = sort_characters_by_key(max_skill);
    t.bonus_order = sort_characters_by_key(max_bonus);
    t.plain_power_order = sort_characters_by_key(max_plain_power);
    for (usize j = 0; j < CHARACTER_SLOT_COUNT; ++j) {
        t.power_by_rank[j] = max_power[t.power_order[j]];
        t.plain_power_by_rank[j] = max_plain_power[t.plain_power_order[j]];
        t.skill_by_rank[j] = max_skill[t.skill_order[j]];
        t.bonus_by_rank[j] = max_bonus[t.bonus_order[j]];
    }

    // 3. Suffix rows, from the last position back.
    t.bonus_total_sums.assign(n + 1, SuffixRow{});
    t.bonus_base_sums.assign(n + 1, SuffixRow{});
    t.bonus_limited_sums.assign(n + 1, SuffixRow{});
    t.power_sums.assign(n + 1, SuffixRow{});
    t.plain_power_sums.assign(n + 1, SuffixRow{});
    t.skill_sums.assign(n + 1, SuffixRow{});
    t.max_skill_from.assign(n + 1, 0);
    SlotValues s_total{}, s_base{}, s_limited{}, s_power{}, s_plain{}, s_skill{};
    std::array<SlotValues, 6> s_unit{};
    std::array<SlotValues, 8> s_same{};
    for (auto& rows : t.unit_power_sums)
        rows.assign(n + 1, SuffixRow{});
    for (auto& rows : t.same_attr_power_sums)
        rows.assign(n + 1, SuffixRow{});
    u16 m = 0;
    for (usize i = n; i-- > 0;) {
        const u16 card = static_cast<u16>(i);
        const u8 c = character_slot(pool, card);
        const u16 total_x10 = pool.event_bonus(card).total_x10();
        s_total[c] = std::max(s_total[c], ceil_percent(total_x10));
        if (split_bonus) {
            const u16 limited_x10 = pool.limited_x10(card);
            VDZ_ASSERT(u32{limited_x10} <= total_x10);
            const u16 base_x10 = static_cast<u16>(total_x10 - limited_x10);
            s_base[c] = std::max(s_base[c], ceil_percent(base_x10));
            s_limited[c] = std::max(s_limited[c], ceil_percent(limited_x10));
        } else {
            s_base[c] = std::max(s_base[c], ceil_percent(total_x10));
        }
        s_power[c] = std::max(s_power[c], pool.power(card));
        s_plain[c] = std::max(s_plain[c], pattern_power(pool, card, 0, 0));
        s_skill[c] = std::max<u32>(s_skill[c], pool.skill_value(card));
        m = std::max<u16>(m, pool.skill_value(card));
        t.bonus_total_sums[i] = top_five_row(s_total);
        t.bonus_base_sums[i] = top_five_row(s_base);
        t.bonus_limited_sums[i] = top_five_row(s_limited);
        t.power_sums[i] = top_five_row(s_power);
        t.plain_power_sums[i] = top_five_row(s_plain);
        t.skill_sums[i] = top_five_row(s_skill);
        t.max_skill_from[i] = m;
        // A card changes only the rows of its own units and attribute.
        for (usize u = 0; u < 6; ++u) {
            if ((pool.unit_mask(card) >> u) & 1) {
                s_unit[u][c] = std::max(s_unit[u][c], pool.power(card));
                t.unit_power_sums[u][i] = top_five_row(s_unit[u]);
            } else {
                t.unit_power_sums[u][i] = t.unit_power_sums[u][i + 1];
            }
        }
        const u8 attr = pool.attr(card) & 7u;
        for (usize a = 0; a < 8; ++a) {
            if (a == attr) {
                s_same[a][c] = std::max(s_same[a][c], pattern_power(pool, card, 0, 1));
                t.same_attr_power_sums[a][i] = top_five_row(s_same[a]);
            } else {
                t.same_attr_power_sums[a][i] = t.same_attr_power_sums[a][i + 1];
            }
        }
    }

    // 4. Best power per unit pattern and attribute case.
    if (context.target == Target::SCORE && context.event_kind == NO_EVENT_KIND) {
        t.power_by_unit_pattern.assign(UNIT_PATTERN_ROWS, SlotValues{});
        for (u16 i = 0; i < n; ++i) {
            const u8 c = character_slot(pool, i);
            const u8 a = pool.attr(i);
            for (u32 p = 0; p < 64; ++p) {
                if (a < 6) {
                    u32& same = t.power_by_unit_pattern[7 * p + a][c];
                    same = std::max(same, pattern_power(pool, i, p, 1));
                }
                u32& mixed = t.power_by_unit_pattern[7 * p + 6][c];
                mixed = std::max(mixed, pattern_power(pool, i, p, 0));
            }
        }
        t.unit_pattern_order.resize(UNIT_PATTERN_ROWS);
        t.unit_pattern_by_rank.resize(UNIT_PATTERN_ROWS);
        for (usize r = 0; r < UNIT_PATTERN_ROWS; ++r) {
            t.unit_pattern_order[r] = sort_characters_by_key(t.power_by_unit_pattern[r]);
            for (usize j = 0; j < CHARACTER_SLOT_COUNT; ++j)
                t.unit_pattern_by_rank[r][j] =
                    t.power_by_unit_pattern[r][t.unit_pattern_order[r][j]];
        }
    }

    // 5. Parameters.
    fill_parameters(t, context);
    return t;
}

}  // namespace vdz
