// The tables' window reads join whole blocks of sums where they can; this
// checks them against every choice of cards of a small pool, over every
// row, count and window edge, blocks cut at either end included.
#include "search/bounds/bonus_total_tables.h"

#include <gtest/gtest.h>

#include <bit>
#include <map>
#include <random>

#include "brute_force_decks.h"

namespace vdz {
namespace {

// Which cards some choice of the sums holds, and the largest card position:
// a join that drops or repeats an entry shows in one of them.
struct Seen {
    bool reached = false;
    u64 cards = 0;
    u16 top = 0;
    void keep_best(const Seen& o) {
        reached = true;
        cards |= o.cards;
        top = std::max(top, o.top);
    }
};

TEST(BonusTotalTables, WindowReadsJoinEveryChoiceWithin) {
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        std::vector<test::TestCard> cards = test::random_cards(rng, 10 + rng() % 6);
        SearchContext context = test::random_default_context(rng);
        context.target = Target::BONUS;
        for (test::TestCard& c : cards) {
            c.base_x10 = static_cast<u16>(10 * (1 + rng() % 30));
            c.limited_x10 = 0;
        }
        const CardPool pool = test::make_pool(cards, context);
        const auto join = [](const Seen* fewer, u16 card) {
            Seen s = fewer ? *fewer : Seen{};
            s.reached = true;
            s.cards |= u64{1} << card;
            s.top = std::max<u16>(s.top, card);
            return s;
        };
        const BonusTotalTables<Seen, 4> tables(pool, join);
        ASSERT_TRUE(tables.built());
        // Per row and count, the join of the choices of each sum of totals.
        const usize n = pool.count();
        std::vector<std::vector<std::map<u32, Seen>>> of_sum(n + 1,
                                                             std::vector<std::map<u32, Seen>>(5));
        for (u32 mask = 1; mask < (1u << n); ++mask) {
            const usize count = static_cast<usize>(std::popcount(mask));
            if (count > 4) continue;
            Seen choice;
            u32 sum = 0;
            for (u16 i = 0; i < n; ++i)
                if ((mask >> i) & 1u) {
                    choice = join(&choice, i);
                    sum += pool.event_bonus(i).total_x10();
                }
            const usize first = static_cast<usize>(std::countr_zero(mask));
            for (usize row = 0; row <= first; ++row)
                of_sum[row][count][sum].keep_best(choice);
        }
        for (usize row = 0; row <= n; ++row)
            for (usize count = 1; count <= 4; ++count)
                for (i64 lo = -5; lo <= 1300; lo += 7 + rng() % 40)
                    for (i64 hi = lo - 10; hi <= 1300; hi += 3 + rng() % 60) {
                        Seen expected;
                        for (const auto& [sum, seen] : of_sum[row][count])
                            if (lo <= i64{sum} && i64{sum} <= hi) expected.keep_best(seen);
                        const Seen read = tables.best_within(row, count, lo, hi);
                        ASSERT_EQ(read.reached, expected.reached);
                        ASSERT_EQ(read.cards, expected.cards)
                            << "row " << row << " count " << count << " " << lo << ".." << hi;
                        ASSERT_EQ(read.top, expected.top);
                    }
    }
}

}  // namespace
}  // namespace vdz
