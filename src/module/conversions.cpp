// Conversions of argument values. The error texts are part of the module's
// interface: callers match on them, so they are kept word for word.
#include "module/conversions.h"

#include <algorithm>

#include "common/text.h"
#include "module/errors.h"

namespace vdz::py {
namespace {

// Room reserved up front for a sequence is capped: its length is only a
// hint, and an object may claim any length it likes.
constexpr Py_ssize_t MAX_RESERVED_ITEMS = 1 << 12;

std::string type_qualname(PyObject* value) {
    Ref name(PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(value)), "__qualname__"));
    if (name && PyUnicode_Check(name.get())) {
        Py_ssize_t size = 0;
        if (const char* text = PyUnicode_AsUTF8AndSize(name.get(), &size)) {
            return std::string(text, static_cast<usize>(size));
        }
    }
    PyErr_Clear();
    return "<failed to extract type name>";
}

bool text_value(PyObject* value, std::string& out) {
    if (!PyUnicode_Check(value)) return raise_cannot_convert(value, "PyString");
    Py_ssize_t size = 0;
    const char* text = PyUnicode_AsUTF8AndSize(value, &size);
    if (!text) return false;
    out.assign(text, static_cast<usize>(size));
    return true;
}

// The interpreter's C long is the signed 64-bit conversion this relies on.
static_assert(sizeof(long) == 8);

bool i32_value(PyObject* value, i32& out) {
    Ref index(PyNumber_Index(value));
    if (!index) return false;
    const long wide = PyLong_AsLong(index.get());
    if (wide == -1 && PyErr_Occurred()) return false;
    if (wide < INT32_MIN || wide > INT32_MAX) {
        PyErr_SetString(PyExc_OverflowError, "out of range integral type conversion attempted");
        return false;
    }
    out = static_cast<i32>(wide);
    return true;
}

bool f64_value(PyObject* value, double& out) {
    out = PyFloat_AsDouble(value);
    return !(out == -1.0 && PyErr_Occurred());
}

bool is_sequence(PyObject* value) {
    if (PyList_Check(value) || PyTuple_Check(value)) return true;
    static PyObject* sequence_abc = nullptr;
    if (!sequence_abc) {
        Ref abc_module(PyImport_ImportModule("collections.abc"));
        if (abc_module) sequence_abc = PyObject_GetAttrString(abc_module.get(), "Sequence");
    }
    const int is_instance = sequence_abc ? PyObject_IsInstance(value, sequence_abc) : -1;
    if (is_instance < 0) PyErr_Clear();
    return is_instance == 1;
}

// Any sequence except a `str`, converting each item with `item_value`.
template <class T, class ItemValue>
bool list_value(PyObject* value, std::vector<T>& out, ItemValue item_value) {
    if (PyUnicode_Check(value)) {
        PyErr_SetString(PyExc_TypeError, "Can't extract `str` to `Vec`");
        return false;
    }
    if (!is_sequence(value)) return raise_cannot_convert(value, "Sequence");
    out.clear();
    const Py_ssize_t size = PyObject_Size(value);
    if (size < 0) PyErr_Clear();
    out.reserve(static_cast<usize>(std::clamp<Py_ssize_t>(size, 0, MAX_RESERVED_ITEMS)));

    Ref iterator(PyObject_GetIter(value));
    if (!iterator) return false;
    while (Ref item{PyIter_Next(iterator.get())}) {
        T converted{};
        if (!item_value(item.get(), converted)) return false;
        out.push_back(converted);
    }
    return !PyErr_Occurred();
}

bool text_map_value(PyObject* value, RawTables& out) {
    if (!PyDict_Check(value)) return raise_cannot_convert(value, "PyDict");
    out.clear();
    Py_ssize_t pos = 0;
    PyObject* key = nullptr;
    PyObject* text = nullptr;
    while (PyDict_Next(value, &pos, &key, &text)) {
        std::string name, content;
        if (!text_value(key, name) || !text_value(text, content)) return false;
        out.insert_or_assign(std::move(name), std::move(content));
    }
    return true;
}

}  // namespace

PyObject* new_str(std::string_view text) {
    return PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
}

bool raise_cannot_convert(PyObject* value, const char* target) {
    const std::string type_name = echoed_input(type_qualname(value));
    PyErr_Format(PyExc_TypeError, "'%s' object cannot be converted to '%s'", type_name.c_str(),
                 target);
    return false;
}

bool wrap_argument_error(const char* param) {
    if (!PyErr_ExceptionMatches(PyExc_TypeError)) return false;
    PyObject* type = nullptr;
    PyObject* inner = nullptr;
    PyObject* traceback = nullptr;
    PyErr_Fetch(&type, &inner, &traceback);
    PyErr_NormalizeException(&type, &inner, &traceback);
    if (traceback && inner) PyException_SetTraceback(inner, traceback);
    Py_XDECREF(type);
    Py_XDECREF(traceback);

    Ref cause(inner);
    Ref inner_text(cause ? PyObject_Str(cause.get()) : nullptr);
    if (!inner_text) return false;
    Ref message(PyUnicode_FromFormat("argument '%s': %U", param, inner_text.get()));
    if (!message) return false;
    Ref wrapped(PyObject_CallFunctionObjArgs(PyExc_TypeError, message.get(), nullptr));
    if (!wrapped) return false;
    PyException_SetCause(wrapped.get(), cause.release());
    PyErr_SetObject(PyExc_TypeError, wrapped.get());
    return false;
}

bool to_text(PyObject* value, const char* param, std::string& out) {
    return text_value(value, out) || wrap_argument_error(param);
}

bool to_optional_text(PyObject* value, const char* param, std::optional<std::string>& out) {
    if (!value || value == Py_None) {
        out.reset();
        return true;
    }
    std::string text;
    if (!to_text(value, param, text)) return false;
    out = std::move(text);
    return true;
}

bool to_bytes(PyObject* value, const char* param, std::string_view& out) {
    if (!PyBytes_Check(value))
        return raise_cannot_convert(value, "PyBytes") || wrap_argument_error(param);
    char* data = nullptr;
    Py_ssize_t size = 0;
    if (PyBytes_AsStringAndSize(value, &data, &size) < 0) return wrap_argument_error(param);
    out = std::string_view(data, static_cast<usize>(size));
    return true;
}

bool to_i32(PyObject* value, const char* param, i32& out) {
    return i32_value(value, out) || wrap_argument_error(param);
}

bool to_optional_u64(PyObject* value, const char* param, std::optional<u64>& out) {
    if (!value || value == Py_None) {
        out.reset();
        return true;
    }
    Ref index(PyNumber_Index(value));
    if (!index) return wrap_argument_error(param);
    const unsigned long long number = PyLong_AsUnsignedLongLong(index.get());
    if (number == static_cast<unsigned long long>(-1) && PyErr_Occurred()) {
        return wrap_argument_error(param);
    }
    out = static_cast<u64>(number);
    return true;
}

bool to_f64_list(PyObject* value, const char* param, std::vector<double>& out) {
    return list_value(value, out, f64_value) || wrap_argument_error(param);
}

bool to_i32_list(PyObject* value, const char* param, std::vector<i32>& out) {
    return list_value(value, out, i32_value) || wrap_argument_error(param);
}

bool to_text_map(PyObject* value, const char* param, RawTables& out) {
    return text_map_value(value, out) || wrap_argument_error(param);
}

}  // namespace vdz::py
