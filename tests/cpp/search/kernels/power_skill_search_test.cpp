#include "search/kernels/power_skill_search.h"

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
SearchResult power_skill(const CardPool& pool, const SearchContext& context, u64 limit) {
    Deadline none(0, steady_search_clock());
    return search_power_skill(pool, context, limit, none);
}

// Every five-card subset of `list` with five different characters (with
// five different card ids in a challenge live), slots in list order, the best deck of each card
// set, in list order (best first, or lowest first when reversed), cut to `limit`.
std::vector<DeckEntry> brute_force(const CardPool& pool, const SearchContext& context,
                                   const std::vector<u16>& list, u64 limit, bool reversed) {
    std::map<CardSetKey, DeckEntry> best;
    const auto better = [&](const DeckEntry& a, const DeckEntry& b) {
        return reversed ? ranks_before(b, a) : ranks_before(a, b);
    };
    test::for_each_five_of(list, [&](const DeckSlots& slots) {
        u32 characters = 0;
        for (const u16 card : slots)
            characters |= 1u << pool.character_id(card);
        const CardSetKey ids = card_set_key(pool_card_ids(pool), slots);
        const bool admissible = context.dominance_pruning
                                    ? __builtin_popcount(characters) == 5
                                    : std::adjacent_find(ids.begin(), ids.end()) == ids.end();
        if (!admissible) return;
        const auto e = evaluate_deck(pool, context, slots);
        if (!e) return;
        const DeckEntry deck{e->key, slots};
        const CardSetKey key = card_set_key(pool_card_ids(pool), slots);
        const auto it = best.find(key);
        if (it == best.end() || better(deck, it->second)) best[key] = deck;
    });
    std::vector<DeckEntry> all;
    for (const auto& [key, deck] : best)
        all.push_back(deck);
    std::sort(all.begin(), all.end(), better);
    if (all.size() > limit) all.resize(limit);
    return all;
}

TestCard random_card(std::mt19937& rng, u16 card_id, u8 characters) {
    TestCard c = plain_card(card_id, static_cast<u8>(1 + rng() % characters),
                            static_cast<u32>(rng() % 2000), static_cast<u8>(rng() % 100),
                            static_cast<u8>(rng() % 3), static_cast<u8>(1 + rng() % 7));
    for (u32& v : c.unit_values)
        v = c.power - static_cast<u32>(rng() % 500) % (c.power + 1);
    c.unit_values[3] = c.power;
    return c;
}

TEST(PowerSkillSearch, MatchesBruteForceOverThePool) {
    // Pools of up to 30 cards over nine characters: more cards of one
    // character, and more in all, than a short list of the best would hold.
    std::mt19937 rng(11);
    for (int round = 0; round < 60; ++round) {
        std::vector<TestCard> cards;
        const usize n = 5 + rng() % 26;
        for (usize i = 0; i < n; ++i)
            cards.push_back(random_card(rng, static_cast<u16>(1 + rng() % 40), 9));
        SearchContext context;
        const Target targets[] = {Target::POWER, Target::SKILL};
        context.target = targets[round % 2];
        context.minimize = round % 4 == 2;
        context.best_skill_as_leader = rng() % 2;
        context.live_type = rng() % 2 ? LiveType::MULTI : LiveType::CHALLENGE;
        context.dominance_pruning = context.live_type != LiveType::CHALLENGE;
        if (rng() % 3 == 0) context.multi_live_score_up_lower_bound = 60.0 + rng() % 80;
        const CardPool pool = test::make_pool(cards, context);
        const u64 limit = 1 + rng() % 12;
        SCOPED_TRACE(testing::Message() << "round " << round);

        const std::vector<u16> list = candidate_list(pool, context);
        const SearchResult got = power_skill(pool, context, limit);
        const std::vector<DeckEntry> all =
            brute_force(pool, context, list, ~u64{0}, context.minimize);
        // The same keys; each deck a card set of that key. Of decks that tie
        // the worst one listed, the bounds may keep any.
        ASSERT_EQ(got.decks.size(), std::min<usize>(limit, all.size()));
        std::map<CardSetKey, u64> key_of;
        for (const DeckEntry& d : all)
            key_of[card_set_key(pool_card_ids(pool), d.slots)] = d.score;
        for (usize i = 0; i < got.decks.size(); ++i) {
            EXPECT_EQ(got.decks[i].score, all[i].score) << "deck " << i;
            EXPECT_EQ(key_of[card_set_key(pool_card_ids(pool), got.decks[i].slots)],
                      got.decks[i].score)
                << "deck " << i;
        }
    }
}

TEST(PowerSkillSearch, ACardWorthMostInAnAttributeDeckIsFoundBeyondItsCharactersStrongest) {
    // Character 1: six plain cards of 3000, and one worth 2900 in a deck of
    // its attribute, which a list of each character's six strongest cards
    // leaves out. Characters 2-5 are worth 5000 only in such a deck.
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 6; ++i)
        cards.push_back(plain_card(static_cast<u16>(1 + i), 1, 3000, 10, 0));
    TestCard odd = plain_card(7, 1, 2900, 10, 1);
    odd.unit_values = {2000, 2900, 2000, 2900, 0, 0, 0, 0};
    cards.push_back(odd);
    for (u8 i = 0; i < 4; ++i) {
        TestCard c = plain_card(static_cast<u16>(20 + i), static_cast<u8>(2 + i), 5000, 10, 1);
        c.unit_values = {1000, 5000, 1000, 5000, 0, 0, 0, 0};
        cards.push_back(c);
    }
    SearchContext context;
    context.target = Target::POWER;
    context.fixed_characters = {2};
    const CardPool pool = test::make_pool(cards, context);
    const auto r = search_recommend(pool, context, 1, 0, steady_search_clock());
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.value().decks.size(), 1u);
    EXPECT_EQ(r.value().decks[0].score, 2900u + 4 * 5000);
}

TEST(PowerSkillSearch, ListTakesFixedCardsAndCharactersFirst) {
    // Ten cards of character 1 with skill values 10..19, then six of others.
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 10; ++i)
        cards.push_back(
            plain_card(static_cast<u16>(100 + i), 1, 1000 - i, static_cast<u8>(10 + i)));
    for (u16 i = 0; i < 6; ++i)
        cards.push_back(plain_card(static_cast<u16>(200 + i), static_cast<u8>(2 + i), 500, 5));
    SearchContext skill;
    skill.target = Target::SKILL;
    const CardPool pool = test::make_pool(cards, skill);

    std::vector<u16> list = candidate_list(pool, skill);
    EXPECT_EQ(std::vector<u16>(list.begin(), list.begin() + 3), (std::vector<u16>{9, 8, 7}));
    EXPECT_EQ(list.size(), 16u);

    skill.fixed_cards = {100};
    list = candidate_list(pool, skill);
    EXPECT_EQ(std::vector<u16>(list.begin(), list.begin() + 3), (std::vector<u16>{0, 9, 8}));

    skill.fixed_cards.clear();
    skill.fixed_characters = {3};
    list = candidate_list(pool, skill);
    EXPECT_EQ(list.front(), 11u);
    EXPECT_EQ(list[1], 9u);

    // Power with minimize: lowest power first.
    SearchContext power;
    power.target = Target::POWER;
    power.minimize = true;
    const CardPool same = test::make_pool(cards, power);
    list = candidate_list(same, power);
    EXPECT_EQ(list.front(), 10u);          // power 500, lowest index among equals
    EXPECT_EQ(pool.power(list[6]), 991u);  // then character 1, weakest first
}

TEST(PowerSkillSearch, FixedSlotsComeFirstAndAFixedCharacterMayRepeat) {
    std::vector<TestCard> cards = {
        plain_card(1, 1, 900, 10), plain_card(2, 1, 800, 20), plain_card(3, 2, 700, 30),
        plain_card(4, 3, 600, 40), plain_card(5, 4, 500, 50), plain_card(6, 5, 400, 60),
    };
    SearchContext context;
    context.target = Target::POWER;
    context.fixed_cards = {3};
    context.fixed_characters = {1, 1};
    const CardPool pool = test::make_pool(cards, context);
    const SearchResult r = power_skill(pool, context, 10);
    ASSERT_FALSE(r.decks.empty());
    // The best: card 3, both character-1 cards, then the two strongest others.
    EXPECT_EQ(r.decks[0].slots, (DeckSlots{2, 0, 1, 3, 4}));
    EXPECT_EQ(r.decks[0].score, 900u + 800 + 700 + 600 + 500);
    for (const DeckEntry& d : r.decks) {
        EXPECT_EQ(d.slots[0], 2);
        EXPECT_EQ(pool.character_id(d.slots[1]), 1);
        EXPECT_EQ(pool.character_id(d.slots[2]), 1);
    }

    struct Case {
        std::vector<u16> fixed_cards;
        std::vector<u8> fixed_characters;
    };
    const Case empty_cases[] = {
        {{99}, {}},    // a fixed card the pool lacks
        {{}, {9}},     // a fixed character without cards
        {{1, 2}, {}},  // two fixed cards of one character
    };
    for (const Case& c : empty_cases) {
        SearchContext ctx;
        ctx.target = Target::SKILL;
        ctx.fixed_cards = c.fixed_cards;
        ctx.fixed_characters = c.fixed_characters;
        const CardPool p = test::make_pool(cards, ctx);
        EXPECT_TRUE(power_skill(p, ctx, 5).decks.empty());
    }
}

TEST(PowerSkillSearch, AFixedCharacterWithManyCardsLeavesRoomForOthers) {
    // More cards of the fixed character than the list's total: the other
    // characters still enter, so decks exist.
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 25; ++i)
        cards.push_back(plain_card(static_cast<u16>(100 + i), 1, 900, static_cast<u8>(50 + i)));
    for (u16 i = 0; i < 6; ++i)
        cards.push_back(plain_card(static_cast<u16>(200 + i), static_cast<u8>(2 + i), 500, 5));
    SearchContext context;
    context.target = Target::SKILL;
    context.fixed_characters = {1};
    const CardPool pool = test::make_pool(cards, context);
    EXPECT_EQ(candidate_list(pool, context).size(), 31u);
    const SearchResult r = power_skill(pool, context, 3);
    ASSERT_EQ(r.decks.size(), 3u);
    EXPECT_EQ(r.decks[0].slots[0], 24);  // the character's best skill leads
}

TEST(PowerSkillSearch, ChallengeDecksRepeatCharactersButNotCardIds) {
    // One character, two pool cards of card id 1: no cap per character, and
    // the two never share a deck (the oracle above checks that on random
    // pools).
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 8; ++i)
        cards.push_back(plain_card(i < 2 ? 1 : static_cast<u16>(i), 4, 1000 - i, 10));
    SearchContext context;
    context.target = Target::POWER;
    context.live_type = LiveType::CHALLENGE;
    context.dominance_pruning = false;
    const CardPool pool = test::make_pool(cards, context);
    EXPECT_EQ(candidate_list(pool, context).size(), 8u);
    const SearchResult r = power_skill(pool, context, 3);
    ASSERT_EQ(r.decks.size(), 3u);
    // Card 1's copy makes the same card set as card 0: kept once.
    EXPECT_EQ(r.decks[0].slots, (DeckSlots{0, 2, 3, 4, 5}));
    EXPECT_EQ(r.decks[1].slots, (DeckSlots{0, 2, 3, 4, 6}));
    EXPECT_EQ(r.decks[2].slots, (DeckSlots{0, 2, 3, 4, 7}));
}

TEST(PowerSkillSearch, OneCharacterPoolsGiveNothing) {
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 8; ++i)
        cards.push_back(plain_card(static_cast<u16>(i + 1), 4, 100 + i, 10));
    for (const Target t : {Target::POWER, Target::SKILL}) {
        SearchContext context;
        context.target = t;
        context.fixed_cards = {1};  // keep power off the fast path
        const CardPool pool = test::make_pool(cards, context);
        EXPECT_TRUE(power_skill(pool, context, 3).decks.empty());
        const auto entry = search_recommend(pool, context, 3, 0, steady_search_clock());
        ASSERT_TRUE(entry.ok());
        EXPECT_TRUE(entry.value().decks.empty());
    }
}

TEST(PowerSkillSearch, ManyCopiesOfFixedCardsStopAtTheDeadline) {
    // 150 pool cards of each of two fixed card ids (a malformed export): every
    // copy enters the list, and the whole search would evaluate 150 x 150
    // times every choice of three other cards.
    std::vector<TestCard> cards;
    for (u16 copy = 0; copy < 150; ++copy) {
        cards.push_back(plain_card(1, 1, 5000, 40));
        cards.push_back(plain_card(2, 2, 4000, 30));
    }
    for (u16 i = 0; i < 30; ++i)
        cards.push_back(
            plain_card(static_cast<u16>(10 + i), static_cast<u8>(3 + i % 20), 1000 + 10 * i, 10));
    SearchContext context;
    context.target = Target::POWER;
    context.fixed_cards = {1, 2};
    const CardPool pool = test::make_pool(cards, context);

    test::FakeClock clock;
    clock.jump_after_reads = 2;
    Deadline deadline(1000, clock);
    const SearchResult r = search_power_skill(pool, context, 10, deadline);
    EXPECT_TRUE(r.stats.timed_out);
    EXPECT_EQ(r.stats.nodes, 2048u);
    EXPECT_EQ(r.stats.clock_reads, 2u);
    ASSERT_FALSE(r.decks.empty());
    for (const DeckEntry& d : r.decks) {
        EXPECT_EQ(pool.card_id(d.slots[0]), 1);
        EXPECT_EQ(pool.card_id(d.slots[1]), 2);
        EXPECT_EQ(d.score, evaluate_deck(pool, context, d.slots)->key);
    }
}

}  // namespace
}  // namespace vdz
