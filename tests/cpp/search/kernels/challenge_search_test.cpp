#include "search/kernels/challenge_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <vector>

#include "fake_clock.h"
#include "search/evaluation/deck_evaluator.h"
#include "search/evaluation/final_deck_order.h"
#include "search/kernels/challenge_fixture.h"
#include "test_pool.h"

namespace vdz {
namespace {

using test::FakeClock;
using test::plain_card;
using test::TestCard;

// Every set of five pool cards with distinct card ids, slots in candidate
// order (in the final chapter, slots 1 to 4 in their best order, which
// challenge_final_order_test holds to every order): the largest key, and of
// those the earliest candidate positions.
std::vector<DeckEntry> brute_force_best(const CardPool& pool, const SearchContext& context,
                                        const std::vector<u16>& candidates) {
    const usize n = candidates.size();
    std::optional<std::pair<u64, std::array<usize, 5>>> best;
    for (u32 mask = 0; mask < (1u << n); ++mask) {
        if (__builtin_popcount(mask) != 5) continue;
        std::array<usize, 5> positions;
        usize k = 0;
        for (usize p = 0; p < n; ++p)
            if (mask & (1u << p)) positions[k++] = p;
        DeckSlots slots;
        for (usize s = 0; s < 5; ++s)
            slots[s] = candidates[positions[s]];
        if (context.final_chapter) arrange_final_deck(pool, context, slots);
        std::vector<u16> ids;
        for (const u16 card : slots)
            ids.push_back(pool.card_id(card));
        std::sort(ids.begin(), ids.end());
        if (std::adjacent_find(ids.begin(), ids.end()) != ids.end()) continue;
        const auto e = evaluate_deck(pool, context, slots);
        if (!e || e->key == 0) continue;
        if (!best || e->key > best->first || (e->key == best->first && positions < best->second)) {
            best = {e->key, positions};
        }
    }
    if (!best) return {};
    DeckSlots slots;
    for (usize s = 0; s < 5; ++s)
        slots[s] = candidates[best->second[s]];
    if (context.final_chapter) arrange_final_deck(pool, context, slots);
    return {{best->first, slots}};
}

TEST(ChallengeSearch, EqualsBruteForceOnRandomPools) {
    std::mt19937 rng(2024);
    usize found = 0;
    for (int round = 0; round < 150; ++round) {
        const usize n = 5 + rng() % 8;
        std::vector<TestCard> cards;
        for (usize i = 0; i < n; ++i) {
            // Now and then a second skill variant of an earlier card.
            const bool variant = i > 0 && rng() % 5 == 0;
            cards.push_back(test::random_challenge_card(
                rng, variant ? cards[rng() % i].card_id : static_cast<u16>(100 + i)));
        }
        SearchContext context = test::random_challenge_context(rng);
        const CardPool pool = test::make_pool(cards, context);
        const std::vector<u16> candidates = challenge_candidate_order(pool, context);
        Deadline no_limit(0, steady_search_clock());
        const SearchResult result = challenge_search(pool, context, candidates, no_limit);
        ASSERT_EQ(result.decks, brute_force_best(pool, context, candidates)) << "round " << round;
        found += result.decks.size();
    }
    EXPECT_GT(found, 100u);  // the oracle is not trivially empty
}

TEST(ChallengeSearch, CandidateOrder) {
    SearchContext context;
    std::vector<TestCard> cards = {
        plain_card(7, 1, 500, 10), plain_card(3, 1, 900, 10), plain_card(9, 1, 500, 20),
        plain_card(4, 1, 500, 10), plain_card(3, 1, 900, 30), plain_card(8, 1, 100, 10),
    };
    const CardPool pool = test::make_pool(cards, context);
    // Power, then skill value descending, then card id ascending.
    EXPECT_EQ(challenge_candidate_order(pool, context), (std::vector<u16>{4, 1, 2, 3, 0, 5}));
    // The cards of each fixed id first, in the order of the fixed ids.
    context.fixed_cards = {8, 3};
    EXPECT_EQ(challenge_candidate_order(pool, context), (std::vector<u16>{5, 4, 1, 2, 3, 0}));
}

TEST(ChallengeSearch, SkipsRepeatedCardIdsAndRejectedDecks) {
    SearchContext context;
    context.live_type = LiveType::CHALLENGE;
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 6; ++i)
        cards.push_back(plain_card(i < 2 ? 1 : i, 1, 1000, 50));
    const CardPool pool = test::make_pool(cards, context);
    const std::vector<u16> order = challenge_candidate_order(pool, context);
    Deadline none(0, steady_search_clock());
    // Five distinct ids among six cards: only two decks exist.
    const SearchResult result = challenge_search(pool, context, order, none);
    EXPECT_EQ(result.stats.evaluations, 2u);
    ASSERT_EQ(result.decks.size(), 1u);
    EXPECT_EQ(result.decks[0].slots, (DeckSlots{0, 2, 3, 4, 5}));  // the first met wins

    std::vector<TestCard> four_ids(cards.begin() + 1, cards.end());
    four_ids[0].card_id = 2;
    four_ids[1].card_id = 2;
    SearchContext context2;
    const CardPool few = test::make_pool(four_ids, context2);
    EXPECT_TRUE(challenge_search(few, context2, challenge_candidate_order(few, context2), none)
                    .decks.empty());

    context.multi_live_score_up_lower_bound = 1000.0;
    EXPECT_TRUE(challenge_search(pool, context, order, none).decks.empty());
}

TEST(ChallengeSearch, StopsAtTheFirstClockReadPastTheDeadline) {
    // 16 cards of distinct ids: 4,368 combinations.
    std::mt19937 rng(5);
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 16; ++i)
        cards.push_back(test::random_challenge_card(rng, 100 + i));
    SearchContext context;
    context.live_type = LiveType::CHALLENGE;
    const CardPool pool = test::make_pool(cards, context);
    const std::vector<u16> order = challenge_candidate_order(pool, context);

    FakeClock clock;
    clock.jump_after_reads = 2;  // the start, the read at 1,024; then past
    Deadline deadline(50, clock);
    const SearchResult cut = challenge_search(pool, context, order, deadline);
    EXPECT_TRUE(cut.stats.timed_out);
    EXPECT_EQ(cut.stats.evaluations, 2048u);
    EXPECT_EQ(cut.stats.clock_reads, 2u);

    // The deck found is the best of the first 2,048 combinations in order.
    std::array<usize, 5> positions = {0, 1, 2, 3, 4};
    DeckEntry best;
    for (u64 seen = 0; seen < 2048; ++seen) {
        DeckSlots slots;
        for (usize s = 0; s < 5; ++s)
            slots[s] = order[positions[s]];
        const auto e = evaluate_deck(pool, context, slots);
        if (e && e->key > best.score) best = {e->key, slots};
        // Next combination: raise the rightmost position that can rise.
        usize s = 5;
        while (positions[s - 1] == order.size() - 5 + (s - 1))
            --s;
        ++positions[s - 1];
        for (usize t = s; t < 5; ++t)
            positions[t] = positions[t - 1] + 1;
    }
    EXPECT_EQ(cut.decks, std::vector<DeckEntry>{best});

    Deadline none(0, clock);
    const u64 reads_before = clock.reads;
    const SearchResult full = challenge_search(pool, context, order, none);
    EXPECT_EQ(clock.reads, reads_before);  // no time limit: the clock is never read
    EXPECT_EQ(full.stats.evaluations, 4368u);
    EXPECT_FALSE(full.stats.timed_out);
}

TEST(ChallengeSearch, UnrepresentableDeadlineMeansNone) {
    FakeClock clock;
    EXPECT_FALSE(Deadline(0, clock).has_limit());
    EXPECT_TRUE(Deadline(300'000, clock).has_limit());
    EXPECT_FALSE(Deadline(std::numeric_limits<u64>::max(), clock).has_limit());
    EXPECT_FALSE(Deadline(std::numeric_limits<u64>::max(), steady_search_clock()).has_limit());
}

}  // namespace
}  // namespace vdz
