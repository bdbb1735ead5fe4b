// Runs the core's work without the interpreter lock, so that other Python
// threads go on meanwhile; the lock is taken back on every way out. Nothing
// inside may touch a Python object.
#pragma once

#include <optional>

#include "module/python.h"

namespace vdz::py {

// Returns what `compute` returns, once the lock is held again. At interpreter
// exit, taking the lock back ends a thread other than the finalizing one by
// forced unwinding; that unwinding must pass through here, so the lock is
// taken back outside any destructor and every catch here rethrows.
template <class Compute>
auto computed_without_gil(Compute&& compute) -> decltype(compute()) {
    PyThreadState* const state = PyEval_SaveThread();
    std::optional<decltype(compute())> value;
    try {
        value.emplace(compute());
    } catch (...) {
        PyEval_RestoreThread(state);
        throw;
    }
    PyEval_RestoreThread(state);
    return std::move(*value);
}

}  // namespace vdz::py
