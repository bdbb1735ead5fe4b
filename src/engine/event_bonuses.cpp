// Rounding of event card rates and resolution of deck-bonus units.
#include "engine/event_bonuses.h"
#include "engine/table_reading.h"
#include "json/typed.h"

#include <unordered_map>

#include "common/numeric.h"

namespace vdz {

std::vector<EventCardBonus> round_event_card_rates(const std::vector<RawEventCard>& rows) {
    std::vector<EventCardBonus> out;
    out.reserve(rows.size());
    for (const RawEventCard& row : rows) {
        out.push_back(EventCardBonus{row.event_id, row.card_id, round_to_i32(row.bonus_rate),
                                     round_to_i32(row.leader_bonus_rate)});
    }
    return out;
}

std::vector<EventDeckBonus> resolve_event_deck_bonus_units(
    std::vector<RawEventDeckBonus> rows, const std::vector<RawGameCharacterUnit>& units) {
    // Row id -> first row with that id.
    std::unordered_map<i32, const RawGameCharacterUnit*> by_id;
    for (const RawGameCharacterUnit& unit : units)
        by_id.emplace(unit.id, &unit);

    std::vector<EventDeckBonus> out;
    out.reserve(rows.size());
    for (RawEventDeckBonus& row : rows) {
        EventDeckBonus bonus;
        if (row.game_character_unit_id) {
            if (const auto it = by_id.find(*row.game_character_unit_id); it != by_id.end()) {
                bonus.unit = it->second->unit;
                bonus.game_character_id = it->second->game_character_id;
            }
        }
        bonus.card_attr = std::move(row.card_attr);
        bonus.event_id = row.event_id;
        bonus.bonus_rate = round_to_i32(row.bonus_rate);
        out.push_back(std::move(bonus));
    }
    return out;
}

constexpr auto json_layout(json::Of<RawEventCard>) {
    using R = RawEventCard;
    return json::record("RawEventCard", json::required("cardId", &R::card_id),
                        json::required("eventId", &R::event_id),
                        json::required("bonusRate", &R::bonus_rate),
                        json::required("leaderBonusRate", &R::leader_bonus_rate));
}

constexpr auto json_layout(json::Of<RawEventDeckBonus>) {
    using R = RawEventDeckBonus;
    return json::record("RawEventDeckBonus", json::required("eventId", &R::event_id),
                        json::nullable("gameCharacterUnitId", &R::game_character_unit_id),
                        json::nullable("cardAttr", &R::card_attr),
                        json::required("bonusRate", &R::bonus_rate));
}

Result<std::vector<RawEventCard>> read_event_cards(const RawTables& tables) {
    return read_table<RawEventCard>(tables, "eventCards.json", TableRule::Required);
}

Result<std::vector<RawEventDeckBonus>> read_event_deck_bonuses(const RawTables& tables) {
    return read_table<RawEventDeckBonus>(tables, "eventDeckBonuses.json", TableRule::Required);
}

}  // namespace vdz
