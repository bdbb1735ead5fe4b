// Alias tables of the unit and attribute readers. The aliases are distinct
// after case folding, so the order of comparison never changes a result.
#include "handler/codes.h"

#include <array>

#include "common/text.h"

namespace vdz {
namespace {

struct Alias {
    std::string_view text;
    u8 code;
};

constexpr std::array UNIT_ALIASES = {
    Alias{"ln", unit::LIGHT_SOUND},
    Alias{"leoneed", unit::LIGHT_SOUND},
    Alias{"leo_need", unit::LIGHT_SOUND},
    Alias{"lightsound", unit::LIGHT_SOUND},
    Alias{"light_sound", unit::LIGHT_SOUND},
    Alias{"mmj", unit::IDOL},
    Alias{"idol", unit::IDOL},
    Alias{"moremorejump", unit::IDOL},
    Alias{"more_more_jump", unit::IDOL},
    Alias{"vbs", unit::STREET},
    Alias{"street", unit::STREET},
    Alias{"vivids_bad_squad", unit::STREET},
    Alias{"vividsbadsquad", unit::STREET},
    Alias{"themepark", unit::THEME_PARK},
    Alias{"theme_park", unit::THEME_PARK},
    Alias{"wonderlands_x_showtime", unit::THEME_PARK},
    Alias{"wxs", unit::THEME_PARK},
    Alias{"school_refusal", unit::SCHOOL_REFUSAL},
    Alias{"schoolrefusal", unit::SCHOOL_REFUSAL},
    Alias{"25ji", unit::SCHOOL_REFUSAL},
    Alias{"nightcord", unit::SCHOOL_REFUSAL},
    Alias{"piapro", unit::PIAPRO},
    Alias{"virtual_singer", unit::PIAPRO},
    Alias{"vs", unit::PIAPRO},
    Alias{"any", unit::ANY},
    Alias{"ref", unit::REF},
    Alias{"diff", unit::DIFF},
};

constexpr std::array ATTR_ALIASES = {
    Alias{"cool", card_attr::COOL},
    Alias{"cute", card_attr::CUTE},
    Alias{"happy", card_attr::HAPPY},
    Alias{"pure", card_attr::PURE},
    Alias{"mysterious", card_attr::MYSTERIOUS},
    Alias{"mystery", card_attr::MYSTERIOUS},
};

template <usize N>
u8 lookup(const std::array<Alias, N>& aliases, std::string_view text, u8 other) {
    const std::string_view trimmed = trim_unicode(text);
    // Most aliases differ in length: compare only those of the right one.
    for (const Alias& alias : aliases)
        if (alias.text.size() == trimmed.size() && equals_ignore_ascii_case(trimmed, alias.text))
            return alias.code;
    return other;
}

char fold(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool equals_ignore_ascii_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (usize i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i])) return false;
    return true;
}

u8 parse_unit(std::string_view text) {
    return lookup(UNIT_ALIASES, text, unit::OTHER);
}

u8 parse_card_attr(std::string_view text) {
    return lookup(ATTR_ALIASES, text, card_attr::OTHER);
}

}  // namespace vdz
