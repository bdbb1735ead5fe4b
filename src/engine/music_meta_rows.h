// The master-data side of music metas: the loader's strict row, the averaged
// rows of the reserved music id 10000, and the two MasterData parts built
// from the rows.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "engine/music_meta.h"

namespace vdz {

// Music id of the synthetic rows that hold the averages over all songs.
constexpr i32 MUSIC_META_AVERAGE_ID = 10000;

// One row of the music-metas text as the master-data loader reads it; every
// key is required. Keys in declared order.
struct RawMusicMetaRow {
    i32 music_id = 0;
    std::string difficulty;
    double music_time = 0.0;
    i32 event_rate = 0;
    double base_score = 0.0;
    double base_score_auto = 0.0;
    std::array<double, 6> skill_score_solo{};
    std::array<double, 6> skill_score_auto{};
    std::array<double, 6> skill_score_multi{};
    double fever_score = 0.0;
    i32 tap_count = 0;
};

// The lookup key of one music meta, parallel to MasterData's music metas.
struct MusicMetaKey {
    std::string difficulty;
    std::optional<i32> event_rate;
    i32 music_id = 0;
};

// Replaces the rows of music id 10000 by six synthetic rows ("easy" to
// "append") holding the averages of every hard, expert and master row, unless
// the rows of id 10000 already cover the known difficulties six times or more.
void average_music_meta_rows(std::vector<RawMusicMetaRow>& rows);

std::vector<MusicMeta> build_music_metas(const std::vector<RawMusicMetaRow>& rows);
std::vector<MusicMetaKey> build_music_meta_keys(const std::vector<RawMusicMetaRow>& rows);

// Reads the music-metas text strictly as rows; a failure is
// "解析 music_metas 失败: {reader's text}".
Result<std::vector<RawMusicMetaRow>> read_music_meta_rows(std::string_view text);

}  // namespace vdz
