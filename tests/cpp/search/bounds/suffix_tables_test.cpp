#include "search/bounds/suffix_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "test_pool.h"

namespace vdz {
namespace {

using test::plain_card;
using test::TestCard;

// Sum of the k largest per-character maxima of value(card) over cards
// first..n-1: the definition, straight.
template <class Value>
u32 brute_top_sum(const CardPool& pool, usize first, usize k, Value value) {
    std::array<u32, 27> best{};
    for (usize i = first; i < pool.count(); ++i) {
        const u16 card = static_cast<u16>(i);
        u32& b = best[pool.character_id(card)];
        b = std::max(b, value(card));
    }
    std::sort(best.begin(), best.end(), std::greater<u32>());
    u32 sum = 0;
    for (usize j = 0; j < k; ++j)
        sum += best[j];
    return sum;
}

TEST(SuffixTables, RowsMatchTheirDefinitionOnRandomPools) {
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        std::vector<TestCard> cards;
        const usize n = 1 + rng() % 30;
        for (usize i = 0; i < n; ++i) {
            TestCard c = plain_card(static_cast<u16>(i + 1), static_cast<u8>(rng() % 27),
                                    static_cast<u32>(rng() % 50000), static_cast<u8>(rng() % 120));
            c.base_x10 = static_cast<u16>(rng() % 300);
            c.limited_x10 = static_cast<u16>(rng() % 3 == 0 ? rng() % 200 : 0);
            cards.push_back(c);
        }
        SearchContext context;
        context.final_chapter = round % 2 == 0;
        const CardPool pool = test::make_pool(cards, context);
        const SuffixTables t = build_suffix_tables(pool, context);
        ASSERT_EQ(t.power_sums.size(), n + 1);
        const auto total = [&](u16 c) { return ceil_percent(pool.event_bonus(c).total_x10()); };
        const auto limited = [&](u16 c) { return ceil_percent(pool.limited_x10(c)); };
        const auto base = [&](u16 c) {
            return ceil_percent(pool.event_bonus(c).total_x10() - pool.limited_x10(c));
        };
        for (usize i = 0; i <= n; ++i) {
            u16 max_skill = 0;
            for (usize j = i; j < n; ++j)
                max_skill = std::max<u16>(max_skill, pool.skill_value(static_cast<u16>(j)));
            EXPECT_EQ(t.max_skill_from[i], max_skill);
            for (usize k = 0; k <= 5; ++k) {
                SCOPED_TRACE(testing::Message() << "round " << round << " i " << i << " k " << k);
                EXPECT_EQ(t.power_sums[i][k],
                          brute_top_sum(pool, i, k, [&](u16 c) { return pool.power(c); }));
                EXPECT_EQ(t.skill_sums[i][k], brute_top_sum(pool, i, k, [&](u16 c) {
                              return u32{pool.skill_value(c)};
                          }));
                EXPECT_EQ(t.bonus_total_sums[i][k], brute_top_sum(pool, i, k, total));
                if (context.final_chapter) {
                    EXPECT_EQ(t.bonus_base_sums[i][k], brute_top_sum(pool, i, k, base));
                    EXPECT_EQ(t.bonus_limited_sums[i][k], brute_top_sum(pool, i, k, limited));
                } else {
                    EXPECT_EQ(t.bonus_base_sums[i], t.bonus_total_sums[i]);
                    EXPECT_EQ(t.bonus_limited_sums[i], SuffixRow{});
                }
            }
        }
        // Rankings: descending keys, ties by slot, values those of the slots.
        for (usize j = 1; j < 27; ++j) {
            const u8 a = t.power_order[j - 1], b = t.power_order[j];
            EXPECT_TRUE(t.power_by_rank[j - 1] > t.power_by_rank[j] ||
                        (t.power_by_rank[j - 1] == t.power_by_rank[j] && a < b));
        }
        EXPECT_EQ(t.power_by_rank[0], t.power_sums[0][1]);
        EXPECT_EQ(t.skill_by_rank[0], t.skill_sums[0][1]);
        EXPECT_EQ(t.bonus_by_rank[0], t.bonus_total_sums[0][1]);
    }
}

TEST(SuffixTables, OneCharacterCountsOnceAndOnlyWhileItsCardsRemain) {
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 9; ++i)
        cards.push_back(plain_card(static_cast<u16>(i + 1),
                                   static_cast<u8>(i == 3 || i == 7 ? 5 : 6),
                                   i == 3   ? 200
                                   : i == 7 ? 100
                                            : 0,
                                   0));
    SearchContext context;
    const CardPool pool = test::make_pool(cards, context);
    const SuffixTables t = build_suffix_tables(pool, context);
    EXPECT_EQ(t.power_sums[0], (SuffixRow{0, 200, 200, 200, 200, 200}));
    EXPECT_EQ(t.power_sums[3], (SuffixRow{0, 200, 200, 200, 200, 200}));
    EXPECT_EQ(t.power_sums[4], (SuffixRow{0, 100, 100, 100, 100, 100}));
    EXPECT_EQ(t.power_sums[7], (SuffixRow{0, 100, 100, 100, 100, 100}));
    EXPECT_EQ(t.power_sums[8], SuffixRow{});
    EXPECT_EQ(t.power_sums[9], SuffixRow{});
}

TEST(SuffixTables, EmptyPoolAndTiesInTheRankings) {
    SearchContext context;
    const CardPool pool = test::make_pool({}, context);
    const SuffixTables t = build_suffix_tables(pool, context);
    ASSERT_EQ(t.power_sums.size(), 1u);
    EXPECT_EQ(t.power_sums[0], SuffixRow{});
    EXPECT_EQ(t.max_skill_from, std::vector<u16>{0});
    for (usize j = 0; j < 27; ++j) {
        EXPECT_EQ(t.power_order[j], j);
        EXPECT_EQ(t.bonus_by_rank[j], 0);
    }

    SearchContext tied;
    const CardPool two = test::make_pool(
        {plain_card(1, 9, 500, 1), plain_card(2, 4, 500, 1), plain_card(3, 2, 100, 1)}, tied);
    const SuffixTables r = build_suffix_tables(two, tied);
    EXPECT_EQ(r.power_order[0], 4);
    EXPECT_EQ(r.power_order[1], 9);
    EXPECT_EQ(r.power_order[2], 2);
}

TEST(SuffixTables, BonusRoundsUpToWholePercent) {
    TestCard a = plain_card(1, 1, 0, 0), b = plain_card(2, 2, 0, 0);
    a.base_x10 = 125;
    b.base_x10 = 120;
    SearchContext context;
    const CardPool pool = test::make_pool({a, b}, context);
    const SuffixTables t = build_suffix_tables(pool, context);
    EXPECT_EQ(t.bonus_total_sums[0][1], 13u);
    EXPECT_EQ(t.bonus_total_sums[1][1], 12u);
    EXPECT_EQ(t.bonus_total_sums[0][2], 25u);
}

TEST(SuffixTables, UnitPatternRowsHoldEachCharactersBestPowerPerShape) {
    TestCard c = plain_card(1, 3, 0, 0, /*attr=*/2, /*units=*/0x05);
    c.unit_values = {10, 11, 12, 13, 20, 21, 22, 23};  // first unit 0, second unit 2
    SearchContext context;
    context.target = Target::SCORE;
    const CardPool pool = test::make_pool({c}, context);
    const SuffixTables t = build_suffix_tables(pool, context);
    ASSERT_EQ(t.power_by_unit_pattern.size(), UNIT_PATTERN_ROWS);
    // Pattern 0: no unit shared; mixed takes the best unshared slot of either unit.
    EXPECT_EQ(t.power_by_unit_pattern[7 * 0 + 6][3], 20u);
    EXPECT_EQ(t.power_by_unit_pattern[7 * 0 + 2][3], 21u);
    EXPECT_EQ(t.power_by_unit_pattern[7 * 0 + 1][3], 0u);  // not the card's attribute
    // Pattern with unit 0 shared only: the first unit's same-unit slots.
    EXPECT_EQ(t.power_by_unit_pattern[7 * 1 + 6][3], 20u);
    EXPECT_EQ(t.power_by_unit_pattern[7 * 1 + 2][3], 21u);
    // Unit 2 shared: the second unit's same-unit slots.
    EXPECT_EQ(t.power_by_unit_pattern[7 * 4 + 6][3], 22u);
    EXPECT_EQ(t.power_by_unit_pattern[7 * 4 + 2][3], 23u);

    for (const auto& [target, kind] : {std::pair{Target::SCORE, u8{0}},
                                       {Target::BONUS, NO_EVENT_KIND},
                                       {Target::POWER, NO_EVENT_KIND}}) {
        SearchContext other;
        other.target = target;
        other.event_kind = kind;
        const CardPool p = test::make_pool({c}, other);
        EXPECT_TRUE(build_suffix_tables(p, other).power_by_unit_pattern.empty());
    }
}

TEST(SuffixTables, LiveScoreParameters) {
    SearchContext context;  // no music: base values 1, 1, 0 and zero weights
    const CardPool pool = test::make_pool({}, context);
    for (const LiveType t :
         {LiveType::SOLO, LiveType::AUTO, LiveType::MULTI, LiveType::CHALLENGE}) {
        context.live_type = t;
        const SuffixTables s = build_suffix_tables(pool, context);
        EXPECT_EQ(s.base_score_e6, 1'000'000);
        EXPECT_EQ(s.skill_sum_e6, 0);
        EXPECT_EQ(s.skill_first5_e6, 0);
        EXPECT_EQ(s.skill_last_e6, 0);
    }

    struct Case {
        LiveType live;
        u8 event_kind;
        u32 life;
        LiveType effective;
        u32 cheerful_factor;
        u64 multi_term_e6;
    };
    const Case cases[] = {
        {LiveType::MULTI, 1, 300, LiveType::CHEERFUL, 6250, 75000},
        {LiveType::MULTI, 0, 300, LiveType::MULTI, 0, 75000},
        {LiveType::CHEERFUL, 1, 800, LiveType::CHEERFUL, 6550, 75000},
        {LiveType::CHEERFUL, 1, 2000, LiveType::CHEERFUL, 6750, 75000},
        {LiveType::SOLO, 1, 800, LiveType::SOLO, 0, 0},
    };
    for (const Case& c : cases) {
        context.live_type = c.live;
        context.event_kind = c.event_kind;
        context.life = c.life;
        const SuffixTables s = build_suffix_tables(pool, context);
        EXPECT_EQ(s.effective_live_type, c.effective);
        EXPECT_EQ(s.cheerful_factor, c.cheerful_factor);
        EXPECT_EQ(s.multi_term_e6, c.multi_term_e6);
        EXPECT_TRUE(s.has_event);
    }

    SearchContext music;
    music.live_type = LiveType::MULTI;
    music.music_base_scores = {1.5, 1.2, 0.5};
    music.music_skill_scores[1] = {10, 10, 10, 10, 10, 50};
    music.multi_live_teammate_score_up = 120;
    const SuffixTables s = build_suffix_tables(pool, music);
    EXPECT_EQ(s.base_score_e6, 1'750'000);
    EXPECT_EQ(s.skill_sum_e6, 200'000);
    EXPECT_EQ(s.skill_first5_e6, 50'000'000);
    EXPECT_EQ(s.skill_last_e6, 50'000'000);
    EXPECT_EQ(s.teammate_score_up_x5, 600);
    EXPECT_FALSE(s.has_event);
}

}  // namespace
}  // namespace vdz
