// Groups and shortlist of the final-chapter search. Every order is total
// (ties by the lower pool index or character), so results never depend on
// the sort algorithm.
#include "search/final_chapter/final_groups.h"

#include <algorithm>
#include <cmath>

#include "common/check.h"
#include "common/numeric.h"
#include "search/pruning/dominance.h"

namespace vdz {

namespace {

bool is_fixed(const SearchContext& context, u16 card_id) {
    return std::find(context.fixed_cards.begin(), context.fixed_cards.end(), card_id) !=
           context.fixed_cards.end();
}

// Card i is at least as good as card j in every respect a deck of one
// character group can use. A group card never leads, and beside the leader
// a deck counts the largest limited bonuses of its four other cards (it is
// valued in its best order), a sum that never falls when one of them grows:
// the larger limited bonus is the better whatever the number of places.
bool group_dominates(const CardPool& pool, const SearchContext& context, u16 i, u16 j, i32 cost_i,
                     i32 cost_j) {
    for (usize v = 0; v < 8; ++v)
        if (pool.unit_value(i, v) < pool.unit_value(j, v)) return false;
    return skill_at_least(pool, context, i, j) && pool.limited_x10(i) >= pool.limited_x10(j) &&
           base_x10(pool, i) >= base_x10(pool, j) && pool.attr(i) == pool.attr(j) &&
           cost_i <= cost_j && (pool.unit_mask(j) & ~pool.unit_mask(i)) == 0;
}

// Keeps the cards of one character's list that no kept card dominates; of
// equal cards the lower index survives. Fixed cards always stay.
void drop_group_dominated(const CardPool& pool, const SearchContext& context, u8 leader_character,
                          std::vector<u16>& cards) {
    const usize n = cards.size();
    std::vector<i32> cost(n);
    for (usize k = 0; k < n; ++k)
        cost[k] = support_cost(pool, context, leader_character, cards[k]);
    std::vector<u8> kept(n, 1);
    for (usize i = 0; i < n; ++i) {
        if (!kept[i]) continue;
        for (usize j = 0; j < n; ++j) {
            if (j == i || !kept[j] || is_fixed(context, pool.card_id(cards[j]))) continue;
            if (group_dominates(pool, context, cards[i], cards[j], cost[i], cost[j])) kept[j] = 0;
        }
    }
    usize out = 0;
    for (usize k = 0; k < n; ++k)
        if (kept[k]) cards[out++] = cards[k];
    cards.resize(out);
}

// Offers the first `n` cards of `keyed` (sorted) to the shortlist.
void offer(const std::vector<std::pair<u64, u16>>& keyed, u64 n, std::vector<u8>& taken,
           std::vector<u16>& out) {
    for (usize k = 0; k < keyed.size() && k < n; ++k) {
        const u16 card = keyed[k].second;
        if (taken[card]) continue;
        taken[card] = 1;
        out.push_back(card);
    }
}

}  // namespace

const SupportDeckList& final_support_list(const SearchContext& context, u8 character) {
    const auto& lists = context.world_bloom_support.per_character;
    if (context.final_chapter && character < lists.size() && lists[character].count != 0)
        return lists[character];
    return context.world_bloom_support.general;
}

i32 support_loss(const CardPool& pool, const SearchContext& context, u8 character, u16 card) {
    const SupportDeckList& list = final_support_list(context, character);
    if (list.count == 0) return 0;
    const usize take = list.count;
    const bool longer = list.entries.size() > take;
    const double reference = longer ? list.entries[take].value : 0.0;
    const usize searched = longer ? take : list.entries.size();
    const u16 id = pool.card_id(card);
    for (usize k = 0; k < searched; ++k) {
        if (list.entries[k].card_id != id) continue;
        return round_to_i32(std::max(list.entries[k].value - reference, 0.0) * 100.0);
    }
    return 0;
}

i32 support_cost(const CardPool& pool, const SearchContext& context, u8 character, u16 card) {
    if (!context.world_bloom) return 0;
    const SupportDeckList& list = final_support_list(context, character);
    if (list.count == 0) return 0;
    const u16 id = pool.card_id(card);
    for (const SupportEntry& e : list.entries)
        if (e.card_id == id) return round_to_i32(std::max(e.value, 0.0) * 100.0);
    return 0;
}

std::optional<u8> unit_count_code(const CardPool& pool, u16 card) {
    if (pool.skill_kind(card) != CardPool::SKILL_UNIT_COUNT) return std::nullopt;
    const auto& table = pool.unit_count_table();
    const u8 code = pool.skill_code(card);
    if (code == 0 || code > table.size() || table[code - 1u][0] > 5) return std::nullopt;
    return code;
}

UnitCountSkill unit_count_skill(const CardPool& pool, u8 code) {
    const auto& e = pool.unit_count_table()[code - 1u];
    UnitCountSkill k;
    k.unit = e[0];
    k.code = code;
    k.up_to[0] = k.up_to[1] = e[1];
    for (usize n = 2; n <= 5; ++n)
        k.up_to[n] = std::max(k.up_to[n - 1], e[n]);
    return k;
}

UnitCountSkill skill_by_count(const CardPool& pool, u16 card) {
    if (const auto code = unit_count_code(pool, card)) return unit_count_skill(pool, *code);
    UnitCountSkill k;
    k.up_to.fill(pool.skill_value(card));
    return k;
}

u32 group_unit_count_skill_bound(const CharacterGroup& g, const UnitCounts& most) {
    u32 best = g.max_fixed_skill;
    for (const UnitCountSkill& k : g.unit_count_skills)
        best = std::max(best, skill_up_to(k, most));
    return best;
}

u64 card_estimate_key(const CardPool& pool, u16 card, i32 loss) {
    const i64 bracket = std::max<i64>(i64{pool.event_bonus(card).total_x10()} * 10 - loss, 0);
    return (u64{pool.skill_value(card)} + 256) * pool.power(card) *
           (static_cast<u64>(bracket) + 10000);
}

void sort_by_key_desc(std::vector<std::pair<u64, u16>>& keyed) {
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
}

namespace {

// A card's values as the card bounds read them; its skill as the range of
// its values over every count of its unit.
struct BoundValues {
    u32 power, plain_power, skill_low, skill_high, base_x10, limited_x10;

    // Whether every bound of `other` is at most the same bound of this
    // card: each value at least the other's, the skill at every count.
    bool covers(const BoundValues& other) const {
        return power >= other.power && plain_power >= other.plain_power &&
               skill_low >= other.skill_high && base_x10 >= other.base_x10 &&
               limited_x10 >= other.limited_x10;
    }
};

BoundValues bound_values(const CardPool& pool, u16 card) {
    const UnitCountSkill k = skill_by_count(pool, card);
    const auto [low, high] = std::minmax_element(k.up_to.begin(), k.up_to.end());
    return {pool.power(card),     pattern_power(pool, card, 0, 0), *low, *high,
            base_x10(pool, card), pool.limited_x10(card)};
}

// The cards no earlier kept card covers and no later card covers strictly:
// of cards equal in every value only the first stays. Covering is
// transitive, so every other card is covered by a frontier card: follow
// its coverers, each strictly better or equal and earlier, to one that no
// card displaces. Also each card's cover mask (see `CharacterGroup`).
void set_group_frontier(const CardPool& pool, CharacterGroup& g) {
    const std::vector<u16>& cards = g.cards;
    std::vector<BoundValues> v;
    v.reserve(cards.size());
    for (const u16 c : cards)
        v.push_back(bound_values(pool, c));
    std::vector<usize> kept;
    for (usize i = 0; i < cards.size(); ++i) {
        bool covered = false;
        for (usize j = 0; j < cards.size() && !covered; ++j)
            covered = j != i && v[j].covers(v[i]) && (j < i || !v[i].covers(v[j]));
        if (!covered) kept.push_back(i);
    }
    g.frontier.clear();
    g.cover.assign(cards.size(), 0);
    for (usize k = 0; k < kept.size(); ++k) {
        g.frontier.push_back(cards[kept[k]]);
        if (k >= 64) continue;
        // A unit-count skill does not cover itself (its least value is
        // below its largest), yet a card's bound is its own.
        g.cover[kept[k]] |= u64{1} << k;
        for (usize i = 0; i < cards.size(); ++i)
            if (v[kept[k]].covers(v[i])) g.cover[i] |= u64{1} << k;
    }
}

}  // namespace

std::vector<CharacterGroup> build_character_groups(const CardPool& pool,
                                                   const SearchContext& context, u8 character,
                                                   std::span<const u8> mask, u64 limit,
                                                   const FinalConstraints& rules,
                                                   std::span<const u8> score_up_skill) {
    // 1. Usable cards of the other characters, by character; a character
    // whose card the request fixed keeps only that card.
    std::array<std::vector<u16>, CardPool::CHARACTER_SLOTS> by_character;
    for (u16 i = 0; i < pool.count(); ++i) {
        const u8 c = pool.character_id(i);
        VDZ_ASSERT(c < by_character.size());
        if (c != character && usable(mask, i) && rules.allows(c, pool.card_id(i)))
            by_character[c].push_back(i);
    }
    // 2. Per character: dominance (single best deck only), order, maxima.
    std::vector<CharacterGroup> groups;
    std::vector<std::pair<u64, u16>> keyed;
    for (usize c = 0; c < by_character.size(); ++c) {
        std::vector<u16>& cards = by_character[c];
        if (cards.empty()) continue;
        if (limit <= 1) drop_group_dominated(pool, context, character, cards);
        keyed.clear();
        for (const u16 i : cards)
            keyed.emplace_back(
                card_estimate_key(pool, i, support_loss(pool, context, character, i)), i);
        sort_by_key_desc(keyed);
        CharacterGroup g;
        g.character = static_cast<u8>(c);
        for (const auto& [key, i] : keyed) {
            g.cards.push_back(i);
            g.max_power = std::max(g.max_power, pool.power(i));
            g.max_plain_power = std::max(g.max_plain_power, pattern_power(pool, i, 0, 0));
            const u8 attr = pool.attr(i);
            VDZ_ASSERT(attr < g.max_power_by_attr.size());
            g.max_power_by_attr[attr] = std::max(g.max_power_by_attr[attr], pool.power(i));
            for (usize u = 0; u < g.max_power_by_unit.size(); ++u)
                if ((pool.unit_mask(i) >> u) & 1u)
                    g.max_power_by_unit[u] = std::max(g.max_power_by_unit[u], pool.power(i));
            g.max_skill = std::max<u32>(g.max_skill, pool.skill_value(i));
            const u32 ceiling = i < score_up_skill.size() ? score_up_skill[i] : pool.skill_value(i);
            g.max_score_up_skill = std::max(g.max_score_up_skill, ceiling);
            for (usize u = 0; u < g.max_score_up_skill_by_unit.size(); ++u)
                if ((pool.unit_mask(i) >> u) & 1u)
                    g.max_score_up_skill_by_unit[u] =
                        std::max(g.max_score_up_skill_by_unit[u], ceiling);
            g.units |= pool.unit_mask(i);
            if (const auto code = unit_count_code(pool, i)) {
                // One entry per unit, the largest value of its skills at
                // each count: the bounds read them for every group often.
                const UnitCountSkill k = unit_count_skill(pool, *code);
                const auto same = [&](const UnitCountSkill& e) { return e.unit == k.unit; };
                const auto at =
                    std::find_if(g.unit_count_skills.begin(), g.unit_count_skills.end(), same);
                if (at == g.unit_count_skills.end()) {
                    g.unit_count_skills.push_back(k);
                } else {
                    for (usize n = 0; n < k.up_to.size(); ++n)
                        at->up_to[n] = std::max(at->up_to[n], k.up_to[n]);
                }
            } else {
                g.max_fixed_skill = std::max<u32>(g.max_fixed_skill, pool.skill_value(i));
            }
            g.max_base_x10 = std::max<u32>(g.max_base_x10, base_x10(pool, i));
            g.max_limited_x10 = std::max<u32>(g.max_limited_x10, pool.limited_x10(i));
            g.max_bonus_and_limited_x10 =
                std::max<u32>(g.max_bonus_and_limited_x10, pool.event_bonus(i).total_x10());
        }
        set_group_frontier(pool, g);
        for (usize u = 0; u < 6; ++u)
            g.unit_bytes |= u64{(g.units >> u) & 1u} << (8 * u);
        g.shape_powers = group_shape_powers(pool, g.cards);
        g.key = (u64{g.max_skill} + 256) * g.max_power *
                (u64{ceil_percent(g.max_base_x10)} + ceil_percent(g.max_limited_x10) + 100);
        groups.push_back(std::move(g));
    }
    // 3. Required groups first, then by key, ties by character.
    const auto required = [&](const CharacterGroup& g) {
        return ((rules.required >> g.character) & 1u) != 0;
    };
    std::sort(groups.begin(), groups.end(), [&](const CharacterGroup& a, const CharacterGroup& b) {
        if (required(a) != required(b)) return required(a);
        return a.key != b.key ? a.key > b.key : a.character < b.character;
    });
    return groups;
}

usize required_group_count(std::span<const CharacterGroup> groups, const FinalConstraints& rules) {
    usize n = 0;
    while (n < groups.size() && ((rules.required >> groups[n].character) & 1u) != 0)
        ++n;
    return n;
}

std::vector<u16> build_candidate_shortlist(const CardPool& pool, const SearchContext& context,
                                           u8 character, std::span<const u8> mask, u64 cap) {
    std::vector<u16> taking_part;
    for (u16 i = 0; i < pool.count(); ++i)
        if (pool.character_id(i) != character && usable(mask, i)) taking_part.push_back(i);
    std::vector<u8> taken(pool.count(), 0);
    std::vector<u16> out;
    std::vector<std::pair<u64, u16>> keyed;
    const auto ranking = [&](auto&& key_of, u64 n) {
        keyed.clear();
        for (const u16 i : taking_part)
            keyed.emplace_back(key_of(i), i);
        sort_by_key_desc(keyed);
        offer(keyed, n, taken, out);
    };
    ranking(
        [&](u16 i) {
            return card_estimate_key(pool, i, support_loss(pool, context, character, i));
        },
        cap);
    ranking([&](u16 i) { return u64{pool.power(i)}; }, cap / 2);
    ranking(
        [&](u16 i) {
            return u64{pool.power(i)} + u64{pool.event_bonus(i).total_x10()} * 1'000'000;
        },
        cap / 2);
    ranking([&](u16 i) { return u64{pool.power(i)} + u64{pool.skill_value(i)} * 1'000'000; },
            cap / 3);
    return out;
}

}  // namespace vdz
