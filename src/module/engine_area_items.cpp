// `recommend_area_items`: which area item to level up next for a deck of the
// player's cards.
#include <array>
#include <string>
#include <vector>

#include "module/conversions.h"
#include "module/engine_methods.h"
#include "module/engine_object.h"
#include "module/errors.h"
#include "module/pending.h"
#include "module/user_data_object.h"

namespace vdz::py {
namespace {

// Ranks the next level of every area item by power gained per coin.
PyObject* rank_area_items(const RegionData&, std::vector<i32> /*card_ids*/, const UserDataObject&) {
    return raise_not_implemented("NativeEngine.recommend_area_items()");
}

}  // namespace

PyObject* engine_recommend_area_items(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                      PyObject* kwnames) {
    return guarded([&]() -> PyObject* {
        static constexpr const char* PARAMS[] = {"region", "card_ids", "user_data"};
        static constexpr Signature SIGNATURE{"NativeEngine.recommend_area_items()", PARAMS, 3};
        std::array<PyObject*, 3> bound;
        EngineObject* engine = bind_engine_call(self, SIGNATURE, args, nargs, kwnames, bound);
        std::string region;
        std::vector<i32> card_ids;
        UserDataObject* user_data = nullptr;
        if (!engine || !to_text(bound[0], "region", region) ||
            !to_i32_list(bound[1], "card_ids", card_ids) ||
            !to_user_data(bound[2], "user_data", user_data)) {
            return nullptr;
        }
        const auto data = lookup_region(*engine, region);
        return data ? rank_area_items(*data, std::move(card_ids), *user_data) : nullptr;
    });
}

}  // namespace vdz::py
