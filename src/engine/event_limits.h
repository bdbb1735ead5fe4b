// Per-event limits and honor bonuses: four all-integer tables kept exactly as
// read, in file order, for request preparation to look up by event.
#pragma once

#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "engine/raw_tables.h"

namespace vdz {

// Row of "eventCardBonusLimits.json".
struct RawEventCardBonusLimit {
    i32 event_id = 0;
    i32 member_count_limit = 0;
};

// Row of "eventHonorBonuses.json".
struct RawEventHonorBonus {
    i32 event_id = 0;
    i32 honor_id = 0;
    i32 leader_game_character_id = 0;
    i32 bonus_rate = 0;
};

// Row of "eventMysekaiFixtureGameCharacterPerformanceBonusLimits.json".
struct RawEventFixtureBonusLimit {
    i32 event_id = 0;
    i32 bonus_rate_limit = 0;
};

// Row of "eventSkillScoreUpLimits.json".
struct RawEventSkillScoreUpLimit {
    i32 event_id = 0;
    i32 score_up_rate_limit = 0;
};

// Readers; only the fixture bonus limits are optional.
Result<std::vector<RawEventCardBonusLimit>> read_event_card_bonus_limits(const RawTables& tables);
Result<std::vector<RawEventHonorBonus>> read_event_honor_bonuses(const RawTables& tables);
Result<std::vector<RawEventFixtureBonusLimit>> read_event_fixture_bonus_limits(
    const RawTables& tables);
Result<std::vector<RawEventSkillScoreUpLimit>> read_event_skill_score_up_limits(
    const RawTables& tables);

}  // namespace vdz
