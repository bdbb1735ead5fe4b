#include "auxiliary/music_score.h"

#include <gtest/gtest.h>

namespace vdz {
namespace {

TEST(MusicScore, ReadsObjectsArraysAndDefaults) {
    const auto empty = read_music_score(" \n{} \t");
    ASSERT_TRUE(empty.ok());
    EXPECT_TRUE(empty->notes.empty() && empty->skills.empty() && empty->fevers.empty());

    const auto one = read_music_score(R"({"notes": [{"time": 1}]})");
    ASSERT_TRUE(one.ok());
    ASSERT_EQ(one->notes.size(), 1u);
    EXPECT_EQ(one->notes[0].time, 1.0);
    EXPECT_EQ(one->notes[0].type, 0);
    EXPECT_EQ(one->notes[0].long_id, 0);

    const auto rows = read_music_score("[[[2.5, 3, 7]], [[1.0]]]");
    ASSERT_TRUE(rows.ok());
    ASSERT_EQ(rows->notes.size(), 1u);
    EXPECT_EQ(rows->notes[0].time, 2.5);
    EXPECT_EQ(rows->notes[0].type, 3);
    EXPECT_EQ(rows->notes[0].long_id, 7);
    ASSERT_EQ(rows->skills.size(), 1u);
    EXPECT_EQ(rows->skills[0].time, 1.0);
    EXPECT_TRUE(rows->fevers.empty());

    const auto mixed = read_music_score(
        R"({"x": {"a": [1, {"b": null}]}, "notes": [[0.5], {"type": -2147483648, "longId": 2147483647, "time": 1e1}],
            "x": 3, "fevers": [{"time": -1, "other": "y"}, []], "skills": []})");
    ASSERT_TRUE(mixed.ok()) << mixed.error().message;
    ASSERT_EQ(mixed->notes.size(), 2u);
    EXPECT_EQ(mixed->notes[0].time, 0.5);
    EXPECT_EQ(mixed->notes[1].type, -2147483648);
    EXPECT_EQ(mixed->notes[1].long_id, 2147483647);
    EXPECT_EQ(mixed->notes[1].time, 10.0);
    ASSERT_EQ(mixed->fevers.size(), 2u);
    EXPECT_EQ(mixed->fevers[0].time, -1.0);
    EXPECT_EQ(mixed->fevers[1].time, 0.0);
}

TEST(MusicScore, RefusesEveryBrokenRule) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"", "EOF while parsing a value at line 1 column 0"},
        {R"({"notes": [{"time": 1.5, "type": 2.0}]})",
         "invalid type: floating point `2`, expected i32 at line 1 column 36"},
        {R"({"notes": [{"type": 1e3}]})", nullptr},
        {R"({"notes": [{"type": 2147483648}]})", nullptr},
        {R"({"notes": [{"longId": -2147483649}]})", nullptr},
        {R"({"notes": [{"type": "1"}]})", nullptr},
        {R"({"notes": [{"time": null}]})", nullptr},
        {R"({"notes": [{"time": true}]})", nullptr},
        {R"({"notes": null})", "invalid type: null, expected a sequence at line 1 column 14"},
        {R"({"notes": [], "notes": []})", "duplicate field `notes` at line 1 column 21"},
        {R"({"notes": [{"time": 1, "time": 2}]})", nullptr},
        {"[[[2.5, 3, 7, 9]]]", nullptr},
        {"[[], [], [], []]", nullptr},
        {"{} x", nullptr},
        {"{}{}", nullptr},
        {R"("notes")", nullptr},
        {"null", nullptr},
        {R"({"notes": [5]})", nullptr},
        {R"({"skills": [{"time": 1}, null]})", nullptr},
        {R"({"notes": [)", nullptr},
    };
    for (const Case& c : cases) {
        const auto score = read_music_score(c.text);
        ASSERT_FALSE(score.ok()) << c.text;
        EXPECT_NE(score.error().message.find(" at line "), std::string::npos) << c.text;
        if (c.message) {
            EXPECT_EQ(score.error().message, c.message) << c.text;
        }
    }
}

}  // namespace
}  // namespace vdz
