// World Bloom chapters and the unit-event limited support bonuses: two
// optional tables kept exactly as read, in file order.
#pragma once

#include <optional>

#include "common/types.h"

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

}  // namespace vdz
