// `calculate_exact_live`: the exact score of one live. The region is looked
// up before the live type is read, so a missing region wins over a bad type.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "auxiliary/exact_live.h"
#include "auxiliary/exact_live_type.h"
#include "module/conversions.h"
#include "module/engine_methods.h"
#include "module/engine_object.h"
#include "module/errors.h"
#include "module/released_call.h"

namespace vdz::py {
namespace {

// The converted arguments, in parameter order.
struct ExactLiveArguments {
    std::string region;
    i32 power = 0;
    std::vector<double> skills;
    std::string live_type;
    std::string music_score_json;
    i32 multi_sum_power = 0;
    std::optional<std::string> fever_music_score_json;
};

// Scores the live over the region's note and combo tables without the
// interpreter lock; every failure there is a RuntimeError.
PyObject* score_live(const RegionData& region, LiveType live_type,
                     const ExactLiveArguments& arguments) {
    ExactLiveRequest live;
    live.live_type = live_type;
    live.power = arguments.power;
    live.skills = arguments.skills;
    live.music_score_json = arguments.music_score_json;
    live.multi_sum_power = arguments.multi_sum_power;
    if (arguments.fever_music_score_json)
        live.fever_music_score_json = *arguments.fever_music_score_json;
    return text_computed_without_gil(
        [&] { return calculate_exact_live(*region.area_ingame_tables, live); });
}

}  // namespace

PyObject* engine_calculate_exact_live(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                      PyObject* kwnames) {
    return guarded([&]() -> PyObject* {
        // 1. Bind and convert the arguments.
        static constexpr const char* PARAMS[] = {
            "region",
            "power",
            "skills",
            "live_type",
            "music_score_json",
            "multi_sum_power",
            "fever_music_score_json",
        };
        static constexpr Signature SIGNATURE{"NativeEngine.calculate_exact_live()", PARAMS, 5};
        std::array<PyObject*, 7> bound;
        EngineObject* engine = bind_engine_call(self, SIGNATURE, args, nargs, kwnames, bound);
        ExactLiveArguments live;
        if (!engine || !to_text(bound[0], "region", live.region) ||
            !to_i32(bound[1], "power", live.power) ||
            !to_f64_list(bound[2], "skills", live.skills) ||
            !to_text(bound[3], "live_type", live.live_type) ||
            !to_text(bound[4], "music_score_json", live.music_score_json) ||
            (bound[5] && !to_i32(bound[5], "multi_sum_power", live.multi_sum_power)) ||
            !to_optional_text(bound[6], "fever_music_score_json", live.fever_music_score_json)) {
            return nullptr;
        }
        // 2. Find the region, then read the live type.
        const auto data = lookup_region(*engine, live.region);
        if (!data) return nullptr;
        Result<LiveType> live_type = parse_exact_live_type(live.live_type);
        if (!live_type) return raise(ErrorClass::Value, live_type.error());
        return score_live(*data, *live_type, live);
    });
}

}  // namespace vdz::py
