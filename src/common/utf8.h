// UTF-8 validation with the position and length of the first fault, so that
// byte input handed to us by callers (user data, table files) is refused with
// a message that says exactly where the text stops being UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/types.h"

namespace vdz {

// The first fault in a byte string that is not valid UTF-8.
struct Utf8Error {
    usize valid_up_to;                // bytes before the fault, all valid UTF-8
    std::optional<u8> invalid_bytes;  // length of the invalid sequence (1 to 3);
                                      // empty when the input ends inside a sequence
};

// The first fault of `bytes`, or nothing when the whole input is valid UTF-8.
// An invalid sequence is the longest prefix of a well-formed sequence that
// starts at the fault (the "maximal subpart"), so it is never longer than 3.
std::optional<Utf8Error> find_utf8_error(std::string_view bytes);

// "invalid utf-8 sequence of {n} bytes from index {i}" or
// "incomplete utf-8 byte sequence from index {i}".
std::string utf8_error_message(const Utf8Error& error);

}  // namespace vdz
