#include "common/text.h"

#include <gtest/gtest.h>

namespace vdz {
namespace {

TEST(Text, TrimsUnicodeWhiteSpaceOnly) {
    struct Case {
        std::string_view in, out;
    };
    const Case cases[] = {
        {"  rarity_4 \t\n", "rarity_4"},
        {"\u3000\u00A0x\u2009\u0085", "x"},
        {"\uFEFFx\u200B", "\uFEFFx\u200B"},  // BOM and zero-width space are not white space
        {"\u3000\u3000", ""},
        {"", ""},
        {"\xE3", "\xE3"},  // truncated sequence stays
        {"a b", "a b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(trim_unicode(c.in), c.out) << c.in;
}

TEST(Text, LowerCasesAsciiOnly) {
    EXPECT_EQ(ascii_lower("Rarity_BIRTHDAY"), "rarity_birthday");
    EXPECT_EQ(ascii_lower("\u00C9A"), "\u00C9a");
}

TEST(Text, EchoesAtMost256CharactersOfInput) {
    const std::string ascii(256, 'a');
    EXPECT_EQ(echoed_input(ascii), ascii);
    EXPECT_EQ(echoed_input(ascii + "b"), ascii + "…");
    // Characters, not bytes: a two-byte character is never split.
    std::string accented;
    for (int i = 0; i < 300; ++i)
        accented += "\u00E9";
    EXPECT_EQ(echoed_input(accented), accented.substr(0, 512) + "…");
    EXPECT_EQ(leading_characters("a\u00E9b", 2), "a\u00E9");
    EXPECT_EQ(echoed_input(""), "");
}

}  // namespace
}  // namespace vdz
