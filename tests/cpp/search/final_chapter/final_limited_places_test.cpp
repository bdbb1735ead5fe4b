// Final-chapter decks when fewer than five cards count their limited bonus:
// a card with a larger one is not always the better (as a leader it takes a
// place first), and a deck's value and its listed order depend on where its
// limited bonuses stand. The whole road, pruning and re-admission included,
// against every leader, card set, order and skill variant of small pools.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>

#include "search/evaluation/deck_evaluator.h"
#include "search/final_chapter/final_chapter.h"
#include "search/final_chapter/final_chapter_fixture.h"
#include "search/pruning/dominance.h"
#include "search/search_entry.h"

namespace vdz {
namespace {

using test::FinalSetup;
using test::plain_card;
using test::TestCard;

constexpr auto BEST = SkillOrderChooseStrategy::BEST;
constexpr auto AVERAGE = SkillOrderChooseStrategy::AVERAGE;

// Twins A (pool 0, limited 1 %) and B (pool 1, none) of character 1, equal
// in all else; card 2 of character 2 carries 50 %, and characters 3 to 5
// complete the decks.
std::vector<TestCard> twins_and_a_fifty(u16 a_limited = 10) {
    std::vector<TestCard> cards;
    for (u16 id = 1; id <= 6; ++id) {
        const u8 character = static_cast<u8>(id <= 2 ? 1 : id - 1);
        TestCard c = plain_card(id, character, 30000, 80);
        c.base_x10 = 150;
        cards.push_back(c);
    }
    cards[0].limited_x10 = a_limited;
    cards[2].limited_x10 = 500;
    return cards;
}

SearchContext solo_context(u64 places) {
    SearchContext c;
    c.final_chapter = true;
    c.event_kind = 2;
    c.live_type = LiveType::SOLO;
    c.music_base_scores = {1.1, 0.9, 0.4};
    c.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
    c.music_event_rate = 120;
    c.limited_bonus_count = places;
    return c;
}

TEST(FinalLimitedPlaces, ALeadersLargerLimitedBonusDominatesOnlyWhereItCannotCost) {
    struct Case {
        const char* name;
        u64 places;
        u16 a_limited;
        bool b_kept;
    };
    const Case cases[] = {
        {"five places: every bonus counts", 5, 10, false},
        {"no place: no bonus counts", 0, 10, false},
        {"one place: A's 1 % as leader would shut out the 50 %", 1, 10, true},
        {"four places: A's would shut out the fourth largest", 4, 10, true},
        {"A's own as large as any card's", 1, 500, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SearchContext context = solo_context(c.places);
        const CardPool pool = test::make_pool(twins_and_a_fifty(c.a_limited), context);
        const PruneOutcome pruned = prune_dominated_cards(pool, context, nullptr);
        EXPECT_EQ(pruned.keep[1] == 1, c.b_kept);
        const std::vector<u16> leaders = drop_dominated_cards(pool, context, {0, 1});
        EXPECT_EQ(leaders.size() == 2, c.b_kept);
    }
}

TEST(FinalLimitedPlaces, TheTwinWithoutLimitedBonusLeadsTheBestDeck) {
    for (const LiveType live : {LiveType::SOLO, LiveType::MULTI}) {
        SCOPED_TRACE(int(live));
        SearchContext context = solo_context(1);
        context.live_type = live;
        context.music_skill_scores[1] = {12, 12, 12, 12, 12, 30};
        context.designated_character = 1;
        const CardPool pool = test::make_pool(twins_and_a_fifty(), context);
        const auto found = search_recommend(pool, context, 1, 0, steady_search_clock());
        ASSERT_TRUE(found.ok()) << found.error().message;
        ASSERT_EQ(found.value().decks.size(), 1u);
        const DeckEntry& deck = found.value().decks[0];
        EXPECT_EQ(deck.score, test::brute_force_keys(pool, context, 1).front());
        EXPECT_EQ(deck.slots[0], 1);  // B leads, and the 50 % counts
        const auto e = evaluate_deck(pool, context, deck.slots);
        ASSERT_TRUE(e);
        EXPECT_EQ(e->key, deck.score);
        EXPECT_DOUBLE_EQ(e->event_bonus, 5 * 15.0 + 50.0);
    }
}

// Cards of characters 1 to 6, and beside some of them a twin (the same card
// under a new id with another limited bonus) or a skill variant (the same
// card id with another skill): material for every dominance test.
std::vector<TestCard> cards_with_twins(std::mt19937& rng) {
    std::vector<TestCard> cards = test::random_final_cards(rng, {2, 1, 1, 1, 1, 1});
    const u16 limited[] = {0, 10, 50, 200};
    for (usize i = 0, n = cards.size(); i < n; ++i) {
        TestCard copy = cards[i];
        switch (rng() % 3) {
            case 0: {
                copy.card_id = static_cast<u16>(copy.card_id + 300);
                usize k = rng() % 4;
                if (limited[k] == copy.limited_x10) k = (k + 1) % 4;
                copy.limited_x10 = limited[k];
                break;
            }
            case 1:
                copy.skill_value = copy.skill.plain_value = static_cast<u8>(rng() % 120);
                break;
            default:
                continue;
        }
        cards.push_back(copy);
    }
    return cards;
}

const FinalSetup SETUPS[] = {
    {"solo score, best skills, support", Target::SCORE, LiveType::SOLO, BEST, 0, true, true},
    {"auto score, best skills", Target::SCORE, LiveType::AUTO, BEST, 0, false, true},
    {"multi score, averaged", Target::SCORE, LiveType::MULTI, AVERAGE, 0, false, true},
    {"cheerful score, averaged, support", Target::SCORE, LiveType::CHEERFUL, AVERAGE, 0, true,
     true},
    {"bonus target, support", Target::BONUS, LiveType::SOLO, BEST, 0, true, true},
};

// Whether `found` lists the oracle's best decks: the same keys, each deck a
// card set of its key, led as asked, in an order that gives its key and
// that no other order of its four other cards beats.
void expect_oracle_decks(const CardPool& pool, const SearchContext& context,
                         const std::vector<DeckEntry>& found,
                         const std::vector<std::pair<u64, CardSetKey>>& oracle, u64 limit) {
    const usize n = std::min<usize>(limit, oracle.size());
    ASSERT_EQ(found.size(), n);
    for (usize i = 0; i < n; ++i) {
        SCOPED_TRACE(testing::Message() << "deck " << i);
        const DeckEntry& deck = found[i];
        EXPECT_EQ(deck.score, oracle[i].first);
        const CardSetKey set = card_set_key(pool_card_ids(pool), deck.slots);
        EXPECT_TRUE(std::count(oracle.begin(), oracle.end(), std::make_pair(deck.score, set)));
        EXPECT_EQ(evaluate_deck_key(pool, context, deck.slots), deck.score);
        EXPECT_EQ(test::best_order_key(pool, context, deck.slots), deck.score);
        if (context.designated_character) {
            EXPECT_EQ(pool.character_id(deck.slots[0]), *context.designated_character);
        }
    }
}

TEST(FinalLimitedPlaces, SearchesEqualTheOracleForEveryNumberOfPlaces) {
    std::mt19937 rng(19);
    for (const FinalSetup& base : SETUPS) {
        for (u64 places = 1; places <= 4; ++places) {
            FinalSetup setup = base;
            setup.limited_cap = places;
            SCOPED_TRACE(testing::Message() << setup.name << ", " << places << " places");
            SearchContext context = test::final_context(setup, rng, 6);
            const CardPool pool = test::make_pool(cards_with_twins(rng), context);
            for (const std::optional<u8> designated : {std::optional<u8>{1}, std::optional<u8>{}}) {
                SearchContext c = context;
                c.designated_character = designated;
                const auto oracle = test::brute_force_sets(pool, c, designated.value_or(0));
                for (const u64 limit : {u64{1}, u64{4}}) {
                    SCOPED_TRACE(testing::Message()
                                 << (designated ? "designated" : "every character") << ", limit "
                                 << limit);
                    const auto found = search_recommend(pool, c, limit, 0, steady_search_clock());
                    ASSERT_TRUE(found.ok()) << found.error().message;
                    expect_oracle_decks(pool, c, found.value().decks, oracle, limit);
                }
            }
        }
    }
}

}  // namespace
}  // namespace vdz
