// `recommend_music`: ranks the region's songs and difficulties for a deck.
#include <array>
#include <string>

#include "module/conversions.h"
#include "module/engine_methods.h"
#include "module/engine_object.h"
#include "module/errors.h"
#include "module/pending.h"

namespace vdz::py {
namespace {

// Reads the options and the deck and ranks the region's music.
PyObject* rank_music(const RegionData&, const std::string& /*options_json*/,
                     const std::string& /*deck_json*/) {
    return raise_not_implemented("NativeEngine.recommend_music()");
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
