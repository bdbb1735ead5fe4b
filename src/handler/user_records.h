// The small records of the player's data: owned cards, character ranks,
// area items, decks, support decks, challenge decks, fixture bonuses, gates,
// honors. Plain values; the user-data reader fills them and nothing changes
// them afterwards (the card configuration rewrites private copies of cards).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/types.h"

namespace vdz {

// Canvas state of a card: the configuration sets it; unset means "owned
// canvas decides".
enum class CanvasState : u8 {
    NO = 0,
    YES = 1,
    UNSET = 2,
};

struct UserCard {
    u32 card_id = 0;
    u32 level = 1;
    u32 skill_level = 1;
    u32 master_rank = 0;
    std::string special_training_status = "none";
    std::string default_image = "original";
    std::vector<u32> episodes;  // ids of the read episodes, in the data's order
    CanvasState canvas = CanvasState::UNSET;
    bool not_owned = false;  // a fixed card the player does not own

    bool operator==(const UserCard&) const = default;
};

struct UserCharacter {
    u32 character_id = 0;
    u32 character_rank = 0;
};

struct UserAreaItem {
    u32 area_item_id = 0;
    u32 level = 0;
};

struct UserDeck {
    std::vector<u32> members;  // 0 to 5 card ids, slots not kept
    u32 deck_id = 0;
};

struct UserWorldBloomSupportDeck {
    u32 character_id = 0;
    std::vector<u32> card_ids;
};

struct UserChallengeLiveSoloDeck {
    u32 character_id = 0;
    u32 card_id = 0;
};

struct UserFixtureBonus {
    u32 game_character_id = 0;
    std::optional<u32> event_id;
    u32 total_bonus_rate = 0;
};

// A gate as the power step and the area-item recommender read it: the unit
// text (empty when the gate is resolved through master data), the gate id,
// its level, and an own rate when it carries one.
struct UserMysekaiGate {
    std::string unit;
    std::optional<u32> gate_id;
    std::optional<u32> gate_level;
    std::optional<u32> power_bonus_rate;
};

struct UserHonor {
    u32 honor_id = 0;
    u32 level = 1;
};

}  // namespace vdz
