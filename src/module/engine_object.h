// `NativeEngine`: the object through which an application loads master data
// and asks for recommendations. It holds the region table and nothing else.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "handler/region_table.h"
#include "module/argument_binding.h"
#include "module/python.h"

namespace vdz::py {

// Lives as long as the Python object; every method only reads the object
// (the table locks for itself), so calls from several threads never exclude
// each other here.
struct EngineObject {
    PyObject ob_base;
    RegionTable regions;
};

PyType_Spec& engine_type_spec();

// Binds an engine method's arguments into `out` and converts `self`. Returns
// the engine, or null with the binding or conversion error raised.
EngineObject* bind_engine_call(PyObject* self, const Signature& signature, PyObject* const* args,
                               Py_ssize_t nargs, PyObject* kwnames, std::span<PyObject*> out);

// The region's parts, or nothing after raising RuntimeError (region not
// loaded).
std::optional<RegionData> lookup_region(const EngineObject& engine, std::string_view region);

}  // namespace vdz::py
