// The `NativeUserData` class. Construction does all the work, under the
// interpreter lock: the bytes are checked for UTF-8 and parsed in place,
// and only the parsed data is kept.
#include "module/user_data_object.h"

#include <array>
#include <new>

#include "common/utf8.h"
#include "module/argument_binding.h"
#include "module/conversions.h"
#include "module/errors.h"
#include "module/native_types.h"

namespace vdz::py {
namespace {

PyObject* user_data_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    return guarded([&]() -> PyObject* {
        // 1. Bind and convert the argument.
        static constexpr const char* PARAMS[] = {"data"};
        static constexpr Signature SIGNATURE{"NativeUserData.__new__()", PARAMS, 1};
        std::array<PyObject*, 1> bound;
        std::string_view bytes;
        if (!bind_arguments(SIGNATURE, args, kwargs, bound) || !to_bytes(bound[0], "data", bytes)) {
            return nullptr;
        }
        // 2. Check the text and parse it; the bytes object can't change
        //    while we hold the interpreter lock.
        if (const auto fault = find_utf8_error(bytes)) {
            return raise(ErrorClass::Value, make_error(utf8_error_message(*fault)));
        }
        Result<UserData> parsed = parse_user_data(bytes);
        if (!parsed) return raise(ErrorClass::Value, parsed.error());
        auto data = std::make_shared<const UserData>(std::move(parsed).value());

        // 3. Wrap it.
        PyObject* self = allocate_instance(type);
        if (!self) return nullptr;
        new (&reinterpret_cast<UserDataObject*>(self)->data)
            std::shared_ptr<const UserData>(std::move(data));
        return self;
    });
}

void user_data_dealloc(PyObject* self) {
    reinterpret_cast<UserDataObject*>(self)->data.~shared_ptr();
    free_instance(self);
}

PyType_Slot user_data_slots[] = {
    {Py_tp_doc, const_cast<char*>("NativeUserData(data)\n--\n\n")},
    {Py_tp_new, reinterpret_cast<void*>(user_data_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(user_data_dealloc)},
    {0, nullptr},
};

PyType_Spec user_data_spec = {
    "builtins.NativeUserData", static_cast<int>(sizeof(UserDataObject)), 0, Py_TPFLAGS_DEFAULT,
    user_data_slots,
};

}  // namespace

PyType_Spec& user_data_type_spec() {
    return user_data_spec;
}

bool to_user_data(PyObject* value, const char* param, UserDataObject*& out) {
    out = as_native<UserDataObject>(value, NativeClass::UserData);
    return out || wrap_argument_error(param);
}

}  // namespace vdz::py
