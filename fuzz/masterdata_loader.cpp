// Fuzz target for the master-data readers: the first byte picks a table (or
// the music metas), the rest is its text, and the region's other required
// tables are empty. Any bytes must end in a MasterData or one of the load's
// message families; a successful load always holds the three support tables.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/area_ingame_tables.h"
#include "engine/masterdata_loader.h"
#include "engine/music_meta_reader.h"

namespace {

constexpr std::string_view TABLES[] = {
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
    "worldBloomSupportDeckBonuses.json",
    "worldBloomSupportDeckUnitEventLimitedBonuses.json",
    "eventMysekaiFixtureGameCharacterPerformanceBonusLimits.json",
    "eventSkillScoreUpLimits.json",
    "eventRarityBonusRates.json",
    "honors.json",
    "bondsHonors.json",
    "areas.json",
    "areaItems.json",
    "shopItems.json",
    "ingameNotes.json",
    "ingameCombos.json",
};
constexpr std::size_t TABLE_COUNT = sizeof TABLES / sizeof TABLES[0];

// Tables whose absence fails the load; the fuzzed table replaces its entry.
constexpr std::size_t REQUIRED[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 13, 14, 15, 16, 24, 25};

bool starts_with(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vdz;
    if (size == 0) return 0;
    const std::size_t pick = data[0] % (TABLE_COUNT + 1);
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    RawTables tables;
    for (std::size_t i : REQUIRED)
        tables.emplace(std::string(TABLES[i]), "[]");
    std::string music_metas = "[]";
    if (pick == TABLE_COUNT) {
        music_metas = text;
        (void)parse_music_metas(music_metas);
    } else {
        tables.insert_or_assign(std::string(TABLES[pick]), text);
    }

    const Result<MasterData> md = load_masterdata(MasterDataSource{music_metas, tables});
    if (md.ok()) {
        check(!md->world_bloom_support_wl1.empty() && !md->world_bloom_support_wl2.empty() &&
              !md->world_bloom_support_wl3.empty());
        check(md->music_metas.size() == md->music_meta_keys.size());
    } else {
        const std::string& message = md.error().message;
        check(starts_with(message, "解析 ") || starts_with(message, "缺少 masterdata 表 "));
    }
    const Result<AreaIngameTables> area = load_area_and_ingame_tables(tables);
    if (!area.ok()) check(starts_with(area.error().message, "failed to parse "));
    return 0;
}
