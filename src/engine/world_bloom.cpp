// Readers of the World Bloom chapter and unit-event bonus tables.
#include "engine/world_bloom.h"

#include "engine/table_reading.h"
#include "json/typed.h"

namespace vdz {

constexpr auto json_layout(json::Of<RawWorldBloom>) {
    using R = RawWorldBloom;
    return json::record("RawWorldBloom", json::required("eventId", &R::event_id),
                        json::nullable("gameCharacterId", &R::game_character_id),
                        json::required("chapterNo", &R::chapter_no));
}

constexpr auto json_layout(json::Of<WBSupportDeckUnitEventLimitedBonus>) {
    using R = WBSupportDeckUnitEventLimitedBonus;
    return json::record(
        "WBSupportDeckUnitEventLimitedBonus", json::defaulted("eventId", &R::event_id),
        json::defaulted("gameCharacterId", &R::game_character_id),
        json::defaulted("cardId", &R::card_id), json::defaulted("bonusRate", &R::bonus_rate));
}

Result<std::vector<RawWorldBloom>> read_world_blooms(const RawTables& tables) {
    return read_table<RawWorldBloom>(tables, "worldBlooms.json", TableRule::Optional);
}

Result<std::vector<WBSupportDeckUnitEventLimitedBonus>> read_world_bloom_unit_event_limited_bonuses(
    const RawTables& tables) {
    return read_table<WBSupportDeckUnitEventLimitedBonus>(
        tables, "worldBloomSupportDeckUnitEventLimitedBonuses.json", TableRule::Optional);
}

}  // namespace vdz
