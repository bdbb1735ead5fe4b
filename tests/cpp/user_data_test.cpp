#include "handler/user_data.h"

#include <gtest/gtest.h>

#include "json/value.h"

namespace vdz {
namespace {

UserData parse_ok(std::string_view text) {
    auto parsed = parse_user_data(text);
    EXPECT_TRUE(parsed.ok()) << text;
    return parsed.ok() ? std::move(parsed).value() : UserData{};
}

TEST(UserData, AnyShapeOfValidJsonIsAccepted) {
    for (const char* text :
         {"{}", "[]", "null", "\"cards\"", R"({"userCards": {"cardId": 1}})",
          R"({"userCards": [1, {"level": 3}, {"cardId": "7"}, {"cardId": 7.0}]})"}) {
        const UserData data = parse_ok(text);
        EXPECT_TRUE(data.user_cards.empty()) << text;
    }
    const auto broken = parse_user_data("{");
    ASSERT_FALSE(broken.ok());
    EXPECT_NE(broken.error().message.find("line 1"), std::string::npos);
}

// The document is read member by member, never whole: its errors are the
// generic reader's, and a repeated root key keeps its last value.
TEST(UserData, StreamedReadingMatchesWholeDocumentReading) {
    for (const char* text :
         {"", "{", "{\"userCards\": [{\"cardId\": 1}, {\"cardId\" 2}]}",
          "{\"userCards\": [{\"cardId\": 1},]}", "{\"x\": [1e999999]}", "[1, 2,]",
          "{\"userCards\": []} x", "{\"userHonors\": [{\"honorId\": \"\\u12\"}]}",
          "{\"userCards\": [[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[["
          "[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[]]"}) {
        const auto streamed = parse_user_data(text);
        const auto whole = json::parse_value(text);
        ASSERT_FALSE(whole.ok()) << text;
        ASSERT_FALSE(streamed.ok()) << text;
        EXPECT_EQ(streamed.error().message, whole.error().message) << text;
    }
    const UserData data = parse_ok(R"({"userCards": [{"cardId": 1}], "userHonors": [{"honorId": 4}],
        "userCards": [{"cardId": 2}, {"cardId": 3}], "userHonors": 5,
        "userAreas": [{"areaItems": [{"areaItemId": 1}]}, {"areaItems": [{"areaItemId": 2}]}]})");
    ASSERT_EQ(data.user_cards.size(), 2u);
    EXPECT_EQ(data.user_cards[0].card_id, 2u);
    EXPECT_TRUE(data.user_honors.empty());
    EXPECT_EQ(data.user_area_items.size(), 2u);
}

TEST(UserData, CardsTakeDefaultsAndLowBits) {
    const UserData data = parse_ok(R"({"userCards": [
        {"cardId": 7},
        {"cardId": 8, "level": 3.0, "skillLevel": 4, "masterRank": -1,
         "specialTrainingStatus": "", "defaultImage": 5, "cardId": 9,
         "episodes": [{"cardEpisodeId": 1, "scenarioStatus": "already_read"},
                      {"cardEpisodeId": 2, "scenarioStatus": "Already_read"},
                      {"cardEpisodeId": 3, "scenarioStatus": "already_read "},
                      {"cardEpisodeId": "4", "scenarioStatus": "already_read"},
                      {"cardEpisodeId": 5, "scenarioStatus": "already_read"}]}]})");
    ASSERT_EQ(data.user_cards.size(), 2u);
    const UserCard& plain = data.user_cards[0];
    EXPECT_EQ(plain.card_id, 7u);
    EXPECT_EQ(plain.level, 1u);
    EXPECT_EQ(plain.skill_level, 1u);
    EXPECT_EQ(plain.master_rank, 0u);
    EXPECT_EQ(plain.special_training_status, "none");
    EXPECT_EQ(plain.default_image, "original");
    EXPECT_TRUE(plain.episodes.empty());
    EXPECT_EQ(plain.canvas, CanvasState::UNSET);
    EXPECT_FALSE(plain.not_owned);
    const UserCard& odd = data.user_cards[1];
    EXPECT_EQ(odd.card_id, 9u);  // the last of a repeated key
    EXPECT_EQ(odd.level, 1u);
    EXPECT_EQ(odd.skill_level, 4u);
    EXPECT_EQ(odd.master_rank, 4294967295u);
    EXPECT_EQ(odd.special_training_status, "");
    EXPECT_EQ(odd.default_image, "original");
    EXPECT_EQ(odd.episodes, (std::vector<u32>{1, 5}));
}

TEST(UserData, OtherListsFollowTheirRecordRules) {
    const UserData data = parse_ok(R"({
        "userCharacters": [{"characterId": 3, "characterRank": 40}, {"characterRank": 9}],
        "userAreas": [{"areaItems": [{"areaItemId": 1}, {"level": 9}]}, 5,
                      {"areaItems": [{"areaItemId": 2, "level": 3}]}, {"areaItems": {}}],
        "userDecks": [{"member1": 10, "member3": 30, "member5": "x", "deckId": 2}, 5],
        "userWorldBloomSupportDecks": [{"characterId": 4, "cardIds": [1, "2", 3]}, {"characterId": 5}],
        "userChallengeLiveSoloDecks": [{"characterId": 1, "cardId": 2}, {"characterId": 1}],
        "userMysekaiFixtureGameCharacterPerformanceBonuses": [
            {"gameCharacterId": 3, "totalBonusRate": 15.5}, {"gameCharacterId": 4, "eventId": 9, "totalBonusRate": 20}],
        "userMysekaiGates": [{"mysekaiGateId": 2, "mysekaiGateLevel": 5}, {"mysekaiGateLevel": 1}],
        "userMysekaiCanvases": [{"cardId": 10}, {"cardId": -1}, {"card": 3}, 4],
        "userHonors": [{"honorId": 1}, {"honorId": 2, "level": 3}]
    })");
    ASSERT_EQ(data.user_characters.size(), 1u);
    EXPECT_EQ(data.user_characters[0].character_rank, 40u);
    ASSERT_EQ(data.user_area_items.size(), 2u);
    EXPECT_EQ(data.user_area_items[0].level, 0u);
    EXPECT_EQ(data.user_area_items[1].area_item_id, 2u);
    EXPECT_EQ(data.user_area_items[1].level, 3u);
    ASSERT_EQ(data.user_decks.size(), 2u);
    EXPECT_EQ(data.user_decks[0].members, (std::vector<u32>{10, 30}));
    EXPECT_EQ(data.user_decks[0].deck_id, 2u);
    EXPECT_TRUE(data.user_decks[1].members.empty());
    ASSERT_EQ(data.world_bloom_support_decks.size(), 2u);
    EXPECT_EQ(data.world_bloom_support_decks[0].card_ids, (std::vector<u32>{1, 3}));
    EXPECT_EQ(data.challenge_live_solo_decks.size(), 1u);
    ASSERT_EQ(data.fixture_bonuses.size(), 2u);
    EXPECT_FALSE(data.fixture_bonuses[0].event_id);
    EXPECT_EQ(data.fixture_bonuses[0].total_bonus_rate, 0u);
    EXPECT_EQ(data.fixture_bonuses[1].event_id, 9u);
    ASSERT_EQ(data.mysekai_gates.size(), 1u);
    EXPECT_EQ(data.mysekai_gates[0].gate_level, 5u);
    EXPECT_EQ(data.mysekai_gates[0].unit, "");
    EXPECT_FALSE(data.mysekai_gates[0].power_bonus_rate);
    EXPECT_EQ(data.mysekai_canvases, (std::vector<u32>{10, 4294967295u}));
    ASSERT_EQ(data.user_honors.size(), 2u);
    EXPECT_EQ(data.user_honors[0].level, 1u);
}

}  // namespace
}  // namespace vdz
