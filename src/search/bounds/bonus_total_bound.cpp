// Why the bound holds. The tables keep, per count and exact sum of bonus
// totals, the largest power column sum, plain power sum, sum of powers
// without a unit under a shared attribute, skill value sum, coupled value
// sum and single skill value over every choice of that many cards from a
// position on, whatever their characters, so each bounds that part of the
// free cards of every completion the kernel forms there (each part apart:
// the maxima may come from different choices, which only loosens the
// bound). A deck fills a unit only where all five cards have it: one of the
// units the placed cards share, whose cards are then its only ones (the
// tables keep, per unit, the choices of its cards alone; where the placed
// cards' attributes differ so do the deck's, and each free card has a
// variant without the shared attribute for its own units, among which are
// those the deck fills; the placed cards' variants for the units they share
// bound theirs, as the last card's bound uses), or none, and then
// either its five cards share the placed cards' attribute and each has its
// power without a unit under it, or every card has its plain power. Sorted largest
// first, the free cards' skill values v1 >= ... >= vc, of sum s, have j vj
// <= s, and vj is at most the largest j-th value over the choices (a
// choice's sorted values with one card inserted stay at most the kept ones
// with it inserted, place by place), so vj <= min(mj, s / j): merged with
// the placed values these bound the deck's sorted values place by place.
// The coupled product adds to the card values f times the deck's best skill
// value (and the leader's, where the best leads), which is the larger of the
// placed cards' best and the free cards' largest: per choice, the card
// values plus f times its largest bound the second case, the kept card
// values plus f times the placed best the first. A free
// card's rounded-up bonus is at most its total in tenths, rounded up, plus
// one. The key grows with every one of these, as every bound of the search
// uses. Taking each part's best apart pairs the power of the strong cards
// with the skills of others, so the choices are also split by their largest
// skill value: those holding a card of one of the pool's few largest values
// v (and none larger) keep the power and coupled sums of the choices that
// hold a card of at least v, a superset of them, and have every skill value
// at most v; the rest keep every part's best, their values at most the next
// largest value. Every choice lies in one class, so the largest of the
// classes' keys bounds them all.
#include "search/bounds/bonus_total_bound.h"

#include <algorithm>

#include "common/check.h"
#include "search/bounds/suffix_tables.h"

namespace vdz {
namespace {

// Debug builds check each pair's entry against the tables' own join.
#if !defined(NDEBUG) || defined(VDZ_CHECKS)
constexpr bool CHECK_PAIRS = true;
#else
constexpr bool CHECK_PAIRS = false;
#endif

}  // namespace

BonusTotalBound::BonusTotalBound(const BoundModel& m) : m_(&m) {
    const CardPool& pool = *m.pool;
    for (u16 i = 0; i < pool.count(); ++i) {
        u8 v = pool.skill_value(i);
        for (u8& t : top_) {
            if (v == t) break;
            if (v > t) std::swap(v, t);
        }
    }
    const auto join = [&](const Entry* fewer, u16 card) {
        Entry e = fewer ? *fewer : Entry{};
        // A choice holds a card of value at least top_[k] where the card
        // has one or the choice it joins holds one: its parts are the
        // card's added to those of the choices of either kind.
        for (usize k = 0; k < CLASSES; ++k) {
            const bool card_holds = pool.skill_value(card) >= top_[k];
            const bool joined_holds = fewer && ((fewer->holds >> k) & 1u);
            if (!card_holds && !joined_holds) continue;
            e.holds = static_cast<u8>(e.holds | (1u << k));
            const auto with = [&](u32 joined, u32 all, u32 own) {
                return std::max(joined_holds ? joined + own : 0u, card_holds ? all + own : 0u);
            };
            e.power_with[k] =
                with(fewer ? fewer->power_with[k] : 0, fewer ? fewer->power : 0, pool.power(card));
            e.plain_with[k] = with(fewer ? fewer->plain_with[k] : 0, fewer ? fewer->plain : 0,
                                   m.power_no_unit[card]);
            e.same_attr_with[k] =
                with(fewer ? fewer->same_attr_with[k] : 0, fewer ? fewer->same_attr : 0,
                     m.power_no_unit_same_attr[card]);
            if (m.coupling.on) {
                const double w = m.coupling.card[card];
                e.coupled_with[k] = std::max(joined_holds ? fewer->coupled_with[k] + w : 0.0,
                                             card_holds ? (fewer ? fewer->coupled : 0.0) + w : 0.0);
            }
        }
        e.reached = true;
        // The card's value takes its place among the sorted ones.
        u8 v = pool.skill_value(card);
        for (u8& r : e.rank)
            if (v > r) std::swap(v, r);
        e.skill = static_cast<u16>(e.skill + pool.skill_value(card));
        e.power += pool.power(card);
        e.plain += m.power_no_unit[card];
        e.same_attr += m.power_no_unit_same_attr[card];
        for (u32 u = 0; u < 6; ++u) {
            const bool all_of_unit = (pool.unit_mask(card) >> u) & 1u && (!fewer || e.unit[u] != 0);
            e.unit[u] = all_of_unit ? e.unit[u] + pool.power(card) : 0;
            e.unit_mixed[u] =
                all_of_unit
                    ? e.unit_mixed[u] + std::min(pool.power(card),
                                                 pattern_power(pool, card, pool.unit_mask(card), 0))
                    : 0;
        }
        if (m.coupling.on) {
            // A choice of sum c and largest value v with the card (value
            // w, s) added has c + w + f max(v, s): at most the larger of
            // the kept bound and the kept sum with the card's own value.
            const Coupling& c = m.coupling;
            const double w = c.card[card], s = pool.skill_value(card);
            const double best = c.b / c.t, lead = (c.b + c.l) / c.t;
            const double sum = fewer ? fewer->coupled : 0.0;
            e.coupled_best = std::max(fewer ? fewer->coupled_best + w : 0.0, sum + w + best * s);
            e.coupled_lead = std::max(fewer ? fewer->coupled_lead + w : 0.0, sum + w + lead * s);
            e.coupled += w;
        }
        return e;
    };
    tables_ = BonusTotalTables<Entry, 4>(pool, join, m.fixed_layout);
    if (m.coupling.on) {
        const Coupling& c = m.coupling;
        best_weight_ = c.b / c.t;
        lead_weight_ = c.l / c.t;
        both_weight_ = (c.b + c.l) / c.t;
    }
    // Pairs of two free cards, for decks of distinct characters outside
    // World Bloom events (whose windows span dozens of sums) and fixed runs
    // (where a pair's cards are not any two from a position on).
    const SearchContext* context = m.context;
    if (tables_.built() && !m.fixed_layout.on() && context && context->dominance_pruning &&
        !context->world_bloom) {
        std::vector<Entry> ones;
        for (u16 i = 0; i < pool.count(); ++i)
            ones.push_back(join(nullptr, i));
        prepare_pairs(std::move(ones));
        if constexpr (CHECK_PAIRS) {
            for (usize a = 0; a < ones_.size(); ++a) {
                for (usize b = a + 1; b < ones_.size(); ++b) {
                    [[maybe_unused]] const Entry x = join(&ones_[b], static_cast<u16>(a));
                    [[maybe_unused]] const Entry e = pair_entry(a, b);
                    VDZ_ASSERT(
                        x.power == e.power && x.plain == e.plain && x.same_attr == e.same_attr &&
                        x.skill == e.skill && x.rank == e.rank && x.unit == e.unit &&
                        x.unit_mixed == e.unit_mixed && x.coupled == e.coupled &&
                        x.coupled_best == e.coupled_best && x.coupled_lead == e.coupled_lead);
                }
            }
        }
    }
}

u64 BonusTotalBound::bound(const PartialSums& sums, usize row, usize free, i64 lo, i64 hi,
                           u64 bonus_extra, std::optional<u64> placed_unit,
                           std::optional<u32> cut_at, u32 placed_characters) const {
    if (!tables_.built() || free == 0 || free > 4) return ~u64{0};
    // Two free cards whose choices are kept pair by pair: each pair by
    // its own key (bonus_total_pairs.cpp), read only where the caller cuts.
    if (free == 2 && cut_at && !pair_nodes_.empty()) {
        if (const std::optional<u64> key =
                pair_bound(sums, row, lo, hi, bonus_extra, placed_unit, *cut_at, placed_characters))
            return *key;
    }
    // 1. The best of every part over the sums within the window.
    Entry best = window_joins_.best_within(tables_, row, free, lo, hi);
    if (!best.reached) return 0;
    // 2. Per class of the choices' largest skill value, the key of a deck
    // of the parts of that class, each skill value at most the class's
    // largest; every choice lies in one class.
    // Each class's key is at most the key of every part's best, which
    // alone decides where it is cut already.
    const auto above = [&](u64 k) { return cut_at && static_cast<u32>(k) > *cut_at; };
    if (top_[CLASSES] == 0 || cut_at) {
        const u64 all = key_of(best, sums, free, hi, bonus_extra, placed_unit);
        if (top_[CLASSES] == 0 || !above(all)) return all;
    }
    u64 key = 0;
    const Coupling& c = m_->coupling;
    for (usize k = 0; k <= CLASSES; ++k) {
        Entry e = best;
        if (k < CLASSES) {
            // Choices of largest value in top_[k] .. top_[k - 1] - 1.
            if (!((e.holds >> k) & 1u)) continue;
            e.power = e.power_with[k];
            e.plain = e.plain_with[k];
            e.same_attr = e.same_attr_with[k];
            e.coupled = e.coupled_with[k];
        }
        // Below top_[k - 1] the next value is top_[k].
        const u8 cap = k == 0 ? 255 : top_[k];
        for (u8& r : e.rank)
            r = std::min(r, cap);
        e.skill = static_cast<u16>(std::min<u32>(e.skill, u32{cap} * static_cast<u32>(free)));
        if (c.on) {
            e.coupled_best = std::min(e.coupled_best, e.coupled + best_weight_ * cap);
            e.coupled_lead = std::min(e.coupled_lead, e.coupled + both_weight_ * cap);
        }
        key = std::max(key, key_of(e, sums, free, hi, bonus_extra, placed_unit));
        if (above(key)) break;
    }
    return key;
}

u64 BonusTotalBound::key_of(const Entry& best, const PartialSums& sums, usize free, i64 hi,
                            u64 bonus_extra, std::optional<u64> placed_unit) const {
    const BoundModel& m = *m_;
    const u64 plain = u64{sums.plain_power_sum} + best.plain;
    u64 power = sums.plain() ? plain : u64{sums.power_sum} + best.power;
    if (!sums.plain() && sums.first_attr != 0xFF) {
        // A deck that fills no unit: all five share the placed cards'
        // attribute, or every card has its plain power; one that fills a
        // unit the placed cards share holds only cards of it.
        u64 shape = plain;
        if (!sums.mixed_attrs)
            shape = std::max(shape, u64{sums.unitless_power_sum} + best.same_attr);
        const u64 placed = placed_unit ? *placed_unit : u64{sums.power_sum};
        const auto& free_unit = sums.mixed_attrs ? best.unit_mixed : best.unit;
        for (u32 u = 0; u < 6; ++u)
            if ((sums.common_units >> u) & 1u) shape = std::max(shape, placed + free_unit[u]);
        power = std::min(power, shape);
    }
    std::array<u32, 5> values{};
    for (usize j = 0; j < free; ++j)
        values[j] = std::min<u32>(best.rank[j], best.skill / static_cast<u32>(j + 1));
    const SkillValues skills = merge_skills(sums, values, free);
    const u64 bonus = u64{sums.bonus_sum} + ceil_percent(static_cast<u32>(std::max<i64>(hi, 0))) +
                      free + bonus_extra;
    const u32 lead = lead_bound(sums, skills);
    double coupled = INFINITY;
    if (m.coupling.on) {
        // The coupled product reads b best + l lead beside the card values;
        // the deck's best value is the larger of the placed cards' and the
        // free cards' largest, so those terms and the free cards' values
        // are bounded together by the tables' sums with their largest.
        const Coupling& c = m.coupling;
        const double placed_top = sums.max_skill, free_cards = sums.coupled + best.coupled;
        const double together = sums.lead_known ? std::max(free_cards + best_weight_ * placed_top,
                                                           sums.coupled + best.coupled_best) +
                                                      lead_weight_ * lead
                                                : std::max(free_cards + both_weight_ * placed_top,
                                                           sums.coupled + best.coupled_lead);
        // Passed less the terms the product adds of `skills[0]` and `lead`.
        coupled = std::min(free_cards, together - (c.b * skills[0] + c.l * lead) / c.t);
    }
    return bound_key(m, power, skills, lead, bonus, coupled);
}

}  // namespace vdz
