// Built backwards: row i is row i + 1 plus, for each k, every choice of
// k - 1 later cards with candidate i added; then each list drops the entries
// another entry beats. Equal entries are all kept, in insertion order.
#include "search/pareto_bound_table.h"

#include <algorithm>

namespace vdz {
namespace {

// a is at least b in every field and more in one.
bool dominates(const BoundTriple& a, const BoundTriple& b) {
    const bool at_least =
        a.power_sum >= b.power_sum && a.skill_sum >= b.skill_sum && a.max_skill >= b.max_skill;
    return at_least && !(a == b);
}

void drop_dominated(std::vector<BoundTriple>& list) {
    std::vector<BoundTriple> kept;
    kept.reserve(list.size());
    for (const BoundTriple& t : list) {
        const bool beaten = std::any_of(list.begin(), list.end(),
                                        [&](const BoundTriple& o) { return dominates(o, t); });
        if (!beaten) kept.push_back(t);
    }
    list = std::move(kept);
}

}  // namespace

ParetoBoundTable build_pareto_bound_table(const CardPool& pool, std::span<const u16> candidates) {
    const usize n = candidates.size();
    ParetoBoundTable table;
    table.rows.resize(n + 1);
    table.rows[n][0].push_back({});
    for (usize i = n; i-- > 0;) {
        const u32 p = pool.power(candidates[i]);
        const u8 s = pool.skill_value(candidates[i]);
        const BoundLists& next = table.rows[i + 1];
        BoundLists& row = table.rows[i];
        row = next;
        for (usize k = 1; k <= 5; ++k) {
            for (const BoundTriple& e : next[k - 1])
                row[k].push_back({e.power_sum + p, e.skill_sum + s, std::max<u16>(e.max_skill, s)});
            drop_dominated(row[k]);
        }
    }
    return table;
}

}  // namespace vdz
