#include "search/pruning/dominance_expansion.h"

#include <gtest/gtest.h>

#include <limits>

#include "brute_force_decks.h"
#include "fake_clock.h"
#include "search/final_chapter/final_chapter_fixture.h"
#include "search/search_entry.h"

namespace vdz {
namespace {

using test::FakeClock;
using test::plain_card;
using test::TestCard;

SearchContext score_context() {
    SearchContext c;
    c.music_base_scores = {1.0, 1.0, 0.0};
    c.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
    return c;
}

// Five characters, each with `per_character` cards: card 0 of a character
// is the strongest, and every later one is weaker in power alone, so pruning
// leaves one card per character and lists the rest behind it.
std::vector<TestCard> ladder_cards(usize per_character, bool same_id) {
    std::vector<TestCard> cards;
    for (u8 c = 1; c <= 5; ++c)
        for (usize k = 0; k < per_character; ++k) {
            const u16 id = static_cast<u16>(same_id ? c : 100 * c + k);
            cards.push_back(plain_card(id, c, static_cast<u32>(10000 - k), 50));
        }
    return cards;
}

struct Expansion {
    std::vector<DeckEntry> decks;
    SearchStats stats;
    bool expired = false;
};

// Re-admission from the one deck of the five survivors.
Expansion expand(const CardPool& pool, const SearchContext& context, u64 limit,
                 const SearchClock& clock, u64 timeout_ms) {
    const PruneOutcome outcome = prune_dominated_cards(pool, context, nullptr);
    const DominatedLists first = collect_dominated_lists(outcome);
    DeckSlots survivors{};
    usize k = 0;
    for (u16 i = 0; i < pool.count(); ++i)
        if (outcome.keep[i]) survivors[k++] = i;
    EXPECT_EQ(k, 5u);
    const auto e = evaluate_deck(pool, context, survivors);
    Expansion out;
    Deadline deadline(timeout_ms, clock);
    out.decks = expand_dominated_decks(pool, context, first, {}, limit, {{e->key, survivors}},
                                       deadline, out.stats);
    out.expired = deadline.expired();
    return out;
}

TEST(ExpandDominatedDecks, StopsAtTheFirstClockReadPastTheDeadline) {
    SearchContext context = score_context();
    const CardPool pool = test::make_pool(ladder_cards(6, false), context);
    const u64 limit = 1u << 20;  // room for every variant: nothing is cut

    FakeClock never;
    const Expansion full = expand(pool, context, limit, never, 0);
    EXPECT_EQ(never.reads, 0u);
    EXPECT_EQ(full.stats.evaluations, 6u * 6 * 6 * 6 * 6 - 1);
    EXPECT_FALSE(full.stats.timed_out);

    FakeClock clock;
    clock.jump_after_reads = 1;  // the start; every later read is past
    const Expansion cut = expand(pool, context, limit, clock, 1000);
    EXPECT_TRUE(cut.expired);
    EXPECT_TRUE(cut.stats.timed_out);
    EXPECT_EQ(clock.reads, 2u);
    EXPECT_EQ(cut.stats.evaluations, Deadline::CHECK_INTERVAL - 1);
    // The deck found stays first; the variants recorded stay too.
    ASSERT_EQ(cut.decks.size(), Deadline::CHECK_INTERVAL);
    EXPECT_EQ(cut.decks[0], full.decks[0]);
}

TEST(ExpandDominatedDecks, CopiesOfOneCardCostOneEvaluationEach) {
    // Every card twelve times over: eleven copies behind each survivor.
    SearchContext context = score_context();
    const CardPool pool = test::make_pool(ladder_cards(12, true), context);
    const Expansion out = expand(pool, context, 100, steady_search_clock(), 0);
    EXPECT_EQ(out.stats.evaluations, 5u * 11);
    ASSERT_EQ(out.decks.size(), 1u);  // one card set
    EXPECT_EQ(out.decks[0].slots, (DeckSlots{0, 12, 24, 36, 48}));
}

// The best `limit` decks of the brute force, by key and card set.
void expect_brute_force_decks(const CardPool& pool, const SearchContext& context, u64 limit) {
    const auto expected = test::first_decks(test::all_decks_ranked(pool, context), limit);
    const auto found = search_recommend(pool, context, limit, 0, steady_search_clock());
    ASSERT_TRUE(found.ok()) << found.error().message;
    const auto& decks = found.value().decks;
    ASSERT_EQ(decks.size(), expected.size());
    const auto ids = pool_card_ids(pool);
    for (usize i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(decks[i].score, expected[i].score) << "deck " << i;
        EXPECT_EQ(card_set_key(ids, decks[i].slots), card_set_key(ids, expected[i].slots))
            << "deck " << i;
    }
}

TEST(ExpandDominatedDecks, TriesTheCardsBehindEverySkillVariant) {
    // Character 1: two skill variants of card 1, neither better than the
    // other, and card 2, which only the first variant dominates. The second
    // variant, with more power, makes the better decks, so the search keeps
    // its decks and drops the first variant's of the same card sets.
    SearchContext context = score_context();
    std::vector<TestCard> cards = {plain_card(1, 1, 1000, 41), plain_card(1, 1, 2000, 40),
                                   plain_card(2, 1, 1000, 41)};
    for (u8 c = 2; c <= 6; ++c)
        cards.push_back(plain_card(static_cast<u16>(10 + c), c, 900 + 10 * c, 30 + c));
    const CardPool pool = test::make_pool(cards, context);
    const PruneOutcome outcome = prune_dominated_cards(pool, context, nullptr);
    ASSERT_EQ(outcome.keep[2], 0);
    ASSERT_EQ(outcome.dominator[2], 0);
    expect_brute_force_decks(pool, context, 10);
}

TEST(ExpandDominatedDecks, ARemovedCardTakesTheSkillVariantThatSuitsIt) {
    // Card 1's two variants: skill 2 or more power. Beside card 2 the first
    // makes the better deck, so the search lists it; beside card 3, which
    // card 2 dominates and which brings far less power, the second does,
    // since the skill multiplies the deck's power.
    SearchContext context = score_context();
    std::vector<TestCard> cards = {plain_card(1, 1, 1000, 2), plain_card(1, 1, 3300, 1),
                                   plain_card(2, 2, 1000, 0), plain_card(3, 2, 1, 0)};
    for (u8 c = 3; c <= 5; ++c)
        cards.push_back(plain_card(static_cast<u16>(10 + c), c, 1000, 0));
    const CardPool pool = test::make_pool(cards, context);
    const auto key = [&](DeckSlots d) { return evaluate_deck(pool, context, d)->key; };
    ASSERT_GT(key({0, 2, 4, 5, 6}), key({1, 2, 4, 5, 6}));
    ASSERT_LT(key({0, 3, 4, 5, 6}), key({1, 3, 4, 5, 6}));
    ASSERT_EQ(prune_dominated_cards(pool, context, nullptr).keep,
              (std::vector<u8>{1, 1, 1, 0, 1, 1, 1}));
    expect_brute_force_decks(pool, context, 2);
}

TEST(ExpandDominatedDecks, LeaderSwapsKeepTheDesignatedCharacter) {
    // Final chapter, character 3 designated: swaps that would let a stronger
    // card of another character lead are not made.
    SearchContext context = score_context();
    context.final_chapter = true;
    context.designated_character = 3;
    std::vector<TestCard> cards;
    for (u8 c = 1; c <= 6; ++c)
        cards.push_back(plain_card(static_cast<u16>(c), c, 1000, static_cast<u8>(20 * c)));
    cards.push_back(plain_card(7, 3, 900, 10));  // dominated: widening is needed
    const CardPool pool = test::make_pool(cards, context);
    const DeckSlots found = {2, 0, 1, 3, 4};
    const auto e = evaluate_deck(pool, context, found);
    ASSERT_TRUE(e);
    const DominatedLists first =
        collect_dominated_lists(prune_dominated_cards(pool, context, nullptr));
    ASSERT_EQ(first[2], (std::vector<u16>{6}));
    FakeClock never;
    Deadline deadline(0, never);
    SearchStats stats;
    const auto decks =
        expand_dominated_decks(pool, context, first, {}, 10, {{e->key, found}}, deadline, stats);
    ASSERT_EQ(decks.size(), 2u);  // the deck found and its variant with card 6
    for (const DeckEntry& deck : decks)
        EXPECT_EQ(pool.character_id(deck.slots[0]), 3);
}

TEST(ExpandDominatedDecks, DesignatedLeaderDecksEqualBruteForce) {
    std::mt19937 rng(5);
    const test::FinalSetup setup = {
        "solo", Target::SCORE, LiveType::SOLO, SkillOrderChooseStrategy::BEST, 5, false, true};
    for (int round = 0; round < 16; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        SearchContext context = test::final_context(setup, rng, 6);
        context.designated_character = 1;
        std::vector<TestCard> cards = test::random_final_cards(rng, {3, 2, 2, 2, 2, 2});
        // Weaker copies under new ids, the designated character's among
        // them: material for pruning, leader swaps and re-admission.
        for (usize i = 0, n = cards.size(); i < n; ++i) {
            TestCard copy = cards[i];
            copy.card_id = static_cast<u16>(cards[i].card_id + 300);
            if (rng() % 2) copy.base_x10 = copy.base_x10 / 2;
            cards.push_back(copy);
        }
        const CardPool pool = test::make_pool(cards, context);
        const std::vector<u64> keys = test::brute_force_keys(pool, context, 1);
        for (const u64 limit : {u64{2}, u64{10}}) {
            const auto found = search_recommend(pool, context, limit, 0, steady_search_clock());
            ASSERT_TRUE(found.ok()) << found.error().message;
            std::vector<u64> got;
            for (const DeckEntry& deck : found.value().decks) {
                EXPECT_EQ(pool.character_id(deck.slots[0]), 1);
                got.push_back(deck.score);
            }
            EXPECT_EQ(got, std::vector<u64>(keys.begin(),
                                            keys.begin() + std::min<usize>(limit, keys.size())))
                << "limit " << limit;
        }
    }
}

}  // namespace
}  // namespace vdz
