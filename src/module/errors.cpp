// The only place that creates the exceptions for the system's own errors.
// The panic class is made on first use and kept for the life of the process;
// it is deliberately not exported by the module.
#include "module/errors.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace vdz::py {
namespace {

PyObject* exception_type(ErrorClass error_class) {
    switch (error_class) {
        case ErrorClass::Type:
            return PyExc_TypeError;
        case ErrorClass::Value:
            return PyExc_ValueError;
        case ErrorClass::Runtime:
            return PyExc_RuntimeError;
    }
    return PyExc_RuntimeError;
}

PyObject* panic_exception_type() {
    static PyObject* type = nullptr;
    if (!type) {
        type = PyErr_NewException("pyo3_runtime.PanicException", PyExc_BaseException, nullptr);
    }
    return type;
}

void set_string(PyObject* type, std::string_view message) {
    // Messages are UTF-8; should one ever hold a stray byte, it is shown
    // replaced rather than turning the report into a decoding error.
    Ref text(
        PyUnicode_DecodeUTF8(message.data(), static_cast<Py_ssize_t>(message.size()), "replace"));
    if (text) PyErr_SetObject(type, text.get());
}

}  // namespace

PyObject* raise(ErrorClass error_class, const Error& error) {
    set_string(exception_type(error_class), error.message);
    return nullptr;
}

PyObject* raise_pending_error() {
    if (!PyErr_Occurred()) {
        PyErr_SetString(PyExc_SystemError, "attempted to fetch exception but none was set");
    }
    return nullptr;
}

PyObject* raise_panic(std::string_view message) {
    PyObject* type = panic_exception_type();
    if (!type) {
        std::fputs("uncaught panic at ffi boundary\n", stderr);
        std::abort();
    }
    // A panic can happen while another error is pending; the panic wins.
    PyErr_Clear();
    set_string(type, message);
    return nullptr;
}

}  // namespace vdz::py
