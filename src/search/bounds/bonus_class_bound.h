// Bound of challenge-live decks whose cards' event bonuses are known class by
// class: a pool listed by bonus holds few distinct bonuses, each a run of
// positions, and a deck on a tier takes its cards from a few of those runs.
// The best values within each run it draws from bound it far below the best
// values of any later cards, which mix every bonus.
#pragma once

#include <algorithm>
#include <bit>
#include <span>
#include <vector>

#include "common/types.h"
#include "search/bounds/dfs_bounds.h"
#include "search/bounds/partial_sums.h"

namespace vdz {

// A pool's run of positions whose cards have one bonus total.
struct BonusClass {
    i64 total_x10 = 0;  // each card's bonus, tenths of a percent
    usize begin = 0;    // first position
    usize end = 0;      // one past the last
};

// `count` cards of one class, at positions from `from` to the class's end
// `end`.
struct ClassDraw {
    usize from = 0;
    usize end = 0;
    usize count = 0;
};

// Built once per search from its bound model, over a pool listed by bonus,
// largest first, from position `from` on; read only afterwards.
class BonusClassBound {
  public:
    BonusClassBound(const BoundModel& m, usize from);

    // The classes from `from` on, largest bonus first.
    const std::vector<BonusClass>& classes() const { return classes_; }

    // The largest live score of a deck holding the placed cards `placed`,
    // whose sums are `sums`, and the cards of `draws` (distinct positions,
    // at most five cards in all); 0 where there is no such deck. The bound
    // is the largest of a few cases': once one reaches `enough`, that one's
    // is returned, since a caller that only asks whether the bound reaches
    // `enough` learns no more from the rest.
    u32 score_bound(const PartialSums& sums, std::span<const u16> placed,
                    std::span<const ClassDraw> draws, u32 enough = UINT32_MAX) const {
        if (placed.empty()) return case_bound(ANY, 0, sums, draws);
        const u32 unit = unit_bound(sums, placed, draws, enough);
        if (unit >= enough) return unit;
        return std::max(unit, free_bound(sums, placed, draws, enough));
    }
    // The same, of the decks that share a unit of the placed cards (at
    // least one placed), whose cards all count for it.
    u32 unit_bound(const PartialSums& sums, std::span<const u16> placed,
                   std::span<const ClassDraw> draws, u32 enough = UINT32_MAX) const;
    // The same, of the decks that share no unit (at least one placed).
    u32 free_bound(const PartialSums& sums, std::span<const u16> placed,
                   std::span<const ClassDraw> draws, u32 enough = UINT32_MAX) const;

    // The first position from `i` on whose card counts for a unit of
    // `units`; the pool's size when none does.
    usize next_of_units(usize i, u32 units) const {
        usize next = next_of_unit_[0].size() - 1;
        for (; units != 0; units &= units - 1)
            next = std::min<usize>(next, next_of_unit_[std::countr_zero(units)][i]);
        return next;
    }
    // The first position from `i` on whose card has an attribute of
    // `attrs` (bit attr & 7); the pool's size when none does.
    usize next_of_attrs(usize i, u32 attrs) const {
        usize next = next_of_attr_[0].size() - 1;
        for (; attrs != 0; attrs &= attrs - 1)
            next = std::min<usize>(next, next_of_attr_[std::countr_zero(attrs)][i]);
        return next;
    }
    // The attributes (bit attr & 7) of the cards from position `i` to the
    // end of its class.
    u8 attrs_from(usize i) const { return attrs_from_[i]; }

  private:
    // The best values of the cards a case admits, per position i and r =
    // 0..5: the sum of the r largest at positions i to the end of its class
    // (fewer there: all of them), and how many there are.
    struct Tops {
        std::vector<SuffixRow> power, skill;
        std::vector<std::array<double, 6>> coupled;
        std::vector<u16> count;
    };
    // The cases of what a deck's five cards share, each with the cards it
    // admits and their power there: ANY admits every card at its power
    // column; PLAIN every card at its power in a deck that shares no unit
    // and no attribute; ATTR + a the cards of attribute a at their power in
    // a deck that shares that attribute and no unit; UNIT_MIXED + u the
    // cards of unit u at their power in a deck that shares it and no
    // attribute; UNIT_ATTR + 5 u + a the cards of unit u and attribute a at
    // their power in a deck that shares both.
    static constexpr usize ANY = 0, PLAIN = 1, ATTR = 2, UNIT_MIXED = 7, UNIT_ATTR = 13, CASES = 43;

    bool admits(usize k, u16 card) const;
    // The power of the placed cards in case `k`.
    u64 placed_power(usize k, std::span<const u16> placed) const;

    // The bound of decks of case `k` holding the placed cards, whose power
    // there is `placed_power`; 0 where a draw has too few cards of it.
    u32 case_bound(usize k, u64 placed_power, const PartialSums& sums,
                   std::span<const ClassDraw> draws) const;

    const BoundModel* m_;
    std::vector<BonusClass> classes_;
    std::array<std::vector<u32>, CASES> power_of_;  // per case, per card; 0 where not admitted
    std::array<Tops, CASES> tops_;
    std::array<std::vector<u16>, 6> next_of_unit_;  // per unit, per position 0..n
    std::array<std::vector<u16>, 8> next_of_attr_;  // per attribute, per position 0..n
    std::vector<u8> attrs_from_;                    // per position
};

}  // namespace vdz
