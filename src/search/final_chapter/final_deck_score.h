// The exact key of a complete final-chapter deck. In multi and cheerful lives
// with averaged skills the live score does not depend on the order of slots
// 2 to 5, so there the deck is valued with its limited bonuses counted to
// best effect; elsewhere it is the deck evaluator's key for the deck as given.
#pragma once

#include <optional>

#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/evaluation/deck_entry.h"

namespace vdz {

// True when the key of a deck may ignore the order of slots 1 to 4.
bool final_deck_order_free(const SearchContext& context);

// None when the evaluator rejects the deck for the context's target.
std::optional<u64> evaluate_final_chapter_deck(const CardPool& pool, const SearchContext& context,
                                               const DeckSlots& deck);

}  // namespace vdz
