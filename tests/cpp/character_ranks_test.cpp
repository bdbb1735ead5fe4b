#include "engine/character_ranks.h"

#include <gtest/gtest.h>

#include "masterdata_fixture.h"

namespace vdz {
namespace {

TEST(CharacterRanks, RanksAndCanvasBonusesAreKeptInFileOrder) {
    RawTables tables = testing::required_tables();
    tables["characterRanks.json"] =
        R"([{"characterRank":5,"power1BonusRate":10},{"characterRank":5,"power1BonusRate":0.5},[1,2]])";
    tables["cardMysekaiCanvasBonuses.json"] =
        R"([{"cardRarityType":" RARITY_BIRTHDAY","power1BonusFixed":1,"power2BonusFixed":2,)"
        R"("power3BonusFixed":3},["odd",4,5,6],["rarity_1",0,0,0]])";
    const auto md = load_masterdata(MasterDataSource{"[]", tables});
    ASSERT_TRUE(md.ok()) << md.error().message;
    ASSERT_EQ(md->character_ranks.size(), 3u);
    EXPECT_EQ(md->character_ranks[0].power1_bonus_rate, 10.0);
    EXPECT_EQ(md->character_ranks[1].character_rank, 5);
    EXPECT_EQ(md->character_ranks[2].character_rank, 1);
    ASSERT_EQ(md->canvas_bonuses.size(), 3u);
    EXPECT_EQ(md->canvas_bonuses[0].rarity, 5u);
    EXPECT_EQ(md->canvas_bonuses[0].power3_bonus_fixed, 3);
    EXPECT_EQ(md->canvas_bonuses[1].rarity, 4u);
    EXPECT_EQ(md->canvas_bonuses[2].rarity, 1u);
}

TEST(CharacterRanks, FaultyRows) {
    const testing::FaultyTable cases[] = {
        {"characterRanks.json", R"([{"characterRank":5.0,"power1BonusRate":1}])",
         "invalid type: floating point `5`, expected i32 at line 1 column 21"},
        {"characterRanks.json", "[[1]]",
         "invalid length 1, expected struct RawCharacterRank with 2 elements at line 1 column 4"},
        {"cardMysekaiCanvasBonuses.json", R"([{"cardRarityType":4}])",
         "invalid type: integer `4`, expected a string at line 1 column 20"},
        {"cardMysekaiCanvasBonuses.json", "[{}]",
         "missing field `cardRarityType` at line 1 column 3"},
        {"cardMysekaiCanvasBonuses.json", R"([{"cardRarityType":"x","power1BonusFixed":1}])",
         "missing field `power2BonusFixed` at line 1 column 44"},
    };
    testing::expect_parse_errors(cases);
}

}  // namespace
}  // namespace vdz
