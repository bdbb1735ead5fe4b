// The subsets of each distinct unit mask, marked in a table of the 63
// possible sets: a card has few units, so this stays small.
#include "search/kernels/unit_sets.h"

#include <array>

namespace vdz {

std::vector<u32> shared_unit_sets(const CardPool& pool) {
    std::array<u8, 64> mask_seen{};
    for (u16 i = 0; i < pool.count(); ++i)
        mask_seen[pool.unit_mask(i) & 0x3Fu] = 1;
    std::array<u8, 64> set_seen{};
    for (u32 mask = 1; mask < 64; ++mask) {
        if (!mask_seen[mask]) continue;
        for (u32 sub = mask; sub != 0; sub = (sub - 1) & mask)
            set_seen[sub] = 1;
    }
    std::vector<u32> sets;
    for (u32 set = 1; set < 64; ++set)
        if (set_seen[set]) sets.push_back(set);
    return sets;
}

}  // namespace vdz
