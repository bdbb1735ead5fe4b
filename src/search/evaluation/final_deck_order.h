// The slot order of a final-chapter deck. The deck evaluator counts limited
// event bonuses in slot order, for the first `limited_bonus_count` cards that
// carry one, and nothing else it computes depends on the order of slots 1 to
// 4: the leader stands in slot 0 and the others' skills are read by card id.
// So every card set with its leader has a best order, found here; decks are
// valued, kept and reported in it, and a deck set up as reported gives the
// values reported.
#pragma once

#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/evaluation/deck_entry.h"

namespace vdz {

// Reorders slots 1 to 4 of a final-chapter deck into its best order: by card
// id, except that a card whose limited bonus would take a counted place that
// a larger one needs stands behind the counted cards. The largest limited
// bonuses count (of equal ones, the smaller card id's); a deck in which they
// already count by card id keeps that order.
void arrange_final_deck(const CardPool& pool, const SearchContext& context, DeckSlots& deck);

}  // namespace vdz
