#include "search/kernels/power_fast_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include "brute_force_decks.h"
#include "fake_clock.h"
#include "search/evaluation/deck_evaluator.h"
#include "search/search_entry.h"
#include "test_pool.h"

namespace vdz {
namespace {

using test::plain_card;
using test::TestCard;

// The search with no time limit.
SearchResult fast_path(const CardPool& pool, const SearchContext& context, u64 limit) {
    Deadline none(0, steady_search_clock());
    return search_power_fast(pool, context, limit, none);
}

// With plain cards (one power in every deck shape) pattern power is exact
// power, so the fast path must return the best `limit` decks of five
// characters 1..26, slots in ascending character order.
std::vector<DeckEntry> brute_force(const CardPool& pool, const SearchContext& context, u64 limit) {
    std::map<CardSetKey, DeckEntry> best;
    const usize n = pool.count();
    std::array<u16, 5> p;
    for (p[0] = 0; p[0] < n; ++p[0])
        for (p[1] = 0; p[1] < n; ++p[1])
            for (p[2] = 0; p[2] < n; ++p[2])
                for (p[3] = 0; p[3] < n; ++p[3])
                    for (p[4] = 0; p[4] < n; ++p[4]) {
                        bool ascending = pool.character_id(p[0]) != 0;
                        for (usize s = 1; s < 5; ++s)
                            ascending &= pool.character_id(p[s - 1]) < pool.character_id(p[s]);
                        if (!ascending) continue;
                        const auto e = evaluate_deck(pool, context, p);
                        if (!e) continue;
                        const DeckEntry deck{e->key, p};
                        const CardSetKey key = card_set_key(pool_card_ids(pool), p);
                        const auto it = best.find(key);
                        if (it == best.end() || ranks_before(deck, it->second)) best[key] = deck;
                    }
    std::vector<DeckEntry> all;
    for (const auto& [key, deck] : best)
        all.push_back(deck);
    std::sort(all.begin(), all.end(), ranks_before);
    if (all.size() > limit) all.resize(limit);
    return all;
}

TEST(PowerFastPath, PlainCardsGiveTheBruteForceBest) {
    std::mt19937 rng(5);
    for (int round = 0; round < 25; ++round) {
        std::vector<TestCard> cards;
        const usize n = 5 + rng() % 9;
        for (usize i = 0; i < n; ++i) {
            const u8 character = static_cast<u8>(rng() % 8);
            // A few variants of one card: same id, same character.
            const bool variant = i > 0 && rng() % 5 == 0 && cards.back().character == character;
            const u16 id = variant ? cards.back().card_id : static_cast<u16>(100 + i);
            cards.push_back(plain_card(id, character, static_cast<u32>(1 + rng() % 100000),
                                       static_cast<u8>(rng() % 100), static_cast<u8>(rng() % 5),
                                       static_cast<u8>(1 + rng() % 63)));
        }
        SearchContext context;
        context.target = Target::POWER;
        context.live_type = LiveType::MULTI;
        context.honor_power = static_cast<i32>(rng() % 1000);
        if (rng() % 4 == 0) context.multi_live_score_up_lower_bound = 40.0 + rng() % 100;
        if (rng() % 4 == 0) {
            context.wl3_power_cap = 1;
            context.power_cap = 250000;
        }
        const CardPool pool = test::make_pool(cards, context);
        const u64 limit = 1 + rng() % 6;
        SCOPED_TRACE(testing::Message() << "round " << round);
        EXPECT_EQ(fast_path(pool, context, limit).decks, brute_force(pool, context, limit));
    }
}

TEST(PowerFastPath, FindsTheDeckWhoseSharedUnitAndAttributeLiftItAbove) {
    // Five cards of unit 2, attribute 3, worth little alone and much together;
    // five plain cards of middling power.
    std::vector<TestCard> cards;
    for (u8 i = 0; i < 5; ++i) {
        TestCard c = plain_card(static_cast<u16>(10 + i), static_cast<u8>(1 + i), 0, 0, 3, 0x04);
        c.unit_values = {100, 150, 200, 5000, 0, 0, 0, 0};
        cards.push_back(c);
    }
    for (u8 i = 0; i < 5; ++i)
        cards.push_back(plain_card(static_cast<u16>(20 + i), static_cast<u8>(6 + i), 1000, 0,
                                   static_cast<u8>(i % 5), 0x01));
    // A character-0 card never enters a deck, however strong.
    cards.push_back(plain_card(99, 0, 1'000'000, 0, 3, 0x04));
    SearchContext context;
    context.target = Target::POWER;
    const CardPool pool = test::make_pool(cards, context);
    const SearchResult r = fast_path(pool, context, 3);
    ASSERT_FALSE(r.decks.empty());
    EXPECT_EQ(r.decks[0].slots, (DeckSlots{0, 1, 2, 3, 4}));
    EXPECT_EQ(r.decks[0].score, 25000u);
    for (const DeckEntry& d : r.decks) {
        EXPECT_FALSE(std::count(d.slots.begin(), d.slots.end(), 10)) << "character 0";
        EXPECT_EQ(d.score, evaluate_deck(pool, context, d.slots)->power);
    }
}

// Five cards of two units (as a virtual singer with a support unit): three
// worth 5000 when the deck shares their first unit, two when it shares their
// second. Sharing both lifts all five; a deck sharing one unit with two
// plain cards of that unit reaches only 21,000.
std::vector<TestCard> two_unit_cards() {
    std::vector<TestCard> cards;
    for (u8 i = 0; i < 5; ++i) {
        TestCard c = plain_card(static_cast<u16>(10 + i), static_cast<u8>(1 + i), 5000, 0, 1, 0x03);
        c.unit_values = {100, 100, 5000, 5000, 100, 100, 100, 100};
        if (i >= 3)
            std::rotate(c.unit_values.begin(), c.unit_values.begin() + 4, c.unit_values.end());
        cards.push_back(c);
    }
    for (u8 i = 0; i < 4; ++i)
        cards.push_back(plain_card(static_cast<u16>(20 + i), static_cast<u8>(6 + i), 3000, 0, 1,
                                   i < 2 ? 0x01 : 0x02));
    return cards;
}

TEST(PowerFastPath, ADeckSharingTwoUnitsPricesEachCardAtItsBetterUnit) {
    SearchContext context;
    context.target = Target::POWER;
    const CardPool pool = test::make_pool(two_unit_cards(), context);
    const SearchResult r = fast_path(pool, context, 1);
    ASSERT_EQ(r.decks.size(), 1u);
    EXPECT_EQ(r.decks[0].score, 25000u);
    EXPECT_EQ(r.decks[0].slots, (DeckSlots{0, 1, 2, 3, 4}));
}

// Three characters' strongest cards lack the skill that a score-up lower
// bound asks of the deck; a weaker card of character 1 has it. Every
// pattern's best deck is rejected, and the request must still find the
// best deck that passes.
TEST(PowerFastPath, ALowerBoundRejectingEachPatternsBestStillGivesTheBestThatPasses) {
    std::vector<TestCard> cards;
    for (u8 i = 0; i < 5; ++i)
        cards.push_back(plain_card(static_cast<u16>(10 + i), static_cast<u8>(1 + i), 10000, 10));
    cards.push_back(plain_card(30, 1, 9000, 100));
    cards.push_back(plain_card(31, 2, 8000, 100));
    SearchContext context;
    context.target = Target::POWER;
    context.live_type = LiveType::MULTI;
    context.best_skill_as_leader = true;
    context.multi_live_score_up_lower_bound = 100.0;
    const CardPool pool = test::make_pool(cards, context);
    for (const u64 limit : {1u, 3u}) {
        const auto r = search_recommend(pool, context, limit, 0, steady_search_clock());
        ASSERT_TRUE(r.ok());
        EXPECT_TRUE(test::same_ranking(pool, r.value().decks, test::all_decks_ranked(pool, context),
                                       limit));
    }
}

TEST(PowerFastPath, TooFewCharactersOrAnUnreachableScoreUpGiveNothing) {
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 8; ++i)
        cards.push_back(plain_card(static_cast<u16>(i + 1), static_cast<u8>(1 + i % 4), 100, 50));
    SearchContext four;
    four.target = Target::POWER;
    const CardPool pool = test::make_pool(cards, four);
    EXPECT_TRUE(fast_path(pool, four, 5).decks.empty());

    cards.push_back(plain_card(50, 9, 100, 50));
    SearchContext bound;
    bound.target = Target::POWER;
    bound.multi_live_score_up_lower_bound = 1000.0;
    const CardPool five = test::make_pool(cards, bound);
    EXPECT_TRUE(fast_path(five, bound, 5).decks.empty());
}

TEST(PowerFastPath, StopsAtTheStepWhereTheDeadlinePasses) {
    std::mt19937 rng(8);
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 80; ++i) {
        cards.push_back(plain_card(static_cast<u16>(i + 1), static_cast<u8>(1 + i % 26),
                                   1000 + rng() % 9000, 10, static_cast<u8>(rng() % 5),
                                   static_cast<u8>(1u << (rng() % 6))));
    }
    SearchContext context;
    context.target = Target::POWER;
    const CardPool pool = test::make_pool(cards, context);
    const SearchResult full = fast_path(pool, context, 20);
    ASSERT_GT(full.stats.nodes, 12 * 1024u);
    EXPECT_EQ(full.stats.clock_reads, 0u);

    // Stopped at the very step, whatever it holds: after the first pattern,
    // the patterns done so far, never a better deck than the whole search
    // finds; inside the first pattern, before any deck, none.
    for (const u64 reads : {1u, 3u, 12u}) {
        SCOPED_TRACE(reads);
        test::FakeClock clock;
        clock.jump_after_reads = reads;
        Deadline deadline(1000, clock);
        const SearchResult cut = search_power_fast(pool, context, 20, deadline);
        EXPECT_TRUE(cut.stats.timed_out);
        EXPECT_EQ(cut.stats.nodes, 1024 * reads);
        if (reads == 12) {
            EXPECT_GT(cut.decks.size(), 1u);
        } else {
            EXPECT_TRUE(cut.decks.empty());
        }
        ASSERT_LE(cut.decks.size(), full.decks.size());
        for (usize i = 0; i < cut.decks.size(); ++i)
            EXPECT_LE(cut.decks[i].score, full.decks[i].score);
    }
}

}  // namespace
}  // namespace vdz
