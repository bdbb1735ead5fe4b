// Why the bound holds: a completion takes `columns` distinct pool cards at
// positions from `row` on, so its power and its card bonuses are at most the
// sums of that many largest values there, and its skill values, largest
// first, at most the largest there merged with the placed cards'; the key
// grows with each of them (see the per-character bounds). A card's bonus
// value is what the running sums can add for it: in the final chapter both
// of its parts rounded up.
#include "search/bounds/card_suffix_bound.h"

#include <algorithm>

#include "common/check.h"
#include "search/bounds/top_five.h"

namespace vdz {
namespace {

u32 card_bonus(const CardPool& pool, const SearchContext& context, u16 card) {
    const u32 total = pool.event_bonus(card).total_x10();
    if (!context.final_chapter) return ceil_percent(total);
    const u32 limited = pool.limited_x10(card);
    VDZ_ASSERT(limited <= total);
    return ceil_percent(total - limited) + ceil_percent(limited);
}

}  // namespace

CardSuffixSums build_card_suffix_sums(const CardPool& pool, const SearchContext& context) {
    const u16 n = pool.count();
    CardSuffixSums t;
    t.power.assign(usize{n} + 1, SuffixRow{});
    t.skill.assign(usize{n} + 1, SuffixRow{});
    t.bonus.assign(usize{n} + 1, SuffixRow{});
    TopFive<u32> power, skill, bonus;
    for (usize i = n; i-- > 0;) {
        const u16 card = static_cast<u16>(i);
        power.add(pool.power(card));
        skill.add(pool.skill_value(card));
        bonus.add(card_bonus(pool, context, card));
        t.power[i] = power.row<SuffixRow>();
        t.skill[i] = skill.row<SuffixRow>();
        t.bonus[i] = bonus.row<SuffixRow>();
    }
    return t;
}

u64 card_suffix_bound(const BoundModel& m, const CardSuffixSums& t, const PartialSums& sums,
                      usize row, usize columns, u64 bonus_extra) {
    VDZ_ASSERT(row < t.power.size() && columns <= 5);
    const u64 power = u64{sums.power_sum} + t.power[row][columns];
    const u64 bonus = u64{sums.bonus_sum} + t.bonus[row][columns] + bonus_extra;
    // The placed cards' skill values and the row's best, merged largest first.
    SkillValues skills{};
    const SuffixRow& sk = t.skill[row];
    usize a = 0, b = 0;
    for (u32& v : skills) {
        const u32 more = b < columns ? sk[b + 1] - sk[b] : 0;
        if (b < columns && (a >= 5 || more > sums.skills[a])) {
            v = more;
            ++b;
        } else {
            v = a < 5 ? sums.skills[a++] : 0;
        }
    }
    return bound_key(m, power, skills, lead_bound(sums, skills), bonus);
}

}  // namespace vdz
