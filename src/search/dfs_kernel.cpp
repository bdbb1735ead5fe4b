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
    // 3-5. Expansion in ascending pool order.
    const u16 n = state.pool.count();
    for (usize i = start; i < n; ++i) {
        const u16 card = static_cast<u16>(i);
        if (!admitted(state, depth, card, used_characters, has_leader, leader_index)) continue;
        partial[depth] = card;
        const u32 used = used_characters | (1u << state.pool.character_id(card));
        dfs_expand(state, depth + 1, i + 1, partial, used,
                   child_sums(state.pool, state.context, sums, card), has_leader, leader_index);
    }
}

}  // namespace vdz
