// The lenient user-data reader: one JSON document, ten lists, each entry read
// by its record's rule. Integers are JSON integers only (5.0 and "5" count as
// absent) and keep their low 32 bits.
#include "handler/user_data.h"

#include <optional>

#include "json/value.h"

namespace vdz {
namespace {

using json::Value;

// The low 32 bits of a JSON integer member; none when absent or not one.
std::optional<u32> int_field(const Value& object, std::string_view key) {
    const std::optional<i64> v = object.find_i64(key);
    if (!v) return std::nullopt;
    return static_cast<u32>(*v);
}

std::string text_field(const Value& object, std::string_view key, std::string_view fallback) {
    const Value* v = object.find(key);
    const std::string* text = v ? v->as_string() : nullptr;
    return text ? *text : std::string(fallback);
}

// The elements of a member that is an array; none otherwise.
const json::Array* array_field(const Value& object, std::string_view key) {
    const Value* v = object.find(key);
    return v ? v->as_array() : nullptr;
}

// Reads every element of `root[key]` with `read`, which appends or drops.
template <class Read>
void read_list(const Value& root, std::string_view key, Read read) {
    if (const json::Array* items = array_field(root, key))
        for (const Value& item : *items)
            read(item);
}

std::vector<u32> read_episodes(const Value& card) {
    std::vector<u32> episodes;
    const json::Array* items = array_field(card, "episodes");
    if (!items) return episodes;
    for (const Value& episode : *items) {
        const Value* status = episode.find("scenarioStatus");
        const std::string* text = status ? status->as_string() : nullptr;
        if (!text || *text != "already_read") continue;
        if (const auto id = int_field(episode, "cardEpisodeId")) episodes.push_back(*id);
    }
    return episodes;
}

}  // namespace

Result<UserData> parse_user_data(std::string_view text) {
    Result<Value> parsed = json::parse_value(text);
    if (!parsed) return std::move(parsed).error();
    const Value& root = *parsed;
    UserData data;
    if (!root.is_object()) return data;

    read_list(root, "userCards", [&](const Value& item) {
        const auto id = int_field(item, "cardId");
        if (!id) return;
        UserCard card;
        card.card_id = *id;
        card.level = int_field(item, "level").value_or(1);
        card.skill_level = int_field(item, "skillLevel").value_or(1);
        card.master_rank = int_field(item, "masterRank").value_or(0);
        card.special_training_status = text_field(item, "specialTrainingStatus", "none");
        card.default_image = text_field(item, "defaultImage", "original");
        card.episodes = read_episodes(item);
        data.user_cards.push_back(std::move(card));
    });
    read_list(root, "userCharacters", [&](const Value& item) {
        const auto id = int_field(item, "characterId");
        if (id) data.user_characters.push_back({*id, int_field(item, "characterRank").value_or(0)});
    });
    read_list(root, "userAreas", [&](const Value& area) {
        read_list(area, "areaItems", [&](const Value& item) {
            const auto id = int_field(item, "areaItemId");
            if (id) data.user_area_items.push_back({*id, int_field(item, "level").value_or(0)});
        });
    });
    read_list(root, "userDecks", [&](const Value& item) {
        UserDeck deck;
        for (const char* key : {"member1", "member2", "member3", "member4", "member5"})
            if (const auto member = int_field(item, key)) deck.members.push_back(*member);
        deck.deck_id = int_field(item, "deckId").value_or(0);
        data.user_decks.push_back(std::move(deck));
    });
    read_list(root, "userWorldBloomSupportDecks", [&](const Value& item) {
        const auto character = int_field(item, "characterId");
        if (!character) return;
        UserWorldBloomSupportDeck deck{*character, {}};
        if (const json::Array* ids = array_field(item, "cardIds"))
            for (const Value& id : *ids)
                if (const auto v = id.as_i64()) deck.card_ids.push_back(static_cast<u32>(*v));
        data.world_bloom_support_decks.push_back(std::move(deck));
    });
    read_list(root, "userChallengeLiveSoloDecks", [&](const Value& item) {
        const auto character = int_field(item, "characterId");
        const auto card = int_field(item, "cardId");
        if (character && card) data.challenge_live_solo_decks.push_back({*character, *card});
    });
    read_list(root, "userMysekaiFixtureGameCharacterPerformanceBonuses", [&](const Value& item) {
        const auto character = int_field(item, "gameCharacterId");
        if (!character) return;
        data.fixture_bonuses.push_back({*character, int_field(item, "eventId"),
                                        int_field(item, "totalBonusRate").value_or(0)});
    });
    read_list(root, "userMysekaiGates", [&](const Value& item) {
        const auto gate = int_field(item, "mysekaiGateId");
        if (!gate) return;
        data.mysekai_gates.push_back(
            {std::string(), *gate, int_field(item, "mysekaiGateLevel").value_or(0), std::nullopt});
    });
    read_list(root, "userMysekaiCanvases", [&](const Value& item) {
        if (const auto card = int_field(item, "cardId")) data.mysekai_canvases.push_back(*card);
    });
    read_list(root, "userHonors", [&](const Value& item) {
        const auto honor = int_field(item, "honorId");
        if (honor) data.user_honors.push_back({*honor, int_field(item, "level").value_or(1)});
    });
    return data;
}

}  // namespace vdz
