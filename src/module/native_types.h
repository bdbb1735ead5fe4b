// The module's three classes as type objects: each is created from its
// specification on first need and kept for the life of the process, shared
// by the module body, argument checks and object creation.
#pragma once

#include "module/conversions.h"
#include "module/python.h"

namespace vdz::py {

enum class NativeClass { Engine, UserData, CardPool };

// "NativeEngine", "NativeUserData" or "NativeCardPool".
const char* native_class_name(NativeClass native_class);

// The class's type object (a borrowed reference), created on first call.
// Null, with the interpreter's error set, when it can't be created.
PyTypeObject* native_type(NativeClass native_class);

// A new, zero-filled instance of `type` from the type's allocation slot, or
// null with the error set (SystemError when the allocator set none).
PyObject* allocate_instance(PyTypeObject* type);

// Returns an instance's memory through its type's free slot and drops the
// instance's reference to its heap type. The instance's own members must
// have been destroyed already.
void free_instance(PyObject* self);

// Whether `value` is an instance of the class. Failing to create the type
// object is an internal failure, reported as a panic ("failed to create type
// object for {}") with -1.
int is_instance_of(PyObject* value, NativeClass native_class);

// `value` as an object of the class, or null after raising TypeError
// "'{type}' object cannot be converted to '{Class}'" (or the panic above).
template <class Object>
Object* as_native(PyObject* value, NativeClass native_class);

// ---------------------------------------------------------------------------

template <class Object>
Object* as_native(PyObject* value, NativeClass native_class) {
    const int found = is_instance_of(value, native_class);
    if (found < 0) return nullptr;
    if (found == 0) {
        raise_cannot_convert(value, native_class_name(native_class));
        return nullptr;
    }
    return reinterpret_cast<Object*>(value);
}

}  // namespace vdz::py
