// `recommend_music`: ranks the region's songs and difficulties for a deck.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "auxiliary/music_recommendation.h"
#include "module/conversions.h"
#include "module/engine_methods.h"
#include "module/engine_object.h"
#include "module/errors.h"
#include "module/released_call.h"

namespace vdz::py {
namespace {

// Reads the options and the deck and ranks the region's music.
PyObject* rank_music(const RegionData& region, const std::string& options_json,
                     const std::string& deck_json) {
    // 1. The caller's input, all errors ValueErrors.
    Result<RecommendOptions> options = parse_recommend_options(options_json);
    if (!options) return raise(ErrorClass::Value, options.error());
    Result<MusicDeck> deck = read_music_deck(deck_json);
    if (!deck) return raise(ErrorClass::Value, deck.error());
    Result<MusicRecommendSettings> settings = music_settings(*region.master_data, *options);
    if (!settings) return raise(ErrorClass::Value, settings.error());

    // 2. The ranking, without the interpreter lock; its errors are RuntimeErrors.
    return text_computed_without_gil([&]() -> Result<std::string> {
        Result<std::vector<MusicRecommendation>> records =
            recommend_music_core(*region.music_metas, *deck, *settings);
        if (!records) return std::move(records).error();
        return write_music_recommendations(*records);
    });
}

}  // namespace

PyObject* engine_recommend_music(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                 PyObject* kwnames) {
    return guarded([&]() -> PyObject* {
        static constexpr const char* PARAMS[] = {"region", "options_json", "deck_json"};
        static constexpr Signature SIGNATURE{"NativeEngine.recommend_music()", PARAMS, 3};
        std::array<PyObject*, 3> bound;
        EngineObject* engine = bind_engine_call(self, SIGNATURE, args, nargs, kwnames, bound);
        std::string region, options_json, deck_json;
        if (!engine || !to_text(bound[0], "region", region) ||
            !to_text(bound[1], "options_json", options_json) ||
            !to_text(bound[2], "deck_json", deck_json)) {
            return nullptr;
        }
        const auto data = lookup_region(*engine, region);
        return data ? rank_music(*data, options_json, deck_json) : nullptr;
    });
}

}  // namespace vdz::py
