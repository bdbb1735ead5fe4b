// Final-chapter decks on challenge lives, where fewer than five cards count
// their limited bonus: the single-best and the bounded search meet each card
// set once, led by its first candidate, and must value, keep and list it in
// the order of its other four cards that counts the largest limited bonuses.
// Both against every combination valued over every order of slots 1 to 4.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "brute_force_decks.h"
#include "search/evaluation/deck_evaluator.h"
#include "search/kernels/bounded_search.h"
#include "search/kernels/challenge_fixture.h"
#include "search/kernels/challenge_search.h"

namespace vdz {
namespace {

using test::plain_card;
using test::TestCard;

// Both kernels over the candidate order, without a time limit.
SearchResult single_best(const CardPool& pool, const SearchContext& context) {
    Deadline none(0, steady_search_clock());
    return challenge_search(pool, context, challenge_candidate_order(pool, context), none);
}

SearchResult bounded(const CardPool& pool, const SearchContext& context, u64 limit) {
    const std::vector<u16> list = challenge_candidate_order(pool, context);
    Deadline none(0, steady_search_clock());
    return search_bounded(pool, context, build_suffix_tables(pool, context), list,
                          build_pareto_bound_table(pool, list), limit, none);
}

// Every combination the kernels meet, led by its first candidate, valued at
// the best order of its other four cards; best first, one per card set.
std::vector<DeckEntry> every_combination_at_its_best_order(const CardPool& pool,
                                                           const SearchContext& context) {
    const std::vector<u16> list = challenge_candidate_order(pool, context);
    std::vector<DeckEntry> all;
    test::for_each_five_of(list, [&](const DeckSlots& deck) {
        std::set<u16> ids;
        for (const u16 c : deck)
            ids.insert(pool.card_id(c));
        if (ids.size() != 5) return;
        const auto key = test::best_order_key(pool, context, deck);
        if (key && *key != 0) all.push_back({*key, deck});
    });
    std::stable_sort(all.begin(), all.end(),
                     [](const DeckEntry& a, const DeckEntry& b) { return a.score > b.score; });
    std::vector<DeckEntry> out;
    std::set<CardSetKey> seen;
    for (const DeckEntry& deck : all)
        if (seen.insert(card_set_key(pool_card_ids(pool), deck.slots)).second) out.push_back(deck);
    return out;
}

// Each listed deck keeps its first candidate as leader and, set up in the
// order listed, gives the key it was listed with.
::testing::AssertionResult listed_as_valued(const CardPool& pool, const SearchContext& context,
                                            const std::vector<DeckEntry>& found) {
    const std::vector<u16> list = challenge_candidate_order(pool, context);
    const auto position = [&](u16 card) { return std::find(list.begin(), list.end(), card); };
    for (usize i = 0; i < found.size(); ++i) {
        const DeckSlots& slots = found[i].slots;
        for (usize s = 1; s < 5; ++s)
            if (position(slots[s]) < position(slots[0]))
                return ::testing::AssertionFailure() << "deck " << i << " changed its leader";
        if (evaluate_deck_key(pool, context, slots) != found[i].score)
            return ::testing::AssertionFailure()
                   << "deck " << i << " in its listed order keys "
                   << evaluate_deck_key(pool, context, slots).value_or(0) << ", listed with "
                   << found[i].score;
    }
    return ::testing::AssertionSuccess();
}

// One place: the leader carries no limited bonus, the second strongest card
// 1 % and the weakest 50 %. In candidate order the 1 % takes the place; the
// deck as it should be set up counts the 50 %, whatever the target reads.
TEST(ChallengeFinalOrder, TheLargestLimitedBonusTakesTheCountedPlace) {
    std::vector<TestCard> cards;
    for (u16 id = 1; id <= 5; ++id)
        cards.push_back(plain_card(id, static_cast<u8>(id), 31000 - 1000 * id, 80));
    cards[1].limited_x10 = 10;
    cards[4].limited_x10 = 500;
    for (const Target target : {Target::BONUS, Target::MYSEKAI, Target::SCORE}) {
        SCOPED_TRACE(static_cast<int>(target));
        SearchContext context;
        context.target = target;
        context.live_type = LiveType::CHALLENGE;
        context.dominance_pruning = false;
        context.event_kind = 0;
        context.final_chapter = true;
        context.limited_bonus_count = 1;
        context.music_base_scores = {1.1, 0.9, 0.0};
        context.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
        const CardPool pool = test::make_pool(cards, context);
        for (const SearchResult& found : {single_best(pool, context), bounded(pool, context, 1)}) {
            ASSERT_EQ(found.decks.size(), 1u);
            EXPECT_EQ(found.decks[0].slots[0], 0u);
            EXPECT_DOUBLE_EQ(evaluate_deck(pool, context, found.decks[0].slots)->event_bonus, 50.0);
            EXPECT_TRUE(listed_as_valued(pool, context, found.decks));
        }
    }
}

// Random pools with 0 to 5 places and many limited bonuses of different
// sizes, second variants of a card among them, under every target, skill
// order and leader rule. Bonuses are whole percents: the evaluator adds
// tenths slot by slot, so two orders counting the same cards may differ in
// the last bit of the sum, which moves a mysekai key by one where it lands
// exactly on a whole point.
TEST(ChallengeFinalOrder, BothKernelsEqualEveryOrderOfEveryCombination) {
    std::mt19937 rng(180);
    usize beaten_in_candidate_order = 0;
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        std::vector<TestCard> cards;
        const usize n = 5 + rng() % 7;
        for (usize i = 0; i < n; ++i) {
            const bool variant = i > 0 && rng() % 5 == 0;
            TestCard c = test::random_challenge_card(
                rng, variant ? cards[rng() % i].card_id : static_cast<u16>(100 + i));
            c.base_x10 = static_cast<u16>(10 * (rng() % 60));
            c.limited_x10 = rng() % 3 ? static_cast<u16>(10 * (rng() % 60)) : u16{0};
            cards.push_back(c);
        }
        SearchContext context = test::random_challenge_context(rng);
        context.event_kind = 0;
        context.final_chapter = true;
        context.limited_bonus_count = rng() % 6;
        const CardPool pool = test::make_pool(cards, context);
        const std::vector<DeckEntry> ranked = every_combination_at_its_best_order(pool, context);

        const SearchResult one = single_best(pool, context);
        EXPECT_TRUE(test::same_ranking(pool, one.decks, ranked, 1));
        EXPECT_TRUE(listed_as_valued(pool, context, one.decks));
        const u64 limit = 1 + rng() % 6;
        const SearchResult many = bounded(pool, context, limit);
        EXPECT_TRUE(test::same_ranking(pool, many.decks, ranked, limit));
        EXPECT_TRUE(listed_as_valued(pool, context, many.decks));

        if (!ranked.empty() && evaluate_deck_key(pool, context, ranked[0].slots) < ranked[0].score)
            ++beaten_in_candidate_order;
    }
    EXPECT_GT(beaten_in_candidate_order, 10u);  // the order matters in many rounds
}

}  // namespace
}  // namespace vdz
