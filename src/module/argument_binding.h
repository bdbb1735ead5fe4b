// Binds the arguments of a call to a method's parameters: positional ones in
// the order of the text signature, then keywords by name. Every method and
// constructor of the module goes through here, so that all of them word
// their binding errors alike, naming the function as "Class.method()".
#pragma once

#include <span>

#include "common/types.h"
#include "module/python.h"

namespace vdz::py {

// A method's parameters, `self` excluded. Every parameter may be given by
// position or by keyword; the first `required` have no default.
struct Signature {
    const char* function;                 // "NativeEngine.recommend()"
    std::span<const char* const> params;  // in text-signature order
    usize required;
};

// Fills `out` (one slot per parameter) with borrowed references to the given
// arguments, leaving null the parameters that were not given. On a binding
// error raises its TypeError and returns false.
//
// The vectorcall form: `args` holds `nargs` positional values followed by
// one value per name in the `kwnames` tuple (which may be null).
bool bind_arguments(const Signature& signature, PyObject* const* args, Py_ssize_t nargs,
                    PyObject* kwnames, std::span<PyObject*> out);

// The tuple-and-dict form used by constructors; `kwargs` may be null.
bool bind_arguments(const Signature& signature, PyObject* args, PyObject* kwargs,
                    std::span<PyObject*> out);

}  // namespace vdz::py
