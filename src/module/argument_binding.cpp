// Binding order: too many positional arguments first, then each keyword in
// the order given (unknown, or already given by position), then whatever
// required parameters are still missing. Conversion starts only afterwards.
#include "module/argument_binding.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "module/errors.h"

namespace vdz::py {
namespace {

struct Keyword {
    PyObject* name;   // borrowed
    PyObject* value;  // borrowed
};

PyObject* raise_type_error(Ref message) {
    if (message) PyErr_SetObject(PyExc_TypeError, message.get());
    return nullptr;
}

void raise_too_many_positional(const Signature& signature, usize given) {
    const char* verb = given == 1 ? "was" : "were";
    const auto count = static_cast<unsigned long long>(signature.params.size());
    const auto given_count = static_cast<unsigned long long>(given);
    if (signature.required == signature.params.size()) {
        raise_type_error(
            Ref(PyUnicode_FromFormat("%s takes %llu positional arguments but %llu %s given",
                                     signature.function, count, given_count, verb)));
    } else {
        raise_type_error(Ref(PyUnicode_FromFormat(
            "%s takes from %llu to %llu positional arguments but %llu %s given", signature.function,
            static_cast<unsigned long long>(signature.required), count, given_count, verb)));
    }
}

// "'a'", "'a' and 'b'", "'a', 'b' and 'c'".
std::string quoted_name_list(const std::vector<const char*>& names) {
    std::string text;
    for (usize i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
        text += '\'';
        text += names[i];
        text += '\'';
    }
    return text;
}

// The keyword as a message repeats it: cut short when long, like every
// echoed input.
Ref echoed_keyword(PyObject* name) {
    Ref text(PyObject_Str(name));
    if (!text || PyUnicode_GetLength(text.get()) <= Py_ssize_t{MAX_ECHOED_CHARACTERS}) return text;
    Ref head(PyUnicode_Substring(text.get(), 0, Py_ssize_t{MAX_ECHOED_CHARACTERS}));
    return head ? Ref(PyUnicode_FromFormat("%U%s", head.get(), ECHO_CUT_MARK.data())) : Ref();
}

// The parameter `name` stands for, or -1 when it names none.
Py_ssize_t parameter_index(const Signature& signature, PyObject* name) {
    if (!PyUnicode_Check(name)) return -1;
    for (usize i = 0; i < signature.params.size(); ++i) {
        if (PyUnicode_CompareWithASCIIString(name, signature.params[i]) == 0) {
            return static_cast<Py_ssize_t>(i);
        }
    }
    return -1;
}

bool bind(const Signature& signature, std::span<PyObject* const> positional,
          std::span<const Keyword> keywords, std::span<PyObject*> out) {
    // 1. Positional arguments, in signature order.
    if (positional.size() > signature.params.size()) {
        raise_too_many_positional(signature, positional.size());
        return false;
    }
    for (PyObject*& slot : out)
        slot = nullptr;
    for (usize i = 0; i < positional.size(); ++i)
        out[i] = positional[i];

    // 2. Keywords, by name.
    for (const Keyword& keyword : keywords) {
        const Py_ssize_t index = parameter_index(signature, keyword.name);
        if (index < 0) {
            const Ref name = echoed_keyword(keyword.name);
            if (name) {
                raise_type_error(Ref(PyUnicode_FromFormat(
                    "%s got an unexpected keyword argument '%U'", signature.function, name.get())));
            }
            return false;
        }
        if (out[index]) {
            raise_type_error(
                Ref(PyUnicode_FromFormat("%s got multiple values for argument '%s'",
                                         signature.function, signature.params[index])));
            return false;
        }
        out[index] = keyword.value;
    }

    // 3. Required parameters that are still empty.
    std::vector<const char*> missing;
    for (usize i = 0; i < signature.required; ++i) {
        if (!out[i]) missing.push_back(signature.params[i]);
    }
    if (!missing.empty()) {
        const std::string names = quoted_name_list(missing);
        raise_type_error(Ref(
            PyUnicode_FromFormat("%s missing %llu required positional %s: %s", signature.function,
                                 static_cast<unsigned long long>(missing.size()),
                                 missing.size() == 1 ? "argument" : "arguments", names.c_str())));
        return false;
    }
    return true;
}

}  // namespace

bool bind_arguments(const Signature& signature, PyObject* const* args, Py_ssize_t nargs,
                    PyObject* kwnames, std::span<PyObject*> out) {
    std::vector<Keyword> keywords;
    if (kwnames) {
        const Py_ssize_t count = PyTuple_Size(kwnames);
        if (count < 0) return false;
        keywords.reserve(static_cast<usize>(count));
        for (Py_ssize_t i = 0; i < count; ++i) {
            keywords.push_back({PyTuple_GetItem(kwnames, i), args[nargs + i]});
        }
    }
    return bind(signature, {args, static_cast<usize>(nargs)}, keywords, out);
}

bool bind_arguments(const Signature& signature, PyObject* args, PyObject* kwargs,
                    std::span<PyObject*> out) {
    const Py_ssize_t count = args ? PyTuple_Size(args) : 0;
    if (count < 0) return false;
    std::vector<PyObject*> positional;
    positional.reserve(static_cast<usize>(count));
    for (Py_ssize_t i = 0; i < count; ++i)
        positional.push_back(PyTuple_GetItem(args, i));

    std::vector<Keyword> keywords;
    if (kwargs) {
        Py_ssize_t pos = 0;
        PyObject* name = nullptr;
        PyObject* value = nullptr;
        while (PyDict_Next(kwargs, &pos, &name, &value))
            keywords.push_back({name, value});
    }
    return bind(signature, positional, keywords, out);
}

}  // namespace vdz::py
