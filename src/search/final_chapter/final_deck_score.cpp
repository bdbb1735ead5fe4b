// Only the limited bonuses depend on the order of slots 1 to 4, so the best
// order is found without trying the others. The arranged deck goes through
// the evaluator whole, so its multi live score-up lower bound holds here as
// everywhere else.
#include "search/final_chapter/final_deck_score.h"

#include "search/evaluation/deck_evaluator.h"
#include "search/evaluation/final_deck_order.h"

namespace vdz {

std::optional<DeckEntry> evaluate_final_chapter_deck(const CardPool& pool,
                                                     const SearchContext& context,
                                                     const DeckSlots& deck) {
    DeckSlots slots = deck;
    arrange_final_deck(pool, context, slots);
    const std::optional<u64> key = evaluate_deck_key(pool, context, slots);
    if (!key) return std::nullopt;
    return DeckEntry{*key, slots};
}

}  // namespace vdz
