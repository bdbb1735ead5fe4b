// A child of two free cards asked once more, last, by the two cards' runs,
// attributes and characters (`WorldBloomPairBound`): in World Bloom events
// the tables by bonus total let through most such children, whose pairs
// that fit a tier's window for their attribute count are weaker than its
// worst kept deck or do not exist. Where a free card may take one of the
// support entries the placed cards' deck counts, the completions whose free
// cards take none have exact windows of those entries' sum and are asked so;
// the others hold one of the few cards that take one, and each such card is
// asked as a fourth placed card with one free card from the free cards'
// first position on (`taker_decks_open`).
#include <algorithm>

#include "common/check.h"
#include "common/numeric.h"
#include "search/dfs/dfs_node.h"
#include "search/dfs/pair_takers.h"

namespace vdz {

bool DfsNode::pair_tiers_open(u64 bound, const PartialSums& child, usize row, u32 used,
                              std::optional<u64> child_unit, u64* open_tiers) const {
    const WorldBloomPairBound* pair = state_.world_bloom_pair;
    if (!pair || !child_unit || !pair->covers(row) || bit_count(used) > 3) return true;
    const TierReach& reach = *state_.tier_reach;
    const BonusExtras wide = reach.extras(child, 2, row, used);
    BonusExtras extras = wide;
    if (wide.exact_count == 0) {
        extras = reach.kept_extras(child, 2, row, used);
        if (extras.exact_count == 0) return true;
        // With many takers, the tests of each cost more than they spare.
        if (!few_pair_takers(state_, child, row, used)) return true;
        if (taker_decks_open(bound, child, row, used)) return true;
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
    // Past this point the completions that hold a taker enter no tier, so
    // the tiers the others may enter are all the child's.
    bool any = false;
    u64 open = 0;
    for (usize t = 0; t < tiers.size(); ++t) {
        const TierRecord& tier = tiers[t];
        if (tier.tier_key > upper) break;
        if (t < 64 && !((tier_mask_ >> t) & 1)) continue;
        if (beneath(tier.decks, score)) continue;
        // The tier cuts a live score at or below its worst kept one, or
        // below it (see `beneath`); one that is not full cuts none.
        u32 cut_at = 0;
        if (tier.decks.full() && tier.decks.worst_score() != 0) {
            const u32 worst = static_cast<u32>(tier.decks.worst_score());
            cut_at = state_.tiers_in_slot_order ? worst : worst - 1;
        }
        const TierWindows windows = reach.windows(tier.tier_key, extras);
        for (usize w = 0; w < windows.count; ++w) {
            if (adds[w] == 0) continue;
            const TenthsWindow window =
                reach.exact_window(tier.tier_key, extras, w, windows.window[w]);
            if (window.lo > window.hi || !reach.reaches(row, 2, child.bonus_x10, window)) continue;
            const std::optional<u64> key =
                pair->bound(child, *child_unit, row, used, window.lo - i64{child.bonus_x10},
                            window.hi - i64{child.bonus_x10}, adds[w], m_.bonus_extra, cut_at);
            if (key && !beneath(tier.decks, static_cast<u32>(*key))) {
                if (!open_tiers) return true;
                any = true;
                if (t < 64) open |= u64{1} << t;
                break;
            }
        }
    }
    if (open_tiers) *open_tiers = open;
    return any;
}

bool DfsNode::taker_decks_open(u64 bound, const PartialSums& child, usize row, u32 used) const {
    bool open = false;
    state_.tier_reach->for_each_taker(child, row, [&](u16 card, usize) {
        open = open || taker_deck_open(bound, child, row, used, card);
    });
    return open;
}

bool DfsNode::taker_deck_open(u64 bound, const PartialSums& child, usize row, u32 used,
                              u16 taker) const {
    // A completion holding the taker t is the placed cards, t and one card
    // more from `row` on, of a character outside `used` and t's (one card
    // per character: the pair test runs only there): a node of those four
    // cards with one free card from `row` on holds it, whichever of the two
    // the search places first, and `tiers_open` of such a node holds for
    // every completion of its cards. The child's bound holds for them too;
    // each half of a key bounds on its own.
    if ((used >> pool_.character_id(taker)) & 1) return false;
    const PartialSums with = child_sums(m_, child, taker);
    DeckSlots deck = partial_;  // the child's three cards, then t
    deck[3] = taker;
    const u64 own = position_bound(m_, with, row, 1, m_.bonus_extra);
    const u64 capped =
        (std::min(bound >> 32, own >> 32) << 32) | std::min(bound & 0xFFFFFFFFu, own & 0xFFFFFFFFu);
    return tiers_open(capped, with, 4, row, used | (1u << pool_.character_id(taker)), false,
                      state_.last_card->placed_unit_power(with, deck, 4), &deck);
}

void check_world_bloom_pair(SearchNodeState& state, const DeckSlots& deck,
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
    const u64 placed_unit = state.last_card->placed_unit_power(placed, deck, 3);
    const u8 new_attrs = static_cast<u8>(1u << (bit_count(attrs) - bit_count(placed.attr_mask)));
    [[maybe_unused]] const std::optional<u64> b =
        pair->bound(ceiled, placed_unit, usize{deck[2]} + 1, used, total, total, new_attrs,
                    state.bounds.bonus_extra);
    VDZ_ASSERT(b && static_cast<u32>(key) <= static_cast<u32>(*b));
    // Asked to cut just below the deck's live score, each pair of runs and
    // attributes by its own key: it must not.
    if (static_cast<u32>(key) > 0) {
        [[maybe_unused]] const std::optional<u64> cut =
            pair->bound(ceiled, placed_unit, usize{deck[2]} + 1, used, total, total, new_attrs,
                        state.bounds.bonus_extra, static_cast<u32>(key) - 1);
        VDZ_ASSERT(cut && static_cast<u32>(key) <= static_cast<u32>(*cut));
    }
    // A deck its tier takes, one of whose free cards takes an entry the
    // placed cards' deck counts, is let through by that card's own test.
    const usize tier = state.store.tier_at(static_cast<u32>(key >> 32));
    if (tier == state.store.tiers.size()) return;
    DeckSlots slots = deck;
    const DfsNode node(state, 2, deck[2], slots, used, ceiled, false, 0);
    if (node.beneath(state.store.tiers[tier].decks, static_cast<u32>(key))) return;
    state.tier_reach->for_each_taker(placed, usize{deck[2]} + 1, [&](u16 card, usize) {
        if (card != deck[3] && card != deck[4]) return;
        VDZ_ASSERT(node.taker_deck_open(~u64{0}, ceiled, usize{deck[2]} + 1, used, card));
    });
}

}  // namespace vdz
