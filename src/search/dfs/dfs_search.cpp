// The driver: store, seeds, deadline and roots around the recursive kernel.
// Outside the final chapter the kernel enumerates every deck from the empty
// one; in the final chapter the first card is the leader, and the driver
// places each admissible leader in candidate order.
#include "search/dfs/dfs_search.h"

#include <algorithm>

#include "search/bounds/reachable_bonus.h"
#include "search/candidate_order.h"
#include "search/dfs/bonus_class_search.h"
#include "search/dfs/dfs_state.h"
#include "search/dfs/force_scalar.h"
#include "search/evaluation/deck_evaluator.h"
#include "search/evaluation/final_deck_order.h"

namespace vdz {
namespace {

// Ascending, distinct tier keys (twice each non-negative tier value).
std::vector<u32> tier_keys(std::span<const i32> tiers) {
    std::vector<u32> keys;
    for (const i32 t : tiers)
        if (t >= 0) keys.push_back(2 * static_cast<u32>(t));
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return keys;
}

bool admissible_root(const CardPool& pool, const SearchContext& context, u16 card) {
    if (!context.fixed_cards.empty()) return pool.card_id(card) == context.fixed_cards[0];
    if (!context.fixed_characters.empty())
        return pool.character_id(card) == context.fixed_characters[0];
    return true;
}

// Per depth, the positions of the cards that may fill that slot (see
// `SearchNodeState::slot_begin`).
void set_slot_ranges(const CardPool& pool, const FixedSlotLayout& layout, SearchNodeState& state) {
    for (usize d = 0; d < 5; ++d) {
        const bool fixed = d < layout.slots();
        state.slot_begin[d] = fixed ? layout.begin[d] : 0;
        state.slot_end[d] = fixed ? layout.run_end(d) : pool.count();
    }
}

// A leader's sums: its own bonus and both leader bonuses.
PartialSums root_sums(const BoundModel& m, u16 root) {
    const SearchContext& context = *m.context;
    PartialSums sums = child_sums(m, PartialSums{}, root);
    const auto at = [root](const std::vector<u16>& v) -> u32 {
        return root < v.size() ? v[root] : 0;
    };
    sums.bonus_sum += at(context.leader_honor_bonus) + at(context.leader_limit_bonus);
    return sums;
}

}  // namespace

void DfsStore::record(const DeckEntry& deck) {
    if (single) {
        single->push(deck);
        return;
    }
    const usize tier = tier_at(static_cast<u32>(deck.score >> 32));
    if (tier < tiers.size()) tiers[tier].decks.push(deck);
}

usize DfsStore::tier_at(u32 tier_key) const {
    const auto tier = std::lower_bound(tiers.begin(), tiers.end(), tier_key,
                                       [](const TierRecord& r, u32 k) { return r.tier_key < k; });
    return tier != tiers.end() && tier->tier_key == tier_key
               ? static_cast<usize>(tier - tiers.begin())
               : tiers.size();
}

SearchResult dfs_search(const CardPool& pool, const SearchContext& context,
                        const SuffixTables& suffix, u64 limit, u64 timeout_ms,
                        std::vector<DeckEntry> seeds, std::optional<std::span<const i32>> tiers,
                        const SearchClock& clock) {
    SearchResult result;
    // 1. Small pool.
    if (pool.count() < 5) return result;
    // 2. Deadline.
    Deadline deadline(timeout_ms, clock);
    // 3. Store.
    DfsStore store;
    ReachableBonuses reachable;
    if (!tiers) {
        store.single.emplace(limit, pool_card_ids(pool));
    } else {
        // A tier no deck of the pool reaches stays empty: it is left out,
        // and a search left without tiers has nothing to look for.
        reachable = reachable_bonuses(pool, context);
        for (const u32 key : tier_keys(*tiers))
            if (reachable.may_reach(key))
                store.tiers.push_back({key, DfsTopDecks(limit, pool_card_ids(pool))});
        if (store.tiers.empty()) return result;
    }
    // 4. Seeds raise the threshold before the first node, each in the slot
    // order the kernel records its deck in: where slot 0 leads or a specific
    // skill order reads the slots in turn, the order decides the key, and a
    // seed judged in its own order would list a deck the search never forms.
    // In the final chapter that is the best order under the seed's leader.
    {
        std::vector<DeckEntry> formed;
        for (const DeckEntry& seed : seeds) {
            DeckSlots slots = seed.slots;
            if (context.final_chapter) {
                arrange_final_deck(pool, context, slots);
            } else {
                sort_five(slots);
            }
            if (slots == seed.slots) {
                formed.push_back(seed);
            } else if (const std::optional<u64> key = evaluate_deck_key(pool, context, slots)) {
                formed.push_back({*key, slots});
            }
        }
        seeds = std::move(formed);
    }
    for (const DeckEntry& seed : seeds)
        store.record(seed);
    std::optional<DeckSlots> reference;
    if (!seeds.empty())
        reference = std::max_element(
                        seeds.begin(), seeds.end(),
                        [](const DeckEntry& a, const DeckEntry& b) { return a.score < b.score; })
                        ->slots;
    seeds.clear();
    // 5. State.
    SearchNodeState state{pool,         context,
                          store,        deadline,
                          result.stats, make_bound_model(pool, context, suffix, reference)};
    state.force_scalar = force_scalar_enabled();
    set_slot_ranges(pool, state.bounds.fixed_layout, state);
    // A challenge live may hold several cards of one character.
    std::optional<CardSuffixSums> card_sums;
    if (!context.dominance_pruning)
        state.card_sums = &card_sums.emplace(build_card_suffix_sums(pool, context));
    // A deck's score up is its leader's skill value plus a fifth of the
    // others', none below zero: a lower bound at or below zero keeps every
    // deck, and the tables that cut by it would only cost. Taking no cut
    // drops no deck.
    const bool score_up_cuts =
        context.multi_live_score_up_lower_bound && *context.multi_live_score_up_lower_bound > 0.0;
    std::optional<TierReach> tier_reach;
    std::optional<LastCardBound> last_card;
    std::optional<ScoreUpReach> score_up;
    std::optional<BonusTotalBound> bonus_total;
    if (tiers && !context.final_chapter) {
        state.tier_reach = &tier_reach.emplace(state.bounds);
        state.last_card = &last_card.emplace(state.bounds);
        state.bonus_total = &bonus_total.emplace(state.bounds);
        if (score_up_cuts) state.score_up = &score_up.emplace(pool, context);
    }
    std::optional<WorldBloomPairBound> world_bloom_pair;
    if (state.tier_reach && context.world_bloom && context.dominance_pruning &&
        context.fixed_cards.empty() && context.fixed_characters.empty())
        state.world_bloom_pair = &world_bloom_pair.emplace(state.bounds);
    if (tiers) state.reachable = &reachable;
    std::optional<CompletionBonusReach> completion_reach;
    if (tiers && store.tiers.size() <= 64) {
        completion_reach.emplace(completion_bonus_reach(pool, context, state.bounds.fixed_layout));
        state.completion_reach = &*completion_reach;
        for (const TierRecord& tier : store.tiers)
            state.tier_keys.push_back(tier.tier_key);
    }
    std::optional<ScoreUpSuffix> score_up_suffix;
    if (score_up_cuts && !state.card_sums)
        state.score_up_suffix = &score_up_suffix.emplace(state.bounds);
    std::optional<LastCardUnits> last_units;
    if (!tiers && !state.card_sums && !context.final_chapter)
        state.last_units = &last_units.emplace(build_last_card_units(state.bounds));
    state.tiers_in_slot_order = tiers && !context.final_chapter && !reference;
    // 6. Roots.
    DeckSlots partial{};
    if (tiers && bonus_class_search(state)) {
        // A challenge live's tiers, walked by bonus classes.
    } else if (!context.final_chapter) {
        dfs_expand(state, 0, 0, partial, 0, PartialSums{}, false, 0);
    } else {
        for (const u16 root : initial_candidate_order(pool, context)) {
            if (!admissible_root(pool, context, root)) continue;
            if (state.stop || state.count_step()) break;
            const PartialSums sums = root_sums(state.bounds, root);
            const u32 used = 1u << pool.character_id(root);
            partial[0] = root;
            // A leader none of whose decks can beat a full list is skipped.
            u64 bound = ~u64{0};
            if (store.single && store.single->full() && store.single->worst_score() != 0) {
                const u64 extra =
                    state.bounds.support_mode
                        ? std::min<u64>(support_bonus_bound(state.bounds, 4,
                                                            partial_deck_key(1, partial, pool)),
                                        state.bounds.bonus_extra)
                        : state.bounds.bonus_extra;
                bound = state.card_sums
                            ? card_suffix_bound(state.bounds, *state.card_sums, sums, 0, 4, extra)
                            : std::min(character_bound(state.bounds, sums, used, 1, partial),
                                       position_bound(state.bounds, sums, 0, 4, extra));
                if (bound <= store.single->worst_score()) continue;
            }
            state.bound_above[1] = bound;
            state.entry_bound[1] = bound;
            state.entry_tiers[1] = ~u64{0};
            dfs_expand(state, 1, 0, partial, used, sums, true, root);
        }
    }
    // 7. Result: the single list, or the tiers from the highest down.
    result.stats.clock_reads = deadline.clock_reads();
    result.stats.timed_out = state.stop;
    if (store.single) {
        result.decks = std::move(*store.single).take_entries();
    } else {
        for (auto tier = store.tiers.rbegin(); tier != store.tiers.rend(); ++tier) {
            std::vector<DeckEntry> decks = std::move(tier->decks).take_entries();
            result.decks.insert(result.decks.end(), decks.begin(), decks.end());
        }
    }
    return result;
}

}  // namespace vdz
