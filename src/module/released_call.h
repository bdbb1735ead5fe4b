// The last step of every computing method: the core's work runs without the
// interpreter lock and ends in JSON text or an error message, which comes
// back as a new str or a RuntimeError once the lock is held again.
#pragma once

#include <optional>
#include <string>

#include "common/result.h"
#include "module/conversions.h"
#include "module/errors.h"
#include "module/released_gil.h"

namespace vdz::py {

// `compute` returns Result<std::string> and must not touch a Python object.
template <class Compute>
PyObject* text_computed_without_gil(Compute&& compute) {
    std::optional<Result<std::string>> text;
    {
        ReleasedGil released;
        text.emplace(compute());
    }
    return text->ok() ? new_str(text->value()) : raise(ErrorClass::Runtime, text->error());
}

}  // namespace vdz::py
