// The recursive kernel of the depth-first search. Each call is one node: a
// partial deck of `depth` cards in ascending pool order (after the leader).
// A node at depth 5 evaluates the deck and records it; an inner node tries
// every admitted card from its start position on.
#include "common/check.h"
#include "search/deck_evaluator.h"
#include "search/dfs_state.h"

namespace vdz {
namespace {

// Whether card i may fill slot `depth` of the partial deck.
bool admitted(const SearchNodeState& state, usize depth, u16 i, u32 used_characters,
              bool has_leader, u16 leader_index) {
    const CardPool& pool = state.pool;
    const SearchContext& context = state.context;
    // 1. The leader holds slot 0 only.
    if (has_leader && i == leader_index) return false;
    // 2. In the final chapter some cards may only lead.
    if (depth > 0 && context.final_chapter && i < context.card_enabled.size() &&
        !(context.card_enabled[i] & 1)) {
        return false;
    }
    // 3. Fixed cards fill the first slots, fixed characters the next ones.
    const usize fixed_cards = context.fixed_cards.size();
    if (depth < fixed_cards) {
        if (pool.card_id(i) != context.fixed_cards[depth]) return false;
    } else if (depth - fixed_cards < context.fixed_characters.size()) {
        if (pool.character_id(i) != context.fixed_characters[depth - fixed_cards]) return false;
    }
    // 4. One card per character, except in challenge lives.
    if (context.dominance_pruning && (used_characters >> pool.character_id(i)) & 1) return false;
    return true;
}

void record_leaf(SearchNodeState& state, const DeckSlots& deck) {
    ++state.stats.evaluations;
    const auto evaluated = evaluate_deck(state.pool, state.context, deck);
    if (evaluated) state.store.record({evaluated->key, deck});
}

}  // namespace

PartialSums child_sums(const CardPool& pool, const SearchContext& context, const PartialSums& sums,
                       u16 card) {
    PartialSums child = sums;
    child.power_sum += pool.power(card);
    child.skill_sum += pool.skill_value(card);
    child.max_skill = std::max(child.max_skill, pool.skill_value(card));
    const u32 total = pool.event_bonus(card).total_x10();
    if (!context.final_chapter) {
        child.bonus_sum += (total + 9) / 10;
        return child;
    }
    // The final chapter counts the limited part of only so many cards.
    const u32 limited = pool.limited_x10(card);
    VDZ_ASSERT(limited <= total);
    const u32 base = total - limited;
    child.bonus_sum += (base + 9) / 10;
    if (limited != 0 && child.limited_count < context.limited_bonus_count) {
        child.bonus_sum += (limited + 9) / 10;
        ++child.limited_count;
    }
    return child;
}

namespace {

// Whether the tiers leave room for a completion of this node: some tier
// between the node's least and greatest doubled bonus whose list is not full
// or whose worst live score the node may still reach.
bool tiers_admit(const SearchNodeState& state, u64 bound, const PartialSums& sums, usize depth) {
    const u32 upper = static_cast<u32>(bound >> 32);
    const u32 score = static_cast<u32>(bound);
    const u32 lower = doubled_bonus_floor(sums, depth);
    for (const TierRecord& tier : state.store.tiers) {
        if (tier.tier_key < lower) continue;
        if (tier.tier_key > upper) return false;
        if (!tier.decks.full() || tier.decks.worst_score() == 0 ||
            score >= static_cast<u32>(tier.decks.worst_score())) {
            return true;
        }
    }
    return false;
}

}  // namespace

void dfs_expand(SearchNodeState& state, usize depth, usize start, DeckSlots& partial,
                u32 used_characters, const PartialSums& sums, bool has_leader, u16 leader_index) {
    // 1. Node entry.
    if (state.stop || state.count_step()) return;
    // 2. Leaf.
    if (depth == 5) {
        record_leaf(state, partial);
        return;
    }
    VDZ_ASSERT(depth < 5);
    const CardPool& pool = state.pool;
    const SearchContext& context = state.context;
    const u16 n = pool.count();
    const auto child_of = [&](u16 card) { return child_sums(pool, context, sums, card); };
    const auto descend = [&](u16 card, const PartialSums& child) {
        partial[depth] = card;
        const u32 used = used_characters | (1u << pool.character_id(card));
        dfs_expand(state, depth + 1, usize{card} + 1, partial, used, child, has_leader,
                   leader_index);
    };
    const auto expand_plainly = [&] {
        for (usize i = start; i < n; ++i) {
            const u16 card = static_cast<u16>(i);
            if (!admitted(state, depth, card, used_characters, has_leader, leader_index)) continue;
            descend(card, child_of(card));
        }
    };
    // 3. Tiers: one test per node, then every child.
    const DfsStore& store = state.store;
    if (!store.single) {
        if (!tiers_admit(state, character_bound(state.bounds, sums, used_characters, depth), sums,
                         depth)) {
            return;
        }
        expand_plainly();
        return;
    }
    // 4. One list: no threshold until it is full and its worst key is above 0.
    const DfsTopDecks& list = *store.single;
    if (!list.full() || list.worst_score() == 0) {
        expand_plainly();
        return;
    }
    u64 worst = list.worst_score();
    if (character_bound(state.bounds, sums, used_characters, depth) < worst) return;
    // 5. Bounded scan: the threshold rises after every child.
    const usize k = 5 - depth;
    const bool position_cutoff = context.target == Target::SCORE;
    for (usize i = start; i < n; ++i) {
        if (state.stop || state.count_step()) return;
        // Later positions have smaller or equal suffix rows: none can do better.
        if (position_cutoff && (i - start) % 4 == 0 &&
            position_bound(state.bounds, sums, i, k) < worst) {
            return;
        }
        const u16 card = static_cast<u16>(i);
        if (!admitted(state, depth, card, used_characters, has_leader, leader_index)) continue;
        const PartialSums child = child_of(card);
        if (position_bound(state.bounds, child, i + 1, k - 1) < worst) continue;
        descend(card, child);
        if (list.full()) worst = std::max(worst, list.worst_score());
    }
}

}  // namespace vdz
