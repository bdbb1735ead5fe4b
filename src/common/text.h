// Text helpers shared by every reader of the game's strings: trimming by the
// Unicode White_Space property and ASCII-only lower-casing, which is how the
// game's enumeration texts (units, rarities, live types) are compared.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "common/types.h"

namespace vdz {

// Removes Unicode White_Space (TAB..CR, space, U+0085, U+00A0, U+1680,
// U+2000..U+200A, U+2028, U+2029, U+202F, U+205F, U+3000) from both ends of
// UTF-8 text. U+FEFF and U+200B are not white space.
std::string_view trim_unicode(std::string_view text);

// Lower-cases ASCII letters only; other bytes are kept as they are.
std::string ascii_lower(std::string_view text);

// The value `names` pairs with `text` after trimming and lower-casing (every
// name is lower case); none when no name matches.
template <class T, usize N>
std::optional<T> find_name(const std::array<std::pair<std::string_view, T>, N>& names,
                           std::string_view text) {
    const std::string key = ascii_lower(trim_unicode(text));
    for (const auto& [name, value] : names)
        if (key == name) return value;
    return std::nullopt;
}

// How much of a caller's text an error message repeats: a huge input must not
// make a huge message.
inline constexpr usize MAX_ECHOED_CHARACTERS = 256;
inline constexpr std::string_view ECHO_CUT_MARK = "…";

// The first `count` code points of UTF-8 text (all of it when shorter).
std::string_view leading_characters(std::string_view text, usize count);

// A caller's text as an error message repeats it: the text itself, or its
// first MAX_ECHOED_CHARACTERS code points followed by ECHO_CUT_MARK.
std::string echoed_input(std::string_view text);

}  // namespace vdz
