// The depth-first search with and without its seed decks on fixed 60-card
// pools of 20 characters, one request per seeded road. Prints, per road, the
// seeds' time and best key, then the search's evaluations and time with and
// without them, and whether both rank the same keys. Counts and keys depend
// only on the inputs, so two runs print the same signature.
//
//     build/release/seed_bench
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

#include "bench_cards.h"
#include "pool/card_pool.h"
#include "pool/pool_packing.h"
#include "pool/search_context.h"
#include "search/bounds/suffix_tables.h"
#include "search/candidate_order.h"
#include "search/dfs/dfs_search.h"
#include "search/seeds/seed.h"

namespace vdz {
namespace {

constexpr usize POOL_CARDS = 60;
constexpr u64 LIMIT = 10;

PoolCandidate bench_card(std::mt19937& rng, usize i) {
    const u8 character = static_cast<u8>(1 + i % 20);
    return bench::random_card(rng, i, character, static_cast<u8>(1u << (character / 4 % 6)));
}

CardPool bench_pool(SearchContext& context) {
    std::mt19937 rng(60);
    std::vector<PoolCandidate> cards;
    for (usize i = 0; i < POOL_CARDS; ++i)
        cards.push_back(bench_card(rng, i));
    std::vector<PoolCardRecord> records;
    auto pool = pack_candidates(cards, context, records);
    if (!pool.ok()) {
        std::fprintf(stderr, "%s\n", pool.error().message.c_str());
        std::exit(1);
    }
    return std::move(pool).value();
}

double seconds_of(const std::function<void()>& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool same_keys(const SearchResult& a, const SearchResult& b) {
    if (a.decks.size() != b.decks.size()) return false;
    for (usize i = 0; i < a.decks.size(); ++i)
        if (a.decks[i].score != b.decks[i].score) return false;
    return true;
}

void bench_road(const char* name, Target target, LiveType live_type, u8 event_kind) {
    SearchContext context;
    context.target = target;
    context.live_type = live_type;
    context.event_kind = event_kind;
    context.music_base_scores = {1.1, 0.9, 0.5};
    context.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
    context.music_skill_scores[1] = {12, 12, 12, 12, 12, 12};
    context.music_skill_scores[2] = {5, 5, 5, 5, 5, 5};
    const CardPool pool = bench_pool(context);
    const SuffixTables suffix = build_suffix_tables(pool, context);

    // The seeds the default road hands to the search.
    const bool multi_start = target == Target::SCORE && event_kind != NO_EVENT_KIND &&
                             (live_type == LiveType::MULTI || live_type == LiveType::CHEERFUL);
    SeedDecks seeds;
    const double seed_secs = seconds_of([&] {
        seeds = multi_start ? multi_start_seeds(pool, context, LIMIT)
                            : seed_to_vec(build_seed_deck(pool, context,
                                                          initial_candidate_order(pool, context)));
    });
    SearchResult with, without;
    const double with_secs = seconds_of(
        [&] { with = dfs_search(pool, context, suffix, LIMIT, 0, seeds, std::nullopt); });
    const double without_secs = seconds_of(
        [&] { without = dfs_search(pool, context, suffix, LIMIT, 0, {}, std::nullopt); });
    std::printf(
        "%-18s seeds %2zu in %7.4f s, best %016llx | with %9llu evals %8.4f s | without %9llu "
        "evals %8.4f s | %s\n",
        name, seeds.size(), seed_secs,
        static_cast<unsigned long long>(seeds.empty() ? 0 : seeds[0].score),
        static_cast<unsigned long long>(with.stats.evaluations), with_secs,
        static_cast<unsigned long long>(without.stats.evaluations), without_secs,
        same_keys(with, without) ? "same keys" : "keys differ");
}

}  // namespace
}  // namespace vdz

int main() {
    using namespace vdz;
    bench_road("solo marathon", Target::SCORE, LiveType::SOLO, 0);
    bench_road("auto marathon", Target::SCORE, LiveType::AUTO, 0);
    bench_road("multi marathon", Target::SCORE, LiveType::MULTI, 0);
    bench_road("cheerful carnival", Target::SCORE, LiveType::CHEERFUL, 1);
    bench_road("solo, no event", Target::SCORE, LiveType::SOLO, NO_EVENT_KIND);
    bench_road("bonus target", Target::BONUS, LiveType::MULTI, 0);
    bench_road("mysekai target", Target::MYSEKAI, LiveType::MULTI, 0);
    return 0;
}
