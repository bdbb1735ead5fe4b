// A key that takes one of several shapes: the value is captured once and
// re-read as each shape in turn, duplicate keys and positions intact. The
// fixture mirrors a card's parameters, given grouped or as rows.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "json/typed.h"

namespace vdz::json {
namespace {

struct Grouped {
    std::vector<i32> param1;
    std::vector<i32> param2;
    std::vector<i32> param3;
};
constexpr auto json_layout(Of<Grouped>) {
    return record("RawGroupedCardParameters", defaulted("param1", &Grouped::param1),
                  defaulted("param2", &Grouped::param2), defaulted("param3", &Grouped::param3));
}

struct ParameterRow {
    i32 card_level = 0;
    std::string type;
    i32 power = 0;
};
constexpr auto json_layout(Of<ParameterRow>) {
    return record("RawCardParameterRow", required("cardLevel", &ParameterRow::card_level),
                  required("cardParameterType", &ParameterRow::type),
                  required("power", &ParameterRow::power));
}

using Parameters = std::variant<Grouped, std::vector<ParameterRow>>;

bool read_parameters(Reader& in, Parameters& out) {
    return read_one_of(in, out,
                       "data did not match any variant of untagged enum RawCardParameters");
}

struct Card {
    i32 id = 0;
    Parameters parameters;
};
constexpr auto json_layout(Of<Card>) {
    return record("RawCard", required("id", &Card::id),
                  required("cardParameters", &Card::parameters).read_with(read_parameters));
}

Result<std::vector<Card>> cards_with(std::string_view parameters) {
    return read_rows<Card>("[{\"id\":1,\"cardParameters\":" + std::string(parameters) + "}]");
}

TEST(JsonShapes, EachShapeIsTriedOnTheCapturedValue) {
    struct Case {
        const char* parameters;
        bool grouped;
        usize levels;  // first list's length, or number of rows
    };
    const std::vector<Case> cases = {
        {"{\"param1\":[1,2],\"param3\":[5],\"other\":{}}", true, 2},
        {"[[1,2],[3]]", true, 2},
        {"[]", true, 0},
        {"[{\"cardLevel\":1,\"cardParameterType\":\"param1\",\"power\":5}]", false, 1},
        {"[[1,\"param1\",5],[2,\"param2\",6]]", false, 2},
    };
    for (const Case& c : cases) {
        auto cards = cards_with(c.parameters);
        ASSERT_TRUE(cards.ok()) << c.parameters << ": " << cards.error().message;
        const Parameters& parameters = cards->front().parameters;
        ASSERT_EQ(std::holds_alternative<Grouped>(parameters), c.grouped) << c.parameters;
        const usize levels = c.grouped ? std::get<Grouped>(parameters).param1.size()
                                       : std::get<1>(parameters).size();
        EXPECT_EQ(levels, c.levels) << c.parameters;
    }
}

TEST(JsonShapes, AValueOfNoShapeFailsWithOneMessage) {
    const std::string no_match =
        "data did not match any variant of untagged enum RawCardParameters";
    for (const char* parameters :
         {"null", "5", "\"x\"", "{\"param1\":[1],\"param1\":[2]}", "{\"param1\":null}",
          "[[1],[2],[3],[4]]", "[{\"cardLevel\":1,\"cardParameterType\":\"param1\",\"power\":1.5}]",
          "[{\"cardLevel\":1,\"cardParameterType\":\"param1\",\"power\":1,\"power\":2}]"}) {
        auto cards = cards_with(parameters);
        ASSERT_FALSE(cards.ok()) << parameters;
        EXPECT_EQ(cards.error().message.rfind(no_match, 0), 0u) << cards.error().message;
    }

    // Placed where the card's object stops reading: past its closing brace
    // when the value ends the object, else after the white space that follows.
    EXPECT_EQ(read_rows<Card>("[{\"id\":1,\"cardParameters\":null}]").error().message,
              no_match + " at line 1 column 31");
    EXPECT_EQ(read_rows<Card>("[{\"cardParameters\":null , \"id\":1}]").error().message,
              no_match + " at line 1 column 24");
    EXPECT_EQ(read_rows<Card>("[[1, null], [2]]").error().message,
              no_match + " at line 1 column 10");
}

TEST(JsonShapes, SyntaxErrorsInsideTheValueAreReportedAsThemselves) {
    EXPECT_EQ(cards_with("[1,}").error().message, "expected value at line 1 column 30");
    EXPECT_EQ(cards_with("[1e999]").error().message, "number out of range at line 1 column 32");
    EXPECT_EQ(cards_with("[\"\\ud800\"]").error().message,
              "unexpected end of hex escape at line 1 column 35");
    // A row after a good card is still read.
    auto cards = read_rows<Card>(
        "[{\"id\":1,\"cardParameters\":[]},{\"id\":2,\"cardParameters\":{\"param2\":[3]}}]");
    ASSERT_TRUE(cards.ok());
    EXPECT_EQ(std::get<Grouped>((*cards)[1].parameters).param2, std::vector<i32>{3});
}

}  // namespace
}  // namespace vdz::json
