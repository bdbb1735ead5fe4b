// Stand-in for method bodies the module does not offer yet: such a method
// binds and checks its arguments like any other and then says plainly that
// it can't answer, rather than returning None or an invented result.
#pragma once

#include <string>

#include "module/errors.h"

namespace vdz::py {

// Raises RuntimeError "{function} is not implemented". Returns null.
inline PyObject* raise_not_implemented(const char* function) {
    return raise(ErrorClass::Runtime, make_error(std::string(function) + " is not implemented"));
}

}  // namespace vdz::py
