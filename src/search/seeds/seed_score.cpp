// The seed deck score and the small rules every seed heuristic shares: the
// keep rule, the fixed slot layout and the per-card ranking key. The score is
// the evaluator's ranking key itself, so a seed and a deck the depth-first
// search finds compare on one scale.
#include "search/seeds/seed.h"

#include <algorithm>

#include "search/evaluation/deck_evaluator.h"

namespace vdz {

std::optional<u64> seed_deck_score(const CardPool& pool, const SearchContext& context,
                                   const DeckSlots& slots) {
    return evaluate_deck_key(pool, context, slots);
}

void keep_better_seed(std::optional<DeckEntry>& best, u64 score, const DeckSlots& slots) {
    if (!best || score > best->score) best = DeckEntry{score, slots};
}

bool fits_fixed_slot(const CardPool& pool, const SearchContext& context, usize slot, u16 card) {
    const usize fixed = context.fixed_cards.size();
    if (slot < fixed) return pool.card_id(card) == context.fixed_cards[slot];
    if (slot - fixed < context.fixed_characters.size())
        return pool.character_id(card) == context.fixed_characters[slot - fixed];
    return true;
}

bool follows_fixed_layout(const CardPool& pool, const SearchContext& context,
                          const DeckSlots& slots) {
    for (usize s = 0; s < 5; ++s)
        if (!fits_fixed_slot(pool, context, s, slots[s])) return false;
    return true;
}

u64 seed_ranking_key(const CardPool& pool, u16 card) {
    const u64 skill = u64{pool.skill_value(card)} + 256;
    const u64 bonus_percent = (u64{pool.event_bonus(card).total_x10()} + 9) / 10;
    // At most 511 x (2^32 - 1) x 510: fits in 64 bits.
    return skill * pool.power(card) * (bonus_percent + 100);
}

void sort_by_seed_rank(const CardPool& pool, std::vector<u16>& cards) {
    struct Ranked {
        u64 key;
        u16 card;
    };
    std::vector<Ranked> ranked;
    ranked.reserve(cards.size());
    for (const u16 card : cards)
        ranked.push_back({seed_ranking_key(pool, card), card});
    // A total order: any correct sort gives the same list.
    std::sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) {
        return a.key != b.key ? a.key > b.key : a.card < b.card;
    });
    for (usize i = 0; i < cards.size(); ++i)
        cards[i] = ranked[i].card;
}

SeedDecks seed_to_vec(const std::optional<DeckEntry>& seed) {
    if (!seed) return {};
    return SeedDecks{*seed};
}

}  // namespace vdz
