// Music metas: per song and difficulty, the numbers a live-score estimate
// needs (length, notes, base and fever scores, the weight of each skill slot,
// the event-point rate). The record is shared by the region's own music-meta
// list and by MasterData.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "common/types.h"

namespace vdz {

// One song at one difficulty.
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

// The region's music metas in the order of the caller's array; immutable once
// parsed and shared by reference like MasterData.
using MusicMetas = std::vector<MusicMeta>;

}  // namespace vdz
