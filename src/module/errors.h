// How the front turns failures into Python exceptions: the system's own
// errors by the place they arose, internal faults (C++ exceptions) as the
// panic exception, and failed interpreter calls that left no exception.
#pragma once

#include <cxxabi.h>

#include <exception>
#include <new>
#include <string_view>

#include "common/result.h"
#include "module/python.h"

namespace vdz::py {

// The Python class that carries an error of the system, chosen by where it
// arose: argument conversion, the caller's input read while the interpreter
// lock is held, or everything else (a missing region, the engine's lock,
// input/output, and all work done without the interpreter lock).
enum class ErrorClass { Type, Value, Runtime };

// Raises `error` as a Python exception of `error_class`. Returns null so
// that entry points can `return raise(...)`.
PyObject* raise(ErrorClass error_class, const Error& error);

// Raises the interpreter's pending error or, when an interpreter call failed
// without setting one, SystemError "attempted to fetch exception but none
// was set". Returns null.
PyObject* raise_pending_error();

// Raises the panic exception with `message`: the report of a broken internal
// invariant. Returns null.
PyObject* raise_panic(std::string_view message);

// Runs an entry point's body so that no C++ exception reaches the
// interpreter: a failed allocation becomes MemoryError, any other exception
// that escapes the panic exception. The forced unwinding by which the
// interpreter ends a thread at exit is no exception of ours and goes on
// through.
template <class Body>
auto guarded(Body&& body) -> decltype(body()) {
    try {
        return body();
    } catch (abi::__forced_unwind&) {
        throw;
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::exception& error) {
        raise_panic(error.what());
    } catch (...) {
        raise_panic("unknown internal failure");
    }
    return decltype(body())();
}

}  // namespace vdz::py
