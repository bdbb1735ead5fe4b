// Power bonuses keyed by something other than the card: the bonus rate of
// each character rank and the fixed mysekai canvas bonuses of each rarity.
#pragma once

#include <string>
#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "engine/raw_tables.h"

namespace vdz {

// Row of "characterRanks.json", kept in MasterData as read.
struct RawCharacterRank {
    i32 character_rank = 0;
    double power1_bonus_rate = 0.0;
};

// Row of "cardMysekaiCanvasBonuses.json", keys in declared order.
struct RawCardMysekaiCanvasBonus {
    std::string card_rarity_type;
    i32 power1_bonus_fixed = 0;
    i32 power2_bonus_fixed = 0;
    i32 power3_bonus_fixed = 0;
};

// Canvas bonus of one rarity. Owned by MasterData.
struct CanvasBonus {
    u32 rarity = 0;
    i32 power1_bonus_fixed = 0;
    i32 power2_bonus_fixed = 0;
    i32 power3_bonus_fixed = 0;
};

// Readers of "characterRanks.json" and "cardMysekaiCanvasBonuses.json"
// (both required), rows in file order.
Result<std::vector<RawCharacterRank>> read_character_ranks(const RawTables& tables);
Result<std::vector<RawCardMysekaiCanvasBonus>> read_card_mysekai_canvas_bonuses(
    const RawTables& tables);

std::vector<CanvasBonus> convert_canvas_bonus_rows(
    const std::vector<RawCardMysekaiCanvasBonus>& rows);

}  // namespace vdz
