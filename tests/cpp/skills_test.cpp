#include "engine/skills.h"

#include <gtest/gtest.h>

#include <limits>

#include "masterdata_fixture.h"

namespace vdz {
namespace {

RawSkillEffect effect(std::string type, std::vector<RawSkillEffectDetail> details) {
    RawSkillEffect e;
    e.skill_effect_type = std::move(type);
    e.skill_effect_details = std::move(details);
    return e;
}

RawSkillEffect at_level1(std::string type, i32 value) {
    return effect(std::move(type), {{1, value, std::nullopt}});
}

RawSkillEnhance enhance(i32 value, std::optional<std::string> unit) {
    RawSkillEnhance e{value, std::nullopt};
    if (unit) e.skill_enhance_condition = RawSkillEnhanceCondition{*unit};
    return e;
}

// "kind:value[ unit=][ n=][ rank=][ extra=]" per record, for compact expectations.
std::vector<std::string> describe(const SkillIndex& index) {
    std::vector<std::string> out;
    for (const SkillEffectValue& v : index.skill_effects) {
        std::string s = std::to_string(v.skill_id) + "/" + std::to_string(v.level) + " " +
                        std::string(skill_effect_kind_text(v.kind)) + ":" + std::to_string(v.value);
        if (v.unit) s += " unit=" + *v.unit;
        if (v.unit_count) s += " n=" + std::to_string(*v.unit_count);
        if (v.character_rank) s += " rank=" + std::to_string(*v.character_rank);
        if (v.extra_value) s += " extra=" + std::to_string(*v.extra_value);
        out.push_back(std::move(s));
    }
    return out;
}

using Lines = std::vector<std::string>;

TEST(Skills, LevelsAscendWhateverTheFileOrder) {
    const RawSkill skill{
        7, {effect("score_up", {{4, 40, {}}, {1, 10, {}}, {3, 30, {}}, {2, 20, {}}})}};
    const SkillIndex index = build_skill_index({skill}, {});
    ASSERT_EQ(index.skill_levels.size(), 4u);
    for (i32 i = 0; i < 4; ++i) {
        EXPECT_EQ(index.skill_levels[i].skill_id, 7);
        EXPECT_EQ(index.skill_levels[i].level, i + 1);
    }
    EXPECT_EQ(describe(index),
              (Lines{"7/1 score_up:10", "7/2 score_up:20", "7/3 score_up:30", "7/4 score_up:40"}));
}

TEST(Skills, ScoreUpTakesTheLargestRateFloorZero) {
    EXPECT_EQ(describe(build_skill_index(
                  {{1, {at_level1("score_up", 80), at_level1("score_up_keep", 100)}}}, {})),
              Lines{"1/1 score_up:100"});
    EXPECT_EQ(describe(build_skill_index({{1, {at_level1("score_up", -10)}}}, {})),
              Lines{"1/1 score_up:0"});
}

TEST(Skills, EnhancementGivesFiveUnitCountRecords) {
    RawSkillEffect up = at_level1("score_up", 80);
    up.skill_enhance = enhance(10, std::nullopt);
    const SkillUnitIndex units = {{1, "idol"}};
    EXPECT_EQ(describe(build_skill_index({{1, {up}}}, units)),
              (Lines{"1/1 score_up:80", "1/1 score_up_unit_count:80 unit=idol n=1",
                     "1/1 score_up_unit_count:90 unit=idol n=2",
                     "1/1 score_up_unit_count:100 unit=idol n=3",
                     "1/1 score_up_unit_count:110 unit=idol n=4",
                     "1/1 score_up_unit_count:130 unit=idol n=5"}));

    up.skill_enhance = enhance(10, "street");
    EXPECT_EQ(describe(build_skill_index({{1, {up}}}, units))[1],
              "1/1 score_up_unit_count:80 unit=street n=1");
    up.skill_enhance = enhance(10, std::nullopt);
    EXPECT_EQ(describe(build_skill_index({{1, {up}}}, {}))[5], "1/1 score_up_unit_count:130 n=5");
}

TEST(Skills, LaterEnhancementWinsAndPlainScoreUpKeepsIt) {
    RawSkillEffect first = at_level1("score_up", 50);
    first.skill_enhance = enhance(10, "idol");
    RawSkillEffect second = at_level1("score_up_condition_life", 60);
    second.skill_enhance = enhance(20, "band");
    const RawSkillEffect plain = at_level1("score_up_keep", 40);
    RawSkillEffect ignored = at_level1("life_recovery", 1);  // enhance of another type
    ignored.skill_enhance = enhance(99, "x");
    const auto lines = describe(build_skill_index({{1, {first, second, plain, ignored}}}, {}));
    EXPECT_EQ(lines[1], "1/1 score_up_unit_count:60 unit=band n=1");
    EXPECT_EQ(lines[5], "1/1 score_up_unit_count:160 unit=band n=5");
}

TEST(Skills, LifeRecoveryAdds) {
    EXPECT_EQ(describe(build_skill_index(
                  {{1, {at_level1("life_recovery", 300), at_level1("life_recovery", 200)}}}, {})),
              Lines{"1/1 life_recovery:500"});
}

TEST(Skills, UnitCountPairsOnlyFeedTheDiffRecord) {
    auto unit_count = [](i32 count, i32 value) {
        RawSkillEffect e = at_level1("score_up_unit_count", value);
        e.activate_unit_count = count;
        return e;
    };
    RawSkillEffect no_count = at_level1("score_up_unit_count", 1);  // ignored
    const std::vector<RawSkillEffect> pairs = {unit_count(3, 30), unit_count(1, 10),
                                               unit_count(2, 20), unit_count(1, 15), no_count};
    std::vector<RawSkillEffect> with_rate = pairs;
    with_rate.push_back(at_level1("score_up", 50));
    EXPECT_EQ(describe(build_skill_index({{1, with_rate}}, {})),
              (Lines{"1/1 score_up:50", "1/1 score_up_diff:50 extra=10"}));
    const SkillIndex without_rate = build_skill_index({{1, pairs}}, {});
    EXPECT_TRUE(without_rate.skill_effects.empty());
    EXPECT_EQ(without_rate.skill_levels.size(), 1u);
}

TEST(Skills, CharacterRankAndReferenceRecords) {
    RawSkillEffect rank = at_level1("score_up_character_rank", 5);
    rank.activate_character_rank = 20;
    RawSkillEffect no_rank = at_level1("score_up_character_rank", 6);  // ignored
    RawSkillEffect ref = effect("other_member_score_up_reference_rate", {{1, 70, {}}});
    RawSkillEffect ref2 = effect("other_member_score_up_reference_rate", {{2, 71, 120}});
    EXPECT_EQ(describe(build_skill_index({{1, {rank, no_rank, ref, ref2}}}, {})),
              (Lines{"1/1 score_up_character_rank:5 rank=20", "1/1 score_up_reference:70",
                     "1/2 score_up_reference:71 extra=120"}));
}

TEST(Skills, EmissionOrderWithinOneLevel) {
    RawSkillEffect up = at_level1("score_up", 10);
    up.skill_enhance = enhance(1, "u");
    RawSkillEffect rank = at_level1("score_up_character_rank", 3);
    rank.activate_character_rank = 2;
    RawSkillEffect diff = at_level1("score_up_unit_count", 4);
    diff.activate_unit_count = 2;
    const std::vector<RawSkillEffect> effects = {
        diff, effect("other_member_score_up_reference_rate", {{1, 7, 8}}), rank,
        at_level1("life_recovery", 5), up};
    EXPECT_EQ(
        describe(build_skill_index({{1, effects}}, {})),
        (Lines{"1/1 score_up:10", "1/1 score_up_unit_count:10 unit=u n=1",
               "1/1 score_up_unit_count:11 unit=u n=2", "1/1 score_up_unit_count:12 unit=u n=3",
               "1/1 score_up_unit_count:13 unit=u n=4", "1/1 score_up_unit_count:15 unit=u n=5",
               "1/1 life_recovery:5", "1/1 score_up_character_rank:3 rank=2",
               "1/1 score_up_reference:7 extra=8", "1/1 score_up_diff:10 extra=4"}));
}

TEST(Skills, UnknownTypesCreateLevelsOnlyAndRowsNeverMerge) {
    const std::vector<RawSkill> skills = {
        {3, {effect("Score_up", {{2, 50, {}}})}},
        {3, {at_level1("score_up", 5)}},
        {3, {}},
        {4, {effect("score_up", {})}},
    };
    const SkillIndex index = build_skill_index(skills, {});
    ASSERT_EQ(index.skill_levels.size(), 2u);
    EXPECT_EQ(index.skill_levels[0].level, 2);
    EXPECT_EQ(index.skill_levels[1].level, 1);
    EXPECT_EQ(describe(index), Lines{"3/1 score_up:5"});
}

TEST(Skills, OverflowingSumsSaturate) {
    constexpr i32 max = std::numeric_limits<i32>::max();
    constexpr i32 min = std::numeric_limits<i32>::min();
    RawSkillEffect up = at_level1("score_up", max - 1);
    up.skill_enhance = enhance(max, std::nullopt);
    RawSkillEffect negative = effect("score_up", {{2, 0, {}}});
    negative.skill_enhance = enhance(min, std::nullopt);
    const std::vector<RawSkillEffect> effects = {up,
                                                 negative,
                                                 at_level1("life_recovery", max),
                                                 at_level1("life_recovery", max),
                                                 effect("life_recovery", {{2, min, {}}}),
                                                 effect("life_recovery", {{2, -1, {}}})};
    const auto lines = describe(build_skill_index({{1, effects}}, {}));
    EXPECT_EQ(lines, (Lines{"1/1 score_up:" + std::to_string(max - 1),
                            "1/1 score_up_unit_count:" + std::to_string(max - 1) + " n=1",
                            "1/1 score_up_unit_count:" + std::to_string(max) + " n=2",
                            "1/1 score_up_unit_count:" + std::to_string(max) + " n=3",
                            "1/1 score_up_unit_count:" + std::to_string(max) + " n=4",
                            "1/1 score_up_unit_count:" + std::to_string(max) + " n=5",
                            "1/1 life_recovery:" + std::to_string(max), "1/2 score_up:0",
                            "1/2 score_up_unit_count:0 n=1",
                            "1/2 score_up_unit_count:" + std::to_string(min) + " n=2",
                            "1/2 score_up_unit_count:" + std::to_string(min) + " n=3",
                            "1/2 score_up_unit_count:" + std::to_string(min) + " n=4",
                            "1/2 score_up_unit_count:" + std::to_string(min) + " n=5",
                            "1/2 life_recovery:" + std::to_string(min)}));
}

TEST(Skills, ReadThroughTheLoaderWithTheUnitOfTheFirstCard) {
    RawTables tables = testing::required_tables();
    tables["gameCharacterUnits.json"] = R"([{"id":1,"gameCharacterId":4,"unit":"idol"}])";
    tables["cards.json"] = R"([{"id":1,"characterId":4,"cardRarityType":"rarity_4","attr":"a",)"
                           R"("skillId":30,"cardParameters":[]}])";
    tables["skills.json"] =
        R"([{"id":30,"skillEffects":[{"skillEffectType":"score_up",)"
        R"("activateUnitCount":null,"unknown":[1,{"a":2}],)"
        R"("skillEnhance":{"activateEffectValue":10,"skillEnhanceCondition":null},)"
        R"("skillEffectDetails":[{"level":1,"activateEffectValue":80},[2,90,null]]}]},)"
        R"({"id":31},[32,[["life_recovery",null,null,null,[[1,5,null]]]]]])";
    const auto md = load_masterdata(MasterDataSource{"[]", tables});
    ASSERT_TRUE(md.ok()) << md.error().message;
    SkillIndex index{md->skill_levels, md->skill_effects};
    const auto lines = describe(index);
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[1], "30/1 score_up_unit_count:80 unit=idol n=1");
    EXPECT_EQ(lines[11], "30/2 score_up_unit_count:140 unit=idol n=5");
    EXPECT_EQ(lines[12], "32/1 life_recovery:5");
}

TEST(Skills, FaultySkillRows) {
    struct Case {
        const char* rows;
        const char* error;
    };
    const Case cases[] = {
        {R"([{"id":1,"skillEffects":null}])",
         "invalid type: null, expected a sequence at line 1 column 28"},
        {R"([{"id":1,"skillEffects":[{"skillEffectType":"score_up","skillEffectDetails":null}]}])",
         "invalid type: null, expected a sequence at line 1 column 80"},
        {R"([{"id":1,"skillEffects":[{"skillEffectType":"score_up","skillEnhance":{)"
         R"("activateEffectValue":1,"skillEnhanceCondition":{}}}]}])",
         "missing field `unit` at line 1 column 121"},
        {R"([{"id":1,"skillEffects":[{"skillEffectType":"x","skillEffectDetails":[{"level":1.5}]}]}])",
         "invalid type: floating point `1.5`, expected i32 at line 1 column 82"},
        {R"([{"skillEffects":[]}])", "missing field `id` at line 1 column 20"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(testing::load_error(testing::load_with("skills.json", c.rows)),
                  std::string("解析 skills.json 失败: ") + c.error);
    }
}

}  // namespace
}  // namespace vdz
