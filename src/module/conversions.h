// Converts bound Python arguments into the core's values. Each converter
// stores the value in `out` and returns true, or raises and returns false.
// A TypeError raised while converting the parameter `param` is re-raised as
// "argument '{param}': {message}" with the original as its cause; every other
// exception (OverflowError, UnicodeEncodeError, ...) passes unchanged.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/types.h"
#include "engine/raw_tables.h"
#include "module/python.h"

namespace vdz::py {

// A `str` (or subclass) as its UTF-8 text, NUL characters included.
[[nodiscard]] bool to_text(PyObject* value, const char* param, std::string& out);

// As `to_text`; an absent argument (null) or None gives no text.
[[nodiscard]] bool to_optional_text(PyObject* value, const char* param,
                                    std::optional<std::string>& out);

// A `bytes` (or subclass), viewed in place: valid while `value` lives and the
// interpreter lock is held.
[[nodiscard]] bool to_bytes(PyObject* value, const char* param, std::string_view& out);

// Any object with an integer value (index protocol) within the signed 32-bit
// range; beyond it, OverflowError "out of range integral type conversion
// attempted".
[[nodiscard]] bool to_i32(PyObject* value, const char* param, i32& out);

// As the index protocol converts to an unsigned 64-bit integer, without a
// further range check; an absent argument (null) or None gives no value.
[[nodiscard]] bool to_optional_u64(PyObject* value, const char* param, std::optional<u64>& out);

// Any sequence except a `str`, item by item as the interpreter turns an
// object into a float.
[[nodiscard]] bool to_f64_list(PyObject* value, const char* param, std::vector<double>& out);

// Any sequence except a `str`, item by item as `to_i32`.
[[nodiscard]] bool to_i32_list(PyObject* value, const char* param, std::vector<i32>& out);

// A `dict` (or subclass) whose keys and values are all `str`, ordered by key.
[[nodiscard]] bool to_text_map(PyObject* value, const char* param, RawTables& out);

// A new `str` holding the UTF-8 `text`, or null with the interpreter's error.
PyObject* new_str(std::string_view text);

// Raises TypeError "'{type}' object cannot be converted to '{target}'" for
// `value`, unwrapped (the form used for `self` and for instance checks).
// Returns false.
bool raise_cannot_convert(PyObject* value, const char* target);

// Applies the argument rule above to the pending exception. Returns false.
bool wrap_argument_error(const char* param);

}  // namespace vdz::py
