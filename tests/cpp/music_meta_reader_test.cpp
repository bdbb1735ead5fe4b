#include "engine/music_meta_reader.h"

#include <gtest/gtest.h>

#include "masterdata_fixture.h"

namespace vdz {
namespace {

// A complete element with `changes` spliced in before its closing brace
// (later keys win in the lenient reader).
std::string element(std::string_view changes = "") {
    std::string e = R"({"music_id":1,"difficulty":"expert","music_time":120.5,"event_rate":110,)"
                    R"("base_score":1.25,"base_score_auto":0.75,"fever_score":0.5,"tap_count":800,)"
                    R"("skill_score_solo":[1,2,3,4,5,6],"skill_score_auto":[0,0,0,0,0,0.5],)"
                    R"("skill_score_multi":[6,5,4,3,2,1])";
    if (!changes.empty()) e += "," + std::string(changes);
    return e + "}";
}

std::string parse_error(const std::string& text) {
    const auto result = parse_music_metas(text);
    return result.ok() ? "ok" : result.error().message;
}

TEST(MusicMetaReader, ReadsEveryField) {
    const auto metas = parse_music_metas("[" + element() + "," + element(R"("music_id":2)") + "]");
    ASSERT_TRUE(metas.ok()) << metas.error().message;
    ASSERT_EQ(metas->size(), 2u);
    const MusicMeta& m = (*metas)[0];
    EXPECT_EQ(m.music_id, 1);
    EXPECT_EQ(m.difficulty, "expert");
    EXPECT_EQ(m.music_time, 120.5);
    EXPECT_EQ(m.event_rate_solo, 110);
    EXPECT_EQ(m.event_rate_multi, 110);
    EXPECT_EQ(m.event_rate_auto, 110);
    EXPECT_EQ(m.base_score, 1.25);
    EXPECT_EQ(m.base_score_auto, 0.75);
    EXPECT_EQ(m.fever_score, 0.5);
    EXPECT_EQ(m.tap_count, 800);
    EXPECT_EQ(m.skill_score_solo, (std::array<double, 6>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(m.skill_score_multi, (std::array<double, 6>{6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(m.skill_score_auto[5], 0.5);
    EXPECT_EQ((*metas)[1].music_id, 2);
    EXPECT_TRUE(parse_music_metas(" [ ] ")->empty());
}

TEST(MusicMetaReader, LenientWhereTheFormatAllows) {
    const auto metas = parse_music_metas(
        "[" + element(R"("difficulty":7,"base_score":1,"extra":null)") + "," +
        R"({"music_id":3,"music_time":1,"event_rate":1,"base_score":1,"base_score_auto":1,)"
        R"("fever_score":1,"tap_count":1,"skill_score_solo":[1,1,1,1,1,1],)"
        R"("skill_score_auto":[1,1,1,1,1,1],"skill_score_multi":[1,1,1,1,1,1]}])");
    ASSERT_TRUE(metas.ok()) << metas.error().message;
    EXPECT_EQ((*metas)[0].difficulty, "");
    EXPECT_EQ((*metas)[0].base_score, 1.0);
    EXPECT_EQ((*metas)[1].difficulty, "");
}

TEST(MusicMetaReader, Messages) {
    struct Case {
        std::string text;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"{}", "invalid music metas: invalid type: map, expected a sequence at line 1 column 0"},
        {"[1,]", "invalid music metas: trailing comma at line 1 column 4"},
        {"[] []", "invalid music metas: trailing characters at line 1 column 4"},
        {"[{}]", "music meta field event_rate is required"},
        {"[5]", "music meta field event_rate is required"},
        {"[" + element(R"("music_id":1.0)") + "]", "music meta field music_id is required"},
        {"[" + element(R"("event_rate":2147483648)") + "]",
         "music meta field event_rate is required"},
        {"[" + element(R"("event_rate":3e0)") + "]", "music meta field event_rate is required"},
        {R"([{"event_rate":1,"base_score":1}])", "music meta field music_id is required"},
        {"[" + element(R"("fever_score":"1")") + "]", "music meta field fever_score is required"},
        {"[" + element(R"("base_score_auto":null)") + "]",
         "music meta field base_score_auto is required"},
        {"[" + element(R"("skill_score_multi":[1,2,3,4,5])") + "]",
         "music meta field skill_score_multi must contain 6 values"},
        {"[" + element(R"("skill_score_solo":[1,2,"3",4,5,"6"])") + "]",
         "music meta field skill_score_solo[2] must be numeric"},
        {"[" + element(R"("skill_score_auto":{})") + "]",
         "music meta field skill_score_auto is required"},
        {"[" + element(R"("tap_count":-2147483649)") + "]",
         "music meta field tap_count is required"},
        {"[" + element() + "," + element(R"("music_time":true)") + "]",
         "music meta field music_time is required"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parse_error(c.text), c.error) << c.text;
}

TEST(MusicMetaReader, TheLoaderReadsStrictlyAndAddsAverages) {
    // What only the loader refuses: a missing or non-string difficulty and a
    // repeated key.
    EXPECT_EQ(testing::load_error(
                  testing::load_with("events.json", "[]", R"([{"music_id":1,"music_time":1}])")),
              "解析 music_metas 失败: missing field `difficulty` at line 1 column 30");
    EXPECT_EQ(testing::load_error(testing::load_with("events.json", "[]",
                                                     "[" + element(R"("difficulty":null)") + "]")),
              "解析 music_metas 失败: duplicate field `difficulty` at line 1 column 262");
    std::string null_difficulty = element();
    null_difficulty.replace(null_difficulty.find("\"expert\""), 8, "null");
    ASSERT_TRUE(parse_music_metas("[" + null_difficulty + "]").ok());
    EXPECT_EQ(
        testing::load_error(testing::load_with("events.json", "[]", "[" + null_difficulty + "]")),
        "解析 music_metas 失败: invalid type: null, expected a string at line 1 column 32");

    const MasterData md = testing::loaded_with("events.json", "[]", "[" + element() + "]");
    ASSERT_EQ(md.music_metas.size(), 7u);
    ASSERT_EQ(md.music_meta_keys.size(), 7u);
    EXPECT_EQ(md.music_metas[0].music_id, 1);
    EXPECT_EQ(md.music_metas[6].music_id, MUSIC_META_AVERAGE_ID);
    EXPECT_EQ(md.music_metas[6].difficulty, "append");
    EXPECT_EQ(md.music_metas[6].tap_count, 800);
    EXPECT_EQ(md.music_meta_keys[3].difficulty, "hard");
    EXPECT_EQ(md.music_meta_keys[3].event_rate, 110);
    EXPECT_EQ(md.music_meta_keys[3].music_id, MUSIC_META_AVERAGE_ID);
}

}  // namespace
}  // namespace vdz
