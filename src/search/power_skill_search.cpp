// The recursion fills one slot per level in one shared deck buffer. A
// fixed slot scans the whole list and leaves `start` alone; a free slot
// scans from `start` and passes i + 1 on, so every combination of free
// positions is visited once per way of filling the fixed slots.
#include "search/power_skill_search.h"

#include <algorithm>

#include "search/deck_evaluator.h"

namespace vdz {
namespace {

struct CutLimits {
    usize per_character;
    usize total;
};

// A challenge live's deck may repeat a character (its pool usually holds one
// character only), so there the list has no cap per character and decks
// differ only in card ids, as in the other challenge-live searches.
bool repeats_characters(const SearchContext& context) {
    return !context.dominance_pruning;
}

CutLimits cut_limits(const SearchContext& context) {
    const CutLimits limits = context.target == Target::SKILL ? CutLimits{3, 20} : CutLimits{6, 28};
    return repeats_characters(context) ? CutLimits{limits.total, limits.total} : limits;
}

usize counter_slot(u8 character) {
    return std::min<usize>(character, 26);
}

bool contains_u8(std::span<const u8> values, u8 value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

// The recursion's shared state; lives for one search.
struct Walk {
    const CardPool& pool;
    const SearchContext& context;
    std::span<const u16> list;
    std::vector<u8> used;  // by list position
    DeckSlots deck{};
    TopDecks& best;
    SearchStats& stats;
    Deadline& deadline;
    bool stop = false;  // the deadline has passed; never cleared

    void visit(usize depth, usize start, u32 characters);

    bool holds_card_id(usize depth, u16 card_id) const {
        for (usize s = 0; s < depth; ++s)
            if (pool.card_id(deck[s]) == card_id) return true;
        return false;
    }
};

void Walk::visit(usize depth, usize start, u32 characters) {
    ++stats.nodes;
    if (deadline.step() && !best.empty()) stop = true;
    if (stop) return;
    // 1. A complete deck: evaluate and offer.
    if (depth == 5) {
        ++stats.evaluations;
        if (const auto key = evaluate_deck_key(pool, context, deck)) best.record({*key, deck});
        return;
    }
    // 2. The kind of this slot.
    const usize fixed_cards = context.fixed_cards.size();
    const usize fixed_characters = context.fixed_characters.size();
    const bool card_slot = depth < fixed_cards;
    const bool character_slot = !card_slot && depth < fixed_cards + fixed_characters;
    const bool fixed = card_slot || character_slot;
    // 3. Each admissible card at this slot.
    for (usize i = fixed ? 0 : start; i < list.size(); ++i) {
        if (used[i]) continue;
        const u16 card = list[i];
        const u8 c = pool.character_id(card);
        const bool repeat = repeats_characters(context) ? holds_card_id(depth, pool.card_id(card))
                                                        : (characters & (1u << c)) != 0;
        if (card_slot) {
            if (repeat || pool.card_id(card) != context.fixed_cards[depth]) continue;
        } else if (character_slot) {
            if (c != context.fixed_characters[depth - fixed_cards]) continue;
        } else if (repeat) {
            continue;
        }
        deck[depth] = card;
        used[i] = 1;
        visit(depth + 1, fixed ? start : i + 1, characters | (1u << c));
        used[i] = 0;
        if (stop) return;
    }
}

}  // namespace

bool candidate_order_reversed(const SearchContext& context) {
    return context.target == Target::POWER && context.minimize;
}

void sort_candidates(std::span<u16> indices, const CardPool& pool, const SearchContext& context) {
    const bool by_power = context.target != Target::SKILL;
    const bool reversed = candidate_order_reversed(context);
    const auto key = [&](u16 i) -> u32 { return by_power ? pool.power(i) : pool.skill_value(i); };
    std::sort(indices.begin(), indices.end(), [&](u16 a, u16 b) {
        const u32 ka = key(a), kb = key(b);
        if (ka != kb) return reversed ? ka < kb : ka > kb;
        return a < b;
    });
}

bool contains_u16(std::span<const u16> values, u16 value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

std::vector<u16> cut_candidates(const CardPool& pool, const SearchContext& context) {
    const CutLimits limits = cut_limits(context);
    std::vector<u16> sorted(pool.count());
    for (u16 i = 0; i < pool.count(); ++i)
        sorted[i] = i;
    sort_candidates(sorted, pool, context);

    std::vector<u16> list;
    std::vector<u8> taken(pool.count(), 0);
    std::array<usize, 27> per_character{};
    const auto take = [&](u16 card) {
        list.push_back(card);
        taken[card] = 1;
        ++per_character[counter_slot(pool.character_id(card))];
    };
    // 1. Cards the fixed constraints name, beyond any cap.
    for (const u16 card : sorted) {
        if (contains_u16(context.fixed_cards, pool.card_id(card)) ||
            contains_u8(context.fixed_characters, pool.character_id(card))) {
            take(card);
        }
    }
    // 2. The best of the rest, capped per character, up to the total. Cards
    // of step 1 beyond the slots they can fill are alternatives for those
    // slots and take no room from the rest: else a fixed character with many
    // cards would leave no other character in the list, and no deck.
    const usize fixed_slots = context.fixed_cards.size() + context.fixed_characters.size();
    const usize total = limits.total + (list.size() > fixed_slots ? list.size() - fixed_slots : 0);
    for (const u16 card : sorted) {
        if (list.size() >= total) break;
        if (taken[card]) continue;
        if (per_character[counter_slot(pool.character_id(card))] >= limits.per_character) continue;
        take(card);
    }
    return list;
}

void search_small_exhaustive(const CardPool& pool, const SearchContext& context,
                             std::span<const u16> candidates, TopDecks& best, SearchStats& stats,
                             Deadline& deadline) {
    Walk walk{pool, context, candidates, std::vector<u8>(candidates.size(), 0),
              {},   best,    stats,      deadline};
    walk.visit(0, 0, 0);
    stats.clock_reads = deadline.clock_reads();
    stats.timed_out = deadline.expired();
}

SearchResult search_power_skill(const CardPool& pool, const SearchContext& context, u64 limit,
                                Deadline& deadline) {
    SearchResult result;
    const std::vector<u16> candidates = cut_candidates(pool, context);
    if (candidates.size() < 5) return result;
    TopDecks best(limit, candidate_order_reversed(context), pool_card_ids(pool));
    search_small_exhaustive(pool, context, candidates, best, result.stats, deadline);
    result.decks = std::move(best).take_entries();
    return result;
}

}  // namespace vdz
