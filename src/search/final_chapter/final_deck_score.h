// The exact key of a complete final-chapter deck: the deck evaluator's key
// for the deck in its best order, the limited bonuses that count at best in
// the counted places. The searches reach each card set in one order of their
// own and keep it in the order that gives its key.
#pragma once

#include <optional>

#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/evaluation/deck_entry.h"

namespace vdz {

// The deck in its best order with that order's key; none when the evaluator
// rejects the deck for the context's target.
std::optional<DeckEntry> evaluate_final_chapter_deck(const CardPool& pool,
                                                     const SearchContext& context,
                                                     const DeckSlots& deck);

}  // namespace vdz
