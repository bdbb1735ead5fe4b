// The card level of the final-chapter search: given a leader and four chosen
// character groups in search order, one card per group fills slots 1 to 4.
// A depth-first search that, once the best-decks list is full, bounds each
// node and every card of its group and expands the promising ones best
// bound first. Also the seeding of each leader's first decks.
#pragma once

#include <array>
#include <span>

#include "search/evaluation/deck_entry.h"
#include "search/final_chapter/final_deck_score.h"
#include "search/final_chapter/final_records.h"

namespace vdz {

// The support state after a card with id `card_id` joins the deck: a counted
// support entry of that card leaves the sum and the next free entry, if any,
// takes its place. Returns the new (support_end, support_sum).
std::pair<u64, double> support_replacement_value(bool support_enabled,
                                                 std::span<const SupportEntry> entries,
                                                 u64 support_end,
                                                 const std::array<u16, 5>& card_ids,
                                                 u64 placed_count, u16 card_id, double support_sum);

// Sums over the four chosen groups from each position of `order` to the
// last.
ChosenGroupTable chosen_group_table(const GroupSearchState& gs, const std::array<usize, 4>& order);

// The support entries a deck of the leader alone takes in `gs`: their sum
// and the first entry not examined.
std::pair<double, u64> leader_support(const GroupSearchState& gs);

// The leader alone as a card-search state: its values and the support
// entries its deck takes, its skill bounded for the most cards of each unit
// `open_units` (the chosen groups' units) and the leader can hold.
CardSearchState root_card_state(const GroupSearchState& gs, const UnitCounts& open_units);

// Upper bound of every deck whose first group's card is `c`, completing
// `root` (the leader alone) over the ordered groups of `table`.
u64 first_card_bound(const GroupSearchState& gs, const std::array<usize, 4>& order,
                     const ChosenGroupTable& table, const CardSearchState& root, u16 c);

// Which frontier cards of a card-search node's group have a relaxed child
// bound at most the worst kept key: bit k for frontier card k < 64.
// `any_beats`: some frontier card's is above it; when none is, the node
// expands nothing.
struct FrontierTest {
    u64 failing = 0;
    bool any_beats = false;
};

// The frontier test of the first ordered group's cards, each with the
// first-card bound, against `worst`: the first node's test, summed from the
// groups without the card search's table and root state.
// `part` is the group bound's part of the four groups.
FrontierTest first_group_frontier(const GroupSearchState& gs, const std::array<usize, 4>& order,
                                  const ChosenGroupsPart& part, u64 worst);

// The state after placing `card` on `s`, in a deck of at most `most[u]`
// cards of each unit u.
CardSearchState place_card(const GroupSearchState& gs, const CardSearchState& s, u16 card,
                           const UnitCounts& most);

// Upper bound of the key of every deck completing `s` with one card from
// each of the ordered groups `depth` .. 3.
u64 card_upper_bound(const GroupSearchState& gs, const std::array<usize, 4>& order,
                     const ChosenGroupTable& table, usize depth, const CardSearchState& s);

// Searches slots depth + 1 .. 4 over the ordered groups `order`.
// `tested`: the caller's frontier test of the node's group against the
// list as it stands, so the node need not test again; `bounded`: the caller
// found the node's own bound above the list as it stands.
void search_group_cards(const GroupSearchState& gs, const std::array<usize, 4>& order,
                        const ChosenGroupTable& table, usize depth, DeckSlots& deck,
                        const CardSearchState& s, const FrontierTest* tested = nullptr,
                        bool bounded = false);

// Records, for `leader`, the decks of the first cards of every four of the
// first six groups that hold the `required` groups at the front, and each
// with one slot's card replaced by its group's second card. Each deck is a
// step of `deadline`; a passed deadline ends the records.
// Evaluates only decks whose `bound`, when given, a full list would take.
void evaluate_and_record_final(const CardPool& pool, const SearchContext& context,
                               std::span<const CharacterGroup> groups, u16 leader, TopDecks& best,
                               Deadline& deadline, usize required = 0,
                               const FinalDeckBound* bound = nullptr);

}  // namespace vdz
