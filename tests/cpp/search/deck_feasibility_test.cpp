// A pool the feasibility test refuses holds no deck in any slot order, as
// every ordered choice of five cards of small random pools shows; the cases
// it is built for are refused; and such a request is answered without a
// step of search on every road.
#include "search/deck_feasibility.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "brute_force_decks.h"
#include "search/pool_search.h"

namespace vdz {
namespace {

using test::plain_card;
using test::TestCard;

// Whether some five pool cards, in some slot order, make an allowed deck.
bool some_deck_exists(const CardPool& pool, const SearchContext& context) {
    const u16 n = pool.count();
    for (u16 a = 0; a < n; ++a)
        for (u16 b = a + 1; b < n; ++b)
            for (u16 c = b + 1; c < n; ++c)
                for (u16 d = c + 1; d < n; ++d)
                    for (u16 e = d + 1; e < n; ++e) {
                        DeckSlots deck = {a, b, c, d, e};
                        do {
                            if (test::deck_allowed(pool, context, deck)) return true;
                        } while (std::next_permutation(deck.begin(), deck.end()));
                    }
    return false;
}

TEST(DeckFeasibility, RefusesOnlyPoolsWithoutADeck) {
    std::mt19937 rng(40);
    usize refused = 0;
    for (usize round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        // 5..9 cards of 2..7 characters; some share an earlier card's id.
        const usize n = 5 + rng() % 5;
        const u32 characters = 2 + rng() % 6;
        std::vector<TestCard> cards;
        for (usize i = 0; i < n; ++i) {
            TestCard c =
                plain_card(static_cast<u16>(100 + i), static_cast<u8>(1 + rng() % characters),
                           1000 + rng() % 100, static_cast<u8>(rng() % 50));
            if (i > 0 && rng() % 5 == 0) {
                const TestCard& earlier = cards[rng() % i];
                c.card_id = earlier.card_id;
                c.character = earlier.character;
            }
            cards.push_back(c);
        }
        SearchContext context;
        context.dominance_pruning = rng() % 3 != 0;
        if (!context.dominance_pruning) context.live_type = LiveType::CHALLENGE;
        // Up to two fixed cards (one sometimes absent) and, where characters
        // may not repeat, up to two fixed characters (sometimes absent).
        for (usize k = rng() % 3; k > 0; --k) {
            const u16 id = rng() % 6 == 0 ? u16{999} : cards[rng() % n].card_id;
            if (std::find(context.fixed_cards.begin(), context.fixed_cards.end(), id) ==
                context.fixed_cards.end())
                context.fixed_cards.push_back(id);
        }
        if (context.dominance_pruning) {
            for (usize k = rng() % 3; k > 0; --k) {
                const u8 c = static_cast<u8>(1 + rng() % (characters + 1));
                if (std::find(context.fixed_characters.begin(), context.fixed_characters.end(),
                              c) == context.fixed_characters.end())
                    context.fixed_characters.push_back(c);
            }
        }
        const CardPool pool = test::make_pool(cards, context);
        if (!no_deck_can_exist(pool, context)) continue;
        ++refused;
        EXPECT_FALSE(some_deck_exists(pool, context));
    }
    EXPECT_GT(refused, 100u);
}

// `characters` characters of `per_character` cards each, distinct ids.
std::vector<TestCard> cards_of(u8 characters, u16 per_character) {
    std::vector<TestCard> cards;
    for (u8 c = 1; c <= characters; ++c)
        for (u16 k = 0; k < per_character; ++k)
            cards.push_back(plain_card(static_cast<u16>(100 * c + k), c, 5000 + 10 * k, 20));
    return cards;
}

TEST(DeckFeasibility, RefusesTooFewCharactersAndMissingFixedCardsOrCharacters) {
    struct Case {
        const char* name;
        std::vector<TestCard> cards;
        bool repeats;
        std::vector<u16> fixed_cards;
        std::vector<u8> fixed_characters;
        bool refused;
    };
    std::vector<TestCard> one_character_four_ids = cards_of(1, 4);
    for (u16 k = 0; k < 4; ++k)
        one_character_four_ids.push_back(one_character_four_ids[k]);
    const Case cases[] = {
        {"four characters", cards_of(4, 30), false, {}, {}, true},
        {"five characters", cards_of(5, 1), false, {}, {}, false},
        {"four characters, fixed", cards_of(4, 30), false, {101}, {2, 3, 4}, true},
        {"one character, four card ids in eight cards", one_character_four_ids, true, {}, {}, true},
        {"one character, five card ids", cards_of(1, 5), true, {}, {}, false},
        {"a fixed card not in the pool", cards_of(6, 2), false, {101, 999}, {}, true},
        {"a fixed character without a card", cards_of(6, 2), false, {}, {3, 7}, true},
        {"fixed cards and characters present", cards_of(6, 2), false, {101}, {3, 4}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SearchContext context;
        context.dominance_pruning = !c.repeats;
        if (c.repeats) context.live_type = LiveType::CHALLENGE;
        context.fixed_cards = c.fixed_cards;
        context.fixed_characters = c.fixed_characters;
        const CardPool pool = test::make_pool(c.cards, context);
        EXPECT_EQ(no_deck_can_exist(pool, context), c.refused);
    }
}

TEST(DeckFeasibility, EveryRoadAnswersARefusedPoolWithoutSearching) {
    struct Case {
        const char* name;
        Target target;
        LiveType live_type;
        std::vector<u8> fixed_characters;
        std::vector<i32> tiers;
    };
    // Four characters of 60 cards: a search slot by slot would try every
    // choice of four cards before finding no fifth character.
    const Case cases[] = {
        {"power, four fixed characters", Target::POWER, LiveType::SOLO, {1, 2, 3, 4}, {}},
        {"power fast path", Target::POWER, LiveType::MULTI, {}, {}},
        {"skill, four fixed characters", Target::SKILL, LiveType::SOLO, {1, 2, 3, 4}, {}},
        {"score", Target::SCORE, LiveType::MULTI, {2}, {}},
        {"bonus tiers", Target::BONUS, LiveType::MULTI, {}, {40, 50}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SearchContext context;
        context.target = c.target;
        context.live_type = c.live_type;
        context.fixed_characters = c.fixed_characters;
        context.music_base_scores = {1.1, 0.9, 0.0};
        context.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
        if (!c.tiers.empty()) context.event_kind = 0;
        const CardPool pool = test::make_pool(cards_of(4, 60), context);
        const auto found = search_pool(pool, context, c.tiers, 10, 0, steady_search_clock());
        ASSERT_TRUE(found.ok());
        EXPECT_TRUE(found.value().decks.empty());
        EXPECT_EQ(found.value().stats.nodes, 0u);
        EXPECT_EQ(found.value().stats.evaluations, 0u);
    }
}

}  // namespace
}  // namespace vdz
