// Honors with the bonus of each of their levels, and the ids of the bonds
// honors: two optional tables kept as read, in file order.
#pragma once

#include <vector>

#include "common/types.h"

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

}  // namespace vdz
