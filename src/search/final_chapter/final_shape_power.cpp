// Shape tables and sums of the final-chapter power bound. A deck's shape is
// fixed by all five of its cards; until they are placed the bound takes the
// best shape the placed cards leave, but within one shape it never mixes the
// variants of two.
#include "search/final_chapter/final_shape_power.h"

#include <algorithm>

#include "common/check.h"
#include "search/evaluation/deck_evaluator.h"

namespace vdz {

GroupShapePowers group_shape_powers(const CardPool& pool, std::span<const u16> cards) {
    GroupShapePowers table{};
    for (const u16 card : cards) {
        const u8 units = pool.unit_mask(card) & 0x3Fu;
        const u8 attr = pool.attr(card);
        VDZ_ASSERT(attr < NO_SHARED_ATTR);
        // Every set of units a deck holding the card can share, the empty
        // one included.
        for (u8 shared = units;; shared = static_cast<u8>((shared - 1u) & units)) {
            auto& row = table[shared];
            row[NO_SHARED_ATTR] =
                std::max(row[NO_SHARED_ATTR], shape_power(pool, card, shared, false));
            row[attr] = std::max(row[attr], shape_power(pool, card, shared, true));
            if (shared == 0) break;
        }
    }
    return table;
}

LeaderShapeSet leader_shape_set(const CardPool& pool, u16 leader) {
    LeaderShapeSet set;
    const u8 units = pool.unit_mask(leader) & 0x3Fu;
    set.attr = pool.attr(leader);
    if (__builtin_popcount(units) > 3 || set.attr >= NO_SHARED_ATTR) return set;
    for (u8 shared = units;; shared = static_cast<u8>((shared - 1u) & units)) {
        set.units[set.count++] = shared;
        if (shared == 0) break;
    }
    set.known = true;
    return set;
}

void add_shape_powers(const CardPool& pool, const LeaderShapeSet& shapes, u16 card, u8 common_units,
                      bool same_attr, ShapeSums& sums) {
    for (usize k = 0; k < shapes.count; ++k) {
        const u8 shared = shapes.units[k];
        if ((shared & ~common_units) != 0) continue;
        sums[k][0] += shape_power(pool, card, shared, false);
        if (same_attr) sums[k][1] += shape_power(pool, card, shared, true);
    }
}

u32 shaped_power_bound(const LeaderShapeSet& shapes, const ShapeSums& placed, const ShapeSums& open,
                       u8 common_units, bool same_attr) {
    u32 best = 0;
    for (usize k = 0; k < shapes.count; ++k) {
        if ((shapes.units[k] & ~common_units) != 0) continue;
        best = std::max(best, placed[k][0] + open[k][0]);
        if (same_attr) best = std::max(best, placed[k][1] + open[k][1]);
    }
    return best;
}

}  // namespace vdz
