// Deck evaluator throughput on one thread: a fixed 512-card pool, a fixed
// list of random decks, and four kinds of request (plain solo decks, decks
// with two reference skills, multi lives with teammates and a lower bound,
// World Bloom decks with support lists). Prints decks per second and a key
// checksum per case; the checksum depends only on the inputs, so two runs
// must print the same one.
//
//     build/release/evaluator_bench [seconds per case, default 1]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "bench_cards.h"
#include "pool/card_pool.h"
#include "pool/pool_packing.h"
#include "pool/search_context.h"
#include "search/deck_evaluator.h"

namespace vdz {
namespace {

constexpr usize POOL_CARDS = 512;
constexpr usize DECKS = 1 << 16;

// Every eighth card has a reference skill; the rest plain skills.
bool is_reference_card(usize i) {
    return i % 8 == 7;
}

PoolCandidate bench_card(std::mt19937& rng, usize i) {
    u8 unit_mask = static_cast<u8>(1u << (i % 26 / 4 % 6));
    if (rng() % 6 == 0) unit_mask |= 0x20;  // a second unit
    PoolCandidate c = bench::random_card(rng, i, static_cast<u8>(1 + i % 26), unit_mask);
    if (is_reference_card(i)) {
        c.skill = {};
        c.skill.has_ref = true;
        c.skill.ref = {static_cast<u8>(30 + rng() % 60), static_cast<u8>(20 + rng() % 60)};
        c.skill_secondary = static_cast<u8>(40 + rng() % 60);
        c.skill_value = 255;
    }
    return c;
}

CardPool bench_pool(SearchContext& context) {
    std::mt19937 rng(512);
    std::vector<PoolCandidate> cards;
    for (usize i = 0; i < POOL_CARDS; ++i)
        cards.push_back(bench_card(rng, i));
    std::vector<PoolCardRecord> records;
    Result<CardPool> pool = pack_candidates(cards, context, records);
    if (!pool.ok()) std::abort();
    return std::move(pool).value();
}

// Five distinct cards; with `references`, exactly two reference cards.
std::vector<DeckSlots> bench_decks(bool references) {
    std::mt19937 rng(references ? 2 : 1);
    std::vector<DeckSlots> decks(DECKS);
    for (DeckSlots& deck : decks) {
        for (usize s = 0; s < 5; ++s) {
            for (;;) {
                u16 card = static_cast<u16>(rng() % POOL_CARDS);
                if (references) {
                    const bool want_reference = s < 2;
                    if (is_reference_card(card) != want_reference) continue;
                } else if (is_reference_card(card)) {
                    continue;
                }
                bool repeated = false;
                for (usize t = 0; t < s; ++t)
                    repeated |= deck[t] == card;
                if (repeated) continue;
                deck[s] = card;
                break;
            }
        }
    }
    return decks;
}

SearchContext base_context() {
    SearchContext c;
    c.music_base_scores = {1.2, 1.1, 0.4};
    c.music_skill_scores[0] = {15, 15, 15, 15, 15, 30};
    c.music_skill_scores[1] = {12, 12, 12, 12, 12, 25};
    c.music_skill_scores[2] = {10, 10, 10, 10, 10, 20};
    return c;
}

struct Case {
    const char* name;
    SearchContext context;
    bool references;
};

void run(const Case& bench, double seconds) {
    SearchContext context = bench.context;
    const CardPool pool = bench_pool(context);
    const std::vector<DeckSlots> decks = bench_decks(bench.references);
    u64 checksum = 0;
    for (const DeckSlots& deck : decks) {
        const auto e = evaluate_deck(pool, context, deck);
        checksum = checksum * 31 + (e ? e->key : 0);
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    u64 evaluated = 0;
    double elapsed = 0.0;
    do {
        for (const DeckSlots& deck : decks)
            (void)evaluate_deck(pool, context, deck);
        evaluated += decks.size();
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < seconds);
    std::printf("%-22s %12.0f decks/s   checksum %016llx\n", bench.name,
                static_cast<double>(evaluated) / elapsed,
                static_cast<unsigned long long>(checksum));
}

}  // namespace
}  // namespace vdz

int main(int argc, char** argv) {
    using namespace vdz;
    const double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;

    SearchContext plain = base_context();
    plain.event_kind = 0;

    SearchContext references = plain;

    SearchContext multi = base_context();
    multi.live_type = LiveType::MULTI;
    multi.event_kind = 0;
    multi.multi_live_teammate_score_up = 150;
    multi.multi_live_teammate_power = 250000;
    multi.multi_live_score_up_lower_bound = 120.0;

    SearchContext world_bloom = base_context();
    world_bloom.event_kind = 2;
    world_bloom.world_bloom = true;
    world_bloom.distinct_attr_bonus = {0, 5, 10, 15, 20, 25};
    for (u16 i = 0; i < 20; ++i)
        world_bloom.world_bloom_support.general.entries.push_back(
            {static_cast<u16>(1000 + 25 * i), 10.0 - 0.25 * i});
    world_bloom.world_bloom_support.general.count = 12;

    const Case cases[] = {
        {"plain solo", plain, false},
        {"two reference cards", references, true},
        {"multi live", multi, false},
        {"world bloom", world_bloom, false},
    };
    std::printf("deck evaluator, one thread, %zu-card pool, %zu decks per case\n", POOL_CARDS,
                DECKS);
    for (const Case& c : cases)
        run(c, seconds);
    return 0;
}
