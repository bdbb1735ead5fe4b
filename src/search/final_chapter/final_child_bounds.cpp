// Child bounds of the card search. Each is the same sum as the card
// search's own formula (debug builds compare them at every call): the five
// largest of a list with one value inserted are the five largest of the
// node's list and that value, and the k largest of such a list sum to the
// node's k largest plus what the value adds above the k-th, so the card's
// values enter once each.
#include "search/final_chapter/final_child_bounds.h"

#include <algorithm>

#include "common/check.h"
#include "common/numeric.h"
#include "search/final_chapter/final_groups.h"

namespace vdz {
namespace {

// `top` without one entry equal to `v`, which it holds, padded with 0.
TopFive without_one(const TopFive& top, u32 v) {
    TopFive out{};
    usize n = 0;
    bool taken = false;
    for (const u32 x : top) {
        if (!taken && x == v) {
            taken = true;
        } else {
            out[n++] = x;
        }
    }
    VDZ_ASSERT(taken);
    return out;
}

}  // namespace

ChildBounds::ChildBounds(const GroupSearchState& gs, const ChosenGroupTable& t, usize d,
                         const CardSearchState& s, const UnitCounts& most, const TopFive& open)
    : gs_(gs), most_(most), placed_bonus_(s.bonus_x10), leader_skill_(s.leader_skill) {
    VDZ_ASSERT(d < 4 && s.placed_count == d + 1);
    const SearchContext& c = *gs.context;
    const LeaderShapeSet& set = gs.shapes->shapes;
    known_ = set.known;
    attr_mask_ = s.attr_mask;
    common_units_ = s.common_units;
    plain_rest_ = s.plain_power + t.plain_power_sum[d + 1];
    shared_rest_ = s.power + t.shared_power_sum[d + 1];
    const bool one_attr = bit_count(s.attr_mask) == 1;
    shaped_rest_ = known_ ? shaped_power_bound(set, s.shape_sums, t.open_shape_sums[d + 1],
                                               s.common_units, one_attr)
                          : 0;
    for (usize k = 0; k < set.count; ++k)
        for (usize f = 0; f < 2; ++f)
            shape_rest_[k][f] = s.shape_sums[k][f] + t.open_shape_sums[d + 1][k][f];
    skills_ = merged_top_five(s.skill_top, open);
    base_rest_ = t.base_x10_sum[d + 1];
    both_rest_ = t.bonus_and_limited_x10_sum[d + 1];
    limited_counts_ = c.limited_bonus_count != 0;
    if (limited_counts_) {
        const usize k = static_cast<usize>(std::min<u64>(c.limited_bonus_count, 5));
        const TopFive all = merged_top_five(s.limited_x10_top, t.limited_x10_top[d + 1]);
        limited_k_ = first_sum(all, k);
        limited_kth_ = all[k - 1];
    }
    own_limited_sum_ = first_sum(s.limited_x10_top, 5);
    own_limited_least_ = s.limited_x10_top[4];
    // The bonus percent as `deck_bonus_percent` forms it: the support's
    // tenths rounded up with the cards', then a whole percent added.
    const usize pc = static_cast<usize>(bit_count(s.attr_mask));
    if (c.world_bloom) {
        support_x10_ = s.support_x10;
        relaxed_attr_ = attribute_count_part(c, pc, 4 - d);
        quick_attr_ = {attribute_count_part(c, pc, 3 - d), attribute_count_part(c, pc + 1, 3 - d)};
    } else {
        const u32 support = static_cast<u32>(std::max(c.default_support_value, 0));
        relaxed_attr_ = support;
        quick_attr_ = {support, support};
    }
}

ChildBounds::ChildBounds(const GroupSearchState& gs, const std::array<usize, 4>& order,
                         const ChosenGroupsPart& part)
    : gs_(gs), relaxed_only_(true) {
    // The root's values as `root_card_state` sets them, and the sums of the
    // groups at positions 1 to 3 as `chosen_group_table` does at position 1:
    // the group bound's part of all four, which counts the same units,
    // without the first group's values (each list of five holds every value
    // of the four groups, so the first group's is among them).
    const SearchContext& c = *gs.context;
    const LeaderValues& l = gs.leader;
    const LeaderShapeSet& set = gs.shapes->shapes;
    const usize first = order[0];
    const CharacterGroup& g = gs.groups[first];
    most_ = part.most;
    leader_skill_ = part.leader_skill;
    placed_bonus_ = l.bonus_x10;
    plain_rest_ = l.plain_power + part.plain - g.max_plain_power;
    shared_rest_ = l.power + part.shared - gs.shapes->shared_power[first];
    base_rest_ = part.bonus - g.max_base_x10;
    both_rest_ = part.bonus_and_limited - g.max_bonus_and_limited_x10;
    TopFive limited = without_one(part.limited, g.max_limited_x10);
    insert_top_five(limited, l.limited_x10);
    skills_ = without_one(part.skills, group_skill_bound(g, most_));
    known_ = set.known;
    for (usize j = 0; j < 2 * set.count; ++j)
        shaped_rest_ = std::max(shaped_rest_, part.shaped[j] - gs.shapes->group_shapes[first][j]);
    limited_counts_ = c.limited_bonus_count != 0;
    if (limited_counts_) {
        const usize k = static_cast<usize>(std::min<u64>(c.limited_bonus_count, 5));
        limited_k_ = first_sum(limited, k);
        limited_kth_ = limited[k - 1];
    }
    own_limited_sum_ = l.limited_x10;
    own_limited_least_ = 0;
    if (c.world_bloom) {
        support_x10_ = support_tenths(gs.leader_support_sum);
        relaxed_attr_ = attribute_count_part(c, 1, 4);
    } else {
        relaxed_attr_ = static_cast<u32>(std::max(c.default_support_value, 0));
    }
}

u64 ChildBounds::key(u32 power, u16 c, u32 extra_percent) const {
    const CardPool& pool = *gs_.pool;
    const u32 placed_bonus = placed_bonus_ + base_x10(pool, c);
    const u32 limited = pool.limited_x10(c);
    const u32 limited_part =
        limited_counts_ ? limited_k_ + (limited > limited_kth_ ? limited - limited_kth_ : 0) : 0;
    const u32 own_limited =
        own_limited_sum_ + (limited > own_limited_least_ ? limited - own_limited_least_ : 0);
    // The counted limited bonuses, or every card's whole bonus.
    const u32 bonus =
        std::min(placed_bonus + base_rest_ + limited_part, placed_bonus + own_limited + both_rest_);
    return final_bound_key(*gs_.tables, power, skills_with(c), leader_skill_,
                           bonus_percent(bonus, support_x10_) + extra_percent);
}

TopFive ChildBounds::skills_with(u16 c) const {
    TopFive skills = skills_;
    insert_top_five(skills, skill_up_to(gs_.skill_by_count[c], most_));
    return skills;
}

u64 ChildBounds::relaxed(u16 c) const {
    const CardPool& pool = *gs_.pool;
    u32 power = std::max(plain_rest_ + gs_.plain_power[c], shared_rest_ + pool.power(c));
    if (known_) power = std::min(power, shaped_rest_ + pool.power(c));
    return key(power, c, relaxed_attr_);
}

u64 ChildBounds::quick(u16 c) const {
    VDZ_ASSERT(!relaxed_only_);
    const CardPool& pool = *gs_.pool;
    const u8 bit = static_cast<u8>(1u << (pool.attr(c) & 7u));
    const u8 mask = static_cast<u8>(attr_mask_ | bit);
    const u8 common = static_cast<u8>(common_units_ & pool.unit_mask(c));
    // As `power_bound` of the child: the plain case alone once its cards
    // span two attributes and share no unit; otherwise the larger case, at
    // most the deck's best shape the child still allows.
    const u32 plain = plain_rest_ + gs_.plain_power[c];
    u32 power = plain;
    if (bit_count(mask) < 2 || common != 0) {
        power = std::max(plain, shared_rest_ + pool.power(c));
        if (known_) {
            const LeaderShapeSet& set = gs_.shapes->shapes;
            const ShapeSums& own = gs_.shapes->card_shapes[c];
            const bool same_attr = bit_count(mask) == 1;
            u32 shaped = 0;
            for (usize k = 0; k < set.count; ++k) {
                if ((set.units[k] & ~common) != 0) continue;
                shaped = std::max(shaped, shape_rest_[k][0] + own[k][0]);
                if (same_attr) shaped = std::max(shaped, shape_rest_[k][1] + own[k][1]);
            }
            power = std::min(power, shaped);
        }
    }
    return key(power, c, quick_attr_[(attr_mask_ & bit) == 0 ? 1 : 0]);
}

}  // namespace vdz
