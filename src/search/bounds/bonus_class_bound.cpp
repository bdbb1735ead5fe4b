// Why the bound holds: every card a draw takes lies within its class from
// its first position on, and the draws take distinct cards, so the deck's
// power, each card at its value in every deck the placed cards leave open,
// is at most the placed cards' plus, per draw, the sum of the `count`
// largest such values there, and likewise its coupled values; its skill
// values, largest first, are at most the placed cards' merged with each
// draw's `count` largest (a value of the deck at any rank has at least that
// many values of the merged list at or above it). The live score grows with
// each of these, as every bound of the search uses.
#include "search/bounds/bonus_class_bound.h"

#include <algorithm>
#include <cmath>

#include "common/check.h"

namespace vdz {
namespace {

// The five largest values seen, largest first, and their prefix sums.
template <class T>
struct TopFive {
    std::array<T, 5> values{};

    void add(T v) {
        for (T& kept : values)
            if (v > kept) std::swap(v, kept);
    }

    template <class Row>
    Row row() const {
        Row r{};
        for (usize k = 1; k <= 5; ++k)
            r[k] = r[k - 1] + values[k - 1];
        return r;
    }
};

}  // namespace

BonusClassBound::BonusClassBound(const BoundModel& m) : m_(&m) {
    const CardPool& pool = *m.pool;
    const usize n = pool.count();
    const auto total = [&](usize i) {
        return i64{pool.event_bonus(static_cast<u16>(i)).total_x10()};
    };
    // 1. The runs of equal bonus.
    for (usize i = 0; i < n; ++i) {
        if (classes_.empty() || classes_.back().total_x10 != total(i))
            classes_.push_back({total(i), i, i});
        classes_.back().end = i + 1;
    }
    // 2. Per card, its power in each case: a shared attribute lifts it above
    // its plain power, a shared unit further.
    for (usize i = 0; i < n; ++i) {
        power_of_[0].push_back(pool.power(static_cast<u16>(i)));
        power_of_[1].push_back(m.power_no_unit[i]);
        power_of_[2].push_back(std::max(m.power_no_unit[i], m.power_no_unit_same_attr[i]));
    }
    // 3. Per position, the best values from it to its run's end. A card's
    // coupled value is linear in its power, so each case takes its power.
    const Coupling& c = m.coupling;
    for (usize k = 0; k < POWER_CASES; ++k) {
        power_[k].assign(n, SuffixRow{});
        coupled_[k].assign(n, std::array<double, 6>{});
    }
    skill_.assign(n, SuffixRow{});
    for (const BonusClass& run : classes_) {
        std::array<TopFive<u32>, POWER_CASES> power;
        std::array<TopFive<double>, POWER_CASES> coupled;
        TopFive<u32> skill;
        for (usize i = run.end; i-- > run.begin;) {
            const u32 s = pool.skill_value(static_cast<u16>(i));
            for (usize k = 0; k < POWER_CASES; ++k) {
                power[k].add(power_of_[k][i]);
                coupled[k].add(c.on ? c.t * power_of_[k][i] + c.r * s / c.t : 0.0);
                power_[k][i] = power[k].row<SuffixRow>();
                coupled_[k][i] = coupled[k].row<std::array<double, 6>>();
            }
            skill.add(s);
            skill_[i] = skill.row<SuffixRow>();
        }
    }
}

u32 BonusClassBound::score_bound(const PartialSums& sums, std::span<const u16> placed,
                                 std::span<const ClassDraw> draws) const {
    const BoundModel& m = *m_;
    const Coupling& c = m.coupling;
    // Once the placed cards share no unit, no completion fills one; once
    // they share no attribute either, every card counts its plain power.
    const usize k = sums.common_units != 0 ? 0 : sums.mixed_attrs ? 1 : 2;
    u64 power = 0;
    for (const u16 card : placed)
        power += power_of_[k][card];
    double coupled = c.on ? c.t * static_cast<double>(power) + c.r * sums.skill_sum / c.t : 0.0;
    std::array<u32, 5> more{};
    usize n = 0;
    for (const ClassDraw& d : draws) {
        if (d.count == 0) continue;
        if (d.from + d.count > d.end) return 0;  // no such deck
        VDZ_ASSERT(d.end <= skill_.size() && n + d.count <= 5);
        power += power_[k][d.from][d.count];
        coupled += coupled_[k][d.from][d.count];
        const SuffixRow& sk = skill_[d.from];
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
