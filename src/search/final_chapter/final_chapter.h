// The final-chapter search: the search mode of a World Bloom final chapter,
// where every deck holds a leader card of one character and one card of each
// of four other characters. It searches one designated character, or every
// character after heuristic seeding, and keeps the best decks found within
// the time limit.
#pragma once

#include <optional>
#include <vector>

#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/deadline.h"
#include "search/evaluation/deck_entry.h"
#include "search/final_chapter/final_records.h"

namespace vdz {

// What a final-chapter search hands back; decks index the searched pool.
struct FinalChapterResult {
    std::vector<DeckEntry> decks;  // best first, at most `limit`
    SearchCounters counters;
    u64 clock_reads = 0;     // reads of the clock by the deadline
    bool timed_out = false;  // the deadline passed before the search ended
};

// With `character` set, decks are led by a card of that character
// (designated mode); without, every character is tried, unless the context
// fixes cards or characters, which name the leader's character themselves.
// Every deck holds the fixed cards and a card of each fixed character. The
// usable-card mask is the context's card_enabled. `timeout_ms` 0 means no
// deadline; a passed deadline ends the search with the decks found so far.
FinalChapterResult search_final_chapter(const CardPool& pool, const SearchContext& context,
                                        u64 limit, u64 timeout_ms, std::optional<u8> character,
                                        const SearchClock& clock);

// The character whose cards lead the decks of a constrained request: the
// designated character, else the first fixed card's (it stands in slot 0 of
// the fixed layout), else the first fixed character. None without any, or
// when the first fixed card is not in the pool.
std::optional<u8> final_leader_character(const CardPool& pool, const SearchContext& context);

// What the fixed cards and characters of `context` demand of decks led by a
// card of `character`.
FinalConstraints final_constraints(const CardPool& pool, const SearchContext& context,
                                   u8 character);

// `cards` without the cards that an earlier kept card of the list dominates
// as a leader; survivors keep their order.
std::vector<u16> drop_dominated_cards(const CardPool& pool, const SearchContext& context,
                                      std::vector<u16> cards);

// The values of `card` as a leader.
LeaderValues leader_values(const CardPool& pool, const SearchContext& context, u16 card);

}  // namespace vdz
