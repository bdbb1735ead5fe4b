#include "engine/mysekai_gates.h"

#include <gtest/gtest.h>

#include "masterdata_fixture.h"

namespace vdz {
namespace {

TEST(MysekaiGates, GatesAndLevelsAreKeptAsRead) {
    RawTables tables = testing::required_tables();
    tables["mysekaiGates.json"] = R"([{"id":1,"unit":" idol "},[1,""]])";
    tables["mysekaiGateLevels.json"] =
        R"([{"mysekaiGateId":9,"level":2,"powerBonusRate":5},[1,1,0.5]])";
    const auto md = load_masterdata(MasterDataSource{"[]", tables});
    ASSERT_TRUE(md.ok()) << md.error().message;
    ASSERT_EQ(md->mysekai_gates.size(), 2u);
    EXPECT_EQ(md->mysekai_gates[0].unit, " idol ");
    EXPECT_EQ(md->mysekai_gates[1].id, 1);
    EXPECT_EQ(md->mysekai_gates[1].unit, "");
    ASSERT_EQ(md->mysekai_gate_levels.size(), 2u);
    EXPECT_EQ(md->mysekai_gate_levels[0].mysekai_gate_id, 9);
    EXPECT_EQ(md->mysekai_gate_levels[0].power_bonus_rate, 5.0);
    EXPECT_EQ(md->mysekai_gate_levels[1].power_bonus_rate, 0.5);
}

TEST(MysekaiGates, PresentTablesMustBeValid) {
    const testing::FaultyTable cases[] = {
        {"mysekaiGates.json", "  ", "EOF while parsing a value at line 1 column 2"},
        {"mysekaiGates.json", "[[1]]",
         "invalid length 1, expected struct RawMysekaiGate with 2 elements at line 1 column 4"},
        {"mysekaiGateLevels.json", R"([{"mysekaiGateId":1,"level":2.5}])",
         "invalid type: floating point `2.5`, expected i32 at line 1 column 31"},
        {"mysekaiGateLevels.json", R"([{"mysekaiGateId":1,"level":2,"powerBonusRate":null}])",
         "invalid type: null, expected f64 at line 1 column 51"},
    };
    testing::expect_parse_errors(cases);
}

}  // namespace
}  // namespace vdz
