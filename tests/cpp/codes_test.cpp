#include "handler/codes.h"

#include <gtest/gtest.h>

#include "handler/enums.h"
#include "handler/pool_build_error.h"

namespace vdz {
namespace {

TEST(Codes, UnitAliasesTrimAndFoldAsciiOnly) {
    struct Case {
        std::string_view text;
        u8 code;
    };
    const Case cases[] = {
        {"LIGHT_SOUND", unit::LIGHT_SOUND},
        {" \tLight_Sound\u3000", unit::LIGHT_SOUND},
        {"more_more_jump", unit::IDOL},
        {"VBS", unit::STREET},
        {"wonderlands_x_showtime", unit::THEME_PARK},
        {"25ji", unit::SCHOOL_REFUSAL},
        {"virtual_singer", unit::PIAPRO},
        {"virtual singer", unit::OTHER},  // inner blanks are never removed
        {"ANY", unit::ANY},
        {"  Diff ", unit::DIFF},
        {"ref", unit::REF},
        {"", unit::OTHER},
        {"   ", unit::OTHER},
        {"idols", unit::OTHER},
        {"\uFF49dol", unit::OTHER},  // full-width letters are not folded
    };
    for (const Case& c : cases)
        EXPECT_EQ(parse_unit(c.text), c.code) << c.text;
}

TEST(Codes, AttributeAliases) {
    EXPECT_EQ(parse_card_attr("Mystery"), card_attr::MYSTERIOUS);
    EXPECT_EQ(parse_card_attr("MYSTERIOUS"), card_attr::MYSTERIOUS);
    EXPECT_EQ(parse_card_attr("mysteri"), card_attr::OTHER);
    EXPECT_EQ(parse_card_attr("cool\n"), card_attr::COOL);
    EXPECT_EQ(parse_card_attr("\u00A0Happy"), card_attr::HAPPY);
    EXPECT_EQ(parse_card_attr(""), card_attr::OTHER);
}

TEST(Codes, EqualsIgnoreAsciiCaseComparesOtherBytesExactly) {
    EXPECT_TRUE(equals_ignore_ascii_case("AbC", "aBc"));
    EXPECT_FALSE(equals_ignore_ascii_case("abc", "abcd"));
    EXPECT_FALSE(equals_ignore_ascii_case("\u00C9", "\u00E9"));
}

TEST(Enums, ReadTheirTextsAndNothingElse) {
    EXPECT_EQ(parse_live_type(" MULTI "), LiveType::MULTI);
    EXPECT_EQ(parse_live_type("Challenge_Auto"), LiveType::CHALLENGE_AUTO);
    EXPECT_EQ(parse_live_type("CHALLENGEAUTO"), LiveType::CHALLENGE_AUTO);
    EXPECT_EQ(parse_live_type("challenge-auto"), std::nullopt);
    EXPECT_EQ(parse_live_type("multi live"), std::nullopt);
    EXPECT_EQ(parse_live_type(""), std::nullopt);
    EXPECT_EQ(parse_target("Score"), Target::SCORE);
    EXPECT_EQ(parse_target("mysekai"), Target::MYSEKAI);
    EXPECT_EQ(parse_target(""), std::nullopt);
    EXPECT_EQ(parse_skill_reference_strategy("MAX"), SkillReferenceChooseStrategy::MAX);
    EXPECT_EQ(parse_skill_reference_strategy("best"), std::nullopt);
    EXPECT_EQ(parse_skill_order_strategy("MAX"), SkillOrderChooseStrategy::BEST);
    EXPECT_EQ(parse_skill_order_strategy("min"), SkillOrderChooseStrategy::WORST);
    EXPECT_EQ(parse_skill_order_strategy("specific"), SkillOrderChooseStrategy::SPECIFIC);
}

TEST(Enums, EventTypeNeverFails) {
    EXPECT_EQ(parse_event_type("wl"), EventType::WORLD_BLOOM);
    EXPECT_EQ(parse_event_type("World_Bloom"), EventType::WORLD_BLOOM);
    EXPECT_EQ(parse_event_type("cheerful_carnival"), EventType::CHEERFUL);
    EXPECT_EQ(parse_event_type("Marathon "), EventType::MARATHON);
    EXPECT_EQ(parse_event_type("world bloom"), EventType::NONE);
    EXPECT_EQ(parse_event_type(""), EventType::NONE);
}

TEST(PoolBuildErrors, DisplayTexts) {
    EXPECT_EQ(pool_build_error_to_string(PoolBuildError::empty()), "候选卡池为空");
    EXPECT_EQ(pool_build_error_to_string(PoolBuildError::capacity_exceeded(600)),
              "候选卡数量超过 mask 容量: 600");
    EXPECT_EQ(pool_build_error_to_string(PoolBuildError::invalid_params("")), "构建参数非法: ");
    EXPECT_EQ(option_error_from_pool_error(PoolBuildError::invalid_params("limit")).message,
              "构建参数非法: limit");
}

}  // namespace
}  // namespace vdz
