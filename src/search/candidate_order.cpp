// The key is computed once per card; the index breaks every tie, so the order
// is total and any sort gives the same list.
#include "search/candidate_order.h"

#include <algorithm>
#include <numeric>

namespace vdz {

u64 candidate_key(const CardPool& pool, const SearchContext& context, u16 card) {
    const u32 total = pool.event_bonus(card).total_x10();
    u32 bonus = (total + 9) / 10;
    if (context.final_chapter) {
        const auto at = [card](const std::vector<u16>& v) -> u32 {
            return card < v.size() ? v[card] : 0;
        };
        bonus += at(context.leader_honor_bonus) + at(context.leader_limit_bonus);
    }
    return (u64{pool.skill_value(card)} + 256) * u64{pool.power(card)} * (u64{bonus} + 100);
}

std::vector<u16> initial_candidate_order(const CardPool& pool, const SearchContext& context) {
    const u16 n = pool.count();
    std::vector<u64> keys(n);
    for (u16 i = 0; i < n; ++i)
        keys[i] = candidate_key(pool, context, i);
    std::vector<u16> order(n);
    std::iota(order.begin(), order.end(), u16{0});
    std::sort(order.begin(), order.end(),
              [&](u16 a, u16 b) { return keys[a] != keys[b] ? keys[a] > keys[b] : a < b; });
    return order;
}

}  // namespace vdz
