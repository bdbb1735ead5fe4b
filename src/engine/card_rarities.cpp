// One-for-one conversions of the rarity, episode and master-lesson rows.
#include "engine/card_rarities.h"
#include "engine/table_reading.h"
#include "json/typed.h"

#include "engine/cards.h"

namespace vdz {

std::vector<CardRarity> convert_card_rarities(const std::vector<RawCardRarity>& rows) {
    std::vector<CardRarity> out;
    out.reserve(rows.size());
    for (const RawCardRarity& row : rows) {
        out.push_back(CardRarity{parse_card_rarity_type(row.card_rarity_type),
                                 row.training_max_level.value_or(row.max_level), row.max_level,
                                 row.max_skill_level});
    }
    return out;
}

std::vector<CardEpisode> convert_card_episodes(const std::vector<RawCardEpisode>& rows) {
    std::vector<CardEpisode> out;
    out.reserve(rows.size());
    for (const RawCardEpisode& row : rows) {
        out.push_back(CardEpisode{row.card_id, row.id, row.power1_bonus_fixed,
                                  row.power2_bonus_fixed, row.power3_bonus_fixed});
    }
    return out;
}

std::vector<MasterLesson> index_master_lessons(const std::vector<RawMasterLesson>& rows) {
    std::vector<MasterLesson> out;
    out.reserve(rows.size());
    for (const RawMasterLesson& row : rows) {
        out.push_back(MasterLesson{parse_card_rarity_type(row.card_rarity_type), row.master_rank,
                                   row.power1_bonus_fixed, row.power2_bonus_fixed,
                                   row.power3_bonus_fixed});
    }
    return out;
}

constexpr auto json_layout(json::Of<RawCardRarity>) {
    using R = RawCardRarity;
    return json::record("RawCardRarity", json::required("cardRarityType", &R::card_rarity_type),
                        json::required("maxLevel", &R::max_level),
                        json::nullable("trainingMaxLevel", &R::training_max_level),
                        json::required("maxSkillLevel", &R::max_skill_level));
}

constexpr auto json_layout(json::Of<RawCardEpisode>) {
    using R = RawCardEpisode;
    return json::record("RawCardEpisode", json::required("id", &R::id),
                        json::required("cardId", &R::card_id),
                        json::required("power1BonusFixed", &R::power1_bonus_fixed),
                        json::required("power2BonusFixed", &R::power2_bonus_fixed),
                        json::required("power3BonusFixed", &R::power3_bonus_fixed));
}

constexpr auto json_layout(json::Of<RawMasterLesson>) {
    using R = RawMasterLesson;
    return json::record("RawMasterLesson", json::required("cardRarityType", &R::card_rarity_type),
                        json::required("masterRank", &R::master_rank),
                        json::required("power1BonusFixed", &R::power1_bonus_fixed),
                        json::required("power2BonusFixed", &R::power2_bonus_fixed),
                        json::required("power3BonusFixed", &R::power3_bonus_fixed));
}

Result<std::vector<RawCardRarity>> read_card_rarities(const RawTables& tables) {
    return read_table<RawCardRarity>(tables, "cardRarities.json", TableRule::Required);
}

Result<std::vector<RawCardEpisode>> read_card_episodes(const RawTables& tables) {
    return read_table<RawCardEpisode>(tables, "cardEpisodes.json", TableRule::Required);
}

Result<std::vector<RawMasterLesson>> read_master_lessons(const RawTables& tables) {
    return read_table<RawMasterLesson>(tables, "masterLessons.json", TableRule::Required);
}

}  // namespace vdz
