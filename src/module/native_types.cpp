// Type objects are process-wide: the module refuses every interpreter but
// the first, so one set of types serves every import.
#include "module/native_types.h"

#include <string>

#include "module/card_pool_object.h"
#include "module/engine_object.h"
#include "module/errors.h"
#include "module/user_data_object.h"

namespace vdz::py {
namespace {

PyType_Spec& spec_of(NativeClass native_class) {
    switch (native_class) {
        case NativeClass::Engine:
            return engine_type_spec();
        case NativeClass::UserData:
            return user_data_type_spec();
        case NativeClass::CardPool:
            return card_pool_type_spec();
    }
    return engine_type_spec();
}

PyObject* type_objects[3] = {nullptr, nullptr, nullptr};

}  // namespace

const char* native_class_name(NativeClass native_class) {
    switch (native_class) {
        case NativeClass::Engine:
            return "NativeEngine";
        case NativeClass::UserData:
            return "NativeUserData";
        case NativeClass::CardPool:
            return "NativeCardPool";
    }
    return "";
}

PyTypeObject* native_type(NativeClass native_class) {
    PyObject*& type = type_objects[static_cast<int>(native_class)];
    if (!type) type = PyType_FromSpec(&spec_of(native_class));
    return reinterpret_cast<PyTypeObject*>(type);
}

PyObject* allocate_instance(PyTypeObject* type) {
    auto alloc = reinterpret_cast<allocfunc>(PyType_GetSlot(type, Py_tp_alloc));
    if (!alloc) alloc = PyType_GenericAlloc;
    PyObject* self = alloc(type, 0);
    if (!self) raise_pending_error();
    return self;
}

void free_instance(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    auto free_slot = reinterpret_cast<freefunc>(PyType_GetSlot(type, Py_tp_free));
    if (!free_slot) free_slot = PyObject_Free;
    free_slot(self);
    Py_DECREF(type);
}

int is_instance_of(PyObject* value, NativeClass native_class) {
    PyTypeObject* type = native_type(native_class);
    if (!type) {
        raise_panic(std::string("failed to create type object for ") +
                    native_class_name(native_class));
        return -1;
    }
    return PyObject_TypeCheck(value, type) ? 1 : 0;
}

}  // namespace vdz::py
