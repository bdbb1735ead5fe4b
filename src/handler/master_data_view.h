// A request's read-only view of one region's MasterData: one span per list,
// in MasterData's own order. The view owns nothing and copies no row; it is
// valid while the request holds its reference to the MasterData.
#pragma once

#include <span>

#include "engine/master_data.h"

namespace vdz {

struct MasterDataView {
    std::span<const Card> cards;
    std::span<const CardParameter> card_parameters;
    std::span<const CardRarity> card_rarities;
    std::span<const CardEpisode> card_episodes;
    std::span<const MasterLesson> master_lessons;
    std::span<const SkillLevel> skill_levels;
    std::span<const SkillEffectValue> skill_effects;
    std::span<const AreaItemLevel> area_item_levels;
    std::span<const CharacterUnit> character_units;
    std::span<const RawCharacterRank> character_ranks;
    std::span<const CanvasBonus> canvas_bonuses;
    std::span<const MysekaiGate> mysekai_gates;
    std::span<const RawMysekaiGateLevel> mysekai_gate_levels;
    std::span<const Event> events;
    std::span<const EventCardBonus> event_cards;
    std::span<const EventDeckBonus> event_deck_bonuses;
    std::span<const RawEventCardBonusLimit> event_card_bonus_limits;
    std::span<const RawEventHonorBonus> event_honor_bonuses;
    std::span<const WorldBloomDiffAttrBonus> world_bloom_diff_attr_bonuses;
    std::span<const RawWorldBloom> world_blooms;
    std::span<const WBSupportDeckBonus> world_bloom_support_wl1;
    std::span<const WBSupportDeckBonus> world_bloom_support_wl2;
    std::span<const WBSupportDeckBonus> world_bloom_support_wl3;
    std::span<const WBSupportDeckUnitEventLimitedBonus> world_bloom_unit_event_bonuses;
    std::span<const RawEventFixtureBonusLimit> event_fixture_bonus_limits;
    std::span<const RawEventSkillScoreUpLimit> event_skill_score_up_limits;
    std::span<const MusicMeta> music_metas;
    std::span<const MusicMetaKey> music_meta_keys;
    const EventRarityBonuses* event_rarity_bonuses = nullptr;
    std::span<const Honor> honors;
    std::span<const i32> bonds_honors;
};

MasterDataView make_master_data_view(const MasterData& master);

}  // namespace vdz
