// A child of two free cards asked once more, last, by the two cards' runs,
// attributes and characters (`WorldBloomPairBound`): in World Bloom events
// the tables by bonus total let through most such children, whose pairs
// that fit a tier's window for their attribute count are weaker than its
// worst kept deck or do not exist. Where a free card may take one of the
// support entries the placed cards' deck counts, the completions whose free
// cards take none have exact windows of those entries' sum and are asked so;
// the few cards that take one bound the others, each with one card more
// from the free cards' first position on, in the windows of every support
// sum, which hold every completion.
#include <algorithm>

#include "common/check.h"
#include "common/numeric.h"
#include "search/dfs/dfs_node.h"
#include "search/dfs/pair_takers.h"

namespace vdz {

bool DfsNode::pair_tiers_open(u64 bound, const PartialSums& child, usize row, u32 used,
                              std::optional<u64> child_unit) const {
    const WorldBloomPairBound* pair = state_.world_bloom_pair;
    if (!pair || !child_unit || !pair->covers(row) || bit_count(used) > 3) return true;
    const TierReach& reach = *state_.tier_reach;
    const BonusExtras wide = reach.extras(child, 2, row, used);
    BonusExtras extras = wide;
    std::optional<u32> taker_score;
    if (wide.exact_count == 0) {
        extras = reach.kept_extras(child, 2, row, used);
        if (extras.exact_count == 0) return true;
        // With many takers, the bounds of each cost more than they spare.
        if (!few_pair_takers(state_, child, row, used)) return true;
        // No fixed runs here, so each taker is bounded with one card from `row` on.
        taker_score = pair_takers_score(state_, child, 3, row, used);
    }
    // Per exact value, the attribute counts that give it, as numbers of
    // attributes the free cards add.
    const usize placed = bit_count(child.attr_mask);
    std::array<u8, 5> adds{};
    for (usize c = std::max<usize>(placed, 1); c <= std::min<usize>(placed + 2, 5); ++c)
        for (usize v = 0; v < std::min(extras.exact_count, adds.size()); ++v)
            if (static_cast<double>(context_.distinct_attr_bonus[c]) == extras.exact[v])
                adds[v] = static_cast<u8>(adds[v] | (1u << (c - placed)));
    const u32 upper = static_cast<u32>(bound >> 32);
    const u32 score = static_cast<u32>(bound);
    const auto& tiers = state_.store.tiers;
    for (usize t = 0; t < tiers.size(); ++t) {
        const TierRecord& tier = tiers[t];
        if (tier.tier_key > upper) break;
        if (t < 64 && !((tier_mask_ >> t) & 1)) continue;
        if (beneath(tier.decks, score)) continue;
        if (taker_score && !beneath(tier.decks, *taker_score) &&
            reach.reaches(row, 2, child.bonus_x10, reach.window(tier.tier_key, wide)))
            return true;
        const TierWindows windows = reach.windows(tier.tier_key, extras);
        for (usize w = 0; w < windows.count; ++w) {
            if (adds[w] == 0) continue;
            const TenthsWindow window =
                reach.exact_window(tier.tier_key, extras, w, windows.window[w]);
            if (window.lo > window.hi || !reach.reaches(row, 2, child.bonus_x10, window)) continue;
            const std::optional<u64> key =
                pair->bound(child, *child_unit, row, used, window.lo - i64{child.bonus_x10},
                            window.hi - i64{child.bonus_x10}, adds[w], m_.bonus_extra);
            if (key && !beneath(tier.decks, static_cast<u32>(*key))) return true;
        }
    }
    return false;
}

void check_world_bloom_pair(const SearchNodeState& state, const DeckSlots& deck,
                            [[maybe_unused]] u64 key) {
    const WorldBloomPairBound* pair = state.world_bloom_pair;
    if (!pair || !pair->covers(usize{deck[2]} + 1)) return;
    const CardPool& pool = state.pool;
    PartialSums placed;
    u32 used = 0;
    for (usize d = 0; d < 3; ++d) {
        placed = child_sums(state.bounds, placed, deck[d]);
        used |= 1u << pool.character_id(deck[d]);
    }
    // As the search asks it: the placed skill values at their ceilings in a
    // deck of two cards more, the deck's own total and attribute count.
    const PartialSums ceiled = with_skill_ceilings(state.bounds, placed, deck, 3, 2);
    const i64 total =
        i64{pool.event_bonus(deck[3]).total_x10()} + pool.event_bonus(deck[4]).total_x10();
    const u32 attrs =
        placed.attr_mask | (1u << (pool.attr(deck[3]) & 7u)) | (1u << (pool.attr(deck[4]) & 7u));
    [[maybe_unused]] const std::optional<u64> b = pair->bound(
        ceiled, state.last_card->placed_unit_power(placed, deck, 3), usize{deck[2]} + 1, used,
        total, total, static_cast<u8>(1u << (bit_count(attrs) - bit_count(placed.attr_mask))),
        state.bounds.bonus_extra);
    VDZ_ASSERT(b && static_cast<u32>(key) <= static_cast<u32>(*b));
    // A free card that takes an entry the placed cards' deck counts bounds
    // the deck with one card more from the free cards' first position on.
    state.tier_reach->for_each_taker(placed, usize{deck[2]} + 1, [&](u16 card, usize) {
        if (card != deck[3] && card != deck[4]) return;
        [[maybe_unused]] const u64 with =
            position_bound(state.bounds, child_sums(state.bounds, ceiled, card), usize{deck[2]} + 1,
                           1, state.bounds.bonus_extra);
        VDZ_ASSERT(static_cast<u32>(key) <= static_cast<u32>(with));
    });
}

}  // namespace vdz
