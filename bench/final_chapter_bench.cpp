// Final-chapter search on one thread: a fixed 300-card pool over 26
// characters with World Bloom support lists, four requests (designated and
// all-characters mode, solo and multi lives), no time limit. Prints the time,
// the counters and a key checksum per request; counters and checksum depend
// only on the inputs, so two runs must print the same ones.
//
//     build/release/final_chapter_bench [limit, default 10]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "bench_cards.h"
#include "pool/card_pool.h"
#include "pool/pool_packing.h"
#include "pool/search_context.h"
#include "search/final_chapter/final_chapter.h"

namespace vdz {
namespace {

constexpr usize POOL_CARDS = 300;

PoolCandidate bench_card(std::mt19937& rng, usize i) {
    PoolCandidate c = bench::random_card(rng, i, static_cast<u8>(1 + i % 26),
                                         static_cast<u8>(1u << (i % 26 / 4 % 6)));
    if (rng() % 5 == 0) c.limited_x10 = static_cast<u16>(100 * (1 + rng() % 3));
    return c;
}

SearchContext bench_context(LiveType live_type) {
    SearchContext c;
    c.live_type = live_type;
    c.event_kind = 2;
    c.world_bloom = true;
    c.final_chapter = true;
    c.limited_bonus_count = 3;
    c.skill_order_choose_strategy = SkillOrderChooseStrategy::AVERAGE;
    c.music_skill_scores[0] = {20, 20, 20, 20, 20, 40};
    c.music_skill_scores[1] = {20, 20, 20, 20, 20, 40};
    c.distinct_attr_bonus = {0, 0, 2, 4, 6, 10};
    std::mt19937 rng(26);
    c.world_bloom_support.per_character.resize(27);
    for (usize ch = 0; ch < 27; ++ch) {
        SupportDeckList& l =
            ch == 0 ? c.world_bloom_support.general : c.world_bloom_support.per_character[ch];
        l.count = 12;
        double v = 20.0;
        for (usize k = 0; k < 40; ++k) {
            v -= 0.1 * static_cast<double>(rng() % 5);
            l.entries.push_back({static_cast<u16>(1000 + rng() % POOL_CARDS), v});
        }
    }
    return c;
}

void run(const char* name, LiveType live_type, std::optional<u8> character, u64 limit) {
    SearchContext context = bench_context(live_type);
    std::mt19937 rng(300);
    std::vector<PoolCandidate> cards;
    for (usize i = 0; i < POOL_CARDS; ++i)
        cards.push_back(bench_card(rng, i));
    std::vector<PoolCardRecord> records;
    Result<CardPool> pool = pack_candidates(cards, context, records);
    if (!pool.ok()) std::abort();
    const auto start = std::chrono::steady_clock::now();
    const FinalChapterResult r =
        search_final_chapter(pool.value(), context, limit, 0, character, steady_search_clock());
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    u64 checksum = 0;
    for (const DeckEntry& d : r.decks)
        checksum = checksum * 1'000'003 + d.score;
    const SearchCounters& n = r.counters;
    std::printf(
        "%-28s %9.1f ms  decks %zu  evaluated %llu  group cuts %llu  leader skips %llu  groups "
        "%llu  card cuts %llu  checksum %016llx\n",
        name, ms, r.decks.size(), static_cast<unsigned long long>(n.evaluated),
        static_cast<unsigned long long>(n.group_pruned),
        static_cast<unsigned long long>(n.leaders_skipped),
        static_cast<unsigned long long>(n.groups_visited),
        static_cast<unsigned long long>(n.card_pruned), static_cast<unsigned long long>(checksum));
}

}  // namespace
}  // namespace vdz

int main(int argc, char** argv) {
    const vdz::u64 limit = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 10;
    vdz::run("designated, solo", vdz::LiveType::SOLO, vdz::u8{5}, limit);
    vdz::run("designated, multi", vdz::LiveType::MULTI, vdz::u8{5}, limit);
    vdz::run("all characters, solo", vdz::LiveType::SOLO, std::nullopt, limit);
    vdz::run("all characters, multi", vdz::LiveType::MULTI, std::nullopt, limit);
    return 0;
}
