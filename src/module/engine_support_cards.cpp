// `get_world_bloom_support_cards`: the player's cards with the bonus each
// would give in a World Bloom support deck.
#include <array>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "auxiliary/world_bloom_support_cards.h"
#include "json/value.h"
#include "module/conversions.h"
#include "module/engine_methods.h"
#include "module/engine_object.h"
#include "module/errors.h"
#include "module/released_call.h"
#include "module/user_data_object.h"

namespace vdz::py {
namespace {

// A switch: true only when its snake_case key, or failing that its camelCase
// key, holds JSON true.
bool read_switch(const json::Value& options, std::string_view snake, std::string_view camel) {
    const json::Value* value = options.find(snake);
    if (!value) value = options.find(camel);
    return value && value->as_bool() == std::optional<bool>(true);
}

// Reads the options twice (the request options, then the switches and the
// character fallback) and lists the player's support cards.
PyObject* list_support_cards(const RegionData& region, const std::string& options_json,
                             const UserDataObject& user_data) {
    // 1. Options, all errors ValueErrors.
    Result<RecommendOptions> options = parse_recommend_options(options_json);
    if (!options) return raise(ErrorClass::Value, options.error());
    Result<json::Value> extra = json::parse_value(options_json);
    if (!extra) return raise(ErrorClass::Value, extra.error());
    SupportCardSettings settings;
    if (extra->is_object()) {
        if (!options->world_bloom_character_id) {
            const json::Value* forced = extra->find("forcedLeaderCharacterId");
            const std::optional<i64> id = forced ? forced->as_i64() : std::nullopt;
            if (id && *id >= std::numeric_limits<i32>::min() &&
                *id <= std::numeric_limits<i32>::max()) {
                options->world_bloom_character_id = static_cast<i32>(*id);
            }
        }
        settings.support_master_max = read_switch(*extra, "support_master_max", "supportMasterMax");
        settings.support_skill_max = read_switch(*extra, "support_skill_max", "supportSkillMax");
        settings.filter_other_unit = read_switch(*extra, "filter_other_unit", "filterOtherUnit");
    }

    // 2. The list, without the interpreter lock; its errors are RuntimeErrors.
    std::shared_ptr<const UserData> user = user_data.data;
    return text_computed_without_gil([&]() -> Result<std::string> {
        Result<std::vector<WorldBloomSupportCard>> cards = list_world_bloom_support_cards(
            user->user_cards, *region.master_data, *options, settings);
        if (!cards) return std::move(cards).error();
        return write_world_bloom_support_cards(*cards);
    });
}

}  // namespace

PyObject* engine_get_world_bloom_support_cards(PyObject* self, PyObject* const* args,
                                               Py_ssize_t nargs, PyObject* kwnames) {
    return guarded([&]() -> PyObject* {
        static constexpr const char* PARAMS[] = {"region", "options_json", "user_data"};
        static constexpr Signature SIGNATURE{"NativeEngine.get_world_bloom_support_cards()", PARAMS,
                                             3};
        std::array<PyObject*, 3> bound;
        EngineObject* engine = bind_engine_call(self, SIGNATURE, args, nargs, kwnames, bound);
        std::string region, options_json;
        UserDataObject* user_data = nullptr;
        if (!engine || !to_text(bound[0], "region", region) ||
            !to_text(bound[1], "options_json", options_json) ||
            !to_user_data(bound[2], "user_data", user_data)) {
            return nullptr;
        }
        const auto data = lookup_region(*engine, region);
        return data ? list_support_cards(*data, options_json, *user_data) : nullptr;
    });
}

}  // namespace vdz::py
