// Which songs and difficulties to play with one deck: for every music meta of
// the region, the live score of a compact model (a base score plus the
// deck's skills weighted by the song's per-position skill rates, scaled by
// the deck's power) and the event points it earns, best first.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "engine/master_data.h"
#include "engine/music_meta.h"
#include "handler/enums.h"
#include "handler/options.h"

namespace vdz {

// The deck as the caller describes it; owned by the call.
struct MusicDeck {
    std::vector<double> cards;  // skill score-up per card, percent, leader first
    i32 total_power = 0;
    double event_bonus_rate = 0.0;         // percent
    double support_deck_bonus_rate = 0.0;  // percent
};

// What of the request the ranking reads; built from the options and the
// resolved event type.
struct MusicRecommendSettings {
    std::optional<std::array<u64, 5>> specific_skill_order;
    std::optional<i32> multi_live_teammate_score_up;
    std::optional<i32> multi_live_teammate_power;
    EventType event_type = EventType::MARATHON;  // never NONE
    SkillOrderChooseStrategy skill_order_choose_strategy = SkillOrderChooseStrategy::BEST;
    LiveType live_type = LiveType::SOLO;  // never MYSEKAI
};

struct MusicRecommendation {
    std::string difficulty;
    i32 event_point = 0;
    i32 music_id = 0;
    i32 live_score = 0;
};

// Reads deck_json: "cards" must be an array (an element's number
// "skill_score_up" is its value, anything else 0), "total_power" a 32-bit
// integer, the two rates numbers (0 otherwise). Errors: the JSON reader's
// message, "deck.cards is required", "deck.total_power is required".
Result<MusicDeck> read_music_deck(std::string_view deck_json);

// The event type (the event's own when the options' event id names one, else
// the options' text, else marathon) and the live type as the ranking plays
// it: mysekai as multi, multi in a cheerful event as cheerful. Error:
// "invalid event type: {text as given}".
Result<MusicRecommendSettings> music_settings(const MasterData& master,
                                              const RecommendOptions& options);

// Every music meta's record, by event points, then live score, descending,
// then music id and difficulty; or the first failing check's message.
Result<std::vector<MusicRecommendation>> recommend_music_core(
    const MusicMetas& metas, const MusicDeck& deck, const MusicRecommendSettings& settings);

// The record of one music meta.
Result<MusicRecommendation> evaluate_music(const MusicMeta& meta, const MusicDeck& deck,
                                           const MusicRecommendSettings& settings);

// easy 0 .. append 5 (trimmed, ASCII case ignored); anything else sorts last.
u64 difficulty_rank(std::string_view difficulty);

// The compact JSON array of the records.
std::string write_music_recommendations(const std::vector<MusicRecommendation>& records);

}  // namespace vdz
