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

// The rarity bonus rates expanded over the region's events: every row for
// every event, rows outer and events inner (repeated event ids included).
// The table names no event, so the rows and the event ids are held once
// each and a record is made when read: memory follows the input's size,
// not rows x events. Owned by MasterData.
class EventRarityBonuses {
  public:
    EventRarityBonuses() = default;
    // `rows` carry no event id (theirs is ignored).
    EventRarityBonuses(std::vector<EventRarityBonus> rows, std::vector<i32> event_ids);

    // rows x events.
    usize size() const { return rows_.size() * event_ids_.size(); }
    bool empty() const { return rows_.empty() || event_ids_.empty(); }
    // Record `i` of the expansion: row i / events for event i % events.
    EventRarityBonus operator[](usize i) const;
    // The records of event `id` in expansion order, each row once: a row
    // repeated for an id that stands twice among the events adds nothing
    // to a lookup of the best row. Empty when no event has that id.
    std::vector<EventRarityBonus> of_event(i32 id) const;

  private:
    std::vector<EventRarityBonus> rows_;  // table order, event id unused
    std::vector<i32> event_ids_;          // the events' ids in their order
};

EventRarityBonuses convert_rarity_bonus_rows(const std::vector<RawEventRarityBonusRate>& rows,
                                             const std::vector<Event>& events);

}  // namespace vdz
