#include "search/final_chapter_branch.h"

#include <gtest/gtest.h>

#include <algorithm>

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

TEST(FinalChapterBranch, FixedCardsTakeTheDepthFirstSearch) {
    // The final-chapter search would not keep a fixed card; every deck here
    // holds it.
    BranchFixture f;
    f.context.fixed_cards = {3};
    const FinalChapterBranch out = f.run(3);
    ASSERT_FALSE(out.found.decks.empty());
    for (const DeckEntry& deck : out.found.decks)
        EXPECT_TRUE(holds(deck, 2));
}

}  // namespace
}  // namespace vdz
