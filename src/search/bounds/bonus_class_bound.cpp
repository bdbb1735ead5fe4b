// Why the bound holds: a deck's power is the sum of its cards' powers in
// what its five cards share, a unit or none, an attribute or none; each case
// below covers the decks that share what it names, admits only cards that
// can be in them, and values each at the most its power can be there. A
// deck shares a unit of its placed cards or none, and one that shares no
// unit shares their attribute or is plain, so the largest bound of those
// cases bounds it. Within a case, every card a draw takes lies within its
// class from its first position on, and the draws take distinct cards, so
// the deck's power is at most the placed cards' plus, per draw, the sum of
// the `count` largest values there, and likewise its coupled values; its
// skill values, largest first, are at most the placed cards' merged with
// each draw's `count` largest (a value of the deck at any rank has at least
// that many values of the merged list at or above it). The live score grows
// with each of these, as every bound of the search uses.
#include "search/bounds/bonus_class_bound.h"

#include <algorithm>
#include <cmath>

#include "common/check.h"
#include "search/bounds/top_five.h"
#include "search/evaluation/deck_evaluator.h"

namespace vdz {

BonusClassBound::BonusClassBound(const BoundModel& m, usize from) : m_(&m) {
    const CardPool& pool = *m.pool;
    const usize n = pool.count();
    const auto total = [&](usize i) {
        return i64{pool.event_bonus(static_cast<u16>(i)).total_x10()};
    };
    // 1. The runs of equal bonus.
    for (usize i = from; i < n; ++i) {
        if (classes_.empty() || classes_.back().total_x10 != total(i))
            classes_.push_back({total(i), i, i});
        classes_.back().end = i + 1;
    }
    // 2. Per case, each card's power there: a shared attribute lifts a card
    // above its plain power, a shared unit further. Where a deck shares
    // unit u, a card of two units counts the larger of its variants with u
    // alone or both shared.
    for (usize k = 0; k < CASES; ++k)
        power_of_[k].assign(n, 0);
    for (usize i = 0; i < n; ++i) {
        const u16 card = static_cast<u16>(i);
        const u32 units = pool.unit_mask(card);
        const usize a = (pool.attr(card) & 7u) % 5;
        power_of_[ANY][i] = pool.power(card);
        power_of_[PLAIN][i] = m.power_no_unit[i];
        power_of_[ATTR + a][i] = std::max(m.power_no_unit[i], m.power_no_unit_same_attr[i]);
        for (u32 u = 0; u < 6; ++u) {
            if (!((units >> u) & 1)) continue;
            const auto shared = [&](bool same_attr) {
                return std::max(shape_power(pool, card, 1u << u, same_attr),
                                shape_power(pool, card, units, same_attr));
            };
            power_of_[UNIT_MIXED + u][i] = shared(false);
            power_of_[UNIT_ATTR + 5 * u + a][i] = std::max(shared(false), shared(true));
        }
    }
    for (usize u = 0; u < 6; ++u) {
        next_of_unit_[u].assign(n + 1, static_cast<u16>(n));
        for (usize i = n; i-- > 0;)
            next_of_unit_[u][i] = (pool.unit_mask(static_cast<u16>(i)) >> u) & 1
                                      ? static_cast<u16>(i)
                                      : next_of_unit_[u][i + 1];
    }
    for (u32 a = 0; a < 8; ++a) {
        next_of_attr_[a].assign(n + 1, static_cast<u16>(n));
        for (usize i = n; i-- > 0;)
            next_of_attr_[a][i] = (pool.attr(static_cast<u16>(i)) & 7u) == a
                                      ? static_cast<u16>(i)
                                      : next_of_attr_[a][i + 1];
    }
    attrs_from_.assign(n, 0);
    for (const BonusClass& run : classes_)
        for (usize i = run.end; i-- > run.begin;)
            attrs_from_[i] = static_cast<u8>((i + 1 < run.end ? attrs_from_[i + 1] : 0) |
                                             (1u << (pool.attr(static_cast<u16>(i)) & 7u)));
    // 3. Per case and position, the best values of its cards from there to
    // the run's end. A card's coupled value is linear in its power, so each
    // case takes its power.
    const Coupling& c = m.coupling;
    for (usize k = 0; k < CASES; ++k) {
        Tops& t = tops_[k];
        t.power.assign(n, SuffixRow{});
        t.skill.assign(n, SuffixRow{});
        t.coupled.assign(n, std::array<double, 6>{});
        t.count.assign(n, 0);
        for (const BonusClass& run : classes_) {
            TopFive<u32> power, skill;
            TopFive<double> coupled;
            u16 count = 0;
            for (usize i = run.end; i-- > run.begin;) {
                const u16 card = static_cast<u16>(i);
                if (admits(k, card)) {
                    const u32 p = power_of_[k][i], v = pool.skill_value(card);
                    power.add(p);
                    skill.add(v);
                    coupled.add(c.on ? c.t * p + c.r * v / c.t : 0.0);
                    ++count;
                }
                t.power[i] = power.row<SuffixRow>();
                t.skill[i] = skill.row<SuffixRow>();
                t.coupled[i] = coupled.row<std::array<double, 6>>();
                t.count[i] = count;
            }
        }
    }
}

bool BonusClassBound::admits(usize k, u16 card) const {
    const CardPool& pool = *m_->pool;
    const usize a = (pool.attr(card) & 7u) % 5;
    const u32 units = pool.unit_mask(card);
    if (k < ATTR) return true;
    if (k < UNIT_MIXED) return a == k - ATTR;
    if (k < UNIT_ATTR) return (units >> (k - UNIT_MIXED)) & 1;
    return (units >> ((k - UNIT_ATTR) / 5)) & 1 && a == (k - UNIT_ATTR) % 5;
}

u64 BonusClassBound::placed_power(usize k, std::span<const u16> placed) const {
    u64 power = 0;
    for (const u16 card : placed)
        power += power_of_[k][card];
    return power;
}

u32 BonusClassBound::unit_bound(const PartialSums& sums, std::span<const u16> placed,
                                std::span<const ClassDraw> draws, u32 enough) const {
    VDZ_ASSERT(!placed.empty());
    // A deck that shares a unit holds only cards of it; it shares the
    // placed cards' attribute too, and holds only cards of that, or none.
    u32 bound = 0;
    for (usize u = 0; u < 6 && bound < enough; ++u) {
        if (!((sums.common_units >> u) & 1)) continue;
        const usize mixed = UNIT_MIXED + u;
        bound = std::max(bound, case_bound(mixed, placed_power(mixed, placed), sums, draws));
        if (sums.mixed_attrs || bound >= enough) continue;
        const usize same = UNIT_ATTR + 5 * u + sums.first_attr % 5;
        bound = std::max(bound, case_bound(same, placed_power(same, placed), sums, draws));
    }
    return bound;
}

u32 BonusClassBound::free_bound(const PartialSums& sums, std::span<const u16> placed,
                                std::span<const ClassDraw> draws, u32 enough) const {
    VDZ_ASSERT(!placed.empty());
    // A deck that shares no unit shares the placed cards' attribute, and
    // holds only cards of it, or counts every card's plain power.
    u32 bound = case_bound(PLAIN, sums.plain_power_sum, sums, draws);
    if (sums.mixed_attrs || bound >= enough) return bound;
    const usize k = ATTR + sums.first_attr % 5;
    return std::max(bound, case_bound(k, placed_power(k, placed), sums, draws));
}

u32 BonusClassBound::case_bound(usize k, u64 placed_power, const PartialSums& sums,
                                std::span<const ClassDraw> draws) const {
    const BoundModel& m = *m_;
    const Coupling& c = m.coupling;
    const Tops& t = tops_[k];
    u64 power = placed_power;
    double coupled = c.on ? c.t * static_cast<double>(power) + c.r * sums.skill_sum / c.t : 0.0;
    std::array<u32, 5> more{};
    usize n = 0;
    for (const ClassDraw& d : draws) {
        if (d.count == 0) continue;
        if (d.from >= d.end || t.count[d.from] < d.count) return 0;  // no such deck
        VDZ_ASSERT(d.end <= t.power.size() && n + d.count <= 5);
        power += t.power[d.from][d.count];
        coupled += t.coupled[d.from][d.count];
        const SuffixRow& sk = t.skill[d.from];
        for (usize j = 0; j < d.count; ++j)
            more[n++] = sk[j + 1] - sk[j];
    }
    // Largest first, by insertion: at most five values.
    for (usize i = 1; i < n; ++i)
        for (usize j = i; j > 0 && more[j - 1] < more[j]; --j)
            std::swap(more[j - 1], more[j]);
    const SkillValues skills = merge_skills(sums, more, n);
    // The key's high half, the bonus, is not read: the caller knows it.
    return static_cast<u32>(
        bound_key(m, power, skills, lead_bound(sums, skills), 0, c.on ? coupled : INFINITY));
}

}  // namespace vdz
