// The `NativeEngine` class: its method table with the text signatures and
// docs the interpreter shows, its constructor and its release.
#include "module/engine_object.h"

#include <new>

#include "module/engine_methods.h"
#include "module/errors.h"
#include "module/native_types.h"

namespace vdz::py {
namespace {

PyObject* engine_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    return guarded([&]() -> PyObject* {
        static constexpr Signature SIGNATURE{"NativeEngine.__new__()", {}, 0};
        if (!bind_arguments(SIGNATURE, args, kwargs, {})) return nullptr;
        PyObject* self = allocate_instance(type);
        if (!self) return nullptr;
        new (&reinterpret_cast<EngineObject*>(self)->regions) RegionTable();
        return self;
    });
}

void engine_dealloc(PyObject* self) {
    reinterpret_cast<EngineObject*>(self)->regions.~RegionTable();
    free_instance(self);
}

template <auto Method>
constexpr PyCFunction fast_call() {
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(Method));
}

constexpr int FAST_CALL = METH_FASTCALL | METH_KEYWORDS;

PyMethodDef engine_methods[] = {
    {"update_masterdata", fast_call<engine_update_masterdata>(), FAST_CALL,
     "update_masterdata($self, base_dir, region)\n--\n\n"},
    {"update_masterdata_from_strings", fast_call<engine_update_masterdata_from_strings>(),
     FAST_CALL, "update_masterdata_from_strings($self, tables, region)\n--\n\n"},
    {"update_musicmetas", fast_call<engine_update_musicmetas>(), FAST_CALL,
     "update_musicmetas($self, music_metas, region)\n--\n\n"},
    {"recommend", fast_call<engine_recommend>(), FAST_CALL,
     "recommend($self, region, options_json, user_data)\n--\n\n"},
    {"build_pool", fast_call<engine_build_pool>(), FAST_CALL,
     "build_pool($self, region, options_json, user_data)\n--\n\n"
     "构建可复用的搜索池。付一次建池成本，之后每次 `NativeCardPool.recommend`\n"
     "只付搜索成本。池不随 masterdata 或 user_data 的后续变化自动失效，\n"
     "何时重建由调用方负责。"},
    {"get_world_bloom_support_cards", fast_call<engine_get_world_bloom_support_cards>(), FAST_CALL,
     "get_world_bloom_support_cards($self, region, options_json, user_data)\n--\n\n"},
    {"recommend_area_items", fast_call<engine_recommend_area_items>(), FAST_CALL,
     "recommend_area_items($self, region, card_ids, user_data)\n--\n\n"},
    {"recommend_music", fast_call<engine_recommend_music>(), FAST_CALL,
     "recommend_music($self, region, options_json, deck_json)\n--\n\n"},
    {"calculate_exact_live", fast_call<engine_calculate_exact_live>(), FAST_CALL,
     "calculate_exact_live($self, region, power, skills, live_type, music_score_json, "
     "multi_sum_power=0, fever_music_score_json=None)\n--\n\n"},
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot engine_slots[] = {
    {Py_tp_doc, const_cast<char*>("NativeEngine()\n--\n\n")},
    {Py_tp_new, reinterpret_cast<void*>(engine_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(engine_dealloc)},
    {Py_tp_methods, engine_methods},
    {0, nullptr},
};

PyType_Spec engine_spec = {
    "builtins.NativeEngine",
    static_cast<int>(sizeof(EngineObject)),
    0,
    Py_TPFLAGS_DEFAULT,
    engine_slots,
};

}  // namespace

PyType_Spec& engine_type_spec() {
    return engine_spec;
}

EngineObject* bind_engine_call(PyObject* self, const Signature& signature, PyObject* const* args,
                               Py_ssize_t nargs, PyObject* kwnames, std::span<PyObject*> out) {
    if (!bind_arguments(signature, args, nargs, kwnames, out)) return nullptr;
    return as_native<EngineObject>(self, NativeClass::Engine);
}

std::optional<RegionData> lookup_region(const EngineObject& engine, std::string_view region) {
    Result<RegionData> found = engine.regions.find(region);
    if (!found) {
        raise(ErrorClass::Runtime, found.error());
        return std::nullopt;
    }
    return std::move(found).value();
}

}  // namespace vdz::py
