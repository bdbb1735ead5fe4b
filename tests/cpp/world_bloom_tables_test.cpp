// World Bloom chapters, unit-event bonuses and the three support-deck bonus
// tables with their fallbacks on the built-in copies.
#include <gtest/gtest.h>

#include "masterdata_fixture.h"

namespace vdz {
namespace {

using testing::load_error;
using testing::load_with;
using testing::loaded_with;

TEST(WorldBloomTables, ChaptersAndUnitEventBonuses) {
    RawTables tables = testing::required_tables();
    tables["worldBlooms.json"] =
        R"([{"eventId":9,"gameCharacterId":null,"chapterNo":2},{"eventId":9,"chapterNo":1},[9,5,3]])";
    tables["worldBloomSupportDeckUnitEventLimitedBonuses.json"] =
        R"([{},{"eventId":1,"gameCharacterId":2,"cardId":3,"bonusRate":12},[4,5]])";
    const auto md = load_masterdata(MasterDataSource{"[]", tables});
    ASSERT_TRUE(md.ok()) << md.error().message;
    ASSERT_EQ(md->world_blooms.size(), 3u);
    EXPECT_EQ(md->world_blooms[0].game_character_id, std::nullopt);
    EXPECT_EQ(md->world_blooms[0].chapter_no, 2);
    EXPECT_EQ(md->world_blooms[2].game_character_id, 5);
    const auto& bonuses = md->world_bloom_unit_event_bonuses;
    ASSERT_EQ(bonuses.size(), 3u);
    EXPECT_EQ(bonuses[0].event_id, 0);
    EXPECT_EQ(bonuses[0].bonus_rate, 0.0);
    EXPECT_EQ(bonuses[1].card_id, 3);
    EXPECT_EQ(bonuses[1].bonus_rate, 12.0);
    EXPECT_EQ(bonuses[2].game_character_id, 5);
    EXPECT_EQ(bonuses[2].card_id, 0);
}

TEST(WorldBloomTables, FaultyRows) {
    const testing::FaultyTable cases[] = {
        {"worldBlooms.json", R"([{"eventId":1}])", "missing field `chapterNo` at line 1 column 14"},
        {"worldBlooms.json", R"([{}])", "missing field `eventId` at line 1 column 3"},
        {"worldBlooms.json", "[[1,2]]",
         "invalid length 2, expected struct RawWorldBloom with 3 elements at line 1 column 6"},
        {"worldBloomSupportDeckUnitEventLimitedBonuses.json", R"([{"cardId":null}])",
         "invalid type: null, expected i32 at line 1 column 15"},
        {"worldBloomSupportDeckBonusesWL1.json",
         R"([{"worldBloomSupportDeckMasterRankBonuses":null}])",
         "invalid type: null, expected a sequence at line 1 column 47"},
        {"worldBloomSupportDeckBonusesWL2.json",
         R"([{"worldBloomSupportDeckMasterRankBonuses":[{"masterRank":1.5}]}])",
         "invalid type: floating point `1.5`, expected i32 at line 1 column 61"},
        {"worldBloomSupportDeckBonusesWL2.json",
         R"([{"worldBloomSupportDeckSkillLevelBonuses":[5]}])",
         "invalid type: integer `5`, expected struct WBSupportDeckSkillLevelBonus at line 1 column "
         "45"},
    };
    testing::expect_parse_errors(cases);
}

// The rarity_4 "specific" rate of a support table.
double specific_rate_of_rarity4(const std::vector<WBSupportDeckBonus>& table) {
    for (const auto& entry : table) {
        if (entry.card_rarity_type == "rarity_4")
            return entry.world_bloom_support_deck_character_bonuses.at(0).bonus_rate;
    }
    return -1.0;
}

TEST(WorldBloomTables, SupportTablesFallBackOnTheBuiltInOnes) {
    const std::string own =
        R"([{"cardRarityType":"rarity_4","worldBloomSupportDeckCharacterBonuses":)"
        R"([{"worldBloomSupportDeckCharacterType":"specific","bonusRate":99}]}])";
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> tables;
        double wl1, wl2, wl3;  // rarity_4 "specific" of each table
    };
    const std::vector<Case> cases = {
        {"none given", {}, 15.0, 12.5, 12.0},
        {"empty arrays",
         {{"worldBloomSupportDeckBonusesWL1.json", "[]"},
          {"worldBloomSupportDeckBonusesWL2.json", " [ ] "}},
         15.0,
         12.5,
         12.0},
        {"own tables",
         {{"worldBloomSupportDeckBonusesWL1.json", own},
          {"worldBloomSupportDeckBonusesWL2.json", own},
          {"worldBloomSupportDeckBonusesWL3.json", own}},
         99.0,
         99.0,
         99.0},
        {"the generic table serves WL3 only",
         {{"worldBloomSupportDeckBonuses.json", own}},
         15.0,
         12.5,
         99.0},
        {"the generic table after an empty WL3",
         {{"worldBloomSupportDeckBonusesWL3.json", "[]"},
          {"worldBloomSupportDeckBonuses.json", own}},
         15.0,
         12.5,
         99.0},
    };
    for (const Case& c : cases) {
        RawTables tables = testing::required_tables();
        for (const auto& [name, text] : c.tables)
            tables[name] = text;
        const auto md = load_masterdata(MasterDataSource{"[]", tables});
        ASSERT_TRUE(md.ok()) << c.what << ": " << md.error().message;
        EXPECT_EQ(specific_rate_of_rarity4(md->world_bloom_support_wl1), c.wl1) << c.what;
        EXPECT_EQ(specific_rate_of_rarity4(md->world_bloom_support_wl2), c.wl2) << c.what;
        EXPECT_EQ(specific_rate_of_rarity4(md->world_bloom_support_wl3), c.wl3) << c.what;
    }

    // One entry without keys is an entry: the built-in table is not consulted.
    const MasterData md = loaded_with("worldBloomSupportDeckBonusesWL1.json",
                                      R"([{"worldBloomSupportDeckMasterRankBonuses":[[2]]}])");
    ASSERT_EQ(md.world_bloom_support_wl1.size(), 1u);
    EXPECT_EQ(md.world_bloom_support_wl1[0].card_rarity_type, "");
    EXPECT_TRUE(md.world_bloom_support_wl1[0].world_bloom_support_deck_character_bonuses.empty());
    const auto& ranks = md.world_bloom_support_wl1[0].world_bloom_support_deck_master_rank_bonuses;
    ASSERT_EQ(ranks.size(), 1u);
    EXPECT_EQ(ranks[0].master_rank, 2);
    EXPECT_EQ(ranks[0].bonus_rate, 0.0);
}

// One row of a built-in table as the game lists it: specific, others, ranks
// 0..5, levels 1..4.
struct BuiltInRow {
    const char* rarity;
    double rates[12];
};

void expect_built_in(const std::vector<WBSupportDeckBonus>& table, const BuiltInRow (&rows)[5],
                     const char* label) {
    ASSERT_EQ(table.size(), 5u) << label;
    for (usize r = 0; r < 5; ++r) {
        const WBSupportDeckBonus& entry = table[r];
        const BuiltInRow& row = rows[r];
        EXPECT_EQ(entry.card_rarity_type, row.rarity) << label;
        // Every rate is the nearest single-precision value, widened.
        auto widened = [](double decimal) {
            return static_cast<double>(static_cast<float>(decimal));
        };
        const auto& chars = entry.world_bloom_support_deck_character_bonuses;
        ASSERT_EQ(chars.size(), 2u);
        EXPECT_EQ(chars[0].world_bloom_support_deck_character_type, "specific");
        EXPECT_EQ(chars[1].world_bloom_support_deck_character_type, "others");
        EXPECT_EQ(chars[0].bonus_rate, widened(row.rates[0])) << label << " " << row.rarity;
        EXPECT_EQ(chars[1].bonus_rate, widened(row.rates[1])) << label << " " << row.rarity;
        const auto& ranks = entry.world_bloom_support_deck_master_rank_bonuses;
        ASSERT_EQ(ranks.size(), 6u);
        for (usize k = 0; k < 6; ++k) {
            EXPECT_EQ(ranks[k].master_rank, static_cast<i32>(k));
            EXPECT_EQ(ranks[k].bonus_rate, widened(row.rates[2 + k])) << label << " " << row.rarity;
        }
        const auto& levels = entry.world_bloom_support_deck_skill_level_bonuses;
        ASSERT_EQ(levels.size(), 4u);
        for (usize k = 0; k < 4; ++k) {
            EXPECT_EQ(levels[k].skill_level, static_cast<i32>(k + 1));
            EXPECT_EQ(levels[k].bonus_rate, widened(row.rates[8 + k]))
                << label << " " << row.rarity;
        }
    }
}

TEST(WorldBloomTables, BuiltInTablesHoldTheGameValues) {
    const BuiltInRow wl1[5] = {
        {"rarity_1", {6, 1, 0, 0.1, 0.2, 0.3, 0.4, 0.5, 0, 0.05, 0.2, 0.5}},
        {"rarity_2", {7, 2, 0, 0.2, 0.4, 0.6, 0.8, 1, 0, 0.1, 0.4, 1}},
        {"rarity_3", {8, 3, 0, 0.3, 0.6, 0.9, 1.2, 1.5, 0, 0.15, 0.6, 1.5}},
        {"rarity_4", {15, 10, 0, 0.5, 1, 1.5, 2, 2.5, 0, 0.25, 1, 2.5}},
        {"rarity_birthday", {10, 5, 0, 0.4, 0.8, 1.2, 1.6, 2, 0, 0.2, 0.8, 2}},
    };
    const BuiltInRow wl2[5] = {
        {"rarity_1", {5.5, 0.5, 0, 0.1, 0.1, 0.2, 0.2, 0.3, 0, 0.05, 0.1, 0.3}},
        {"rarity_2", {6, 1, 0, 0.2, 0.2, 0.3, 0.4, 0.5, 0, 0.1, 0.2, 0.5}},
        {"rarity_3", {7, 2, 0, 0.3, 0.4, 0.6, 0.8, 1, 0, 0.15, 0.4, 1}},
        {"rarity_4", {12.5, 7.5, 0, 0.5, 1, 1.5, 2, 2.5, 0, 0.25, 1, 2.5}},
        {"rarity_birthday", {10, 5, 0, 0.4, 0.8, 1.2, 1.6, 2, 0, 0.2, 0.8, 2}},
    };
    const BuiltInRow wl3[5] = {
        {"rarity_1", {5.5, 0.5, 0, 0.1, 0.1, 0.2, 0.2, 0.3, 0, 0.05, 0.1, 0.3}},
        {"rarity_2", {6, 1, 0, 0.2, 0.2, 0.3, 0.4, 0.5, 0, 0.1, 0.2, 0.5}},
        {"rarity_3", {6.5, 1.5, 0, 0.3, 0.4, 0.6, 0.8, 1, 0, 0.15, 0.4, 1}},
        {"rarity_4", {12, 7, 0, 0.5, 1, 1.5, 2, 2.5, 0, 0.25, 1, 2.5}},
        {"rarity_birthday", {9.5, 4.5, 0, 0.4, 0.8, 1.2, 1.6, 2, 0, 0.2, 0.8, 2}},
    };
    // A region without support tables of its own holds the built-in ones.
    const MasterData md = loaded_with("honors.json", "[]");
    expect_built_in(md.world_bloom_support_wl1, wl1, "WL1");
    expect_built_in(md.world_bloom_support_wl2, wl2, "WL2");
    expect_built_in(md.world_bloom_support_wl3, wl3, "WL3");
    // The single-precision value, not the double nearest to 0.1.
    EXPECT_EQ(
        md.world_bloom_support_wl1[0].world_bloom_support_deck_master_rank_bonuses[1].bonus_rate,
        0.10000000149011612);
}

}  // namespace
}  // namespace vdz
