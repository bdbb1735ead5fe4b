// The exact key of a complete final-chapter deck: the deck evaluator's key
// for the deck in its best order, the limited bonuses that count at best in
// the counted places. The searches reach each card set in one order of their
// own and keep it in the order that gives its key.
#pragma once

#include <optional>
#include <span>

#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/bounds/suffix_tables.h"
#include "search/evaluation/deck_entry.h"
#include "search/evaluation/top_decks.h"
#include "search/final_chapter/final_records.h"

namespace vdz {

// The deck in its best order with that order's key; none when the evaluator
// rejects the deck for the context's target.
std::optional<DeckEntry> evaluate_final_chapter_deck(const CardPool& pool,
                                                     const SearchContext& context,
                                                     const DeckSlots& deck);

// An upper bound of the key of the complete deck `deck` whose support
// entries sum to at most `support_x10` tenths: its power as the evaluator
// sums it (each card at its variant for the units all five share and whether
// they share one attribute; the bound key adds the honor power and the cap),
// its cards' skill values in it, and its bonus from the parts in tenths,
// rounded up once: the bases, the limited parts of the `limited_bonus_count`
// largest (no counting of the evaluator's counts more), the leader's honor
// and limit bonuses, the support and the bonus of its number of attributes.
u64 complete_final_deck_bound(const CardPool& pool, const SearchContext& context,
                              const SuffixTables& tables,
                              std::span<const UnitCountSkill> skill_by_count, const DeckSlots& deck,
                              u32 support_x10);

// An upper bound of the key of a complete deck, as the card search bounds
// its last cards: its power at the units and attribute its five cards
// share, its cards' skill values at its counts of their units, its bonus
// from the parts in tenths rounded up once (the largest limited bonuses in
// the counted places, its attribute count, and a support of at most the
// leader's list's `count` largest values, whichever entries the deck keeps).
// Cheaper than the evaluator, so the heuristics ask it before they evaluate
// a deck a full list would not take.
class FinalDeckBound {
  public:
    FinalDeckBound(const CardPool& pool, const SearchContext& context, const SuffixTables& tables,
                   std::span<const UnitCountSkill> skill_by_count);

    u64 operator()(const DeckSlots& deck) const;

  private:
    const CardPool& pool_;
    const SearchContext& context_;
    const SuffixTables& tables_;
    std::span<const UnitCountSkill> skill_by_count_;  // per pool card
    // Per leader character, the most support its list can give, tenths.
    std::array<u32, CardPool::CHARACTER_SLOTS> support_x10_{};
};

// Evaluates `deck` and offers it to `best`, unless `bound` (when given)
// shows that a full list would not take it; whether it was evaluated.
bool record_final_deck(const CardPool& pool, const SearchContext& context, TopDecks& best,
                       const DeckSlots& deck, const FinalDeckBound* bound);

}  // namespace vdz
