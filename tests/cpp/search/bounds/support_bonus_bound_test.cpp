#include "search/bounds/support_bonus_bound.h"

#include <gtest/gtest.h>

#include <vector>

#include "search/bounds/dfs_bounds.h"
#include "test_pool.h"

namespace vdz {
namespace {

using test::plain_card;
using test::TestCard;

// A deck takes its list's first `count` entries (best first) that are not
// its cards, none below 0, and the bound rounds their sum up: the deck's
// cards may sit in the entries a deck of other cards takes, after them, or
// twice in a list (each of its entries skipped), and a list may hold fewer
// than `count`.
TEST(SupportBonusBound, TakesTheFirstEntriesThatAreNotTheDecks) {
    struct Case {
        const char* name;
        std::vector<SupportEntry> entries;
        u8 count;
        std::vector<u16> deck;  // pool positions; card ids 10 and up
        u64 expected;
    };
    const std::vector<Case> cases = {
        {"none of the taken ones", {{10, 20.0}, {11, 15.0}, {12, 5.0}}, 2, {2, 4}, 35},
        {"first entry skipped", {{10, 20.0}, {11, 15.0}, {12, 5.0}}, 2, {0, 4}, 20},
        {"skips in and after the head",
         {{10, 20.0}, {11, 15.0}, {12, 5.0}, {13, 4.0}, {14, 3.0}},
         2,
         {0, 2, 5},
         19},
        {"every card of the deck skipped",
         {{10, 8.0}, {11, 7.0}, {12, 6.0}, {13, 5.0}, {14, 4.0}, {20, 3.0}, {21, 2.0}},
         2,
         {0, 1, 2, 3, 4},
         5},
        {"an id listed twice", {{10, 20.0}, {10, 7.0}, {11, 15.0}, {12, 5.0}}, 2, {0}, 20},
        {"fewer entries than taken", {{10, 20.0}, {11, 15.0}}, 3, {1}, 20},
        {"values of no short binary fraction", {{10, 0.1}, {11, 0.7}, {12, 0.3}}, 2, {1}, 1},
        {"negative values count 0, the sum rounds up",
         {{10, 2.5}, {12, 0.25}, {11, -3.0}},
         3,
         {5},
         3},
    };
    std::vector<TestCard> cards;
    for (u8 i = 0; i < 6; ++i)
        cards.push_back(plain_card(static_cast<u16>(10 + i), static_cast<u8>(i + 1), 1000, 50));
    for (const Case& c : cases) {
        SearchContext context;
        context.event_kind = 2;
        context.world_bloom = true;
        context.target = Target::BONUS;
        context.world_bloom_support.general = {c.entries, c.count};
        const CardPool pool = test::make_pool(cards, context);
        const SuffixTables suffix = build_suffix_tables(pool, context);
        const BoundModel m = make_bound_model(pool, context, suffix);
        PartialDeckKey key;
        for (const u16 card : c.deck)
            key.add(pool, card);
        EXPECT_EQ(support_bonus_bound(m, 5 - key.count, key), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace vdz
