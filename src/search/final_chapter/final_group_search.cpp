// Group-level search and its bound. The bound takes, per open group, the
// best maxima of the groups still choosable (any open group's maxima are
// among them), so it never falls below a deck the node can reach; it does
// not grow along the group order, which lets a node stop at its first cut.
// Its power is the larger of two cases: a deck whose five cards share no
// unit and no attribute counts every card's plain power; a deck sharing one
// holds only cards sharing the leader's attribute or one of its units, and
// counts at most their power columns.
#include "search/final_chapter/final_group_search.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "common/check.h"
#include "common/numeric.h"
#include "search/evaluation/deck_evaluator.h"
#include "search/final_chapter/final_card_search.h"
#include "search/final_chapter/final_groups.h"
#include "search/final_chapter/final_tied_bound.h"

namespace vdz {
namespace {

// Orders the four chosen groups, builds their table and the leader's state,
// and runs the card-level search.
// `part`: the chosen groups' part of the group bound, found when the list
// is full.
void hand_off(const GroupSearchState& gs, const std::array<usize, 4>& chosen,
              const ChosenGroupsPart* part) {
    // 1. Key descending, then fewer cards first; otherwise chosen order.
    std::array<usize, 4> order = chosen;
    const auto before = [&](usize a, usize b) {
        const CharacterGroup &x = gs.groups[a], &y = gs.groups[b];
        if (x.key != y.key) return x.key > y.key;
        return x.cards.size() < y.cards.size();
    };
    for (usize i = 1; i < 4; ++i) {
        const usize x = order[i];
        usize j = i;
        for (; j > 0 && before(x, order[j - 1]); --j)
            order[j] = order[j - 1];
        order[j] = x;
    }
    // 2. The card search unless none of the first group's cards can beat the
    // list: a test over its frontier, far fewer cards than the search's
    // first node bounds, from the groups' own values, as half the sets fail
    // it (testing the other groups first as well cost more than it dropped).
    // The sets the group bound lets through often fail the bound that keeps
    // power and bonus on the same cards, which the card search reads too.
    TiedBound tied;
    std::optional<FrontierTest> tested;
    if (part) {
        tied = tied_bound(gs, order, *part);
        if (tied.valid && cannot_beat(*gs.best, tied_key(tied, gs, TiedPlaced{}, 0))) {
            ++gs.counters->group_pruned;
            return;
        }
        tested = first_group_frontier(gs, order, *part, gs.best->last().score);
        if (!tested->any_beats) {
            ++gs.counters->group_pruned;
            return;
        }
    }
    // 3-5. Sums from each position to the last, the deck, the leader's
    // state, the card search.
    ChosenGroupTable t = chosen_group_table(gs, order);
    t.tied = tied;
    DeckSlots deck;
    deck.fill(gs.leader.card);
    const CardSearchState root = root_card_state(gs, t.open_units[0]);
    ++gs.counters->hand_offs;
    search_group_cards(gs, order, t, 0, deck, root, tested ? &*tested : nullptr);
}

}  // namespace

std::vector<GroupSuffixEntry> build_group_suffix_table(std::span<const CharacterGroup> groups) {
    std::vector<GroupSuffixEntry> table(groups.size() + 1);
    for (usize i = groups.size(); i-- > 0;) {
        table[i] = table[i + 1];
        insert_top_five(table[i].top_plain_power, groups[i].max_plain_power);
        insert_top_five(table[i].top_skill, groups[i].max_skill);
        insert_top_five(table[i].top_score_up_skill, groups[i].max_score_up_skill);
        insert_top_five(table[i].top_base_x10, groups[i].max_base_x10);
        insert_top_five(table[i].top_limited_x10, groups[i].max_limited_x10);
        insert_top_five(table[i].top_bonus_and_limited_x10, groups[i].max_bonus_and_limited_x10);
    }
    return table;
}

LeaderShapes leader_shapes(const CardPool& pool, std::span<const CharacterGroup> groups, u16 leader,
                           bool card_shapes) {
    LeaderShapes out;
    out.shared_power.resize(groups.size());
    out.shared_top.assign(groups.size() + 1, TopFive{});
    const u8 attr = pool.attr(leader);
    const u8 units = pool.unit_mask(leader);
    out.shapes = leader_shape_set(pool, leader);
    for (usize i = groups.size(); i-- > 0;) {
        const CharacterGroup& g = groups[i];
        VDZ_ASSERT(attr < g.max_power_by_attr.size());
        u32 shared = g.max_power_by_attr[attr];
        for (usize u = 0; u < g.max_power_by_unit.size(); ++u)
            if ((units >> u) & 1u) shared = std::max(shared, g.max_power_by_unit[u]);
        out.shared_power[i] = shared;
        out.shared_top[i] = out.shared_top[i + 1];
        insert_top_five(out.shared_top[i], shared);
    }
    const LeaderShapeSet& set = out.shapes;
    out.shape_top.assign(groups.size() + 1, {});
    for (usize k = 0; k < set.count; ++k)
        for (usize f = 0; f < 2; ++f)
            out.leader_shape_power[2 * k + f] = shape_power(pool, leader, set.units[k], f == 1);
    out.group_shapes.assign(groups.size(), {});
    for (usize i = groups.size(); i-- > 0;) {
        out.shape_top[i] = out.shape_top[i + 1];
        for (usize k = 0; k < set.count; ++k)
            for (usize f = 0; f < 2; ++f) {
                const u32 entry = shape_entry(groups[i].shape_powers, set, k, f == 1);
                out.group_shapes[i][2 * k + f] = entry;
                insert_top_five(out.shape_top[i][2 * k + f], entry);
            }
    }
    if (!card_shapes) return out;
    out.card_shapes.assign(pool.count(), ShapeSums{});
    for (const CharacterGroup& g : groups)
        for (const u16 card : g.cards)
            for (usize k = 0; k < set.count; ++k)
                for (usize f = 0; f < 2; ++f)
                    out.card_shapes[card][k][f] = shape_power(pool, card, set.units[k], f == 1);
    return out;
}

namespace {

// The chosen groups' and the leader's part of `group_upper_bound`, the same
// for every start a node tries.
ChosenGroupsPart chosen_groups_part(std::span<const CharacterGroup> groups,
                                    const std::array<usize, 4>& chosen, usize depth,
                                    const LeaderValues& leader, const LeaderShapes& shapes) {
    VDZ_ASSERT(depth <= 4);
    const usize r = 4 - depth;
    // 1. The chosen groups. A deck holds at most one card of each per unit
    // it has cards of, besides the leader and the open groups, which may
    // count for any: unit-count skills read their tables up to that count,
    // other cards' skill values are at most their groups' largest.
    // Per unit a byte, at most 1 + 4 (no carry).
    u64 counts = 0;
    for (usize u = 0; u < 6; ++u)
        counts |= u64{((leader.units >> u) & 1u) + static_cast<u32>(r)} << (8 * u);
    for (usize k = 0; k < depth; ++k)
        counts += groups[chosen[k]].unit_bytes;
    UnitCounts most{};
    for (usize u = 0; u < most.size(); ++u)
        most[u] = static_cast<u8>(std::min<u64>((counts >> (8 * u)) & 0xFFu, 5));
    ChosenGroupsPart out;
    out.most = most;
    out.leader_skill = skill_up_to(leader.skill_by_count, most);
    insert_top_five(out.skills, out.leader_skill);
    for (usize k = 0; k < depth; ++k) {
        const CharacterGroup& g = groups[chosen[k]];
        out.plain += g.max_plain_power;
        out.shared += shapes.shared_power[chosen[k]];
        insert_top_five(out.skills, group_skill_bound(g, most));
        out.bonus += g.max_base_x10;
        out.bonus_and_limited += g.max_bonus_and_limited_x10;
        insert_top_five(out.limited, g.max_limited_x10);
    }
    out.shaped = shapes.leader_shape_power;
    for (usize c = 0; c < depth; ++c)
        for (usize j = 0; j < 2 * shapes.shapes.count; ++j)
            out.shaped[j] += shapes.group_shapes[chosen[c]][j];
    return out;
}

// `group_upper_bound` from the chosen groups' part.
u64 group_upper_bound_from(const SuffixTables& tables, u64 limited_bonus_cap,
                           std::span<const GroupSuffixEntry> suffix, usize start, usize depth,
                           const LeaderValues& leader, const LeaderShapes& shapes,
                           const ChosenGroupsPart& part) {
    VDZ_ASSERT(start < suffix.size() && depth <= 4);
    VDZ_ASSERT(shapes.shared_top.size() == suffix.size());
    const GroupSuffixEntry& e = suffix[start];
    const usize r = 4 - depth;
    // 2-3. Totals with the best open groups, the power in either case. The
    // open groups' skill values, sorted, are each at most the entry of the
    // same rank among the best maxima of the groups still choosable.
    const u32 plain = part.plain + leader.plain_power + first_sum(e.top_plain_power, r);
    const u32 shared = part.shared + leader.power + first_sum(shapes.shared_top[start], r);
    u32 power = std::max(plain, shared);
    // A deck has one shape, which the leader's units and attribute allow;
    // in it every card plays its variant for that shape, at most its
    // group's table entry, and the open groups' r entries are at most the
    // r largest of the groups still choosable.
    if (shapes.shapes.known) {
        u32 shaped = 0;
        for (usize j = 0; j < 2 * shapes.shapes.count; ++j)
            shaped = std::max(shaped, part.shaped[j] + first_sum(shapes.shape_top[start][j], r));
        power = std::min(power, shaped);
    }
    TopFive skills = part.skills;
    for (usize k = 0; k < r; ++k)
        insert_top_five(skills, e.top_skill[k]);
    // 4. The other cards' limited bonuses in the places the leader leaves.
    const u64 f = leader.limited_counts ? 1 : 0;
    const u32 limited = limited_bonus_cap > f ? merged_top(part.limited, e.top_limited_x10,
                                                           std::min<u64>(limited_bonus_cap - f, 4))
                                              : 0;
    // 5. Bonus in tenths. The other cards' bonuses are also at most the sum
    // of their base and limited parts, all counted, each group's largest.
    u32 bonus_x10 = std::min(part.bonus + first_sum(e.top_base_x10, r) + limited,
                             part.bonus_and_limited + first_sum(e.top_bonus_and_limited_x10, r));
    bonus_x10 += leader.bonus_x10 + leader.limited_x10;
    return final_bound_key(tables, power, skills, part.leader_skill,
                           bonus_percent(bonus_x10, leader.support_x10) + leader.attr_bonus);
}

// The tied bound of the decks `group_upper_bound_from` bounds, with their
// skill values as it takes them.
u64 tied_key_from(const GroupSearchState& gs, const std::array<usize, 4>& chosen, usize depth,
                  usize start, const ChosenGroupsPart& part) {
    TopFive skills = part.skills;
    for (usize k = 0; k < 4 - depth; ++k)
        insert_top_five(skills, gs.group_suffix[start].top_skill[k]);
    return tied_group_key(gs, chosen, depth, start, skills, part.leader_skill);
}

}  // namespace

u64 tied_group_upper_bound(const GroupSearchState& gs, const std::array<usize, 4>& chosen,
                           usize depth, usize start) {
    return tied_key_from(gs, chosen, depth, start,
                         chosen_groups_part(gs.groups, chosen, depth, gs.leader, *gs.shapes));
}

u64 group_upper_bound(const SuffixTables& tables, u64 limited_bonus_cap,
                      std::span<const CharacterGroup> groups,
                      std::span<const GroupSuffixEntry> suffix, usize start,
                      const std::array<usize, 4>& chosen, usize depth, const LeaderValues& leader,
                      const LeaderShapes& shapes) {
    return group_upper_bound_from(tables, limited_bonus_cap, suffix, start, depth, leader, shapes,
                                  chosen_groups_part(groups, chosen, depth, leader, shapes));
}

bool group_reaches_score_up(const SearchContext& context, std::span<const CharacterGroup> groups,
                            std::span<const GroupSuffixEntry> suffix, usize start,
                            const std::array<usize, 4>& chosen, usize depth,
                            const LeaderValues& leader) {
    VDZ_ASSERT(start < suffix.size() && depth <= 4);
    u32 skill = leader.score_up_skill + first_sum(suffix[start].top_score_up_skill, 4 - depth);
    for (usize k = 0; k < depth; ++k)
        skill += groups[chosen[k]].max_score_up_skill;
    return score_up_reachable(context, skill, leader.score_up_skill);
}

void search_character_groups(const GroupSearchState& gs, usize depth, usize start,
                             std::array<usize, 4>& chosen) {
    // 1-2. Deadline; a complete set goes to the card search unless its own
    // bound rules it out: the loop below bounds its last group by the best
    // maxima of every group it may be, which can come from different groups.
    if (gs.deadline->step()) return;
    const u64 cap = gs.context->limited_bonus_count;
    if (depth == 4) {
        if (!gs.best->full()) {
            hand_off(gs, chosen, nullptr);
            return;
        }
        const ChosenGroupsPart part =
            chosen_groups_part(gs.groups, chosen, 4, gs.leader, *gs.shapes);
        const u64 key = group_upper_bound_from(*gs.tables, cap, gs.group_suffix, gs.groups.size(),
                                               4, gs.leader, *gs.shapes, part);
        if (cannot_beat(*gs.best, key)) {
            ++gs.counters->group_pruned;
            return;
        }
        hand_off(gs, chosen, &part);
        return;
    }
    // The chosen groups' part is the same for every start.
    const ChosenGroupsPart part =
        chosen_groups_part(gs.groups, chosen, depth, gs.leader, *gs.shapes);
    const auto bound_from = [&](usize s) {
        return group_upper_bound_from(*gs.tables, cap, gs.group_suffix, s, depth, gs.leader,
                                      *gs.shapes, part);
    };
    // The score-up lower bound cuts whether or not the list is full.
    const auto reaches_from = [&](usize s) {
        return group_reaches_score_up(*gs.context, gs.groups, gs.group_suffix, s, chosen, depth,
                                      gs.leader);
    };
    // The tied bound of the same decks.
    const auto tied_from = [&](usize s) { return tied_key_from(gs, chosen, depth, s, part); };
    const auto cut_from = [&](usize s) {
        return (gs.best->full() &&
                (cannot_beat(*gs.best, bound_from(s)) || cannot_beat(*gs.best, tied_from(s)))) ||
               !reaches_from(s);
    };
    // 3. Node bound.
    if (cut_from(start)) {
        ++gs.counters->group_pruned;
        return;
    }
    // 4-5. Each next group in order; both bounds only fall along the order.
    // The first is `start`, which the node bound just tested against the
    // same list.
    const usize n = gs.groups.size();
    for (usize i = start; i < n; ++i) {
        if (gs.deadline->step()) return;
        if (i > start && cut_from(i)) {
            ++gs.counters->group_pruned;
            return;
        }
        chosen[depth] = i;
        ++gs.counters->groups_visited;
        search_character_groups(gs, depth + 1, i + 1, chosen);
    }
}

}  // namespace vdz
