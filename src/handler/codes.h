// Unit and card-attribute codes. Master data, options and user data all name
// units and attributes as free text; these two readers turn such text into the
// one-byte codes the rest of the preparation and the search use. They never
// fail: text they do not recognise maps to a fixed "other" code.
#pragma once

#include <string_view>

#include "common/types.h"

namespace vdz {

// Unit codes. 1..6 are the six real units (unit u is bit u - 1 of a unit
// mask); ANY, REF and DIFF are markers some option and skill texts use.
namespace unit {
inline constexpr u8 LIGHT_SOUND = 1;
inline constexpr u8 IDOL = 2;
inline constexpr u8 STREET = 3;
inline constexpr u8 THEME_PARK = 4;
inline constexpr u8 SCHOOL_REFUSAL = 5;
inline constexpr u8 PIAPRO = 6;
inline constexpr u8 ANY = 7;
inline constexpr u8 REF = 8;
inline constexpr u8 DIFF = 9;
inline constexpr u8 OTHER = 10;
}  // namespace unit

// Card attribute codes 1..5; attribute code c is index c - 1 where an
// attribute indexes a table.
namespace card_attr {
inline constexpr u8 COOL = 1;
inline constexpr u8 CUTE = 2;
inline constexpr u8 HAPPY = 3;
inline constexpr u8 PURE = 4;
inline constexpr u8 MYSTERIOUS = 5;
inline constexpr u8 OTHER = 6;
}  // namespace card_attr

// True when both texts have the same bytes after mapping A..Z to a..z.
bool equals_ignore_ascii_case(std::string_view a, std::string_view b);

// Trims Unicode white space, ignores ASCII case; unrecognised text gives
// unit::OTHER.
u8 parse_unit(std::string_view text);

// Trims Unicode white space, ignores ASCII case; unrecognised text gives
// card_attr::OTHER.
u8 parse_card_attr(std::string_view text);

// True for the six real units.
inline bool is_real_unit(u8 code) {
    return code >= unit::LIGHT_SOUND && code <= unit::PIAPRO;
}

// True for the five real attributes.
inline bool is_real_attr(u8 code) {
    return code >= card_attr::COOL && code <= card_attr::MYSTERIOUS;
}

}  // namespace vdz
