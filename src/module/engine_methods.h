// The methods of `NativeEngine`, each in the interpreter's fast-call form
// with keywords. Grouped by file: loading, recommend and build_pool, and the
// auxiliary computations.
#pragma once

#include "module/python.h"

namespace vdz::py {

#define VDZ_ENGINE_METHOD(name) \
    PyObject* name(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames)

VDZ_ENGINE_METHOD(engine_update_masterdata);
VDZ_ENGINE_METHOD(engine_update_masterdata_from_strings);
VDZ_ENGINE_METHOD(engine_update_musicmetas);
VDZ_ENGINE_METHOD(engine_recommend);
VDZ_ENGINE_METHOD(engine_build_pool);
VDZ_ENGINE_METHOD(engine_get_world_bloom_support_cards);
VDZ_ENGINE_METHOD(engine_recommend_area_items);
VDZ_ENGINE_METHOD(engine_recommend_music);
VDZ_ENGINE_METHOD(engine_calculate_exact_live);

#undef VDZ_ENGINE_METHOD

}  // namespace vdz::py
