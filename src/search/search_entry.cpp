// Strategy choice, in order; the first row that holds decides:
//   1. limit 0 or fewer than five cards: nothing to search;
//   2. power, not minimised, pruning allowed, no fixed cards or characters:
//      the power-target fast path;
//   3. power or skill: the trimmed exhaustive search;
//   4. challenge live (no pruning), limit 1, no fixed cards: the exhaustive
//      single-best search;
//   5. challenge live otherwise: the bounded search over all pool cards;
//   6. otherwise dominance pruning, then the depth-first search or, in the
//      final chapter, the final-chapter search.
#include "search/search_entry.h"

#include <string>

#include "search/bounded_search.h"
#include "search/challenge_search.h"
#include "search/power_fast_path.h"
#include "search/power_skill_search.h"

namespace vdz {
namespace {

Error not_built(const char* road) {
    return make_error(std::string(road) + " is not implemented");
}

}  // namespace

Result<SearchResult> search_recommend(const CardPool& pool, const SearchContext& context, u64 limit,
                                      u64 timeout_ms, const SearchClock& clock) {
    const bool power_or_skill = context.target == Target::POWER || context.target == Target::SKILL;
    const bool unconstrained = context.fixed_cards.empty() && context.fixed_characters.empty();
    // 1.
    if (limit == 0 || pool.count() < 5) return SearchResult{};
    // 2.
    if (context.target == Target::POWER && !context.minimize && context.dominance_pruning &&
        unconstrained) {
        return search_power_fast(pool, context, limit);
    }
    // 3.
    if (power_or_skill) return search_power_skill(pool, context, limit);
    // 4.
    if (!context.dominance_pruning && limit == 1 && context.fixed_cards.empty()) {
        const std::vector<u16> candidates = challenge_candidate_order(pool, context);
        Deadline deadline(timeout_ms, clock);
        return challenge_search(pool, context, candidates, deadline);
    }
    // 5.
    if (!context.dominance_pruning) {
        const std::vector<u16> candidates = challenge_candidate_order(pool, context);
        const ParetoBoundTable table = build_pareto_bound_table(pool, candidates);
        const SuffixTables suffix = build_suffix_tables(pool, context);
        return search_bounded(pool, context, suffix, candidates, table, limit);
    }
    // 6.
    if (context.final_chapter) return not_built("the final-chapter search");
    return not_built("dominance pruning and the depth-first search");
}

}  // namespace vdz
