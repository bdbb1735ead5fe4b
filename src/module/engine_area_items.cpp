// `recommend_area_items`: which area item to level up next for a deck of the
// player's cards.
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "auxiliary/area_item_recommendation.h"
#include "module/conversions.h"
#include "module/engine_methods.h"
#include "module/engine_object.h"
#include "module/errors.h"
#include "module/released_call.h"
#include "module/user_data_object.h"

namespace vdz::py {
namespace {

// Ranks the next level of every area item by power gained per coin.
// All of it runs without the interpreter lock; its errors are RuntimeErrors.
PyObject* rank_area_items(const RegionData& region, const std::vector<i32>& card_ids,
                          const UserDataObject& user_data) {
    std::shared_ptr<const UserData> user = user_data.data;
    return text_computed_without_gil([&]() -> Result<std::string> {
        Result<std::vector<AreaItemUpgrade>> upgrades = recommend_area_items(
            *region.area_ingame_tables, *user, *region.master_data, region.request_index, card_ids);
        if (!upgrades) return std::move(upgrades).error();
        return write_area_item_upgrades(*upgrades);
    });
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
        return data ? rank_area_items(*data, card_ids, *user_data) : nullptr;
    });
}

}  // namespace vdz::py
