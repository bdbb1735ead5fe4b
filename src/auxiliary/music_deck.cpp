// Reading the deck that music recommendation values, and the request's event
// and live types. Both run while the caller still holds its input, so their
// errors count as the caller's.
#include <array>
#include <limits>
#include <utility>

#include "auxiliary/music_recommendation.h"
#include "common/text.h"
#include "json/value.h"

namespace vdz {
namespace {

double number_or_zero(const json::Value& object, std::string_view key) {
    const json::Value* value = object.find(key);
    return value ? value->as_f64().value_or(0.0) : 0.0;
}

std::optional<EventType> parse_music_event_type(std::string_view text) {
    static constexpr std::array<std::pair<std::string_view, EventType>, 7> NAMES = {{
        {"marathon", EventType::MARATHON},
        {"cheerful", EventType::CHEERFUL},
        {"cheerfulcarnival", EventType::CHEERFUL},
        {"cheerful_carnival", EventType::CHEERFUL},
        {"wl", EventType::WORLD_BLOOM},
        {"worldbloom", EventType::WORLD_BLOOM},
        {"world_bloom", EventType::WORLD_BLOOM},
    }};
    return find_name(NAMES, text);
}

}  // namespace

Result<MusicDeck> read_music_deck(std::string_view deck_json) {
    Result<json::Value> parsed = json::parse_value(deck_json);
    if (!parsed) return std::move(parsed).error();
    const json::Value* cards = parsed->find("cards");
    if (!cards || !cards->is_array()) return make_error("deck.cards is required");
    MusicDeck deck;
    for (const json::Value& card : *cards->as_array()) {
        deck.cards.push_back(card.is_object() ? number_or_zero(card, "skill_score_up") : 0.0);
    }
    const json::Value* power = parsed->find("total_power");
    const std::optional<i64> total = power ? power->as_i64() : std::nullopt;
    if (!total || *total < std::numeric_limits<i32>::min() ||
        *total > std::numeric_limits<i32>::max()) {
        return make_error("deck.total_power is required");
    }
    deck.total_power = static_cast<i32>(*total);
    deck.event_bonus_rate = number_or_zero(*parsed, "event_bonus_rate");
    deck.support_deck_bonus_rate = number_or_zero(*parsed, "support_deck_bonus_rate");
    return deck;
}

Result<MusicRecommendSettings> music_settings(const MasterData& master,
                                              const RecommendOptions& options) {
    // 1. The event's own type wins over the options' text.
    std::string text = "marathon";
    const Event* event = nullptr;
    if (options.event_id) {
        for (const Event& row : master.events) {
            if (row.id == *options.event_id) {
                event = &row;
                break;
            }
        }
    }
    if (event) {
        text = event->event_type;
    } else if (options.event_type) {
        text = *options.event_type;
    }
    const std::optional<EventType> event_type = parse_music_event_type(text);
    if (!event_type) return make_error("invalid event type: " + echoed_input(text));

    // 2. The live type as the ranking plays it.
    MusicRecommendSettings settings;
    settings.event_type = *event_type;
    settings.live_type = options.live_type;
    if (options.live_type == LiveType::MYSEKAI) {
        settings.live_type = LiveType::MULTI;
    } else if (options.live_type == LiveType::MULTI && *event_type == EventType::CHEERFUL) {
        settings.live_type = LiveType::CHEERFUL;
    }
    settings.skill_order_choose_strategy = options.skill_order_choose_strategy;
    settings.specific_skill_order = options.specific_skill_order;
    settings.multi_live_teammate_score_up = options.multi_live_teammate_score_up;
    settings.multi_live_teammate_power = options.multi_live_teammate_power;
    return settings;
}

}  // namespace vdz
