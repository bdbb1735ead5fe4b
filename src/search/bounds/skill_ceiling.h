// Ceilings of the skill values cards resolve to in a deck. A card's skill
// byte is the largest value it resolves to in any deck; what the pool holds
// and what a partial deck already fixes often rule that value out: a
// unit-count skill needs its unit's cards, a difference skill distinct units,
// a reference skill a strong card to read. The power and skill searches bound
// their decks' multi live score up with these ceilings.
#pragma once

#include <algorithm>
#include <array>
#include <span>

#include "common/types.h"
#include "pool/card_pool.h"
#include "pool/search_context.h"

namespace vdz {

// Built once per search from the cards it may place; read only afterwards.
class SkillCeilings {
  public:
    // `cards`: every pool card a deck of the search may hold.
    // `repeats_characters`: a deck may hold several cards of one character.
    SkillCeilings(const CardPool& pool, const SearchContext& context, std::span<const u16> cards,
                  bool repeats_characters);

    // The card's ceiling in any deck of the search's cards.
    u8 of(u16 card) const { return by_card_[card]; }

    // The ceilings of the `placed` cards in any deck that holds them and
    // `open` more of the search's cards, written to `out` (same order).
    void of_placed(std::span<const u16> placed, usize open, std::span<u8> out) const;

    // The ceilings of the `placed` cards in a deck completed by one more
    // card whose unit mask is `last_units`: its units fix every count.
    void of_placed_and_last(std::span<const u16> placed, u8 last_units, std::span<u8> out) const;

    // The card's ceiling in any deck of the search's cards that spans at
    // most `units` distinct units.
    u8 within_units(u16 card, u32 units) const {
        return ceiling(card, {}, unit_cards_, std::min(units, units_), read_);
    }

  private:
    // The ceiling of `card` when at most `unit_cards[u]` deck cards, and at
    // least `least_unit_cards[u]`, count for unit u, the deck spans at most
    // `units` distinct units and no other card's value before resolution
    // exceeds `read`.
    u8 ceiling(u16 card, const std::array<u8, 6>& least_unit_cards,
               const std::array<u8, 6>& unit_cards, u32 units, u32 read) const;

    // Whether the card's special skill applies under the kept training state.
    bool special_applies(u16 card) const;

    const CardPool& pool_;
    const SearchContext& context_;
    bool mysekai_mode_;  // reference skills are never switched on
    std::array<u8, CardPool::MAX_CARDS> by_card_{};
    std::array<u8, 6> unit_cards_{};  // most deck cards of each unit
    u32 units_ = 0;                   // most distinct units of a deck
    u32 widest_ = 0;                  // most units of one card
    u32 read_ = 0;                    // largest value before resolution
};

}  // namespace vdz
