#include "search/dominance.h"

#include <gtest/gtest.h>

#include <vector>

#include "search/context_compaction.h"
#include "test_pool.h"

namespace vdz {
namespace {

using test::plain_card;
using test::TestCard;

struct PruneCase {
    const char* name;
    std::vector<TestCard> cards;
    std::vector<u16> fixed_cards;
    std::vector<u8> keep;
    std::vector<u16> dominator;
};

TestCard with(TestCard c, void (*edit)(TestCard&)) {
    edit(c);
    return c;
}

const TestCard A = plain_card(1, 1, 1000, 50);

std::vector<PruneCase> prune_cases() {
    return {
        {"a character's only card stays", {A, plain_card(2, 2, 10, 0)}, {}, {1, 1}, {0, 0}},
        {"of two equal cards the lower index survives",
         {A, with(A, [](TestCard& c) { c.card_id = 2; })},
         {},
         {1, 0},
         {0, 0}},
        {"a weaker card of the same character goes",
         {plain_card(2, 1, 900, 40), A},
         {},
         {0, 1},
         {1, 0}},
        {"a different attribute keeps both",
         {A, with(A, [](TestCard& c) { c.card_id = 2, c.attr = 1; })},
         {},
         {1, 1},
         {0, 0}},
        {"a unit the other lacks keeps both",
         {with(A, [](TestCard& c) { c.units = 0x03; }),
          with(A, [](TestCard& c) { c.card_id = 2, c.units = 0x05; })},
         {},
         {1, 1},
         {0, 0}},
        {"the larger unit set removes the smaller",
         {A, with(A, [](TestCard& c) { c.card_id = 2, c.units = 0x03; })},
         {},
         {0, 1},
         {1, 0}},
        {"different skill kinds keep both",
         {A, with(A,
                  [](TestCard& c) {
                      c.card_id = 2, c.skill = {}, c.skill.has_ref = true, c.skill.ref = {60, 10};
                  })},
         {},
         {1, 1},
         {0, 0}},
        {"one weaker power variant keeps both",
         {A,
          with(A,
               [](TestCard& c) { c.card_id = 2, c.unit_values[1] = 999, c.unit_values[2] = 1001; }),
          with(A, [](TestCard& c) { c.card_id = 3, c.unit_values[1] = 1001; })},
         {},
         {0, 1, 1},
         {2, 0, 0}},
        {"a larger limited part does not make up for a smaller base part",
         {with(A, [](TestCard& c) { c.base_x10 = 100; }),
          with(A, [](TestCard& c) { c.card_id = 2, c.base_x10 = 50, c.limited_x10 = 100; })},
         {},
         {1, 1},
         {0, 0}},
        {"a fixed card stays and removes its equal",
         {A, with(A, [](TestCard& c) { c.card_id = 2; })},
         {2},
         {0, 1},
         {1, 0}},
        {"chains: the last survivor stands for all",
         {plain_card(1, 1, 900, 50), plain_card(2, 1, 800, 50), plain_card(3, 1, 1000, 50)},
         {},
         {0, 0, 1},
         {2, 0, 0}},
    };
}

TEST(PruneDominatedCards, Cases) {
    for (const PruneCase& c : prune_cases()) {
        SearchContext context;
        context.fixed_cards = c.fixed_cards;
        const CardPool pool = test::make_pool(c.cards, context);
        const PruneOutcome out = prune_dominated_cards(pool, context, nullptr);
        EXPECT_EQ(out.keep, c.keep) << c.name;
        EXPECT_EQ(out.dominator, c.dominator) << c.name;
    }
}

TEST(PruneDominatedCards, LeaderBonusesCountOnlyInTheFinalChapter) {
    SearchContext context;
    TestCard leader = with(A, [](TestCard& c) { c.card_id = 2, c.leader_honor_bonus = 5; });
    const CardPool pool = test::make_pool({A, leader}, context);
    EXPECT_EQ(prune_dominated_cards(pool, context, nullptr).keep, (std::vector<u8>{1, 0}));
    context.final_chapter = true;
    EXPECT_EQ(prune_dominated_cards(pool, context, nullptr).keep, (std::vector<u8>{0, 1}));
}

TEST(CollectDominatedLists, FollowsChainsToTheSurvivor) {
    // 0 removed by 1, 1 by 3, 2 by 3, 4 kept, 5 removed by 4.
    const PruneOutcome outcome{{0, 0, 0, 1, 1, 0}, {1, 3, 3, 0, 0, 4}};
    const DominatedLists lists = collect_dominated_lists(outcome);
    const DominatedLists expected = {{}, {}, {}, {0, 1, 2}, {5}, {}};
    EXPECT_EQ(lists, expected);
}

TEST(SupportLossMatrix, AbsentWithoutWorldBloomOrWithoutLoss) {
    SearchContext context;
    context.world_bloom_support.general = {{{1, 2.0}, {2, 1.0}}, 1};
    const CardPool pool = test::make_pool({A, plain_card(2, 2, 10, 0)}, context);
    EXPECT_FALSE(build_support_loss_matrix(pool, context));
    context.world_bloom = true;
    context.world_bloom_support.general = {{{1, 1.0}, {2, 1.0}}, 1};
    EXPECT_FALSE(build_support_loss_matrix(pool, context));
}

TEST(SupportLossMatrix, LossesAgainstTheFirstCardOutside) {
    SearchContext context;
    context.world_bloom = true;
    context.final_chapter = true;
    // General list: two support places, 2.125 - 1.0 and 1.5 - 1.0 lost; the
    // id 99 is not in the pool. Character 3 has a list of its own of exactly
    // its size, so its cards lose their whole value; character 4's record
    // has no places and falls back to the general list.
    context.world_bloom_support.general = {{{1, 2.125}, {99, 1.5}, {2, 1.0}}, 2};
    context.world_bloom_support.per_character.resize(27);
    context.world_bloom_support.per_character[3] = {{{2, 0.125}}, 1};
    context.world_bloom_support.per_character[4] = {{{1, 7.0}}, 0};
    const CardPool pool = test::make_pool({A, plain_card(2, 2, 10, 0)}, context);
    const auto matrix = build_support_loss_matrix(pool, context);
    ASSERT_TRUE(matrix);
    EXPECT_EQ(matrix->row(0)[0], 113);  // 112.5 rounds away from zero
    EXPECT_EQ(matrix->row(0)[3], 0);
    EXPECT_EQ(matrix->row(0)[4], 113);
    EXPECT_EQ(matrix->row(1)[0], 0);
    EXPECT_EQ(matrix->row(1)[3], 13);

    // The matrix keeps a card whose removal would cost more support.
    SearchContext wb;
    wb.world_bloom = true;
    wb.world_bloom_support.general = {{{2, 3.0}, {5, 1.0}}, 1};
    const CardPool same = test::make_pool({A, with(A, [](TestCard& c) { c.card_id = 2; })}, wb);
    const auto loss = build_support_loss_matrix(same, wb);
    ASSERT_TRUE(loss);
    EXPECT_EQ(prune_dominated_cards(same, wb, &*loss).keep, (std::vector<u8>{1, 0}));
    wb.world_bloom_support.general = {{{1, 3.0}, {5, 1.0}}, 1};
    const auto loss1 = build_support_loss_matrix(same, wb);
    EXPECT_EQ(prune_dominated_cards(same, wb, &*loss1).keep, (std::vector<u8>{0, 1}));
}

TEST(RemapSearchContext, CompactsThePerCardVectorsOnly) {
    SearchContext context;
    context.fixed_cards = {7};
    context.leader_honor_bonus = {10, 20, 30, 40, 50};
    context.leader_limit_bonus = {1, 2, 3, 4, 5};
    context.skill_is_after_training = {1, 0, 1, 0, 1};
    context.trained_to_special_image = {0, 1, 0, 1, 0};
    context.card_enabled = {1, 1, 0};  // shorter: compacted over its length
    const std::vector<u8> keep = {1, 0, 1, 1, 0};
    const SearchContext out = remap_search_context(context, keep);
    EXPECT_EQ(out.leader_honor_bonus, (std::vector<u16>{10, 30, 40}));
    EXPECT_EQ(out.leader_limit_bonus, (std::vector<u16>{1, 3, 4}));
    EXPECT_EQ(out.skill_is_after_training, (std::vector<u8>{1, 1, 0}));
    EXPECT_EQ(out.trained_to_special_image, (std::vector<u8>{0, 0, 1}));
    EXPECT_EQ(out.card_enabled, (std::vector<u8>{1, 0}));
    EXPECT_EQ(out.fixed_cards, context.fixed_cards);
    EXPECT_EQ(kept_indices(keep), (std::vector<u16>{0, 2, 3}));
    EXPECT_EQ(remap_search_context(context, std::vector<u8>(5, 1)).leader_honor_bonus,
              context.leader_honor_bonus);
}

}  // namespace
}  // namespace vdz
