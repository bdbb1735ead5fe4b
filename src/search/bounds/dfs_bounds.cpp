// Why the bounds hold. A card's power column is its largest in-deck power,
// and its skill value is at least every value its skill resolves to in any
// deck; the live score and the event points grow with the deck power, with
// every resolved skill value and with the event bonus, so evaluating them at
// the largest possible inputs bounds them. Where the first slot leads, the
// leader's resolved value is at most its card's skill value, which bounds
// the terms that read the leader alone. A card's rounded-up bonus is at
// least its share of the deck's bonus, and the World Bloom support and
// attribute bonuses are at most `bonus_extra`. A final-chapter deck is
// valued in its best order, its largest limited parts in the counted places:
// the sums hold the placed cards' bonus in their best order, and a further
// card raises it by at most its own, even where its limited part takes the
// place of a smaller one. Per character, a completion takes at most one
// card, and that card is at most the character's best; the suffix rows hold,
// per position, the sums of the j best per-character maxima over the later
// cards. So the i-th largest skill value of a deck is
// at most the i-th largest of the placed values and those best values
// together, which bounds formulas that pair sorted values with weights. Once
// the placed cards span two attributes and share no unit, no completion can
// share either, so every card of it has its plain power (its largest value
// without the unit and attribute variants): the placed cards' plain powers
// and the best plain powers of the rest bound the deck's power. The
// integer steps use the evaluator's weights rounded up and round every
// division up, so they never fall below its floating-point result.
#include "search/bounds/dfs_bounds.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <type_traits>

#include "common/check.h"
#include "common/numeric.h"
#include "pool/pool_packing.h"
#include "search/bounds/bound_key.h"
#include "search/bounds/character_ranks.h"
#include "search/bounds/least_above.h"
#include "search/evaluation/deck_evaluator.h"

namespace vdz {
namespace {

// The limited places of a final-chapter deck the cards after its leader
// share: the leader's part, when it counts, takes the first.
usize other_limited_places(const SearchContext& context, const PartialSums& sums) {
    const u64 places = context.limited_bonus_count - (sums.leader_limited ? 1 : 0);
    return static_cast<usize>(std::min<u64>(places, 4));
}

// What `columns` further cards can add to the counted limited parts of a
// final-chapter deck holding the cards of `sums`, whose limited parts are
// bounded by `row` (the sums of the j largest per-character values). With
// j of them counted in the best order, the j - free smallest counted ones
// drop out, where `free` places are still open, so the gain is at most
// row[j] minus those; the largest over j bounds every completion. With no
// card placed the leader is among them, and every place is open.
u64 limited_gain(const SearchContext& context, const PartialSums& sums, const SuffixRow& row,
                 usize columns) {
    if (context.limited_bonus_count == 0) return 0;
    if (sums.first_attr == 0xFF) return row[std::min<u64>(columns, context.limited_bonus_count)];
    const usize places = other_limited_places(context, sums);
    usize held = 0;
    while (held < sums.counted_limited.size() && sums.counted_limited[held] != 0)
        ++held;
    const usize free = places > held ? places - held : 0;
    u64 best = 0, dropped = 0;
    for (usize j = 1; j <= std::min(columns, places); ++j) {
        if (j > free) dropped += sums.counted_limited[held - (j - free)];
        if (row[j] > dropped) best = std::max<u64>(best, row[j] - dropped);
    }
    return best;
}

// The bonus of every completion of `sums` whose `columns` further cards come
// from position `row` on, extras included.
u64 later_bonus(const BoundModel& m, const PartialSums& sums, usize row, usize columns,
                u64 bonus_extra) {
    const SuffixTables& t = *m.suffix;
    const u64 bonus = u64{sums.bonus_sum} + bonus_extra;
    if (!m.context->final_chapter) return bonus + t.bonus_total_sums[row][columns];
    return bonus + t.bonus_base_sums[row][columns] +
           limited_gain(*m.context, sums, t.bonus_limited_sums[row], columns);
}

// The placed cards of a partial deck as the composition bound reads them.
struct Composition {
    u32 units = 0x3F;      // units every placed card has
    bool one_attr = true;  // all placed cards share one attribute below 6
    u8 attr = 0;
};

Composition composition_of(const CardPool& pool, const DeckSlots& partial, usize depth) {
    Composition c;
    for (usize s = 0; s < depth; ++s) {
        c.units &= pool.unit_mask(partial[s]);
        const u8 a = pool.attr(partial[s]);
        if (s == 0) c.attr = a;
        c.one_attr = c.one_attr && a == c.attr && a < 6;
    }
    return c;
}

// The largest deck power of any completion, case by case: decks of mixed
// attributes, and decks of one attribute a (every card then carries a's
// attribute bonus). A completion's cards all share the placed cards' common
// units at most, and the unit-pattern rows hold, per character, the best
// power under that pattern and case.
u64 composition_power(const BoundModel& m, u32 used, usize depth, const DeckSlots& partial) {
    const SuffixTables& t = *m.suffix;
    const CardPool& pool = *m.pool;
    const Composition c = composition_of(pool, partial, depth);
    const usize k = 5 - depth;
    const auto case_power = [&](usize a, u32 same_attr) {
        const usize row = 7 * usize{c.units} + a;
        VDZ_ASSERT(row < t.unit_pattern_order.size());
        u64 p = top_unused_sum(t.unit_pattern_order[row], t.unit_pattern_by_rank[row], used, k,
                               required_unused(m.required_characters, used, k));
        for (usize s = 0; s < depth; ++s)
            p += pattern_power(pool, partial[s], c.units, same_attr);
        return p;
    };
    u64 best = case_power(6, 0);
    // With no card placed every attribute is still open.
    if (depth == 0) {
        for (usize a = 0; a < 6; ++a)
            best = std::max(best, case_power(a, 1));
    } else if (c.one_attr) {
        best = std::max(best, case_power(c.attr, 1));
    }
    return best;
}

// The `columns` best per-character skill values from row `row` on: the
// row's sums of them, back to the values.
std::array<u32, 5> row_top_skills(const SuffixTables& t, usize row, usize columns) {
    const SuffixRow& sk = t.skill_sums[row];
    std::array<u32, 5> top{};
    for (usize j = 0; j < columns; ++j)
        top[j] = sk[j + 1] - sk[j];
    return top;
}

}  // namespace

BoundModel make_bound_model(const CardPool& pool, const SearchContext& context,
                            const SuffixTables& suffix, const std::optional<DeckSlots>& reference) {
    BoundModel m;
    m.pool = &pool;
    m.context = &context;
    m.suffix = &suffix;
    m.power_extra = static_cast<u64>(std::max(context.honor_power, 0));
    m.has_event = context.event_kind != NO_EVENT_KIND;
    m.first_slot_leads = first_slot_leads(context);
    m.composition = !suffix.unit_pattern_order.empty();
    m.coupling = make_coupling(pool, suffix, m.power_extra, reference);
    m.coupled_power_extra = coupled_power_extra_term(m.coupling, m.power_extra);
    if (suffix.wl3_power_cap != 0) m.power_limit = std::min<u64>(suffix.power_cap, UINT32_MAX);
    if (suffix.teammate_power) {
        m.room_power_factor = 1;
        m.room_teammates = 4 * i64{static_cast<i32>(*suffix.teammate_power)};
    }
    m.key_formula = pick_key_formula(m);
    m.slot_coupling =
        make_slot_coupling(pool, suffix, m.power_extra, m.first_slot_leads, reference);
    m.required_characters = required_character_mask(pool, context);
    m.fixed_layout = fixed_slot_layout(pool, context);
    std::vector<u16> cards(pool.count());
    for (u16 i = 0; i < pool.count(); ++i)
        cards[i] = i;
    m.ceilings =
        std::make_shared<const SkillCeilings>(pool, context, cards, !context.dominance_pruning);
    for (u16 i = 0; i < pool.count(); ++i) {
        m.power_no_unit.push_back(pattern_power(pool, i, 0, 0));
        m.power_no_unit_same_attr.push_back(pattern_power(pool, i, 0, 1));
    }
    m.power_leaves = std::bit_ceil(std::max<usize>(pool.count(), 1));
    const auto max_tree = [&](std::vector<u32>& tree, const auto& leaf) {
        tree.assign(2 * m.power_leaves, 0);
        for (u16 i = 0; i < pool.count(); ++i)
            tree[m.power_leaves + i] = leaf(i);
        for (usize v = m.power_leaves; v-- > 1;)
            tree[v] = std::max(tree[2 * v], tree[2 * v + 1]);
    };
    max_tree(m.power_tree[0], [&](u16 i) { return pool.power(i); });
    max_tree(m.power_tree[1], [&](u16 i) { return m.power_no_unit[i]; });
    for (u32 u = 0; u < m.unit_power_tree.size(); ++u)
        max_tree(m.unit_power_tree[u],
                 [&](u16 i) { return (pool.unit_mask(i) >> u) & 1 ? pool.power(i) : 0; });
    for (u32 a = 0; a < m.same_attr_power_tree.size(); ++a)
        max_tree(m.same_attr_power_tree[a], [&](u16 i) {
            return (pool.attr(i) & 7u) == a ? m.power_no_unit_same_attr[i] : 0;
        });
    if (!context.world_bloom) return m;
    m.support_mode = true;
    // A deck takes the first entries of its list that are not its own
    // cards; the same number of the largest such entries is never less, so
    // lists sorted best first serve the bounds whatever their given order.
    const auto sorted = [](SupportDeckList list) {
        std::stable_sort(
            list.entries.begin(), list.entries.end(),
            [](const SupportEntry& a, const SupportEntry& b) { return a.value > b.value; });
        return list;
    };
    WorldBloomSupport best_first = context.world_bloom_support;
    best_first.general = sorted(best_first.general);
    for (SupportDeckList& list : best_first.per_character)
        list = sorted(list);
    m.bonus_extra = compute_bonus_bound(best_first, context.distinct_attr_bonus);
    const SupportDeckList& general = best_first.general;
    const auto& own = best_first.per_character;
    for (usize a = 0; a < m.attr_bonus_within.size(); ++a)
        for (usize free = 0; free < m.attr_bonus_within[a].size(); ++free)
            for (usize j = a; j <= std::min<usize>(a + free, 5); ++j)
                m.attr_bonus_within[a][free] =
                    std::max<u32>(m.attr_bonus_within[a][free], context.distinct_attr_bonus[j]);
    m.support_indexes.push_back(make_support_list_index(general));
    for (usize c = 0; c < CHARACTER_SLOT_COUNT; ++c) {
        const bool has_own = context.final_chapter && c < own.size() && own[c].count != 0;
        m.support_lists[c] = has_own ? own[c] : general;
        if (!has_own) continue;
        m.support_index_of[c] = static_cast<u8>(m.support_indexes.size());
        m.support_indexes.push_back(make_support_list_index(own[c]));
    }
    m.support_place.assign(pool.count(), 0xFF);
    for (u16 i = 0; i < pool.count(); ++i) {
        for (usize e = 0; e < std::min<usize>(general.entries.size(), 64); ++e) {
            if (general.entries[e].card_id == pool.card_id(i)) {
                m.support_place[i] = static_cast<u8>(e);
                break;
            }
        }
    }
    return m;
}

PartialSums child_sums(const BoundModel& m, const PartialSums& sums, u16 card) {
    const CardPool& pool = *m.pool;
    const SearchContext& context = *m.context;
    PartialSums child = sums;
    if (m.first_slot_leads && sums.first_attr == 0xFF) {
        child.lead_known = true;
        child.lead_skill = pool.skill_value(card);
    }
    if (m.coupling.on) child.coupled += m.coupling.card[card];
    child.power_sum += pool.power(card);
    child.plain_power_sum += m.power_no_unit[card];
    child.unitless_power_sum += m.power_no_unit_same_attr[card];
    child.common_units &= pool.unit_mask(card);
    const u8 attr = pool.attr(card) & 7u;
    child.attr_mask = static_cast<u8>(child.attr_mask | (1u << attr));
    if (card < m.support_place.size() && m.support_place[card] != 0xFF)
        child.support_taken |= u64{1} << m.support_place[card];
    if (child.first_attr == 0xFF) {
        child.first_attr = attr;
    } else if (attr != child.first_attr) {
        child.mixed_attrs = true;
    }
    child.skill_sum += pool.skill_value(card);
    child.max_skill = std::max(child.max_skill, pool.skill_value(card));
    child.add_skill(pool.skill_value(card));
    if (child.placed < 5) child.slot_skills[child.placed++] = pool.skill_value(card);
    const u32 total = pool.event_bonus(card).total_x10();
    child.bonus_x10 += total;
    if (!context.final_chapter) {
        child.bonus_sum += (total + 9) / 10;
        return child;
    }
    // The final chapter counts the limited part of only so many cards, and
    // values a deck in its best order: the leader's first, then the largest
    // of the others'. Keeping the largest placed ones makes the sums the
    // placed cards' value in their best order, which no further card lowers.
    const u32 limited = pool.limited_x10(card);
    VDZ_ASSERT(limited <= total);
    const u32 base = total - limited;
    child.bonus_sum += (base + 9) / 10;
    if (limited == 0 || context.limited_bonus_count == 0) return child;
    u16 part = static_cast<u16>((limited + 9) / 10);
    if (sums.first_attr == 0xFF) {
        child.bonus_sum += part;
        child.limited_count = 1;
        child.leader_limited = true;
        return child;
    }
    const usize places = other_limited_places(context, child);
    usize held = 0;
    while (held < child.counted_limited.size() && child.counted_limited[held] != 0)
        ++held;
    if (held < places) {
        child.bonus_sum += part;
        ++child.limited_count;
    } else if (held == 0 || part <= child.counted_limited[held - 1]) {
        return child;
    } else {
        // A larger part takes the smallest counted one's place.
        child.bonus_sum += part - child.counted_limited[--held];
    }
    for (usize j = 0; j <= held; ++j)
        if (part > child.counted_limited[j]) std::swap(part, child.counted_limited[j]);
    return child;
}

PartialSums with_skill_ceilings(const BoundModel& m, const PartialSums& sums, const DeckSlots& deck,
                                usize placed, usize open) {
    VDZ_ASSERT(placed >= 1 && placed <= 5);
    const CardPool& pool = *m.pool;
    std::array<u8, 5> ceiling{};
    m.ceilings->of_placed({deck.data(), placed}, open, {ceiling.data(), placed});
    // Each card's resolved value is at most both its skill value and its
    // ceiling, so the smaller stands for it in every term that reads it:
    // the sorted values, their sum and largest, the leader's in the first
    // slot, and its share r s / t of the coupled sum. Each part is formed
    // from the cards afresh, so sums whose skills were lowered before are
    // lowered once, not twice.
    PartialSums out = sums;
    out.skills = {};
    out.skill_sum = 0;
    out.max_skill = 0;
    double coupled = 0.0;
    for (usize s = 0; s < placed; ++s) {
        const u8 byte = pool.skill_value(deck[s]);
        const u8 value = std::min(byte, ceiling[s]);
        out.add_skill(value);
        if (s < out.placed) out.slot_skills[s] = value;
        out.skill_sum += value;
        out.max_skill = std::max(out.max_skill, value);
        if (s == 0 && out.lead_known) out.lead_skill = std::min(out.lead_skill, value);
        if (m.coupling.on)
            coupled += m.coupling.card[deck[s]] - m.coupling.r * (byte - value) / m.coupling.t;
    }
    if (m.coupling.on) out.coupled = coupled;
    return out;
}

u64 character_bound(const BoundModel& m, const PartialSums& sums, u32 used_characters, usize depth,
                    const DeckSlots& partial) {
    VDZ_ASSERT(depth < 5);
    const SuffixTables& t = *m.suffix;
    const usize k = 5 - depth;
    const u32 required = required_unused(m.required_characters, used_characters, k);
    u64 power = sums.plain() ? u64{sums.plain_power_sum} +
                                   top_unused_sum(t.plain_power_order, t.plain_power_by_rank,
                                                  used_characters, k, required)
                             : u64{sums.power_sum} + top_unused_sum(t.power_order, t.power_by_rank,
                                                                    used_characters, k, required);
    // Both powers bound every completion; the smaller one serves.
    if (m.composition)
        power = std::min(power, composition_power(m, used_characters, depth, partial));
    const u64 bonus = u64{sums.bonus_sum} +
                      top_unused_sum(t.bonus_order, t.bonus_by_rank, used_characters, k, required) +
                      m.bonus_extra;
    // The skill values of the required characters and of the best other
    // unused ones, largest first, with the placed ones.
    std::array<u32, 5> top{};
    usize n = 0;
    walk_unused(t.skill_order, used_characters, k, required,
                [&](usize j) { top[n++] = t.skill_by_rank[j]; });
    const double coupled = m.coupling.on
                               ? sums.coupled + top_unused_sum(m.coupling.order, m.coupling.by_rank,
                                                               used_characters, k, required)
                               : INFINITY;
    const SkillValues skills = merge_skills(sums, top, n);
    const SlotSkills slots = slot_skills(sums, top, n);
    return bound_key(m, power, skills, lead_bound(sums, skills), bonus, coupled, &slots);
}

u64 completion_power(const BoundModel& m, const PartialSums& sums, usize row, usize columns) {
    const SuffixTables& t = *m.suffix;
    const u64 unshared = u64{sums.plain_power_sum} + t.plain_power_sums[row][columns];
    if (sums.plain()) return unshared;
    const u64 column = u64{sums.power_sum} + t.power_sums[row][columns];
    if (columns == 0) return column;
    // A completion whose five cards share a unit takes its free cards from
    // that unit's cards, each at most its power column.
    u64 shared = 0;
    for (u32 u = 0; u < 6; ++u)
        if ((sums.common_units >> u) & 1)
            shared =
                std::max<u64>(shared, u64{sums.power_sum} + t.unit_power_sums[u][row][columns]);
    // One sharing none gives every card the variant of no unit and of its
    // attribute case: one attribute for all five, whose free cards are of
    // the placed cards' attribute (of any, with none placed), or mixed.
    u64 unitless = unshared;
    if (!sums.mixed_attrs) {
        for (usize a = 0; a < t.same_attr_power_sums.size(); ++a)
            if (sums.first_attr == 0xFF || a == sums.first_attr)
                unitless = std::max<u64>(unitless, u64{sums.unitless_power_sum} +
                                                       t.same_attr_power_sums[a][row][columns]);
    }
    return std::min(column, std::max(shared, unitless));
}

u64 position_bound(const BoundModel& m, const PartialSums& sums, usize row, usize columns,
                   u64 bonus_extra) {
    const SuffixTables& t = *m.suffix;
    VDZ_ASSERT(row < t.power_sums.size() && columns <= 5);
    const u64 power = completion_power(m, sums, row, columns);
    const u64 bonus = later_bonus(m, sums, row, columns, bonus_extra);
    const double coupled = m.coupling.on ? sums.coupled + m.coupling.sums[row][columns] : INFINITY;
    const std::array<u32, 5> more = row_top_skills(t, row, columns);
    const SkillValues skills = merge_skills(sums, more, columns);
    const SlotSkills slots = slot_skills(sums, more, columns, row);
    return bound_key(m, power, skills, lead_bound(sums, skills), bonus, coupled, &slots);
}

usize BoundModel::first_power_at_least(usize from, u32 floor, bool plain) const {
    return first_at_least(power_tree[plain], from, floor);
}

usize BoundModel::first_at_least(const std::vector<u32>& tree, usize from, u32 floor) const {
    const usize n = pool->count();
    if (from >= n) return n;
    // Up from the leaf until a right neighbour's subtree holds such a power,
    // then down to its first leaf that does.
    usize v = power_leaves + from;
    if (tree[v] >= floor) return from;
    for (;;) {
        if (v % 2 == 0 && tree[v + 1] >= floor) {
            ++v;
            break;
        }
        v /= 2;
        if (v <= 1) return n;
    }
    while (v < power_leaves)
        v = tree[2 * v] >= floor ? 2 * v : 2 * v + 1;
    return std::min(v - power_leaves, n);
}

u32 child_power_floor(const BoundModel& m, const PartialSums& sums, usize row, usize columns,
                      u64 bonus_extra, u64 worst, std::optional<u64> placed) {
    const SuffixTables& t = *m.suffix;
    VDZ_ASSERT(row < t.power_sums.size() && columns >= 1 && columns <= 5);
    // What `position_bound` reads of row `row`, with the child's own power
    // apart: the other cards come after it, so from `row` on too.
    const bool plain = sums.plain();
    const u64 others =
        placed ? *placed + t.power_sums[row][columns - 1]
               : (plain ? u64{sums.plain_power_sum} + t.plain_power_sums[row][columns - 1]
                        : u64{sums.power_sum} + t.power_sums[row][columns - 1]);
    const std::array<u32, 5> more = row_top_skills(t, row, columns);
    const SkillValues skills = merge_skills(sums, more, columns);
    const SlotSkills slots = slot_skills(sums, more, columns, row);
    const u32 lead = lead_bound(sums, skills);
    const u64 bonus = later_bonus(m, sums, row, columns, bonus_extra);
    // The least power that keys above `worst`, by halving. A few steps
    // leave it within 1/256 of the largest power, and below it: every power
    // under `lo` was found to key `worst` at most.
    const auto above = [&](u64 p) {
        return bound_key(m, others + p, skills, lead, bonus, INFINITY, &slots) > worst;
    };
    const u64 hi = plain ? t.plain_power_sums[row][1] : t.power_sums[row][1];
    return static_cast<u32>(least_above(hi, above));
}

u64 complete_deck_bound(const BoundModel& m, const DeckSlots& deck, const PartialSums& sums,
                        u64 bonus_extra) {
    const CardPool& pool = *m.pool;
    // The units all five cards share fill the deck; one attribute shared by
    // all gives every card its attribute variant. The power column of the
    // sums bounds the in-deck powers too; the smaller serves.
    u32 units = 0x3F;
    bool same_attr = true;
    for (const u16 card : deck) {
        units &= pool.unit_mask(card);
        same_attr = same_attr && (pool.attr(card) & 7u) == (pool.attr(deck[0]) & 7u);
    }
    u64 power = 0;
    for (const u16 card : deck)
        power += complete_deck_card_power(m, card, units, same_attr);
    return complete_deck_bound_of_power(m, power, sums, bonus_extra);
}

u32 complete_deck_card_power(const BoundModel& m, u16 card, u32 units, bool same_attr) {
    if (units != 0) return pattern_power(*m.pool, card, units, same_attr ? 1 : 0);
    return same_attr ? m.power_no_unit_same_attr[card] : m.power_no_unit[card];
}

u64 complete_deck_bound_of_power(const BoundModel& m, u64 power, const PartialSums& sums,
                                 u64 bonus_extra) {
    power = std::min<u64>(power, sums.power_sum);
    const SkillValues skills = {sums.skills[0], sums.skills[1], sums.skills[2], sums.skills[3],
                                sums.skills[4]};
    const double coupled = m.coupling.on ? sums.coupled : INFINITY;
    const SlotSkills slots{&sums, {}};
    return bound_key(m, power, skills, lead_bound(sums, skills), u64{sums.bonus_sum} + bonus_extra,
                     coupled, sums.placed == 5 ? &slots : nullptr);
}

ExclusionTables exclusion_tables(const BoundModel& m, u32 used, usize places, bool plain) {
    VDZ_ASSERT(places <= 4);
    const SuffixTables& t = *m.suffix;
    ExclusionTables out;
    out.plain = plain;
    // A child's completions hold the required characters other than its
    // own; one of a required character takes one more other character in
    // its place, as one of any other character does.
    const u32 required = required_unused(m.required_characters, used, places);
    // The required characters and the first `places` - |required| other
    // unused characters of an order, and the key of the next other one,
    // which takes the place of a child's own character (a required one's
    // key may lie below it: the loss then wraps, and so does the total less
    // it, back to the right value).
    const auto fill = [&](auto& o, const auto& order, const auto& keys) {
        using Key = std::remove_cvref_t<decltype(o.total)>;
        usize taken = 0;
        std::array<Key, 5> key_of{};
        const usize after = walk_unused(order, used, places, required, [&](usize j) {
            o.total += keys[j];
            o.mask |= 1u << order[j];
            key_of[taken++] = keys[j];
        });
        const Key next = after < CHARACTER_SLOT_COUNT ? keys[after] : Key{0};
        // Slot rank: a character's place among the table's characters by
        // character id. Re-walk in order to place each key at its rank.
        usize n = 0;
        for (usize j = 0; j < CHARACTER_SLOT_COUNT && n < taken; ++j) {
            if (!((o.mask >> order[j]) & 1)) continue;
            const u32 rank = bit_count(o.mask & ((1u << order[j]) - 1));
            o.loss[rank] = key_of[n++] - next;
        }
    };
    if (plain) {
        fill(out.power, t.plain_power_order, t.plain_power_by_rank);
    } else {
        fill(out.power, t.power_order, t.power_by_rank);
    }
    fill(out.bonus, t.bonus_order, t.bonus_by_rank);
    if (m.coupling.on) fill(out.coupled, m.coupling.order, m.coupling.by_rank);
    const usize after = walk_unused(t.skill_order, used, places, required, [&](usize j) {
        out.skill_slots[out.places] = t.skill_order[j];
        out.skill_values[out.places++] = t.skill_by_rank[j];
    });
    if (after < CHARACTER_SLOT_COUNT) out.next_skill = t.skill_by_rank[after];
    return out;
}

u64 exclusion_bound(const BoundModel& m, const ExclusionTables& t, const PartialSums& child,
                    u8 character, u64 bonus_extra) {
    // The child's own character cannot come again: when it is among the
    // best, the next character takes its place.
    const auto rest = [character](const auto& o) {
        if (!((o.mask >> character) & 1)) return o.total;
        const u32 rank = bit_count(o.mask & ((1u << character) - 1));
        return o.total - o.loss[rank];
    };
    VDZ_ASSERT(!t.plain || child.plain());
    const u64 power = u64{t.plain ? child.plain_power_sum : child.power_sum} + rest(t.power);
    const u64 bonus = u64{child.bonus_sum} + rest(t.bonus) + bonus_extra;
    std::array<u32, 5> more{};
    usize n = 0;
    for (usize j = 0; j < t.places; ++j)
        if (t.skill_slots[j] != character) more[n++] = t.skill_values[j];
    // The next value, in its place among the others: above a required
    // character's where it is larger.
    if (n < t.places) {
        usize at = n++;
        for (; at > 0 && more[at - 1] < t.next_skill; --at)
            more[at] = more[at - 1];
        more[at] = t.next_skill;
    }
    const double coupled = m.coupling.on ? child.coupled + rest(t.coupled) : INFINITY;
    const SkillValues skills = merge_skills(child, more, n);
    const SlotSkills slots = slot_skills(child, more, n);
    return bound_key(m, power, skills, lead_bound(child, skills), bonus, coupled, &slots);
}

u32 doubled_bonus_floor(const PartialSums& sums, usize depth) {
    // Each rounded-up part (a card's bonus, or in the final chapter its base
    // and its counted limited part) adds less than 1 % to the sum, less than
    // 2 to the doubled bonus: round(2 x (sum - 0.9 k)) >= 2 x sum - 2 k for
    // k such parts. In the final chapter the sum is the placed cards' value
    // in their best order, which a complete deck's best order never lowers.
    const u64 doubled = 2 * u64{sums.bonus_sum};
    const u64 rounding = 2 * (u64{depth} + sums.limited_count);
    return static_cast<u32>(std::min<u64>(doubled > rounding ? doubled - rounding : 0, UINT32_MAX));
}

}  // namespace vdz
