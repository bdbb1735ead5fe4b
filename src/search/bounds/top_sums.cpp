// Built backwards along the list with the five best entries so far: an entry
// is a character's best value (or one card's value where characters may
// repeat). A character's best only improves as the walk goes on, so an entry
// that falls out of the five never comes back.
#include "search/bounds/top_sums.h"

#include <algorithm>
#include <optional>

namespace vdz {

TopSums::TopSums(const CardPool& pool, std::span<const u16> list, std::span<const u64> values,
                 bool smallest, bool one_per_character)
    : sums_(list.size() + 1) {
    const auto better = [&](u64 a, u64 b) { return smallest ? a < b : a > b; };
    struct Entry {
        u64 value = 0;
        u32 owner = 0;  // character id, or a number of its own per card
    };
    std::array<std::optional<u64>, 32> by_character{};
    std::array<Entry, 6> top{};  // best first; one spare place
    usize held = 0;
    for (usize i = list.size(); i-- > 0;) {
        const u64 x = values[i];
        const u32 owner = one_per_character ? std::min<u32>(pool.character_id(list[i]), 31)
                                            : 32 + static_cast<u32>(i);
        usize at = held;  // the entry to place x in
        if (one_per_character) {
            auto& kept = by_character[owner];
            if (kept && !better(x, *kept)) {
                sums_[i] = sums_[i + 1];
                continue;
            }
            kept = x;
            for (usize k = 0; k < held; ++k)
                if (top[k].owner == owner) at = k;
        }
        if (at == held) {
            if (held < 5) {
                ++held;
            } else if (!better(x, top[4].value)) {
                sums_[i] = sums_[i + 1];
                continue;
            } else {
                at = 4;
            }
        }
        // Move x up to its place.
        top[at] = {x, owner};
        for (; at > 0 && better(top[at].value, top[at - 1].value); --at)
            std::swap(top[at], top[at - 1]);
        for (usize r = 1; r <= 5; ++r)
            sums_[i][r] = sums_[i][r - 1] + (r <= held ? top[r - 1].value : 0);
    }
}

}  // namespace vdz
