// Why the windows hold. Outside the final chapter a deck's event bonus is
// b = 0.1 X + A + S, with X its cards' totals in tenths, and, in a World Bloom
// event, A its attribute-count bonus and S its support sum; its doubled bonus
// is round(2 b), halves away from zero, so it is the tier key K exactly when
// K - 0.5 <= 2 b < K + 0.5, that is 5 K - 2.5 - 10 (A + S) <= X < 5 K + 2.5 -
// 10 (A + S). For A + S within lo..=hi, X lies within 5 K - 2.5 - 10 hi ..=
// 5 K + 2.5 - 10 lo; one tenth more on each side absorbs the rounding of the
// evaluator's floating-point sums. The attribute count of a completion lies
// between the placed cards' (at least one) and that plus the free slots,
// and A is the table's value there. The support sum takes the first `count`
// entries of the list that are not deck cards: at most the `count` largest
// not among the placed cards, and, where the list is read best first, at
// least the first `count` left once the `free_slots` largest entries whose
// cards lie at or after the free cards' first position are removed too:
// removing the largest such entries leaves every order statistic of the
// rest at its lowest.
#include "search/bounds/tier_reach.h"

#include <algorithm>
#include <cmath>

#include "common/numeric.h"

namespace vdz {

TierReach::TierReach(const BoundModel& m) : m_(&m), later_(*m.pool) {
    const SearchContext& context = *m.context;
    const CardPool& pool = *m.pool;
    // 1. The cards the fixed cards and characters lead with: once those are
    // placed, none of them fits a free slot (its character, or in challenge
    // lives its card id, is taken).
    const auto fixed_related = [&](u16 i) {
        const auto& cards = context.fixed_cards;
        const auto& characters = context.fixed_characters;
        return std::find(cards.begin(), cards.end(), pool.card_id(i)) != cards.end() ||
               std::find(characters.begin(), characters.end(), pool.character_id(i)) !=
                   characters.end();
    };
    fixed_slots_ = context.fixed_cards.size() + context.fixed_characters.size();
    while (fixed_end_ < pool.count() && fixed_related(static_cast<u16>(fixed_end_)))
        ++fixed_end_;
    // 2. The positions from which the pool is listed by bonus, largest
    // first, and there, per total, the first card with at most that total.
    sorted_from_ = pool.count();
    while (sorted_from_ > 0 && (sorted_from_ == pool.count() ||
                                pool.event_bonus(static_cast<u16>(sorted_from_ - 1)).total_x10() >=
                                    pool.event_bonus(static_cast<u16>(sorted_from_)).total_x10()))
        --sorted_from_;
    first_at_most_.assign(EventBonusHot::MAX_TOTAL_X10 + 1, pool.count());
    usize i = pool.count();
    for (usize t = 0; t <= EventBonusHot::MAX_TOTAL_X10; ++t) {
        while (i > sorted_from_ && pool.event_bonus(static_cast<u16>(i - 1)).total_x10() <= t)
            --i;
        first_at_most_[t] = static_cast<u16>(i);
    }
    world_bloom_ = context.world_bloom;
    if (!world_bloom_) return;
    attrs_from_.assign(usize{pool.count()} + 1, 0);
    for (usize i = pool.count(); i-- > 0;)
        attrs_from_[i] =
            static_cast<u8>(attrs_from_[i + 1] | (1u << (pool.attr(static_cast<u16>(i)) & 7u)));
    const std::vector<SupportEntry>& given = context.world_bloom_support.general.entries;
    std::vector<u16> ids;
    bool sorted = true;
    for (usize i = 0; i < given.size(); ++i) {
        if (given[i].value < 0.0) support_negative_sum_ += given[i].value;
        sorted =
            sorted && given[i].value >= 0.0 && (i == 0 || given[i].value <= given[i - 1].value);
        ids.push_back(given[i].card_id);
    }
    std::sort(ids.begin(), ids.end());
    support_floor_sorted_ = sorted && std::adjacent_find(ids.begin(), ids.end()) == ids.end();
    // Places the sums mark: the first 64 entries. A walk passes the placed
    // cards, the removed ones and `count` more; it must stay among them.
    const SupportDeckList& list = m.support_lists[0];
    const usize marked = std::min<usize>(list.entries.size(), 64);
    support_walk_marked_ = list.entries.size() <= 64 || usize{list.count} + 10 <= 64;
    support_last_position_.assign(marked, -1);
    for (usize e = 0; e < marked; ++e)
        for (u16 i = 0; i < pool.count(); ++i)
            if (pool.card_id(i) == list.entries[e].card_id) support_last_position_[e] = i;
}

BonusExtras TierReach::extras(const PartialSums& placed, usize free_slots, usize row) const {
    BonusExtras out;
    if (!world_bloom_) return out;
    const SearchContext& context = *m_->context;
    // 1. Attribute count: at least the placed cards' (and one), at most
    // that plus one per free card with an attribute still to come.
    const usize a = bit_count(placed.attr_mask);
    const usize fresh = bit_count(attrs_from_[row] & ~u32{placed.attr_mask});
    const usize least = std::min<usize>(std::max<usize>(a, 1), 5);
    const usize most = std::max(least, std::min<usize>(a + std::min(free_slots, fresh), 5));
    out.lo = out.hi = context.distinct_attr_bonus[least];
    for (usize c = least; c <= most; ++c) {
        out.lo = std::min<double>(out.lo, context.distinct_attr_bonus[c]);
        out.hi = std::max<double>(out.hi, context.distinct_attr_bonus[c]);
    }
    // 2. Support sum, from the list sorted best first: at most its first
    // `count` entries not placed; at least, where the floor holds, the first
    // `count` of those left once the free cards take the largest entries
    // whose cards are still to come.
    const SupportDeckList& list = m_->support_lists[0];
    double high = 0.0, low = 0.0;
    if (!support_walk_marked_) {
        for (usize e = 0; e < std::min<usize>(list.count, list.entries.size()); ++e)
            high += std::max(list.entries[e].value, 0.0);
        out.hi += high;
        out.lo += support_negative_sum_;
        return out;
    }
    usize high_taken = 0, low_taken = 0, removed = 0;
    for (usize e = 0; e < support_last_position_.size(); ++e) {
        if (high_taken >= list.count && low_taken >= list.count) break;
        if ((placed.support_taken >> e) & 1) continue;
        const double value = list.entries[e].value;
        if (high_taken < list.count) {
            high += std::max(value, 0.0);
            ++high_taken;
        }
        if (low_taken >= list.count) continue;
        if (removed < free_slots && support_last_position_[e] >= static_cast<i32>(row)) {
            ++removed;
            continue;
        }
        low += value;
        ++low_taken;
    }
    out.hi += high;
    out.lo += support_floor_sorted_ ? low : support_negative_sum_;
    return out;
}

TenthsWindow TierReach::window(u32 tier_key, const BonusExtras& extras) const {
    const i64 center = 5 * i64{tier_key};
    if (!world_bloom_) return {center - 2, center + 2};
    const double lo = std::floor(static_cast<double>(center) - 2.5 - 10.0 * extras.hi) - 1.0;
    const double hi = std::ceil(static_cast<double>(center) + 2.5 - 10.0 * extras.lo) + 1.0;
    return {saturating_cast<i64>(lo), saturating_cast<i64>(hi)};
}

usize TierReach::free_row(usize row, usize depth) const {
    return depth >= fixed_slots_ ? std::max(row, fixed_end_) : row;
}

usize TierReach::first_at_most(usize row, i64 most) const {
    if (row < sorted_from_) return row;
    if (most < 0) return std::max<usize>(row, m_->pool->count());
    const usize t = static_cast<usize>(std::min<i64>(most, EventBonusHot::MAX_TOTAL_X10));
    return std::max<usize>(row, first_at_most_[t]);
}

}  // namespace vdz
