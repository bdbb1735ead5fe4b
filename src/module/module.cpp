// Entry point of the extension module `_native`. This file only creates the
// module object; the classes are added by the module body.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace {

PyModuleDef native_module_def = {
    PyModuleDef_HEAD_INIT, "_native", "", -1, nullptr, nullptr, nullptr, nullptr, nullptr,
};

}  // namespace

PyMODINIT_FUNC PyInit__native(void) {
    return PyModule_Create(&native_module_def);
}
