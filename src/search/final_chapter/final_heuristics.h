// The two heuristics that fill the final-chapter best-decks list before its
// exact searches start, so their bounds cut early: decks built around one
// card by a beam search, and every one-card replacement of a kept deck.
// Both score decks in their best order, as the exact searches do. The beam
// stops at a passed deadline; a refinement runs to its end, its caller
// checking the deadline between refinements.
#pragma once

#include <span>

#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/deadline.h"
#include "search/evaluation/deck_entry.h"
#include "search/final_chapter/final_deck_score.h"
#include "search/final_chapter/final_records.h"

namespace vdz {

// States kept after each extension step of the beam.
inline constexpr usize BEAM_WIDTH = 256;

// Records the decks of a beam search that keeps `card` in slot 0 and adds
// four cards of four further characters from a shortlist of 96. Its work is
// counted on `deadline`: a cut beam records the complete decks it scored.
// Both evaluate only decks whose `bound`, when given, a full list would take.
void final_chapter_best_with_card(const CardPool& pool, const SearchContext& context,
                                  std::span<const u8> mask, TopDecks& best,
                                  SearchCounters& counters, u16 card, Deadline& deadline,
                                  const FinalDeckBound* bound = nullptr);

// Records every deck that differs from `deck` in the card of one slot 1..4,
// drawn from a shortlist of 128 that keeps the five characters distinct.
void final_chapter_refine_deck(const CardPool& pool, const SearchContext& context,
                               const DeckEntry& deck, TopDecks& best, SearchCounters& counters,
                               const FinalDeckBound* bound = nullptr);

// (S + 256) x P x (total bonus + 1000), the leader and seeding estimate.
u64 quick_estimate(const CardPool& pool, u16 card);

}  // namespace vdz
