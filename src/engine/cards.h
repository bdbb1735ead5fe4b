// The first three tables of every load: game characters' units, cards and
// events. This file owns their rows, the card record that the rest of the
// system reads, the rarity codes shared by every table naming a rarity, and
// the two working indexes (`character_units`, `skill_units`) that live only
// while a load runs.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "engine/card_parameters.h"
#include "engine/raw_tables.h"

namespace vdz {

// Rarity codes 1..5; 5 is the birthday rarity.
constexpr u32 RARITY_BIRTHDAY = 5;

// Row of "gameCharacterUnits.json": one character within one unit.
struct RawGameCharacterUnit {
    i32 id = 0;
    i32 game_character_id = 0;
    std::string unit;
};

// Row of "cards.json", keys in declared order.
struct RawCard {
    i32 id = 0;
    i32 character_id = 0;
    std::string card_rarity_type;
    std::string attr;
    std::optional<std::string> support_unit;
    i32 skill_id = 0;
    std::optional<i32> special_training_skill_id;
    std::optional<std::string> assetbundle_name;
    i32 special_training_power1_bonus_fixed = 0;
    i32 special_training_power2_bonus_fixed = 0;
    i32 special_training_power3_bonus_fixed = 0;
    RawCardParameters card_parameters;
};

// Row of "events.json", kept unchanged as the `events` part of MasterData.
struct Event {
    i32 id = 0;
    std::string event_type;
};

// One card as the rest of the system sees it. Owned by MasterData; the
// card's power by level lives in `card_parameters`.
struct Card {
    i32 id = 0;
    i32 character_id = 0;
    std::string attr;              // as given: not trimmed, case kept
    std::string card_rarity_type;  // as given
    u32 rarity = 0;                // parse_card_rarity_type of the text, 1..5
    i32 skill_id = 0;
    std::optional<i32> special_training_skill_id;
    i32 special_training_power1_bonus_fixed = 0;
    i32 special_training_power2_bonus_fixed = 0;
    i32 special_training_power3_bonus_fixed = 0;
    std::string asset_name;
    std::optional<std::string> support_unit;  // trimmed; none for "", "none" or absent
};

// One row of "gameCharacterUnits.json" as kept in MasterData (the row id is
// dropped; request preparation turns the list into a character-to-unit map).
struct CharacterUnit {
    std::string unit;
    i32 game_character_id = 0;
};

// Game character id -> unit text; the last row for a character wins.
using CharacterUnitIndex = std::unordered_map<i32, std::string>;
// Skill id -> unit of the first card (in file order) carrying that skill.
using SkillUnitIndex = std::unordered_map<i32, std::string>;

// Rarity text -> code. Trimmed and ASCII lower-cased; "rarity_1".."rarity_4"
// give 1..4, "rarity_birthday" and "birthday" give 5, anything else gives 4.
u32 parse_card_rarity_type(std::string_view text);

// A card's support unit: trimmed, none when absent, empty or exactly "none".
std::optional<std::string> normalize_support_unit(const std::optional<std::string>& text);

CharacterUnitIndex build_character_units(const std::vector<RawGameCharacterUnit>& rows);
SkillUnitIndex build_skill_units(const std::vector<RawCard>& cards,
                                 const CharacterUnitIndex& character_units);

std::vector<CharacterUnit> list_character_units(const std::vector<RawGameCharacterUnit>& rows);

// The card records and the flattened card parameters, both in file order.
std::vector<Card> build_cards(const std::vector<RawCard>& rows);
std::vector<CardParameter> build_card_parameters(const std::vector<RawCard>& rows);

// Readers of the three required tables ("gameCharacterUnits.json",
// "cards.json", "events.json"), rows in file order.
Result<std::vector<RawGameCharacterUnit>> read_game_character_units(const RawTables& tables);
Result<std::vector<RawCard>> read_cards(const RawTables& tables);
Result<std::vector<Event>> read_events(const RawTables& tables);

}  // namespace vdz
