// `recommend` and `build_pool`: the same road up to the end of the request
// preparation, after which one searches and the other keeps the pool.
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

constexpr const char* PARAMS[] = {"region", "options_json", "user_data"};

// The converted arguments of both methods; `user_data` is borrowed for the
// call.
struct RequestArguments {
    EngineObject* engine = nullptr;
    std::string region;
    std::string options_json;
    UserDataObject* user_data = nullptr;
};

bool read_request_arguments(const Signature& signature, PyObject* self, PyObject* const* args,
                            Py_ssize_t nargs, PyObject* kwnames, RequestArguments& out) {
    std::array<PyObject*, 3> bound;
    out.engine = bind_engine_call(self, signature, args, nargs, kwnames, bound);
    return out.engine && to_text(bound[0], "region", out.region) &&
           to_text(bound[1], "options_json", out.options_json) &&
           to_user_data(bound[2], "user_data", out.user_data);
}

// Reads the options, prepares the player's pool and searches it.
PyObject* run_recommend(const RegionData&, const RequestArguments&) {
    return raise_not_implemented("NativeEngine.recommend()");
}

// Reads the options and prepares the player's pool, keeping it for later
// searches.
PyObject* run_build_pool(const RegionData&, const RequestArguments&) {
    return raise_not_implemented("NativeEngine.build_pool()");
}

}  // namespace

PyObject* engine_recommend(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                           PyObject* kwnames) {
    return guarded([&]() -> PyObject* {
        static constexpr Signature SIGNATURE{"NativeEngine.recommend()", PARAMS, 3};
        RequestArguments request;
        if (!read_request_arguments(SIGNATURE, self, args, nargs, kwnames, request)) {
            return nullptr;
        }
        const auto region = lookup_region(*request.engine, request.region);
        return region ? run_recommend(*region, request) : nullptr;
    });
}

PyObject* engine_build_pool(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                            PyObject* kwnames) {
    return guarded([&]() -> PyObject* {
        static constexpr Signature SIGNATURE{"NativeEngine.build_pool()", PARAMS, 3};
        RequestArguments request;
        if (!read_request_arguments(SIGNATURE, self, args, nargs, kwnames, request)) {
            return nullptr;
        }
        const auto region = lookup_region(*request.engine, request.region);
        return region ? run_build_pool(*region, request) : nullptr;
    });
}

}  // namespace vdz::py
