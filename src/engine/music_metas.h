// Music metas: per song and difficulty, the numbers a live-score estimate
// needs. This file owns the `MusicMeta` record shared by the whole system and
// the master-data side of music metas: the strict row, the averaged rows of
// the reserved music id 10000, and the two MasterData parts built from them.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "common/types.h"

namespace vdz {

// Music id of the synthetic rows that hold the averages over all songs.
constexpr i32 MUSIC_META_AVERAGE_ID = 10000;

// One song at one difficulty. Immutable once built; shared through the
// region's music-meta list and MasterData.
struct MusicMeta {
    std::string difficulty;
    double base_score = 0.0;
    double base_score_auto = 0.0;
    double fever_score = 0.0;
    std::array<double, 6> skill_score_solo{};
    std::array<double, 6> skill_score_multi{};
    std::array<double, 6> skill_score_auto{};
    double music_time = 0.0;
    i32 music_id = 0;
    i32 event_rate_solo = 0;   // solo, challenge and mysekai lives
    i32 event_rate_multi = 0;  // multi and cheerful lives
    i32 event_rate_auto = 0;   // auto and challenge-auto lives
    i32 tap_count = 0;
};

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

}  // namespace vdz
