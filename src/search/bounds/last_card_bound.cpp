// Why the bound holds: the range's card has at most the range's largest
// power, skill value, rounded-up bonus and coupled value; the other free
// cards, of characters of their own, at most the best per-character values
// after the range's start, as the suffix rows hold them (where characters may
// repeat, the largest values of any cards there, as the per-card sums hold
// them: the kernel places cards in ascending positions, so the rest follow
// the range's card); and the key grows with each of these, as every bound of
// the search uses. The power is taken per deck shape: a deck fills a unit
// only if all five cards have it, so a deck fills one of the units all
// placed cards share, whose cards are the only ones it then holds, or none,
// and then every card has its power without a unit: with the placed cards'
// attribute where all five share it (the rest from the cards of that
// attribute), else its plain power. The largest over the shapes bounds every
// deck, and so does the power column.
#include "search/bounds/last_card_bound.h"

#include <algorithm>
#include <bit>

#include "common/check.h"

namespace vdz {

template <class T>
void LastCardBound::Table<T>::build(std::vector<T> values) {
    const usize n = values.size();
    levels.push_back(std::move(values));
    for (usize width = 2; width <= n; width *= 2) {
        const std::vector<T>& below = levels.back();
        std::vector<T> level(n - width + 1);
        for (usize i = 0; i < level.size(); ++i)
            level[i] = std::max(below[i], below[i + width / 2]);
        levels.push_back(std::move(level));
    }
}

template <class T>
T LastCardBound::Table<T>::max(usize begin, usize end) const {
    VDZ_ASSERT(begin < end && end <= levels[0].size());
    const usize j = static_cast<usize>(std::bit_width(end - begin)) - 1;
    return std::max(levels[j][begin], levels[j][end - (usize{1} << j)]);
}

LastCardBound::LastCardBound(const BoundModel& m) : m_(&m) {
    const CardPool& pool = *m.pool;
    std::vector<u32> power, plain, same_attr, skill, bonus;
    std::vector<double> coupled;
    for (u16 i = 0; i < pool.count(); ++i) {
        power.push_back(pool.power(i));
        plain.push_back(m.power_no_unit[i]);
        same_attr.push_back(m.power_no_unit_same_attr[i]);
        skill.push_back(pool.skill_value(i));
        bonus.push_back(ceil_percent(pool.event_bonus(i).total_x10()));
        coupled.push_back(m.coupling.on ? m.coupling.card[i] : 0.0);
    }
    power_.build(std::move(power));
    plain_power_.build(std::move(plain));
    same_attr_power_.build(std::move(same_attr));
    for (u32 u = 0; u < 6; ++u) {
        std::vector<u32> of_unit;
        for (u16 i = 0; i < pool.count(); ++i)
            of_unit.push_back((pool.unit_mask(i) >> u) & 1u ? pool.power(i) : 0);
        unit_power_[u].build(std::move(of_unit));
        std::vector<u32> mixed;
        for (u16 i = 0; i < pool.count(); ++i)
            mixed.push_back(
                (pool.unit_mask(i) >> u) & 1u
                    ? std::min(pool.power(i), pattern_power(pool, i, pool.unit_mask(i), 0))
                    : 0);
        unit_power_mixed_[u].build(std::move(mixed));
    }
    skill_.build(std::move(skill));
    bonus_.build(std::move(bonus));
    coupled_.build(std::move(coupled));
}

u64 LastCardBound::power_bound(const PartialSums& sums, usize begin, usize end, usize rest,
                               u64 placed_unit, usize after) const {
    const SuffixTables& t = *m_->suffix;
    const u64 plain =
        u64{sums.plain_power_sum} + plain_power_.max(begin, end) + t.plain_power_sums[after][rest];
    if (sums.plain()) return plain;
    const u64 column = u64{sums.power_sum} + power_.max(begin, end) + t.power_sums[after][rest];
    if (sums.first_attr == 0xFF) return column;  // nothing placed
    // A deck that fills no unit: its five cards share the placed cards'
    // attribute, or every card has its plain power.
    u64 none = plain;
    if (!sums.mixed_attrs)
        none = std::max(none, u64{sums.unitless_power_sum} + same_attr_power_.max(begin, end) +
                                  t.same_attr_power_sums[sums.first_attr & 7u][after][rest]);
    // A deck that fills a unit the placed cards share: all its cards are of
    // that unit. Where the placed cards' attributes differ, so do the deck's,
    // and the range's card has a variant without the shared attribute, for
    // units it has, among which are those the deck fills.
    const auto& range_unit = sums.mixed_attrs ? unit_power_mixed_ : unit_power_;
    u64 shared = 0;
    for (u32 u = 0; u < 6; ++u)
        if ((sums.common_units >> u) & 1u)
            shared = std::max<u64>(shared, placed_unit + range_unit[u].max(begin, end) +
                                               t.unit_power_sums[u][after][rest]);
    return std::min(column, std::max(none, shared));
}

u64 LastCardBound::placed_unit_power(const PartialSums& sums, const DeckSlots& deck,
                                     usize placed) const {
    // A deck fills only units all its cards share, a subset of the placed
    // cards' common units, and a card's variant for a smaller set of units
    // is among those `pattern_power` takes for the larger one; the variant
    // of a shared attribute only where the placed cards have one attribute.
    u64 out = 0;
    for (usize s = 0; s < placed; ++s)
        out += placed_card_unit_power(sums, deck[s]);
    return out;
}

u32 LastCardBound::placed_card_unit_power(const PartialSums& sums, u16 card) const {
    const CardPool& pool = *m_->pool;
    u32 best = pattern_power(pool, card, sums.common_units, 0);
    if (!sums.mixed_attrs) best = std::max(best, pattern_power(pool, card, sums.common_units, 1));
    return std::min(best, pool.power(card));
}

u64 LastCardBound::last_bound(const PartialSums& sums, u64 placed_unit, usize begin, usize end,
                              u64 bonus_extra) const {
    // `bound_parts` of no rest: the range's best skill value is the only
    // free one, and the rest's sums are of no cards.
    const BoundModel& m = *m_;
    const u64 power = power_bound(sums, begin, end, 0, placed_unit, begin + 1);
    const std::array<u32, 1> skill{skill_.max(begin, end)};
    const u64 bonus = u64{sums.bonus_sum} + bonus_.max(begin, end) + bonus_extra;
    const double coupled = m.coupling.on ? sums.coupled + coupled_.max(begin, end) : INFINITY;
    const SkillValues merged = merge_skills(sums, skill, 1);
    VDZ_ASSERT(bound_key(m, power, merged, lead_bound(sums, merged), bonus, coupled) ==
               bound_parts(sums, power, begin, end, 0, bonus_extra, begin + 1));
    return bound_key(m, power, merged, lead_bound(sums, merged), bonus, coupled);
}

u64 LastCardBound::bound(const PartialSums& sums, usize begin, usize end, usize rest,
                         u64 bonus_extra, std::optional<u64> placed_unit, usize rest_from) const {
    const usize after = std::max(begin + 1, rest_from);
    VDZ_ASSERT(rest <= 4 && after < m_->suffix->power_sums.size());
    return bound_parts(sums,
                       power_bound(sums, begin, end, rest,
                                   placed_unit ? *placed_unit : u64{sums.power_sum}, after),
                       begin, end, rest, bonus_extra, after);
}

u64 LastCardBound::bound_parts(const PartialSums& sums, u64 power, usize begin, usize end,
                               usize rest, u64 bonus_extra, usize after) const {
    const BoundModel& m = *m_;
    const SuffixTables& t = *m.suffix;
    // The range's best skill value and the rest's, largest first.
    std::array<u32, 5> skills{skill_.max(begin, end)};
    const SuffixRow& sk = t.skill_sums[after];
    for (usize j = 0; j < rest; ++j)
        skills[j + 1] = sk[j + 1] - sk[j];
    std::sort(skills.begin(), skills.begin() + static_cast<std::ptrdiff_t>(rest + 1),
              std::greater<u32>());
    const u64 bonus = u64{sums.bonus_sum} + bonus_.max(begin, end) +
                      t.bonus_total_sums[after][rest] + bonus_extra;
    const double coupled =
        m.coupling.on ? sums.coupled + coupled_.max(begin, end) + m.coupling.sums[after][rest]
                      : INFINITY;
    const SkillValues merged = merge_skills(sums, skills, rest + 1);
    return bound_key(m, power, merged, lead_bound(sums, merged), bonus, coupled);
}

u32 LastCardBound::skill_max(usize begin, usize end) const {
    return skill_.max(begin, end);
}

u64 LastCardBound::add_range_card(PartialSums& sums, u64 placed_unit, usize begin,
                                  usize end) const {
    // The card's units are not taken from the shared ones: a deck that
    // shares fewer units has no more power than one that shares more, and
    // its unit power per unit is at most the range's largest for that unit
    // (in the variant without the shared attribute where the placed cards'
    // attributes already differ; a card's full power is at least that).
    const u8 top = static_cast<u8>(skill_.max(begin, end));
    sums.power_sum += power_.max(begin, end);
    sums.plain_power_sum += plain_power_.max(begin, end);
    sums.unitless_power_sum += same_attr_power_.max(begin, end);
    sums.skill_sum += top;
    sums.max_skill = std::max(sums.max_skill, top);
    sums.add_skill(top);
    if (m_->coupling.on) sums.coupled += coupled_.max(begin, end);
    const auto& range_unit = sums.mixed_attrs ? unit_power_mixed_ : unit_power_;
    u32 unit = 0;
    for (u32 u = 0; u < 6; ++u)
        if ((sums.common_units >> u) & 1u) unit = std::max(unit, range_unit[u].max(begin, end));
    return placed_unit + unit;
}

u64 LastCardBound::pair_bound(const PartialSums& sums, u64 placed_unit, usize begin, usize end,
                              usize begin2, usize end2, u64 bonus_extra) const {
    // Each free card has at most its range's largest power in each shape,
    // skill value, bonus and coupled value, and the key grows with each.
    const BoundModel& m = *m_;
    // 1. Power by deck shape, as `power_bound` takes it, with the second
    // range's largest values in place of the rest's.
    const auto both = [&](const Table<u32>& table) {
        return u64{table.max(begin, end)} + table.max(begin2, end2);
    };
    u64 power = u64{sums.plain_power_sum} + both(plain_power_);
    if (!sums.plain()) {
        u64 none = power;
        if (!sums.mixed_attrs)
            none = std::max(none, u64{sums.unitless_power_sum} + both(same_attr_power_));
        const auto& range_unit = sums.mixed_attrs ? unit_power_mixed_ : unit_power_;
        u64 shared = 0;
        for (u32 u = 0; u < 6; ++u)
            if ((sums.common_units >> u) & 1u)
                shared = std::max<u64>(shared, placed_unit + both(range_unit[u]));
        power = std::min(u64{sums.power_sum} + both(power_), std::max(none, shared));
    }
    // 2. Each range's best skill value, bonus and coupled value.
    std::array<u32, 5> skills{skill_.max(begin, end), skill_.max(begin2, end2)};
    if (skills[1] > skills[0]) std::swap(skills[0], skills[1]);
    const u64 bonus = u64{sums.bonus_sum} + both(bonus_) + bonus_extra;
    const double coupled =
        m.coupling.on ? sums.coupled + coupled_.max(begin, end) + coupled_.max(begin2, end2)
                      : INFINITY;
    const SkillValues merged = merge_skills(sums, skills, 2);
    return bound_key(m, power, merged, lead_bound(sums, merged), bonus, coupled);
}

u64 LastCardBound::bound(const PartialSums& sums, usize begin, usize end, usize rest,
                         u64 bonus_extra, const CardSuffixSums& cards, usize rest_from) const {
    const BoundModel& m = *m_;
    const usize after = std::max(begin + 1, rest_from);
    VDZ_ASSERT(rest <= 4 && after < cards.power.size());
    const u64 power = u64{sums.power_sum} + power_.max(begin, end) + cards.power[after][rest];
    std::array<u32, 5> skills{skill_.max(begin, end)};
    const SuffixRow& sk = cards.skill[after];
    for (usize j = 0; j < rest; ++j)
        skills[j + 1] = sk[j + 1] - sk[j];
    std::sort(skills.begin(), skills.begin() + static_cast<std::ptrdiff_t>(rest + 1),
              std::greater<u32>());
    const u64 bonus =
        u64{sums.bonus_sum} + bonus_.max(begin, end) + cards.bonus[after][rest] + bonus_extra;
    const SkillValues merged = merge_skills(sums, skills, rest + 1);
    return bound_key(m, power, merged, lead_bound(sums, merged), bonus);
}

}  // namespace vdz
