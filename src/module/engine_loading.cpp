// The loading methods of `NativeEngine`: arguments, then the region table's
// write path. They keep the interpreter lock for the whole load.
#include <array>
#include <map>
#include <string>

#include "module/conversions.h"
#include "module/engine_methods.h"
#include "module/engine_object.h"
#include "module/errors.h"
#include "module/pending.h"

namespace vdz::py {
namespace {

// Reads the region's tables from the directory and loads them.
PyObject* load_region_from_directory(EngineObject&, const std::string& /*base_dir*/,
                                     const std::string& /*region*/) {
    return raise_not_implemented("NativeEngine.update_masterdata()");
}

// Loads the region from the given tables.
PyObject* load_region_tables(EngineObject&, const std::string& /*region*/, RawTables /*tables*/) {
    return raise_not_implemented("NativeEngine.update_masterdata_from_strings()");
}

// Gives a loaded region new music metas, keeping its tables.
PyObject* replace_music_metas(EngineObject& engine, const std::string& /*music_metas*/,
                              const std::string& region) {
    if (!lookup_region(engine, region)) return nullptr;
    return raise_not_implemented("NativeEngine.update_musicmetas()");
}

}  // namespace

PyObject* engine_update_masterdata(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                   PyObject* kwnames) {
    return guarded([&]() -> PyObject* {
        static constexpr const char* PARAMS[] = {"base_dir", "region"};
        static constexpr Signature SIGNATURE{"NativeEngine.update_masterdata()", PARAMS, 2};
        std::array<PyObject*, 2> bound;
        EngineObject* engine = bind_engine_call(self, SIGNATURE, args, nargs, kwnames, bound);
        std::string base_dir, region;
        if (!engine || !to_text(bound[0], "base_dir", base_dir) ||
            !to_text(bound[1], "region", region)) {
            return nullptr;
        }
        return load_region_from_directory(*engine, base_dir, region);
    });
}

PyObject* engine_update_masterdata_from_strings(PyObject* self, PyObject* const* args,
                                                Py_ssize_t nargs, PyObject* kwnames) {
    return guarded([&]() -> PyObject* {
        static constexpr const char* PARAMS[] = {"tables", "region"};
        static constexpr Signature SIGNATURE{"NativeEngine.update_masterdata_from_strings()",
                                             PARAMS, 2};
        std::array<PyObject*, 2> bound;
        EngineObject* engine = bind_engine_call(self, SIGNATURE, args, nargs, kwnames, bound);
        RawTables tables;
        std::string region;
        if (!engine || !to_text_map(bound[0], "tables", tables) ||
            !to_text(bound[1], "region", region)) {
            return nullptr;
        }
        return load_region_tables(*engine, region, std::move(tables));
    });
}

PyObject* engine_update_musicmetas(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                   PyObject* kwnames) {
    return guarded([&]() -> PyObject* {
        static constexpr const char* PARAMS[] = {"music_metas", "region"};
        static constexpr Signature SIGNATURE{"NativeEngine.update_musicmetas()", PARAMS, 2};
        std::array<PyObject*, 2> bound;
        EngineObject* engine = bind_engine_call(self, SIGNATURE, args, nargs, kwnames, bound);
        std::string music_metas, region;
        if (!engine || !to_text(bound[0], "music_metas", music_metas) ||
            !to_text(bound[1], "region", region)) {
            return nullptr;
        }
        return replace_music_metas(*engine, music_metas, region);
    });
}

}  // namespace vdz::py
