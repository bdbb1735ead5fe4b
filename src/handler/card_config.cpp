// Lenient readers of the card configuration options.
#include "handler/card_config.h"

#include <initializer_list>
#include <string_view>

namespace vdz {
namespace {

using json::Value;

// The first of `keys` whose value is a bool.
std::optional<bool> first_bool(const Value& object, std::initializer_list<std::string_view> keys) {
    for (const std::string_view key : keys)
        if (const Value* v = object.find(key); v && v->is_bool()) return v->as_bool();
    return std::nullopt;
}

// The first of `keys` whose value is a JSON integer, as its low 32 bits.
std::optional<u32> first_int(const Value& object, std::initializer_list<std::string_view> keys) {
    for (const std::string_view key : keys)
        if (const auto v = object.find_i64(key)) return static_cast<u32>(*v);
    return std::nullopt;
}

// The value of the first of `keys` that is present, whatever it holds.
const Value* first_present(const Value& object, std::initializer_list<std::string_view> keys) {
    for (const std::string_view key : keys)
        if (const Value* v = object.find(key)) return v;
    return nullptr;
}

}  // namespace

CardConfig read_card_config(const Value& v) {
    CardConfig c;
    if (!v.is_object()) return c;
    c.disable = first_bool(v, {"disable"}).value_or(false);
    c.level_max = first_bool(v, {"levelMax", "level_max"}).value_or(false);
    if (const auto level = first_int(v, {"level"})) c.level = static_cast<i32>(*level);
    c.skill_max = first_bool(v, {"skillMax", "skill_max"}).value_or(false);
    if (const auto skill = first_int(v, {"skillLevel", "skill_level"}))
        c.skill_level = static_cast<i32>(*skill);
    c.episode_read = first_bool(v, {"episodeRead", "episode_read"}).value_or(false);
    c.episode_read_count = first_int(v, {"episodeReadCount", "episode_read_count"});
    c.master_max = first_bool(v, {"masterMax", "master_max"}).value_or(false);
    c.master_rank = first_int(v, {"masterRank", "master_rank"});
    c.canvas = first_bool(v, {"canvas"}).value_or(false);
    return c;
}

std::array<CardConfig, 5> read_rarity_configs(const Value& options) {
    std::array<CardConfig, 5> configs{};
    if (!options.is_object()) return configs;
    const std::initializer_list<std::string_view> keys[] = {
        {"rarity1Config", "rarity_1_config"},
        {"rarity2Config", "rarity_2_config"},
        {"rarity3Config", "rarity_3_config"},
        {"rarity4Config", "rarity_4_config"},
        {"rarityBirthdayConfig", "rarity_birthday_config"},
    };
    for (usize slot = 0; slot < configs.size(); ++slot)
        if (const Value* v = first_present(options, keys[slot]))
            configs[slot] = read_card_config(*v);
    return configs;
}

std::vector<SingleCardConfig> read_single_card_configs(const Value& options) {
    std::vector<SingleCardConfig> configs;
    if (!options.is_object()) return configs;
    const Value* list = first_present(options, {"singleCardConfigs", "single_card_configs"});
    const json::Array* items = list ? list->as_array() : nullptr;
    if (!items) return configs;
    for (const Value& item : *items) {
        if (!item.is_object()) continue;
        const auto id = first_int(item, {"cardId", "card_id"});
        if (!id) continue;
        const Value* config = item.find("config");
        configs.push_back({*id, read_card_config(config ? *config : item)});
    }
    return configs;
}

}  // namespace vdz
