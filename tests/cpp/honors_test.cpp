#include "engine/honors.h"

#include <gtest/gtest.h>

#include "masterdata_fixture.h"

namespace vdz {
namespace {

TEST(Honors, LevelsAndBondsHonorsAreKeptAsRead) {
    RawTables tables = testing::required_tables();
    tables["honors.json"] =
        R"([{"id":1,"levels":[{"level":1,"bonus":10},{"level":2},[3],[4,40]]},{"id":1},[2],[3,[]]])";
    tables["bondsHonors.json"] = R"([{"id":7,"gameCharacterUnitId1":1},[8],{"id":7}])";
    const auto md = load_masterdata(MasterDataSource{"[]", tables});
    ASSERT_TRUE(md.ok()) << md.error().message;
    ASSERT_EQ(md->honors.size(), 4u);
    const auto& levels = md->honors[0].levels;
    ASSERT_EQ(levels.size(), 4u);
    EXPECT_EQ(levels[0].bonus, 10);
    EXPECT_EQ(levels[1].bonus, 0);
    EXPECT_EQ(levels[2].level, 3);
    EXPECT_EQ(levels[2].bonus, 0);
    EXPECT_EQ(levels[3].bonus, 40);
    EXPECT_EQ(md->honors[1].id, 1);
    EXPECT_TRUE(md->honors[1].levels.empty());
    EXPECT_EQ(md->honors[2].id, 2);
    EXPECT_EQ(md->bonds_honors, (std::vector<i32>{7, 8, 7}));
}

TEST(Honors, FaultyRows) {
    const testing::FaultyTable cases[] = {
        {"honors.json", R"([{"id":1,"levels":null}])",
         "invalid type: null, expected a sequence at line 1 column 22"},
        {"honors.json", R"([{"id":1,"levels":[{"level":1,"bonus":null}]}])",
         "invalid type: null, expected i32 at line 1 column 42"},
        {"honors.json", R"([{"id":1,"levels":[{"level":1,"bonus":1.5}]}])",
         "invalid type: floating point `1.5`, expected i32 at line 1 column 41"},
        {"honors.json", "[[]]",
         "invalid length 0, expected struct RawHonor with 2 elements at line 1 column 3"},
        {"honors.json", R"([{"id":1,"levels":[[]]}])",
         "invalid length 0, expected struct RawHonorLevel with 2 elements at line 1 column 21"},
        {"bondsHonors.json", "[[]]",
         "invalid length 0, expected struct RawIdOnly with 1 element at line 1 column 3"},
        {"bondsHonors.json", "[[1,2]]", "trailing characters at line 1 column 5"},
        {"bondsHonors.json", "", "EOF while parsing a value at line 1 column 0"},
    };
    testing::expect_parse_errors(cases);
}

}  // namespace
}  // namespace vdz
