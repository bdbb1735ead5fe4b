// Honors with the bonus of each of their levels, and the ids of the bonds
// honors: two optional tables kept as read, in file order.
#pragma once

#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "engine/raw_tables.h"

namespace vdz {

// One level of an honor, keys in declared order.
struct RawHonorLevel {
    i32 level = 0;
    i32 bonus = 0;
};

// Row of "honors.json", kept in MasterData as read.
struct Honor {
    i32 id = 0;
    std::vector<RawHonorLevel> levels;
};

// Row of "bondsHonors.json"; MasterData keeps only the ids.
struct RawIdOnly {
    i32 id = 0;
};

// Readers of "honors.json" and "bondsHonors.json" (both optional), rows in
// file order; the bonds honors are kept as their ids.
Result<std::vector<Honor>> read_honors(const RawTables& tables);
Result<std::vector<i32>> read_bonds_honors(const RawTables& tables);

}  // namespace vdz
