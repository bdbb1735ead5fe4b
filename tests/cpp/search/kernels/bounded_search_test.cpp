#include "search/kernels/bounded_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "brute_force_decks.h"
#include "fake_clock.h"
#include "search/evaluation/deck_evaluator.h"
#include "search/evaluation/final_deck_order.h"
#include "search/evaluation/top_decks.h"
#include "search/kernels/challenge_fixture.h"
#include "search/kernels/challenge_search.h"
#include "search/search_entry.h"
#include "test_pool.h"

namespace vdz {
namespace {

using test::plain_card;
using test::TestCard;

// The search with no time limit.
SearchResult bounded(const CardPool& pool, const SearchContext& context, const SuffixTables& suffix,
                     std::span<const u16> list, const ParetoBoundTable& table, u64 limit) {
    Deadline none(0, steady_search_clock());
    return search_bounded(pool, context, suffix, list, table, limit, none);
}

// The same visit order with no bound at all: every admissible ascending
// combination offered as the search offers it (in the final chapter in its
// best order, which challenge_final_order_test holds to every order). The
// bounds may only save work, never change what is kept.
std::vector<DeckEntry> unbounded(const CardPool& pool, const SearchContext& context,
                                 const std::vector<u16>& list, u64 limit, u64& evaluations) {
    DfsTopDecks best(limit, pool_card_ids(pool));
    test::for_each_five_of(list, [&](DeckSlots slots) {
        bool ok = true;
        for (usize s = 0; s < 5; ++s) {
            for (usize t = 0; t < s; ++t)
                ok &= pool.card_id(slots[t]) != pool.card_id(slots[s]);
            if (s < context.fixed_cards.size())
                ok &= pool.card_id(slots[s]) == context.fixed_cards[s];
        }
        if (!ok) return;
        if (context.final_chapter) arrange_final_deck(pool, context, slots);
        ++evaluations;
        const auto e = evaluate_deck(pool, context, slots);
        const u64 worst = best.full() ? best.worst_score() : 0;
        if (e && e->key > worst) best.push({e->key, slots});
    });
    return std::move(best).take_entries();
}

// One round of the oracles: the bounded search over the candidate order
// keeps what the enumeration keeps; each adds its evaluations to its count.
void expect_enumeration(const CardPool& pool, const SearchContext& context, u64 limit,
                        u64& bounded_evaluations, u64& all_evaluations) {
    const std::vector<u16> list = challenge_candidate_order(pool, context);
    const SuffixTables suffix = build_suffix_tables(pool, context);
    const ParetoBoundTable table = build_pareto_bound_table(pool, list);
    const SearchResult got = bounded(pool, context, suffix, list, table, limit);
    EXPECT_EQ(got.decks, unbounded(pool, context, list, limit, all_evaluations));
    bounded_evaluations += got.stats.evaluations;
}

TEST(BoundedSearch, KeepsWhatTheUnboundedEnumerationKeeps) {
    std::mt19937 rng(3);
    u64 bounded_evaluations = 0, all_evaluations = 0;
    for (int round = 0; round < 150; ++round) {
        std::vector<TestCard> cards;
        const usize n = 5 + rng() % 9;
        for (usize i = 0; i < n; ++i)
            cards.push_back(test::random_challenge_card(rng, static_cast<u16>(1 + rng() % 16)));
        SearchContext context = test::random_challenge_context(rng);
        if (rng() % 3 == 0) {
            context.fixed_cards.push_back(cards[rng() % n].card_id);
            if (rng() % 2) context.fixed_cards.push_back(cards[rng() % n].card_id);
        }
        const CardPool pool = test::make_pool(cards, context);
        const u64 limit = 1 + rng() % 8;
        SCOPED_TRACE(testing::Message() << "round " << round);

        expect_enumeration(pool, context, limit, bounded_evaluations, all_evaluations);
    }
    EXPECT_LT(bounded_evaluations, all_evaluations / 2);  // the bounds do cut
}

// Pools of every skill kind, where difference and unit-count skills resolve
// by the deck's units and some cards carry a second unit, under every skill
// order (a specific one in every second round): the bounds that read a
// deck's units, and the places a specific order gives the leader and the
// others, keep what the enumeration keeps.
TEST(BoundedSearch, KeepsWhatTheEnumerationKeepsOnEverySkillKind) {
    std::mt19937 rng(29);
    u64 bounded_evaluations = 0, all_evaluations = 0;
    for (int round = 0; round < 150; ++round) {
        std::vector<TestCard> cards;
        const usize n = 6 + rng() % 8;
        const u8 characters = static_cast<u8>(1 + rng() % 4);
        for (usize i = 0; i < n; ++i)
            cards.push_back(
                test::every_skill_kind_card(rng, static_cast<u16>(1 + rng() % 16), characters));
        SearchContext context = test::random_challenge_context(rng);
        context.keep_after_training_state = rng() % 2;
        if (round % 2 == 0) {
            context.skill_order_choose_strategy = SkillOrderChooseStrategy::SPECIFIC;
            std::array<u64, 5> order;
            for (u64& index : order)
                index = rng() % 5;
            context.specific_skill_order = order;
        }
        const CardPool pool = test::make_pool(cards, context);
        const u64 limit = 1 + rng() % 4;
        SCOPED_TRACE(testing::Message() << "round " << round);

        expect_enumeration(pool, context, limit, bounded_evaluations, all_evaluations);
    }
    EXPECT_LT(bounded_evaluations, all_evaluations / 2);
}

// World Bloom events and the final chapter add to a deck's bonus what its
// first card selects: its leader bonus and its character's support list (or
// the general one where that list is off), less the deck's own cards, and
// the bonus of its number of attributes. The mysekai and bonus targets bound
// them through the first card and the attributes the cards can still make.
TEST(BoundedSearch, BonusBeyondTheCardsFollowsTheFirstCardAndTheAttributes) {
    std::mt19937 rng(41);
    u64 bounded_evaluations = 0, all_evaluations = 0;
    for (int round = 0; round < 120; ++round) {
        std::vector<TestCard> cards;
        const usize n = 6 + rng() % 8;
        for (usize i = 0; i < n; ++i)
            cards.push_back(test::random_challenge_card(rng, static_cast<u16>(1 + rng() % 16)));
        SearchContext context = test::random_challenge_context(rng);
        context.target = round % 2 ? Target::MYSEKAI : Target::BONUS;
        test::add_world_bloom_support(rng, cards, context);
        context.final_chapter = round % 3 != 0;
        if (context.final_chapter) {
            // Characters 1 to 3 each get a list, unsorted and naming pool
            // cards; a count of 0 sends a deck to the general list.
            auto& lists = context.world_bloom_support.per_character;
            lists.resize(27);
            for (u8 character = 1; character <= 3; ++character) {
                for (const TestCard& c : cards)
                    if (rng() % 2)
                        lists[character].entries.push_back({c.card_id, (rng() % 80) / 4.0});
                lists[character].count = static_cast<u8>(rng() % 4);
            }
        }
        if (rng() % 3 == 0) context.fixed_cards.push_back(cards[rng() % n].card_id);
        const CardPool pool = test::make_pool(cards, context);
        const u64 limit = 1 + rng() % 6;
        SCOPED_TRACE(testing::Message() << "round " << round);

        expect_enumeration(pool, context, limit, bounded_evaluations, all_evaluations);
    }
    EXPECT_LT(bounded_evaluations, all_evaluations / 2);  // the bounds do cut
}

TEST(BoundedSearch, BoundsCutOnceTheListIsFull) {
    // Twenty cards of one character, strength falling with the index.
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 20; ++i)
        cards.push_back(plain_card(static_cast<u16>(i + 1), 1, 30000 - 1000 * i, 100 - i));
    SearchContext context;
    context.live_type = LiveType::CHALLENGE;
    context.dominance_pruning = false;
    context.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
    const CardPool pool = test::make_pool(cards, context);
    const std::vector<u16> list = challenge_candidate_order(pool, context);
    const SuffixTables suffix = build_suffix_tables(pool, context);
    const ParetoBoundTable table = build_pareto_bound_table(pool, list);
    const SearchResult r = bounded(pool, context, suffix, list, table, 2);
    u64 all_evaluations = 0;
    EXPECT_EQ(r.decks, unbounded(pool, context, list, 2, all_evaluations));
    EXPECT_EQ(r.decks[0].slots, (DeckSlots{0, 1, 2, 3, 4}));
    EXPECT_LT(r.stats.evaluations, 100u);  // of 15,504 decks
}

TEST(BoundedSearch, DecksSharingTwoUnitsAreNotCut) {
    // A cards gain their shared-unit bonus through their first unit, B cards
    // through their second; a deck of three A and two B shares both units
    // and counts every bonus: power 25,000. Five plain D cards come first in
    // the candidate list and fill it (power 25,500, no skill).
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 5; ++i)
        cards.push_back(plain_card(static_cast<u16>(1 + i), 1, 5100, 0, 0, 0x04));
    for (u16 i = 0; i < 5; ++i) {
        TestCard c = plain_card(static_cast<u16>(10 + i), 1, 5000, 100, 1, 0x03);
        c.unit_values = {100, 100, 5000, 5000, 100, 100, 100, 100};
        if (i >= 3)
            std::swap_ranges(c.unit_values.begin(), c.unit_values.begin() + 4,
                             c.unit_values.begin() + 4);
        cards.push_back(c);
    }
    SearchContext context;
    context.live_type = LiveType::CHALLENGE;
    context.dominance_pruning = false;
    context.music_skill_scores[0] = {0.1, 0.1, 0.1, 0.1, 0.1, 0.0};
    const CardPool pool = test::make_pool(cards, context);
    const std::vector<u16> list = challenge_candidate_order(pool, context);
    const SuffixTables suffix = build_suffix_tables(pool, context);
    const ParetoBoundTable table = build_pareto_bound_table(pool, list);
    for (const u64 limit : {1, 3}) {
        u64 all_evaluations = 0;
        const SearchResult r = bounded(pool, context, suffix, list, table, limit);
        EXPECT_EQ(r.decks, unbounded(pool, context, list, limit, all_evaluations));
        ASSERT_FALSE(r.decks.empty());
        EXPECT_EQ(evaluate_deck(pool, context, r.decks[0].slots)->power, 25000u);
    }
}

TEST(BoundedSearch, WeightsBeyondAnySongsStillBound) {
    // The multiplier of such weights would overflow: the bound gives up.
    std::mt19937 rng(4);
    for (const double weight : {1e15, -1e15}) {
        std::vector<TestCard> cards;
        for (u16 i = 0; i < 9; ++i)
            cards.push_back(test::random_challenge_card(rng, static_cast<u16>(1 + i)));
        SearchContext context;
        context.live_type = LiveType::CHALLENGE;
        context.dominance_pruning = false;
        context.music_skill_scores[0].fill(weight);
        const CardPool pool = test::make_pool(cards, context);
        const std::vector<u16> list = challenge_candidate_order(pool, context);
        const SuffixTables suffix = build_suffix_tables(pool, context);
        const ParetoBoundTable table = build_pareto_bound_table(pool, list);
        u64 all_evaluations = 0;
        EXPECT_EQ(bounded(pool, context, suffix, list, table, 3).decks,
                  unbounded(pool, context, list, 3, all_evaluations));
    }
}

TEST(BoundedSearch, FiveCardsAndMissingFixedCards) {
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 5; ++i)
        cards.push_back(plain_card(static_cast<u16>(i + 1), 1, 1000 + i, 10));
    SearchContext context;
    context.live_type = LiveType::CHALLENGE;
    context.dominance_pruning = false;
    const CardPool pool = test::make_pool(cards, context);
    const std::vector<u16> list = challenge_candidate_order(pool, context);
    const SuffixTables suffix = build_suffix_tables(pool, context);
    const ParetoBoundTable table = build_pareto_bound_table(pool, list);
    SearchResult r = bounded(pool, context, suffix, list, table, 3);
    EXPECT_EQ(r.stats.evaluations, 1u);
    ASSERT_EQ(r.decks.size(), 1u);

    SearchContext missing = context;
    missing.fixed_cards = {77};
    r = bounded(pool, missing, suffix, challenge_candidate_order(pool, missing), table, 3);
    EXPECT_EQ(r.stats.evaluations, 0u);
    EXPECT_TRUE(r.decks.empty());
}

TEST(ParetoBoundTable, KeepsTheChoicesNoOtherBeats) {
    SearchContext context;
    const CardPool pool =
        test::make_pool({plain_card(1, 1, 100, 5), plain_card(2, 1, 100, 5),
                         plain_card(3, 1, 90, 5), plain_card(4, 1, 80, 9), plain_card(5, 1, 70, 1)},
                        context);
    const std::vector<u16> list = {0, 1, 2, 3, 4};
    const ParetoBoundTable t = build_pareto_bound_table(pool, list);
    ASSERT_EQ(t.rows.size(), 6u);
    EXPECT_EQ(t.rows[5][0], (std::vector<BoundTriple>{{0, 0, 0}}));
    for (usize k = 1; k <= 5; ++k)
        EXPECT_TRUE(t.rows[5][k].empty());
    EXPECT_EQ(t.rows[0][5], (std::vector<BoundTriple>{{440, 25, 9}}));
    // Row 3 (cards 80/9 and 70/1), one card: 80/9 beats 70/1.
    EXPECT_EQ(t.rows[3][1], (std::vector<BoundTriple>{{80, 9, 9}}));
    // Row 2, one card: neither of 80/9 and 90/5 beats the other; the higher
    // power comes first.
    EXPECT_EQ(t.rows[2][1], (std::vector<BoundTriple>{{90, 5, 5}, {80, 9, 9}}));
    // Row 0, one card: the two equal 100/5 entries both stay.
    EXPECT_EQ(t.rows[0][1], (std::vector<BoundTriple>{{100, 5, 5}, {100, 5, 5}, {80, 9, 9}}));
    EXPECT_TRUE(t.rows[3][3].empty());
}

// A random challenge pool of `n` cards with distinct card ids.
CardPool random_challenge_pool(std::mt19937& rng, usize n, SearchContext& context) {
    std::vector<TestCard> cards;
    for (usize i = 0; i < n; ++i)
        cards.push_back(test::random_challenge_card(rng, static_cast<u16>(100 + i)));
    context = test::random_challenge_context(rng);
    context.multi_live_score_up_lower_bound.reset();
    return test::make_pool(cards, context);
}

TEST(BoundedSearch, StopsAtTheStepWhereTheDeadlinePasses) {
    std::mt19937 rng(17);
    SearchContext context;
    const CardPool pool = random_challenge_pool(rng, 40, context);
    const std::vector<u16> list = challenge_candidate_order(pool, context);
    const SuffixTables suffix = build_suffix_tables(pool, context);
    const ParetoBoundTable table = build_pareto_bound_table(pool, list);
    const SearchResult full = bounded(pool, context, suffix, list, table, 5);
    ASSERT_GT(full.stats.nodes, 4096u);
    ASSERT_EQ(full.decks.size(), 5u);

    test::FakeClock clock;
    clock.jump_after_reads = 2;  // the start, the read at step 1,024; then past
    Deadline deadline(1000, clock);
    const SearchResult cut = search_bounded(pool, context, suffix, list, table, 5, deadline);
    EXPECT_TRUE(cut.stats.timed_out);
    EXPECT_EQ(cut.stats.nodes, 2048u);
    EXPECT_EQ(cut.stats.clock_reads, 2u);
    // What it kept are real decks, none better than the complete search's.
    ASSERT_FALSE(cut.decks.empty());
    for (usize i = 0; i < cut.decks.size(); ++i) {
        EXPECT_EQ(cut.decks[i].score, evaluate_deck(pool, context, cut.decks[i].slots)->key);
        EXPECT_LE(cut.decks[i].score, full.decks[i].score);
    }
    EXPECT_FALSE(full.stats.timed_out);
    EXPECT_EQ(full.stats.clock_reads, 0u);  // no time limit: the clock is never read
}

// Limit 1 without fixed cards: the search entry enumerates small pools and
// takes the bounded search where enumeration could not finish; both keep
// the first deck of the best key in candidate order.
TEST(BoundedSearch, TakesOverTheSingleBestSearchOnLargePools) {
    std::mt19937 rng(29);
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        const usize n = round % 2 ? 34 : 20;  // C(34, 5) = 278,256; C(20, 5) = 15,504
        SearchContext context;
        const CardPool pool = random_challenge_pool(rng, n, context);
        const auto entry = search_recommend(pool, context, 1, 0, steady_search_clock());
        ASSERT_TRUE(entry.ok());
        Deadline none(0, steady_search_clock());
        const std::vector<u16> list = challenge_candidate_order(pool, context);
        const SearchResult single = challenge_search(pool, context, list, none);
        EXPECT_EQ(entry.value().decks, single.decks);
        if (n == 20) {
            EXPECT_EQ(entry.value().stats.evaluations, 15'504u);
        } else {
            EXPECT_LT(entry.value().stats.evaluations, 278'256u);  // bounds cut
        }
    }
}

}  // namespace
}  // namespace vdz
