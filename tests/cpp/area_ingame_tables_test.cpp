#include "engine/area_ingame_tables.h"

#include <gtest/gtest.h>

namespace vdz {
namespace {

std::string load_error(const RawTables& tables) {
    const auto result = load_area_and_ingame_tables(tables);
    return result.ok() ? "ok" : result.error().message;
}

TEST(AreaIngameTables, AbsentTablesAreEmptyAndDefaultsFillRows) {
    const auto none = load_area_and_ingame_tables({{"Areas.json", "x"}, {"areas", "x"}});
    ASSERT_TRUE(none.ok()) << none.error().message;
    EXPECT_TRUE(none->areas.empty());
    EXPECT_TRUE(none->ingame_combos.empty());

    const RawTables tables = {
        {"areas.json", R"([{"id":1},[5,"spirit_world","normal"]])"},
        {"areaItems.json", R"([{"id":2,"areaId":1},[3,1]])"},
        {"shopItems.json", R"([{"id":4},{"id":5,"costs":[{},{"cost":{"resourceId":9,)"
                           R"("resourceType":"coin","quantity":100}},[[1,"seed"]]]}])"},
        {"ingameNotes.json", R"([{"id":1,"scoreCoefficient":2}])"},
        {"ingameCombos.json", R"([{},[1,10,0.01]])"},
    };
    const auto read = load_area_and_ingame_tables(tables);
    ASSERT_TRUE(read.ok()) << read.error().message;
    ASSERT_EQ(read->areas.size(), 2u);
    EXPECT_EQ(read->areas[0].area_type, "");
    EXPECT_EQ(read->areas[0].view_type, "");
    EXPECT_EQ(read->areas[1].id, 5);
    EXPECT_EQ(read->areas[1].view_type, "normal");
    EXPECT_EQ(read->area_items[1].area_id, 1);
    ASSERT_EQ(read->shop_items.size(), 2u);
    EXPECT_TRUE(read->shop_items[0].costs.empty());
    const auto& costs = read->shop_items[1].costs;
    ASSERT_EQ(costs.size(), 3u);
    EXPECT_EQ(costs[0].cost.resource_id, 0);
    EXPECT_EQ(costs[0].cost.resource_type, "");
    EXPECT_EQ(costs[1].cost.resource_type, "coin");
    EXPECT_EQ(costs[1].cost.quantity, 100);
    EXPECT_EQ(costs[2].cost.resource_type, "seed");
    EXPECT_EQ(costs[2].cost.quantity, 0);
    EXPECT_EQ(read->ingame_notes[0].score_coefficient, 2.0);
    EXPECT_EQ(read->ingame_combos[0].to_count, 0);
    EXPECT_EQ(read->ingame_combos[1].score_coefficient, 0.01);
}

TEST(AreaIngameTables, TheFirstUnreadableTableFailsInEnglish) {
    struct Case {
        RawTables tables;
        const char* error;
    };
    const std::vector<Case> cases = {
        {{{"areas.json", R"([{"id":1,"areaType":null}])"}},
         "failed to parse areas.json: invalid type: null, expected a string at line 1 column 24"},
        {{{"areas.json", "[[]]"}},
         "failed to parse areas.json: invalid length 0, expected struct Area with 3 elements at "
         "line 1 column 3"},
        {{{"areas.json", "[]"}, {"shopItems.json", "{}"}},
         "failed to parse shopItems.json: invalid type: map, expected a sequence at line 1 column "
         "0"},
        {{{"shopItems.json", R"([{"id":1,"costs":null}])"}},
         "failed to parse shopItems.json: invalid type: null, expected a sequence at line 1 column "
         "21"},
        {{{"ingameNotes.json", R"([{"id":1}])"}, {"ingameCombos.json", ""}},
         "failed to parse ingameNotes.json: missing field `scoreCoefficient` at line 1 column 9"},
        {{{"areaItems.json", R"([{"id":2147483648,"areaId":1}])"}},
         "failed to parse areaItems.json: invalid value: integer `2147483648`, expected i32 at "
         "line 1 column 17"},
        {{{"areaItems.json", R"([{"id":1.0,"areaId":1}])"}},
         "failed to parse areaItems.json: invalid type: floating point `1`, expected i32 at line 1 "
         "column 10"},
        {{{"ingameCombos.json", "  "}},
         "failed to parse ingameCombos.json: EOF while parsing a value at line 1 column 2"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(load_error(c.tables), c.error);
}

}  // namespace
}  // namespace vdz
