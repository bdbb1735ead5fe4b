// Deck evaluator throughput on one thread: a fixed 512-card pool, a fixed
// list of random decks, and five kinds of request (plain solo decks, decks
// with two reference skills, multi lives with teammates and a lower bound,
// World Bloom decks with support lists, final-chapter decks with limited and
// leader bonuses). Prints decks per second, its ratio to the plain case, and
// a key checksum per case; the checksum depends only on the inputs, so two
// runs must print the same one. It times the key every search asks for per
// deck, after checking it against the full evaluation's. Every timed key is
// folded into a sum that is checked, so no optimisation can drop an
// evaluation.
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
#include "search/evaluation/deck_evaluator.h"

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
    // Every third card has a limited bonus and a leader bonus, which only
    // the final chapter reads.
    if (i % 3 == 0) {
        c.base_x10 = static_cast<u16>(c.base_x10 / 2);
        c.limited_x10 = static_cast<u16>(50 * (1 + rng() % 4));
        c.leader_honor_bonus = static_cast<u16>(rng() % 20);
        c.leader_limit_bonus = static_cast<u16>(rng() % 10);
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

// Decks per second of one case, printed with its ratio to `plain` (0: this
// is the plain case). Returns the rate.
double run(const Case& bench, double seconds, double plain) {
    SearchContext context = bench.context;
    const CardPool pool = bench_pool(context);
    const std::vector<DeckSlots> decks = bench_decks(bench.references);
    u64 checksum = 0;
    u64 pass_sum = 0;  // the keys of one pass over the decks, added
    for (const DeckSlots& deck : decks) {
        const auto e = evaluate_deck(pool, context, deck);
        const u64 key = e ? e->key : 0;
        checksum = checksum * 31 + key;
        pass_sum += key;
        if (evaluate_deck_key(pool, context, deck).value_or(0) != key) {
            std::fprintf(stderr, "%s: the search's key differs from the report's\n", bench.name);
            std::exit(1);
        }
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    u64 evaluated = 0;
    u64 sum = 0;  // every timed key, checked below
    double elapsed = 0.0;
    do {
        for (const DeckSlots& deck : decks) {
            sum += evaluate_deck_key(pool, context, deck).value_or(0);
        }
        evaluated += decks.size();
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < seconds);
    if (sum != pass_sum * (evaluated / decks.size())) {
        std::fprintf(stderr, "%s: the timed keys differ from the first pass\n", bench.name);
        std::exit(1);
    }
    const double rate = static_cast<double>(evaluated) / elapsed;
    std::printf("%-22s %12.0f decks/s  %6.2fx plain time  checksum %016llx\n", bench.name, rate,
                plain > 0 ? plain / rate : 1.0, static_cast<unsigned long long>(checksum));
    return rate;
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

    SearchContext final_chapter = world_bloom;
    final_chapter.event_kind = 2;
    final_chapter.final_chapter = true;
    final_chapter.limited_bonus_count = 1;
    final_chapter.world_bloom_support.per_character.resize(27);
    for (u16 character = 1; character <= 26; character += 2) {
        SupportDeckList& list = final_chapter.world_bloom_support.per_character[character];
        for (u16 i = 0; i < 16; ++i)
            list.entries.push_back({static_cast<u16>(1000 + 31 * i + character), 12.0 - 0.5 * i});
        list.count = 12;
    }

    const Case cases[] = {
        {"plain solo", plain, false},
        {"two reference cards", references, true},
        {"multi live", multi, false},
        {"world bloom", world_bloom, false},
        {"final chapter", final_chapter, false},
    };
    std::printf("deck evaluator, one thread, %zu-card pool, %zu decks per case\n", POOL_CARDS,
                DECKS);
    double plain_rate = 0.0;
    for (const Case& c : cases) {
        const double rate = run(c, seconds, plain_rate);
        if (plain_rate == 0.0) plain_rate = rate;
    }
    return 0;
}
