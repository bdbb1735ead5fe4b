// Greedy construction and improvement by replacement.
#include <gtest/gtest.h>

#include <random>

#include "search/seeds/seed.h"
#include "search/seeds/seed_fixture.h"

namespace vdz {
namespace {

using test::plain_card;
using test::TestCard;

TestCard bonus_card(u16 id, u8 character, u32 power, u8 skill, u16 total_x10) {
    TestCard c = plain_card(id, character, power, skill);
    c.base_x10 = total_x10;
    return c;
}

TEST(GreedyDeck, CardValueByStartModeAndTarget) {
    // Card 0 leads on power, 1 on skill, 2 on event bonus, 3 on
    // (skill + 256) x power; each of another character.
    const std::vector<TestCard> cards = {
        bonus_card(1, 1, 90000, 10, 100), bonus_card(2, 2, 10000, 200, 100),
        bonus_card(3, 3, 10000, 10, 255), bonus_card(4, 4, 60000, 150, 250),
        bonus_card(5, 5, 1000, 0, 0),     bonus_card(6, 6, 1000, 0, 0),
    };
    struct Case {
        Target target;
        u8 event_kind;
        u8 mode;
        DeckSlots deck;
    };
    const Case cases[] = {
        {Target::BONUS, 0, 0, {0, 3, 1, 2, 4}},  // power under every target
        {Target::BONUS, 0, 1, {1, 3, 0, 2, 4}},  // the skill value, not the bonus
        {Target::BONUS, 0, 2, {2, 3, 0, 1, 4}},  // 25.5 before 25.0
        {Target::SCORE, NO_EVENT_KIND, 2, {3, 0, 1, 2, 4}},
        {Target::SCORE, 0, 2, {0, 3, 2, 1, 4}},    // power + whole percents: 26 over 10
        {Target::MYSEKAI, 0, 7, {0, 3, 2, 1, 4}},  // modes above 2 act as 2
    };
    for (const Case& c : cases) {
        SearchContext context;
        context.target = c.target;
        context.event_kind = c.event_kind;
        const CardPool pool = test::make_pool(cards, context);
        EXPECT_EQ(greedy_deck(pool, context, c.mode, std::nullopt), c.deck)
            << int(c.target) << " mode " << int(c.mode);
    }
}

TEST(GreedyDeck, SlotLayoutForcedCardAndAbsentResults) {
    // Cards 0 and 1 tie on power (the lower index wins); 2 and 5 share
    // character 7; card ids are 10 + index.
    std::vector<TestCard> cards = {
        plain_card(10, 1, 500, 0), plain_card(11, 2, 500, 0), plain_card(12, 7, 900, 0),
        plain_card(13, 3, 100, 0), plain_card(14, 4, 200, 0), plain_card(15, 7, 50, 0),
        plain_card(16, 5, 300, 0),
    };
    SearchContext context;
    const CardPool pool = test::make_pool(cards, context);
    EXPECT_EQ(greedy_deck(pool, context, 0, std::nullopt), (DeckSlots{2, 0, 1, 6, 4}));

    // Fixed cards [15, 13] with the forced card of id 15 in slot 0.
    context.fixed_cards = {15, 13};
    EXPECT_EQ(greedy_deck(pool, context, 0, u16{5}), (DeckSlots{5, 3, 0, 1, 6}));
    // A forced card of character 7 and a fixed entry 1 of character 7.
    context.fixed_cards = {10, 12};
    EXPECT_EQ(greedy_deck(pool, context, 0, u16{5}), std::nullopt);
    // A fixed character: slot 0 its best card.
    context.fixed_cards.clear();
    context.fixed_characters = {7};
    EXPECT_EQ(greedy_deck(pool, context, 0, std::nullopt), (DeckSlots{2, 0, 1, 6, 4}));
    context.fixed_characters = {3};
    EXPECT_EQ(greedy_deck(pool, context, 0, std::nullopt), (DeckSlots{3, 2, 0, 1, 6}));

    // Four characters only; an empty pool.
    SearchContext four_context;
    cards.resize(4);
    const CardPool four = test::make_pool(cards, four_context);
    EXPECT_EQ(greedy_deck(four, four_context, 0, std::nullopt), std::nullopt);
    SearchContext empty_context;
    const CardPool empty = test::make_pool({}, empty_context);
    EXPECT_EQ(greedy_deck(empty, empty_context, 1, u16{0}), std::nullopt);
}

// No single replacement that the improvement may make raises the score.
void expect_local_optimum(const CardPool& pool, const SearchContext& context, DeckSlots deck,
                          std::optional<u16> forced) {
    const u64 score = *seed_deck_score(pool, context, deck);
    const usize fixed = context.fixed_cards.size() + context.fixed_characters.size();
    const bool multi =
        context.live_type == LiveType::MULTI || context.live_type == LiveType::CHEERFUL;
    const usize tried = multi ? std::min<usize>(pool.count(), 8) : pool.count();
    for (usize slot = std::max<usize>(forced ? 1 : 0, fixed); slot < 5; ++slot) {
        for (u16 card = 0; card < tried; ++card) {
            DeckSlots trial = deck;
            trial[slot] = card;
            if (card == deck[slot] || (forced && card == *forced)) continue;
            if (!test::distinct_characters_in(pool, trial)) continue;
            const auto trial_score = seed_deck_score(pool, context, trial);
            EXPECT_FALSE(trial_score && *trial_score > score)
                << "slot " << slot << " card " << card;
        }
    }
}

TEST(ImproveDeck, ReachesALocalOptimumAndRecordsEveryScoredTrial) {
    std::mt19937 rng(77);
    for (int round = 0; round < 60; ++round) {
        std::vector<TestCard> cards;
        const usize n = 6 + rng() % 14;
        for (usize i = 0; i < n; ++i)
            cards.push_back(test::random_seed_card(rng, static_cast<u16>(100 + i), 8));
        SearchContext context = test::random_seed_context(rng);
        context.multi_live_score_up_lower_bound.reset();
        const CardPool pool = test::make_pool(cards, context);
        const bool forced_start = rng() % 2;
        const u8 mode = static_cast<u8>(rng() % 3);
        const std::optional<u16> forced =
            forced_start ? std::optional<u16>(static_cast<u16>(rng() % n)) : std::nullopt;
        const auto start = greedy_deck(pool, context, mode, forced);
        if (!start) continue;
        std::vector<DeckEntry> records;
        const DeckSlots improved = improve_deck(pool, context, *start, forced, &records);

        ASSERT_FALSE(records.empty());
        EXPECT_EQ(records[0], (DeckEntry{*seed_deck_score(pool, context, *start), *start}));
        for (const DeckEntry& r : records)
            EXPECT_EQ(r.score, seed_deck_score(pool, context, r.slots));
        EXPECT_GE(*seed_deck_score(pool, context, improved), records[0].score);
        EXPECT_TRUE(test::distinct_characters_in(pool, improved));
        if (forced) {
            EXPECT_EQ(improved[0], *forced);
        }
        // Multi and cheerful lives bring in only indices 0-7.
        const bool multi =
            context.live_type == LiveType::MULTI || context.live_type == LiveType::CHEERFUL;
        for (usize s = 0; s < 5; ++s)
            if (multi && improved[s] != (*start)[s]) {
                EXPECT_LT(improved[s], 8);
            }
        expect_local_optimum(pool, context, improved, forced);
    }
}

TEST(ImproveDeck, FixedSlotsTiesAndUnscoredStartDecks) {
    // Six equal cards of six characters: no replacement is strictly better.
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 6; ++i)
        cards.push_back(plain_card(static_cast<u16>(10 + i), static_cast<u8>(1 + i), 1000, 20));
    SearchContext context;
    const CardPool pool = test::make_pool(cards, context);
    const DeckSlots start = {1, 2, 3, 4, 5};
    std::vector<DeckEntry> records;
    EXPECT_EQ(improve_deck(pool, context, start, std::nullopt, &records), start);
    EXPECT_EQ(records.size(), 1u + 5u);  // the start, then card 0 in each slot

    // Every slot fixed: only the start deck is recorded.
    context.fixed_cards = {11, 12, 13};
    context.fixed_characters = {5, 6};
    records.clear();
    EXPECT_EQ(improve_deck(pool, context, start, std::nullopt, &records), start);
    EXPECT_EQ(records.size(), 1u);
    // A forced card and four fixed slots: slot 4 is still scanned.
    context.fixed_characters = {5};
    records.clear();
    improve_deck(pool, context, start, u16{1}, &records);
    EXPECT_EQ(records.size(), 2u);

    // A start deck below the lower bound is returned as it is.
    SearchContext multi;
    multi.live_type = LiveType::MULTI;
    multi.multi_live_score_up_lower_bound = 1000.0;
    const CardPool multi_pool = test::make_pool(cards, multi);
    records.clear();
    EXPECT_EQ(improve_deck(multi_pool, multi, start, std::nullopt, &records), start);
    EXPECT_TRUE(records.empty());
}

TEST(ImproveDeck, ACardMayReplaceOneOfItsOwnCharacterOnly) {
    // Deck 0-4; card 5 shares character 1 with slot 0 and is stronger; card
    // 6 is stronger still but shares character 2 with slot 1.
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 5; ++i)
        cards.push_back(plain_card(static_cast<u16>(10 + i), static_cast<u8>(1 + i), 1000, 20));
    cards.push_back(plain_card(15, 1, 5000, 20));
    cards.push_back(plain_card(16, 2, 9000, 20));
    SearchContext context;
    const CardPool pool = test::make_pool(cards, context);
    EXPECT_EQ(improve_deck(pool, context, {0, 1, 2, 3, 4}, std::nullopt, nullptr),
              (DeckSlots{5, 6, 2, 3, 4}));
    // With card 5 forced in slot 0, card 0 never comes back.
    EXPECT_EQ(improve_deck(pool, context, {5, 1, 2, 3, 4}, u16{5}, nullptr),
              (DeckSlots{5, 6, 2, 3, 4}));
}

}  // namespace
}  // namespace vdz
