// The lenient user-data reader: one JSON document, ten lists, each entry read
// by its record's rule. Integers are JSON integers only (5.0 and "5" count as
// absent) and keep their low 32 bits. The document is read member by member,
// never held whole as a generic tree.
#include "handler/user_data.h"

#include <optional>

#include "json/reader.h"

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

std::string expect_any() {
    return "any valid JSON value";
}

// Reads the value of one root member: an array's elements one at a time
// into `read`, any other value validated and passed over. Only one
// element's tree is alive at a time, so parsing takes about the size of
// the records plus the largest element rather than a tree of the whole text.
template <class Read>
bool read_root_list(json::Reader& in, Read read) {
    if (in.peek() != json::Next::Array) {
        json::Span ignored;
        return in.capture(ignored);
    }
    bool more = false;
    if (!in.begin_array(expect_any)) return false;
    while (in.next_element(more) && more) {
        Value item;
        if (!json::read_value(in, item)) return false;
        read(item);
    }
    return !in.failed() && in.end_array();
}

// The user data's lists, by root key. A root key given twice keeps its last
// value, as a JSON object read whole would, so each member starts its list
// afresh.
bool read_root_member(json::Reader& in, std::string_view key, UserData& data) {
    const auto list = [&](auto& records, auto read) {
        records.clear();
        return read_root_list(in, [&](const Value& item) { read(item, records); });
    };
    if (key == "userCards")
        return list(data.user_cards, [](const Value& item, std::vector<UserCard>& out) {
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
            out.push_back(std::move(card));
        });
    if (key == "userCharacters")
        return list(data.user_characters, [](const Value& item, auto& out) {
            const auto id = int_field(item, "characterId");
            if (id) out.push_back({*id, int_field(item, "characterRank").value_or(0)});
        });
    if (key == "userAreas")
        return list(data.user_area_items, [](const Value& area, auto& out) {
            read_list(area, "areaItems", [&](const Value& item) {
                const auto id = int_field(item, "areaItemId");
                if (id) out.push_back({*id, int_field(item, "level").value_or(0)});
            });
        });
    if (key == "userDecks")
        return list(data.user_decks, [](const Value& item, auto& out) {
            UserDeck deck;
            for (const char* member : {"member1", "member2", "member3", "member4", "member5"})
                if (const auto id = int_field(item, member)) deck.members.push_back(*id);
            deck.deck_id = int_field(item, "deckId").value_or(0);
            out.push_back(std::move(deck));
        });
    if (key == "userWorldBloomSupportDecks")
        return list(data.world_bloom_support_decks, [](const Value& item, auto& out) {
            const auto character = int_field(item, "characterId");
            if (!character) return;
            UserWorldBloomSupportDeck deck{*character, {}};
            if (const json::Array* ids = array_field(item, "cardIds"))
                for (const Value& id : *ids)
                    if (const auto v = id.as_i64()) deck.card_ids.push_back(static_cast<u32>(*v));
            out.push_back(std::move(deck));
        });
    if (key == "userChallengeLiveSoloDecks")
        return list(data.challenge_live_solo_decks, [](const Value& item, auto& out) {
            const auto character = int_field(item, "characterId");
            const auto card = int_field(item, "cardId");
            if (character && card) out.push_back({*character, *card});
        });
    if (key == "userMysekaiFixtureGameCharacterPerformanceBonuses")
        return list(data.fixture_bonuses, [](const Value& item, auto& out) {
            const auto character = int_field(item, "gameCharacterId");
            if (!character) return;
            out.push_back({*character, int_field(item, "eventId"),
                           int_field(item, "totalBonusRate").value_or(0)});
        });
    if (key == "userMysekaiGates")
        return list(data.mysekai_gates, [](const Value& item, auto& out) {
            const auto gate = int_field(item, "mysekaiGateId");
            if (!gate) return;
            out.push_back({std::string(), *gate, int_field(item, "mysekaiGateLevel").value_or(0),
                           std::nullopt});
        });
    if (key == "userMysekaiCanvases")
        return list(data.mysekai_canvases, [](const Value& item, auto& out) {
            if (const auto card = int_field(item, "cardId")) out.push_back(*card);
        });
    if (key == "userHonors")
        return list(data.user_honors, [](const Value& item, auto& out) {
            const auto honor = int_field(item, "honorId");
            if (honor) out.push_back({*honor, int_field(item, "level").value_or(1)});
        });
    json::Span ignored;
    return in.capture(ignored);
}

}  // namespace

Result<UserData> parse_user_data(std::string_view text) {
    json::Reader in(text);
    UserData data;
    // 1. Any JSON value other than an object is valid and holds no list.
    if (in.peek() != json::Next::Object) {
        json::Span ignored;
        if (!in.capture(ignored) || !in.finish()) return in.take_error();
        return data;
    }
    // 2. The root's members in text order.
    if (!in.begin_object(expect_any)) return in.take_error();
    std::string_view key;
    bool more = false;
    while (in.next_key(key, more) && more) {
        if (!in.read_colon() || !read_root_member(in, key, data)) return in.take_error();
    }
    if (in.failed() || !in.end_object() || !in.finish()) return in.take_error();
    // Growth leaves up to half of a list unused; the data lives long.
    data.user_cards.shrink_to_fit();
    return data;
}

}  // namespace vdz
