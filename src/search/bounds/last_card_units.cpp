// Why the bound holds. Given the last card's unit mask, the deck's shared
// units are the placed cards' common units within the mask, its cards of
// each unit and its distinct units are counted exactly, and only the
// attribute case stays open, so both are tried. Each placed card then plays
// exactly its shape power, and resolves its skill to at most its ceiling for
// those counts (a reference skill reading the largest value any card holds
// before resolution). The last card plays at most its power column where the
// deck shares a unit, else at most its variant of no unit in that attribute
// case; its skill is at most its ceiling within the deck's distinct units,
// its bonus at most its own. The largest of these over every mask some later
// card carries bounds the live score and the event points, as the other
// bounds do (see dfs_bounds.cpp).
#include "search/bounds/last_card_units.h"

#include <algorithm>
#include <bit>
#include <functional>

#include "common/check.h"
#include "search/evaluation/deck_evaluator.h"

namespace vdz {

LastCardUnits build_last_card_units(const BoundModel& m) {
    const CardPool& pool = *m.pool;
    const usize n = pool.count();
    LastCardUnits t;
    for (u16 i = 0; i < n; ++i) {
        const u8 mask = pool.unit_mask(i) & 0x3Fu;
        if (std::find(t.masks.begin(), t.masks.end(), mask) == t.masks.end())
            t.masks.push_back(mask);
    }
    t.rows.assign(t.masks.size(), std::vector<LastCardUnits::Best>(n + 1));
    for (usize k = 0; k < t.masks.size(); ++k) {
        std::vector<LastCardUnits::Best>& rows = t.rows[k];
        for (usize i = n; i-- > 0;) {
            const u16 card = static_cast<u16>(i);
            rows[i] = rows[i + 1];
            if ((pool.unit_mask(card) & 0x3Fu) != t.masks[k]) continue;
            LastCardUnits::Best& b = rows[i];
            b.any = true;
            b.power = std::max(b.power, pool.power(card));
            b.plain = std::max(b.plain, m.power_no_unit[card]);
            b.unitless = std::max(b.unitless, m.power_no_unit_same_attr[card]);
            b.bonus = std::max<u16>(
                b.bonus, static_cast<u16>(ceil_percent(pool.event_bonus(card).total_x10())));
            for (u32 d = 1; d < b.skill.size(); ++d)
                b.skill[d] = std::max(b.skill[d], std::min(pool.skill_value(card),
                                                           m.ceilings->within_units(card, d)));
        }
    }
    return t;
}

u64 last_card_units_bound(const BoundModel& m, const LastCardUnits& t, const PartialSums& sums,
                          const DeckSlots& deck, usize row, u64 bonus_extra, u64 worst) {
    const CardPool& pool = *m.pool;
    if (m.context->final_chapter) return ~u64{0};
    u32 placed_units = 0;
    for (usize s = 0; s < 4; ++s)
        placed_units |= pool.unit_mask(deck[s]) & 0x3Fu;
    // The bound of the decks whose last card has at most the values of `b`,
    // the placed cards resolving to at most `ceiling` and sharing `shared`.
    const auto bound = [&](const LastCardUnits::Best& b, const std::array<u8, 4>& ceiling,
                           u32 shared, u8 last_skill) {
        SkillValues skills{};
        PartialSums placed = sums;
        for (usize s = 0; s < 4; ++s) {
            skills[s] = std::min(pool.skill_value(deck[s]), ceiling[s]);
            placed.slot_skills[s] = static_cast<u8>(skills[s]);
        }
        VDZ_ASSERT(placed.placed == 4);
        const SlotSkills slots{&placed, {last_skill}, row};
        const u32 lead = std::min<u32>(skills[0], sums.lead_skill);
        skills[4] = last_skill;
        std::sort(skills.begin(), skills.end(), std::greater<u32>());
        // Power, in each attribute case the placed cards leave open.
        u64 power = 0;
        for (const bool same : {false, true}) {
            if (same && sums.mixed_attrs) continue;
            u64 p = shared != 0 ? b.power : same ? b.unitless : b.plain;
            for (usize s = 0; s < 4; ++s)
                p += shape_power(pool, deck[s], shared, same);
            power = std::max(power, p);
        }
        const u64 bonus = u64{sums.bonus_sum} + b.bonus + bonus_extra;
        return bound_key(m, power, skills, sums.lead_known ? lead : skills[0], bonus, INFINITY,
                         &slots);
    };
    // 1. Masks that share a unit with every placed card, each apart: they
    // decide the decks of the unit bonuses.
    u64 best = 0;
    LastCardUnits::Best rest;
    u8 rest_skill = 0;
    for (usize k = 0; k < t.masks.size(); ++k) {
        const LastCardUnits::Best& b = t.rows[k][row];
        if (!b.any) continue;
        const u8 mask = t.masks[k];
        const u32 distinct = static_cast<u32>(std::popcount(placed_units | mask));
        const u8 skill = b.skill[std::min<usize>(distinct, b.skill.size() - 1)];
        const u32 shared = sums.common_units & mask;
        if (shared == 0) {
            // 2. The others together: each value at the largest of theirs.
            rest.any = true;
            rest.plain = std::max(rest.plain, b.plain);
            rest.unitless = std::max(rest.unitless, b.unitless);
            rest.bonus = std::max(rest.bonus, b.bonus);
            rest_skill = std::max(rest_skill, skill);
            continue;
        }
        std::array<u8, 4> ceiling{};
        m.ceilings->of_placed_and_last({deck.data(), 4}, mask, ceiling);
        best = std::max(best, bound({b}, ceiling, shared, skill));
        if (best > worst) return best;
    }
    if (rest.any) {
        std::array<u8, 4> ceiling{};
        m.ceilings->of_placed({deck.data(), 4}, 1, ceiling);
        best = std::max(best, bound(rest, ceiling, 0, rest_skill));
    }
    return best;
}

}  // namespace vdz
