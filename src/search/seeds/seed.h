// The seed heuristics: cheap searches that find one good deck before the
// depth-first search starts, so that it prunes against a strong deck from its
// first node. They score complete decks exactly as the depth-first search
// does, read no clock, keep no state between calls and report no errors:
// finding nothing is an absent deck. Every buffer belongs to the call.
//
// Slot layout of every deck built here: the fixed cards in the first slots in
// the order of the fixed-card list, then one card of each fixed character in
// the order of the fixed-character list, then the free slots. A forced card
// stands in slot 0 and counts as slot 0 of that layout.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "common/types.h"
#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/evaluation/deck_entry.h"

namespace vdz {

// Seed decks handed to the depth-first search, best first.
using SeedDecks = std::vector<DeckEntry>;

// The value by which every seed heuristic ranks a complete deck: the ranking
// key the depth-first search gives the deck in this slot order, or none when
// no skill choice reaches the multi live score up lower bound.
std::optional<u64> seed_deck_score(const CardPool& pool, const SearchContext& context,
                                   const DeckSlots& slots);

// Keep rule of every seed heuristic: the deck replaces the held one when none
// is held or its score is strictly greater; on equal scores the first stays.
void keep_better_seed(std::optional<DeckEntry>& best, u64 score, const DeckSlots& slots);

// Decks of this search hold at most one card of each character.
inline bool distinct_characters(const SearchContext& context) {
    return !is_challenge(context.live_type);
}

// Slot `slot`'s place in the fixed layout: fixed card `slot`, then fixed
// character `slot` - F, then any card.
bool fits_fixed_slot(const CardPool& pool, const SearchContext& context, usize slot, u16 card);

// The deck holds the fixed cards, then cards of the fixed characters, in the
// first slots and in list order: the layout the depth-first search forms.
bool follows_fixed_layout(const CardPool& pool, const SearchContext& context,
                          const DeckSlots& slots);

// Per-card ranking key of the exhaustive seeds: (skill value + 256) x power x
// (event bonus in whole percent rounded up + 100). Never wraps.
u64 seed_ranking_key(const CardPool& pool, u16 card);

// Sorts `cards` by ranking key, greatest first, equal keys by lower index.
void sort_by_seed_rank(const CardPool& pool, std::vector<u16>& cards);

// One deck built slot by slot, each slot taking the best-valued card it may
// hold (ties to the lower index). Start mode 0 values power, 1 the skill
// value, 2 (and above) a target-dependent mix. Absent when a slot finds no
// card. `forced` stands in slot 0 and is never tested against its layout.
std::optional<DeckSlots> greedy_deck(const CardPool& pool, const SearchContext& context,
                                     u8 start_mode, std::optional<u16> forced);

// Single-slot replacements, best first per slot, in passes until a pass
// changes nothing. Fixed slots and a forced card's slot 0 never change. In
// multi and cheerful lives only pool indices 0-7 are tried. When `records` is
// given, the start deck and every scored trial are appended to it.
DeckSlots improve_deck(const CardPool& pool, const SearchContext& context, DeckSlots deck,
                       std::optional<u16> forced, std::vector<DeckEntry>* records);

// Every five-card deck of `list` taken at ascending positions that the slot
// layout and the character rule allow, scored; the best kept in `best`.
// Called with depth 0, start 0 and an empty character mask.
void seed_exhaustive_plain(const CardPool& pool, const SearchContext& context,
                           std::span<const u16> list, u32 depth, usize start, u32 used_characters,
                           DeckSlots& slots, std::optional<DeckEntry>& best);

// The best deck of the sixteen best-ranked cards, improved over the whole
// pool and scored anew. For score searches of solo and auto lives.
std::optional<DeckEntry> seed_strategy_plain(const CardPool& pool, const SearchContext& context);

// Slots 1-4 filled from `list` at ascending positions around the anchor in
// slot 0 (preset by the caller), each slot taking only cards its place in
// the fixed layout allows, every admissible deck scored into `best`.
// Called with depth 1, start 0 and the anchor's character in the mask.
void seed_exhaustive_anchored(const CardPool& pool, const SearchContext& context, u16 anchor,
                              std::span<const u16> list, u32 depth, usize start,
                              u32 used_characters, DeckSlots& slots,
                              std::optional<DeckEntry>& best);

// Final chapter: the first eight cards of the candidate order that may stand
// in slot 0 of the fixed layout as anchors, each completed by the cards of
// its fixed slots and its 24 best free cards of other characters; the best
// deck is improved around its anchor. Every seed follows the fixed layout.
// `candidate_order` is the depth-first search's initial candidate order.
std::optional<DeckEntry> seed_strategy_anchored(const CardPool& pool, const SearchContext& context,
                                                std::span<const u16> candidate_order);

// The seed deck: the chosen sub-strategy's deck, then three greedy starts
// (in the final chapter, each around up to 20 forced cards), each improved;
// the best by the keep rule. `candidate_order` is the depth-first search's
// initial candidate order; only the final chapter reads it.
std::optional<DeckEntry> build_seed_deck(const CardPool& pool, const SearchContext& context,
                                         std::span<const u16> candidate_order);

// The seed as a list of zero or one deck.
SeedDecks seed_to_vec(const std::optional<DeckEntry>& seed);

// Multi-start seeds of multi and cheerful score searches with an event: the
// three greedy starts, improved with every scored deck collected, sorted best
// first, one per card set, at most `limit`.
SeedDecks multi_start_seeds(const CardPool& pool, const SearchContext& context, u64 limit);

}  // namespace vdz
