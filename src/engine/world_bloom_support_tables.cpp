// Readers of the support-deck bonus tables and their fallbacks on the
// built-in copies.
#include "engine/world_bloom_support_tables.h"

#include "engine/table_reading.h"
#include "json/typed.h"

namespace vdz {

constexpr auto json_layout(json::Of<WBSupportDeckCharacterBonus>) {
    using R = WBSupportDeckCharacterBonus;
    return json::record("WBSupportDeckCharacterBonus",
                        json::defaulted("worldBloomSupportDeckCharacterType",
                                        &R::world_bloom_support_deck_character_type),
                        json::defaulted("bonusRate", &R::bonus_rate));
}

constexpr auto json_layout(json::Of<WBSupportDeckMasterRankBonus>) {
    using R = WBSupportDeckMasterRankBonus;
    return json::record("WBSupportDeckMasterRankBonus",
                        json::defaulted("masterRank", &R::master_rank),
                        json::defaulted("bonusRate", &R::bonus_rate));
}

constexpr auto json_layout(json::Of<WBSupportDeckSkillLevelBonus>) {
    using R = WBSupportDeckSkillLevelBonus;
    return json::record("WBSupportDeckSkillLevelBonus",
                        json::defaulted("skillLevel", &R::skill_level),
                        json::defaulted("bonusRate", &R::bonus_rate));
}

constexpr auto json_layout(json::Of<WBSupportDeckBonus>) {
    using R = WBSupportDeckBonus;
    return json::record("WBSupportDeckBonus",
                        json::defaulted("cardRarityType", &R::card_rarity_type),
                        json::defaulted("worldBloomSupportDeckCharacterBonuses",
                                        &R::world_bloom_support_deck_character_bonuses),
                        json::defaulted("worldBloomSupportDeckMasterRankBonuses",
                                        &R::world_bloom_support_deck_master_rank_bonuses),
                        json::defaulted("worldBloomSupportDeckSkillLevelBonuses",
                                        &R::world_bloom_support_deck_skill_level_bonuses));
}

Result<std::vector<WBSupportDeckBonus>> read_support_deck_bonus_table(const RawTables& tables,
                                                                      std::string_view name) {
    return read_table<WBSupportDeckBonus>(tables, name, TableRule::Optional);
}

Result<std::vector<WBSupportDeckBonus>> load_support_bonuses_or_embedded(const RawTables& tables,
                                                                         std::string_view name,
                                                                         std::string_view text) {
    auto own = read_support_deck_bonus_table(tables, name);
    if (!own || !own->empty()) return own;
    auto built_in = json::read_rows<WBSupportDeckBonus>(text);
    if (!built_in) {
        return make_error("解析内嵌 " + std::string(name) + " 失败: " + built_in.error().message);
    }
    return built_in;
}

Result<std::vector<WBSupportDeckBonus>> load_wl3_support_bonuses(const RawTables& tables) {
    auto own = read_support_deck_bonus_table(tables, WL3_SUPPORT_TABLE);
    if (!own || !own->empty()) return own;
    auto generic = read_support_deck_bonus_table(tables, GENERIC_SUPPORT_TABLE);
    if (!generic || !generic->empty()) return generic;
    auto built_in = json::read_rows<WBSupportDeckBonus>(EMBEDDED_WL3_SUPPORT_BONUSES);
    if (!built_in) return make_error("解析内嵌 WL3 支援表失败: " + built_in.error().message);
    return built_in;
}

}  // namespace vdz
