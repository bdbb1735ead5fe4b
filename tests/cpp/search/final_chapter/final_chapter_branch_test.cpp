#include "search/final_chapter/final_chapter_branch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "search/final_chapter/final_chapter_fixture.h"
#include "search/search_entry.h"
#include "test_pool.h"

namespace vdz {
namespace {

using test::plain_card;
using test::TestCard;

// One card of each character 1..6 (pool index = character - 1), and card 6:
// a weaker card of character 2 that only its leader honor bonus keeps from
// being dominated in a final-chapter comparison.
struct BranchFixture {
    SearchContext context;
    CardPool pool;
    std::vector<u16> full_index_map;  // card i stands at 2i of a larger pool
    DominatedLists first;

    BranchFixture() : pool(make()) {
        for (u16 i = 0; i < pool.count(); ++i)
            full_index_map.push_back(static_cast<u16>(2 * i));
        first.resize(2 * pool.count());
        first[12] = {13};  // the first pass set card 13 aside for card 6
    }

    CardPool make() {
        context.final_chapter = true;
        context.event_kind = 2;
        std::vector<TestCard> cards;
        for (u16 c = 1; c <= 6; ++c)
            cards.push_back(plain_card(c, static_cast<u8>(c), 20000 + 1000 * c, 50));
        TestCard weak = plain_card(7, 2, 1000, 10);
        weak.leader_honor_bonus = 10;
        cards.push_back(weak);
        return test::make_pool(cards, context);
    }

    FinalChapterBranch run(u64 limit = 10) {
        auto r = run_final_chapter_branch(pool, context, full_index_map, first, limit, 0,
                                          steady_search_clock());
        EXPECT_TRUE(r.ok());
        return std::move(r).value();
    }
};

bool holds(const DeckEntry& deck, u16 card) {
    return std::find(deck.slots.begin(), deck.slots.end(), card) != deck.slots.end();
}

TEST(FinalChapterBranch, SecondPassListsAndTheLeadersCharacter) {
    BranchFixture f;
    f.context.designated_character = 1;
    const FinalChapterBranch out = f.run();
    // Card 6 stands aside for card 1, followed by what it stood for.
    DominatedLists expected(14);
    expected[2] = {12, 13};
    EXPECT_EQ(out.second, expected);
    // Every deck: card 0 and four of the five other characters' best cards.
    ASSERT_EQ(out.found.decks.size(), 5u);
    for (const DeckEntry& deck : out.found.decks) {
        EXPECT_TRUE(holds(deck, 0));
        EXPECT_FALSE(holds(deck, 6));
    }
}

TEST(FinalChapterBranch, NoCardOfTheLeadersCharacter) {
    BranchFixture f;
    f.context.designated_character = 9;
    EXPECT_TRUE(f.run().found.decks.empty());
}

TEST(FinalChapterBranch, FixedCardsStayInEveryDeck) {
    BranchFixture f;
    f.context.fixed_cards = {3};
    const FinalChapterBranch out = f.run(3);
    ASSERT_EQ(out.found.decks.size(), 3u);
    for (const DeckEntry& deck : out.found.decks)
        EXPECT_EQ(deck.slots[0], 2);
}

// Through the whole road, re-admission included: every deck keeps the fixed
// cards, a card of each fixed character, and the leader the request names.
TEST(FinalChapterBranch, ConstraintsSurviveReadmission) {
    std::mt19937 rng(21);
    const test::FinalSetup setup = {
        "solo", Target::SCORE, LiveType::SOLO, SkillOrderChooseStrategy::BEST, 5, true, true};
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        SearchContext context = test::final_context(setup, rng, 7);
        context.dominance_pruning = true;
        std::vector<TestCard> cards = test::random_final_cards(rng, {3, 2, 2, 2, 2, 2, 2});
        // Weaker copies under new ids: material for pruning and re-admission.
        for (usize i = 0, n = cards.size(); i < n; ++i) {
            TestCard copy = cards[i];
            copy.card_id = static_cast<u16>(cards[i].card_id + 300);
            copy.base_x10 = copy.base_x10 / 2;
            cards.push_back(copy);
        }
        const CardPool pool = test::make_pool(cards, context);
        switch (round % 4) {
            case 0:
                context.designated_character = 1;
                context.fixed_cards = {cards[5].card_id};
                break;
            case 1:
                context.designated_character = 1;
                context.fixed_characters = {4};
                break;
            case 2:
                context.fixed_cards = {cards[3].card_id, cards[9].card_id};
                break;
            default:
                context.fixed_characters = {5, 2};
                break;
        }
        const auto found = search_recommend(pool, context, 6, 0, steady_search_clock());
        ASSERT_TRUE(found.ok()) << found.error().message;
        ASSERT_FALSE(found.value().decks.empty());
        for (const DeckEntry& deck : found.value().decks) {
            const auto holds = [&](auto&& matches) {
                return std::any_of(deck.slots.begin(), deck.slots.end(), matches);
            };
            for (const u16 id : context.fixed_cards)
                EXPECT_TRUE(holds([&](u16 c) { return pool.card_id(c) == id; }));
            for (const u8 ch : context.fixed_characters)
                EXPECT_TRUE(holds([&](u16 c) { return pool.character_id(c) == ch; }));
            const u16 leader = deck.slots[0];
            if (context.designated_character) {
                EXPECT_EQ(pool.character_id(leader), *context.designated_character);
            } else if (!context.fixed_cards.empty()) {
                EXPECT_EQ(pool.card_id(leader), context.fixed_cards[0]);
            } else {
                EXPECT_EQ(pool.character_id(leader), context.fixed_characters[0]);
            }
        }
    }
}

}  // namespace
}  // namespace vdz
