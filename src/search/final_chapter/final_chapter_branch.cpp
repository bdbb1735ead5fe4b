// The final-chapter search leads with one character when the request names
// one (the designated character, the first fixed card's or the first fixed
// character), and keeps the fixed cards and characters in every deck
// itself; the pool is then cut to that character's cards and the cards the
// second pruning pass kept. Without any, every character leads in turn.
#include "search/final_chapter/final_chapter_branch.h"

#include <optional>

#include "search/final_chapter/final_chapter.h"
#include "search/pruning/context_compaction.h"

namespace vdz {
namespace {

// The context the second pass compares cards under: a power search with no
// leader bonuses, no event and every card enabled. Skills still resolve as
// the request's decks resolve them, training state included, or a card
// could be set aside for one whose skill the evaluator reads as worse.
SearchContext power_comparison_context(const SearchContext& context, usize n) {
    SearchContext d;
    d.target = Target::POWER;
    d.live_type = LiveType::SOLO;
    d.final_chapter = false;
    d.dominance_pruning = true;
    d.event_kind = NO_EVENT_KIND;
    d.fixed_cards = context.fixed_cards;
    d.music_event_rate = 100;
    d.boost_rate = 100;
    d.leader_honor_bonus.assign(n, 0);
    d.leader_limit_bonus.assign(n, 0);
    d.keep_after_training_state = context.keep_after_training_state;
    d.skill_is_after_training = context.skill_is_after_training;
    d.trained_to_special_image = context.trained_to_special_image;
    d.skill_is_after_training.resize(n, 0);
    d.trained_to_special_image.resize(n, 0);
    d.card_enabled.assign(n, 1);
    return d;
}

SearchResult to_search_result(FinalChapterResult r) {
    SearchResult out;
    out.decks = std::move(r.decks);
    out.stats.evaluations = r.counters.evaluated;
    // The search's nodes: the groups chosen and the cards placed.
    out.stats.nodes = r.counters.groups_visited + r.counters.card_nodes;
    out.stats.clock_reads = r.clock_reads;
    out.stats.timed_out = r.timed_out;
    return out;
}

}  // namespace

Result<FinalChapterBranch> run_final_chapter_branch(const CardPool& pool,
                                                    const SearchContext& context,
                                                    std::span<const u16> full_index_map,
                                                    const DominatedLists& first, u64 limit,
                                                    u64 timeout_ms, const SearchClock& clock) {
    FinalChapterBranch out;
    const usize n = pool.count();
    // 1. Second pass over the pruned pool, compared as a power search.
    const auto matrix = build_support_loss_matrix(pool, context);
    const PruneOutcome second = prune_dominated_cards(pool, power_comparison_context(context, n),
                                                      matrix ? &*matrix : nullptr);
    const DominatedLists second_lists = collect_dominated_lists(second);
    // 2. Its lists in full-pool indices, each set-aside card followed by the
    // cards the first pass set aside for it.
    out.second.resize(first.size());
    for (usize i = 0; i < n; ++i) {
        for (const u16 j : second_lists[i]) {
            std::vector<u16>& list = out.second[full_index_map[i]];
            list.push_back(full_index_map[j]);
            const auto& behind = first[full_index_map[j]];
            list.insert(list.end(), behind.begin(), behind.end());
        }
    }
    const std::optional<u8> character = final_leader_character(pool, context);
    if (!character) {
        // A fixed card missing from the pool: no deck holds it.
        if (!context.fixed_cards.empty()) return out;
        // 3. Every card stays; those the second pass set aside are disabled.
        SearchContext enabled = context;
        enabled.card_enabled = second.keep;
        out.found = to_search_result(
            search_final_chapter(pool, enabled, limit, timeout_ms, std::nullopt, clock));
        return out;
    }
    // 4. The leader's character and the cards the second pass kept.
    std::vector<u8> keep(n);
    for (u16 i = 0; i < n; ++i)
        keep[i] = pool.character_id(i) == *character || second.keep[i] == 1;
    auto restricted = retain_card_pool(pool, keep.data(), keep.size());
    if (!restricted) return std::move(restricted).error();
    if (restricted.value().count() < 5) return out;
    SearchContext restricted_context = remap_search_context(context, keep);
    restricted_context.card_enabled.assign(restricted.value().count(), 1);
    // 5. The search, its decks mapped back to the pool given.
    out.found = to_search_result(search_final_chapter(restricted.value(), restricted_context, limit,
                                                      timeout_ms, character, clock));
    const std::vector<u16> map = kept_indices(keep);
    for (DeckEntry& deck : out.found.decks)
        for (u16& slot : deck.slots)
            slot = map[slot];
    return out;
}

}  // namespace vdz
