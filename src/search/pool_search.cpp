// The pool search step: search, time, write.
#include "search/pool_search.h"

#include <algorithm>
#include <chrono>

#include "search/deck_feasibility.h"
#include "search/dfs/dfs_search.h"
#include "search/search_entry.h"

namespace vdz {
namespace {

// The most decks one result lists. Only a pool's `limit` override can ask
// for more than the options' 100; a deck's result object takes about 1.8 kB
// of JSON, so this keeps a result near 18 MB, where an unbounded `limit`
// would list every deck of the pool (millions, gigabytes of text).
constexpr u64 MAX_RESULT_DECKS = 10'000;

}  // namespace

Result<SearchResult> search_pool(const CardPool& pool, const SearchContext& context,
                                 std::span<const i32> tiers, u64 limit, u64 timeout_ms,
                                 const SearchClock& clock) {
    if (tiers.empty()) return search_recommend(pool, context, limit, timeout_ms, clock);
    if (limit == 0 || context.target != Target::BONUS || no_deck_can_exist(pool, context))
        return SearchResult{};
    const SuffixTables suffix = build_suffix_tables(pool, context);
    return dfs_search(pool, context, suffix, limit, timeout_ms, {}, tiers, clock);
}

Result<std::string> run_pool_search(const ResultSources& in, std::span<const i32> tiers, u64 limit,
                                    u64 timeout_ms, const SearchClock& clock) {
    // 1-2. Search.
    limit = std::min(limit, MAX_RESULT_DECKS);
    const SearchClock::TimePoint start = clock.now();
    Result<SearchResult> searched =
        search_pool(in.pool, in.context, tiers, limit, timeout_ms, clock);
    if (!searched) return std::move(searched).error();
    const SearchResult found = std::move(searched).value();
    // 3. Elapsed milliseconds; a clock that went back reads as 0.
    const SearchClock::TimePoint end = clock.now();
    double cost_ms = 0.0;
    if (end >= start) {
        const i64 ns = std::chrono::duration_cast<std::chrono::nanoseconds>(end - start).count();
        cost_ms = (static_cast<double>(ns / 1'000'000'000) +
                   static_cast<double>(ns % 1'000'000'000) / 1e9) *
                  1000.0;
    }
    // 4.
    if (found.decks.empty() && tiers.empty()) {
        return make_error("Cannot recommend any deck in " +
                          std::to_string(in.user.user_cards.size()) + " cards");
    }
    // 5-7. Deck objects in search order; a deck whose evaluation gives none
    // is left out.
    std::string text;
    text.reserve(128);
    json::Writer out(text);
    out.begin_object();
    out.member("cost_ms", cost_ms);
    out.key("decks");
    out.begin_array();
    for (const DeckEntry& deck : found.decks)
        (void)write_deck_result(out, deck.slots, in);
    out.end_array();
    out.end_object();
    return text;
}

Result<std::string> search_prepared_pool(const PreparedPool& prepared, u64 limit, u64 timeout_ms) {
    const ResultSources sources{prepared.pool,          prepared.context, prepared.records,
                                prepared.result_states, *prepared.user,   prepared.target};
    return run_pool_search(sources, prepared.target_bonus_list, limit, timeout_ms);
}

}  // namespace vdz
