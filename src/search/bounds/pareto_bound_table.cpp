// Built backwards: row i is row i + 1 plus, for each k, every choice of
// k - 1 later cards with candidate i added; then each list drops the entries
// another entry beats. Equal entries are all kept. Each list then runs by
// power sum, highest first (ties in insertion order), so that a search
// looking for one entry whose bound beats a threshold meets the likeliest
// ones first.
#include "search/bounds/pareto_bound_table.h"

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
    std::vector<u32> powers;
    std::vector<u8> skills;
    for (const u16 c : candidates) {
        powers.push_back(pool.power(c));
        skills.push_back(pool.skill_value(c));
    }
    return build_pareto_bound_table(powers, skills);
}

ParetoBoundTable build_pareto_bound_table(std::span<const u32> powers, std::span<const u8> skills) {
    const usize n = powers.size();
    ParetoBoundTable table;
    table.rows.resize(n + 1);
    table.rows[n][0].push_back({});
    for (usize i = n; i-- > 0;) {
        const u32 p = powers[i];
        const u8 s = skills[i];
        const BoundLists& next = table.rows[i + 1];
        BoundLists& row = table.rows[i];
        row = next;
        for (usize k = 1; k <= 5; ++k) {
            for (const BoundTriple& e : next[k - 1])
                row[k].push_back({e.power_sum + p, e.skill_sum + s, std::max<u16>(e.max_skill, s)});
            drop_dominated(row[k]);
            std::stable_sort(row[k].begin(), row[k].end(), [](const auto& a, const auto& b) {
                return a.power_sum > b.power_sum;
            });
        }
    }
    return table;
}

}  // namespace vdz
