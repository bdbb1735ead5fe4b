// `recommend` and `build_pool`: the same road up to the end of the request
// preparation, after which one searches and the other keeps the pool.
#include <array>
#include <memory>
#include <optional>
#include <string>

#include "handler/options.h"
#include "module/card_pool_object.h"
#include "module/conversions.h"
#include "module/engine_methods.h"
#include "module/engine_object.h"
#include "module/errors.h"
#include "module/released_call.h"
#include "module/user_data_object.h"
#include "search/pool_search.h"

namespace vdz::py {
namespace {

constexpr const char* PARAMS[] = {"region", "options_json", "user_data"};

// The converted arguments of both methods; `user_data` is borrowed for the
// call.
struct RequestArguments {
    EngineObject* engine = nullptr;
    std::string region;
    std::string options_json;
    UserDataObject* user_data = nullptr;
};

// The options are read while the interpreter lock is held: their errors are
// ValueErrors. Null with the error raised.
std::optional<RecommendOptions> read_options(const RequestArguments& request) {
    Result<RecommendOptions> options = parse_recommend_options(request.options_json);
    if (!options) {
        raise(ErrorClass::Value, options.error());
        return std::nullopt;
    }
    return std::move(options).value();
}

// Reads the options, prepares the player's pool and searches it, all of the
// work without the interpreter lock; its errors are RuntimeErrors.
PyObject* run_recommend(const RegionData& region, const RequestArguments& request) {
    const std::optional<RecommendOptions> options = read_options(request);
    if (!options) return nullptr;
    std::shared_ptr<const UserData> user = request.user_data->data;
    return text_computed_without_gil([&]() -> Result<std::string> {
        Result<PreparedPool> prepared =
            prepare_request(std::move(user), *region.master_data, region.request_index, *options);
        if (!prepared) return std::move(prepared).error();
        return search_prepared_pool(*prepared, prepared->limit, prepared->timeout_ms);
    });
}

// Reads the options and prepares the player's pool, keeping it for later
// searches.
PyObject* run_build_pool(const RegionData& region, const RequestArguments& request) {
    const std::optional<RecommendOptions> options = read_options(request);
    if (!options) return nullptr;
    std::shared_ptr<const UserData> user = request.user_data->data;
    Result<PreparedPool> prepared = computed_without_gil([&] {
        return prepare_request(std::move(user), *region.master_data, region.request_index,
                               *options);
    });
    if (!prepared) return raise(ErrorClass::Runtime, prepared.error());
    return new_card_pool(std::move(prepared).value());
}

using RequestBody = PyObject* (*)(const RegionData&, const RequestArguments&);

// Both methods: bind and convert the arguments, look the region up, then
// hand over to `body`.
PyObject* run_request(const Signature& signature, RequestBody body, PyObject* self,
                      PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guarded([&]() -> PyObject* {
        std::array<PyObject*, 3> bound;
        RequestArguments request;
        request.engine = bind_engine_call(self, signature, args, nargs, kwnames, bound);
        if (!request.engine || !to_text(bound[0], "region", request.region) ||
            !to_text(bound[1], "options_json", request.options_json) ||
            !to_user_data(bound[2], "user_data", request.user_data)) {
            return nullptr;
        }
        const auto region = lookup_region(*request.engine, request.region);
        return region ? body(*region, request) : nullptr;
    });
}

}  // namespace

PyObject* engine_recommend(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                           PyObject* kwnames) {
    static constexpr Signature SIGNATURE{"NativeEngine.recommend()", PARAMS, 3};
    return run_request(SIGNATURE, run_recommend, self, args, nargs, kwnames);
}

PyObject* engine_build_pool(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                            PyObject* kwnames) {
    static constexpr Signature SIGNATURE{"NativeEngine.build_pool()", PARAMS, 3};
    return run_request(SIGNATURE, run_build_pool, self, args, nargs, kwnames);
}

}  // namespace vdz::py
