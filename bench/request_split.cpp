// Where one request's time goes, step by step: the request index (the
// region's, taken from its entry since it is built with the region), card power,
// the pool (builder and result states), the search and the result text; and
// what setting the region up costs (a full load, then the music metas) and
// how much of the load the request index takes. Run
// by bench/request_split.py over generated regions.
//
//     request_split MASTERDATA_DIR MUSIC_METAS_FILE USER_DATA_FILE OPTIONS_JSON [REPEATS]
//
// Prints one JSON object of medians in milliseconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/table_directory.h"
#include "handler/options.h"
#include "handler/region_loading.h"
#include "handler/region_table.h"
#include "handler/user_data.h"
#include "json/writer.h"
#include "pool/pool_builder.h"
#include "pool/result_card_states.h"
#include "search/evaluation/deck_result.h"
#include "search/pool_search.h"

namespace {

using namespace vdz;
using Clock = std::chrono::steady_clock;

constexpr const char* REGION = "bench";

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "request_split: %s\n", message.c_str());
    std::exit(1);
}

template <class T>
T take(Result<T> result) {
    if (!result) fail(result.error().message);
    return std::move(result).value();
}

void require(const Result<Status>& replaced) {
    if (!replaced) fail(replaced.error().message);
    if (!replaced.value()) fail(replaced.value().error().message);
}

std::string read_file(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) fail(std::string("cannot read ") + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double ms_between(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One region setup as the engine does it: `update_masterdata`, then
// `update_musicmetas`. Returns the two times.
std::pair<double, double> set_up(RegionTable& table, const char* dir, const std::string& metas) {
    const Clock::time_point start = Clock::now();
    RawTables tables = take(read_table_directory(dir));
    require(table.replace(REGION, RegionPresence::MayBeAbsent, [&](const RegionEntry* current) {
        return build_loaded_entry(current, std::move(tables));
    }));
    const Clock::time_point loaded = Clock::now();
    require(table.replace(REGION, RegionPresence::MustExist, [&](const RegionEntry* current) {
        return build_music_metas_entry(*current, metas);
    }));
    return {ms_between(start, loaded), ms_between(loaded, Clock::now())};
}

struct Split {
    std::vector<double> index, power, pool, search, result, total;
};

// One request, each step timed on its own; the sink keeps every step's output
// alive and read, so nothing timed can be dropped.
void run_request(const RegionData& region, const UserData& user, const RecommendOptions& options,
                 Split& split, u64& sink) {
    const Clock::time_point t0 = Clock::now();
    const MasterDataView view = make_master_data_view(*region.master_data);
    const PreparationContext context{view, region.request_index};
    const Clock::time_point t1 = Clock::now();
    const CardPowerOutput power = take(compute_card_power(user, context, options));
    const Clock::time_point t2 = Clock::now();
    BuiltPool built = take(build_card_pool(context, power, options));
    const ResultCardStates states =
        build_result_card_states(user.user_cards, *context.index, view, options);
    const Clock::time_point t3 = Clock::now();
    const SearchResult found =
        take(search_pool(built.pool, built.context, options.target_bonus_list, options.limit,
                         options.timeout_ms, steady_search_clock()));
    const Clock::time_point t4 = Clock::now();
    const ResultSources sources{built.pool, built.context, built.records,
                                states,     user,          options.target};
    std::string text;
    json::Writer out(text);
    out.begin_array();
    for (const DeckEntry& deck : found.decks)
        (void)write_deck_result(out, deck.slots, sources);
    out.end_array();
    const Clock::time_point t5 = Clock::now();
    sink += text.size() + power.cards.size() + states.size();
    split.index.push_back(ms_between(t0, t1));
    split.power.push_back(ms_between(t1, t2));
    split.pool.push_back(ms_between(t2, t3));
    split.search.push_back(ms_between(t3, t4));
    split.result.push_back(ms_between(t4, t5));
    split.total.push_back(ms_between(t0, t5));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5)
        fail(
            "usage: request_split MASTERDATA_DIR MUSIC_METAS_FILE USER_DATA_FILE OPTIONS_JSON "
            "[REPEATS]");
    const int repeats = argc > 5 ? std::max(1, std::atoi(argv[5])) : 21;
    const std::string metas = read_file(argv[2]);

    // 1. Region setup, a few times over.
    std::vector<double> load, music_metas;
    RegionTable table;
    for (int i = 0; i < std::min(repeats, 5); ++i) {
        const auto [l, m] = set_up(table, argv[1], metas);
        load.push_back(l);
        music_metas.push_back(m);
    }
    const RegionData region = take(table.find(REGION));
    // The request index alone, which the load now builds once for the region.
    std::vector<double> index_build;
    u64 sink = 0;
    for (int i = 0; i < std::min(repeats, 5); ++i) {
        const Clock::time_point start = Clock::now();
        const auto index = build_request_index(make_master_data_view(*region.master_data));
        index_build.push_back(ms_between(start, Clock::now()));
        sink += index->cards_by_id.size();
    }

    // 2. The request, repeated; the first run warms the caches and is dropped.
    const UserData user = take(parse_user_data(read_file(argv[3])));
    const RecommendOptions options = take(parse_recommend_options(argv[4]));
    Split split;
    for (int i = 0; i <= repeats; ++i)
        run_request(region, user, options, split, sink);
    for (std::vector<double>* v :
         {&split.index, &split.power, &split.pool, &split.search, &split.result, &split.total})
        v->erase(v->begin());

    std::printf(
        "{\"load_ms\": %.3f, \"music_metas_ms\": %.3f, \"index_build_ms\": %.3f, "
        "\"index_ms\": %.3f, \"power_ms\": %.3f, "
        "\"pool_ms\": %.3f, \"search_ms\": %.3f, \"result_ms\": %.3f, \"total_ms\": %.3f, "
        "\"sink\": %llu}\n",
        median(load), median(music_metas), median(index_build), median(split.index),
        median(split.power), median(split.pool), median(split.search), median(split.result),
        median(split.total), static_cast<unsigned long long>(sink));
    return 0;
}
