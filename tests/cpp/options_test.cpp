#include "handler/options.h"

#include <gtest/gtest.h>

namespace vdz {
namespace {

RecommendOptions parse_ok(std::string_view text) {
    auto parsed = parse_recommend_options(text);
    EXPECT_TRUE(parsed.ok()) << text << ": " << (parsed.ok() ? "" : parsed.error().message);
    return parsed.ok() ? std::move(parsed).value() : RecommendOptions{};
}

TEST(Options, EmptyOrNonObjectTextsGiveTheDefaults) {
    for (const char* text : {"{}", "[]", "null", "5", " \"x\" "}) {
        const RecommendOptions o = parse_ok(text);
        EXPECT_EQ(o.region, "cn");
        EXPECT_EQ(o.live_type, LiveType::SOLO);
        EXPECT_EQ(o.target, Target::SCORE);
        EXPECT_EQ(o.limit, 10u);
        EXPECT_EQ(o.timeout_ms, 300000u);
        EXPECT_FALSE(o.member);
        EXPECT_TRUE(o.best_skill_as_leader);
        EXPECT_FALSE(o.minimize);
        EXPECT_EQ(o.skill_reference_choose_strategy, SkillReferenceChooseStrategy::AVERAGE);
        EXPECT_EQ(o.skill_order_choose_strategy, SkillOrderChooseStrategy::BEST);
        EXPECT_EQ(o.rarity_configs[RARITY_4_CONFIG], CardConfig{});
    }
}

TEST(Options, ErrorsInReadingOrder) {
    struct Case {
        const char* options;
        const char* message;
    };
    const Case cases[] = {
        {R"({"limit": 0})", "limit 必须在 1..=100 范围内"},
        {R"({"limit": 101})", "limit 必须在 1..=100 范围内"},
        {R"({"limit": null})", "limit 必须在 1..=100 范围内"},
        {R"({"limit": "5"})", "limit 必须在 1..=100 范围内"},
        {R"({"limit": 5.0})", "limit 必须在 1..=100 范围内"},
        {R"({"member": 4})", "member 必须在 5..=5 范围内"},
        {R"({"timeoutMs": 1000, "timeout_ms": 2000})", "timeoutMs 与 timeout_ms 冲突"},
        {R"({"timeoutMs": 1000, "timeout_ms": 1000.0})", "timeoutMs 与 timeout_ms 冲突"},
        {R"({"timeout_ms": 300001})", "timeout_ms 必须在 1..=300000 范围内"},
        {R"({"timeout_ms": 1.5})", "timeout_ms 必须在 1..=300000 范围内"},
        {R"({"timeout_ms": -1})", "timeout_ms 必须在 1..=300000 范围内"},
        {R"({"liveType": ""})", "live_type 非法"},
        {R"({"live_type": "multi live"})", "live_type 非法"},
        {R"({"target": null})", "target 必须是字符串"},
        {R"({"target": 3})", "target 必须是字符串"},
        {R"({"target": ""})", "target 非法"},
        {R"({"target": 1, "limit": 0})", "target 必须是字符串"},  // the first key decides
        {R"({"targetBonusList": 5})", "target_bonus_list 必须是数组"},
        {R"({"target_bonus_list": [1, 1]})", "target_bonus_list 不得包含重复值"},
        {R"({"target_bonus_list": [10001]})", "target_bonus_list value 必须在 0..=10000 范围内"},
        {R"({"target_bonus_list": [1.0]})", "target_bonus_list value 必须在 0..=10000 范围内"},
        {R"({"target_bonus_list": [0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,
            24,25,26,27,28,29,30,31,"x"]})",
         "target_bonus_list 最多支持 32 项"},
        {R"({"eventType": "Marathon ", "eventAttr": "x"})", "event_attr 非法"},
        {R"({"event_type": "carnival"})", "event_type 非法"},
        {R"({"eventUnit": "vbs"})", "event_unit 非法"},
        {R"({"eventType": "x", "customBonusCharacterIds": [0]})", "event_type 非法"},
        {R"({"customBonusCharacterIds": [27]})",
         "custom_bonus_character_ids value 必须在 1..=26 范围内"},
        {R"({"custom_bonus_character_ids": [3, 3]})", "custom_bonus_character_ids 不得包含重复值"},
        {R"({"customBonusAttr": 5})", "custom_bonus_attr / attr 必须是字符串"},
        {R"({"customBonusCharacterSupportUnits": []})", "custom bonus support units 必须是对象"},
        {R"({"customBonusCharacterSupportUnits": {"x": "idol"}})",
         "custom bonus support character id 非法"},
        {R"({"customBonusCharacterSupportUnits": {"3": "any"}})", "custom bonus support unit 非法"},
        {R"({"customBonusCharacterSupportUnits": {"3": 2}})", "custom bonus support unit 非法"},
        {R"({"customBonusCharacterSupportUnits": {"99999999999": "idol"}})",
         "custom bonus support character id 非法"},
        {R"({"skillReferenceStrategy": "best"})", "skill_reference_choose_strategy 非法"},
        {R"({"liveSkillOrder": "first"})", "skill_order_choose_strategy 非法"},
        {R"({"specificSkillOrder": "0,1,2,3"})", "specific_skill_order 必须包含 5 个索引"},
        {R"({"specificSkillOrder": [0, 1, 2, 3, 5]})", "specific_skill_order 索引必须在 0..5"},
        {R"({"specificSkillOrder": null, "specific_skill_order": "0,1,2,3,4"})",
         "specific_skill_order 非法"},
        {"{", "EOF while parsing an object at line 1 column 1"},
        // Validation, with its prefix.
        {R"({"rarity4Config": {"level": 0}})", "构建参数非法: level must be positive"},
        {R"({"rarity_1_config": {"level": 0}, "singleCardConfigs": [{"cardId": 1, "masterRank": 9}]})",
         "构建参数非法: level must be positive"},
        {R"({"singleCardConfigs": [{"cardId": 1, "masterRank": -1}]})",
         "构建参数非法: masterRank must be in 0..=5"},
        {R"({"singleCardConfigs": [{"card_id": 1, "config": {"episodeReadCount": 3}}]})",
         "构建参数非法: episodeReadCount must be in 0..=2"},
        {R"({"rarity2Config": {"skillLevel": 0}})", "构建参数非法: skillLevel must be positive"},
        {R"({"forcedLeaderCharacterId": 27})",
         "构建参数非法: forcedLeaderCharacterId must be in 1..=26"},
        {R"({"customBonusAttr": "red"})", "构建参数非法: custom bonus attr 非法"},
        {R"({"customBonusCharacterSupportUnits": {"3": "idol"}})",
         "构建参数非法: custom bonus support unit character 必须包含在 custom bonus character 中"},
        {R"({"customBonusCharacterIds": [3], "customBonusCharacterSupportUnits": {"3": "idol", "+3": "vbs"}})",
         "构建参数非法: custom bonus support unit 非法或重复"},
        {R"({"multiLiveScoreUpLowerBound": 1.5})",
         "构建参数非法: multi_live_score_up_lower_bound 仅支持 multi live"},
        {R"({"targetBonusList": [100]})", "构建参数非法: target_bonus_list 仅支持 bonus target"},
        {R"({"skillOrderChooseStrategy": "specific"})",
         "构建参数非法: specific_skill_order 是 specific 策略的必填项"},
    };
    for (const Case& c : cases) {
        const auto parsed = parse_recommend_options(c.options);
        ASSERT_FALSE(parsed.ok()) << c.options;
        EXPECT_EQ(parsed.error().message, c.message) << c.options;
    }
}

TEST(Options, KeyFormsAndKindsAsTheRulesRead) {
    const RecommendOptions o = parse_ok(R"({
        "region": 5, "eventId": "x", "event_id": 6, "liveType": 3, "live_type": " Challenge_Auto ",
        "target": "Bonus", "limit": 100, "member": null, "timeoutMs": 1000, "timeout_ms": 1000,
        "targetBonusList": [300, 0], "fixedCards": [1, "2", 3.0, -1], "fixed_cards": [9],
        "eventType": "Marathon", "customBonusCharacterIds": [3, 5],
        "custom_bonus_character_support_units": {"5": " IDOL", "3": "vbs"},
        "skillReferenceChooseStrategy": 1, "skillReferenceStrategy": "MAX",
        "liveSkillOrder": "min", "specific_skill_order": "4, 3,2,x,1,+0",
        "multiLiveScoreUpLowerBound": "2", "multi_live_score_up_lower_bound": 2.5,
        "multi_teammate_power": 250000, "bestSkillAsLeader": "no", "boost": 3,
        "rarity4Config": 5, "rarity_4_config": {"levelMax": true},
        "rarityBirthdayConfig": {"skillLevel": "4", "skill_level": 3, "canvas": true},
        "singleCardConfigs": [{"card_id": 7, "level": 60}, {"cardId": 8, "config": 1}, {"level": 3}]
    })");
    EXPECT_EQ(o.region, "cn");
    EXPECT_EQ(o.event_id, 6);
    EXPECT_EQ(o.live_type, LiveType::CHALLENGE_AUTO);
    EXPECT_EQ(o.target, Target::BONUS);
    EXPECT_EQ(o.limit, 100u);
    EXPECT_FALSE(o.member);
    EXPECT_EQ(o.timeout_ms, 1000u);
    EXPECT_EQ(o.target_bonus_list, (std::vector<i32>{300, 0}));
    EXPECT_EQ(o.fixed_cards, (std::vector<i32>{1, -1}));
    EXPECT_EQ(o.event_type, "Marathon");
    EXPECT_EQ(o.custom_bonus_character_support_units,
              (std::vector<std::pair<i32, u8>>{{3, 3}, {5, 2}}));
    EXPECT_EQ(o.skill_reference_choose_strategy, SkillReferenceChooseStrategy::MAX);
    EXPECT_EQ(o.skill_order_choose_strategy, SkillOrderChooseStrategy::WORST);
    EXPECT_EQ(o.specific_skill_order, (std::array<u64, 5>{4, 3, 2, 1, 0}));
    EXPECT_FALSE(o.multi_live_score_up_lower_bound);  // the first key present is no number
    EXPECT_EQ(o.multi_live_teammate_power, 250000);
    EXPECT_TRUE(o.best_skill_as_leader);
    EXPECT_EQ(o.boost, 3);
    EXPECT_EQ(o.rarity_configs[RARITY_4_CONFIG], CardConfig{});  // camelCase wins, even a number
    EXPECT_EQ(o.rarity_configs[RARITY_BIRTHDAY_CONFIG].skill_level, 3);
    EXPECT_TRUE(o.rarity_configs[RARITY_BIRTHDAY_CONFIG].canvas);
    ASSERT_EQ(o.single_card_configs.size(), 2u);
    EXPECT_EQ(o.single_card_configs[0].card_id, 7u);
    EXPECT_EQ(o.single_card_configs[0].config.level, 60);
    EXPECT_EQ(o.single_card_configs[1].config, CardConfig{});
}

TEST(Options, MemberAndCustomAttrTakeNullAsAbsent) {
    EXPECT_EQ(parse_ok(R"({"member": 5})").member, 5u);
    EXPECT_FALSE(parse_ok(R"({"customBonusAttr": null})").custom_bonus_attr);
    EXPECT_EQ(parse_ok(R"({"eventId": 5, "event_id": 6})").event_id, 5);
    EXPECT_EQ(parse_ok(R"({"eventId": 4294967301})").event_id, 5);  // low 32 bits
    EXPECT_EQ(parse_ok(R"({"liveType": 2})").live_type, LiveType::SOLO);
    EXPECT_EQ(parse_ok(R"({"specificSkillOrder": [0, 0, "1", -1, 4, 4, 1]})").specific_skill_order,
              (std::array<u64, 5>{0, 0, 4, 4, 1}));
}

}  // namespace
}  // namespace vdz
