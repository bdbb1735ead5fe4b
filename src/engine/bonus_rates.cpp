// Rounding of the different-attribute bonuses and expansion of the rarity
// bonus rates over the region's events.
#include "engine/bonus_rates.h"
#include "engine/table_reading.h"
#include "json/typed.h"

#include <algorithm>

#include "common/numeric.h"

namespace vdz {
namespace {

// A positive percentage in tenths, rounded half away from zero and capped;
// zero and negative rates give no bonus.
i32 bonus_in_tenths(double rate) {
    if (!(rate > 0.0)) return 0;
    return round_to_i32(rate * 10.0);
}

}  // namespace

std::vector<WorldBloomDiffAttrBonus> convert_diff_attr_bonus_rows(
    const std::vector<RawWorldBloomDiffAttrBonus>& rows) {
    std::vector<WorldBloomDiffAttrBonus> out;
    out.reserve(rows.size());
    for (const RawWorldBloomDiffAttrBonus& row : rows)
        out.push_back(WorldBloomDiffAttrBonus{row.attribute_count, round_to_i32(row.bonus_rate)});
    return out;
}

EventRarityBonuses::EventRarityBonuses(std::vector<EventRarityBonus> rows,
                                       std::vector<i32> event_ids)
    : rows_(std::move(rows)), event_ids_(std::move(event_ids)) {}

EventRarityBonus EventRarityBonuses::operator[](usize i) const {
    EventRarityBonus record = rows_[i / event_ids_.size()];
    record.event_id = event_ids_[i % event_ids_.size()];
    return record;
}

std::vector<EventRarityBonus> EventRarityBonuses::of_event(i32 id) const {
    std::vector<EventRarityBonus> out;
    if (std::find(event_ids_.begin(), event_ids_.end(), id) == event_ids_.end()) return out;
    out = rows_;
    for (EventRarityBonus& record : out)
        record.event_id = id;
    return out;
}

EventRarityBonuses convert_rarity_bonus_rows(const std::vector<RawEventRarityBonusRate>& rows,
                                             const std::vector<Event>& events) {
    std::vector<EventRarityBonus> converted;
    converted.reserve(rows.size());
    for (const RawEventRarityBonusRate& row : rows)
        converted.push_back(EventRarityBonus{0, parse_card_rarity_type(row.card_rarity_type),
                                             row.master_rank, bonus_in_tenths(row.bonus_rate)});
    std::vector<i32> event_ids;
    event_ids.reserve(events.size());
    for (const Event& event : events)
        event_ids.push_back(event.id);
    return EventRarityBonuses(std::move(converted), std::move(event_ids));
}

constexpr auto json_layout(json::Of<RawWorldBloomDiffAttrBonus>) {
    using R = RawWorldBloomDiffAttrBonus;
    return json::record("RawWorldBloomDiffAttrBonus",
                        json::required("attributeCount", &R::attribute_count),
                        json::required("bonusRate", &R::bonus_rate));
}

constexpr auto json_layout(json::Of<RawEventRarityBonusRate>) {
    using R = RawEventRarityBonusRate;
    return json::record(
        "RawEventRarityBonusRate", json::required("cardRarityType", &R::card_rarity_type),
        json::required("masterRank", &R::master_rank), json::required("bonusRate", &R::bonus_rate));
}

Result<std::vector<RawWorldBloomDiffAttrBonus>> read_world_bloom_diff_attr_bonuses(
    const RawTables& tables) {
    return read_table<RawWorldBloomDiffAttrBonus>(
        tables, "worldBloomDifferentAttributeBonuses.json", TableRule::Required);
}

Result<std::vector<RawEventRarityBonusRate>> read_event_rarity_bonus_rates(
    const RawTables& tables) {
    return read_table<RawEventRarityBonusRate>(tables, "eventRarityBonusRates.json",
                                               TableRule::Required);
}

}  // namespace vdz
