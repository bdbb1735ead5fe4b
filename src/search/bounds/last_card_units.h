// The last card of a deck, bounded by the unit mask of the card that fills
// it. Four placed cards and the last card's units fix the deck's shape: the
// units all five share, each unit's cards and the distinct units it spans.
// That shape fixes what every difference and unit-count skill resolves to
// and which power variant each placed card plays, where a bound over every
// last card at once must allow the best of every shape.
#pragma once

#include <array>
#include <vector>

#include "common/types.h"
#include "search/bounds/dfs_bounds.h"

namespace vdz {

// Built once per search from its bound model; read only afterwards.
struct LastCardUnits {
    // The best of the cards of one unit mask from a pool position on.
    struct Best {
        bool any = false;           // some card of the mask is there
        u32 power = 0;              // power column
        u32 plain = 0;              // power in a deck sharing no unit nor attribute
        u32 unitless = 0;           // power in a deck sharing no unit and one attribute
        u16 bonus = 0;              // event bonus, whole percent rounded up
        std::array<u8, 6> skill{};  // skill ceiling in a deck of at most d distinct units
    };
    std::vector<u8> masks;                // the unit masks the pool's cards carry, each once
    std::vector<std::vector<Best>> rows;  // per mask, per pool position 0..n
};

LastCardUnits build_last_card_units(const BoundModel& m);

// Bound of every deck of the four cards of `deck`, whose sums are `sums`,
// and a last card from pool position `row` on; none in the final chapter,
// whose limited bonus parts it does not read. Once it is above `worst` it
// may return any value above it.
u64 last_card_units_bound(const BoundModel& m, const LastCardUnits& t, const PartialSums& sums,
                          const DeckSlots& deck, usize row, u64 bonus_extra, u64 worst);

}  // namespace vdz
