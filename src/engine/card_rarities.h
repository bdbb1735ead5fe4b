// Per-rarity level caps, the power bonuses of each card's episodes and of
// master ranks by rarity: three required tables kept as plain lists in file
// order. Lookups over them are built per request, not here.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "engine/raw_tables.h"

namespace vdz {

// Row of "cardRarities.json", keys in declared order.
struct RawCardRarity {
    std::string card_rarity_type;
    i32 max_level = 0;
    std::optional<i32> training_max_level;
    i32 max_skill_level = 0;
};

// Level caps of one rarity. Owned by MasterData.
struct CardRarity {
    u32 rarity = 0;
    i32 training_max_level = 0;  // `trainingMaxLevel`, else `maxLevel`
    i32 max_level = 0;
    i32 max_skill_level = 0;
};

// Row of "cardEpisodes.json", keys in declared order.
struct RawCardEpisode {
    i32 id = 0;
    i32 card_id = 0;
    i32 power1_bonus_fixed = 0;
    i32 power2_bonus_fixed = 0;
    i32 power3_bonus_fixed = 0;
};

// Power bonus of one episode of one card. Owned by MasterData.
struct CardEpisode {
    i32 card_id = 0;
    i32 episode_id = 0;
    i32 power1_bonus = 0;
    i32 power2_bonus = 0;
    i32 power3_bonus = 0;
};

// Row of "masterLessons.json", keys in declared order.
struct RawMasterLesson {
    std::string card_rarity_type;
    i32 master_rank = 0;
    i32 power1_bonus_fixed = 0;
    i32 power2_bonus_fixed = 0;
    i32 power3_bonus_fixed = 0;
};

// Power bonus of one master rank of one rarity. Owned by MasterData.
struct MasterLesson {
    u32 rarity = 0;
    i32 master_rank = 0;
    i32 power1_bonus = 0;
    i32 power2_bonus = 0;
    i32 power3_bonus = 0;
};

std::vector<CardRarity> convert_card_rarities(const std::vector<RawCardRarity>& rows);
std::vector<CardEpisode> convert_card_episodes(const std::vector<RawCardEpisode>& rows);
std::vector<MasterLesson> index_master_lessons(const std::vector<RawMasterLesson>& rows);

// Readers of "cardRarities.json", "cardEpisodes.json" and "masterLessons.json"
// (all required), rows in file order.
Result<std::vector<RawCardRarity>> read_card_rarities(const RawTables& tables);
Result<std::vector<RawCardEpisode>> read_card_episodes(const RawTables& tables);
Result<std::vector<RawMasterLesson>> read_master_lessons(const RawTables& tables);

}  // namespace vdz
