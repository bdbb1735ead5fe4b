// Shared fixture of the master-data tests: the seventeen required tables as
// empty arrays, which load successfully, to be overridden table by table, and
// the check of tables whose rows the loader refuses.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "engine/masterdata_loader.h"

namespace vdz::testing {

inline constexpr std::array<std::string_view, 17> REQUIRED_TABLES = {
    "gameCharacterUnits.json",
    "cards.json",
    "events.json",
    "cardRarities.json",
    "cardEpisodes.json",
    "masterLessons.json",
    "skills.json",
    "areaItemLevels.json",
    "characterRanks.json",
    "cardMysekaiCanvasBonuses.json",
    "eventCards.json",
    "eventDeckBonuses.json",
    "eventCardBonusLimits.json",
    "eventHonorBonuses.json",
    "worldBloomDifferentAttributeBonuses.json",
    "eventSkillScoreUpLimits.json",
    "eventRarityBonusRates.json",
};

inline RawTables required_tables() {
    RawTables tables;
    for (std::string_view name : REQUIRED_TABLES)
        tables.emplace(std::string(name), "[]");
    return tables;
}

// Loads the required tables with `name` set to `text`.
inline Result<MasterData> load_with(std::string_view name, std::string text,
                                    std::string_view music_metas = "[]") {
    RawTables tables = required_tables();
    tables.insert_or_assign(std::string(name), std::move(text));
    return load_masterdata(MasterDataSource{music_metas, tables});
}

// The MasterData of a load expected to succeed (an empty one after a failed
// expectation, so the test goes on and reports).
inline MasterData loaded_with(std::string_view name, std::string text,
                              std::string_view music_metas = "[]") {
    auto result = load_with(name, std::move(text), music_metas);
    EXPECT_TRUE(result.ok()) << name << ": " << result.error().message;
    return result.ok() ? std::move(result).value() : MasterData{};
}

// The load's error message, or "ok".
inline std::string load_error(const Result<MasterData>& result) {
    return result.ok() ? "ok" : result.error().message;
}

// Rows of one table that the loader refuses, and the reader's text that
// follows "解析 {table} 失败: " in the load's error.
struct FaultyTable {
    const char* table;
    const char* rows;
    const char* error;
};

// Loads each table among the required ones and expects its error.
inline void expect_parse_errors(std::span<const FaultyTable> cases) {
    for (const FaultyTable& c : cases) {
        EXPECT_EQ(load_error(load_with(c.table, c.rows)),
                  "解析 " + std::string(c.table) + " 失败: " + c.error)
            << c.rows;
    }
}

}  // namespace vdz::testing
