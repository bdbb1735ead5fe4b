// How far a request takes the player's cards to be developed: per rarity or
// per card, each value either set, raised to its maximum, or the card left
// out. Read from the options by lenient readers that never fail; validated
// with the rest of the options; applied to a private copy of each card.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "common/types.h"
#include "json/value.h"

namespace vdz {

// One configuration. The all-default value changes nothing.
struct CardConfig {
    bool disable = false;    // the card takes no part
    bool level_max = false;  // raise the level to its cap
    std::optional<i32> level;
    bool skill_max = false;  // raise the skill level to its cap
    std::optional<i32> skill_level;
    bool episode_read = false;  // take both episodes as read
    std::optional<u32> episode_read_count;
    bool master_max = false;  // raise the master rank to its cap
    std::optional<u32> master_rank;
    bool canvas = false;  // the card has its canvas bonus

    bool operator==(const CardConfig&) const = default;
};

// A configuration for one card id (the low 32 bits of the option's integer).
struct SingleCardConfig {
    u32 card_id = 0;
    CardConfig config;

    bool operator==(const SingleCardConfig&) const = default;
};

// Indices of the five per-rarity configurations.
enum RarityConfigSlot : usize {
    RARITY_1_CONFIG = 0,
    RARITY_2_CONFIG = 1,
    RARITY_3_CONFIG = 2,
    RARITY_4_CONFIG = 3,
    RARITY_BIRTHDAY_CONFIG = 4,
};

// The slot of a rarity code: 1..3 their own, 5 birthday, anything else 4.
inline usize rarity_config_slot(u32 rarity) {
    switch (rarity) {
        case 1:
            return RARITY_1_CONFIG;
        case 2:
            return RARITY_2_CONFIG;
        case 3:
            return RARITY_3_CONFIG;
        case 5:
            return RARITY_BIRTHDAY_CONFIG;
        default:
            return RARITY_4_CONFIG;
    }
}

// The lenient readers of the two option forms; none of them fails. Per pair
// of keys the camelCase one wins when it holds a value of the right kind.
CardConfig read_card_config(const json::Value& value);
std::array<CardConfig, 5> read_rarity_configs(const json::Value& options);
std::vector<SingleCardConfig> read_single_card_configs(const json::Value& options);

}  // namespace vdz
