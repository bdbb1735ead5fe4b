#include "handler/region_table.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace vdz {
namespace {

// An entry whose parts are fresh objects, so tests can tell entries apart by
// pointer.
RegionEntry fresh_entry(std::string music_metas_text = "[]") {
    RegionEntry entry;
    entry.music_metas_text = std::move(music_metas_text);
    entry.music_metas = std::make_shared<const MusicMetas>();
    entry.master_data = std::make_shared<const MasterData>();
    entry.area_ingame_tables = std::make_shared<const AreaIngameTables>();
    entry.request_index = std::make_shared<const RequestIndex>();
    return entry;
}

Result<Status> load(RegionTable& table, std::string_view region, RegionEntry entry) {
    return table.replace(region, RegionPresence::MayBeAbsent,
                         [&](const RegionEntry*) -> Result<RegionEntry> { return entry; });
}

TEST(RegionTable, UnknownRegionsAreReportedByTheirExactName) {
    RegionTable table;
    ASSERT_TRUE(load(table, "jp", fresh_entry()).ok());
    const std::string_view other_names[] = {"JP", "jp ", " jp", "", std::string_view("jp\0", 3)};
    for (std::string_view name : other_names) {
        const auto found = table.find(name);
        ASSERT_FALSE(found.ok());
        EXPECT_EQ(found.error().message,
                  "masterdata for region " + std::string(name) + " is not loaded");
    }
    EXPECT_TRUE(table.find("jp").ok());
}

TEST(RegionTable, LookupSharesTheEntrysParts) {
    RegionTable table;
    const RegionEntry entry = fresh_entry();
    ASSERT_TRUE(load(table, "en", entry).ok());
    const auto found = table.find("en");
    ASSERT_TRUE(found.ok());
    EXPECT_EQ(found->master_data, entry.master_data);
    EXPECT_EQ(found->music_metas, entry.music_metas);
    EXPECT_EQ(found->area_ingame_tables, entry.area_ingame_tables);
    EXPECT_EQ(found->request_index, entry.request_index);
}

TEST(RegionTable, ReplacedPartsLiveAsLongAsTheirLastHolder) {
    RegionTable table;
    ASSERT_TRUE(load(table, "jp", fresh_entry()).ok());
    std::shared_ptr<const MasterData> held = table.find("jp")->master_data;
    const std::weak_ptr<const MasterData> old_data = held;

    const RegionEntry next = fresh_entry();
    ASSERT_TRUE(load(table, "jp", next).ok());
    EXPECT_EQ(table.find("jp")->master_data, next.master_data);
    EXPECT_FALSE(old_data.expired());  // a running call still computes with it
    held.reset();
    EXPECT_TRUE(old_data.expired());  // the replaced entry kept no reference
}

TEST(RegionTable, BuilderSeesTheCurrentEntryAndFailuresChangeNothing) {
    RegionTable table;
    ASSERT_TRUE(load(table, "jp", fresh_entry("[1]")).ok());
    const auto before = table.find("jp");

    std::string seen_text;
    const auto result = table.replace("jp", RegionPresence::MustExist,
                                      [&](const RegionEntry* current) -> Result<RegionEntry> {
                                          seen_text = current->music_metas_text;
                                          return make_error("invalid music metas: x");
                                      });
    ASSERT_TRUE(result.ok());  // the table itself accepted the write
    ASSERT_FALSE(result->ok());
    EXPECT_EQ(result->error().message, "invalid music metas: x");
    EXPECT_EQ(seen_text, "[1]");
    EXPECT_EQ(table.find("jp")->master_data, before->master_data);
}

TEST(RegionTable, WritesThatNeedARegionRefuseAMissingOneWithoutBuilding) {
    RegionTable table;
    bool built = false;
    const auto result = table.replace("cn", RegionPresence::MustExist,
                                      [&](const RegionEntry*) -> Result<RegionEntry> {
                                          built = true;
                                          return fresh_entry();
                                      });
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().message, "masterdata for region cn is not loaded");
    EXPECT_FALSE(built);
    EXPECT_FALSE(table.find("cn").ok());
}

TEST(RegionTable, TablesShareNothing) {
    RegionTable first, second;
    ASSERT_TRUE(load(first, "jp", fresh_entry()).ok());
    EXPECT_TRUE(first.find("jp").ok());
    EXPECT_EQ(second.find("jp").error().message, "masterdata for region jp is not loaded");
}

// A build that throws changed nothing: the table answers as before and
// takes the next write. Running out of memory goes on to the caller; any
// other exception is reported as the write's error.
TEST(RegionTable, AnExceptionInsideAWriteLeavesTheTableAsItWas) {
    RegionTable table;
    RegionEntry entry = fresh_entry();
    entry.music_metas_text = "[1]";
    ASSERT_TRUE(load(table, "jp", entry).ok());
    const auto throwing = [](auto exception) {
        return [exception](const RegionEntry*) -> Result<RegionEntry> { throw exception; };
    };
    EXPECT_THROW((void)table.replace("jp", RegionPresence::MayBeAbsent, throwing(std::bad_alloc())),
                 std::bad_alloc);
    const auto failed = table.replace("jp", RegionPresence::MustExist,
                                      throwing(std::length_error("basic_string::_M_create")));
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().message,
              "loading masterdata for region jp failed: basic_string::_M_create");
    EXPECT_FALSE(
        table.replace("new", RegionPresence::MayBeAbsent, throwing(std::runtime_error("x"))).ok());

    ASSERT_TRUE(table.find("jp").ok());
    EXPECT_EQ(table.find("new").error().message, "masterdata for region new is not loaded");
    bool built = false;
    const auto write = table.replace("jp", RegionPresence::MustExist,
                                     [&](const RegionEntry* current) -> Result<RegionEntry> {
                                         built = current && current->music_metas_text == "[1]";
                                         return fresh_entry();
                                     });
    ASSERT_TRUE(write.ok() && write->ok());
    EXPECT_TRUE(built);
}

TEST(RegionTable, AFailedReadChangesNothing) {
    RegionTable table;
    EXPECT_FALSE(table.find("jp").ok());
    EXPECT_TRUE(load(table, "jp", fresh_entry()).ok());
}

}  // namespace
}  // namespace vdz
