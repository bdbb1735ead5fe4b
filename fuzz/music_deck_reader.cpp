// Fuzz target for the music recommendation's deck reader: any bytes either
// fail with a message or give a deck whose ranking over one song ends in
// records or a message, never in a fault.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "auxiliary/music_recommendation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vdz;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Result<MusicDeck> deck = read_music_deck(text);
    if (!deck.ok()) {
        if (deck.error().message.empty()) std::abort();
        return 0;
    }
    MusicMeta meta;
    meta.difficulty = "master";
    meta.base_score = 1.2;
    meta.fever_score = 0.5;
    meta.skill_score_solo = meta.skill_score_multi =
        meta.skill_score_auto = {0.1, 0.2, 0.3, 0.4, 0.5, 0.6};
    meta.event_rate_solo = meta.event_rate_multi = meta.event_rate_auto = 120;
    for (const LiveType live : {LiveType::SOLO, LiveType::MULTI, LiveType::CHALLENGE_AUTO}) {
        MusicRecommendSettings settings;
        settings.live_type = live;
        settings.skill_order_choose_strategy = static_cast<SkillOrderChooseStrategy>(size % 3);
        const auto records = recommend_music_core({meta}, *deck, settings);
        if (records.ok() ? records->size() != 1 : records.error().message.empty()) std::abort();
    }
    return 0;
}
