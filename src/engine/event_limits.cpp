// Readers of the four per-event limit tables.
#include "engine/event_limits.h"

#include "engine/table_reading.h"
#include "json/typed.h"

namespace vdz {

constexpr auto json_layout(json::Of<RawEventCardBonusLimit>) {
    using R = RawEventCardBonusLimit;
    return json::record("RawEventCardBonusLimit", json::required("eventId", &R::event_id),
                        json::required("memberCountLimit", &R::member_count_limit));
}

constexpr auto json_layout(json::Of<RawEventHonorBonus>) {
    using R = RawEventHonorBonus;
    return json::record("RawEventHonorBonus", json::required("eventId", &R::event_id),
                        json::required("honorId", &R::honor_id),
                        json::required("leaderGameCharacterId", &R::leader_game_character_id),
                        json::required("bonusRate", &R::bonus_rate));
}

constexpr auto json_layout(json::Of<RawEventFixtureBonusLimit>) {
    using R = RawEventFixtureBonusLimit;
    return json::record("RawEventFixtureBonusLimit", json::required("eventId", &R::event_id),
                        json::required("bonusRateLimit", &R::bonus_rate_limit));
}

constexpr auto json_layout(json::Of<RawEventSkillScoreUpLimit>) {
    using R = RawEventSkillScoreUpLimit;
    return json::record("RawEventSkillScoreUpLimit", json::required("eventId", &R::event_id),
                        json::required("scoreUpRateLimit", &R::score_up_rate_limit));
}

Result<std::vector<RawEventCardBonusLimit>> read_event_card_bonus_limits(const RawTables& tables) {
    return read_table<RawEventCardBonusLimit>(tables, "eventCardBonusLimits.json",
                                              TableRule::Required);
}

Result<std::vector<RawEventHonorBonus>> read_event_honor_bonuses(const RawTables& tables) {
    return read_table<RawEventHonorBonus>(tables, "eventHonorBonuses.json", TableRule::Required);
}

Result<std::vector<RawEventFixtureBonusLimit>> read_event_fixture_bonus_limits(
    const RawTables& tables) {
    return read_table<RawEventFixtureBonusLimit>(
        tables, "eventMysekaiFixtureGameCharacterPerformanceBonusLimits.json", TableRule::Optional);
}

Result<std::vector<RawEventSkillScoreUpLimit>> read_event_skill_score_up_limits(
    const RawTables& tables) {
    return read_table<RawEventSkillScoreUpLimit>(tables, "eventSkillScoreUpLimits.json",
                                                 TableRule::Required);
}

}  // namespace vdz
