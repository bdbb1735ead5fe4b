// Entry point of the extension module `_native`. The module is made once per
// process and handed out again on every later import; interpreters other
// than the first that imported it are refused, since the classes and their
// objects are shared process-wide.
#include <atomic>

#include "common/types.h"
#include "module/errors.h"
#include "module/native_types.h"
#include "module/python.h"

namespace vdz::py {
namespace {

// A module size of 0 (not -1) makes the interpreter call the init function
// again on re-import and in other interpreters, which is where the checks
// below take effect.
PyModuleDef native_module_def = {
    PyModuleDef_HEAD_INIT, "_native", "", 0, nullptr, nullptr, nullptr, nullptr, nullptr,
};

std::atomic<i64> owner_interpreter{-1};
PyObject* module_object = nullptr;

PyObject* note_interpreter_exit(PyObject*, PyObject*) {
    interpreter_exiting.store(true, std::memory_order_relaxed);
    Py_RETURN_NONE;
}

PyMethodDef note_interpreter_exit_def = {"_note_interpreter_exit", note_interpreter_exit,
                                         METH_NOARGS, nullptr};

// Registers the exit callback that sets `interpreter_exiting`. It is no
// attribute of the module.
bool watch_interpreter_exit() {
    Ref callback(PyCFunction_New(&note_interpreter_exit_def, nullptr));
    Ref atexit(PyImport_ImportModule("atexit"));
    if (!callback || !atexit) return false;
    const Ref registered(PyObject_CallMethod(atexit.get(), "register", "O", callback.get()));
    return static_cast<bool>(registered);
}

// Adds the class under its name and lists it in `__all__`.
bool add_class(PyObject* module, NativeClass native_class) {
    PyTypeObject* type = native_type(native_class);
    if (!type) return false;
    const char* name = native_class_name(native_class);
    Ref all(PyObject_GetAttrString(module, "__all__"));
    if (!all) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return false;
        PyErr_Clear();
        all = Ref(PyList_New(0));
        if (!all || PyObject_SetAttrString(module, "__all__", all.get()) < 0) return false;
    }
    Ref name_text(PyUnicode_FromString(name));
    if (!name_text || PyList_Append(all.get(), name_text.get()) < 0) return false;
    return PyModule_AddObjectRef(module, name, reinterpret_cast<PyObject*>(type)) == 0;
}

PyObject* create_module() {
    // 1. Refuse every interpreter but the first.
    const i64 interpreter = PyInterpreterState_GetID(PyInterpreterState_Get());
    if (interpreter == -1) return raise_pending_error();
    i64 expected = -1;
    if (!owner_interpreter.compare_exchange_strong(expected, interpreter) &&
        expected != interpreter) {
        PyErr_SetString(PyExc_ImportError,
                        "PyO3 modules do not yet support subinterpreters, see "
                        "https://github.com/PyO3/pyo3/issues/576");
        return nullptr;
    }
    // 2. Hand out the module made earlier, if any.
    if (module_object) return Py_NewRef(module_object);

    // 3. Make it and add the classes in order; keep nothing on failure.
    Ref module(PyModule_Create(&native_module_def));
    if (!module) return nullptr;
    for (NativeClass native_class :
         {NativeClass::Engine, NativeClass::UserData, NativeClass::CardPool}) {
        if (!add_class(module.get(), native_class)) return nullptr;
    }
    if (!watch_interpreter_exit()) return nullptr;
    module_object = Py_NewRef(module.get());
    return module.release();
}

}  // namespace
}  // namespace vdz::py

PyMODINIT_FUNC PyInit__native(void) {
    return vdz::py::guarded([] { return vdz::py::create_module(); });
}
