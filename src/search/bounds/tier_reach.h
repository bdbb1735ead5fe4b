// Which event-bonus tiers the completions of a partial deck can still land
// on, for the tiered search outside the final chapter: the totals its free
// slots must add to reach a tier, given how far the World Bloom attribute
// and support bonuses of its completions can move, against the sums that
// the later pool positions can make.
#pragma once

#include <algorithm>
#include <array>
#include <vector>

#include "common/types.h"
#include "search/bounds/dfs_bounds.h"
#include "search/bounds/later_bonus_sums.h"
#include "search/bounds/partial_sums.h"

namespace vdz {

// Card bonus totals, tenths of a percent, within `lo`..=`hi`.
struct TenthsWindow {
    i64 lo = 0;
    i64 hi = 0;
};

// The attribute-count bonus plus the support sum of a deck, percent: at
// least `lo` and at most `hi` for every completion of a partial deck. Where
// no free card can take one of the support entries the deck counts, its
// support sum is known, and its extras are one of the first `exact_count`
// of `exact`, one per attribute count it may end with.
// Each exact value is an attribute bonus (`exact`) plus the known support
// sum (`support`). With one free card, `exact_attrs` holds per value the
// attributes (bit attr & 7) that card may have for the deck to end with it.
struct BonusExtras {
    double lo = 0.0;
    double hi = 0.0;
    usize exact_count = 0;
    std::array<double, 5> exact{};
    std::array<u8, 5> exact_attrs{};
    double support = 0.0;
    // Per exact value, the window of a tier of key K is within 5 K +
    // `slack_lo` ..= 5 K + `slack_hi`; for all of them within 5 K +
    // `hull_lo` ..= 5 K + `hull_hi`.
    std::array<i64, 5> slack_lo{};
    std::array<i64, 5> slack_hi{};
    i64 hull_lo = 0;
    i64 hull_hi = 0;

    bool operator==(const BonusExtras&) const = default;
};

// The windows of card totals that hold every completion on one tier: one
// per exact value of the extras, else one for all of them.
// With one free card, `attrs` holds per window the attributes that card
// may have, else all. Where the extras have exact values, window i is the
// slack window of value i, which `exact_window` narrows.
struct TierWindows {
    usize count = 0;
    std::array<TenthsWindow, 5> window{};
    std::array<u8, 5> attrs{};
};

// Built once per tiered search; lives as long as the search's bound model.
class TierReach {
  public:
    // Not for the final chapter, whose leader and limited parts follow
    // slot order.
    explicit TierReach(const BoundModel& m);

    // The extras of every completion of the placed cards of `placed` with
    // `free_slots` cards more from position `row` on, of characters outside
    // `used` where a deck holds one card per character; zero outside a World
    // Bloom event.
    BonusExtras extras(const PartialSums& placed, usize free_slots, usize row, u32 used = 0) const;

    // `extras` of the completions none of whose free cards takes one of the
    // support entries the placed cards' deck counts: their support sum is
    // those entries', so they have exact values wherever the deck's list is
    // read in its sorted order (else as `extras` gives them). The other
    // completions hold a card of `for_each_taker`.
    BonusExtras kept_extras(const PartialSums& placed, usize free_slots, usize row,
                            u32 used = 0) const;
    // Calls `f(position, entry)` for each pool position from `row` on whose
    // card takes one of the entries the placed cards' deck counts (the
    // sorted list's `entry`), where `kept_extras` has exact values; with
    // `more`, also those of the `more` entries after the counted ones.
    template <class F>
    void for_each_taker(const PartialSums& placed, usize row, F&& f, usize more = 0) const;
    // The doubled bonus of a deck of the placed cards and a last card that
    // takes the sorted list's `entry` among those they count, whose cards
    // total `total` and have `attrs` distinct attributes, as the evaluator
    // sums it, where `kept_extras` of the placed cards has exact values.
    u32 taker_doubled(const PartialSums& placed, usize entry, i64 total, usize attrs) const;
    // The support sum of a deck of the placed cards and cards that take the
    // sorted list's entries of `taken` (bits), as the evaluator sums it,
    // where `kept_extras` of the placed cards has exact values; the entries
    // it counts, in `counted` where given.
    double support_taking(const PartialSums& placed, u64 taken, u64* counted = nullptr) const;
    // The entries of the sorted list the sums mark.
    usize marked_entries() const { return support_positions_.size(); }
    // The pool positions of the sorted list's entry `entry`, ascending.
    const std::vector<u16>& entry_positions(usize entry) const { return support_positions_[entry]; }
    // The doubled bonus of a deck whose cards total `total`, of `attrs`
    // distinct attributes and support sum `support`, as the evaluator sums it.
    u32 doubled_of(i64 total, usize attrs, double support) const;
    // The totals a deck's cards may have for its doubled bonus to be a
    // tier's key K, where its attribute bonus and support sum add `extras`:
    // within 5 K plus these, a tenth wider each side than the sum's own
    // rounding needs, so `extras` may be summed in another order.
    static TenthsWindow extras_slack(double extras) {
        return {extras_offset_lo(extras) - 1, extras_offset_hi(extras) + 1};
    }

    // The totals a deck's cards may have, under those extras, for its doubled
    // bonus to be `tier_key`. Outside World Bloom exact: a deck of total X
    // has the doubled bonus round(X / 5), as X / 5 never ends in a half.
    TenthsWindow window(u32 tier_key, const BonusExtras& extras) const;

    // The same per exact value of the extras where they have some: their
    // union is narrower than the window of their range, as the attribute
    // bonuses lie far apart.
    TierWindows windows(u32 tier_key, const BonusExtras& extras) const;

    // The totals of exact value `v` of the extras that put a deck on the
    // tier, within `slack`, its window of `windows`: exact, as the
    // evaluator's own sum decides its ends; empty (lo > hi) where none does.
    TenthsWindow exact_window(u32 tier_key, const BonusExtras& extras, usize v,
                              TenthsWindow slack) const;

    // Whether `count` cards from position `row` on can add to `placed_x10`
    // a total within `w`.
    bool reaches(usize row, usize count, u32 placed_x10, const TenthsWindow& w) const {
        return later_.any_within(row, count, w.lo - i64{placed_x10}, w.hi - i64{placed_x10});
    }

    // The doubled bonus of a deck whose cards total `total` and whose extras
    // are exact value `v` of `extras`, as the evaluator sums it.
    u32 exact_doubled(i64 total, const BonusExtras& extras, usize v) const;

    // Whether one card at position `row` or later whose attribute is in
    // `attrs` (bit attr & 7) has a total that brings `placed_x10` within `w`.
    bool one_reaches(usize row, u8 attrs, u32 placed_x10, const TenthsWindow& w) const;

    // The first position a free card of a node at `depth` may come from,
    // the node's next position being `row`: past the cards of the fixed
    // cards and characters once those are placed.
    usize free_row(usize row, usize depth) const;

    // Whether the pool is listed by bonus, largest first, from `row` on.
    bool listed_from(usize row) const { return row >= sorted_from_; }

    // The first position from `row` on whose card's total is at most
    // `most`, where the pool is listed by bonus from `row` on: a completion
    // whose cards add at most `most` takes none before it. `row` elsewhere.
    usize first_at_most(usize row, i64 most) const;

    // The first position the free cards after the next one may come from,
    // where the pool is listed by bonus from `row` on, the next card comes
    // from `from` on and the free cards' totals add at most `most`: a deck
    // takes its cards in pool order, so each of those has at most the next
    // card's total, and the two add at most `most`, so each has at most
    // half of it (totals are never negative).
    usize rest_from(usize row, usize from, i64 most) const {
        return std::max(from + 1, first_at_most(row, std::max<i64>(most, 0) / 2));
    }

  private:
    static i64 extras_offset_lo(double hi);
    static i64 extras_offset_hi(double lo);
    // The support sums of every completion (see `extras`).
    struct SupportBounds {
        double high = 0.0;  // at most
        double low = 0.0;   // at least
        double kept = 0.0;  // where no free card takes a counted entry
        bool takeable = false;
    };
    SupportBounds support_bounds(const PartialSums& placed, usize free_slots, usize row,
                                 u32 used) const;
    // The same, kept for the placed entries, rows and characters that give
    // the same answer: a node's scan and its children ask for few of them.
    SupportBounds cached_support_bounds(const PartialSums& placed, usize free_slots, usize row,
                                        u32 used) const;
    // `extras` in a World Bloom event, from the inputs below.
    // `extras`, or with `kept` those of `kept_extras`, kept by the inputs
    // they read (below).
    BonusExtras cached_extras(const PartialSums& placed, usize free_slots, usize row, u32 used,
                              bool kept) const;
    // With `kept`, those of `kept_extras`.
    BonusExtras world_bloom_extras(const PartialSums& placed, usize free_slots, usize row, u32 used,
                                   bool kept = false) const;
    // `extras` reads the placed cards through their attributes and support
    // entries, the row through the attributes still to come beside them
    // and its support class, the used characters through the entries'.
    struct ExtrasCacheEntry {
        u64 taken = 0;
        u32 excluded = 0;
        u16 row_class = 0;
        u8 attr_mask = 0;
        u8 fresh = 0;
        usize free_slots = 0;
        bool kept = false;
        bool valid = false;
        BonusExtras value;
    };
    struct SupportCacheEntry {
        u64 taken = 0;
        u32 excluded = 0;
        u16 row_class = 0;
        usize free_slots = 0;
        bool valid = false;
        SupportBounds value;
    };

    const BoundModel* m_;
    usize fixed_slots_ = 0;  // fixed cards and characters
    usize fixed_end_ = 0;    // end of the leading cards of those
    usize sorted_from_ = 0;  // totals never rise from this position on
    // Per total t, the first position from `sorted_from_` on whose card's
    // total is at most t.
    std::vector<u16> first_at_most_;
    LaterBonusSums later_;
    bool world_bloom_ = false;
    // Per position, the attributes of the cards there and later (bit
    // attr & 7).
    std::vector<u8> attrs_from_;
    // Per position and attribute, the totals of the cards there and later
    // of that attribute, as bitsets of `total_words_` words.
    usize total_words_ = 0;
    std::vector<u64> totals_from_;
    // Where the list is read best first, holds no negative value and names
    // each card once, the support sum of a deck is at least what its sorted
    // list gives after the placed cards and the largest entries that the
    // free cards can remove; else at least the sum of its negative entries.
    bool support_floor_sorted_ = false;
    bool support_in_given_order_ = false;
    double support_negative_sum_ = 0.0;
    // Per entry of the sorted list that the sums mark, the last pool
    // position of its card, or -1 where the pool lacks it; and whether a
    // deck's walk through the list stays among those entries (else the
    // bounds take the list's largest and its negative entries).
    std::vector<i32> support_last_position_;
    // Per such entry, every pool position of its card, ascending.
    std::vector<std::vector<u16>> support_positions_;
    // Per such entry, its card's character (when the pool holds it), and
    // the fixed slot whose run holds its card (the slots' count after the
    // runs), where the pool lists fixed cards and characters in runs.
    std::vector<u8> support_character_;
    std::vector<u8> support_run_;
    bool one_per_character_ = false;
    // Where every deck takes the same support sum: that sum, and per
    // attribute count the window offsets of its extras.
    bool uniform_support_ = false;
    double uniform_support_sum_ = 0.0;
    std::array<TenthsWindow, 6> uniform_slack_{};
    bool support_walk_marked_ = false;
    // Per row, how many such entries have their last card before it; the
    // characters of those cards; answers of `support_bounds` by their inputs
    // (one search, one thread).
    std::vector<u16> support_row_class_;
    u32 support_characters_ = 0;
    mutable std::array<SupportCacheEntry, 256> support_cache_{};
    mutable std::array<ExtrasCacheEntry, 256> extras_cache_{};
    // Answers of `exact_window` by tier key, attribute bonus and support
    // sum (their bits).
    struct ExactCacheEntry {
        bool valid = false;
        u32 tier_key = 0;
        u64 attr_bits = 0;
        u64 support_bits = 0;
        TenthsWindow window;
    };
    mutable std::array<ExactCacheEntry, 512> exact_cache_{};
};

// ---------------------------------------------------------------------------

template <class F>
void TierReach::for_each_taker(const PartialSums& placed, usize row, F&& f, usize more) const {
    // The deck counts the first `count` entries of the sorted list whose
    // cards it does not hold, as `support_bounds` walks them.
    const usize count = m_->support_lists[0].count + more;
    usize counted = 0;
    for (usize e = 0; e < support_positions_.size() && counted < count; ++e) {
        if ((placed.support_taken >> e) & 1) continue;
        ++counted;
        for (const u16 position : support_positions_[e])
            if (position >= row) f(position, e);
    }
}

}  // namespace vdz
