#include "search/pruning/dominance.h"

#include <gtest/gtest.h>

#include <vector>

#include "brute_force_decks.h"
#include "search/pruning/context_compaction.h"
#include "search/search_entry.h"
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

TEST(SupportLossMatrix, AbsentWithoutWorldBloomOrWithoutListedCards) {
    SearchContext context;
    context.world_bloom_support.general = {{{1, 2.0}, {2, 1.0}}, 1};
    const CardPool pool = test::make_pool({A, plain_card(2, 2, 10, 0)}, context);
    EXPECT_FALSE(build_support_loss_matrix(pool, context));
    context.world_bloom = true;
    EXPECT_TRUE(build_support_loss_matrix(pool, context));
    context.world_bloom_support.general = {{{7, 2.0}, {8, 1.0}}, 1};  // none of the pool's
    EXPECT_FALSE(build_support_loss_matrix(pool, context));
    context.world_bloom_support.general = {{{1, 2.0}, {2, 1.0}}, 0};  // support off
    EXPECT_FALSE(build_support_loss_matrix(pool, context));
}

// Two equal cards of one character but for what they cost the support deck,
// under a list of one support place whose first entry (id 9) is another
// character's card: a deck holding that card moves the list up by one, so
// every entry within reach of the place can be taken.
struct SupportCase {
    const char* name;
    std::vector<SupportEntry> entries;
    u8 count;
    std::vector<u8> keep;
};

TEST(SupportLossMatrix, ACardCostingLessSupportIsKept) {
    const std::vector<SupportCase> cases = {
        {"a card outside the list costs nothing", {{9, 5.0}, {2, 3.0}}, 1, {1, 0}},
        {"and removes the listed one", {{9, 5.0}, {1, 3.0}}, 1, {0, 1}},
        {"the lower value costs less", {{9, 5.0}, {2, 3.0}, {1, 2.0}}, 1, {1, 0}},
        {"also past the entry that fills a freed place", {{9, 5.0}, {1, 3.0}, {2, 2.0}}, 1, {0, 1}},
        {"equal values keep the lower index", {{9, 5.0}, {2, 3.0}, {1, 3.0}}, 1, {1, 0}},
        {"out of order nothing listed compares", {{9, 1.0}, {1, 2.0}, {2, 3.0}}, 1, {1, 1}},
        {"an entry no deck reaches costs nothing",
         {{9, 9.0}, {20, 8.0}, {21, 7.0}, {22, 6.0}, {23, 5.0}, {24, 4.0}, {2, 3.0}},
         1,
         {1, 0}},
    };
    for (const SupportCase& c : cases) {
        SearchContext context;
        context.world_bloom = true;
        context.world_bloom_support.general = {c.entries, c.count};
        const CardPool pool =
            test::make_pool({A, with(A, [](TestCard& t) { t.card_id = 2; })}, context);
        const auto matrix = build_support_loss_matrix(pool, context);
        EXPECT_EQ(prune_dominated_cards(pool, context, matrix ? &*matrix : nullptr).keep, c.keep)
            << c.name;
    }
}

TEST(SupportLossMatrix, EveryVariantOfAListedCardCosts) {
    // Cards 0 and 1 are two skill variants of card id 1, which the support
    // list holds; card 2 is as strong as card 0 and costs nothing.
    SearchContext context;
    context.world_bloom = true;
    context.world_bloom_support.general = {{{1, 3.0}, {9, 1.0}}, 1};
    const CardPool pool = test::make_pool(
        {A, with(A, [](TestCard& t) { t.skill.plain_value = 40, t.skill_value = 40; }),
         with(A, [](TestCard& t) { t.card_id = 2; })},
        context);
    const auto matrix = build_support_loss_matrix(pool, context);
    ASSERT_TRUE(matrix);
    const PruneOutcome out = prune_dominated_cards(pool, context, &*matrix);
    EXPECT_EQ(out.keep, (std::vector<u8>{0, 0, 1}));
    EXPECT_EQ(out.dominator, (std::vector<u16>{2, 0, 0}));  // 1 through 0 to 2
}

TEST(SupportLossMatrix, EachLeadersListCounts) {
    // In the final chapter the leader's character picks the list: card 1
    // costs nothing under the general list but more under character 3's.
    SearchContext context;
    context.world_bloom = true;
    context.final_chapter = true;
    context.world_bloom_support.general = {{{9, 5.0}, {1, 3.0}}, 1};
    context.world_bloom_support.per_character.resize(27);
    context.world_bloom_support.per_character[3] = {{{9, 5.0}, {2, 3.0}, {1, 2.0}}, 1};
    const CardPool pool =
        test::make_pool({A, with(A, [](TestCard& t) { t.card_id = 2; })}, context);
    const auto matrix = build_support_loss_matrix(pool, context);
    ASSERT_TRUE(matrix);
    EXPECT_EQ(matrix->lists.size(), 2u);
    EXPECT_EQ(prune_dominated_cards(pool, context, &*matrix).keep, (std::vector<u8>{1, 1}));
}

// Card 0 and card 1 share every compared property but one part of a skill
// that resolves through a side table.
struct SkillCase {
    const char* name;
    void (*edit)(TestCard&);  // applied to card 1, a copy of card 0
    bool keep_after_training_state;
    std::vector<u8> keep;
};

TestCard reference_card() {
    TestCard c = plain_card(1, 1, 1000, 0);
    c.skill = {};
    c.skill.has_ref = true;
    c.skill.ref = {50, 20};
    c.skill_secondary = 10;
    c.skill_value = 255;
    return c;
}

TEST(PruneDominatedCards, SkillsCompareByWhatTheyResolveTo) {
    const std::vector<SkillCase> cases = {
        {"a reference skill's higher plain value",
         [](TestCard& c) { c.skill_secondary = 60; },
         false,
         {0, 1}},
        {"a lower plain value does not remove it",
         [](TestCard& c) { c.skill_secondary = 5; },
         false,
         {1, 0}},
        {"a diff skill's plain value and cap",
         [](TestCard& c) {
             c.skill = {}, c.skill.has_diff = true, c.skill.diff = {30, 10}, c.skill_value = 40;
         },
         false,
         {1, 1}},
        {"the training state: only the trained card takes the special skill",
         [](TestCard& c) { c.skill_is_after_training = true; },
         true,
         {1, 1}},
        {"without that option the flag is not read",
         [](TestCard& c) { c.skill_is_after_training = true; },
         false,
         {1, 0}},
    };
    for (const SkillCase& c : cases) {
        SearchContext context;
        context.keep_after_training_state = c.keep_after_training_state;
        TestCard first = reference_card();
        TestCard second = first;
        second.card_id = 2;
        c.edit(second);
        if (second.skill.has_diff) {
            first.skill = second.skill;
            first.skill_secondary = 50;  // higher plain value, lower cap
            first.skill_value = 35;
        }
        const CardPool pool = test::make_pool({first, second}, context);
        EXPECT_EQ(prune_dominated_cards(pool, context, nullptr).keep, c.keep) << c.name;
    }
}

// Pruning drops no card the best deck needs: with `limit` 1 nothing is
// re-admitted, so the search's best key is the brute force's.
u64 best_key_after_pruning(const CardPool& pool, const SearchContext& context) {
    const auto found = search_recommend(pool, context, 1, 0, steady_search_clock());
    EXPECT_TRUE(found.ok());
    return found.ok() && !found.value().decks.empty() ? found.value().decks[0].score : 0;
}

u64 best_key_of_all(const CardPool& pool, const SearchContext& context) {
    const auto all = test::all_decks_ranked(pool, context);
    return all.empty() ? 0 : all[0].score;
}

// Four plain cards of characters 2..5 to complete the decks.
void add_other_characters(std::vector<TestCard>& cards) {
    for (u8 c = 2; c <= 5; ++c)
        cards.push_back(plain_card(static_cast<u16>(10 + c), c, 1000, 50));
}

TEST(PruneDominatedCards, KeepsTheBestDeckOfTheBruteForce) {
    // A reference skill with the better plain value.
    SearchContext score;
    score.music_base_scores = {1.0, 1.0, 0.0};
    score.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
    std::vector<TestCard> cards = {reference_card(), reference_card()};
    cards[1].card_id = 2;
    cards[1].skill_secondary = 100;
    add_other_characters(cards);
    const CardPool pool = test::make_pool(cards, score);
    EXPECT_EQ(best_key_after_pruning(pool, score), best_key_of_all(pool, score));

    // Two variants of a card the support list holds, and a card as strong
    // that it does not: 100 % with the unlisted card, 50 % with a variant.
    SearchContext bonus;
    bonus.target = Target::BONUS;
    bonus.event_kind = 2;
    bonus.world_bloom = true;
    bonus.world_bloom_support.general = {{{1, 50.0}, {99, 0.0}}, 1};
    std::vector<TestCard> wb = {A, with(A, [](TestCard& t) { t.skill.plain_value = 40; }),
                                with(A, [](TestCard& t) { t.card_id = 2; })};
    add_other_characters(wb);
    for (TestCard& t : wb)
        t.base_x10 = 100;
    const CardPool wb_pool = test::make_pool(wb, bonus);
    const u64 best = best_key_of_all(wb_pool, bonus);
    EXPECT_EQ(best >> 32, 200u);  // doubled percent
    EXPECT_EQ(best_key_after_pruning(wb_pool, bonus), best);
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
