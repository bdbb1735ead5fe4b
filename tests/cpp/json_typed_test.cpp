// Typed reading into records: the golden error texts and positions, object
// and array rows, defaults and nulls, integer widths and nested records.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "json/typed.h"

namespace vdz::json {
namespace {

struct Row {
    i32 id = 0;
    i32 character_id = 0;
    i32 bonus = 0;
    std::optional<std::string> name;
    double rate = 0;
};
constexpr auto json_layout(Of<Row>) {
    return record("Row", required("id", &Row::id), required("characterId", &Row::character_id),
                  defaulted("bonus", &Row::bonus), nullable("name", &Row::name),
                  required("rate", &Row::rate));
}

struct Level {
    i32 level = 0;
    i32 bonus = 7;
};
constexpr auto json_layout(Of<Level>) {
    return record("Level", required("level", &Level::level), defaulted("bonus", &Level::bonus));
}

struct Nested {
    i32 id = 0;
    std::vector<Level> levels;
    std::optional<Level> best;
    std::array<double, 3> weights{};
};
constexpr auto json_layout(Of<Nested>) {
    return record("Nested", required("id", &Nested::id), defaulted("levels", &Nested::levels),
                  defaulted("best", &Nested::best), defaulted("weights", &Nested::weights));
}

struct Single {
    std::vector<i32> ids;
};
constexpr auto json_layout(Of<Single>) {
    return record("Single", required("ids", &Single::ids));
}

struct Widths {
    u32 u = 0;
    i64 i = 0;
    u64 w = 0;
    bool flag = false;
};
constexpr auto json_layout(Of<Widths>) {
    return record("Widths", defaulted("u", &Widths::u), defaulted("i", &Widths::i),
                  defaulted("w", &Widths::w), defaulted("flag", &Widths::flag));
}

template <class T>
std::string rows_error(std::string_view text) {
    auto rows = read_rows<T>(text);
    return rows.ok() ? "accepted" : rows.error().message;
}

struct Case {
    std::string text;
    std::string error;
};

TEST(JsonTyped, GoldenErrorsOfRowTables) {
    const std::vector<Case> cases = {
        {"", "EOF while parsing a value at line 1 column 0"},
        {"{}", "invalid type: map, expected a sequence at line 1 column 0"},
        {"[] x", "trailing characters at line 1 column 4"},
        {"[{\"id\":1}]", "missing field `characterId` at line 1 column 9"},
        {"[{\"id\":1,\"id\":2}]", "duplicate field `id` at line 1 column 13"},
        {"[{\"id\":1.5}]", "invalid type: floating point `1.5`, expected i32 at line 1 column 10"},
        {"[{\"id\":1e0}]", "invalid type: floating point `1`, expected i32 at line 1 column 10"},
        {"[{\"id\":2147483648}]",
         "invalid value: integer `2147483648`, expected i32 at line 1 column 17"},
        {"[{\"id\":-2147483649}]",
         "invalid value: integer `-2147483649`, expected i32 at line 1 column 18"},
        {"[{\"id\":\"x\"}]", "invalid type: string \"x\", expected i32 at line 1 column 10"},
        {"[{\"id\":null}]", "invalid type: null, expected i32 at line 1 column 11"},
        {"[{\"id\":true}]", "invalid type: boolean `true`, expected i32 at line 1 column 11"},
        {"[{\"id\":[1]}]", "invalid type: sequence, expected i32 at line 1 column 7"},
        {"[{\"id\":{}}]", "invalid type: map, expected i32 at line 1 column 7"},
        {"[[1,2]]", "invalid length 3, expected struct Row with 5 elements at line 1 column 6"},
        {"[[1,2,3,null,1.5,9]]", "trailing characters at line 1 column 18"},
        {"[[1,2,3,null,1.5,]]", "trailing comma at line 1 column 18"},
        {"[5]", "invalid type: integer `5`, expected struct Row at line 1 column 2"},
        {"[\"r\"]", "invalid type: string \"r\", expected struct Row at line 1 column 4"},
        {"[null]", "invalid type: null, expected struct Row at line 1 column 5"},
        {"\xef\xbb\xbf[]", "expected value at line 1 column 1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rows_error<Row>(c.text), c.error) << c.text;
}

TEST(JsonTyped, ObjectRowsFollowTheKeyRules) {
    const std::vector<Case> cases = {
        // A type error early in the text wins over a later syntax error.
        {"[{\"id\":\"x\"}, tru", "invalid type: string \"x\", expected i32 at line 1 column 10"},
        // ... and over a missing key.
        {"[{\"rate\":\"x\"}]", "invalid type: string \"x\", expected f64 at line 1 column 12"},
        // Missing keys are reported at the closing brace, first in declared order.
        {"[{\"rate\":1,\n \"id\":1\n}]", "missing field `characterId` at line 3 column 1"},
        // Duplicates are found at the second key, unknown keys included,
        // after unescaping, and before the value is read.
        {"[{\"x\":1,\"id\":1,\"x\":tru}]", "duplicate field `x` at line 1 column 18"},
        {"[{\"\\u0078\":1,\"x\":2}]", "duplicate field `x` at line 1 column 16"},
        {"[{\"id\":1,\"\\u0069d\":2}]", "duplicate field `id` at line 1 column 18"},
        {"[{\"id\":1,\"id\" :2}]", "duplicate field `id` at line 1 column 14"},
        // Unknown keys are skipped but validated.
        {"[{\"id\":1,\"characterId\":2,\"rate\":0,\"x\":[1,{\"y\" 2}]}]",
         "expected `:` at line 1 column 47"},
        // Null is a value: only nullable keys take it.
        {"[{\"id\":1,\"characterId\":2,\"rate\":0,\"bonus\":null}]",
         "invalid type: null, expected i32 at line 1 column 46"},
        {"[{\"id\":1,\"characterId\":2,\"rate\":null}]",
         "invalid type: null, expected f64 at line 1 column 36"},
        {"[{\"id\":1,\"characterId\":2,\"rate\":0,\"name\":5}]",
         "invalid type: integer `5`, expected a string at line 1 column 42"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rows_error<Row>(c.text), c.error) << c.text;

    auto rows = read_rows<Row>(
        "[{\"rate\":2.5,\"\\u0069d\":1,\"characterId\":-2,\"name\":null,\"other\":[{}]},"
        " {\"id\":3,\"characterId\":4,\"rate\":18446744073709551616,\"bonus\":5,\"name\":\"n\"}]");
    ASSERT_TRUE(rows.ok()) << rows.error().message;
    ASSERT_EQ(rows->size(), 2u);
    EXPECT_EQ((*rows)[0].id, 1);
    EXPECT_EQ((*rows)[0].character_id, -2);
    EXPECT_EQ((*rows)[0].bonus, 0);
    EXPECT_EQ((*rows)[0].name, std::nullopt);
    EXPECT_EQ((*rows)[0].rate, 2.5);
    EXPECT_EQ((*rows)[1].bonus, 5);
    EXPECT_EQ((*rows)[1].name, "n");
    EXPECT_EQ((*rows)[1].rate, 18446744073709551616.0);
}

// Rows with many unknown keys: the duplicate test stays exact once it
// switches from scanning to hashing, per object and across nesting.
TEST(JsonTyped, ManyUnknownKeysKeepTheDuplicateRule) {
    const auto row_with = [](int unknown, const std::string& tail) {
        std::string text = "[{\"id\":1,\"characterId\":2,\"rate\":0";
        for (int i = 0; i < unknown; ++i)
            text += ",\"k" + std::to_string(i) + "\":" + std::to_string(i);
        return text + tail + "}]";
    };
    // 10^5 distinct unknown keys read; one repeated (escaped) at the end fails.
    EXPECT_TRUE(read_rows<Row>(row_with(100000, "")).ok());
    const std::string repeated = row_with(100000, ",\"\\u006b7\":0");
    EXPECT_EQ(rows_error<Row>(repeated),
              "duplicate field `k7` at line 1 column " + std::to_string(repeated.size() - 4));
    // An escaped key noted early is found by the index built later.
    const std::string escaped = "[{\"id\":1,\"characterId\":2,\"rate\":0,\"\\u0078\":0" +
                                row_with(40, ",\"x\":1").substr(33);
    EXPECT_EQ(rows_error<Row>(escaped).substr(0, 19), "duplicate field `x`");
    // Nested rows keep their own keys: the same unknown key in each of many
    // levels and in the outer row is no duplicate.
    std::string nested = "[{\"id\":1";
    for (int i = 0; i < 30; ++i)
        nested += ",\"u" + std::to_string(i) + "\":0";
    nested += ",\"levels\":[";
    for (int l = 0; l < 3; ++l) {
        nested += l ? ",{\"level\":1" : "{\"level\":1";
        for (int i = 0; i < 30; ++i)
            nested += ",\"u" + std::to_string(i) + "\":0";
        nested += "}";
    }
    nested += "]";
    for (int i = 30; i < 40; ++i)
        nested += ",\"u" + std::to_string(i) + "\":0";
    EXPECT_TRUE(read_rows<Nested>(nested + "}]").ok());
    EXPECT_EQ(rows_error<Nested>(nested + ",\"u3\":0}]").substr(0, 20), "duplicate field `u3`");
}

TEST(JsonTyped, ArrayRowsGiveValuesInDeclaredOrder) {
    auto rows = read_rows<Row>("[[1,2,3,\"a\",4], [5,6,7,null,8.5]]");
    ASSERT_TRUE(rows.ok()) << rows.error().message;
    EXPECT_EQ((*rows)[0].bonus, 3);
    EXPECT_EQ((*rows)[0].name, "a");
    EXPECT_EQ((*rows)[1].name, std::nullopt);
    EXPECT_EQ((*rows)[1].rate, 8.5);

    // Keys with defaults may be cut off at the end; the others may not.
    auto levels = read_rows<Level>("[[1], [2, 3]]");
    ASSERT_TRUE(levels.ok());
    EXPECT_EQ((*levels)[0].bonus, 7);
    EXPECT_EQ((*levels)[1].bonus, 3);
    const std::vector<Case> cases = {
        {"[[]]", "invalid length 0, expected struct Level with 2 elements at line 1 column 3"},
        {"[[1,2,3]]", "trailing characters at line 1 column 7"},
        {"[[1, 2 ,]]", "trailing comma at line 1 column 9"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rows_error<Level>(c.text), c.error) << c.text;
    EXPECT_EQ(rows_error<Single>("[[]]"),
              "invalid length 0, expected struct Single with 1 element at line 1 column 3");
}

TEST(JsonTyped, NestedRecordsAndContainers) {
    auto rows = read_rows<Nested>(
        "[{\"id\":1,\"levels\":[{\"level\":2},[3,4]],\"best\":null,\"weights\":[1,2.5,-3]},"
        " [2, [], {\"level\":9}], [3]]");
    ASSERT_TRUE(rows.ok()) << rows.error().message;
    ASSERT_EQ(rows->size(), 3u);
    ASSERT_EQ((*rows)[0].levels.size(), 2u);
    EXPECT_EQ((*rows)[0].levels[0].bonus, 7);
    EXPECT_EQ((*rows)[0].levels[1].bonus, 4);
    EXPECT_EQ((*rows)[0].best, std::nullopt);
    EXPECT_EQ((*rows)[0].weights, (std::array<double, 3>{1, 2.5, -3}));
    EXPECT_EQ((*rows)[1].best->level, 9);

    const std::vector<Case> cases = {
        {"[{\"id\":1,\"levels\":null}]",
         "invalid type: null, expected a sequence at line 1 column 22"},
        {"[{\"id\":1,\"levels\":[{\"bonus\":1}]}]", "missing field `level` at line 1 column 30"},
        {"[{\"id\":1,\"levels\":[5]}]",
         "invalid type: integer `5`, expected struct Level at line 1 column 20"},
        {"[{\"id\":1,\"weights\":[1,2]}]",
         "invalid length 2, expected an array of length 3 at line 1 column 24"},
        {"[{\"id\":1,\"weights\":[1,2,3,4]}]", "trailing characters at line 1 column 27"},
        {"[{\"id\":1,\"weights\":{}}]",
         "invalid type: map, expected an array of length 3 at line 1 column 19"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rows_error<Nested>(c.text), c.error) << c.text;
}

TEST(JsonTyped, IntegerWidthsAndBooleans) {
    auto rows = read_rows<Widths>(
        "[{\"u\":4294967295,\"i\":-9223372036854775808,\"w\":18446744073709551615,\"flag\":true},"
        " {\"i\":-0,\"u\":-0}]");
    ASSERT_TRUE(rows.ok()) << rows.error().message;
    EXPECT_EQ((*rows)[0].u, 4294967295u);
    EXPECT_EQ((*rows)[0].i, INT64_MIN);
    EXPECT_EQ((*rows)[0].w, UINT64_MAX);
    EXPECT_TRUE((*rows)[0].flag);
    EXPECT_EQ((*rows)[1].i, 0);

    const std::vector<Case> cases = {
        {"[{\"u\":4294967296}]",
         "invalid value: integer `4294967296`, expected u32 at line 1 column 16"},
        {"[{\"u\":-1}]", "invalid value: integer `-1`, expected u32 at line 1 column 8"},
        {"[{\"i\":9223372036854775808}]",
         "invalid value: integer `9223372036854775808`, expected i64 at line 1 column 25"},
        {"[{\"w\":-1}]", "invalid value: integer `-1`, expected u64 at line 1 column 8"},
        {"[{\"w\":18446744073709551616}]",
         "invalid type: floating point `18446744073709552000`, expected u64 at line 1 column 26"},
        {"[{\"flag\":1}]", "invalid type: integer `1`, expected a boolean at line 1 column 10"},
        {"[{\"flag\":\"a\\nb\"}]",
         "invalid type: string \"a\\nb\", expected a boolean at line 1 column 15"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rows_error<Widths>(c.text), c.error) << c.text;
}

TEST(JsonTyped, NestingLimitCountsInsideSkippedValues) {
    // Depth 1 is the table, 2 the row; the unknown key's value adds the rest.
    const auto row_with = [](int levels) {
        return "[{\"id\":1,\"characterId\":2,\"rate\":0,\"x\":" + std::string(levels, '[') +
               std::string(levels, ']') + "}]";
    };
    EXPECT_EQ(rows_error<Row>(row_with(126)), "accepted");
    EXPECT_EQ(rows_error<Row>(row_with(127)), "recursion limit exceeded at line 1 column 165");
}

TEST(JsonTyped, SingleDocuments) {
    auto level = read_document<Level>(" {\"level\": 3} ");
    ASSERT_TRUE(level.ok());
    EXPECT_EQ(level->level, 3);
    EXPECT_EQ(read_document<Level>("{\"level\": 3} {").error().message,
              "trailing characters at line 1 column 14");
    auto value = read_document<Value>("[1,\"a\"]");
    ASSERT_TRUE(value.ok());
    EXPECT_EQ(*value, *parse_value("[1,\"a\"]"));
}

}  // namespace
}  // namespace vdz::json
