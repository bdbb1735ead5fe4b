// Bound of challenge-live decks whose cards' event bonuses are known class by
// class: a pool listed by bonus holds few distinct bonuses, each a run of
// positions, and a deck on a tier takes its cards from a few of those runs.
// The best values within each run it draws from bound it far below the best
// values of any later cards, which mix every bonus.
#pragma once

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
// largest first; read only afterwards.
class BonusClassBound {
  public:
    explicit BonusClassBound(const BoundModel& m);

    // The classes, largest bonus first.
    const std::vector<BonusClass>& classes() const { return classes_; }

    // The largest live score of a deck holding the placed cards `placed`,
    // whose sums are `sums`, and the cards of `draws` (distinct positions,
    // at most five cards in all); 0 where a draw has too few cards.
    u32 score_bound(const PartialSums& sums, std::span<const u16> placed,
                    std::span<const ClassDraw> draws) const;

  private:
    const BoundModel* m_;
    std::vector<BonusClass> classes_;
    // A card's power by what its deck may share: [0] anything (its power
    // column), [1] nothing (its plain power), [2] an attribute but no unit.
    static constexpr usize POWER_CASES = 3;
    std::array<std::vector<u32>, POWER_CASES> power_of_;
    // Per position i, r = 0..5: the sum of the r largest values at
    // positions i to the end of its class (fewer there: all of them); per
    // power case, its powers and coupled values.
    std::array<std::vector<SuffixRow>, POWER_CASES> power_;
    std::vector<SuffixRow> skill_;
    std::array<std::vector<std::array<double, 6>>, POWER_CASES> coupled_;
};

}  // namespace vdz
