#include "engine/area_item_levels.h"

#include <gtest/gtest.h>

#include "masterdata_fixture.h"

namespace vdz {
namespace {

TEST(AreaItemLevels, NormalisesTargets) {
    const std::optional<std::string> none;
    struct Case {
        std::optional<std::string> in, out;
    };
    const Case cases[] = {
        {none, none}, {" none ", none}, {"any", none},  {"\u3000", none},
        {"", none},   {"None", "None"}, {"ANY", "ANY"}, {" light sound\t", "light sound"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(normalize_optional_target(c.in), c.out) << c.in.value_or("<absent>");
}

TEST(AreaItemLevels, CanonicalOrderIsStable) {
    auto level = [](i32 item, i32 lv, std::optional<std::string> unit,
                    std::optional<std::string> attr, std::optional<i32> character, double rate) {
        return AreaItemLevel{item, lv, std::move(unit), std::move(attr), character, rate, 0.0};
    };
    const std::optional<std::string> no_text;
    const std::optional<i32> no_char;
    const std::vector<AreaItemLevel> rows = {
        level(1, 2, "street", no_text, no_char, 1),
        level(1, 1, "idol", no_text, no_char, 2),
        level(1, 1, "idol", "cute", no_char, 3),
        level(1, 1, no_text, no_text, 5, 4),
        level(1, 1, no_text, no_text, no_char, 5),
        level(1, 1, " none", no_text, no_char, 6),  // sorts as absent, after row 5 (file order)
        level(1, 1, "idols", no_text, no_char, 7),  // a longer text after its prefix
        level(-3, 9, no_text, no_text, no_char, 8),
        level(1, 1, no_text, no_text, 3, 9),
        level(1, 1, no_text, no_text, 3, 10),  // equal keys keep file order
    };
    const auto sorted = index_area_item_levels(rows);
    std::vector<double> order;
    for (const auto& r : sorted)
        order.push_back(r.power1_bonus_rate);
    EXPECT_EQ(order, (std::vector<double>{8, 5, 6, 9, 10, 4, 2, 3, 7, 1}));
    EXPECT_EQ(sorted[2].target_unit, no_text);
    EXPECT_EQ(sorted[6].target_unit, "idol");
}

TEST(AreaItemLevels, ReadThroughTheLoader) {
    const MasterData md = testing::loaded_with(
        "areaItemLevels.json",
        R"([{"areaItemId":2,"level":1,"targetUnit":" none ","targetGameCharacterId":null,)"
        R"("power1BonusRate":10,"power1AllMatchBonusRate":0.5,"id":77},)"
        R"([1,3,"idol",null,4,1.5,2.5]])");
    ASSERT_EQ(md.area_item_levels.size(), 2u);
    const AreaItemLevel& first = md.area_item_levels[0];
    EXPECT_EQ(first.area_item_id, 1);
    EXPECT_EQ(first.target_unit, "idol");
    EXPECT_EQ(first.target_game_character_id, 4);
    EXPECT_EQ(first.power1_all_match_bonus_rate, 2.5);
    EXPECT_EQ(md.area_item_levels[1].target_unit, std::nullopt);
    EXPECT_EQ(md.area_item_levels[1].power1_bonus_rate, 10.0);
}

TEST(AreaItemLevels, FaultyRows) {
    struct Case {
        const char* rows;
        const char* error;
    };
    const Case cases[] = {
        {"", "EOF while parsing a value at line 1 column 0"},
        {R"([[1,1,null,null,null,1]])",
         "invalid length 6, expected struct RawAreaItemLevel with 7 elements at line 1 column 23"},
        {R"([{"areaItemId":1,"power1AllMatchBonusRate":1}])",
         "missing field `level` at line 1 column 45"},
        {R"([{"areaItemId":1,"level":3.0}])",
         "invalid type: floating point `3`, expected i32 at line 1 column 28"},
        {R"([{"areaItemId":1,"level":1,"level":2}])",
         "duplicate field `level` at line 1 column 34"},
        {R"([{"areaItemId":1,"level":1,"power1BonusRate":null}])",
         "invalid type: null, expected f64 at line 1 column 49"},
        {"[5]", "invalid type: integer `5`, expected struct RawAreaItemLevel at line 1 column 2"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(testing::load_error(testing::load_with("areaItemLevels.json", c.rows)),
                  std::string("解析 areaItemLevels.json 失败: ") + c.error);
    }
}

}  // namespace
}  // namespace vdz
