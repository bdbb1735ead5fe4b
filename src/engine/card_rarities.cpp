// One-for-one conversions of the rarity, episode and master-lesson rows.
#include "engine/card_rarities.h"

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

}  // namespace vdz
