// Card records and the working indexes built from the first three tables.
#include "engine/cards.h"

#include <cstdio>

#include "common/text.h"
#include "engine/table_reading.h"
#include "json/typed.h"

namespace vdz {

constexpr auto json_layout(json::Of<RawGameCharacterUnit>) {
    using R = RawGameCharacterUnit;
    return json::record("RawGameCharacterUnit", json::required("id", &R::id),
                        json::required("gameCharacterId", &R::game_character_id),
                        json::required("unit", &R::unit));
}

constexpr auto json_layout(json::Of<RawGroupedCardParameters>) {
    using R = RawGroupedCardParameters;
    return json::record("RawGroupedCardParameters", json::defaulted("param1", &R::param1),
                        json::defaulted("param2", &R::param2),
                        json::defaulted("param3", &R::param3));
}

constexpr auto json_layout(json::Of<RawCardParameterRow>) {
    using R = RawCardParameterRow;
    return json::record("RawCardParameterRow", json::required("cardLevel", &R::card_level),
                        json::required("cardParameterType", &R::card_parameter_type),
                        json::required("power", &R::power));
}

namespace {

// `cardParameters` comes grouped (an object of lists, or an array of up to
// three lists) or as rows; whichever shape the whole value fits is taken.
bool read_card_parameters(json::Reader& in, RawCardParameters& out) {
    return json::read_one_of(in, out,
                             "data did not match any variant of untagged enum RawCardParameters");
}

}  // namespace

constexpr auto json_layout(json::Of<RawCard>) {
    using R = RawCard;
    return json::record(
        "RawCard", json::required("id", &R::id), json::required("characterId", &R::character_id),
        json::required("cardRarityType", &R::card_rarity_type), json::required("attr", &R::attr),
        json::nullable("supportUnit", &R::support_unit), json::required("skillId", &R::skill_id),
        json::nullable("specialTrainingSkillId", &R::special_training_skill_id),
        json::nullable("assetbundleName", &R::assetbundle_name),
        json::defaulted("specialTrainingPower1BonusFixed", &R::special_training_power1_bonus_fixed),
        json::defaulted("specialTrainingPower2BonusFixed", &R::special_training_power2_bonus_fixed),
        json::defaulted("specialTrainingPower3BonusFixed", &R::special_training_power3_bonus_fixed),
        json::required("cardParameters", &R::card_parameters).read_with(read_card_parameters));
}

constexpr auto json_layout(json::Of<Event>) {
    return json::record("RawEvent", json::required("id", &Event::id),
                        json::required("eventType", &Event::event_type));
}

namespace {

// The name a card without `assetbundleName` gets: the id is zero-padded to six
// characters, a minus sign counting among them.
std::string default_asset_name(const RawCard& row) {
    char buffer[40];
    if (row.special_training_skill_id) {
        std::snprintf(buffer, sizeof buffer, "card_%06d_normal", row.id);
    } else {
        std::snprintf(buffer, sizeof buffer, "chara_%06d", row.id);
    }
    return buffer;
}

}  // namespace

u32 parse_card_rarity_type(std::string_view text) {
    const std::string lower = ascii_lower(trim_unicode(text));
    if (lower == "rarity_1") return 1;
    if (lower == "rarity_2") return 2;
    if (lower == "rarity_3") return 3;
    if (lower == "rarity_birthday" || lower == "birthday") return RARITY_BIRTHDAY;
    return 4;
}

std::optional<std::string> normalize_support_unit(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    const std::string_view trimmed = trim_unicode(*text);
    if (trimmed.empty() || trimmed == "none") return std::nullopt;
    return std::string(trimmed);
}

CharacterUnitIndex build_character_units(const std::vector<RawGameCharacterUnit>& rows) {
    CharacterUnitIndex index;
    for (const RawGameCharacterUnit& row : rows)
        index[row.game_character_id] = row.unit;
    return index;
}

SkillUnitIndex build_skill_units(const std::vector<RawCard>& cards,
                                 const CharacterUnitIndex& character_units) {
    SkillUnitIndex index;
    for (const RawCard& card : cards) {
        const auto unit = character_units.find(card.character_id);
        if (unit == character_units.end()) continue;
        if (index.count(card.skill_id) != 0) continue;
        // Virtual singers take the unit they support, when they support one.
        std::optional<std::string> support;
        if (unit->second == "piapro") support = normalize_support_unit(card.support_unit);
        index.emplace(card.skill_id, support ? std::move(*support) : unit->second);
    }
    return index;
}

Result<std::vector<RawGameCharacterUnit>> read_game_character_units(const RawTables& tables) {
    return read_table<RawGameCharacterUnit>(tables, "gameCharacterUnits.json", TableRule::Required);
}

Result<std::vector<RawCard>> read_cards(const RawTables& tables) {
    return read_table<RawCard>(tables, "cards.json", TableRule::Required);
}

Result<std::vector<Event>> read_events(const RawTables& tables) {
    return read_table<Event>(tables, "events.json", TableRule::Required);
}

std::vector<CharacterUnit> list_character_units(const std::vector<RawGameCharacterUnit>& rows) {
    std::vector<CharacterUnit> list;
    list.reserve(rows.size());
    for (const RawGameCharacterUnit& row : rows)
        list.push_back(CharacterUnit{row.unit, row.game_character_id});
    return list;
}

std::vector<Card> build_cards(const std::vector<RawCard>& rows) {
    std::vector<Card> cards;
    cards.reserve(rows.size());
    for (const RawCard& row : rows) {
        Card card;
        card.id = row.id;
        card.character_id = row.character_id;
        card.attr = row.attr;
        card.card_rarity_type = row.card_rarity_type;
        card.rarity = parse_card_rarity_type(row.card_rarity_type);
        card.skill_id = row.skill_id;
        card.special_training_skill_id = row.special_training_skill_id;
        card.special_training_power1_bonus_fixed = row.special_training_power1_bonus_fixed;
        card.special_training_power2_bonus_fixed = row.special_training_power2_bonus_fixed;
        card.special_training_power3_bonus_fixed = row.special_training_power3_bonus_fixed;
        card.asset_name = row.assetbundle_name ? *row.assetbundle_name : default_asset_name(row);
        card.support_unit = normalize_support_unit(row.support_unit);
        cards.push_back(std::move(card));
    }
    return cards;
}

std::vector<CardParameter> build_card_parameters(const std::vector<RawCard>& rows) {
    std::vector<CardParameter> params;
    for (const RawCard& row : rows)
        group_card_parameters(row.id, row.card_parameters, params);
    return params;
}

}  // namespace vdz
