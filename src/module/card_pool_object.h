// `NativeCardPool`: a request prepared once by `NativeEngine.build_pool` and
// searched as often as the caller likes. Python can't construct one itself.
#pragma once

#include "module/python.h"
#include "pool/prepared_pool.h"

namespace vdz::py {

// Owns the prepared pool outright: it depends on no engine or region, so it
// keeps answering after either is reloaded or gone. Never changed after it
// is made; every member only reads it.
struct CardPoolObject {
    PyObject ob_base;
    PreparedPool pool;
};

PyType_Spec& card_pool_type_spec();

// A new pool object owning `pool`, or null with the interpreter's error
// raised (the pool is then released).
PyObject* new_card_pool(PreparedPool pool);

}  // namespace vdz::py
