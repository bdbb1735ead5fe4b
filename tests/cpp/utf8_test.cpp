#include "common/utf8.h"

#include <gtest/gtest.h>

namespace vdz {
namespace {

std::string message_for(std::string_view bytes) {
    const auto error = find_utf8_error(bytes);
    return error ? utf8_error_message(*error) : "valid";
}

TEST(Utf8, ReportsTheFirstFaultWithItsMaximalSubpart) {
    struct Case {
        std::string_view bytes, message;
    };
    const Case cases[] = {
        {"", "valid"},
        {"{\"a\":\"\xE3\x81\x82\xF0\x9F\x8E\xB5\"}", "valid"},
        {"\xEF\xBF\xBF\xF4\x8F\xBF\xBF\xC2\x80", "valid"},  // U+FFFF, U+10FFFF, U+0080
        {"\xFF", "invalid utf-8 sequence of 1 bytes from index 0"},
        {"\xE3\x81", "incomplete utf-8 byte sequence from index 0"},
        {"\xE3\x81\x41", "invalid utf-8 sequence of 2 bytes from index 0"},
        {"\xED\xA0\x80", "invalid utf-8 sequence of 1 bytes from index 0"},      // surrogate
        {"\xF4\x90\x80\x80", "invalid utf-8 sequence of 1 bytes from index 0"},  // > U+10FFFF
        {"A\xC0\x80", "invalid utf-8 sequence of 1 bytes from index 1"},         // overlong
        {"\xE0\x80\x80", "invalid utf-8 sequence of 1 bytes from index 0"},      // overlong
        {"\xF0\x9F\x8E", "incomplete utf-8 byte sequence from index 0"},
        {"\xF0\x9F\x8E\x41", "invalid utf-8 sequence of 3 bytes from index 0"},
        {"\xF0\x9F\x41", "invalid utf-8 sequence of 2 bytes from index 0"},
        {"ab\x80", "invalid utf-8 sequence of 1 bytes from index 2"},  // lone continuation
        {"\xF5\x80\x80\x80", "invalid utf-8 sequence of 1 bytes from index 0"},
        {"ok\xC2", "incomplete utf-8 byte sequence from index 2"},
        {"\xC2\x41\xFF", "invalid utf-8 sequence of 1 bytes from index 0"},  // first fault wins
    };
    for (const auto& c : cases)
        EXPECT_EQ(message_for(c.bytes), c.message) << testing::PrintToString(c.bytes);
}

TEST(Utf8, AgreesWithTheDefinitionOnEveryShortSequence) {
    // Oracle: decode by the definition (code point ranges) rather than by the
    // byte-range table the validator uses.
    const auto decodes = [](const u8* b, usize n) {
        u32 cp = 0;
        if (n == 1) return b[0] < 0x80;
        const u8 lead_mask = n == 2 ? 0x1F : n == 3 ? 0x0F : 0x07;
        const u8 lead_tag = n == 2 ? 0xC0 : n == 3 ? 0xE0 : 0xF0;
        if ((b[0] & ~lead_mask & 0xFF) != lead_tag) return false;
        cp = b[0] & lead_mask;
        for (usize i = 1; i < n; ++i) {
            if ((b[i] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (b[i] & 0x3F);
        }
        const u32 min = n == 2 ? 0x80 : n == 3 ? 0x800 : 0x10000;
        return cp >= min && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
    };
    for (u32 a = 0; a < 256; ++a) {
        for (u32 b = 0x70; b < 0xC8; ++b) {
            for (u32 c = 0x70; c < 0xC8; c += 7) {
                const u8 bytes[3] = {u8(a), u8(b), u8(c)};
                const bool whole =
                    decodes(bytes, 3) || (decodes(bytes, 2) && decodes(bytes + 2, 1)) ||
                    (decodes(bytes, 1) && decodes(bytes + 1, 2)) ||
                    (decodes(bytes, 1) && decodes(bytes + 1, 1) && decodes(bytes + 2, 1));
                const std::string_view text(reinterpret_cast<const char*>(bytes), 3);
                EXPECT_EQ(!find_utf8_error(text).has_value(), whole) << a << ' ' << b << ' ' << c;
            }
        }
    }
}

}  // namespace
}  // namespace vdz
