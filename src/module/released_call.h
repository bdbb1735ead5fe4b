// The last step of every computing method: the core's work runs without the
// interpreter lock and ends in JSON text or an error message, which comes
// back as a new str or a RuntimeError once the lock is held again.
#pragma once

#include <string>

#include "common/result.h"
#include "module/conversions.h"
#include "module/errors.h"
#include "module/released_gil.h"

namespace vdz::py {

// `compute` returns Result<std::string> and must not touch a Python object.
template <class Compute>
PyObject* text_computed_without_gil(Compute&& compute) {
    const Result<std::string> text = computed_without_gil(compute);
    return text ? new_str(*text) : raise(ErrorClass::Runtime, text.error());
}

}  // namespace vdz::py
