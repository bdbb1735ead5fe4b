#include "handler/region_loading.h"

#include <gtest/gtest.h>

#include "masterdata_fixture.h"

namespace vdz {
namespace {

const std::string ONE_META =
    R"([{"music_id":7,"difficulty":"master","music_time":90,"event_rate":120,"base_score":1,)"
    R"("base_score_auto":1,"fever_score":1,"tap_count":700,"skill_score_solo":[1,1,1,1,1,1],)"
    R"("skill_score_auto":[1,1,1,1,1,1],"skill_score_multi":[1,1,1,1,1,1]}])";

RawTables tables_with_areas() {
    RawTables tables = testing::required_tables();
    tables["areas.json"] = R"([{"id":1}])";
    return tables;
}

Status load(RegionTable& table, std::string_view region, RawTables tables) {
    Result<Status> done = table.replace(
        region, RegionPresence::MayBeAbsent,
        [&](const RegionEntry* current) { return build_loaded_entry(current, std::move(tables)); });
    return done.ok() ? *done : Status(done.error());
}

Status update_music_metas(RegionTable& table, std::string_view region, std::string text) {
    Result<Status> done =
        table.replace(region, RegionPresence::MustExist, [&](const RegionEntry* current) {
            return build_music_metas_entry(*current, std::move(text));
        });
    return done.ok() ? *done : Status(done.error());
}

TEST(RegionLoading, AFullLoadBuildsEveryPart) {
    const auto entry = build_loaded_entry(nullptr, tables_with_areas());
    ASSERT_TRUE(entry.ok()) << entry.error().message;
    EXPECT_EQ(entry->music_metas_text, "[]");
    EXPECT_TRUE(entry->music_metas->empty());
    EXPECT_EQ(entry->master_data->world_bloom_support_wl1.size(), 5u);
    EXPECT_EQ(entry->area_ingame_tables->areas.size(), 1u);
    ASSERT_NE(entry->request_index, nullptr);
    EXPECT_EQ(entry->request_index->cards_by_id.size(), entry->master_data->cards.size());
}

TEST(RegionLoading, MusicMetasSurviveFullLoadsAndUpdatesKeepTheAreaTables) {
    RegionTable table;
    ASSERT_TRUE(load(table, "jp", tables_with_areas()).ok());
    const auto before = table.find("jp");
    ASSERT_TRUE(update_music_metas(table, "jp", ONE_META).ok());
    const auto updated = table.find("jp");
    // Same area tables and request index, new MasterData with the song and
    // its averages, as a whole rebuild from the tables gives it.
    EXPECT_EQ(updated->area_ingame_tables, before->area_ingame_tables);
    EXPECT_EQ(updated->request_index, before->request_index);
    EXPECT_NE(updated->master_data, before->master_data);
    EXPECT_EQ(updated->music_metas->size(), 1u);
    const MasterData rebuilt = rebuild_region_master_data(tables_with_areas(), ONE_META).value();
    ASSERT_EQ(updated->master_data->music_metas.size(), 7u);
    for (usize i = 0; i < 7; ++i) {
        const MusicMeta& got = updated->master_data->music_metas[i];
        const MusicMeta& want = rebuilt.music_metas[i];
        EXPECT_EQ(got.music_id, want.music_id);
        EXPECT_EQ(got.difficulty, want.difficulty);
        EXPECT_EQ(got.base_score, want.base_score);
        EXPECT_EQ(updated->master_data->music_meta_keys[i].difficulty,
                  rebuilt.music_meta_keys[i].difficulty);
    }
    EXPECT_EQ(updated->master_data->world_bloom_support_wl1.size(),
              rebuilt.world_bloom_support_wl1.size());

    // A new full load reads the stored music metas again with the new tables.
    RawTables next = testing::required_tables();
    ASSERT_TRUE(load(table, "jp", next).ok());
    const auto reloaded = table.find("jp");
    EXPECT_EQ(reloaded->music_metas->size(), 1u);
    EXPECT_EQ(reloaded->master_data->music_metas.size(), 7u);
    EXPECT_TRUE(reloaded->area_ingame_tables->areas.empty());  // not merged from the old load
    EXPECT_NE(reloaded->request_index, updated->request_index);
}

TEST(RegionLoading, FailedLoadsLeaveTheRegionAsItWas) {
    RegionTable table;
    ASSERT_TRUE(load(table, "jp", tables_with_areas()).ok());
    ASSERT_TRUE(update_music_metas(table, "jp", ONE_META).ok());
    const auto before = table.find("jp");

    struct Case {
        const char* what;
        std::function<Status()> run;
        std::string error;
    };
    RawTables broken_areas = testing::required_tables();
    broken_areas["shopItems.json"] = "{";
    RawTables missing = testing::required_tables();
    missing.erase("skills.json");
    const std::vector<Case> cases = {
        {"area tables", [&] { return load(table, "jp", broken_areas); },
         "failed to parse shopItems.json: invalid type: map, expected a sequence at line 1 column "
         "0"},
        {"a missing table", [&] { return load(table, "jp", missing); },
         "缺少 masterdata 表 skills.json"},
        {"lenient music metas", [&] { return update_music_metas(table, "jp", "{}"); },
         "invalid music metas: invalid type: map, expected a sequence at line 1 column 0"},
        {"strict music metas",
         [&] { return update_music_metas(table, "jp", R"([{"music_id":1,"difficulty":1}])"); },
         "music meta field event_rate is required"},
        {"missing region", [&] { return update_music_metas(table, "en", "{}"); },
         "masterdata for region en is not loaded"},
    };
    for (const Case& c : cases) {
        const Status status = c.run();
        ASSERT_FALSE(status.ok()) << c.what;
        EXPECT_EQ(status.error().message, c.error) << c.what;
        const auto after = table.find("jp");
        EXPECT_EQ(after->master_data, before->master_data) << c.what;
        EXPECT_EQ(after->music_metas, before->music_metas) << c.what;
        EXPECT_EQ(after->area_ingame_tables, before->area_ingame_tables) << c.what;
        EXPECT_EQ(after->request_index, before->request_index) << c.what;
    }
    EXPECT_FALSE(table.find("en").ok());
}

TEST(RegionLoading, TheLoadersStrictReadingRunsAfterTheLenientOne) {
    // Both readers refuse a row without `event_rate`; the lenient message wins.
    RegionTable table;
    ASSERT_TRUE(load(table, "jp", testing::required_tables()).ok());
    EXPECT_EQ(update_music_metas(table, "jp", "[{}]").error().message,
              "music meta field event_rate is required");
    std::string no_difficulty = ONE_META;
    no_difficulty.replace(no_difficulty.find(R"("difficulty":"master",)"), 22, "");
    EXPECT_EQ(update_music_metas(table, "jp", no_difficulty).error().message,
              "解析 music_metas 失败: missing field `difficulty` at line 1 column 215");
}

}  // namespace
}  // namespace vdz
