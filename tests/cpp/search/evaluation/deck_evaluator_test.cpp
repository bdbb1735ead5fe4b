#include "search/evaluation/deck_evaluator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <random>
#include <vector>

#include "test_pool.h"

// Counts this thread's allocations through the global operator new, so a test
// can show that evaluating a deck allocates nothing. AddressSanitizer brings
// its own operator new, which must not be mixed with this one.
namespace {
thread_local vdz::u64 allocations = 0;
}

#if defined(__SANITIZE_ADDRESS__)
#define VDZ_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VDZ_UNDER_ASAN 1
#endif
#endif
#ifndef VDZ_UNDER_ASAN
#define VDZ_COUNTS_ALLOCATIONS 1
void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
#endif

namespace vdz {
namespace {

using test::plain_card;
using test::TestCard;

constexpr DeckSlots FIRST_FIVE = {0, 1, 2, 3, 4};

std::optional<DeckEvaluation> evaluate(const std::vector<TestCard>& cards, SearchContext context,
                                       DeckSlots slots = FIRST_FIVE) {
    const CardPool pool = test::make_pool(cards, context);
    return evaluate_deck(pool, context, slots);
}

// Five plain cards of one unit and attribute with the given skill values.
std::vector<TestCard> plain_deck(std::array<u8, 5> skills, u32 power = 200) {
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 5; ++i)
        cards.push_back(plain_card(i + 1, i + 1, power, skills[i]));
    return cards;
}

TEST(DeckEvaluator, PowerReadsTheVariantOfTheDeckShape) {
    // Card 0 has units 0 and 1: slots 0-3 for unit 0, 4-7 for unit 1.
    TestCard two_units = plain_card(1, 1, 0, 0, 0, 0x03);
    two_units.unit_values = {10000, 11000, 12000, 13000, 20000, 21000, 22000, 23000};
    std::vector<TestCard> cards = {two_units};
    for (u16 i = 1; i < 5; ++i)
        cards.push_back(plain_card(i + 1, i + 1, 5000, 0, 0, 0x02));

    struct Case {
        const char* name;
        u8 fifth_attr;
        u8 fifth_units;
        u32 card_power;
    };
    const Case cases[] = {
        {"all share unit 1 and the attribute: variant 7", 0, 0x02, 23000},
        {"one other attribute: variant 6", 1, 0x02, 22000},
        {"one card outside unit 1: variant 5", 0, 0x04, 21000},
        {"neither: variant 4 beats unit 0's variant 0", 1, 0x04, 20000},
    };
    for (const Case& c : cases) {
        cards[4].attr = c.fifth_attr;
        cards[4].units = c.fifth_units;
        const auto e = evaluate(cards, SearchContext{});
        ASSERT_TRUE(e) << c.name;
        EXPECT_EQ(e->card_power[0], c.card_power) << c.name;
        EXPECT_EQ(e->power, c.card_power + 4 * 5000u) << c.name;
    }

    // A one-unit card reads slots 0-3: variant 3 when the deck shares both.
    std::vector<TestCard> one_unit = plain_deck({0, 0, 0, 0, 0});
    one_unit[0].unit_values = {100, 101, 102, 103, 0, 0, 0, 0};
    EXPECT_EQ(evaluate(one_unit, SearchContext{})->card_power[0], 103u);
    one_unit[1].units = 0x04;
    EXPECT_EQ(evaluate(one_unit, SearchContext{})->card_power[0], 101u);
}

TEST(DeckEvaluator, HonorPowerAndTheThirdTurnCap) {
    SearchContext context;
    context.honor_power = 1000;
    const auto cards = plain_deck({0, 0, 0, 0, 0}, 100000);
    EXPECT_EQ(evaluate(cards, context)->power, 501000u);
    context.wl3_power_cap = 1;
    EXPECT_EQ(evaluate(cards, context)->power, 336000u);
}

TEST(DeckEvaluator, FinalChapterCountsLimitedBonusesInSlotOrder) {
    std::vector<TestCard> cards = plain_deck({0, 0, 0, 0, 0});
    cards[0].base_x10 = 100;
    cards[0].leader_honor_bonus = 3;
    cards[0].leader_limit_bonus = 2;
    cards[1].base_x10 = 50;
    cards[1].limited_x10 = 100;
    cards[2].limited_x10 = 200;

    SearchContext context;
    EXPECT_DOUBLE_EQ(evaluate(cards, context)->event_bonus, 45.0);

    context.final_chapter = true;
    context.limited_bonus_count = 1;
    const auto e = evaluate(cards, context);
    // 10 + 5 + 10 (slot 1's limited part) + slot 2's base 0, + 3 + 2 at slot 0.
    EXPECT_DOUBLE_EQ(e->event_bonus, 30.0);
    EXPECT_DOUBLE_EQ(e->card_event_bonus[0], 15.0);
    EXPECT_DOUBLE_EQ(e->card_event_bonus[2], 20.0);

    context.limited_bonus_count = 2;
    EXPECT_DOUBLE_EQ(evaluate(cards, context)->event_bonus, 50.0);
}

TEST(DeckEvaluator, WorldBloomAddsAttributeAndSupportBonuses) {
    std::vector<TestCard> cards = plain_deck({0, 0, 0, 0, 0});
    cards[1].attr = 1;
    cards[2].attr = 2;  // three distinct attributes
    cards[0].base_x10 = 100;
    SearchContext context;
    context.event_kind = 2;
    context.world_bloom = true;
    context.distinct_attr_bonus = {0, 1, 2, 3, 4, 5};
    // The entry of deck card 2 is skipped; the next two count.
    context.world_bloom_support.general = {{{2, 9.0}, {500, 2.5}, {501, 1.5}, {502, 1.0}}, 2};
    EXPECT_DOUBLE_EQ(evaluate(cards, context)->event_bonus, 10.0 + 3.0 + 4.0);

    // In the final chapter the leader character's own list counts when set.
    context.final_chapter = true;
    context.world_bloom_support.per_character.resize(27);
    context.world_bloom_support.per_character[1] = {{{600, 7.0}, {601, 0.5}}, 1};
    EXPECT_DOUBLE_EQ(evaluate(cards, context)->event_bonus, 10.0 + 3.0 + 7.0);
    context.world_bloom_support.per_character[1].count = 0;
    EXPECT_DOUBLE_EQ(evaluate(cards, context)->event_bonus, 10.0 + 3.0 + 4.0);
}

TEST(DeckEvaluator, SideTableSkills) {
    std::vector<TestCard> cards = plain_deck({0, 0, 0, 0, 0});
    cards[0].skill = {};
    cards[0].skill.has_unit_count = true;
    cards[0].skill.unit_count = {1, 10, 20, 30, 40, 50};  // unit 1, then 1..5 cards
    cards[1].skill = {};
    cards[1].skill.has_diff = true;
    cards[1].skill.diff = {40, 10};
    cards[1].skill_value = 55;  // the diff skill's cap
    cards[1].skill_secondary = 45;
    cards[2].units = 0x03;
    cards[3].units = 0x06;
    SearchContext context;
    context.best_skill_as_leader = false;

    // Units 0, 1 and 2 present; two cards count for unit 1.
    auto e = evaluate(cards, context);
    EXPECT_EQ(e->skill_value[0], 20.0);
    EXPECT_EQ(e->skill_value[1], 55.0);  // min(40 + 10 x 2, 55) beats the plain 45

    cards[2].units = cards[3].units = 0x01;  // one unit: the special value is 40
    e = evaluate(cards, context);
    EXPECT_EQ(e->skill_value[0], 10.0);  // no card of unit 1 counts as one
    EXPECT_EQ(e->skill_value[1], 45.0);

    // Keeping the training state: the special skill only for a trained card
    // that does not show its special-training image.
    context.keep_after_training_state = true;
    cards[2].units = 0x03;
    cards[3].units = 0x06;
    EXPECT_EQ(evaluate(cards, context)->skill_value[1], 45.0);
    cards[1].skill_is_after_training = true;
    EXPECT_EQ(evaluate(cards, context)->skill_value[1], 55.0);
    cards[1].trained_to_special_image = true;
    EXPECT_EQ(evaluate(cards, context)->skill_value[1], 45.0);
}

// Cards 0 and 1 have reference skills (plain 50 and 60, 50 % of each other
// card's value, at most 100 from one card); the others plain 20, 30, 40.
std::vector<TestCard> two_reference_cards() {
    std::vector<TestCard> cards = plain_deck({0, 0, 20, 30, 40});
    for (usize i = 0; i < 2; ++i) {
        cards[i].skill = {};
        cards[i].skill.has_ref = true;
        cards[i].skill.ref = {50, 100};
        cards[i].skill_value = 255;
    }
    cards[0].skill_secondary = 50;
    cards[1].skill_secondary = 60;
    return cards;
}

// Solo live whose score is (1 + leader's value) x power x 4.
SearchContext leader_weighted_context() {
    SearchContext context;
    context.music_skill_scores[0] = {0, 0, 0, 0, 0, 100};
    return context;
}

TEST(DeckEvaluator, TwoReferenceCardsChooseAmongFourVariants) {
    SearchContext context = leader_weighted_context();
    context.skill_reference_choose_strategy = SkillReferenceChooseStrategy::MAX;
    // Both on: each sees the other at plain + cap (150 and 160), so
    // 50 + 160 / 2 and 60 + 150 / 2. Better than one on (80 or 85) or none.
    auto e = evaluate(two_reference_cards(), context);
    EXPECT_EQ(e->skill_value, (std::array<double, 5>{130, 135, 20, 30, 40}));
    EXPECT_EQ(e->score, 136 * 1000 * 4);

    // Min: the share is 10 either way; both-on and card 1 alone tie at a
    // leader value of 70, and the first choice met (both on) stays.
    context.skill_reference_choose_strategy = SkillReferenceChooseStrategy::MIN;
    e = evaluate(two_reference_cards(), context);
    EXPECT_EQ(e->skill_value, (std::array<double, 5>{60, 70, 20, 30, 40}));

    // Average of the four shares: (80 + 10 + 15 + 20) / 4 for card 0,
    // (75 + 10 + 15 + 20) / 4 for card 1.
    context.skill_reference_choose_strategy = SkillReferenceChooseStrategy::AVERAGE;
    e = evaluate(two_reference_cards(), context);
    EXPECT_EQ(e->skill_value, (std::array<double, 5>{81.25, 90, 20, 30, 40}));

    // Mysekai mode never switches them on.
    context.target = Target::MYSEKAI;
    EXPECT_EQ(evaluate(two_reference_cards(), context)->skill_value,
              (std::array<double, 5>{50, 60, 20, 30, 40}));
}

TEST(DeckEvaluator, LeaderChoice) {
    std::vector<TestCard> cards = plain_deck({10, 30, 30, 20, 5});
    const u16 ids[] = {5, 9, 7, 8, 6};
    for (usize i = 0; i < 5; ++i)
        cards[i].card_id = ids[i];
    SearchContext context;
    // Best skill leads (ties: the smaller card id) and swaps with slot 0.
    EXPECT_EQ(evaluate(cards, context)->order, (std::array<u8, 5>{2, 1, 0, 3, 4}));
    EXPECT_DOUBLE_EQ(evaluate(cards, context)->multi_live_score_up, 30 + 0.2 * 65);
    // Otherwise slot 0 leads and the rest follow by card id.
    for (const auto disable : {0, 1, 2}) {
        SearchContext off;
        if (disable == 0) off.best_skill_as_leader = false;
        if (disable == 1) off.final_chapter = true;
        if (disable == 2) off.fixed_characters = {3};
        EXPECT_EQ(evaluate(cards, off)->order, (std::array<u8, 5>{0, 4, 2, 3, 1})) << disable;
    }
}

TEST(DeckEvaluator, SkillOrderStrategiesPairValuesWithWeights) {
    SearchContext context;
    context.best_skill_as_leader = false;
    context.music_skill_scores[0] = {10, 20, 30, 40, 50, 0};
    struct Case {
        SkillOrderChooseStrategy strategy;
        std::optional<std::array<u64, 5>> indices;
        i32 score;  // (1 + sum of value x weight / 100) x 1000 x 4
    };
    const Case cases[] = {
        {SkillOrderChooseStrategy::BEST, {}, 111 * 4000},  // 100 meets 50
        {SkillOrderChooseStrategy::WORST, {}, 71 * 4000},  // 100 meets 10
        {SkillOrderChooseStrategy::AVERAGE, {}, 91 * 4000},
        {SkillOrderChooseStrategy::SPECIFIC, std::array<u64, 5>{4, 3, 2, 1, 0}, 111 * 4000},
        {SkillOrderChooseStrategy::SPECIFIC, {}, 71 * 4000},
    };
    for (const Case& c : cases) {
        context.skill_order_choose_strategy = c.strategy;
        context.specific_skill_order = c.indices;
        EXPECT_EQ(evaluate(plain_deck({100, 80, 60, 40, 20}), context)->score, c.score)
            << static_cast<int>(c.strategy);
    }
}

TEST(DeckEvaluator, LowerBoundOnTheMultiLiveScoreUp) {
    // Score up 100 + 0.2 x 200 = 140.
    SearchContext context;
    for (const double bound : {139.0, 140.0, 140.0000000005}) {
        context.multi_live_score_up_lower_bound = bound;
        EXPECT_TRUE(evaluate(plain_deck({100, 80, 60, 40, 20}), context)) << bound;
    }
    for (const double bound : {140.00000001, 141.0}) {
        context.multi_live_score_up_lower_bound = bound;
        EXPECT_FALSE(evaluate(plain_deck({100, 80, 60, 40, 20}), context)) << bound;
    }
}

TEST(DeckEvaluator, EventPointsByLiveType) {
    // Power 1 and base score 308641.75 make the live score 1,234,567.
    std::vector<TestCard> cards = plain_deck({0, 0, 0, 0, 0}, 0);
    cards[0].unit_values.fill(1);
    SearchContext context;
    context.live_type = LiveType::CHALLENGE;
    context.event_kind = 0;
    context.music_base_scores = {308641.75, 308641.75, 0.0};
    auto e = evaluate(cards, context);
    EXPECT_EQ(e->score, 1'234'567);
    EXPECT_EQ(e->event_points, 19320);
    EXPECT_EQ(e->key, (u64{19320} << 32) | 1'234'567);
    context.live_type = LiveType::CHALLENGE_AUTO;
    EXPECT_EQ(evaluate(cards, context)->event_points, 19320);
    context.event_kind = NO_EVENT_KIND;
    EXPECT_EQ(evaluate(cards, context)->key, (u64{1'234'567} << 32) | 1'234'567);

    // Solo, score 0, rates 100 %, no bonus: 100 points.
    SearchContext solo;
    solo.event_kind = 0;
    e = evaluate(plain_deck({0, 0, 0, 0, 0}, 0), solo);
    EXPECT_EQ(e->score, 0);
    EXPECT_EQ(e->event_points, 100);

    // Mysekai live: no live score and no event points.
    solo.live_type = LiveType::MYSEKAI;
    e = evaluate(cards, solo);
    EXPECT_EQ(e->score, 0);
    EXPECT_EQ(e->event_points, std::nullopt);
}

TEST(DeckEvaluator, MultiLiveRoomPowerDoesNotWrap) {
    // Five cards of 20,000: power 100,000; live score 4 x power + room term.
    SearchContext context;
    context.live_type = LiveType::MULTI;
    context.event_kind = 0;
    context.multi_live_teammate_power = 1'500'000'000u;
    auto e = evaluate(plain_deck({0, 0, 0, 0, 0}, 20000), context);
    // 0.075 x (100,000 + 4 x 1.5e9), not its 32-bit remainder.
    EXPECT_EQ(e->score, 400'000 + 450'007'500);
    // The option is a signed 32-bit value: -1 takes 4 from the room.
    context.multi_live_teammate_power = static_cast<u32>(-1);
    e = evaluate(plain_deck({0, 0, 0, 0, 0}, 20000), context);
    EXPECT_EQ(e->score, 407'499);  // 400,000 + 0.075 x 99,996
    // 110 + 407,499 / 17,000 + min(4 x 407,499 / 340,000, 13) = 137 points.
    EXPECT_EQ(e->event_points, 137);
    // A cheerful carnival turns a multi live to the cheerful formula:
    // 137 x (1.15 + min(max(1000 / 5000, 0.1), 0.2)) = 184.95.
    context.event_kind = 1;
    EXPECT_EQ(evaluate(plain_deck({0, 0, 0, 0, 0}, 20000), context)->event_points, 184);
}

TEST(DeckEvaluator, AllocatesNothing) {
#ifndef VDZ_COUNTS_ALLOCATIONS
    GTEST_SKIP() << "allocations are not counted under AddressSanitizer";
#endif
    SearchContext context = leader_weighted_context();
    context.live_type = LiveType::CHEERFUL;
    context.event_kind = 2;
    context.world_bloom = true;
    context.world_bloom_support.general = {{{1, 9.0}, {500, 2.5}, {501, 1.5}}, 2};
    const CardPool pool = test::make_pool(two_reference_cards(), context);
    const u64 before = allocations;
    const auto e = evaluate_deck(pool, context, FIRST_FIVE);
    EXPECT_EQ(allocations, before);
    EXPECT_TRUE(e);
}

TEST(DeckEvaluator, KeysOfTheOtherTargets) {
    SearchContext context;
    context.target = Target::MYSEKAI;
    context.event_kind = 0;
    std::vector<TestCard> cards = plain_deck({50, 0, 0, 0, 0}, 9000);
    EXPECT_EQ(evaluate(cards, context)->key, 550u);
    cards[4].unit_values.fill(8999);
    auto e = evaluate(cards, context);
    EXPECT_EQ(e->key, 500u);
    EXPECT_EQ(e->score, 0);

    context.target = Target::SKILL;
    EXPECT_EQ(evaluate(cards, context)->key, 500u);  // 50 + 0.2 x 0, x 10

    context.target = Target::BONUS;
    cards[0].base_x10 = 122;
    cards[1].base_x10 = 1;  // 12.3 %
    EXPECT_EQ(evaluate(cards, context)->key >> 32, 25u);

    context.target = Target::POWER;
    EXPECT_EQ(evaluate(cards, context)->key, 44'999u);
}

// Twenty cards of every skill kind, unit and attribute, some with limited
// and leader bonuses.
std::vector<TestCard> mixed_cards(std::mt19937& rng) {
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 20; ++i) {
        const u8 units = static_cast<u8>((1u << (rng() % 3)) | (rng() % 4 == 0 ? 0x20 : 0));
        TestCard c =
            plain_card(100 + i, static_cast<u8>(1 + rng() % 4), 0, static_cast<u8>(60 + rng() % 80),
                       static_cast<u8>(rng() % 2), units);
        for (u32& v : c.unit_values)
            v = 20000 + rng() % 3000;
        c.power = 24000;
        c.skill_secondary = static_cast<u8>(40 + rng() % 60);
        switch (i % 5) {
            case 1:
                c.skill.has_unit_count = true;
                c.skill.unit_count = {static_cast<u8>(rng() % 3), 60, 70, 80, 90, 100};
                break;
            case 2:
                c.skill.has_diff = true;
                c.skill.diff = {static_cast<u8>(50 + rng() % 20), 10};
                break;
            case 3:
                c.skill.has_ref = true;
                c.skill.ref = {static_cast<u8>(30 + rng() % 60), static_cast<u8>(20 + rng() % 40)};
                c.skill_value = 255;
                break;
            default:
                break;
        }
        c.base_x10 = static_cast<u16>(rng() % 400);
        if (i % 3 == 0) c.limited_x10 = 100;
        c.leader_honor_bonus = static_cast<u16>(rng() % 5);
        c.skill_is_after_training = rng() % 2;
        cards.push_back(c);
    }
    return cards;
}

TEST(DeckEvaluator, TheSearchKeyIsTheReportsKey) {
    // Every target, over the live types, events, bounds and flags that change
    // what the key reads.
    std::mt19937 rng(7);
    const std::vector<TestCard> cards = mixed_cards(rng);
    std::vector<SearchContext> contexts;
    for (const Target target :
         {Target::SCORE, Target::POWER, Target::SKILL, Target::BONUS, Target::MYSEKAI}) {
        for (const LiveType live : {LiveType::SOLO, LiveType::MULTI, LiveType::CHALLENGE,
                                    LiveType::CHEERFUL, LiveType::MYSEKAI}) {
            for (const u8 event : {u8{0}, u8{1}, NO_EVENT_KIND}) {
                for (int variant = 0; variant < 4; ++variant) {
                    SearchContext c = leader_weighted_context();
                    c.target = target;
                    c.live_type = live;
                    c.event_kind = event;
                    if (variant == 1) c.multi_live_score_up_lower_bound = 150.0;
                    if (variant == 2) {
                        c.keep_after_training_state = true;
                        c.skill_order_choose_strategy = SkillOrderChooseStrategy::WORST;
                    }
                    if (variant == 3) {
                        c.world_bloom = c.final_chapter = true;
                        c.limited_bonus_count = 2;
                        c.distinct_attr_bonus = {0, 1, 2, 3, 4, 5};
                        c.world_bloom_support.general = {{{101, 3.0}, {900, 2.0}}, 1};
                    }
                    contexts.push_back(c);
                }
            }
        }
    }
    for (SearchContext context : contexts) {
        const CardPool pool = test::make_pool(cards, context);
        for (int d = 0; d < 40; ++d) {
            DeckSlots deck;
            for (usize s = 0; s < 5; ++s)
                deck[s] = static_cast<u16>(4 * s + rng() % 4);
            const auto full = evaluate_deck(pool, context, deck);
            const auto key = evaluate_deck_key(pool, context, deck);
            ASSERT_EQ(key.has_value(), full.has_value());
            if (key) {
                ASSERT_EQ(*key, full->key)
                    << "target " << int(context.target) << " live " << int(context.live_type)
                    << " event " << int(context.event_kind);
            }
        }
    }
}

}  // namespace
}  // namespace vdz
