// The one way the front includes the interpreter's headers, so that every
// file agrees on the stable-ABI settings, plus an owning reference type that
// keeps reference counting out of the front's control flow.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <atomic>
#include <utility>

namespace vdz::py {

// Set when the interpreter begins to exit (by its exit callbacks). From then
// on the interpreter may end a thread by unwinding its stack while the thread
// does not hold the interpreter lock, so references are no longer released:
// the process reclaims them.
inline std::atomic<bool> interpreter_exiting{false};

// Owns one strong reference (or none). Moving transfers it; destruction
// releases it.
class Ref {
  public:
    Ref() = default;
    // Takes over a new reference, as returned by most C-API calls.
    explicit Ref(PyObject* owned) : object_(owned) {}
    Ref(Ref&& other) noexcept : object_(other.release()) {}
    Ref& operator=(Ref&& other) noexcept {
        Ref(std::move(other)).swap(*this);
        return *this;
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    ~Ref() {
        if (!interpreter_exiting.load(std::memory_order_relaxed)) Py_XDECREF(object_);
    }

    // A new strong reference to a borrowed object.
    static Ref borrowed(PyObject* object) {
        Py_XINCREF(object);
        return Ref(object);
    }

    PyObject* get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    // Hands the reference to the caller.
    PyObject* release() { return std::exchange(object_, nullptr); }
    void swap(Ref& other) noexcept { std::swap(object_, other.object_); }

  private:
    PyObject* object_ = nullptr;
};

}  // namespace vdz::py
