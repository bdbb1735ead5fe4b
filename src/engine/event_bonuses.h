// An event's bonus rates for single cards ("eventCards.json") and for groups
// of cards by attribute and character ("eventDeckBonuses.json"). Rates are
// kept as rounded integers; deck bonuses carry the unit and character that
// their game-character-unit id names.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "engine/cards.h"
#include "engine/raw_tables.h"

namespace vdz {

// Row of "eventCards.json", keys in declared order.
struct RawEventCard {
    i32 card_id = 0;
    i32 event_id = 0;
    double bonus_rate = 0.0;
    double leader_bonus_rate = 0.0;
};

// A card's bonus in one event. Owned by MasterData.
struct EventCardBonus {
    i32 event_id = 0;
    i32 card_id = 0;
    i32 bonus_rate = 0;
    i32 leader_bonus_rate = 0;
};

// Row of "eventDeckBonuses.json", keys in declared order.
struct RawEventDeckBonus {
    i32 event_id = 0;
    std::optional<i32> game_character_unit_id;
    std::optional<std::string> card_attr;
    double bonus_rate = 0.0;
};

// An event's bonus for cards of an attribute and/or a character of a unit.
// Owned by MasterData.
struct EventDeckBonus {
    std::optional<std::string> unit;
    std::optional<std::string> card_attr;  // as written
    std::optional<i32> game_character_id;  // present exactly when `unit` is
    i32 event_id = 0;
    i32 bonus_rate = 0;
};

// Readers of "eventCards.json" and "eventDeckBonuses.json" (both required).
Result<std::vector<RawEventCard>> read_event_cards(const RawTables& tables);
Result<std::vector<RawEventDeckBonus>> read_event_deck_bonuses(const RawTables& tables);

std::vector<EventCardBonus> round_event_card_rates(const std::vector<RawEventCard>& rows);

// Resolves each row's game-character-unit id against the first row of
// "gameCharacterUnits.json" with that id; an unknown id resolves to nothing.
std::vector<EventDeckBonus> resolve_event_deck_bonus_units(
    std::vector<RawEventDeckBonus> rows, const std::vector<RawGameCharacterUnit>& units);

}  // namespace vdz
