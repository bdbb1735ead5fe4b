// Fuzz target for the music score reader: any bytes either fail with a
// positioned message or give a chart, and a chart that reads also scores
// without fault over a small table set.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "auxiliary/exact_live.h"
#include "auxiliary/music_score.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vdz;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Result<MusicScore> score = read_music_score(text);
    if (!score.ok()) {
        if (score.error().message.find(" at line ") == std::string::npos) std::abort();
        return 0;
    }
    AreaIngameTables tables;
    tables.ingame_notes = {{0, 1.0}, {1, 1.0}, {2, 2.0}, {3, 0.5}};
    tables.ingame_combos = {{1, 1000, 1.0}};
    ExactLiveRequest live;
    live.live_type = size % 2 ? LiveType::MULTI : LiveType::SOLO;
    live.power = 250000;
    live.skills = {120.0, 100.0, 150.0, 80.0, 110.0, 130.0};
    live.music_score_json = text;
    live.fever_music_score_json = text;
    const Result<std::string> result = calculate_exact_live(tables, live);
    if (!result.ok() && result.error().message.empty()) std::abort();
    return 0;
}
