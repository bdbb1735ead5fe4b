// Bound of the decks whose next card comes from a range of pool positions
// and whose other free cards come after the range's start: in a pool listed
// by bonus the next card of a deck on a tier lies in one range (it adds the
// most of the free cards, at least their share of what the tier lacks, at
// most all of it), and the largest power, skill value and bonus within it,
// read from sparse tables in constant time, bound every card there, so a
// range none of whose decks can enter the tier costs one bound.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "common/types.h"
#include "search/bounds/card_suffix_bound.h"
#include "search/bounds/dfs_bounds.h"
#include "search/bounds/partial_sums.h"

namespace vdz {

// Built once per search from its bound model; read only afterwards.
class LastCardBound {
  public:
    explicit LastCardBound(const BoundModel& m);

    // Bound of every deck of the cards of `sums`, one card from positions
    // `begin`..`end` (not empty) and `rest` cards of distinct characters
    // from positions after `begin`, with the extra bonus `bonus_extra`.
    // Where a deck may repeat a character, only `rest` 0 bounds it.
    // `placed_unit`, where known, bounds the placed cards' power in a deck
    // that fills a unit (`placed_unit_power`). Where the `rest` cards are
    // known to come from `rest_from` (past `begin`) on, they are bounded
    // from there.
    u64 bound(const PartialSums& sums, usize begin, usize end, usize rest, u64 bonus_extra,
              std::optional<u64> placed_unit = std::nullopt, usize rest_from = 0) const;
    // The same where a deck may repeat a character: the `rest` cards are
    // any cards after `begin` (from `rest_from` on), bounded by the
    // per-card sums `cards`.
    u64 bound(const PartialSums& sums, usize begin, usize end, usize rest, u64 bonus_extra,
              const CardSuffixSums& cards, usize rest_from = 0) const;

    // The largest power the first `placed` cards of `deck` (those of
    // `sums`) have in a deck that fills a unit: a unit they all share, each
    // card in the attribute cases the deck may have.
    u64 placed_unit_power(const PartialSums& sums, const DeckSlots& deck, usize placed) const;
    // One placed card's share of it: it reads of `sums` only the units the
    // placed cards share and whether their attributes differ.
    u32 placed_card_unit_power(const PartialSums& sums, u16 card) const;
    // `bound` of a last card (no rest) whose placed cards have at most
    // `placed_unit` power (`placed_unit_power`) in a deck that fills a unit.
    u64 last_bound(const PartialSums& sums, u64 placed_unit, usize begin, usize end,
                   u64 bonus_extra) const;

    // `bound` of the decks of the cards of `sums` whose two free cards come
    // one from positions `begin`..`end` and one from `begin2`..`end2` (both
    // not empty), their characters aside; `placed_unit` as `last_bound`
    // takes it.
    u64 pair_bound(const PartialSums& sums, u64 placed_unit, usize begin, usize end, usize begin2,
                   usize end2, u64 bonus_extra) const;

    // The largest skill value of the cards at positions `begin`..`end`.
    u32 skill_max(usize begin, usize end) const;

    // `sums` with one card of positions `begin`..`end` added by its parts'
    // largest values there (its bonus aside), and the placed cards' power
    // in a deck that fills a unit with that card (`placed_unit` without
    // it): every bound that grows with each part then holds for each card
    // of the range in its place.
    u64 add_range_card(PartialSums& sums, u64 placed_unit, usize begin, usize end) const;

  private:
    // Per level j, the largest value over positions i..i + 2^j.
    template <class T>
    struct Table {
        std::vector<std::vector<T>> levels;
        void build(std::vector<T> values);
        T max(usize begin, usize end) const;
    };

    const BoundModel* m_;
    // `bound` with the decks' power bounded by `power`, the `rest` cards
    // from position `after` on.
    u64 bound_parts(const PartialSums& sums, u64 power, usize begin, usize end, usize rest,
                    u64 bonus_extra, usize after) const;
    // The largest power of the decks the bound covers, per deck shape.
    // `placed_unit` bounds the placed cards' power where the deck fills a
    // unit; their power column sum always does.
    u64 power_bound(const PartialSums& sums, usize begin, usize end, usize rest, u64 placed_unit,
                    usize after) const;

    Table<u32> power_, plain_power_, same_attr_power_, skill_, bonus_;
    // Per unit, the power column of the cards of that unit, 0 elsewhere.
    std::array<Table<u32>, 6> unit_power_;
    // The same in a deck of several attributes: each card's largest variant
    // without the shared attribute.
    std::array<Table<u32>, 6> unit_power_mixed_;
    Table<double> coupled_;
};

}  // namespace vdz
