// The floors of the searches: the least value of a child's column (power,
// event bonus) with which a deck through it can still key above the worst
// kept deck. Finding it exactly costs more than it saves, so it is found
// to within 1/256 of the column's largest value, always on the low side.
#pragma once

#include "common/types.h"

namespace vdz {

// The least v in [0, hi] for which `above(v)` may hold, for a predicate
// that grows with v (false, then true): hi + 1 when even hi is not above.
// Eight halvings leave it within hi / 256 below the exact least value, so
// every v under the result is known not to be above.
template <class Above>
u64 least_above(u64 hi, const Above& above) {
    if (!above(hi)) return hi + 1;
    u64 lo = 0;
    for (int step = 0; step < 8 && lo < hi; ++step) {
        const u64 mid = lo + (hi - lo) / 2;
        if (above(mid))
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

}  // namespace vdz
