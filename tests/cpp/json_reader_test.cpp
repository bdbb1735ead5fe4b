// Syntax errors, their texts and their positions, read through parse_value.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "json/reader.h"
#include "json/value.h"

namespace vdz::json {
namespace {

std::string error_of(std::string_view text) {
    auto parsed = parse_value(text);
    return parsed.ok() ? "accepted" : parsed.error().message;
}

struct SyntaxCase {
    std::string text;
    std::string error;
};

TEST(JsonReader, SyntaxErrorsNameTheirPlace) {
    const std::vector<SyntaxCase> cases = {
        {"", "EOF while parsing a value at line 1 column 0"},
        {"   ", "EOF while parsing a value at line 1 column 3"},
        {"\n\n", "EOF while parsing a value at line 3 column 0"},
        {"[] x", "trailing characters at line 1 column 4"},
        {"[]\n\nx", "trailing characters at line 3 column 1"},
        {"[1,]", "trailing comma at line 1 column 4"},
        {"{\"a\":1,}", "trailing comma at line 1 column 8"},
        {"[1 2]", "expected `,` or `]` at line 1 column 4"},
        {"{\"a\":1 \"b\":2}", "expected `,` or `}` at line 1 column 8"},
        {"{\"a\" 1}", "expected `:` at line 1 column 6"},
        {"[{1:2}]", "key must be a string at line 1 column 3"},
        {"{\"a\":1,2:3}", "key must be a string at line 1 column 8"},
        {"[01]", "invalid number at line 1 column 3"},
        {"[1.]", "invalid number at line 1 column 4"},
        {"[1.\n]", "invalid number at line 2 column 0"},
        {"[-\n1]", "invalid number at line 2 column 0"},
        {"[-]", "invalid number at line 1 column 3"},
        {"[1e]", "invalid number at line 1 column 4"},
        {"[1e+]", "invalid number at line 1 column 5"},
        {"-", "EOF while parsing a value at line 1 column 1"},
        {"1.", "EOF while parsing a value at line 1 column 2"},
        {"1e", "EOF while parsing a value at line 1 column 2"},
        {"[1e400]", "number out of range at line 1 column 6"},
        {"[-1e400]", "number out of range at line 1 column 7"},
        {"[1e99999999999]", "number out of range at line 1 column 13"},
        {"\"a\nb\"",
         "control character (\\u0000-\\u001F) found while parsing a string at line 2 column 0"},
        {"[\"a\"", "EOF while parsing a list at line 1 column 4"},
        {"{\"a\":1", "EOF while parsing an object at line 1 column 6"},
        {"{\"a\"", "EOF while parsing an object at line 1 column 4"},
        {"[1,", "EOF while parsing a value at line 1 column 3"},
        {"\"abc", "EOF while parsing a string at line 1 column 4"},
        {"\"\\x\"", "invalid escape at line 1 column 3"},
        {"\"\\u12g4\"", "invalid escape at line 1 column 6"},
        {"\"\\u12", "EOF while parsing a string at line 1 column 5"},
        {"\"\\", "EOF while parsing a string at line 1 column 2"},
        {"\"\\udc00\"", "lone leading surrogate in hex escape at line 1 column 7"},
        {"\"\\ud800\"", "unexpected end of hex escape at line 1 column 8"},
        {"\"\\ud800\\n\"", "unexpected end of hex escape at line 1 column 9"},
        {"\"\\ud800\\u0041\"", "lone leading surrogate in hex escape at line 1 column 13"},
        {"\"\xff\"", "invalid unicode code point at line 1 column 3"},
        {"\"\xe3\x81\"", "invalid unicode code point at line 1 column 4"},
        {"\"\xed\xa0\x80\"", "invalid unicode code point at line 1 column 5"},
        {"\"\xff\n",
         "control character (\\u0000-\\u001F) found while parsing a string at line 2 column 0"},
        {"\xef\xbb\xbf[]", "expected value at line 1 column 1"},
        {"[}", "expected value at line 1 column 2"},
        {"nul", "EOF while parsing a value at line 1 column 3"},
        {"nulx", "expected ident at line 1 column 4"},
        {"[tru]", "expected ident at line 1 column 5"},
        {"NaN", "expected value at line 1 column 1"},
        {"[Infinity]", "expected value at line 1 column 2"},
        {"{\"a\":}", "expected value at line 1 column 6"},
        {"[1]\r\n  ]", "trailing characters at line 2 column 3"},
    };
    for (const SyntaxCase& c : cases)
        EXPECT_EQ(error_of(c.text), c.error) << c.text;
}

TEST(JsonReader, NestingIsLimitedTo128Levels) {
    const std::string ok = std::string(128, '[') + std::string(128, ']');
    EXPECT_TRUE(parse_value(ok).ok());
    const std::string deep = std::string(129, '[') + std::string(129, ']');
    EXPECT_EQ(error_of(deep), "recursion limit exceeded at line 1 column 129");
    std::string objects;
    for (int i = 0; i < 129; ++i)
        objects += "{\"a\":";
    EXPECT_EQ(error_of(objects), "recursion limit exceeded at line 1 column 641");
}

TEST(JsonReader, ValidDocumentsOfEveryShapeAreAccepted) {
    for (const char* text :
         {"0", "-0", "1.5e-3", "1E+2", "\"\"", "true", "false", "null", " [ ] ", "{ }",
          "{\"a\":[1,{\"b\":null}],\"c\":\"\\\"\\\\\\/\\b\\f\\n\\r\\t\\u00e9\\ud83d\\ude00\"}",
          "\"\xe3\x81\x82\xf0\x9f\x98\x80\"", "[1e-400]", "[0e99999999999]", "[1e-99999999999]"}) {
        EXPECT_EQ(error_of(text), "accepted") << text;
    }
}

TEST(JsonReader, SkippedValuesAreValidatedAndCounted) {
    struct Case {
        std::string text;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {"{\"a\":[1,{\"b\":\"\\u00e9\"}]}", true},
        {"{\"a\":[tru]}", false},
        {"{\"a\":{\"b\" 1}}", false},
        {"[\"\\q\"]", false},
        {"[01]", false},
        {std::string(128, '[') + std::string(128, ']'), true},
        {std::string(129, '[') + std::string(129, ']'), false},
    };
    for (const Case& c : cases) {
        Reader in(c.text);
        EXPECT_EQ(in.skip_value() && in.finish(), c.accepted) << c.text;
    }
}

TEST(JsonReader, CapturedValueReadsAgainWithOriginalPositions) {
    const std::string text = "[\n  {\"a\": [1, 2]}, 7]";
    Reader in(text);
    bool more = false;
    ASSERT_TRUE(in.begin_array(nullptr) && in.next_element(more) && more);
    Span span;
    ASSERT_TRUE(in.capture(span));
    EXPECT_EQ(text.substr(span.begin, span.end - span.begin), "{\"a\": [1, 2]}");
    EXPECT_EQ(span.depth, 1u);

    Reader again = in.replay(span);
    Value value;
    ASSERT_TRUE(read_value(again, value) && again.finish());
    EXPECT_EQ(value, *parse_value("{\"a\":[1,2]}"));

    // An error inside the replayed value is placed in the whole text.
    Reader wrong = in.replay(span);
    ASSERT_TRUE(wrong.begin_object(nullptr));
    EXPECT_FALSE(wrong.begin_array([] { return std::string("a sequence"); }));
    EXPECT_EQ(wrong.take_error().message,
              "invalid type: string \"a\", expected a sequence at line 2 column 6");

    // The outer reader continues after the captured value.
    ASSERT_TRUE(in.next_element(more) && more);
    Number seven;
    ASSERT_TRUE(in.read_number(seven, nullptr));
    EXPECT_EQ(seven.unsigned_value, 7u);
    EXPECT_TRUE(in.next_element(more) && !more && in.end_array() && in.finish());
}

}  // namespace
}  // namespace vdz::json
