// Whitespace trimming over UTF-8 text, looking at whole code points at both
// ends so that a multi-byte space is never split.
#include "common/text.h"

#include "common/types.h"

namespace vdz {
namespace {

bool is_white_space(u32 cp) {
    return (cp >= 0x09 && cp <= 0x0D) || cp == 0x20 || cp == 0x85 || cp == 0xA0 || cp == 0x1680 ||
           (cp >= 0x2000 && cp <= 0x200A) || cp == 0x2028 || cp == 0x2029 || cp == 0x202F ||
           cp == 0x205F || cp == 0x3000;
}

// Length in bytes of the white-space code point starting at `pos`, or 0.
usize white_space_at(std::string_view s, usize pos) {
    const auto b = [&](usize i) { return static_cast<u8>(s[i]); };
    const u8 lead = b(pos);
    if (lead < 0x80) return is_white_space(lead) ? 1 : 0;
    if ((lead & 0xE0) == 0xC0 && pos + 1 < s.size()) {
        const u32 cp = (u32(lead & 0x1F) << 6) | (b(pos + 1) & 0x3F);
        return is_white_space(cp) ? 2 : 0;
    }
    if ((lead & 0xF0) == 0xE0 && pos + 2 < s.size()) {
        const u32 cp =
            (u32(lead & 0x0F) << 12) | (u32(b(pos + 1) & 0x3F) << 6) | (b(pos + 2) & 0x3F);
        return is_white_space(cp) ? 3 : 0;
    }
    return 0;
}

// Start of the code point that ends just before `end`.
usize code_point_start_before(std::string_view s, usize end) {
    usize i = end - 1;
    while (i > 0 && (static_cast<u8>(s[i]) & 0xC0) == 0x80 && end - i < 4)
        --i;
    return i;
}

}  // namespace

std::string_view trim_unicode(std::string_view text) {
    usize begin = 0;
    while (begin < text.size()) {
        const usize n = white_space_at(text, begin);
        if (n == 0) break;
        begin += n;
    }
    usize end = text.size();
    while (end > begin) {
        const usize start = code_point_start_before(text, end);
        if (start < begin || white_space_at(text, start) != end - start) break;
        end = start;
    }
    return text.substr(begin, end - begin);
}

std::string ascii_lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string_view leading_characters(std::string_view text, usize count) {
    usize seen = 0;
    for (usize i = 0; i < text.size(); ++i) {
        const bool starts_character = (static_cast<u8>(text[i]) & 0xC0) != 0x80;
        if (starts_character && seen++ == count) return text.substr(0, i);
    }
    return text;
}

std::string echoed_input(std::string_view text) {
    const std::string_view shown = leading_characters(text, MAX_ECHOED_CHARACTERS);
    std::string echo(shown);
    if (shown.size() < text.size()) echo += ECHO_CUT_MARK;
    return echo;
}

}  // namespace vdz
