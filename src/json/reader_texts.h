// The reader's own error texts, shared by its two source files.
#pragma once

#include <string_view>

namespace vdz::json::texts {

inline constexpr std::string_view EOF_VALUE = "EOF while parsing a value";
inline constexpr std::string_view EOF_LIST = "EOF while parsing a list";
inline constexpr std::string_view EOF_OBJECT = "EOF while parsing an object";
inline constexpr std::string_view EOF_STRING = "EOF while parsing a string";
inline constexpr std::string_view EXPECTED_COLON = "expected `:`";
inline constexpr std::string_view EXPECTED_LIST_COMMA_OR_END = "expected `,` or `]`";
inline constexpr std::string_view EXPECTED_OBJECT_COMMA_OR_END = "expected `,` or `}`";
inline constexpr std::string_view EXPECTED_IDENT = "expected ident";
inline constexpr std::string_view EXPECTED_VALUE = "expected value";
inline constexpr std::string_view INVALID_ESCAPE = "invalid escape";
inline constexpr std::string_view INVALID_NUMBER = "invalid number";
inline constexpr std::string_view NUMBER_OUT_OF_RANGE = "number out of range";
inline constexpr std::string_view INVALID_CODE_POINT = "invalid unicode code point";
inline constexpr std::string_view CONTROL_CHARACTER =
    "control character (\\u0000-\\u001F) found while parsing a string";
inline constexpr std::string_view KEY_MUST_BE_STRING = "key must be a string";
inline constexpr std::string_view LONE_SURROGATE = "lone leading surrogate in hex escape";
inline constexpr std::string_view UNEXPECTED_END_OF_HEX = "unexpected end of hex escape";
inline constexpr std::string_view RECURSION_LIMIT = "recursion limit exceeded";
inline constexpr std::string_view TRAILING_CHARACTERS = "trailing characters";
inline constexpr std::string_view TRAILING_COMMA = "trailing comma";

}  // namespace vdz::json::texts
