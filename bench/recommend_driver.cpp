// The C++ half of bench/recommend_bench.py: loads one region and one player
// the way the engine does, then answers requests read from standard input,
// one options JSON per line, with what `recommend` does not report: the
// pool's size, the time of the preparation and of the search, the search's
// node and evaluation counts, and whether it stopped at its deadline.
//
//     recommend_driver MASTERDATA_DIR MUSIC_METAS_FILE USER_DATA_FILE
//
// Writes "ready" once loaded, then one JSON object per request line.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>

#include "engine/table_directory.h"
#include "handler/options.h"
#include "handler/region_loading.h"
#include "handler/region_table.h"
#include "handler/user_data.h"
#include "json/writer.h"
#include "pool/prepared_pool.h"
#include "search/pool_search.h"

namespace {

using namespace vdz;
using Clock = std::chrono::steady_clock;

constexpr const char* REGION = "bench";

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "recommend_driver: %s\n", message.c_str());
    std::exit(1);
}

std::string read_file(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) fail(std::string("cannot read ") + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void require(const Result<Status>& replaced) {
    if (!replaced) fail(replaced.error().message);
    if (!replaced.value()) fail(replaced.value().error().message);
}

// The region as `update_masterdata` and then `update_musicmetas` leave it.
RegionData load_region(RegionTable& table, const char* dir, const char* music_metas_file) {
    Result<RawTables> tables = read_table_directory(dir);
    if (!tables) fail(tables.error().message);
    auto loaded =
        table.replace(REGION, RegionPresence::MayBeAbsent, [&](const RegionEntry* current) {
            return build_loaded_entry(current, std::move(tables).value());
        });
    require(loaded);
    std::string metas = read_file(music_metas_file);
    auto updated =
        table.replace(REGION, RegionPresence::MustExist, [&](const RegionEntry* current) {
            return build_music_metas_entry(*current, std::move(metas));
        });
    require(updated);
    Result<RegionData> found = table.find(REGION);
    if (!found) fail(found.error().message);
    return std::move(found).value();
}

std::string answer(const RegionData& region, const std::shared_ptr<const UserData>& user,
                   const std::string& options_json) {
    std::string text;
    json::Writer out(text);
    out.begin_object();
    Result<RecommendOptions> options = parse_recommend_options(options_json);
    if (!options) {
        out.member("error", options.error().message);
        out.end_object();
        return text;
    }
    const auto start = Clock::now();
    Result<PreparedPool> prepared =
        prepare_request(user, *region.master_data, region.request_index, options.value());
    const double prepare_ms = ms_since(start);
    if (!prepared) {
        out.member("prepare_ms", prepare_ms);
        out.member("error", prepared.error().message);
        out.end_object();
        return text;
    }
    const PreparedPool& p = prepared.value();
    const auto search_start = Clock::now();
    Result<SearchResult> found = search_pool(p.pool, p.context, p.target_bonus_list, p.limit,
                                             p.timeout_ms, steady_search_clock());
    const double search_ms = ms_since(search_start);
    out.member("pool", static_cast<u64>(p.card_count()));
    out.member("prepare_ms", prepare_ms);
    out.member("search_ms", search_ms);
    if (!found) {
        out.member("error", found.error().message);
        out.end_object();
        return text;
    }
    const SearchResult& r = found.value();
    out.member("nodes", r.stats.nodes);
    out.member("evaluations", r.stats.evaluations);
    out.member("timed_out", r.stats.timed_out);
    out.key("keys");
    out.begin_array();
    for (const DeckEntry& deck : r.decks)
        out.value(deck.score);
    out.end_array();
    out.end_object();
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) fail("usage: recommend_driver MASTERDATA_DIR MUSIC_METAS_FILE USER_DATA_FILE");
    RegionTable table;
    const RegionData region = load_region(table, argv[1], argv[2]);
    Result<UserData> parsed = parse_user_data(read_file(argv[3]));
    if (!parsed) fail(parsed.error().message);
    const auto user = std::make_shared<const UserData>(std::move(parsed).value());
    std::cout << "ready" << std::endl;
    for (std::string line; std::getline(std::cin, line);) {
        if (line.empty()) continue;
        std::cout << answer(region, user, line) << std::endl;
    }
}
