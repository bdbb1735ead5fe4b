// `NativeUserData`: one player's data, parsed when the object is made and
// then shared, read-only, by every request that names the object.
#pragma once

#include <memory>

#include "handler/user_data.h"
#include "module/python.h"

namespace vdz::py {

// Holds one shared reference to the parsed data; a call that computes
// without the interpreter lock takes its own, and so does every card pool
// built from it, so the data outlives the object when they need it.
struct UserDataObject {
    PyObject ob_base;
    std::shared_ptr<const UserData> data;
};

PyType_Spec& user_data_type_spec();

// The argument `param` as a `NativeUserData`, borrowed for the call; raises
// "argument '{param}': '{type}' object cannot be converted to
// 'NativeUserData'" otherwise.
[[nodiscard]] bool to_user_data(PyObject* value, const char* param, UserDataObject*& out);

}  // namespace vdz::py
