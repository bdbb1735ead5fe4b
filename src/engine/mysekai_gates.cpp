// Readers of the two mysekai gate tables.
#include "engine/mysekai_gates.h"

#include "engine/table_reading.h"
#include "json/typed.h"

namespace vdz {

constexpr auto json_layout(json::Of<MysekaiGate>) {
    return json::record("RawMysekaiGate", json::required("id", &MysekaiGate::id),
                        json::required("unit", &MysekaiGate::unit));
}

constexpr auto json_layout(json::Of<RawMysekaiGateLevel>) {
    using R = RawMysekaiGateLevel;
    return json::record("RawMysekaiGateLevel", json::required("mysekaiGateId", &R::mysekai_gate_id),
                        json::required("level", &R::level),
                        json::required("powerBonusRate", &R::power_bonus_rate));
}

Result<std::vector<MysekaiGate>> read_mysekai_gates(const RawTables& tables) {
    return read_table<MysekaiGate>(tables, "mysekaiGates.json", TableRule::Optional);
}

Result<std::vector<RawMysekaiGateLevel>> read_mysekai_gate_levels(const RawTables& tables) {
    return read_table<RawMysekaiGateLevel>(tables, "mysekaiGateLevels.json", TableRule::Optional);
}

}  // namespace vdz
