// Strategy choice, in order; the first row that holds decides:
//   1. limit 0, or a pool that can form no deck (too few characters, a fixed
//      card or character without a card): nothing to search;
//   2. power, not minimised, pruning allowed, no fixed cards or characters,
//      no score-up lower bound: the power-target fast path (its lists keep
//      the best decks of each deck shape before the bound is tested, so with
//      a bound they could hold too few that pass);
//   3. power or skill: the bounded search over every pool card;
//   4. challenge live (no pruning), limit 1, no fixed cards, and few enough
//      combinations to enumerate them all: the exhaustive single-best search;
//   5. challenge live otherwise: the bounded search over all pool cards. With
//      limit 1 it keeps the same best deck (the first of the best key in the
//      candidate order) and cuts where the enumeration would not finish.
// Every search watches the deadline.
//   6. otherwise dominance pruning (none where a deck's slot order decides
//      its key), then the depth-first search or, in the final chapter, the
//      final-chapter search.
#include "search/search_entry.h"
#include "search/candidate_order.h"
#include "search/deck_feasibility.h"
#include "search/dfs/dfs_search.h"
#include "search/final_chapter/final_chapter_branch.h"
#include "search/kernels/bounded_search.h"
#include "search/kernels/challenge_search.h"
#include "search/kernels/power_fast_path.h"
#include "search/kernels/power_skill_search.h"
#include "search/pruning/context_compaction.h"
#include "search/pruning/dominance.h"
#include "search/pruning/dominance_expansion.h"
#include "search/seeds/seed.h"

namespace vdz {
namespace {

// The single-best search evaluates every combination: at about a microsecond
// each, 100,000 of them (a pool of 28 cards) take a tenth of a second, while
// a challenge pool of every character holds hundreds of cards and some 10^10
// combinations.
constexpr u64 MAX_ENUMERATED_COMBINATIONS = 100'000;

u64 five_card_combinations(u64 n) {
    if (n < 5) return 0;
    // Exact for every pool size: n is at most 512, so the product stays
    // below 2^45 at each step of the running division.
    u64 c = 1;
    for (u64 k = 1; k <= 5; ++k)
        c = c * (n - 5 + k) / k;
    return c;
}

// The pool and context after dominance pruning, with what re-admission needs.
struct PrunedPool {
    CardPool pool;
    SearchContext context;
    DominatedLists dominated;         // per full-pool card
    std::vector<u16> full_index_map;  // compacted index -> full-pool index
};

// Whether a deck's key depends on the order of its slots beyond what the
// fixed cards and characters settle: slot 0 leads when the best skill does
// not, and a specific skill order reads the cards in their order. A card
// that beats another in every property may then still make the weaker deck
// in its place, by leading it or by taking another place in the order, so
// pruning would lose decks. A mysekai key reads only power and bonus, and
// without a score-up lower bound no skill at all. A multi live's five
// activations are the room leader's score up and the teammates' value,
// whatever the slots, so a specific order there pairs the same values with
// the same weights in every order of a deck's cards.
bool slot_order_decides_key(const SearchContext& context) {
    if (context.target == Target::MYSEKAI && !context.multi_live_score_up_lower_bound) return false;
    const bool multi =
        context.live_type == LiveType::MULTI || context.live_type == LiveType::CHEERFUL;
    if (context.skill_order_choose_strategy == SkillOrderChooseStrategy::SPECIFIC && !multi)
        return true;
    return !context.final_chapter && !context.best_skill_as_leader && context.fixed_cards.empty() &&
           context.fixed_characters.empty();
}

Result<PrunedPool> prune_and_compact(const CardPool& pool, const SearchContext& context) {
    const auto matrix = build_support_loss_matrix(pool, context);
    const PruneOutcome outcome =
        slot_order_decides_key(context)
            ? PruneOutcome{std::vector<u8>(pool.count(), 1), std::vector<u16>(pool.count(), 0)}
            : prune_dominated_cards(pool, context, matrix ? &*matrix : nullptr);
    DominatedLists dominated = collect_dominated_lists(outcome);
    auto compacted = retain_card_pool(pool, outcome.keep.data(), outcome.keep.size());
    if (!compacted) return std::move(compacted).error();
    SearchContext remapped = remap_search_context(context, outcome.keep);
    const usize n = compacted.value().count();
    if (remapped.skill_is_after_training.size() != n || remapped.leader_honor_bonus.size() != n ||
        remapped.leader_limit_bonus.size() != n || remapped.trained_to_special_image.size() != n) {
        return make_error("remapped context must match compacted pool");
    }
    return PrunedPool{std::move(compacted).value(), std::move(remapped), std::move(dominated),
                      kept_indices(outcome.keep)};
}

// Maps the decks of the compacted pool back to the full pool and widens
// them with the cards that pruning removed, within the request's deadline.
SearchResult readmit(const CardPool& pool, const SearchContext& context, const PrunedPool& pruned,
                     const DominatedLists& second, u64 limit, Deadline& deadline,
                     SearchResult found) {
    for (DeckEntry& deck : found.decks)
        for (u16& slot : deck.slots)
            slot = pruned.full_index_map[slot];
    found.decks = expand_dominated_decks(pool, context, pruned.dominated, second, limit,
                                         std::move(found.decks), deadline, found.stats);
    return found;
}

}  // namespace

Result<SearchResult> search_recommend(const CardPool& pool, const SearchContext& context, u64 limit,
                                      u64 timeout_ms, const SearchClock& clock) {
    const bool power_or_skill = context.target == Target::POWER || context.target == Target::SKILL;
    const bool unconstrained = context.fixed_cards.empty() && context.fixed_characters.empty();
    // 1.
    if (limit == 0 || no_deck_can_exist(pool, context)) return SearchResult{};
    // 2.
    if (context.target == Target::POWER && !context.minimize && context.dominance_pruning &&
        unconstrained && !context.multi_live_score_up_lower_bound) {
        Deadline deadline(timeout_ms, clock);
        return search_power_fast(pool, context, limit, deadline);
    }
    // 3.
    if (power_or_skill) {
        Deadline deadline(timeout_ms, clock);
        return search_power_skill(pool, context, limit, deadline);
    }
    if (!context.dominance_pruning) {
        const std::vector<u16> candidates = challenge_candidate_order(pool, context);
        Deadline deadline(timeout_ms, clock);
        // 4.
        if (limit == 1 && context.fixed_cards.empty() &&
            five_card_combinations(candidates.size()) <= MAX_ENUMERATED_COMBINATIONS) {
            return challenge_search(pool, context, candidates, deadline);
        }
        // 5.
        const ParetoBoundTable table = build_pareto_bound_table(pool, candidates);
        const SuffixTables suffix = build_suffix_tables(pool, context);
        return search_bounded(pool, context, suffix, candidates, table, limit, deadline);
    }
    // 6. Dominance pruning and compaction. The deadline runs from here for
    // the re-admission; the searches keep their own from their start.
    Deadline readmission_deadline(timeout_ms, clock);
    auto pruned = prune_and_compact(pool, context);
    if (!pruned) return std::move(pruned).error();
    const PrunedPool& small = pruned.value();
    // 6b. The final chapter's road.
    if (small.context.final_chapter) {
        auto branch = run_final_chapter_branch(small.pool, small.context, small.full_index_map,
                                               small.dominated, limit, timeout_ms, clock);
        if (!branch) return std::move(branch).error();
        return readmit(pool, context, small, branch.value().second, limit, readmission_deadline,
                       std::move(branch.value().found));
    }
    // 6a. Seeds, the depth-first search, then mapping back and re-admission.
    const bool multi_start =
        context.target == Target::SCORE && context.event_kind != NO_EVENT_KIND &&
        (context.live_type == LiveType::MULTI || context.live_type == LiveType::CHEERFUL);
    SeedDecks seeds =
        multi_start
            ? multi_start_seeds(small.pool, small.context, limit)
            : seed_to_vec(build_seed_deck(small.pool, small.context,
                                          initial_candidate_order(small.pool, small.context)));
    const SuffixTables suffix = build_suffix_tables(small.pool, small.context);
    SearchResult found = dfs_search(small.pool, small.context, suffix, limit, timeout_ms,
                                    std::move(seeds), std::nullopt, clock);
    return readmit(pool, context, small, DominatedLists{}, limit, readmission_deadline,
                   std::move(found));
}

}  // namespace vdz
