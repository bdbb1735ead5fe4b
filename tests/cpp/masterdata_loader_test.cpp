#include "engine/masterdata_loader.h"

#include <gtest/gtest.h>

#include "masterdata_fixture.h"

namespace vdz {
namespace {

using testing::load_error;
using testing::required_tables;
using testing::REQUIRED_TABLES;

// Every table the loader reads, in the order it reads them; "music_metas"
// stands for the music-metas text.
constexpr std::string_view READ_ORDER[] = {
    "gameCharacterUnits.json",
    "cards.json",
    "events.json",
    "music_metas",
    "cardRarities.json",
    "cardEpisodes.json",
    "masterLessons.json",
    "skills.json",
    "areaItemLevels.json",
    "characterRanks.json",
    "cardMysekaiCanvasBonuses.json",
    "mysekaiGates.json",
    "mysekaiGateLevels.json",
    "eventCards.json",
    "eventDeckBonuses.json",
    "eventCardBonusLimits.json",
    "eventHonorBonuses.json",
    "worldBloomDifferentAttributeBonuses.json",
    "worldBlooms.json",
    "worldBloomSupportDeckBonusesWL1.json",
    "worldBloomSupportDeckBonusesWL2.json",
    "worldBloomSupportDeckBonusesWL3.json",
    "worldBloomSupportDeckUnitEventLimitedBonuses.json",
    "eventMysekaiFixtureGameCharacterPerformanceBonusLimits.json",
    "eventSkillScoreUpLimits.json",
    "eventRarityBonusRates.json",
    "honors.json",
    "bondsHonors.json",
};

constexpr std::string_view EMPTY_TEXT_ERROR = "EOF while parsing a value at line 1 column 0";

Result<MasterData> load(const RawTables& tables, std::string_view music_metas = "[]") {
    return load_masterdata(MasterDataSource{music_metas, tables});
}

TEST(MasterDataLoader, EveryTableIsReadInTheFixedOrder) {
    // Breaking every table from position i on must report table i: all the
    // earlier ones were read and accepted, and none of the later ones was
    // looked at first.
    const usize n = std::size(READ_ORDER);
    for (usize i = 0; i < n; ++i) {
        RawTables tables = required_tables();
        std::string music_metas = "[]";
        for (usize k = i; k < n; ++k) {
            if (READ_ORDER[k] == "music_metas") {
                music_metas = "";
            } else {
                tables.insert_or_assign(std::string(READ_ORDER[k]), "");
            }
        }
        const std::string name(READ_ORDER[i]);
        EXPECT_EQ(load_error(load(tables, music_metas)),
                  "解析 " + name + " 失败: " + std::string(EMPTY_TEXT_ERROR))
            << name;
    }
}

TEST(MasterDataLoader, RequiredTablesAreMissingInOrder) {
    // Removing the required tables from position i on names table i.
    for (usize i = 0; i < REQUIRED_TABLES.size(); ++i) {
        RawTables tables = required_tables();
        for (usize k = i; k < REQUIRED_TABLES.size(); ++k)
            tables.erase(std::string(REQUIRED_TABLES[k]));
        EXPECT_EQ(load_error(load(tables)),
                  "缺少 masterdata 表 " + std::string(REQUIRED_TABLES[i]));
    }
    EXPECT_EQ(load_error(load({})), "缺少 masterdata 表 gameCharacterUnits.json");
}

TEST(MasterDataLoader, FramingCases) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::optional<std::string>>> changes;
        std::string music_metas;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"table names are exact",
         {{"cards.json", {}}, {"Cards.json", "[]"}},
         "[]",
         "缺少 masterdata 表 cards.json"},
        {"a name without its extension is not the table",
         {{"events.json", {}}, {"events", "[]"}},
         "[]",
         "缺少 masterdata 表 events.json"},
        {"music metas before a missing rarity table",
         {{"cardRarities.json", {}}},
         "{",
         "解析 music_metas 失败: invalid type: map, expected a sequence at line 1 column 0"},
        {"a missing table before bad music metas",
         {{"events.json", {}}},
         "",
         "缺少 masterdata 表 events.json"},
        {"trailing characters",
         {{"eventCards.json", "[] x"}},
         "[]",
         "解析 eventCards.json 失败: trailing characters at line 1 column 4"},
        {"white space around the array", {{"eventCards.json", " \n[ ]\t\n"}}, "[]", "ok"},
        {"an unknown table is ignored", {{"unknown.json", "not json"}}, "[]", "ok"},
        {"WL3 with entries: the generic table is never read",
         {{"worldBloomSupportDeckBonusesWL3.json", "[{}]"},
          {"worldBloomSupportDeckBonuses.json", "broken"}},
         "[]",
         "ok"},
        {"WL3 empty: the generic table is read",
         {{"worldBloomSupportDeckBonusesWL3.json", "[]"},
          {"worldBloomSupportDeckBonuses.json", ""}},
         "[]",
         "解析 worldBloomSupportDeckBonuses.json 失败: " + std::string(EMPTY_TEXT_ERROR)},
        {"WL3 absent: the generic table is read",
         {{"worldBloomSupportDeckBonuses.json", "[1]"}},
         "[]",
         "解析 worldBloomSupportDeckBonuses.json 失败: invalid type: integer `1`, expected "
         "struct WBSupportDeckBonus at line 1 column 2"},
        {"area and in-game tables are not the loader's business",
         {{"areas.json", "broken"}},
         "[]",
         "ok"},
    };
    for (const Case& c : cases) {
        RawTables tables = required_tables();
        for (const auto& [name, text] : c.changes) {
            if (text) {
                tables.insert_or_assign(name, *text);
            } else {
                tables.erase(name);
            }
        }
        EXPECT_EQ(load_error(load(tables, c.music_metas)), c.expected) << c.what;
    }
}

TEST(MasterDataLoader, EmptyRequiredTablesGiveEmptyParts) {
    const auto md = load(required_tables());
    ASSERT_TRUE(md.ok()) << md.error().message;
    EXPECT_TRUE(md->cards.empty());
    EXPECT_TRUE(md->card_parameters.empty());
    EXPECT_TRUE(md->skill_levels.empty());
    EXPECT_TRUE(md->area_item_levels.empty());
    EXPECT_TRUE(md->events.empty());
    EXPECT_TRUE(md->mysekai_gates.empty());
    EXPECT_TRUE(md->event_rarity_bonuses.empty());
    EXPECT_TRUE(md->music_metas.empty());
    EXPECT_TRUE(md->honors.empty());
    EXPECT_TRUE(md->bonds_honors.empty());
    // The support tables are never empty: the built-in ones stand in.
    EXPECT_EQ(md->world_bloom_support_wl1.size(), 5u);
    EXPECT_EQ(md->world_bloom_support_wl2.size(), 5u);
    EXPECT_EQ(md->world_bloom_support_wl3.size(), 5u);
}

}  // namespace
}  // namespace vdz
