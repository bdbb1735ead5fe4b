// `get_world_bloom_support_cards`: the player's cards with the bonus each
// would give in a World Bloom support deck.
#include <array>
#include <string>

#include "module/conversions.h"
#include "module/engine_methods.h"
#include "module/engine_object.h"
#include "module/errors.h"
#include "module/pending.h"
#include "module/user_data_object.h"

namespace vdz::py {
namespace {

// Reads the options and lists the player's support cards.
PyObject* list_support_cards(const RegionData&, const std::string& /*options_json*/,
                             const UserDataObject&) {
    return raise_not_implemented("NativeEngine.get_world_bloom_support_cards()");
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
