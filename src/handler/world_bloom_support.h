// The World Bloom support bonus: in a World Bloom event the cards outside a
// deck still add a bonus through the support deck. Every candidate card gets
// its bonus for the request's World Bloom character and turn (by rarity,
// master rank and skill level from the turn's table, plus the event's
// limited bonuses of the card), and the list is ranked best first.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "common/types.h"
#include "handler/master_data_view.h"

namespace vdz {

// The number of cards a World Bloom support deck holds: how many entries of a
// support list a deck's support sum takes.
inline constexpr u8 WORLD_BLOOM_SUPPORT_DECK_SIZE = 20;

struct SupportCandidate {
    u32 rarity = 0;  // 1..4, 5 = birthday
    u32 master_rank = 0;
    u32 skill_level = 0;
    u16 card_id = 0;
    u8 character_id = 0;
    u8 unit_mask = 0;
};

struct SupportSettings {
    std::optional<i32> character;  // the request's World Bloom character
    std::optional<i32> turn;       // 1..3 select a table
    i32 event_id = 0;
    u8 deck_size = 0;  // 0: support is off
};

struct SupportBonuses {
    std::vector<std::pair<u16, double>> bonuses;  // (card id, bonus), best first
    u8 deck_size = 0;
};

// `character_override` replaces the settings' character (the final chapter
// computes one list per character).
SupportBonuses compute_world_bloom_support_bonuses(std::span<const SupportCandidate> candidates,
                                                   const MasterDataView& view,
                                                   const SupportSettings& settings,
                                                   std::optional<i32> character_override);

}  // namespace vdz
