// Shared fixture of the master-data tests: the seventeen required tables as
// empty arrays, which load successfully, to be overridden table by table.
#pragma once

#include <array>
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

}  // namespace vdz::testing
