// Bonus rates that depend on a deck's make-up or a card's rarity: the World
// Bloom different-attribute bonuses and the rarity bonus rates, which the
// table gives once and MasterData holds once for every event of the region.
#pragma once

#include <string>
#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "engine/cards.h"
#include "engine/raw_tables.h"

namespace vdz {

// Row of "worldBloomDifferentAttributeBonuses.json".
struct RawWorldBloomDiffAttrBonus {
    i32 attribute_count = 0;
    double bonus_rate = 0.0;
};

// Bonus for a count of different attributes, rounded. Owned by MasterData.
struct WorldBloomDiffAttrBonus {
    i32 attribute_count = 0;
    i32 bonus_rate = 0;
};

// Row of "eventRarityBonusRates.json", keys in declared order.
struct RawEventRarityBonusRate {
    std::string card_rarity_type;
    i32 master_rank = 0;
    double bonus_rate = 0.0;  // percent
};

// One rarity row's bonus for one event. Owned by MasterData.
struct EventRarityBonus {
    i32 event_id = 0;
    u32 rarity = 0;
    i32 master_rank = 0;
    i32 bonus_rate_x10 = 0;  // tenths of a percent, never negative
};

// Readers of "worldBloomDifferentAttributeBonuses.json" and
// "eventRarityBonusRates.json" (both required).
Result<std::vector<RawWorldBloomDiffAttrBonus>> read_world_bloom_diff_attr_bonuses(
    const RawTables& tables);
Result<std::vector<RawEventRarityBonusRate>> read_event_rarity_bonus_rates(const RawTables& tables);

std::vector<WorldBloomDiffAttrBonus> convert_diff_attr_bonus_rows(
    const std::vector<RawWorldBloomDiffAttrBonus>& rows);

// Every row for every event, rows outer and events inner (repeated event ids
// included): rows x events records.
std::vector<EventRarityBonus> convert_rarity_bonus_rows(
    const std::vector<RawEventRarityBonusRate>& rows, const std::vector<Event>& events);

}  // namespace vdz
