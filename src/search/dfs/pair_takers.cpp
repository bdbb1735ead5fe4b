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
// completion, so the largest of those bounds, over the listed cards, bounds
// them all; their totals lie within the wide windows, which hold every
// completion.
#include "search/dfs/pair_takers.h"

#include <algorithm>

#include "common/check.h"
#include "search/bounds/dfs_bounds.h"
#include "search/bounds/tier_reach.h"

namespace vdz {

bool pair_split_applies(const SearchNodeState& state, usize depth, bool own) {
    const FixedSlotLayout& layout = state.bounds.fixed_layout;
    return state.tier_reach && state.last_card && state.context.world_bloom && layout.on() &&
           layout.slots() >= 3 && depth == 3 && depth + 1 >= layout.slots() &&
           (own || layout.slots() == 3);
}

bool few_pair_takers(const SearchNodeState& state, const PartialSums& sums, usize row, u32 used) {
    constexpr usize FEW = 8;
    usize count = 0;
    state.tier_reach->for_each_taker(sums, row, [&](u16 card, usize) {
        count += ((used >> state.pool.character_id(card)) & 1) ? 0 : 1;
    });
    return count <= FEW;
}

std::optional<u32> pair_takers_score(const SearchNodeState& state, const PartialSums& sums,
                                     usize depth, usize row, u32 used) {
    const BoundModel& m = state.bounds;
    const CardPool& pool = state.pool;
    const FixedSlotLayout& layout = m.fixed_layout;
    // Where the next card comes from the last run: its positions from `row`
    // on.
    const bool run_next = depth + 1 == layout.slots();
    const usize run_begin = run_next ? std::max(row, layout.begin[depth]) : 0;
    std::optional<u32> out;
    state.tier_reach->for_each_taker(sums, row, [&](u16 card, usize) {
        if ((used >> pool.character_id(card)) & 1) return;
        const PartialSums with = child_sums(m, sums, card);
        u64 b = 0;
        if (!run_next) {
            b = position_bound(m, with, row, 1, m.bonus_extra);
        } else if (card < layout.end) {
            if (card < run_begin) return;  // an earlier run's, of a used character
            b = position_bound(m, with, layout.end, 1, m.bonus_extra);
        } else {
            if (run_begin >= layout.end) return;
            b = state.last_card->bound(with, run_begin, layout.end, 0, m.bonus_extra);
        }
        out = std::max(out.value_or(0), static_cast<u32>(b));
    });
    return out;
}

void check_pair_takers(const SearchNodeState& state, const DeckSlots& deck,
                       const PartialSums& placed, usize row, u32 used, [[maybe_unused]] u64 key) {
    if (!pair_split_applies(state, 3, true)) return;
    bool taker = false;
    state.tier_reach->for_each_taker(
        placed, row, [&](u16 card, usize) { taker = taker || card == deck[3] || card == deck[4]; });
    if (!taker) return;
    [[maybe_unused]] const std::optional<u32> score =
        pair_takers_score(state, placed, 3, row, used);
    VDZ_ASSERT(score && static_cast<u32>(key) <= *score);
}

}  // namespace vdz
