// Generic values: integer rules, exact floats, objects and deep equality.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "json/reader.h"
#include "json/value.h"

namespace vdz::json {
namespace {

Value parsed(std::string_view text) {
    auto result = parse_value(text);
    EXPECT_TRUE(result.ok()) << text << ": " << (result.ok() ? "" : result.error().message);
    return result.ok() ? std::move(result).value() : Value();
}

TEST(JsonValue, NumbersKeepTheirLexicalKind) {
    struct Case {
        const char* text;
        Value expected;
        Value::Kind kind;
    };
    const std::vector<Case> cases = {
        {"0", Value(0), Value::Kind::Unsigned},
        {"-0", Value(0), Value::Kind::Unsigned},
        {"-1", Value(-1), Value::Kind::Signed},
        {"18446744073709551615", Value(std::numeric_limits<u64>::max()), Value::Kind::Unsigned},
        {"-9223372036854775808", Value(std::numeric_limits<i64>::min()), Value::Kind::Signed},
        {"18446744073709551616", Value(18446744073709551616.0), Value::Kind::Double},
        {"-9223372036854775809", Value(-9223372036854775809.0), Value::Kind::Double},
        {"123456789012345678901234567890", Value(1.2345678901234568e29), Value::Kind::Double},
        {"1.0", Value(1.0), Value::Kind::Double},
        {"1e2", Value(100.0), Value::Kind::Double},
        {"-0.0", Value(-0.0), Value::Kind::Double},
        {"0.1", Value(0.1), Value::Kind::Double},
        {"2.2250738585072011e-308", Value(2.2250738585072011e-308), Value::Kind::Double},
        {"9007199254740993.0", Value(9007199254740992.0), Value::Kind::Double},
        {"1.7976931348623157e308", Value(1.7976931348623157e308), Value::Kind::Double},
        {"5e-324", Value(5e-324), Value::Kind::Double},
        {"1e-400", Value(0.0), Value::Kind::Double},
    };
    for (const Case& c : cases) {
        const Value value = parsed(c.text);
        EXPECT_EQ(value, c.expected) << c.text;
        EXPECT_EQ(value.kind(), c.kind) << c.text;
    }
    EXPECT_TRUE(std::signbit(*parsed("-0.0").as_f64()));
    EXPECT_TRUE(std::signbit(*parsed("-1e-400").as_f64()));
}

TEST(JsonValue, IntegerAccessorsRespectRanges) {
    EXPECT_EQ(parsed("9223372036854775807").as_i64(), std::numeric_limits<i64>::max());
    EXPECT_EQ(parsed("9223372036854775808").as_i64(), std::nullopt);
    EXPECT_EQ(parsed("9223372036854775808").as_u64(), 9223372036854775808ULL);
    EXPECT_EQ(parsed("-1").as_u64(), std::nullopt);
    EXPECT_EQ(parsed("5.0").as_i64(), std::nullopt);
    EXPECT_EQ(parsed("5").as_f64(), 5.0);
    EXPECT_EQ(parsed("\"5\"").as_f64(), std::nullopt);
    EXPECT_EQ(parsed("true").as_bool(), true);
    EXPECT_EQ(parsed("1").as_bool(), std::nullopt);
}

TEST(JsonValue, EqualityIsDeepAndKindSensitive) {
    EXPECT_NE(parsed("1"), parsed("1.0"));
    EXPECT_NE(parsed("0"), parsed("false"));
    EXPECT_NE(parsed("null"), parsed("[]"));
    EXPECT_NE(parsed("[]"), parsed("{}"));
    EXPECT_EQ(Value(i64{7}), Value(u64{7}));
    EXPECT_EQ(Value(7), parsed("7"));
    EXPECT_EQ(parsed("{\"a\":[1,{\"b\":\"x\"}]}"),
              parsed(" { \"a\" : [ 1 , { \"b\" : \"x\" } ] } "));
    EXPECT_NE(parsed("{\"a\":[1,{\"b\":\"x\"}]}"), parsed("{\"a\":[1,{\"b\":\"y\"}]}"));
    EXPECT_NE(parsed("{\"a\":1}"), parsed("{\"a\":1,\"b\":1}"));
}

TEST(JsonValue, ObjectsAreSortedAndKeepTheLastRepeatedKey) {
    const Value value = parsed("{\"b\":1,\"a\":2,\"b\":3,\"\\u0061\":4,\"c\":5}");
    const Object& object = *value.as_object();
    std::vector<std::string> keys;
    for (const Member& member : object)
        keys.push_back(member.key);
    EXPECT_EQ(keys, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(value.find_i64("a"), 4);
    EXPECT_EQ(value.find_i64("b"), 3);
    EXPECT_EQ(value.find("d"), nullptr);
    EXPECT_EQ(parsed("[1]").find("a"), nullptr);

    Object built;
    built.insert_or_assign("z", Value(1));
    built.insert_or_assign("a", Value(2));
    built.insert_or_assign("z", Value(3));
    EXPECT_EQ(Value(built), parsed("{\"a\":2,\"z\":3}"));
}

TEST(JsonValue, StringsAreUnescaped) {
    EXPECT_EQ(*parsed(R"("a\"b\\c\/d\b\f\n\r\t")").as_string(), "a\"b\\c/d\b\f\n\r\t");
    EXPECT_EQ(*parsed(R"("\u00e9\u3042\ud83d\ude00\u0000")").as_string(),
              std::string("\xc3\xa9\xe3\x81\x82\xf0\x9f\x98\x80", 9) + std::string(1, '\0'));
    EXPECT_EQ(*parsed("\"\xe3\x81\x82 raw\"").as_string(), "\xe3\x81\x82 raw");
}

TEST(JsonValue, ErrorsMadeFromAMessageAloneCarryNoPosition) {
    Reader in("[1]");
    EXPECT_FALSE(in.fail_unplaced("custom failure"));
    EXPECT_EQ(in.take_error().message, "custom failure");
}

}  // namespace
}  // namespace vdz::json
