// The deck evaluator: five pool cards in, the numbers by which decks are
// compared and reported out (power, event bonus, resolved skill values, multi
// live score up, live score, event points and the ranking key). Every search
// evaluates complete decks with it, and the result writer evaluates each
// reported deck again, so the reported values are those the search ranked by.
// It reads only the pool and its context, keeps its state on the stack and
// never allocates, so any number of threads may evaluate one pool at once.
#pragma once

#include <array>
#include <optional>

#include "common/types.h"
#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/evaluation/deck_entry.h"

namespace vdz {

// How the five cards of a deck fall into units and attributes.
struct DeckShape {
    std::array<u8, 6> unit_cards{};  // cards counting for each unit
    bool same_attr = false;          // all five share one attribute
    u8 distinct_units = 0;           // units with at least one card
    u8 distinct_attrs = 0;           // different attributes, 1..5

    // All five cards count for unit u.
    bool same_unit(usize u) const { return unit_cards[u] == 5; }
};

DeckShape deck_shape(const CardPool& pool, const DeckSlots& slots);

// A card's power in a deck whose five cards all count for the units of
// `shared_units` (bits 0..5) and no other, and all share one attribute or
// not: the largest over the card's units u of its variant 4 x (u is its
// second unit) + 2 x (u is shared) + (the attribute is shared).
inline u32 shape_power(const CardPool& pool, u16 card, u32 shared_units, bool same_attr) {
    const u32 high = pool.unit_values_high(card);
    u32 best = 0;
    for (u32 units = pool.unit_mask(card); units != 0; units &= units - 1) {
        const u32 u = static_cast<u32>(__builtin_ctz(units));
        const u32 variant =
            4 * ((high >> (16 + u)) & 1u) + 2 * ((shared_units >> u) & 1u) + (same_attr ? 1u : 0u);
        const u32 value = pool.unit_value(card, variant);
        best = value > best ? value : best;
    }
    return best;
}

// The evaluation of a deck under its best skill choice. Returned by value;
// `order` and the per-slot arrays are indexed as noted.
struct DeckEvaluation {
    u64 key = 0;                      // ranking key
    u32 power = 0;                    // deck power with honor power, after the cap
    double event_bonus = 0.0;         // percent
    i32 score = 0;                    // live score
    std::optional<i32> event_points;  // none for the mysekai live type
    double multi_live_score_up = 0.0;
    std::array<u8, 5> order{};  // slot positions 0..4, leader first
    // Per slot position (not in leader order):
    std::array<u32, 5> card_power{};           // the per-unit value the deck power used
    std::array<double, 5> skill_value{};       // resolved skill value
    std::array<double, 5> card_event_bonus{};  // the card's own bonus, percent
};

// Whether slot 0 leads every deck. Otherwise the card of the largest resolved
// skill value leads (ties: the smaller card id, then the earlier slot).
bool first_slot_leads(const SearchContext& context);

// None when no skill choice passes the multi live score up lower bound.
std::optional<DeckEvaluation> evaluate_deck(const CardPool& pool, const SearchContext& context,
                                            const DeckSlots& slots);

// The key alone, as `evaluate_deck` gives it, computing only what the key of
// the request's target reads: what every search calls for each deck.
std::optional<u64> evaluate_deck_key(const CardPool& pool, const SearchContext& context,
                                     const DeckSlots& slots);

// The deck's event bonus in percent, as `evaluate_deck` computes it (the
// same for every skill choice).
double deck_event_bonus(const CardPool& pool, const SearchContext& context, const DeckSlots& slots);

// The live score of a deck of `power` whose resolved skill values are
// `values`, leader first; the bounds of the depth-first search read it.
i32 deck_live_score(const SearchContext& context, u32 power, const std::array<double, 5>& values);

// The event points of a live score and an event bonus; none in mysekai lives.
std::optional<i32> deck_event_points(const SearchContext& context, i32 score, double event_bonus);

// The World Bloom support list a deck reads: in the final chapter the first
// slot's character's own list when its count is set, else the general list.
const SupportDeckList& deck_support_list(const CardPool& pool, const SearchContext& context,
                                         const DeckSlots& slots);

// Calls `take(entry)` for each support entry the deck takes: the first
// `count` entries of its list whose card is not one of the deck's cards.
template <class Take>
void for_each_taken_support(const CardPool& pool, const SearchContext& context,
                            const DeckSlots& slots, Take&& take);

// ---------------------------------------------------------------------------

template <class Take>
void for_each_taken_support(const CardPool& pool, const SearchContext& context,
                            const DeckSlots& slots, Take&& take) {
    const SupportDeckList& list = deck_support_list(pool, context, slots);
    usize taken = 0;
    for (const SupportEntry& e : list.entries) {
        if (taken >= list.count) break;
        bool in_deck = false;
        for (const u16 card : slots)
            in_deck |= pool.card_id(card) == e.card_id;
        if (in_deck) continue;
        take(e);
        ++taken;
    }
}

}  // namespace vdz
