// The lenient music-meta reader over generic JSON values.
#include "engine/music_meta_reader.h"

#include <limits>
#include <string>

#include "json/typed.h"

namespace vdz {
namespace {

Error field_required(std::string_view key) {
    return make_error("music meta field " + std::string(key) + " is required");
}

// An integer written without fraction or exponent, within 32 bits.
Result<i32> read_i32_field(const json::Value& object, std::string_view key) {
    const json::Value* value = object.find(key);
    const std::optional<i64> number = value != nullptr ? value->as_i64() : std::nullopt;
    if (!number || *number < std::numeric_limits<i32>::min() ||
        *number > std::numeric_limits<i32>::max()) {
        return field_required(key);
    }
    return static_cast<i32>(*number);
}

// Any number; integers are converted.
Result<double> read_f64_field(const json::Value& object, std::string_view key) {
    const json::Value* value = object.find(key);
    const std::optional<double> number = value != nullptr ? value->as_f64() : std::nullopt;
    if (!number) return field_required(key);
    return *number;
}

}  // namespace

Result<std::array<double, 6>> read_music_meta_array6(const json::Value& object,
                                                     std::string_view key) {
    const json::Value* value = object.find(key);
    const json::Array* array = value != nullptr ? value->as_array() : nullptr;
    if (array == nullptr) return field_required(key);
    if (array->size() != 6) {
        return make_error("music meta field " + std::string(key) + " must contain 6 values");
    }
    std::array<double, 6> out{};
    for (usize i = 0; i < 6; ++i) {
        const std::optional<double> number = (*array)[i].as_f64();
        if (!number) {
            return make_error("music meta field " + std::string(key) + "[" + std::to_string(i) +
                              "] must be numeric");
        }
        out[i] = *number;
    }
    return out;
}

Result<MusicMeta> parse_music_meta(const json::Value& value) {
    MusicMeta meta;
    i32 event_rate = 0;
    VDZ_TRY(take(read_i32_field(value, "event_rate"), event_rate));
    meta.event_rate_solo = meta.event_rate_multi = meta.event_rate_auto = event_rate;
    VDZ_TRY(take(read_i32_field(value, "music_id"), meta.music_id));
    if (const json::Value* difficulty = value.find("difficulty")) {
        if (const std::string* text = difficulty->as_string()) meta.difficulty = *text;
    }
    VDZ_TRY(take(read_f64_field(value, "base_score"), meta.base_score));
    VDZ_TRY(take(read_f64_field(value, "base_score_auto"), meta.base_score_auto));
    VDZ_TRY(take(read_f64_field(value, "fever_score"), meta.fever_score));
    VDZ_TRY(take(read_music_meta_array6(value, "skill_score_solo"), meta.skill_score_solo));
    VDZ_TRY(take(read_music_meta_array6(value, "skill_score_multi"), meta.skill_score_multi));
    VDZ_TRY(take(read_music_meta_array6(value, "skill_score_auto"), meta.skill_score_auto));
    VDZ_TRY(take(read_f64_field(value, "music_time"), meta.music_time));
    VDZ_TRY(take(read_i32_field(value, "tap_count"), meta.tap_count));
    return meta;
}

Result<MusicMetas> parse_music_metas(std::string_view text) {
    auto elements = json::read_rows<json::Value>(text);
    if (!elements) return make_error("invalid music metas: " + elements.error().message);
    MusicMetas metas;
    metas.reserve(elements->size());
    for (const json::Value& element : *elements) {
        auto meta = parse_music_meta(element);
        if (!meta) return std::move(meta).error();
        metas.push_back(std::move(meta).value());
    }
    return metas;
}

}  // namespace vdz
