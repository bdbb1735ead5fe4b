// The loading methods of `NativeEngine`: arguments, then the region table's
// write path. They keep the interpreter lock for the whole load.
#include <array>
#include <map>
#include <string>

#include "engine/table_directory.h"
#include "handler/region_loading.h"
#include "module/conversions.h"
#include "module/engine_methods.h"
#include "module/engine_object.h"
#include "module/errors.h"

namespace vdz::py {
namespace {

// Runs a load through the region table's write path: the table's own errors
// (a missing region, a build that failed by throwing) are RuntimeErrors, the
// build's are faults of the caller's input, ValueErrors. No lock is held
// while raising.
PyObject* replace_region(EngineObject& engine, const std::string& region, RegionPresence presence,
                         const RegionTable::EntryBuilder& build) {
    Result<Status> replaced = engine.regions.replace(region, presence, build);
    if (!replaced) return raise(ErrorClass::Runtime, replaced.error());
    if (!*replaced) return raise(ErrorClass::Value, replaced->error());
    Py_RETURN_NONE;
}

// Loads the region from the given tables.
PyObject* load_region_tables(EngineObject& engine, const std::string& region, RawTables tables) {
    return replace_region(
        engine, region, RegionPresence::MayBeAbsent,
        [&](const RegionEntry* current) { return build_loaded_entry(current, std::move(tables)); });
}

// Reads the whole directory first, so that an input/output error is reported
// before anything about the engine's lock.
PyObject* load_region_from_directory(EngineObject& engine, const std::string& base_dir,
                                     const std::string& region) {
    Result<RawTables> tables = read_table_directory(base_dir);
    if (!tables) return raise(ErrorClass::Runtime, tables.error());
    return load_region_tables(engine, region, std::move(tables).value());
}

// Gives a loaded region new music metas, keeping its tables.
PyObject* replace_music_metas(EngineObject& engine, std::string music_metas,
                              const std::string& region) {
    return replace_region(engine, region, RegionPresence::MustExist,
                          [&](const RegionEntry* current) {
                              return build_music_metas_entry(*current, std::move(music_metas));
                          });
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
        return replace_music_metas(*engine, std::move(music_metas), region);
    });
}

}  // namespace vdz::py
