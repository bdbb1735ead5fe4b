// Reading "gameCharacterUnits.json", "cards.json", "events.json" and the
// rarity, episode and master-lesson tables through the loader.
#include <gtest/gtest.h>

#include "masterdata_fixture.h"

namespace vdz {
namespace {

using testing::load_error;
using testing::load_with;
using testing::loaded_with;

std::string card_row(std::string_view extra_keys, std::string_view parameters = "[]") {
    return R"({"id":5,"characterId":1,"cardRarityType":"rarity_4","attr":"cute","skillId":9,)" +
           std::string(extra_keys) + R"("cardParameters":)" + std::string(parameters) + "}";
}

TEST(CardTables, OptionalAndDefaultedCardKeys) {
    const MasterData md = loaded_with(
        "cards.json", "[" + card_row(R"("supportUnit":null,"assetbundleName":null,)") + "," +
                          card_row(R"("specialTrainingSkillId":7,"supportUnit":" idol ",)"
                                   R"("specialTrainingPower2BonusFixed":150,"extra":{"x":[1]},)") +
                          "]");
    ASSERT_EQ(md.cards.size(), 2u);
    EXPECT_EQ(md.cards[0].asset_name, "chara_000005");
    EXPECT_EQ(md.cards[0].support_unit, std::nullopt);
    EXPECT_EQ(md.cards[0].special_training_power1_bonus_fixed, 0);
    EXPECT_EQ(md.cards[1].asset_name, "card_000005_normal");
    EXPECT_EQ(md.cards[1].support_unit, "idol");
    EXPECT_EQ(md.cards[1].special_training_skill_id, 7);
    EXPECT_EQ(md.cards[1].special_training_power2_bonus_fixed, 150);
}

TEST(CardTables, CardRowsAsArraysInDeclaredOrder) {
    // id, characterId, cardRarityType, attr, supportUnit, skillId,
    // specialTrainingSkillId, assetbundleName, then three defaulted bonuses.
    const MasterData md = loaded_with(
        "cards.json", R"([[3,2,"rarity_2","cool",null,4,null,"res_3",1,2,3,[[1],[2],[3]]]])");
    ASSERT_EQ(md.cards.size(), 1u);
    EXPECT_EQ(md.cards[0].rarity, 2u);
    EXPECT_EQ(md.cards[0].asset_name, "res_3");
    EXPECT_EQ(md.cards[0].special_training_power3_bonus_fixed, 3);
    ASSERT_EQ(md.card_parameters.size(), 1u);
    EXPECT_EQ(md.card_parameters[0], (CardParameter{3, 1, 1, 2, 3}));

    EXPECT_EQ(load_error(load_with("cards.json", R"([[3,2,"rarity_2","cool",null,4]])")),
              "解析 cards.json 失败: invalid length 6, expected struct RawCard with 12 elements "
              "at line 1 column 31");
}

TEST(CardTables, FaultyCardRows) {
    struct Case {
        std::string rows;
        std::string error;  // after "解析 cards.json 失败: "
    };
    const std::string untagged =
        "data did not match any variant of untagged enum RawCardParameters";
    const std::vector<Case> cases = {
        {"[" + card_row(R"("cardParameters":[],)") + "]",
         "duplicate field `cardParameters` at line 1 column 115"},
        {R"([{"id":1,"characterId":1,"cardRarityType":"rarity_1","attr":"a","skillId":1}])",
         "missing field `cardParameters` at line 1 column 76"},
        {"[" + card_row(R"("specialTrainingPower1BonusFixed":null,)") + "]",
         "invalid type: null, expected i32 at line 1 column 117"},
        {"[" + card_row("", "null") + "]", untagged + " at line 1 column 101"},
        {"[" + card_row("", "5") + "]", untagged + " at line 1 column 98"},
        {"[" + card_row("", R"("param1")") + "]", untagged + " at line 1 column 105"},
        {"[" + card_row("", R"([{"cardLevel":1,"cardParameterType":"param1","power":1.5}])") + "]",
         untagged + " at line 1 column 155"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(load_error(load_with("cards.json", c.rows)), "解析 cards.json 失败: " + c.error);
}

TEST(CardTables, ParametersInBothShapes) {
    const std::string rows = R"([{"cardLevel":2,"cardParameterType":"param1","power":21},)"
                             R"({"cardLevel":2,"cardParameterType":"param2","power":22},)"
                             R"([2,"param3",23],)"
                             R"({"cardLevel":1,"cardParameterType":"param1","power":11}])";
    const MasterData md = loaded_with(
        "cards.json",
        "[" + card_row("", R"({"param1":[10,20,30],"param2":[1,2],"param3":[5,6,7,8],"x":0})") +
            "," + card_row("", rows) + "," + card_row("", R"({"param1":[1]})") + "]");
    EXPECT_EQ(md.card_parameters,
              (std::vector<CardParameter>{{5, 1, 10, 1, 5}, {5, 2, 20, 2, 6}, {5, 2, 21, 22, 23}}));
}

TEST(CardTables, EventsAndCharacterUnitsKeepEveryRow) {
    RawTables tables = testing::required_tables();
    tables["events.json"] = R"([{"id":3,"eventType":"marathon"},[3,"cheerful_carnival"]])";
    tables["gameCharacterUnits.json"] =
        R"([{"id":1,"gameCharacterId":21,"unit":"piapro"},{"id":2,"gameCharacterId":21,"unit":" street"}])";
    const auto md = load_masterdata(MasterDataSource{"[]", tables});
    ASSERT_TRUE(md.ok()) << md.error().message;
    ASSERT_EQ(md->events.size(), 2u);
    EXPECT_EQ(md->events[1].id, 3);
    EXPECT_EQ(md->events[1].event_type, "cheerful_carnival");
    ASSERT_EQ(md->character_units.size(), 2u);
    EXPECT_EQ(md->character_units[1].unit, " street");
    EXPECT_EQ(md->character_units[1].game_character_id, 21);
}

TEST(CardTables, RaritiesEpisodesAndLessons) {
    RawTables tables = testing::required_tables();
    tables["cardRarities.json"] =
        R"([{"cardRarityType":"rarity_1","maxLevel":50},)"
        R"({"cardRarityType":"rarity_birthday","maxLevel":50,"trainingMaxLevel":null,"maxSkillLevel":1},)"
        R"({"cardRarityType":"odd","maxLevel":50,"trainingMaxLevel":60,"maxSkillLevel":4}])";
    EXPECT_EQ(load_error(load_masterdata(MasterDataSource{"[]", tables})),
              "解析 cardRarities.json 失败: missing field `maxSkillLevel` at line 1 column 44");
    tables["cardRarities.json"].replace(tables["cardRarities.json"].find("50}"), 3,
                                        R"(50,"maxSkillLevel":1})");
    tables["cardEpisodes.json"] = R"([[7,5,1,2,3],{"id":7,"cardId":99,"power1BonusFixed":4,)"
                                  R"("power2BonusFixed":5,"power3BonusFixed":6}])";
    tables["masterLessons.json"] = R"([["RARITY_3",2,10,20,30]])";
    const auto md = load_masterdata(MasterDataSource{"[]", tables});
    ASSERT_TRUE(md.ok()) << md.error().message;
    ASSERT_EQ(md->card_rarities.size(), 3u);
    EXPECT_EQ(md->card_rarities[0].training_max_level, 50);
    EXPECT_EQ(md->card_rarities[1].rarity, 5u);
    EXPECT_EQ(md->card_rarities[1].training_max_level, 50);
    EXPECT_EQ(md->card_rarities[2].rarity, 4u);
    EXPECT_EQ(md->card_rarities[2].training_max_level, 60);
    EXPECT_EQ(md->card_rarities[2].max_skill_level, 4);
    ASSERT_EQ(md->card_episodes.size(), 2u);
    EXPECT_EQ(md->card_episodes[0].card_id, 5);
    EXPECT_EQ(md->card_episodes[0].episode_id, 7);
    EXPECT_EQ(md->card_episodes[0].power3_bonus, 3);
    EXPECT_EQ(md->card_episodes[1].card_id, 99);
    ASSERT_EQ(md->master_lessons.size(), 1u);
    EXPECT_EQ(md->master_lessons[0].rarity, 3u);
    EXPECT_EQ(md->master_lessons[0].master_rank, 2);
    EXPECT_EQ(md->master_lessons[0].power2_bonus, 20);
    EXPECT_EQ(load_error(load_with(
                  "cardRarities.json",
                  R"([{"cardRarityType":"rarity_1","maxLevel":null,"maxSkillLevel":1}])")),
              "解析 cardRarities.json 失败: invalid type: null, expected i32 at line 1 column 45");
}

}  // namespace
}  // namespace vdz
