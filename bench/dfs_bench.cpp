// The default road on one thread: a fixed 60-card pool over 26 characters,
// searched for the score, bonus and mysekai targets through the search entry
// (pruning, seeds, depth-first search, re-admission) and once over
// event-bonus tiers, with no time limit. Prints the time, the nodes, the
// evaluations and a key checksum per request; all but the time depend only
// on the inputs, so two runs must print the same ones.
//
//     build/release/dfs_bench [limit, default 10]
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "bench_cards.h"
#include "pool/card_pool.h"
#include "pool/pool_packing.h"
#include "pool/search_context.h"
#include "search/dfs/dfs_search.h"
#include "search/search_entry.h"

namespace vdz {
namespace {

constexpr usize POOL_CARDS = 60;

PoolCandidate bench_card(std::mt19937& rng, usize i) {
    return bench::random_card(rng, i, static_cast<u8>(1 + i % 26),
                              static_cast<u8>(1u << (i % 26 / 4 % 6)));
}

struct Request {
    const char* name;
    Target target;
    LiveType live_type;
    u8 event_kind;
    bool tiers;
};

void run(const Request& r, u64 limit) {
    SearchContext context;
    context.target = r.target;
    context.live_type = r.live_type;
    context.event_kind = r.event_kind;
    context.music_skill_scores[0] = {20, 20, 20, 20, 20, 40};
    context.music_skill_scores[1] = {20, 20, 20, 20, 20, 40};
    std::mt19937 rng(200);
    std::vector<PoolCandidate> cards;
    for (usize i = 0; i < POOL_CARDS; ++i)
        cards.push_back(bench_card(rng, i));
    std::vector<PoolCardRecord> records;
    Result<CardPool> pool = pack_candidates(cards, context, records);
    if (!pool.ok()) std::abort();
    const auto start = std::chrono::steady_clock::now();
    SearchResult found;
    if (r.tiers) {
        const i32 tiers[] = {100, 120, 140, 160};
        const SuffixTables suffix = build_suffix_tables(pool.value(), context);
        found =
            dfs_search(pool.value(), context, suffix, limit, 0, {}, std::span<const i32>(tiers));
    } else {
        auto searched = search_recommend(pool.value(), context, limit, 0, steady_search_clock());
        if (!searched.ok()) std::abort();
        found = std::move(searched).value();
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    u64 checksum = 0;
    for (const DeckEntry& d : found.decks)
        checksum = checksum * 1'000'003 + d.score;
    std::printf("%-26s %9.1f ms  decks %zu  nodes %llu  evaluated %llu  checksum %016llx\n", r.name,
                ms, found.decks.size(), static_cast<unsigned long long>(found.stats.nodes),
                static_cast<unsigned long long>(found.stats.evaluations),
                static_cast<unsigned long long>(checksum));
}

}  // namespace
}  // namespace vdz

int main(int argc, char** argv) {
    using vdz::LiveType;
    using vdz::Target;
    const vdz::u64 limit = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 10;
    const vdz::Request requests[] = {
        {"score, no event, solo", Target::SCORE, LiveType::SOLO, 3, false},
        {"score, marathon, solo", Target::SCORE, LiveType::SOLO, 0, false},
        {"score, marathon, multi", Target::SCORE, LiveType::MULTI, 0, false},
        {"bonus, marathon, solo", Target::BONUS, LiveType::SOLO, 0, false},
        {"mysekai, marathon", Target::MYSEKAI, LiveType::SOLO, 0, false},
        {"bonus tiers, marathon", Target::BONUS, LiveType::SOLO, 0, true},
    };
    for (const vdz::Request& r : requests)
        vdz::run(r, limit);
    return 0;
}
