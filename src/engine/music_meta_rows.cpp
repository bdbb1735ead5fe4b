// Averaging of the music-meta rows and the two MasterData parts built from
// them.
#include "engine/music_meta_rows.h"
#include "json/typed.h"

#include <algorithm>

#include "common/numeric.h"
#include "common/text.h"

namespace vdz {
namespace {

bool is_known_difficulty(const std::string& difficulty) {
    static constexpr const char* known[] = {"easy", "normal", "hard", "expert", "master", "append"};
    const std::string lower = ascii_lower(difficulty);
    return std::any_of(std::begin(known), std::end(known),
                       [&](const char* k) { return lower == k; });
}

bool is_averaged_difficulty(const std::string& difficulty) {
    const std::string lower = ascii_lower(difficulty);
    return lower == "hard" || lower == "expert" || lower == "master";
}

void add_array(std::array<double, 6>& sum, const std::array<double, 6>& value) {
    for (usize i = 0; i < 6; ++i)
        sum[i] += value[i];
}

void divide_array(std::array<double, 6>& sum, double count) {
    for (double& v : sum)
        v /= count;
}

}  // namespace

void average_music_meta_rows(std::vector<RawMusicMetaRow>& rows) {
    // 1. Rows of id 10000 with known difficulties, duplicates counted, decide
    //    whether the caller already gave the averages.
    if (rows.empty()) return;
    const auto known_average_rows = std::count_if(rows.begin(), rows.end(), [](const auto& r) {
        return r.music_id == MUSIC_META_AVERAGE_ID && is_known_difficulty(r.difficulty);
    });
    if (known_average_rows >= 6) return;

    // 2. Drop every row of id 10000; synthetic rows never feed their own average.
    std::erase_if(rows, [](const auto& r) { return r.music_id == MUSIC_META_AVERAGE_ID; });

    // 3. Sum the hard, expert and master rows in row order.
    RawMusicMetaRow avg;
    i64 event_rate_sum = 0;
    i64 tap_count_sum = 0;
    i64 count = 0;
    for (const RawMusicMetaRow& row : rows) {
        if (!is_averaged_difficulty(row.difficulty)) continue;
        ++count;
        avg.music_time += row.music_time;
        avg.base_score += row.base_score;
        avg.base_score_auto += row.base_score_auto;
        avg.fever_score += row.fever_score;
        add_array(avg.skill_score_solo, row.skill_score_solo);
        add_array(avg.skill_score_auto, row.skill_score_auto);
        add_array(avg.skill_score_multi, row.skill_score_multi);
        event_rate_sum += row.event_rate;
        tap_count_sum += row.tap_count;
    }
    if (count == 0) return;

    // 4. Divide: floats as floats, the two integers truncating toward zero.
    const double n = static_cast<double>(count);
    avg.music_time /= n;
    avg.base_score /= n;
    avg.base_score_auto /= n;
    avg.fever_score /= n;
    divide_array(avg.skill_score_solo, n);
    divide_array(avg.skill_score_auto, n);
    divide_array(avg.skill_score_multi, n);
    avg.event_rate = saturate_to<i32>(event_rate_sum / count);
    avg.tap_count = saturate_to<i32>(tap_count_sum / count);
    avg.music_id = MUSIC_META_AVERAGE_ID;

    // 5. One synthetic row per difficulty, appended at the end.
    for (const char* difficulty : {"easy", "normal", "hard", "expert", "master", "append"}) {
        avg.difficulty = difficulty;
        rows.push_back(avg);
    }
}

std::vector<MusicMeta> build_music_metas(const std::vector<RawMusicMetaRow>& rows) {
    std::vector<MusicMeta> metas;
    metas.reserve(rows.size());
    for (const RawMusicMetaRow& row : rows) {
        MusicMeta meta;
        meta.difficulty = row.difficulty;
        meta.base_score = row.base_score;
        meta.base_score_auto = row.base_score_auto;
        meta.fever_score = row.fever_score;
        meta.skill_score_solo = row.skill_score_solo;
        meta.skill_score_multi = row.skill_score_multi;
        meta.skill_score_auto = row.skill_score_auto;
        meta.music_time = row.music_time;
        meta.music_id = row.music_id;
        meta.event_rate_solo = row.event_rate;
        meta.event_rate_multi = row.event_rate;
        meta.event_rate_auto = row.event_rate;
        meta.tap_count = row.tap_count;
        metas.push_back(std::move(meta));
    }
    return metas;
}

std::vector<MusicMetaKey> build_music_meta_keys(const std::vector<RawMusicMetaRow>& rows) {
    std::vector<MusicMetaKey> keys;
    keys.reserve(rows.size());
    for (const RawMusicMetaRow& row : rows)
        keys.push_back(MusicMetaKey{row.difficulty, row.event_rate, row.music_id});
    return keys;
}

constexpr auto json_layout(json::Of<RawMusicMetaRow>) {
    using R = RawMusicMetaRow;
    return json::record(
        "RawMusicMetaRow", json::required("music_id", &R::music_id),
        json::required("difficulty", &R::difficulty), json::required("music_time", &R::music_time),
        json::required("event_rate", &R::event_rate), json::required("base_score", &R::base_score),
        json::required("base_score_auto", &R::base_score_auto),
        json::required("skill_score_solo", &R::skill_score_solo),
        json::required("skill_score_auto", &R::skill_score_auto),
        json::required("skill_score_multi", &R::skill_score_multi),
        json::required("fever_score", &R::fever_score), json::required("tap_count", &R::tap_count));
}

Result<std::vector<RawMusicMetaRow>> read_music_meta_rows(std::string_view text) {
    auto rows = json::read_rows<RawMusicMetaRow>(text);
    if (!rows) return make_error("解析 music_metas 失败: " + rows.error().message);
    return rows;
}

}  // namespace vdz
