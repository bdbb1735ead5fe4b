// The exhaustive seed kernels and the two strategies around them, against
// brute-force enumeration over their own candidate lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "search/seeds/seed.h"
#include "search/seeds/seed_fixture.h"

namespace vdz {
namespace {

using test::plain_card;
using test::TestCard;

std::vector<TestCard> random_cards(std::mt19937& rng, usize n, u32 characters) {
    std::vector<TestCard> cards;
    for (usize i = 0; i < n; ++i)
        cards.push_back(test::random_seed_card(rng, static_cast<u16>(100 + i), characters));
    return cards;
}

// Pool indices sorted by a key, greatest first, ties to the lower index.
template <class Key>
std::vector<u16> ranked(const CardPool& pool, std::vector<u16> cards, Key key) {
    std::stable_sort(cards.begin(), cards.end(),
                     [&](u16 a, u16 b) { return key(pool, a) > key(pool, b); });
    return cards;
}

// Slot s holds what the fixed layout puts there.
bool follows_layout_at(const CardPool& pool, const SearchContext& c, const DeckSlots& d, usize s) {
    const usize f = c.fixed_cards.size();
    if (s < f) return pool.card_id(d[s]) == c.fixed_cards[s];
    if (s - f < c.fixed_characters.size())
        return pool.character_id(d[s]) == c.fixed_characters[s - f];
    return true;
}

std::vector<u16> all_cards(const CardPool& pool) {
    std::vector<u16> cards(pool.count());
    std::iota(cards.begin(), cards.end(), u16{0});
    return cards;
}

u64 reference_rank_key(const CardPool& pool, u16 card) {
    const u64 percent = (pool.event_bonus(card).total_x10() + 9u) / 10u;
    return (pool.skill_value(card) + 256ull) * pool.power(card) * (percent + 100);
}

// The depth-first search's initial order in the final chapter: the leader
// bonuses join the event bonus.
std::vector<u16> final_chapter_order(const CardPool& pool, const SearchContext& context) {
    return ranked(pool, all_cards(pool), [&](const CardPool& p, u16 card) {
        const u64 percent = (p.event_bonus(card).total_x10() + 9u) / 10u +
                            context.leader_honor_bonus[card] + context.leader_limit_bonus[card];
        return (p.skill_value(card) + 256ull) * p.power(card) * (percent + 100);
    });
}

TEST(SeedRankingKey, RoundsTheBonusUpAndCountsSkillFrom256) {
    struct Case {
        u8 skill;
        u32 power;
        u16 total_x10;
        u64 key;
    };
    const Case cases[] = {
        {0, 1000, 0, 256ull * 1000 * 100},
        {50, 1000, 1, 306ull * 1000 * 101},
        {255, 0x7FFFFFFF, 4095, 511ull * 0x7FFFFFFFull * 510},
    };
    for (const Case& c : cases) {
        TestCard card = plain_card(1, 1, c.power, c.skill);
        card.unit_values.fill(1);
        card.base_x10 = c.total_x10;
        SearchContext context;
        const CardPool pool = test::make_pool({card}, context);
        EXPECT_EQ(seed_ranking_key(pool, 0), c.key);
    }
}

TEST(SeedExhaustivePlain, EqualsBruteForceUnderTheSlotLayout) {
    std::mt19937 rng(11);
    usize found = 0;
    for (int round = 0; round < 60; ++round) {
        const usize n = 3 + rng() % 11;
        const std::vector<TestCard> cards = random_cards(rng, n, 3 + rng() % 8);
        SearchContext context = test::random_seed_context(rng);
        if (rng() % 5 == 0) context.live_type = LiveType::CHALLENGE;  // characters may repeat
        // Fixed cards and characters of the pool, now and then.
        for (usize k = rng() % 4; k > 0 && k < 3; --k)
            context.fixed_cards.push_back(cards[rng() % n].card_id);
        for (usize k = rng() % 4; k > 0 && k < 3; --k)
            context.fixed_characters.push_back(cards[rng() % n].character);
        const CardPool pool = test::make_pool(cards, context);
        std::vector<u16> list = all_cards(pool);
        std::shuffle(list.begin(), list.end(), rng);

        DeckSlots slots;
        slots.fill(list[0]);
        std::optional<DeckEntry> best;
        seed_exhaustive_plain(pool, context, list, 0, 0, 0, slots, best);
        const auto oracle = test::brute_force_seed(pool, context, list, [&](const DeckSlots& d) {
            return follows_fixed_layout(pool, context, d) &&
                   (!distinct_characters(context) || test::distinct_characters_in(pool, d));
        });
        ASSERT_EQ(best, oracle) << "round " << round;
        found += best.has_value();
    }
    EXPECT_GT(found, 10u);
}

TEST(SeedExhaustivePlain, FixedCardsOutOfListOrderFormNoDeck) {
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 7; ++i)
        cards.push_back(plain_card(static_cast<u16>(10 + i), static_cast<u8>(1 + i), 1000, 0));
    SearchContext context;
    context.fixed_cards = {12, 11};
    const CardPool pool = test::make_pool(cards, context);
    const std::vector<u16> list = all_cards(pool);
    DeckSlots slots{};
    std::optional<DeckEntry> best;
    seed_exhaustive_plain(pool, context, list, 0, 0, 0, slots, best);
    EXPECT_EQ(best, std::nullopt);
    // A held deck stays when nothing beats it strictly; a call at depth 5
    // scores the slots it is handed.
    context.fixed_cards.clear();
    slots = {0, 1, 2, 3, 4};
    const u64 score = *seed_deck_score(pool, context, slots);
    best = DeckEntry{score, {6, 5, 4, 3, 2}};
    seed_exhaustive_plain(pool, context, list, 5, 0, 0, slots, best);
    EXPECT_EQ(best->slots, (DeckSlots{6, 5, 4, 3, 2}));
    best = DeckEntry{score - 1, {6, 5, 4, 3, 2}};
    seed_exhaustive_plain(pool, context, list, 5, 0, 0, slots, best);
    EXPECT_EQ(best, (DeckEntry{score, {0, 1, 2, 3, 4}}));
}

TEST(SeedExhaustiveAnchored, EqualsBruteForceOverAnchorsSharingOneRecord) {
    std::mt19937 rng(23);
    usize found = 0;
    for (int round = 0; round < 30; ++round) {
        const usize n = 5 + rng() % 10;
        const std::vector<TestCard> cards = random_cards(rng, n, 4 + rng() % 6);
        SearchContext context = test::random_seed_context(rng);
        // The layout past slot 0 (the anchor's): a fixed card, a character.
        if (round % 3 != 0) context.fixed_cards = {cards[0].card_id, cards[1].card_id};
        if (round % 3 == 2) context.fixed_characters = {cards[2].character};
        const CardPool pool = test::make_pool(cards, context);

        std::optional<DeckEntry> best, oracle;
        for (usize a = 0; a < 3; ++a) {
            const u16 anchor = static_cast<u16>(rng() % n);
            std::vector<u16> list = all_cards(pool);  // the anchor included: skipped
            std::shuffle(list.begin(), list.end(), rng);
            DeckSlots slots;
            slots.fill(anchor);
            seed_exhaustive_anchored(pool, context, anchor, list, 1, 0,
                                     1u << pool.character_id(anchor), slots, best);

            std::vector<u16> led = {anchor};
            for (const u16 card : list)
                if (card != anchor) led.push_back(card);
            const auto per_anchor =
                test::brute_force_seed(pool, context, led, [&](const DeckSlots& d) {
                    // Slot 0 is the anchor's, whatever the layout.
                    for (usize s = 1; s < 5; ++s)
                        if (!follows_layout_at(pool, context, d, s)) return false;
                    return d[0] == anchor && test::distinct_characters_in(pool, d);
                });
            if (per_anchor) keep_better_seed(oracle, per_anchor->score, per_anchor->slots);
        }
        ASSERT_EQ(best, oracle) << "round " << round;
        found += best.has_value();
    }
    EXPECT_GT(found, 10u);
}

// The plain seed of a pool of at most 16 cards: the best deck of the whole
// pool in ranked order, improved and scored anew.
TEST(SeedStrategyPlain, IsTheImprovedBestDeckOfTheRankedShortlist) {
    std::mt19937 rng(5);
    usize found = 0;
    for (int round = 0; round < 30; ++round) {
        const usize n = rng() % 2 ? 4 + rng() % 13 : 17 + rng() % 10;
        const std::vector<TestCard> cards = random_cards(rng, n, 5 + rng() % 8);
        SearchContext context = test::random_seed_context(rng);
        context.target = Target::SCORE;
        context.live_type = rng() % 2 ? LiveType::SOLO : LiveType::AUTO;
        context.event_kind = 0;
        context.multi_live_score_up_lower_bound.reset();
        if (rng() % 3 == 0) context.fixed_characters = {cards[rng() % n].character};
        const CardPool pool = test::make_pool(cards, context);

        std::vector<u16> shortlist = ranked(pool, all_cards(pool), reference_rank_key);
        shortlist.resize(std::min<usize>(n, 16));
        const auto best = test::brute_force_seed(pool, context, shortlist, [&](const DeckSlots& d) {
            return follows_fixed_layout(pool, context, d) && test::distinct_characters_in(pool, d);
        });
        std::optional<DeckEntry> expected;
        if (best) {
            const DeckSlots improved =
                improve_deck(pool, context, best->slots, std::nullopt, nullptr);
            expected = DeckEntry{*seed_deck_score(pool, context, improved), improved};
        }
        ASSERT_EQ(seed_strategy_plain(pool, context), expected) << "round " << round;
        found += expected.has_value();
    }
    EXPECT_GT(found, 10u);
}

TEST(SeedStrategyPlain, AFixedCardRankedThirteenthOrLowerLeavesNoDeck) {
    // Twenty cards of twenty characters, ranked by power in pool order.
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 20; ++i)
        cards.push_back(
            plain_card(static_cast<u16>(10 + i), static_cast<u8>(1 + i), 50000u - 100u * i, 0));
    SearchContext context;
    context.event_kind = 0;
    context.fixed_cards = {12 + 10};  // 13th
    const CardPool pool = test::make_pool(cards, context);
    EXPECT_EQ(seed_strategy_plain(pool, context), std::nullopt);
    SearchContext first;
    first.event_kind = 0;
    first.fixed_cards = {10};
    const CardPool same = test::make_pool(cards, first);
    const auto seed = seed_strategy_plain(same, first);
    ASSERT_TRUE(seed);
    EXPECT_EQ(seed->slots[0], 0);
    SearchContext empty_context;
    const CardPool empty = test::make_pool({}, empty_context);
    EXPECT_EQ(seed_strategy_plain(empty, empty_context), std::nullopt);
}

TEST(SeedStrategyAnchored, IsTheImprovedBestDeckOverTheFirstEightAnchors) {
    std::mt19937 rng(31);
    usize found = 0;
    for (int round = 0; round < 8; ++round) {
        const usize n = rng() % 3 == 0 ? rng() % 9 : 20 + rng() % 8;
        std::vector<TestCard> cards = random_cards(rng, n, 5 + rng() % 10);
        for (TestCard& c : cards) {
            c.leader_honor_bonus = static_cast<u16>(rng() % 30);
            c.leader_limit_bonus = static_cast<u16>(rng() % 30);
        }
        SearchContext context = test::random_seed_context(rng);
        context.final_chapter = true;
        context.event_kind = 2;
        const CardPool pool = test::make_pool(cards, context);
        const std::vector<u16> order = final_chapter_order(pool, context);

        std::optional<DeckEntry> best;
        for (usize a = 0; a < std::min<usize>(n, 8); ++a) {
            const u16 anchor = order[a];
            std::vector<u16> list = {anchor};
            for (const u16 card : ranked(pool, all_cards(pool), reference_rank_key)) {
                if (list.size() == 25) break;
                if (pool.character_id(card) != pool.character_id(anchor)) list.push_back(card);
            }
            const auto per_anchor =
                test::brute_force_seed(pool, context, list, [&](const DeckSlots& d) {
                    return d[0] == anchor && test::distinct_characters_in(pool, d);
                });
            if (per_anchor) keep_better_seed(best, per_anchor->score, per_anchor->slots);
        }
        std::optional<DeckEntry> expected;
        if (best) {
            const DeckSlots improved =
                improve_deck(pool, context, best->slots, best->slots[0], nullptr);
            if (const auto score = seed_deck_score(pool, context, improved))
                expected = DeckEntry{*score, improved};
        }
        ASSERT_EQ(seed_strategy_anchored(pool, context, order), expected) << "round " << round;
        found += expected.has_value();
    }
    EXPECT_GT(found, 3u);
}

TEST(SeedStrategyAnchored, FollowsTheFixedLayoutByConstruction) {
    // The strongest cards lead; the fixed card (id 15) is the weakest.
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 6; ++i)
        cards.push_back(
            plain_card(static_cast<u16>(10 + i), static_cast<u8>(1 + i), 9000u - 1000u * i, 0));
    SearchContext context;
    context.final_chapter = true;
    const CardPool pool = test::make_pool(cards, context);
    const std::vector<u16> order = final_chapter_order(pool, context);
    EXPECT_TRUE(seed_strategy_anchored(pool, context, order));
    context.fixed_cards = {15};
    context.fixed_characters = {1};
    const auto seed = seed_strategy_anchored(pool, context, order);
    ASSERT_TRUE(seed);
    EXPECT_EQ(seed->slots[0], 5);
    EXPECT_EQ(seed->slots[1], 0);
    EXPECT_TRUE(follows_fixed_layout(pool, context, seed->slots));
}

}  // namespace
}  // namespace vdz
