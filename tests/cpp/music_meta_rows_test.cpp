#include "engine/music_meta_rows.h"

#include <gtest/gtest.h>

namespace vdz {
namespace {

RawMusicMetaRow row(i32 music_id, std::string difficulty, double base = 0.0, i32 event_rate = 0) {
    RawMusicMetaRow r;
    r.music_id = music_id;
    r.difficulty = std::move(difficulty);
    r.base_score = base;
    r.event_rate = event_rate;
    return r;
}

std::vector<std::string> ids_and_difficulties(const std::vector<RawMusicMetaRow>& rows) {
    std::vector<std::string> out;
    for (const auto& r : rows)
        out.push_back(std::to_string(r.music_id) + ":" + r.difficulty);
    return out;
}

using Lines = std::vector<std::string>;
const Lines SYNTHETIC = {"10000:easy",   "10000:normal", "10000:hard",
                         "10000:expert", "10000:master", "10000:append"};

Lines with_synthetic(Lines head) {
    head.insert(head.end(), SYNTHETIC.begin(), SYNTHETIC.end());
    return head;
}

TEST(MusicMetas, AveragesHardExpertAndMasterRowsIntoSixSyntheticRows) {
    RawMusicMetaRow a = row(1, "hard", 100.0, 1);
    a.music_time = 120.0;
    a.tap_count = 500;
    a.skill_score_solo = {1, 2, 3, 4, 5, 6};
    RawMusicMetaRow b = row(2, "MaStEr", 200.0, 2);
    b.music_time = 60.0;
    b.tap_count = 1001;
    b.skill_score_solo = {3, 4, 5, 6, 7, 8};
    std::vector<RawMusicMetaRow> rows = {a, row(1, "easy", 9999.0), row(3, " hard", 9999.0), b};
    average_music_meta_rows(rows);
    ASSERT_EQ(ids_and_difficulties(rows),
              with_synthetic({"1:hard", "1:easy", "3: hard", "2:MaStEr"}));
    for (usize i = 4; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].base_score, 150.0);
        EXPECT_EQ(rows[i].music_time, 90.0);
        EXPECT_EQ(rows[i].event_rate, 1);  // 3 / 2 truncated
        EXPECT_EQ(rows[i].tap_count, 750);
        EXPECT_EQ(rows[i].skill_score_solo, (std::array<double, 6>{2, 3, 4, 5, 6, 7}));
    }

    std::vector<RawMusicMetaRow> negative = {row(1, "hard", 0, -1), row(2, "expert", 0, -2)};
    average_music_meta_rows(negative);
    EXPECT_EQ(negative.back().event_rate, -1);
}

TEST(MusicMetas, WhenTheAverageRowsAreKeptOrReplaced) {
    struct Case {
        const char* name;
        std::vector<RawMusicMetaRow> rows;
        Lines expected;
    };
    const std::vector<Case> cases = {
        {"empty", {}, {}},
        {"six known difficulties of 10000 are kept",
         {row(10000, "easy"), row(10000, "NORMAL"), row(10000, "hard"), row(10000, "expert"),
          row(10000, "master"), row(10000, "append"), row(1, "hard")},
         {"10000:easy", "10000:NORMAL", "10000:hard", "10000:expert", "10000:master",
          "10000:append", "1:hard"}},
        {"duplicates count towards six",
         {row(10000, "easy"), row(10000, "easy"), row(10000, "easy"), row(10000, "easy"),
          row(10000, "easy"), row(10000, "easy")},
         {"10000:easy", "10000:easy", "10000:easy", "10000:easy", "10000:easy", "10000:easy"}},
        {"five are replaced",
         {row(10000, "easy"), row(5, "hard"), row(10000, "normal"), row(10000, "hard"),
          row(10000, "expert"), row(10000, "master")},
         with_synthetic({"5:hard"})},
        {"five alone leave nothing",
         {row(10000, "easy"), row(10000, "normal"), row(10000, "hard"), row(10000, "expert"),
          row(10000, "master")},
         {}},
        {"unknown difficulty does not count and is removed",
         {row(10000, "other"), row(10000, "easy"), row(10000, "normal"), row(10000, "hard"),
          row(10000, "expert"), row(10000, "master"), row(7, "expert")},
         with_synthetic({"7:expert"})},
        {"no averaged difficulty: nothing appended",
         {row(1, "easy"), row(1, "normal"), row(10000, "hard")},
         {"1:easy", "1:normal"}},
        {"no row of 10000", {row(1, "master")}, with_synthetic({"1:master"})},
    };
    for (Case c : cases) {
        average_music_meta_rows(c.rows);
        EXPECT_EQ(ids_and_difficulties(c.rows), c.expected) << c.name;
    }
}

TEST(MusicMetas, SyntheticRowsNeverFeedTheirOwnAverage) {
    std::vector<RawMusicMetaRow> rows = {row(10000, "hard", 1e9), row(1, "hard", 10.0)};
    average_music_meta_rows(rows);
    EXPECT_EQ(rows.back().base_score, 10.0);
}

TEST(MusicMetas, PartsCopyEveryFieldAndTheEventRateThreeTimes) {
    RawMusicMetaRow r = row(3, "expert", 1.5, 42);
    r.base_score_auto = 2.5;
    r.fever_score = 3.5;
    r.music_time = 4.5;
    r.tap_count = 77;
    r.skill_score_solo = {1, 1, 1, 1, 1, 1};
    r.skill_score_multi = {2, 2, 2, 2, 2, 2};
    r.skill_score_auto = {3, 3, 3, 3, 3, 3};
    const MusicMeta meta = build_music_metas({r})[0];
    EXPECT_EQ(meta.difficulty, "expert");
    EXPECT_EQ(meta.music_id, 3);
    EXPECT_EQ(meta.base_score, 1.5);
    EXPECT_EQ(meta.base_score_auto, 2.5);
    EXPECT_EQ(meta.fever_score, 3.5);
    EXPECT_EQ(meta.music_time, 4.5);
    EXPECT_EQ(meta.tap_count, 77);
    EXPECT_EQ(meta.skill_score_multi[0], 2.0);
    EXPECT_EQ(meta.skill_score_auto[5], 3.0);
    EXPECT_EQ(meta.event_rate_solo, 42);
    EXPECT_EQ(meta.event_rate_multi, 42);
    EXPECT_EQ(meta.event_rate_auto, 42);
    const MusicMetaKey key = build_music_meta_keys({r})[0];
    EXPECT_EQ(key.difficulty, "expert");
    EXPECT_EQ(key.event_rate, 42);
    EXPECT_EQ(key.music_id, 3);
}

}  // namespace
}  // namespace vdz
