#include "auxiliary/exact_live_type.h"

#include <gtest/gtest.h>

namespace vdz {
namespace {

TEST(ExactLiveType, ReadsTrimmedCaseInsensitiveNames) {
    struct Case {
        std::string_view text;
        LiveType type;
    };
    const Case cases[] = {
        {"solo", LiveType::SOLO},
        {"AUTO", LiveType::AUTO},
        {"multi", LiveType::MULTI},
        {"cheerful", LiveType::CHEERFUL},
        {" \u3000Cheerful_Live\t", LiveType::CHEERFUL},
        {"challenge", LiveType::CHALLENGE},
        {"Challenge_Auto", LiveType::CHALLENGE_AUTO},
    };
    for (const auto& c : cases) {
        const auto parsed = parse_exact_live_type(c.text);
        ASSERT_TRUE(parsed.ok()) << c.text;
        EXPECT_EQ(*parsed, c.type) << c.text;
    }
}

TEST(ExactLiveType, RefusesOtherTextsQuotingThemAsGiven) {
    for (std::string_view text : {"mysekai", "", "  ", " Solo x", "cheerful live", "SOLO\u200B"}) {
        const auto parsed = parse_exact_live_type(text);
        ASSERT_FALSE(parsed.ok()) << text;
        EXPECT_EQ(parsed.error().message, "invalid live type: " + std::string(text));
    }
}

}  // namespace
}  // namespace vdz
