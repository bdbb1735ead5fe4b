#include "handler/card_power.h"

#include <gtest/gtest.h>

#include "prep_fixture.h"

namespace vdz {
namespace {

using testing::owned;

struct Powered : testing::PrepRequest {
    PoweredCard card(u32 id) {
        auto out = power();
        EXPECT_TRUE(out.ok());
        for (const PoweredCard& c : out->cards)
            if (c.candidate.card.card_id == id) return c;
        ADD_FAILURE() << "no candidate " << id;
        return {};
    }
};

TEST(CardPower, CharacterRankBonusInSinglePrecision) {
    Powered p;
    p.fixture.add_card(1, 1, 2);
    p.fixture.add_card(2, 2, 2);
    p.fixture.master.card_parameters = {{1, 1, 3000, 0, 0}, {2, 1, 1000, 1000, 0}};
    p.fixture.master.character_ranks = {{10, 2.1}, {20, 1.5}, {30, 9.0}};
    p.user.user_characters = {{1, 15}, {2, 3}, {2, 25}};  // a later row of a character wins
    p.user.user_cards = {owned(1), owned(2)};
    EXPECT_EQ(p.card(1).character_rank_bonus, 62);  // 63 in double precision
    EXPECT_EQ(p.card(2).character_rank_bonus, 15 + 15);
}

TEST(CardPower, ParametersLessonsEpisodesTrainingAndCanvas) {
    Powered p;
    Card& card = p.fixture.add_card(1, 1, 4);
    card.special_training_power1_bonus_fixed = 500;
    p.fixture.master.card_parameters = {{1, 1, 100, 100, 100}, {1, 2, 200, 200, 200}};
    p.fixture.master.card_episodes = {{1, 11, 5, 6, 7}, {1, 12, 50, 60, 70}};
    p.fixture.master.canvas_bonuses = {{4, 1, 2, 3}, {4, 9, 9, 9}};
    UserCard user = owned(1, 7, 3);  // beyond the table: the last level
    user.episodes = {12};
    user.special_training_status = "done";
    p.user.user_cards = {user};
    p.user.mysekai_canvases = {1};
    // level 2, training, episode 12, lessons of ranks 0..3, canvas
    EXPECT_EQ(p.card(1).params,
              (PowerParams{200 + 500 + 50 + 60 + 1, 200 + 60 + 120 + 2, 200 + 70 + 180 + 3}));

    p.user.mysekai_canvases = {4294967295u};
    p.user.user_cards[0].level = 0;  // reads level 1
    p.user.user_cards[0].special_training_status = "none";
    EXPECT_EQ(p.card(1).params, (PowerParams{100 + 50 + 60, 100 + 60 + 120, 100 + 70 + 180}));
}

TEST(CardPower, FixtureAndGateBonuses) {
    Powered p;
    p.fixture.add_card(1, 1, 2);                           // unit 1
    p.fixture.add_card(2, 21, 2);                          // the sixth unit alone
    p.fixture.add_card(3, 22, 2).support_unit = "street";  // units 3 and 6
    p.fixture.master.events = {{50, "marathon"}};
    p.fixture.master.event_fixture_bonus_limits = {{50, 20}};
    p.fixture.master.mysekai_gates = {{1, "light_sound"}, {2, "street"}, {3, "piapro"}, {4, " "}};
    p.fixture.master.mysekai_gate_levels = {{1, 5, 40.0}, {2, 5, 10.0}, {3, 5, 20.0}, {4, 5, 30.0}};
    p.user.user_cards = {owned(1), owned(2), owned(3)};
    p.user.mysekai_gates = {
        {"", 1, 5, {}}, {"", 2, 5, {}}, {"", 3, 5, {}}, {"", 4, 5, {}}, {"", 9, 5, {}}};
    p.user.fixture_bonuses = {{1, {}, 30}, {1, {}, 5}, {21, {}, 10}};
    p.options.event_id = 50;
    // P = 3000 for every card.
    EXPECT_EQ(p.card(1).fixture_bonus, 60);  // 30 limited to 20, tenths of a percent
    EXPECT_EQ(p.card(1).gate_bonus, 1200);   // no-unit 30 < unit 1's 40
    EXPECT_EQ(p.card(2).fixture_bonus, 30);
    EXPECT_EQ(p.card(2).gate_bonus, 1200);  // every gate: 40
    EXPECT_EQ(p.card(3).gate_bonus, 900);   // no-unit 30, units 3 and 6: 10, 20
    // The limit follows the event id even when no event row gives a context.
    p.fixture.master.events.clear();
    EXPECT_EQ(p.card(1).fixture_bonus, 60);
}

TEST(CardPower, AreaItemsByDeckShape) {
    Powered p;
    p.fixture.add_card(1, 9, 2, "cute");                         // street
    p.fixture.add_card(2, 22, 2, "cool").support_unit = "idol";  // idol and piapro
    p.fixture.add_card(3, 23, 2, "cute");                        // piapro alone
    p.fixture.master.area_item_levels = {
        {1, 1, "street", std::nullopt, std::nullopt, 10.0, 15.0},
        {2, 1, std::nullopt, "cute", std::nullopt, 1.0, 2.0},
        {3, 1, std::nullopt, std::nullopt, 22, 5.0, 50.0},
        {4, 1, "piapro", std::nullopt, std::nullopt, 3.0, 4.0},
    };
    p.user.user_area_items = {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {4, 2}};
    p.user.user_cards = {owned(1), owned(2), owned(3)};
    const PoweredCard street = p.card(1);
    // 3 x 1000 per parameter x rate; shapes: plain, attr, unit, both
    EXPECT_EQ(street.area_bonus[0], (std::array<i32, 4>{330, 360, 480, 510}));
    const PoweredCard pair = p.card(2);
    EXPECT_EQ(pair.first_unit, 1);
    EXPECT_EQ(pair.second_unit, 5);
    EXPECT_EQ(pair.area_bonus[0], (std::array<i32, 4>{150, 150, 150, 150}));  // character only
    EXPECT_EQ(pair.area_bonus[1], (std::array<i32, 4>{240, 240, 270, 270}));
    EXPECT_EQ(p.card(3).area_bonus[1], (std::array<i32, 4>{}));
}

TEST(CardPower, SkillVariantsAndValues) {
    Powered p;
    p.fixture.add_card(1, 1, 4, "cool", 80).special_training_skill_id = 500;
    p.fixture.add_score_up(500, 120);
    // Skill 600: a unit-count skill; 700: a diff skill; 800: a reference skill.
    const auto add = [&](i32 skill, SkillEffectKind kind, i32 value, std::optional<i32> count,
                         std::optional<i32> extra, std::optional<std::string> unit) {
        SkillEffectValue e;
        e.skill_id = skill;
        e.level = 1;
        e.kind = kind;
        e.value = value;
        e.unit_count = count;
        e.extra_value = extra;
        e.unit = unit;
        p.fixture.master.skill_effects.push_back(e);
    };
    for (const i32 skill : {600, 700, 800}) {
        p.fixture.master.skill_levels.push_back({skill, 1});
        add(skill, SkillEffectKind::ScoreUp, 60, {}, {}, {});
    }
    add(600, SkillEffectKind::ScoreUpUnitCount, 70, 2, {}, "idol");
    add(600, SkillEffectKind::ScoreUpUnitCount, 300, 5, {}, "idol");
    add(700, SkillEffectKind::ScoreUpDiff, 60, {}, 20, {});
    add(800, SkillEffectKind::ScoreUpReference, 90, {}, 50, {});
    add(800, SkillEffectKind::LifeRecovery, 350, {}, {}, {});
    p.fixture.add_card(2, 2, 2).skill_id = 600;
    p.fixture.add_card(3, 3, 2).skill_id = 700;
    p.fixture.add_card(4, 4, 2).skill_id = 800;
    p.user.user_cards = {owned(1), owned(2), owned(3), owned(4)};

    const PoweredCard special = p.card(1);
    ASSERT_EQ(special.variant_count, 2);
    EXPECT_TRUE(special.variants[0].trained);
    EXPECT_EQ(special.variants[0].skill_value, 120);
    EXPECT_FALSE(special.variants[1].trained);
    EXPECT_EQ(special.variants[1].skill_value, 80);

    const SkillVariant unit_count = p.card(2).variants[0];
    EXPECT_TRUE(unit_count.skill.has_unit_count);
    EXPECT_EQ(unit_count.skill.unit_count, (std::array<u8, 6>{1, 60, 70, 60, 60, 255}));
    EXPECT_EQ(unit_count.skill_value, 255);
    EXPECT_EQ(unit_count.skill_secondary, 60);

    const SkillVariant diff = p.card(3).variants[0];
    EXPECT_TRUE(diff.skill.has_diff);
    EXPECT_EQ(diff.skill.diff, (std::array<u8, 2>{60, 20}));
    EXPECT_EQ(diff.skill_value, 100);
    EXPECT_EQ(diff.skill_secondary, 60);

    const SkillVariant ref = p.card(4).variants[0];
    EXPECT_TRUE(ref.skill.has_ref);
    EXPECT_EQ(ref.skill.ref, (std::array<u8, 2>{90, 50}));
    EXPECT_EQ(ref.skill_value, 110);
    EXPECT_EQ(ref.skill_secondary, 60);
    EXPECT_EQ(ref.life_recovery, 350.0);

    // An event's score-up limit caps the values and the reference's room.
    p.fixture.master.events = {{60, "marathon"}};
    p.fixture.master.event_skill_score_up_limits = {{60, 100}};
    p.options.event_id = 60;
    EXPECT_EQ(p.card(2).variants[0].skill.unit_count, (std::array<u8, 6>{1, 60, 70, 60, 60, 100}));
    EXPECT_EQ(p.card(4).variants[0].skill.ref, (std::array<u8, 2>{90, 40}));
    EXPECT_EQ(p.card(4).variants[0].skill_value, 100);

    // Keeping the training state: one variant, by the default image.
    p.options.keep_after_training_state = true;
    p.user.user_cards[0].default_image = "special_training";
    const PoweredCard kept = p.card(1);
    ASSERT_EQ(kept.variant_count, 1);
    EXPECT_TRUE(kept.variants[0].trained);
    EXPECT_EQ(kept.variants[0].skill_value, 100);  // the special skill, under the limit
}

// A diff skill whose plain value beats its best special value: the deck
// evaluator can pick the plain one, so the main byte must not be below it.
TEST(CardPower, DiffSkillMainByteCoversThePlainValue) {
    Powered p;
    p.fixture.master.skill_levels.push_back({900, 1});
    for (const auto& [kind, value, extra] :
         {std::tuple{SkillEffectKind::ScoreUp, 150, std::optional<i32>{}},
          std::tuple{SkillEffectKind::ScoreUpDiff, 30, std::optional<i32>{10}}}) {
        SkillEffectValue e;
        e.skill_id = 900;
        e.level = 1;
        e.kind = kind;
        e.value = value;
        e.extra_value = extra;
        p.fixture.master.skill_effects.push_back(e);
    }
    p.fixture.add_card(5, 5, 2).skill_id = 900;
    p.user.user_cards = {owned(5)};
    const SkillVariant diff = p.card(5).variants[0];
    EXPECT_EQ(diff.skill.diff, (std::array<u8, 2>{30, 10}));
    EXPECT_EQ(diff.skill_secondary, 150);
    EXPECT_EQ(diff.skill_value, 150);
}

TEST(CardPower, OptionChecks) {
    struct Case {
        void (*set)(RecommendOptions&);
        const char* message;
    };
    const Case cases[] = {
        {[](RecommendOptions& o) { o.limit = 0; }, "构建参数非法: limit 必须在 1..=100 范围内"},
        {[](RecommendOptions& o) { o.multi_live_score_up_lower_bound = 1.0; },
         "构建参数非法: multi_live_score_up_lower_bound 仅支持 multi live"},
        {[](RecommendOptions& o) { o.target = Target::BONUS; },
         "构建参数非法: bonus target 需要活动上下文"},
        {[](RecommendOptions& o) {
             o.target = Target::BONUS;
             o.event_id = 180;
         },
         "构建参数非法: 终章不支持 bonus target"},
    };
    for (const Case& c : cases) {
        Powered p;
        p.fixture.master.events = {{180, "world_bloom"}};
        c.set(p.options);
        const auto out = p.power();
        ASSERT_FALSE(out.ok()) << c.message;
        EXPECT_EQ(out.error().message, c.message);
    }
}

}  // namespace
}  // namespace vdz
