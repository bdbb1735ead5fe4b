// Why the rows bound the score up. A deck's multi live score up is its
// leader's resolved skill value plus a fifth of the other four: a fifth of
// the five values' sum plus four fifths of the leader's. Every card's
// resolved value is at most its ceiling in any deck of the search (and the
// placed cards' at most what their sums hold), the free cards are of
// distinct characters, so their sum is at most the `free` best
// per-character ceilings from their first position on, and the leader's
// value is the placed first slot's where it leads, else at most the deck's
// largest. The score up grows with each of these, so they bound it.
#include "search/bounds/score_up_suffix.h"

#include <algorithm>
#include <array>

#include "search/bounds/final_bound.h"

namespace vdz {

ScoreUpSuffix::ScoreUpSuffix(const BoundModel& m) : m_(m) {
    const CardPool& pool = *m.pool;
    const usize n = pool.count();
    ceiling_.resize(n);
    for (u16 i = 0; i < n; ++i)
        ceiling_[i] = std::min(m.ceilings->of(i), pool.skill_value(i));
    sums_.assign(n + 1, SuffixRow{});
    top_from_.assign(n + 1, 0);
    std::array<u32, CHARACTER_SLOT_COUNT> best{};
    for (usize i = n; i-- > 0;) {
        const u16 card = static_cast<u16>(i);
        const usize c = std::min<usize>(pool.character_id(card), CHARACTER_SLOT_COUNT - 1);
        best[c] = std::max<u32>(best[c], ceiling_[i]);
        std::array<u32, CHARACTER_SLOT_COUNT> sorted = best;
        std::partial_sort(sorted.begin(), sorted.begin() + 5, sorted.end(), std::greater<u32>());
        for (usize k = 1; k <= 5; ++k)
            sums_[i][k] = sums_[i][k - 1] + sorted[k - 1];
        top_from_[i] = std::max(top_from_[i + 1], ceiling_[i]);
    }
    tree_.assign(2 * m.power_leaves, 0);
    for (usize i = 0; i < n; ++i)
        tree_[m.power_leaves + i] = ceiling_[i];
    for (usize v = m.power_leaves; v-- > 1;)
        tree_[v] = std::max(tree_[2 * v], tree_[2 * v + 1]);
}

bool ScoreUpSuffix::open(const PartialSums& placed, usize row, usize free) const {
    const u32 lead = placed.lead_known ? placed.lead_skill
                                       : std::max<u32>(placed.max_skill, free ? top_from_[row] : 0);
    return score_up_reachable(*m_.context, placed.skill_sum + sums_[row][free], lead);
}

u32 ScoreUpSuffix::last_card_floor(const PartialSums& placed) const {
    // The score up grows with the last card's value: the least value that
    // reaches the bound, by halving.
    const auto reaches = [&](u32 v) {
        const u32 lead = placed.lead_known ? placed.lead_skill : std::max<u32>(placed.max_skill, v);
        return score_up_reachable(*m_.context, placed.skill_sum + v, lead);
    };
    if (!reaches(255)) return 256;
    u32 lo = 0, hi = 255;
    while (lo < hi) {
        const u32 mid = (lo + hi) / 2;
        if (reaches(mid)) {
            hi = mid;
        } else {
            lo = mid + 1;
        }
    }
    return lo;
}

}  // namespace vdz
