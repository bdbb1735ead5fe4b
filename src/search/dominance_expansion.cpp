// Variants are built in ascending slot order, each recorded before its own
// further variants, and a deck whose key falls below a full list's worst
// entry widens no further: a replacement card is dominated by the card it
// replaces, so its variants are rarely better.
#include "search/dominance_expansion.h"

#include <algorithm>

#include "common/check.h"
#include "search/deck_evaluator.h"

namespace vdz {
namespace {

bool is_fixed_card(const SearchContext& context, u16 card_id) {
    return std::find(context.fixed_cards.begin(), context.fixed_cards.end(), card_id) !=
           context.fixed_cards.end();
}

// A leader swap keeps the card set, so it keeps the fixed cards and
// characters; what it may break is who leads. The final-chapter search lays
// out only the leader: the designated character's card, else the first
// fixed card, else a card of the first fixed character.
bool keeps_final_leader(const CardPool& pool, const SearchContext& context, const DeckSlots& deck) {
    if (context.designated_character)
        return pool.character_id(deck[0]) == *context.designated_character;
    if (!context.fixed_cards.empty()) return pool.card_id(deck[0]) == context.fixed_cards[0];
    if (!context.fixed_characters.empty())
        return pool.character_id(deck[0]) == context.fixed_characters[0];
    return true;
}

}  // namespace

void expand_deck_variants(const CardPool& pool, const SearchContext& context,
                          const DominatedLists& first, const DominatedLists& second,
                          DeckSlots& deck, u64 base_key, usize start_slot, DfsTopDecks& best) {
    // 1-2.
    if (best.full() && base_key < best.worst_score()) return;
    if (start_slot >= 5) return;
    // 3. A fixed card is never replaced, wherever the search placed it.
    for (usize s = start_slot; s < 5; ++s) {
        if (is_fixed_card(context, pool.card_id(deck[s]))) continue;
        const u16 original = deck[s];
        VDZ_ASSERT(original < first.size());
        const auto try_candidate = [&](u16 candidate) {
            deck[s] = candidate;
            const auto evaluated = evaluate_deck(pool, context, deck);
            if (!evaluated) return;
            best.push({evaluated->key, deck});
            expand_deck_variants(pool, context, first, second, deck, evaluated->key, s + 1, best);
        };
        for (const u16 candidate : first[original])
            try_candidate(candidate);
        // The leader slot never takes a card of the second pass.
        if (s != 0 && original < second.size()) {
            for (const u16 candidate : second[original])
                try_candidate(candidate);
        }
        deck[s] = original;
    }
}

std::vector<DeckEntry> expand_dominated_decks(const CardPool& pool, const SearchContext& context,
                                              const DominatedLists& first,
                                              const DominatedLists& second, u64 limit,
                                              std::vector<DeckEntry> decks) {
    // 1-2.
    if (limit < 2) return decks;
    bool needed = context.final_chapter;
    for (usize d = 0; d < decks.size() && !needed; ++d) {
        for (const u16 card : decks[d].slots) {
            VDZ_ASSERT(card < first.size());
            if (!first[card].empty()) {
                needed = true;
                break;
            }
        }
    }
    if (!needed) return decks;
    // 3.
    DfsTopDecks best(limit, pool_card_ids(pool));
    for (const DeckEntry& deck : decks)
        best.push(deck);
    // 4.
    for (const DeckEntry& found : decks) {
        DeckSlots slots = found.slots;
        expand_deck_variants(pool, context, first, second, slots, found.score, 0, best);
        if (!context.final_chapter) continue;
        for (usize i = 1; i < 5; ++i) {
            DeckSlots swapped = found.slots;
            std::swap(swapped[0], swapped[i]);
            if (!keeps_final_leader(pool, context, swapped)) continue;
            const auto evaluated = evaluate_deck(pool, context, swapped);
            if (!evaluated) continue;
            best.push({evaluated->key, swapped});
            expand_deck_variants(pool, context, first, second, swapped, evaluated->key, 0, best);
        }
    }
    // 5.
    return std::move(best).take_entries();
}

}  // namespace vdz
