// World Bloom chapters and the unit-event limited support bonuses: two
// optional tables kept exactly as read, in file order.
#pragma once

#include <optional>

#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "engine/raw_tables.h"

namespace vdz {

// Row of "worldBlooms.json": one chapter of one World Bloom event.
struct RawWorldBloom {
    i32 event_id = 0;
    std::optional<i32> game_character_id;
    i32 chapter_no = 0;
};

// Row of "worldBloomSupportDeckUnitEventLimitedBonuses.json": an extra
// support bonus for one card of one character in one event.
struct WBSupportDeckUnitEventLimitedBonus {
    i32 event_id = 0;
    i32 game_character_id = 0;
    i32 card_id = 0;
    double bonus_rate = 0.0;
};

// Readers of "worldBlooms.json" and
// "worldBloomSupportDeckUnitEventLimitedBonuses.json" (both optional).
Result<std::vector<RawWorldBloom>> read_world_blooms(const RawTables& tables);
Result<std::vector<WBSupportDeckUnitEventLimitedBonus>> read_world_bloom_unit_event_limited_bonuses(
    const RawTables& tables);

}  // namespace vdz
