// Reading the event tables through the loader: card and deck bonuses, the
// four limit tables, and the rarity and different-attribute bonus rates.
#include <gtest/gtest.h>

#include "masterdata_fixture.h"

namespace vdz {
namespace {

using testing::load_error;
using testing::load_with;
using testing::loaded_with;

TEST(EventTables, CardBonusesAreRounded) {
    const MasterData md = loaded_with(
        "eventCards.json",
        R"([{"cardId":1,"eventId":2,"bonusRate":20,"leaderBonusRate":2.5,"id":9},[3,2,-0.5,1e300]])");
    ASSERT_EQ(md.event_cards.size(), 2u);
    EXPECT_EQ(md.event_cards[0].card_id, 1);
    EXPECT_EQ(md.event_cards[0].event_id, 2);
    EXPECT_EQ(md.event_cards[0].bonus_rate, 20);
    EXPECT_EQ(md.event_cards[0].leader_bonus_rate, 3);
    EXPECT_EQ(md.event_cards[1].bonus_rate, -1);
    EXPECT_EQ(md.event_cards[1].leader_bonus_rate, 2147483647);
}

TEST(EventTables, DeckBonusesResolveTheirUnit) {
    RawTables tables = testing::required_tables();
    tables["gameCharacterUnits.json"] = R"([{"id":7,"gameCharacterId":3,"unit":"idol"},)"
                                        R"({"id":7,"gameCharacterId":4,"unit":"street"}])";
    tables["eventDeckBonuses.json"] =
        R"([{"eventId":1,"gameCharacterUnitId":7,"bonusRate":25},)"
        R"({"eventId":1,"gameCharacterUnitId":null,"cardAttr":"Cute ","bonusRate":12.5},)"
        R"([1,8,null,50]])";
    const auto md = load_masterdata(MasterDataSource{"[]", tables});
    ASSERT_TRUE(md.ok()) << md.error().message;
    const auto& bonuses = md->event_deck_bonuses;
    ASSERT_EQ(bonuses.size(), 3u);
    EXPECT_EQ(bonuses[0].unit, "idol");
    EXPECT_EQ(bonuses[0].game_character_id, 3);
    EXPECT_EQ(bonuses[1].unit, std::nullopt);
    EXPECT_EQ(bonuses[1].card_attr, "Cute ");
    EXPECT_EQ(bonuses[1].bonus_rate, 13);
    EXPECT_EQ(bonuses[2].game_character_id, std::nullopt);
}

TEST(EventTables, LimitTablesAreKeptAsRead) {
    RawTables tables = testing::required_tables();
    tables["eventCardBonusLimits.json"] = R"([{"eventId":1,"memberCountLimit":5},[1,-2147483648]])";
    tables["eventHonorBonuses.json"] =
        R"([{"eventId":1,"honorId":2,"leaderGameCharacterId":3,"bonusRate":7}])";
    tables["eventMysekaiFixtureGameCharacterPerformanceBonusLimits.json"] =
        R"([{"eventId":4,"bonusRateLimit":100}])";
    tables["eventSkillScoreUpLimits.json"] = R"([[5,120]])";
    const auto md = load_masterdata(MasterDataSource{"[]", tables});
    ASSERT_TRUE(md.ok()) << md.error().message;
    ASSERT_EQ(md->event_card_bonus_limits.size(), 2u);
    EXPECT_EQ(md->event_card_bonus_limits[1].member_count_limit, -2147483648);
    EXPECT_EQ(md->event_honor_bonuses[0].leader_game_character_id, 3);
    EXPECT_EQ(md->event_honor_bonuses[0].bonus_rate, 7);
    EXPECT_EQ(md->event_fixture_bonus_limits[0].bonus_rate_limit, 100);
    EXPECT_EQ(md->event_skill_score_up_limits[0].event_id, 5);
    EXPECT_EQ(md->event_skill_score_up_limits[0].score_up_rate_limit, 120);
}

TEST(EventTables, FaultyRows) {
    const testing::FaultyTable cases[] = {
        {"eventCards.json", R"([{"cardId":1.0,"eventId":1,"bonusRate":1,"leaderBonusRate":1}])",
         "invalid type: floating point `1`, expected i32 at line 1 column 14"},
        {"eventCards.json", R"([{"cardId":"1"}])",
         "invalid type: string \"1\", expected i32 at line 1 column 14"},
        {"eventCards.json", R"([[1,2,3]])",
         "invalid length 3, expected struct RawEventCard with 4 elements at line 1 column 8"},
        {"eventDeckBonuses.json", R"([{"eventId":1,"cardAttr":"a","cardAttr":"b","bonusRate":1}])",
         "duplicate field `cardAttr` at line 1 column 39"},
        {"eventDeckBonuses.json", R"([[1,null,null]])",
         "invalid length 3, expected struct RawEventDeckBonus with 4 elements at line 1 column 14"},
        {"eventHonorBonuses.json",
         R"([{"eventId":1,"honorId":2,"leaderGameCharacterId":3,"bonusRate":7.0}])",
         "invalid type: floating point `7`, expected i32 at line 1 column 67"},
        {"eventCardBonusLimits.json", R"([{"eventId":1,"memberCountLimit":2147483648}])",
         "invalid value: integer `2147483648`, expected i32 at line 1 column 43"},
        {"eventSkillScoreUpLimits.json", R"([{"eventId":1}])",
         "missing field `scoreUpRateLimit` at line 1 column 14"},
        {"eventRarityBonusRates.json", R"([{"cardRarityType":"rarity_1","masterRank":1.0}])",
         "invalid type: floating point `1`, expected i32 at line 1 column 46"},
        {"eventRarityBonusRates.json", R"([{"cardRarityType":null}])",
         "invalid type: null, expected a string at line 1 column 23"},
        {"worldBloomDifferentAttributeBonuses.json", "[true]",
         "invalid type: boolean `true`, expected struct RawWorldBloomDiffAttrBonus at line 1 "
         "column 5"},
    };
    testing::expect_parse_errors(cases);
}

TEST(EventTables, RarityRatesAreHeldOnceForEveryEvent) {
    RawTables tables = testing::required_tables();
    tables["events.json"] = R"([{"id":10,"eventType":"marathon"},{"id":11,"eventType":"x"}])";
    tables["eventRarityBonusRates.json"] =
        R"([{"cardRarityType":" Rarity_Birthday ","masterRank":0,"bonusRate":2.25},)"
        R"(["rarity_1",5,10]])";
    tables["worldBloomDifferentAttributeBonuses.json"] =
        R"([{"attributeCount":1,"bonusRate":2.5},[2,-2.5]])";
    const auto md = load_masterdata(MasterDataSource{"[]", tables});
    ASSERT_TRUE(md.ok()) << md.error().message;
    const auto& rates = md->event_rarity_bonuses;
    ASSERT_EQ(rates.size(), 4u);
    EXPECT_EQ(rates[0].event_id, 10);
    EXPECT_EQ(rates[1].event_id, 11);
    EXPECT_EQ(rates[1].rarity, 5u);
    EXPECT_EQ(rates[1].bonus_rate_x10, 23);
    EXPECT_EQ(rates[2].master_rank, 5);
    EXPECT_EQ(rates[3].bonus_rate_x10, 100);
    ASSERT_EQ(md->world_bloom_diff_attr_bonuses.size(), 2u);
    EXPECT_EQ(md->world_bloom_diff_attr_bonuses[0].bonus_rate, 3);
    EXPECT_EQ(md->world_bloom_diff_attr_bonuses[1].bonus_rate, -3);
}

// The expansion is read, never stored: 40,000 events and 40,000 rarity rows
// (4 MB of tables) would be 1.6 billion records, 25 GB.
TEST(EventTables, RarityExpansionTakesTheInputsSizeNotItsProduct) {
    RawTables tables = testing::required_tables();
    std::string events = "[", rates = "[";
    for (int i = 0; i < 40000; ++i) {
        if (i > 0) {
            events += ',';
            rates += ',';
        }
        events += "{\"id\":" + std::to_string(i + 1) + ",\"eventType\":\"marathon\"}";
        rates += "[\"rarity_4\"," + std::to_string(i % 6) + ',' + std::to_string(i % 50) + ']';
    }
    tables["events.json"] = events + "]";
    tables["eventRarityBonusRates.json"] = rates + "]";
    const auto md = load_masterdata(MasterDataSource{"[]", tables});
    ASSERT_TRUE(md.ok()) << md.error().message;
    const EventRarityBonuses& expanded = md->event_rarity_bonuses;
    EXPECT_EQ(expanded.size(), usize{40000} * 40000);
    const EventRarityBonus last = expanded[expanded.size() - 1];
    EXPECT_EQ(last.event_id, 40000);
    EXPECT_EQ(last.master_rank, 39999 % 6);
    EXPECT_EQ(last.bonus_rate_x10, 39999 % 50 * 10);
    EXPECT_EQ(expanded.of_event(123).size(), 40000u);
    EXPECT_TRUE(expanded.of_event(40001).empty());
}

}  // namespace
}  // namespace vdz
