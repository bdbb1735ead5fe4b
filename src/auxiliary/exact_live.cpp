// Scores every note of a chart exactly as the game sums them: nothing is
// rounded, each product is formed in one fixed order so that results are
// reproducible to the last bit.
#include "auxiliary/exact_live.h"

#include <algorithm>

#include "auxiliary/music_score.h"
#include "json/writer.h"

namespace vdz {
namespace {

// Skills last this long, in the unit of the chart's times.
constexpr double SKILL_DURATION = 5.0;
// A fever halves the score of the notes it holds (a percent factor).
constexpr double FEVER_BONUS = 50.0;
constexpr double ACTIVE_BONUS_RATE = 0.075;

// A span of the song, both ends included, with a percent factor on the
// score of every note inside it.
struct EffectWindow {
    double start = 0.0;
    double end = 0.0;
    double bonus = 0.0;

    bool holds(double time) const { return start <= time && time <= end; }
};

struct ExactLiveNote {
    double note_coefficient = 0.0;
    double combo_coefficient = 0.0;
    double judge_coefficient = 1.0;
    std::vector<double> effect_bonuses;
    double score = 0.0;
};

bool is_multi_group(LiveType type) {
    return type == LiveType::MULTI || type == LiveType::CHEERFUL;
}

// The fever of a multi or cheerful live starts at the last fever marker and
// lasts a tenth of the chart's notes, counted among the notes from there on.
std::optional<EffectWindow> fever_window(const MusicScore& source) {
    if (source.fevers.empty() || source.notes.empty()) return std::nullopt;
    double start = 0.0;
    for (const MusicNoteBase& marker : source.fevers)
        start = std::max(start, marker.time);
    std::vector<double> after;
    for (const MusicNote& note : source.notes) {
        if (note.time >= start) after.push_back(note.time);
    }
    if (after.empty()) return std::nullopt;
    const usize k = std::min(source.notes.size() / 10, after.size());
    return EffectWindow{start, after[k == 0 ? 0 : k - 1], FEVER_BONUS};
}

const IngameNote* find_note_row(const AreaIngameTables& tables, i32 type) {
    for (const IngameNote& row : tables.ingame_notes) {
        if (row.id == type) return &row;
    }
    return nullptr;
}

const IngameCombo* find_combo_row(const AreaIngameTables& tables, i64 combo) {
    for (const IngameCombo& row : tables.ingame_combos) {
        if (row.from_count <= combo && combo <= row.to_count) return &row;
    }
    return nullptr;
}

std::string write_result(double total, double active_bonus,
                         const std::vector<ExactLiveNote>& notes) {
    std::string out;
    json::Writer w(out);
    w.begin_object();
    w.member("total", total);
    w.member("active_bonus", active_bonus);
    w.key("notes");
    w.begin_array();
    for (const ExactLiveNote& note : notes) {
        w.begin_object();
        w.member("note_coefficient", note.note_coefficient);
        w.member("combo_coefficient", note.combo_coefficient);
        w.member("judge_coefficient", note.judge_coefficient);
        w.key("effect_bonuses");
        w.begin_array();
        for (const double bonus : note.effect_bonuses)
            w.value(bonus);
        w.end_array();
        w.member("score", note.score);
        w.end_object();
    }
    w.end_array();
    w.end_object();
    return out;
}

}  // namespace

Result<std::string> calculate_exact_live(const AreaIngameTables& tables,
                                         const ExactLiveRequest& live) {
    // 1. Tables and charts.
    if (tables.ingame_notes.empty()) return make_error("ingameNotes masterdata is not loaded");
    if (tables.ingame_combos.empty()) return make_error("ingameCombos masterdata is not loaded");
    Result<MusicScore> score = read_music_score(live.music_score_json);
    if (!score) return make_error("invalid music score JSON: " + score.error().message);
    if (score->notes.empty()) return make_error("musicScore.notes must not be empty");
    std::optional<MusicScore> fever_score;
    if (live.fever_music_score_json && !live.fever_music_score_json->empty()) {
        Result<MusicScore> fever = read_music_score(*live.fever_music_score_json);
        if (!fever) return make_error("invalid fever music score JSON: " + fever.error().message);
        fever_score = std::move(fever).value();
    }
    const std::vector<MusicNote>& notes = score->notes;

    // 2. Windows: one per skill value that has a marker, then the fever.
    std::vector<EffectWindow> windows;
    const usize skill_count = std::min(live.skills.size(), score->skills.size());
    for (usize i = 0; i < skill_count; ++i) {
        const double start = score->skills[i].time;
        windows.push_back({start, start + SKILL_DURATION, live.skills[i]});
    }
    if (is_multi_group(live.live_type)) {
        if (auto fever = fever_window(fever_score ? *fever_score : *score))
            windows.push_back(*fever);
    }

    // 3. Note coefficients, all checked before any note is scored.
    std::vector<ExactLiveNote> breakdown(notes.size());
    double total_coefficient = 0.0;
    for (usize i = 0; i < notes.size(); ++i) {
        const IngameNote* row = find_note_row(tables, notes[i].type);
        if (!row)
            return make_error("ingame note not found for type=" + std::to_string(notes[i].type));
        breakdown[i].note_coefficient = row->score_coefficient;
        total_coefficient += row->score_coefficient;
    }
    if (!(total_coefficient > 0.0)) {
        return make_error("musicScore note coefficient total must be positive");
    }

    // 4. Note scores: the combo never breaks, so note i is combo i + 1.
    const double power = static_cast<double>(live.power);
    double score_sum = 0.0;
    for (usize i = 0; i < notes.size(); ++i) {
        ExactLiveNote& note = breakdown[i];
        const i64 combo = static_cast<i64>(i) + 1;
        const IngameCombo* row = find_combo_row(tables, combo);
        if (!row) return make_error("ingame combo not found for combo=" + std::to_string(combo));
        note.combo_coefficient = row->score_coefficient;
        double factor = 1.0;
        for (const EffectWindow& window : windows) {
            if (!window.holds(notes[i].time)) continue;
            note.effect_bonuses.push_back(window.bonus);
            factor = (factor * window.bonus) / 100.0;
        }
        note.score = ((((note.combo_coefficient * note.note_coefficient) * factor) * power) * 4.0) /
                     total_coefficient;
        score_sum += note.score;
    }

    // 5. The active bonus of multi and cheerful lives rides on the room's power.
    double active_bonus = 0.0;
    if (is_multi_group(live.live_type)) {
        const i64 sum_power = live.multi_sum_power > 0 ? live.multi_sum_power : i64{5} * live.power;
        active_bonus = static_cast<double>(sum_power) * ACTIVE_BONUS_RATE;
    }
    return write_result(active_bonus + score_sum, active_bonus, breakdown);
}

}  // namespace vdz
