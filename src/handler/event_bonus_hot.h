// A card's event bonus packed in 16 bits, the form every search reads: the
// total in tenths of a percent in the high 12 bits and a 4-bit code into the
// pool's table of limited bonuses in the low 4 bits. It is declared with
// request preparation, which keeps every card's bonus within this form.
#pragma once

#include "common/types.h"

namespace vdz {

struct EventBonusHot {
    // The largest total the 12 high bits hold, in tenths of a percent.
    static constexpr u16 MAX_TOTAL_X10 = 4095;
    // The largest code the 4 low bits hold: the limited-bonus table's size.
    static constexpr u16 MAX_LIMITED_CODE = 15;

    u16 bits = 0;

    static EventBonusHot pack(u16 total_x10, u8 limited_code) {
        return {static_cast<u16>((total_x10 << 4) | limited_code)};
    }
    u16 total_x10() const { return static_cast<u16>(bits >> 4); }
    // 0 when the card has no limited bonus, else the 1-based table position.
    u8 limited_code() const { return static_cast<u8>(bits & 0x0F); }
};

}  // namespace vdz
