// The enumeration kernels against brute force on fixed 40-card pools: the
// power fast path and the power and skill searches over every five-character
// deck, the bounded search over every challenge deck. Prints, per kernel,
// its evaluations and time, the brute force's, their ratio, and whether the
// decks agree. Evaluation counts and decks depend only on the inputs, so two
// runs print the same signature.
//
//     build/release/kernels_bench
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include "bench_cards.h"
#include "pool/card_pool.h"
#include "pool/pool_packing.h"
#include "pool/search_context.h"
#include "search/evaluation/deck_evaluator.h"
#include "search/evaluation/top_decks.h"
#include "search/kernels/bounded_search.h"
#include "search/kernels/challenge_search.h"
#include "search/kernels/power_fast_path.h"
#include "search/kernels/power_skill_search.h"

namespace vdz {
namespace {

constexpr usize POOL_CARDS = 40;
constexpr u64 LIMIT = 10;

PoolCandidate bench_card(std::mt19937& rng, usize i, bool one_character) {
    const u8 character = one_character ? 5 : static_cast<u8>(1 + i % 10);
    return bench::random_card(rng, i, character, static_cast<u8>(1u << (character / 4 % 6)));
}

CardPool bench_pool(SearchContext& context, bool one_character) {
    std::mt19937 rng(40);
    std::vector<PoolCandidate> cards;
    for (usize i = 0; i < POOL_CARDS; ++i)
        cards.push_back(bench_card(rng, i, one_character));
    std::vector<PoolCardRecord> records;
    auto pool = pack_candidates(cards, context, records);
    if (!pool.ok()) {
        std::fprintf(stderr, "%s\n", pool.error().message.c_str());
        std::exit(1);
    }
    return std::move(pool).value();
}

// Every deck of five pool cards in ascending index order that `admit`
// accepts, into a list of `LIMIT` (reversed for a minimised power target).
std::vector<DeckEntry> brute_force(const CardPool& pool, const SearchContext& context,
                                   const std::function<bool(const DeckSlots&)>& admit, u64& evals) {
    TopDecks best(LIMIT, candidate_order_reversed(context), pool_card_ids(pool));
    const u16 n = pool.count();
    DeckSlots s;
    for (s[0] = 0; s[0] < n; ++s[0])
        for (s[1] = s[0] + 1; s[1] < n; ++s[1])
            for (s[2] = s[1] + 1; s[2] < n; ++s[2])
                for (s[3] = s[2] + 1; s[3] < n; ++s[3])
                    for (s[4] = s[3] + 1; s[4] < n; ++s[4]) {
                        if (!admit(s)) continue;
                        ++evals;
                        if (const auto e = evaluate_deck(pool, context, s))
                            best.record({e->key, s});
                    }
    return std::move(best).take_entries();
}

bool five_characters(const CardPool& pool, const DeckSlots& s) {
    u32 mask = 0;
    for (const u16 c : s)
        mask |= 1u << pool.character_id(c);
    return __builtin_popcount(mask) == 5;
}

// Decks compared by key only: slot order differs between kernels.
bool same_keys(const std::vector<DeckEntry>& a, const std::vector<DeckEntry>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const DeckEntry& x, const DeckEntry& y) { return x.score == y.score; });
}

double seconds_of(const std::function<void()>& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void report(const char* name, u64 evals, double secs, u64 brute_evals, double brute_secs,
            bool agree) {
    std::printf("%-22s %8llu evals %9.4f s | brute force %8llu evals %9.4f s | ratio %7.1fx | %s\n",
                name, static_cast<unsigned long long>(evals), secs,
                static_cast<unsigned long long>(brute_evals), brute_secs, brute_secs / secs,
                agree ? "same keys" : "keys differ");
}

void bench_character_kernel(const char* name, Target target, bool fast) {
    SearchContext context;
    context.target = target;
    context.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
    const CardPool pool = bench_pool(context, false);
    SearchResult got;
    const double secs = seconds_of([&] {
        Deadline none(0, steady_search_clock());
        got = fast ? search_power_fast(pool, context, LIMIT, none)
                   : search_power_skill(pool, context, LIMIT, none);
    });
    u64 brute_evals = 0;
    std::vector<DeckEntry> want;
    const double brute_secs = seconds_of([&] {
        want = brute_force(
            pool, context, [&](const DeckSlots& s) { return five_characters(pool, s); },
            brute_evals);
    });
    report(name, got.stats.evaluations, secs, brute_evals, brute_secs, same_keys(got.decks, want));
}

void bench_bounded(const char* name, Target target) {
    SearchContext context;
    context.target = target;
    context.live_type = LiveType::CHALLENGE;
    context.dominance_pruning = false;
    context.event_kind = 0;
    context.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
    const CardPool pool = bench_pool(context, true);
    SearchResult got;
    const double secs = seconds_of([&] {
        const std::vector<u16> candidates = challenge_candidate_order(pool, context);
        const ParetoBoundTable table = build_pareto_bound_table(pool, candidates);
        const SuffixTables suffix = build_suffix_tables(pool, context);
        Deadline none(0, steady_search_clock());
        got = search_bounded(pool, context, suffix, candidates, table, LIMIT, none);
    });
    u64 brute_evals = 0;
    std::vector<DeckEntry> want;
    const double brute_secs = seconds_of([&] {
        want = brute_force(
            pool, context, [](const DeckSlots&) { return true; }, brute_evals);
    });
    report(name, got.stats.evaluations, secs, brute_evals, brute_secs, same_keys(got.decks, want));
}

}  // namespace
}  // namespace vdz

int main() {
    vdz::bench_character_kernel("power fast path", vdz::Target::POWER, true);
    vdz::bench_character_kernel("power exhaustive", vdz::Target::POWER, false);
    vdz::bench_character_kernel("skill exhaustive", vdz::Target::SKILL, false);
    vdz::bench_bounded("bounded, score", vdz::Target::SCORE);
    vdz::bench_bounded("bounded, bonus", vdz::Target::BONUS);
    vdz::bench_bounded("bounded, mysekai", vdz::Target::MYSEKAI);
    return 0;
}
