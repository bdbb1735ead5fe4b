// Running sums of a partial deck of the depth-first search, carried down the
// recursion so that a node never walks its deck; the bounds read them.
#pragma once

#include <algorithm>
#include <array>

#include "common/types.h"
#include "pool/card_pool.h"
#include "search/evaluation/deck_entry.h"

namespace vdz {

// Each child gets a new record built from its parent's.
struct PartialSums {
    u32 power_sum = 0;           // cards' power, wrapping
    u32 plain_power_sum = 0;     // cards' power in a deck sharing no unit and no attribute
    u32 unitless_power_sum = 0;  // cards' power in a deck sharing no unit and one attribute
    u32 skill_sum = 0;           // cards' skill_value
    u32 bonus_sum = 0;           // cards' event bonus, each rounded up to whole percent
    u32 bonus_x10 = 0;           // cards' event bonus in tenths of a percent
    u8 max_skill = 0;            // largest skill_value so far
    u8 limited_count = 0;        // cards whose limited bonus part is counted
    std::array<u8, 5> skills{};  // the cards' skill_value, largest first, then zeros
    double coupled = 0.0;        // the cards' power and skill taken together (see BoundModel)
    u8 common_units = 0x3F;      // units every card belongs to
    u8 first_attr = 0xFF;        // the first card's attribute (low three bits)
    bool mixed_attrs = false;    // two cards of different attributes
    u8 attr_mask = 0;            // bit (attr & 7) per card
    u64 support_taken = 0;       // World Bloom: the cards' places in the sorted support list
    // The cards' skill_value in the order they were placed, which is their
    // slot order in the deck the search forms, and how many were placed.
    std::array<u8, 5> slot_skills{};
    u8 placed = 0;
    // Where the first slot leads: its card's skill_value, once placed.
    bool lead_known = false;
    u8 lead_skill = 0;
    // Final chapter: whether the leader's limited part counts, and the
    // counted limited parts of the other cards in whole percent, largest
    // first, then zeros: the largest ones, as in the deck's best order.
    bool leader_limited = false;
    std::array<u16, 4> counted_limited{};

    void add_skill(u8 value) {
        for (u8& s : skills)
            if (value > s) std::swap(value, s);
    }

    // No completion can share a unit or an attribute any more: every card of
    // every completion counts its plain power.
    bool plain() const { return mixed_attrs && common_units == 0; }
    // No completion can share a unit any more: every card of a completion
    // counts its variant of no unit, with the shared attribute where all
    // five share one (then `unitless_power_sum` holds the placed ones),
    // else its plain power.
    bool unitless() const { return common_units == 0; }
};

// The cards of a partial deck as the support bound needs them: their ids
// (a support entry of a deck card is not taken) and their attributes.
struct PartialDeckKey {
    std::array<u16, 5> slot_card_ids{};
    u8 attr_mask = 0;  // bit (attr & 7) per card
    usize count = 0;
    u8 leader_character = 0;  // the first card's

    void add(const CardPool& pool, u16 card) {
        if (count == 0) leader_character = std::min<u8>(pool.character_id(card), 26);
        slot_card_ids[count++] = pool.card_id(card);
        attr_mask |= static_cast<u8>(1u << (pool.attr(card) & 7u));
    }
};

inline PartialDeckKey partial_deck_key(usize count, const DeckSlots& partial,
                                       const CardPool& pool) {
    PartialDeckKey key;
    for (usize j = 0; j < count && j < 5; ++j)
        key.add(pool, partial[j]);
    return key;
}

}  // namespace vdz
