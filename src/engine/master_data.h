// MasterData: one region's parsed and indexed game tables. Built once by
// load_masterdata, never changed afterwards, and shared by reference
// (std::shared_ptr<const MasterData>) between every computing call on the
// region; a later load builds a new one and never merges with it.
#pragma once

#include <vector>

#include "common/types.h"
#include "engine/area_item_levels.h"
#include "engine/bonus_rates.h"
#include "engine/card_parameters.h"
#include "engine/card_rarities.h"
#include "engine/cards.h"
#include "engine/character_ranks.h"
#include "engine/event_bonuses.h"
#include "engine/event_limits.h"
#include "engine/honors.h"
#include "engine/music_meta_rows.h"
#include "engine/mysekai_gates.h"
#include "engine/skills.h"
#include "engine/world_bloom.h"
#include "engine/world_bloom_support_tables.h"

namespace vdz {

// The 31 parts, in their fixed order. Every list keeps the order its table
// gives; comments name the source table.
struct MasterData {
    std::vector<Card> cards;                               // cards.json
    std::vector<CardParameter> card_parameters;            // cardParameters of cards.json
    std::vector<CardRarity> card_rarities;                 // cardRarities.json
    std::vector<CardEpisode> card_episodes;                // cardEpisodes.json
    std::vector<MasterLesson> master_lessons;              // masterLessons.json
    std::vector<SkillLevel> skill_levels;                  // skills.json
    std::vector<SkillEffectValue> skill_effects;           // skills.json
    std::vector<AreaItemLevel> area_item_levels;           // areaItemLevels.json, canonical order
    std::vector<CharacterUnit> character_units;            // gameCharacterUnits.json
    std::vector<RawCharacterRank> character_ranks;         // characterRanks.json
    std::vector<CanvasBonus> canvas_bonuses;               // cardMysekaiCanvasBonuses.json
    std::vector<MysekaiGate> mysekai_gates;                // mysekaiGates.json
    std::vector<RawMysekaiGateLevel> mysekai_gate_levels;  // mysekaiGateLevels.json
    std::vector<Event> events;                             // events.json
    std::vector<EventCardBonus> event_cards;               // eventCards.json
    std::vector<EventDeckBonus> event_deck_bonuses;        // eventDeckBonuses.json
    std::vector<RawEventCardBonusLimit> event_card_bonus_limits;  // eventCardBonusLimits.json
    std::vector<RawEventHonorBonus> event_honor_bonuses;          // eventHonorBonuses.json
    std::vector<WorldBloomDiffAttrBonus> world_bloom_diff_attr_bonuses;
    std::vector<RawWorldBloom> world_blooms;                  // worldBlooms.json
    std::vector<WBSupportDeckBonus> world_bloom_support_wl1;  // or the built-in WL1
    std::vector<WBSupportDeckBonus> world_bloom_support_wl2;  // or the built-in WL2
    std::vector<WBSupportDeckBonus> world_bloom_support_wl3;  // or the generic table, or WL3
    std::vector<WBSupportDeckUnitEventLimitedBonus> world_bloom_unit_event_bonuses;
    std::vector<RawEventFixtureBonusLimit> event_fixture_bonus_limits;
    std::vector<RawEventSkillScoreUpLimit> event_skill_score_up_limits;
    std::vector<MusicMeta> music_metas;         // the music-metas text, with averages
    std::vector<MusicMetaKey> music_meta_keys;  // parallel to music_metas
    EventRarityBonuses event_rarity_bonuses;    // eventRarityBonusRates.json x events
    std::vector<Honor> honors;                  // honors.json
    std::vector<i32> bonds_honors;              // ids of bondsHonors.json
};

}  // namespace vdz
