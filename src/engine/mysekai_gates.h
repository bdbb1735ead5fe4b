// Mysekai gates and the power bonus rate of each gate level: two optional
// tables kept exactly as read, in file order.
#pragma once

#include <string>
#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "engine/raw_tables.h"

namespace vdz {

// Row of "mysekaiGates.json", kept in MasterData as read (unit not trimmed).
struct MysekaiGate {
    i32 id = 0;
    std::string unit;
};

// Row of "mysekaiGateLevels.json", kept in MasterData as read.
struct RawMysekaiGateLevel {
    i32 mysekai_gate_id = 0;
    i32 level = 0;
    double power_bonus_rate = 0.0;
};

// Readers of "mysekaiGates.json" and "mysekaiGateLevels.json" (both
// optional), rows in file order.
Result<std::vector<MysekaiGate>> read_mysekai_gates(const RawTables& tables);
Result<std::vector<RawMysekaiGateLevel>> read_mysekai_gate_levels(const RawTables& tables);

}  // namespace vdz
