#include "search/evaluation/deck_key.h"

#include <gtest/gtest.h>

#include <limits>

namespace vdz {
namespace {

KeyInputs inputs(u32 power, i32 score, std::optional<i32> ep, double score_up, double bonus) {
    return {power, score, ep, score_up, bonus};
}

u64 packed(u64 high, u64 low) {
    return high << 32 | low;
}

struct KeyCase {
    const char* name;
    Target target;
    bool has_event;
    KeyInputs in;
    u64 key;
};

const KeyCase CASES[] = {
    {"score without event ranks by score twice", Target::SCORE, false,
     inputs(100, 1'234'567, 19320, 0, 0), packed(1'234'567, 1'234'567)},
    {"score with event: event points, then score", Target::SCORE, true,
     inputs(100, 1'234'567, 19320, 0, 0), packed(19320, 1'234'567)},
    {"score, mysekai live with event: high half 0", Target::SCORE, true,
     inputs(100, 0, std::nullopt, 0, 0), 0},
    {"score: a negative score never wraps to a top key", Target::SCORE, false,
     inputs(100, -5, 0, 0, 0), 0},
    {"score: negative event points floor at 0", Target::SCORE, true, inputs(100, 7, -3, 0, 0),
     packed(0, 7)},
    {"power: the capped power alone", Target::POWER, false, inputs(336000, 999, 1, 0, 0), 336000},
    {"skill: 2.0999999999999996 gives 21", Target::SKILL, false,
     inputs(0, 0, 0, 2.0999999999999996, 0), 21},
    {"skill: 2.09 gives 20", Target::SKILL, false, inputs(0, 0, 0, 2.09, 0), 20},
    {"bonus: 12.25 % gives 25 (half away from zero)", Target::BONUS, true,
     inputs(0, 500, 0, 0, 12.25), packed(25, 500)},
    {"bonus: 0.25 % gives 1", Target::BONUS, true, inputs(0, 0, 0, 0, 0.25), packed(1, 0)},
    {"bonus: 0.24 % gives 0", Target::BONUS, true, inputs(0, 9, 0, 0, 0.24), packed(0, 9)},
    {"bonus: negative score floors at 0", Target::BONUS, true, inputs(0, -9, 0, 0, 1.0),
     packed(2, 0)},
    {"bonus: negative bonus floors at 0", Target::BONUS, true, inputs(0, 9, 0, 0, -3.0),
     packed(0, 9)},
    {"mysekai: power 44,999 gives 500", Target::MYSEKAI, true, inputs(44'999, 5, 0, 0, 0), 500},
    {"mysekai: power 45,000 gives 550", Target::MYSEKAI, true, inputs(45'000, 5, 0, 0, 0), 550},
    {"mysekai: bonus 10 % at 90,000 power", Target::MYSEKAI, true, inputs(90'000, 5, 0, 0, 10.0),
     660},
};

TEST(DeckKey, ByTarget) {
    for (const KeyCase& c : CASES)
        EXPECT_EQ(deck_key(c.target, c.has_event, c.in), c.key) << c.name;
}

TEST(DeckKey, SaturatesOutOfRangeFloats) {
    const double huge = 1e300;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(deck_key(Target::BONUS, true, inputs(0, 1, 0, 0, huge)), packed(0xFFFFFFFF, 1));
    EXPECT_EQ(deck_key(Target::MYSEKAI, true, inputs(0, 0, 0, 0, huge)), 0xFFFFFFFFu);
    EXPECT_EQ(deck_key(Target::MYSEKAI, true, inputs(0, 0, 0, 0, nan)), 0u);
    EXPECT_EQ(deck_key(Target::SKILL, true, inputs(0, 0, 0, huge, 0)),
              std::numeric_limits<u64>::max());
    EXPECT_EQ(deck_key(Target::SKILL, true, inputs(0, 0, 0, -4.0, 0)), 0u);
}

}  // namespace
}  // namespace vdz
