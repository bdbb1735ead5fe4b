// Why the split holds. A deck counts the first `count` entries of the sorted
// support list whose cards it does not hold; a completion whose free cards
// take none of the entries the placed cards' deck counts holds none of those
// cards, so it counts the same entries and its support sum is theirs: its
// total lies in an exact window of `TierReach::kept_extras`. Every other
// completion holds a free card that takes one of them, a card at a position
// `TierReach::for_each_taker` lists from the free cards' first position on,
// of a character not yet used. A completion holding such a card t is the
// placed cards, t and one card more: with the pool's fixed slots in runs,
// where the next card comes from the last run, a t of that run leaves the
// other card after the runs, and a t after the runs leaves it in the last
// run from the free cards' first position on; where both come after the
// runs, the other comes from that first position on. The bound of the
// placed cards and t with one card from that range bounds every such
// completion.
//
// Their tiers. With t, which takes entry e, the deck counts the first
// `count` entries of the list outside the placed cards' and e: where the
// other card takes none of those, the support sum is theirs, and with the
// attribute count (t's deck's, or one more where the other card's attribute
// is new) the deck's total lies in the window of that sum; where it takes
// one, f, the deck's entries are those outside the placed cards', e and f,
// and its bonus is known exactly. A deck whose two free cards both take an
// entry the placed cards' deck counts is met from either card; it is asked
// from the one of the smaller position, which lists the other among its
// range.
#include "search/dfs/pair_takers.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <vector>

#include "common/check.h"
#include "common/numeric.h"
#include "search/bounds/dfs_bounds.h"
#include "search/bounds/tier_reach.h"
#include "search/dfs/dfs_node.h"
#include "search/evaluation/deck_evaluator.h"
#include "search/evaluation/deck_key.h"

namespace vdz {
namespace {

// The positions `begin`..`end` the other free card of a completion that
// holds taker `card` comes from; empty where `card` fills no free slot of
// the node.
struct OtherRange {
    usize begin = 0;
    usize end = 0;
};

OtherRange other_range(const SearchNodeState& state, usize depth, usize row, u16 card) {
    const FixedSlotLayout& layout = state.bounds.fixed_layout;
    const usize n = state.pool.count();
    // Where the next card comes from the last run: its positions from
    // `row` on.
    if (depth + 1 != layout.slots()) return {row, n};
    const usize run_begin = std::max(row, layout.begin[depth]);
    if (card < layout.end) {
        if (card < run_begin) return {};  // an earlier run's, of a used character
        return {layout.end, n};
    }
    if (run_begin >= layout.end) return {};
    return {run_begin, layout.end};
}

// The bound of the completions of the placed cards and a taker (`with`)
// by one card from `other`.
u32 taker_bound(const SearchNodeState& state, const PartialSums& with, const OtherRange& other) {
    const BoundModel& m = state.bounds;
    if (other.end == state.pool.count())
        return static_cast<u32>(position_bound(m, with, other.begin, 1, m.bonus_extra));
    return static_cast<u32>(state.last_card->bound(with, other.begin, other.end, 0, m.bonus_extra));
}

}  // namespace

bool pair_split_applies(const SearchNodeState& state, usize depth) {
    const FixedSlotLayout& layout = state.bounds.fixed_layout;
    return state.tier_reach && state.last_card && state.context.world_bloom && layout.on() &&
           layout.slots() >= 3 && depth == 3 && depth + 1 >= layout.slots();
}

bool few_pair_takers(const SearchNodeState& state, const PartialSums& sums, usize row, u32 used) {
    constexpr usize FEW = 8;
    usize count = 0;
    state.tier_reach->for_each_taker(sums, row, [&](u16 card, usize) {
        count += ((used >> state.pool.character_id(card)) & 1) ? 0 : 1;
    });
    return count <= FEW;
}

namespace {

// The takers of the placed cards of `sums` (`deck`'s first three slots,
// characters `used`) by two free cards from `row` on, each with the tiers of
// `tiers` (at most 64) its decks may land on.
std::vector<PairTaker> find_pair_takers(const SearchNodeState& state, const PartialSums& sums,
                                        usize row, u32 used,
                                        [[maybe_unused]] const DeckSlots& deck) {
    const TierReach& reach = *state.tier_reach;
    const CardPool& pool = state.pool;
    const auto& tiers = state.store.tiers;
    // The entries the placed cards' deck counts, and the first after them:
    // a taker of entry e leaves its deck the others and that one.
    u64 counted = 0;
    const double support = reach.support_taking(sums, 0, &counted);
    const auto& entries = state.bounds.support_lists[0].entries;
    usize next = counted == 0 ? 0 : static_cast<usize>(64 - std::countl_zero(counted));
    while (next < reach.marked_entries() && ((sums.support_taken >> next) & 1))
        ++next;
    const bool refill = next < reach.marked_entries() && next < entries.size();
    const u64 refill_bit = refill ? u64{1} << next : 0;
    std::vector<PairTaker> out;
    reach.for_each_taker(sums, row, [&](u16 card, usize entry) {
        const u32 character = pool.character_id(card);
        if ((used >> character) & 1) return;
        const OtherRange other = other_range(state, 3, row, card);
        if (other.begin >= other.end) return;
        PairTaker taker{card, 0};
        const u32 x10 = sums.bonus_x10 + pool.event_bonus(card).total_x10();
        const u8 attr_mask = static_cast<u8>(sums.attr_mask | (1u << (pool.attr(card) & 7u)));
        // The other card takes none of the entries the deck with t counts:
        // the tiers whose windows its total and attribute reach. Its
        // support sum, taken apart from the walk, may differ from the
        // evaluator's in the last bits, which the slack holds.
        const double with = support - entries[entry].value + (refill ? entries[next].value : 0.0);
        const usize attrs = bit_count(attr_mask);
        for (usize c = attrs; c <= std::min<usize>(attrs + 1, 5); ++c) {
            const u8 other_attrs = static_cast<u8>(c == attrs ? attr_mask : ~u32{attr_mask});
            const TenthsWindow slack =
                TierReach::extras_slack(state.context.distinct_attr_bonus[c] + with);
            for (usize t = 0; t < tiers.size(); ++t) {
                const i64 center = 5 * i64{tiers[t].tier_key};
                if (!((taker.tiers >> t) & 1) &&
                    reach.one_reaches(other.begin, other_attrs, x10,
                                      {center + slack.lo, center + slack.hi}))
                    taker.tiers |= u64{1} << t;
            }
        }
        // It takes one of them, f: the deck's bonus is known.
        const u64 taker_counted = (counted & ~(u64{1} << entry)) | refill_bit;
        for (u64 bits = taker_counted; bits != 0; bits &= bits - 1) {
            const usize f = static_cast<usize>(std::countr_zero(bits));
            const bool both = (counted >> f) & 1;
            std::optional<double> pair_support;
            for (const u16 p : reach.entry_positions(f)) {
                if (p < other.begin || p >= other.end || (both && p < card)) continue;
                const u32 c = pool.character_id(p);
                if (c == character || ((used >> c) & 1)) continue;
                if (!pair_support)
                    pair_support = reach.support_taking(sums, (u64{1} << entry) | (u64{1} << f));
                const u32 doubled = reach.doubled_of(
                    i64{x10} + pool.event_bonus(p).total_x10(),
                    bit_count(attr_mask | (1u << (pool.attr(p) & 7u))), *pair_support);
                if constexpr (CHECK_BOUNDS) {
                    DeckSlots complete = deck;
                    complete[3] = card;
                    complete[4] = p;
                    VDZ_ASSERT(doubled ==
                               half_percent_steps(deck_event_bonus(pool, state.context, complete)));
                }
                const usize t = state.store.tier_at(doubled);
                if (t < tiers.size()) taker.tiers |= u64{1} << t;
            }
        }
        out.push_back(taker);
    });
    return out;
}

}  // namespace

bool DfsNode::pair_takers_open(u64 bound, const PartialSums& sums, usize row, u32 used,
                               const DeckSlots& deck, u64* open_tiers) const {
    const auto& tiers = state_.store.tiers;
    const u32 upper = static_cast<u32>(bound >> 32);
    const u32 score = static_cast<u32>(bound);
    if (open_tiers) *open_tiers = ~u64{0};
    if (tiers.size() > 64) return true;
    if (open_tiers) *open_tiers = 0;
    // The tiers with room under the node's bound: these completions enter
    // no other.
    u64 open = 0;
    for (usize t = 0; t < tiers.size() && tiers[t].tier_key <= upper; ++t)
        if (((tier_mask_ >> t) & 1) && !beneath(tiers[t].decks, score)) open |= u64{1} << t;
    if (open == 0) return false;
    // The takers and their tiers follow from the placed cards' entries,
    // total and attributes, the free cards' first position and the
    // characters in use: many nodes share them. Where the next card comes
    // from the last run, the positions before it hold cards of used
    // characters only.
    const FixedSlotLayout& layout = m_.fixed_layout;
    if (layout.slots() == 4) row = std::max(row, layout.begin[3]);
    const TakerPlace place{sums.support_taken, sums.bonus_x10, used, static_cast<u32>(row),
                           sums.attr_mask};
    auto& places = state_.pair_taker_tiers;
    auto known = places.find(place);
    if (known == places.end()) {
        // At most 8192 places and room for 131,072 takers (16 bytes each)
        // are kept, about 3 MB per search in flight: a search that asks
        // more starts over. The searches met ask a few thousand places, of
        // up to 26 takers each.
        if (places.size() >= (usize{1} << 13) || state_.pair_takers_kept >= (usize{1} << 17)) {
            places.clear();
            state_.pair_takers_kept = 0;
        }
        known = places.emplace(place, find_pair_takers(state_, sums, row, used, deck)).first;
        state_.pair_takers_kept += known->second.capacity();
    }
    VDZ_ASSERT(known->second == find_pair_takers(state_, sums, row, used, deck));
    // Where the open tiers are asked for, every taker is asked, but only
    // for the tiers not found yet.
    u64 found = 0;
    for (const PairTaker& taker : known->second) {
        const u64 landed = taker.tiers & open & ~found;
        if (landed == 0) continue;
        // Each of its decks is the placed cards, the taker and one card of
        // its range.
        const u32 taker_score = taker_bound(state_, child_sums(m_, sums, taker.card),
                                            other_range(state_, 3, row, taker.card));
        for (u64 bits = landed; bits != 0; bits &= bits - 1) {
            const usize t = static_cast<usize>(std::countr_zero(bits));
            if (beneath(tiers[t].decks, std::min(score, taker_score))) continue;
            if (!open_tiers) return true;
            found |= u64{1} << t;
        }
    }
    if (open_tiers) *open_tiers = found;
    return found != 0;
}

void check_pair_takers(const SearchNodeState& state, const DeckSlots& deck,
                       const PartialSums& placed, usize row, u32 used, [[maybe_unused]] u64 key) {
    if (!pair_split_applies(state, 3)) return;
    const TierReach& reach = *state.tier_reach;
    const CardPool& pool = state.pool;
    // Only where the split is taken: the wide windows are not exact, the
    // kept ones are.
    if (reach.extras(placed, 2, row, used).exact_count != 0 ||
        reach.kept_extras(placed, 2, row, used).exact_count == 0)
        return;
    [[maybe_unused]] const u32 doubled = static_cast<u32>(key >> 32);
    bool taker = false;
    reach.for_each_taker(placed, row, [&](u16 card, usize entry) {
        if (card != deck[3] && card != deck[4]) return;
        taker = true;
        const u16 other = card == deck[3] ? deck[4] : deck[3];
        [[maybe_unused]] const OtherRange range = other_range(state, 3, row, card);
        VDZ_ASSERT(range.begin <= other && other < range.end);
        [[maybe_unused]] const PartialSums with = child_sums(state.bounds, placed, card);
        VDZ_ASSERT(static_cast<u32>(key) <= taker_bound(state, with, range));
        // The deck's tier as the split asks it: by the slack window of the
        // support sum with t, taken apart from the walk, or exactly where
        // the other card takes one of the entries the deck with t counts.
        u64 counted = 0;
        const double support = reach.support_taking(placed, 0, &counted);
        u64 taker_counted = 0;
        reach.support_taking(placed, u64{1} << entry, &taker_counted);
        const auto& entries = state.bounds.support_lists[0].entries;
        const u64 refill = taker_counted & ~counted;
        const double apart =
            support - entries[entry].value +
            (refill ? entries[static_cast<usize>(std::countr_zero(refill))].value : 0.0);
        VDZ_ASSERT(std::popcount(refill) <= 1 &&
                   (counted & ~(u64{1} << entry)) == (taker_counted & ~refill));
        const usize attrs = bit_count(with.attr_mask | (1u << (pool.attr(other) & 7u)));
        [[maybe_unused]] const i64 total =
            i64{with.bonus_x10} + pool.event_bonus(other).total_x10();
        bool takes = false;
        for (usize f = 0; f < reach.marked_entries(); ++f) {
            if (!((taker_counted >> f) & 1)) continue;
            const auto& at = reach.entry_positions(f);
            if (std::find(at.begin(), at.end(), other) == at.end()) continue;
            takes = true;
            VDZ_ASSERT(doubled == reach.doubled_of(total, attrs,
                                                   reach.support_taking(
                                                       placed, (u64{1} << entry) | (u64{1} << f))));
        }
        if (!takes) {
            [[maybe_unused]] const TenthsWindow slack =
                TierReach::extras_slack(state.context.distinct_attr_bonus[attrs] + apart);
            VDZ_ASSERT(5 * i64{doubled} + slack.lo <= total &&
                       total <= 5 * i64{doubled} + slack.hi);
        }
    });
    // A deck its tier may take is let through by one of its free cards
    // that takes an entry: that card's tiers, as the search keeps them,
    // hold the deck's, and its bound the deck's live score. As the search
    // asks them: from the free cards' first position, the last run's first
    // where the next card comes from it, the placed skill values at their
    // ceilings in a deck of two cards more.
    const auto& tiers = state.store.tiers;
    const usize tier = state.store.tier_at(doubled);
    if (!taker || tiers.size() > 64 || tier >= tiers.size() ||
        tier_beneath(tiers[tier].decks, state.tiers_in_slot_order, static_cast<u32>(key)))
        return;
    const FixedSlotLayout& layout = state.bounds.fixed_layout;
    usize from = reach.free_row(row, 3);
    if (layout.slots() == 4) from = std::max(from, layout.begin[3]);
    const PartialSums ceiled = with_skill_ceilings(state.bounds, placed, deck, 3, 2);
    [[maybe_unused]] bool held = false;
    for (const PairTaker& t : find_pair_takers(state, placed, from, used, deck))
        held = held || ((t.card == deck[3] || t.card == deck[4]) && ((t.tiers >> tier) & 1) &&
                        static_cast<u32>(key) <=
                            taker_bound(state, child_sums(state.bounds, ceiled, t.card),
                                        other_range(state, 3, from, t.card)));
    VDZ_ASSERT(held);
}

}  // namespace vdz
