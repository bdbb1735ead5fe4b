// Canvas bonus rows with their rarity text turned into a rarity code.
#include "engine/character_ranks.h"
#include "engine/table_reading.h"
#include "json/typed.h"

#include "engine/cards.h"

namespace vdz {

std::vector<CanvasBonus> convert_canvas_bonus_rows(
    const std::vector<RawCardMysekaiCanvasBonus>& rows) {
    std::vector<CanvasBonus> out;
    out.reserve(rows.size());
    for (const RawCardMysekaiCanvasBonus& row : rows) {
        out.push_back(CanvasBonus{parse_card_rarity_type(row.card_rarity_type),
                                  row.power1_bonus_fixed, row.power2_bonus_fixed,
                                  row.power3_bonus_fixed});
    }
    return out;
}

constexpr auto json_layout(json::Of<RawCharacterRank>) {
    using R = RawCharacterRank;
    return json::record("RawCharacterRank", json::required("characterRank", &R::character_rank),
                        json::required("power1BonusRate", &R::power1_bonus_rate));
}

constexpr auto json_layout(json::Of<RawCardMysekaiCanvasBonus>) {
    using R = RawCardMysekaiCanvasBonus;
    return json::record("RawCardMysekaiCanvasBonus",
                        json::required("cardRarityType", &R::card_rarity_type),
                        json::required("power1BonusFixed", &R::power1_bonus_fixed),
                        json::required("power2BonusFixed", &R::power2_bonus_fixed),
                        json::required("power3BonusFixed", &R::power3_bonus_fixed));
}

Result<std::vector<RawCharacterRank>> read_character_ranks(const RawTables& tables) {
    return read_table<RawCharacterRank>(tables, "characterRanks.json", TableRule::Required);
}

Result<std::vector<RawCardMysekaiCanvasBonus>> read_card_mysekai_canvas_bonuses(
    const RawTables& tables) {
    return read_table<RawCardMysekaiCanvasBonus>(tables, "cardMysekaiCanvasBonuses.json",
                                                 TableRule::Required);
}

}  // namespace vdz
