// The writer: the float layout, escapes, integers, separators and sorted
// generic objects.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "json/writer.h"

namespace vdz::json {
namespace {

std::string written(double number) {
    std::string out;
    append_double(out, number);
    return out;
}

TEST(JsonWriter, DoublesTakeTheShortestFormThatReadsBack) {
    struct Case {
        double number;
        const char* text;
    };
    const std::vector<Case> cases = {
        {15.0, "15.0"},
        {0.0, "0.0"},
        {-0.0, "-0.0"},
        {1.5, "1.5"},
        {-2.25, "-2.25"},
        {1e15, "1000000000000000.0"},
        {1234567890123456.0, "1234567890123456.0"},
        {1e16, "1e16"},
        {1.5e16, "1.5e16"},
        {1.2345678901234568e17, "1.2345678901234568e17"},
        {123.456, "123.456"},
        {0.1, "0.1"},
        {0.00001, "0.00001"},
        {0.000123, "0.000123"},
        {1e-6, "1e-6"},
        {1.5e-7, "1.5e-7"},
        {0.10000000149011612, "0.10000000149011612"},
        {15.100000001490116, "15.100000001490116"},
        {5e-324, "5e-324"},
        {1.7976931348623157e308, "1.7976931348623157e308"},
        {std::nan(""), "null"},
        {std::numeric_limits<double>::infinity(), "null"},
        {-std::numeric_limits<double>::infinity(), "null"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(written(c.number), c.text) << c.text;
}

TEST(JsonWriter, WrittenDoublesReadBackBitForBit) {
    // A spread of magnitudes and digit counts, each checked through the reader.
    u64 state = 0x9E3779B97F4A7C15ULL;
    for (int i = 0; i < 20000; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        double number;
        std::memcpy(&number, &state, sizeof number);
        if (!std::isfinite(number)) continue;
        auto back = parse_value(written(number));
        ASSERT_TRUE(back.ok()) << written(number);
        const double read = *back->as_f64();
        EXPECT_EQ(std::memcmp(&read, &number, sizeof number), 0) << written(number);
        EXPECT_TRUE(back->is_double()) << written(number);
    }
}

TEST(JsonWriter, StringsEscapeOnlyWhatJsonRequires) {
    std::string out;
    append_quoted(out, std::string("q\" b\\ n\n r\r t\t b\b f\f nul") + std::string(1, '\0') +
                           "\x01\x1f\x7f/\xc3\xa9\xf0\x9f\x98\x80");
    EXPECT_EQ(out,
              "\"q\\\" b\\\\ n\\n r\\r t\\t b\\b f\\f nul\\u0000\\u0001\\u001f\x7f/"
              "\xc3\xa9\xf0\x9f\x98\x80\"");
}

TEST(JsonWriter, WritesStructuresCompactly) {
    std::string out;
    Writer w(out);
    w.begin_object();
    w.member("b", 1);
    w.member("a", -9223372036854775807LL - 1);
    w.member("u", std::numeric_limits<u64>::max());
    w.member("t", true);
    w.member("s", "x");
    w.member("none", std::optional<i32>());
    w.member("some", std::optional<double>(2.0));
    w.key("list");
    w.begin_array();
    w.begin_array();
    w.end_array();
    w.begin_object();
    w.end_object();
    w.null();
    w.value(std::string("y"));
    w.end_array();
    w.end_object();
    EXPECT_EQ(out,
              "{\"b\":1,\"a\":-9223372036854775808,\"u\":18446744073709551615,\"t\":true,"
              "\"s\":\"x\",\"none\":null,\"some\":2.0,\"list\":[[],{},null,\"y\"]}");
}

TEST(JsonWriter, GenericValuesWriteSortedKeysAndReadBackEqual) {
    Object object;
    object.insert_or_assign("zeta", Value(Array{Value(1), Value(-1), Value(1.0), Value()}));
    object.insert_or_assign("alpha", Value("\u00e9\n"));
    object.insert_or_assign("mid", Value(Object()));
    const Value value(object);
    const std::string text = to_json(value);
    EXPECT_EQ(text, "{\"alpha\":\"\u00e9\\n\",\"mid\":{},\"zeta\":[1,-1,1.0,null]}");
    EXPECT_EQ(*parse_value(text), value);
}

}  // namespace
}  // namespace vdz::json
