// Bound of the completions of a World Bloom partial deck of three cards by
// its two free cards, read per class of bonus total and attribute. A tier
// takes a deck only where its cards' total and its attribute count fit the
// tier together, and the tables by total alone mix in the many strong pairs
// of the wrong attributes, of the placed cards' characters and of one
// character twice; per class and attribute the best card of each character
// from a position on tells the parts of the pairs that do fit.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "common/types.h"
#include "search/bounds/dfs_bounds.h"
#include "search/bounds/partial_sums.h"

namespace vdz {

// Built once per tiered search of a World Bloom event whose pool is listed
// by bonus from some position on; read only afterwards.
class WorldBloomPairBound {
  public:
    explicit WorldBloomPairBound(const BoundModel& m);

    // Whether free cards from position `row` on lie where the pool is
    // listed by bonus.
    bool covers(usize row) const { return row >= sorted_from_ && row < class_at_.size(); }

    // Bound of every deck of the three cards of `placed` (characters `used`,
    // power at most `placed_unit` in a deck that fills a unit) and two cards
    // of distinct characters outside `used` from positions `row` on, whose
    // totals add `lo`..=`hi` tenths and which bring n attributes the placed
    // cards lack for a bit n of `new_attrs`, with the extra bonus
    // `bonus_extra`; none where no two cards do. Where the caller cuts at
    // live scores up to `cut_at`, a key above it may be returned as soon as
    // one is found, which tells the same.
    std::optional<u64> bound(const PartialSums& placed, u64 placed_unit, usize row, u32 used,
                             i64 lo, i64 hi, u8 new_attrs, u64 bonus_extra,
                             std::optional<u32> cut_at = std::nullopt) const;

  private:
    // The parts each card brings, summed over the two free cards.
    enum Part : usize {
        POWER,             // power column
        PLAIN,             // power in a deck sharing no unit and no attribute
        SAME_ATTR,         // power in a deck sharing no unit and one attribute
        SKILL,             // skill value
        UNIT,              // per unit, the power column of that unit's cards
        MIXED = UNIT + 6,  // the same without the shared attribute
        PARTS = MIXED + 6,
    };
    // The best card of each of the first `LIST` characters by one part,
    // largest first: three characters placed and one taken by the other
    // free card leave one.
    static constexpr usize LIST = 5;
    struct Best {
        std::array<u32, LIST> value{};
        std::array<u8, LIST> character{};
        u8 count = 0;
        void add(u32 v, u8 c);
    };
    // A run of equal totals, from position `begin`.
    struct Class {
        u32 total = 0;
        u32 begin = 0;
    };

    // The lists of the cards of attribute index `a` from position `p` to
    // the end of its run.
    const Best* lists(usize p, usize a) const {
        return best_.data() + ((p - sorted_from_) * attrs_ + a) * PARTS;
    }

    const BoundModel* m_;
    usize sorted_from_ = 0;          // totals never rise from here on
    std::vector<Class> classes_;     // largest total first
    std::vector<u16> class_at_;      // per position from sorted_from_, its run
    std::array<u8, 8> attr_code_{};  // per index, its bit (attr & 7)
    usize attrs_ = 0;
    std::vector<Best> best_;  // per position from sorted_from_, index, part
};

}  // namespace vdz
