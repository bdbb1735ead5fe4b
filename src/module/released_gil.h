// Releases the interpreter lock for the life of one scope, so that the core's
// work runs while other Python threads go on; the lock is taken back on every
// way out, exceptions included. Nothing inside the scope may touch a Python
// object.
#pragma once

#include "module/python.h"

namespace vdz::py {

class ReleasedGil {
  public:
    ReleasedGil() : state_(PyEval_SaveThread()) {}
    ~ReleasedGil() { PyEval_RestoreThread(state_); }
    ReleasedGil(const ReleasedGil&) = delete;
    ReleasedGil& operator=(const ReleasedGil&) = delete;

  private:
    PyThreadState* state_;
};

}  // namespace vdz::py
