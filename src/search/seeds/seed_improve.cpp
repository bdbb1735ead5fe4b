// Deck improvement by single-slot replacement: each slot in turn takes the
// pool card that raises the seed deck score the most, and passes repeat until
// one changes nothing. Every change raises the score strictly, so it ends.
#include "search/seeds/seed.h"

#include <limits>

namespace vdz {
namespace {

// May `card` replace the card in `slot`? Not a card of another slot, nor a
// card of another slot's character; the replaced card's character is free.
bool fits_slot(const CardPool& pool, const DeckSlots& deck, usize slot, u16 card) {
    const u8 character = pool.character_id(card);
    for (usize s = 0; s < 5; ++s) {
        if (s == slot) continue;
        if (deck[s] == card || pool.character_id(deck[s]) == character) return false;
    }
    return true;
}

}  // namespace

DeckSlots improve_deck(const CardPool& pool, const SearchContext& context, DeckSlots deck,
                       std::optional<u16> forced, std::vector<DeckEntry>* records) {
    // 1. The start deck's score; a deck without one is returned as it is.
    const std::optional<u64> start = seed_deck_score(pool, context, deck);
    if (!start) return deck;
    u64 current = *start;
    if (records) records->push_back({current, deck});

    const usize first_slot = forced ? 1 : 0;
    const usize fixed_slots = context.fixed_cards.size() + context.fixed_characters.size();
    const bool multi =
        context.live_type == LiveType::MULTI || context.live_type == LiveType::CHEERFUL;
    // Multi and cheerful decks are costly to evaluate: only indices 0-7 there.
    const usize budget = multi ? 8 : std::numeric_limits<usize>::max();

    // 2. Passes until nothing changes.
    for (bool changed = true; changed;) {
        changed = false;
        for (usize slot = first_slot; slot < 5; ++slot) {
            if (slot < fixed_slots) continue;
            const u16 incumbent = deck[slot];
            u16 best_card = incumbent;
            u64 best_score = current;
            for (usize i = 0; i < pool.count() && i < budget; ++i) {
                const u16 card = static_cast<u16>(i);
                if (card == incumbent || (forced && card == *forced)) continue;
                if (!fits_slot(pool, deck, slot, card)) continue;
                deck[slot] = card;
                const std::optional<u64> score = seed_deck_score(pool, context, deck);
                if (score) {
                    if (records) records->push_back({*score, deck});
                    if (*score > best_score) {
                        best_score = *score;
                        best_card = card;
                    }
                }
                deck[slot] = incumbent;
            }
            if (best_card != incumbent) {
                deck[slot] = best_card;
                current = best_score;
                changed = true;
            }
        }
    }
    return deck;
}

}  // namespace vdz
