#include "auxiliary/exact_live.h"

#include <gtest/gtest.h>

#include <string>

#include "json/value.h"

namespace vdz {
namespace {

AreaIngameTables worked_tables() {
    AreaIngameTables tables;
    tables.ingame_notes = {{1, 1.0}, {2, 2.0}, {1, 9.0}};  // the first row of a type wins
    tables.ingame_combos = {{1, 100, 1.0}, {1, 100, 7.0}};
    return tables;
}

Result<std::string> score(const AreaIngameTables& tables, const ExactLiveRequest& live) {
    return calculate_exact_live(tables, live);
}

// Per-note values of a result, for checks that do not spell out the text.
struct NoteView {
    std::vector<double> bonuses;
    double score = 0.0;
};

std::vector<NoteView> notes_of(const std::string& text) {
    const auto value = json::parse_value(text);
    EXPECT_TRUE(value.ok());
    std::vector<NoteView> out;
    for (const json::Value& note : *value->find("notes")->as_array()) {
        NoteView view;
        for (const json::Value& b : *note.find("effect_bonuses")->as_array())
            view.bonuses.push_back(*b.as_f64());
        view.score = note.find("score")->as_f64().value();
        out.push_back(view);
    }
    return out;
}

TEST(ExactLive, WorkedSoloLiveGivesTheExactText) {
    ExactLiveRequest live;
    live.power = 1000;
    live.skills = {120.0};
    live.music_score_json =
        R"({"notes": [{"time": 1.0, "type": 1}, {"time": 2.0, "type": 2}], "skills": [{"time": 1.5}]})";
    const auto text = score(worked_tables(), live);
    ASSERT_TRUE(text.ok()) << text.error().message;
    EXPECT_EQ(*text,
              R"({"total":4533.333333333333,"active_bonus":0.0,"notes":[{"note_coefficient":1.0,)"
              R"("combo_coefficient":1.0,"judge_coefficient":1.0,"effect_bonuses":[],)"
              R"("score":1333.3333333333333},{"note_coefficient":2.0,"combo_coefficient":1.0,)"
              R"("judge_coefficient":1.0,"effect_bonuses":[120.0],"score":3200.0}]})");
}

TEST(ExactLive, SkillWindowsIncludeBothEndsAndStack) {
    ExactLiveRequest live;
    live.power = 1000;
    // Three values over two markers: the third is ignored.
    live.skills = {120.0, 150.0, 999.0};
    live.music_score_json =
        R"({"notes": [[0.9, 1], [1.0, 1], [3.0, 1], [6.0, 1], [8.0, 1], [8.01, 1]],
                                "skills": [[1.0], [3.0]]})";
    const auto text = score(worked_tables(), live);
    ASSERT_TRUE(text.ok()) << text.error().message;
    const auto notes = notes_of(*text);
    ASSERT_EQ(notes.size(), 6u);
    EXPECT_EQ(notes[0].bonuses, std::vector<double>{});
    EXPECT_EQ(notes[1].bonuses, std::vector<double>{120.0});
    EXPECT_EQ(notes[2].bonuses, (std::vector<double>{120.0, 150.0}));
    EXPECT_EQ(notes[3].bonuses, (std::vector<double>{120.0, 150.0}));
    EXPECT_EQ(notes[4].bonuses, std::vector<double>{150.0});
    EXPECT_EQ(notes[5].bonuses, std::vector<double>{});
    const double unit = 1000.0 * 4.0 / 6.0;
    EXPECT_EQ(notes[2].score, ((1.0 * 120.0) / 100.0 * 150.0) / 100.0 * 1000.0 * 4.0 / 6.0);
    EXPECT_DOUBLE_EQ(notes[2].score, 1.8 * unit);

    // One value over two markers: only the first marker opens a window.
    live.skills = {120.0};
    const auto one = score(worked_tables(), live);
    ASSERT_TRUE(one.ok());
    EXPECT_EQ(notes_of(*one)[4].bonuses, std::vector<double>{});
}

std::string chart_with_fever(int note_count, double fever_at) {
    std::string chart = R"({"notes":[)";
    for (int i = 0; i < note_count; ++i) {
        chart.append(i ? ",[" : "[").append(std::to_string(i)).append(",1]");
    }
    chart.append(R"(],"fevers":[[)").append(std::to_string(fever_at)).append("]]}");
    return chart;
}

TEST(ExactLive, FeverWindowOfMultiAndCheerfulLives) {
    ExactLiveRequest live;
    live.live_type = LiveType::MULTI;
    live.power = 200000;

    // 25 notes at 0..24, fever from 17.0: 8 notes follow, k = min(2, 8) = 2, so
    // the fever holds 17.0 and 18.0.
    const std::string chart = chart_with_fever(25, 17.0);
    live.music_score_json = chart;
    auto text = score(worked_tables(), live);
    ASSERT_TRUE(text.ok()) << text.error().message;
    auto notes = notes_of(*text);
    for (int i = 0; i < 25; ++i) {
        const bool inside = i == 17 || i == 18;
        EXPECT_EQ(notes[i].bonuses, inside ? std::vector<double>{50.0} : std::vector<double>{})
            << i;
    }
    EXPECT_NE(text->find(R"("active_bonus":75000.0)"), std::string::npos);

    // Nine notes: k is 0, the fever ends at the first note at or after its start.
    const std::string short_chart = chart_with_fever(9, 3.0);
    live.music_score_json = short_chart;
    text = score(worked_tables(), live);
    notes = notes_of(*text);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(notes[i].bonuses.size(), i == 3 ? 1u : 0u) << i;

    // Markers before 0.0 start the fever at 0.0; 20 notes give k = 2.
    const std::string early = chart_with_fever(20, -5.0);
    live.music_score_json = early;
    live.live_type = LiveType::CHEERFUL;
    live.multi_sum_power = 1000;
    text = score(worked_tables(), live);
    notes = notes_of(*text);
    EXPECT_EQ(notes[0].bonuses.size(), 1u);
    EXPECT_EQ(notes[1].bonuses.size(), 1u);
    EXPECT_EQ(notes[2].bonuses.size(), 0u);
    EXPECT_NE(text->find(R"("active_bonus":75.0)"), std::string::npos);

    // A fever chart places the window; the main chart's markers are then unused.
    const std::string fever_chart = chart_with_fever(10, 4.0);
    live.fever_music_score_json = fever_chart;
    text = score(worked_tables(), live);
    notes = notes_of(*text);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(notes[i].bonuses.size(), i == 4 ? 1u : 0u) << i;

    // No fever markers: no window, the active bonus stays.
    live.fever_music_score_json.reset();
    live.music_score_json = R"({"notes":[[1,1]]})";
    text = score(worked_tables(), live);
    EXPECT_EQ(notes_of(*text)[0].bonuses.size(), 0u);
    EXPECT_NE(text->find(R"("total":800075.0)"), std::string::npos) << *text;

    // A solo live never opens a fever window.
    live.live_type = LiveType::SOLO;
    live.music_score_json = chart;
    text = score(worked_tables(), live);
    for (const auto& note : notes_of(*text))
        EXPECT_TRUE(note.bonuses.empty());
    EXPECT_NE(text->find(R"("active_bonus":0.0)"), std::string::npos);
}

TEST(ExactLive, PowerAndSumPowerScaleTheTotal) {
    ExactLiveRequest live;
    const std::string chart = chart_with_fever(30, 0.0);
    live.music_score_json = chart;
    live.power = 123457;
    auto text = score(worked_tables(), live);
    ASSERT_TRUE(text.ok()) << text.error().message;
    const auto total = json::parse_value(*text)->find("total")->as_f64().value();
    EXPECT_NEAR(total, 4.0 * 123457, 1e-6);

    live.power = 0;
    live.live_type = LiveType::MULTI;
    text = score(worked_tables(), live);
    EXPECT_EQ(text->substr(0, 34), R"({"total":0.0,"active_bonus":0.0,"n)");
    live.multi_sum_power = 10;
    text = score(worked_tables(), live);
    EXPECT_EQ(text->substr(0, 35), R"({"total":0.75,"active_bonus":0.75,")");
    for (const auto& note : notes_of(*text))
        EXPECT_EQ(note.score, 0.0);

    // Five times the largest power does not wrap around.
    live.power = 2147483647;
    live.multi_sum_power = -1;
    live.music_score_json = R"({"notes":[[1,1]]})";
    text = score(worked_tables(), live);
    EXPECT_EQ(json::parse_value(*text)->find("active_bonus")->as_f64().value(),
              5.0 * 2147483647.0 * 0.075);
}

TEST(ExactLive, ReportsTheFirstFailingCheck) {
    const AreaIngameTables tables = worked_tables();
    AreaIngameTables no_notes = tables;
    no_notes.ingame_notes.clear();
    no_notes.ingame_combos.clear();
    AreaIngameTables no_combos = tables;
    no_combos.ingame_combos.clear();
    AreaIngameTables short_combos = tables;
    short_combos.ingame_combos = {{1, 2, 1.0}};
    AreaIngameTables late_combos = tables;
    late_combos.ingame_combos = {{2, 100, 1.0}};
    AreaIngameTables zero_notes = tables;
    zero_notes.ingame_notes = {{1, 0.0}, {2, -1.0}};

    struct Case {
        const AreaIngameTables* tables;
        const char* chart;
        std::optional<std::string_view> fever;
        const char* message;
    };
    const Case cases[] = {
        {&no_notes, "x", "x", "ingameNotes masterdata is not loaded"},
        {&no_combos, "x", "x", "ingameCombos masterdata is not loaded"},
        {&tables, "{", "x",
         "invalid music score JSON: EOF while parsing an object at line 1 column 1"},
        {&tables, "{}", "x", "musicScore.notes must not be empty"},
        {&tables, R"({"notes":[[1,7]]})", "[1]",
         "invalid fever music score JSON: invalid type: integer `1`, expected a sequence at line 1 "
         "column 2"},
        {&tables, R"({"notes":[[1,1],[2,7],[3,8]]})", "", "ingame note not found for type=7"},
        {&zero_notes, R"({"notes":[[1,1],[2,1]]})", std::nullopt,
         "musicScore note coefficient total must be positive"},
        {&zero_notes, R"({"notes":[[1,2],[2,1]]})", std::nullopt,
         "musicScore note coefficient total must be positive"},
        {&short_combos, R"({"notes":[[1,1],[2,1],[3,1],[4,1]]})", std::nullopt,
         "ingame combo not found for combo=3"},
        {&late_combos, R"({"notes":[[1,1]]})", std::nullopt, "ingame combo not found for combo=1"},
    };
    for (const Case& c : cases) {
        ExactLiveRequest live;
        live.skills = {100.0};
        live.music_score_json = c.chart;
        live.fever_music_score_json = c.fever;
        const auto text = calculate_exact_live(*c.tables, live);
        ASSERT_FALSE(text.ok()) << c.chart;
        EXPECT_EQ(text.error().message, c.message) << c.chart;
    }
}

}  // namespace
}  // namespace vdz
