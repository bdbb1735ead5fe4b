// Where a region's load spends its time: the whole build of a region entry
// (music metas, MasterData, area and in-game tables) against the JSON reading
// alone (every table reader, both music-meta readers and the built-in support
// tables), over a directory written by tools/gen_sample_data.py.
//   masterdata_load DIR MUSIC_METAS_FILE [REPEATS]
// Prints one JSON object: table megabytes, the median of each timing in
// milliseconds, and the share of the build spent reading JSON.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "engine/area_ingame_tables.h"
#include "engine/master_data.h"
#include "engine/music_meta_reader.h"
#include "engine/table_directory.h"
#include "handler/region_loading.h"

namespace {

using namespace vdz;
using Clock = std::chrono::steady_clock;

double median_ms(int repeats, const std::function<void()>& run) {
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        const auto start = Clock::now();
        run();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

template <class T>
void require(const Result<T>& result) {
    if (!result.ok()) {
        std::fprintf(stderr, "%s\n", result.error().message.c_str());
        std::exit(1);
    }
}

// Every JSON reading a full load does, and nothing else.
void read_all_json(const RawTables& t, const std::string& music_metas) {
    require(parse_music_metas(music_metas));
    require(read_music_meta_rows(music_metas));
    require(read_game_character_units(t));
    require(read_cards(t));
    require(read_events(t));
    require(read_card_rarities(t));
    require(read_card_episodes(t));
    require(read_master_lessons(t));
    require(read_skills(t));
    require(read_area_item_levels(t));
    require(read_character_ranks(t));
    require(read_card_mysekai_canvas_bonuses(t));
    require(read_mysekai_gates(t));
    require(read_mysekai_gate_levels(t));
    require(read_event_cards(t));
    require(read_event_deck_bonuses(t));
    require(read_event_card_bonus_limits(t));
    require(read_event_honor_bonuses(t));
    require(read_world_bloom_diff_attr_bonuses(t));
    require(read_world_blooms(t));
    require(load_support_bonuses_or_embedded(t, WL1_SUPPORT_TABLE, EMBEDDED_WL1_SUPPORT_BONUSES));
    require(load_support_bonuses_or_embedded(t, WL2_SUPPORT_TABLE, EMBEDDED_WL2_SUPPORT_BONUSES));
    require(load_wl3_support_bonuses(t));
    require(read_world_bloom_unit_event_limited_bonuses(t));
    require(read_event_fixture_bonus_limits(t));
    require(read_event_skill_score_up_limits(t));
    require(read_event_rarity_bonus_rates(t));
    require(read_honors(t));
    require(read_bonds_honors(t));
    require(load_area_and_ingame_tables(t));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: masterdata_load DIR MUSIC_METAS_FILE [REPEATS]\n");
        return 2;
    }
    const int repeats = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    std::ifstream metas_file(argv[2], std::ios::binary);
    const std::string music_metas((std::istreambuf_iterator<char>(metas_file)),
                                  std::istreambuf_iterator<char>());

    RawTables tables;
    const double read_dir_ms = median_ms(repeats, [&] {
        auto read = read_table_directory(argv[1]);
        require(read);
        tables = std::move(read).value();
    });
    usize bytes = music_metas.size();
    for (const auto& [name, text] : tables)
        bytes += text.size();

    RegionEntry current;
    current.music_metas_text = music_metas;
    const double build_ms =
        median_ms(repeats, [&] { require(build_loaded_entry(&current, tables)); });
    const double json_ms = median_ms(repeats, [&] { read_all_json(tables, music_metas); });

    std::printf(
        "{\"tables_mb\": %.2f, \"read_directory_ms\": %.1f, \"build_ms\": %.1f, "
        "\"json_ms\": %.1f, \"json_share\": %.3f}\n",
        static_cast<double>(bytes) / 1e6, read_dir_ms, build_ms, json_ms, json_ms / build_ms);
    return 0;
}
