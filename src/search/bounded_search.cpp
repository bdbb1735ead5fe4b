// Why the bounds hold. A deck's power is at most the sum of its cards' power
// columns (each the card's largest in-deck value) plus the honor power, under
// the cap; every resolved skill value is at most its card's skill value, so
// with non-negative weights the skill part of the live score is at most the
// largest skill value times the weights' sum. The coefficients are rounded
// up, so L below is never under a deck's live score, and the event points of
// a challenge live grow with the live score. For the bonus and mysekai
// targets the deck's event bonus is at most the cards' own bonuses plus the
// pool's bound on the support and attribute bonus plus the largest leader
// bonus; the start-position sums of card bonuses below bound the first part.
#include "search/bounded_search.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "common/check.h"
#include "common/numeric.h"
#include "search/deck_evaluator.h"
#include "search/top_decks.h"

namespace vdz {
namespace {

// Running sums of the cards in slots 0..depth-1; each child gets a new one.
struct PartialSums {
    u32 power_sum = 0;  // wrapping sum of the power column
    u32 skill_sum = 0;  // sum of skill values
    u32 bonus_x10 = 0;  // sum of card event bonuses, tenths of a percent
    u8 max_skill = 0;   // largest skill value
};

// The coefficients of the bound key, taken once from the suffix tables.
struct BoundModel {
    Target target = Target::SCORE;
    bool event_points_ranked = false;
    u32 power_extra = 0;
    std::optional<u32> power_cap;
    std::optional<u32> other_power;
    i64 skill_base = 0;
    i64 skill_rate = 0;
    i64 power_rate = 0;
    u32 bonus_extra_x10 = 0;  // support, attribute and leader bonuses at most
};

BoundModel bound_model(const CardPool& pool, const SearchContext& context,
                       const SuffixTables& suffix) {
    BoundModel m;
    m.target = suffix.target;
    m.event_points_ranked = suffix.has_event;
    m.power_extra = suffix.honor_power;
    if (suffix.wl3_power_cap != 0) m.power_cap = suffix.power_cap;
    m.other_power = suffix.teammate_power;
    m.skill_base = suffix.base_score_e6;
    m.skill_rate = suffix.skill_sum_e6;
    m.power_rate = static_cast<i64>(suffix.multi_term_e6);
    u32 leader = 0;
    if (context.final_chapter) {
        for (u16 i = 0; i < pool.count(); ++i) {
            const u32 honor =
                i < context.leader_honor_bonus.size() ? context.leader_honor_bonus[i] : 0;
            const u32 limit =
                i < context.leader_limit_bonus.size() ? context.leader_limit_bonus[i] : 0;
            leader = std::max(leader, honor + limit);
        }
    }
    m.bonus_extra_x10 = 10 * (suffix.bonus_bound + leader);
    return m;
}

// The bound key of a deck with power sum `power`, largest skill `best` and
// card bonuses `bonus_x10` at most.
u64 bound_key(const BoundModel& m, u32 power, u8 best, u32 bonus_x10) {
    u32 p = power + m.power_extra;
    if (m.power_cap) p = std::min(p, *m.power_cap);
    const u64 bonus_bound_x10 = u64{bonus_x10} + m.bonus_extra_x10;
    if (m.target == Target::MYSEKAI) {
        // The margin covers the rounding of the evaluator's own bonus sum.
        const double b = static_cast<double>(bonus_bound_x10) / 10.0 + 0.001;
        const double steps = static_cast<double>(p / 45000 + 10);
        return saturating_cast<u32>((b + 100.0) * steps * 500.0 / 1000.0);
    }
    const i64 multiplier = m.skill_base + m.skill_rate * 5 * i64{best};
    const i64 team =
        m.other_power ? i64{p} + 4 * i64{static_cast<i32>(*m.other_power)} : 5 * i64{p};
    const i64 raw = team * m.power_rate + 4 * i64{p} * multiplier;
    // Saturated rather than wrapped: a live score never exceeds i32's range.
    const u32 live = static_cast<u32>(std::clamp<i64>(raw / 1'000'000, 0, INT32_MAX));
    if (m.target == Target::BONUS) {
        // Twice the bonus, rounded: the key's half-percent steps, rounded up.
        const u64 steps = (bonus_bound_x10 + 4) / 5;
        return (std::min<u64>(steps, UINT32_MAX) << 32) | live;
    }
    const u32 high = m.event_points_ranked ? 12000 + 120 * (live / 20000) : live;
    return (u64{high} << 32) | live;
}

// Sum of the r largest card bonuses among candidates[s..n), r = 0..5.
std::vector<std::array<u32, 6>> bonus_top_sums(const CardPool& pool,
                                               std::span<const u16> candidates) {
    const usize n = candidates.size();
    std::vector<std::array<u32, 6>> sums(n + 1);
    std::array<u32, 5> top{};  // descending
    for (usize s = n; s-- > 0;) {
        u32 x = pool.event_bonus(candidates[s]).total_x10();
        for (u32& t : top)
            if (x > t) std::swap(x, t);
        for (usize r = 1; r <= 5; ++r)
            sums[s][r] = sums[s][r - 1] + top[r - 1];
    }
    return sums;
}

// One search's state; lives for one call.
struct BoundedSearch {
    const CardPool& pool;
    const SearchContext& context;
    std::span<const u16> candidates;
    const ParetoBoundTable& table;
    BoundModel model;
    std::vector<std::array<u32, 6>> bonus_sums;
    DfsTopDecks best;
    Deadline& deadline;
    DeckSlots deck{};
    SearchStats stats;
    bool stop = false;  // the deadline has passed; never cleared

    // Counts one step; true once the deadline has passed.
    bool count_step() {
        ++stats.nodes;
        if (deadline.step()) stop = true;
        return stop;
    }

    // The largest bound key over list [s][r] for a deck with sums `p`.
    u64 list_bound(usize s, usize r, const PartialSums& p) const {
        u64 bound = 0;
        const u32 bonus = p.bonus_x10 + bonus_sums[s][r];
        for (const BoundTriple& t : table.rows[s][r]) {
            const u8 best_skill = static_cast<u8>(std::max<u16>(p.max_skill, t.max_skill));
            bound = std::max(bound, bound_key(model, p.power_sum + t.power_sum, best_skill, bonus));
        }
        return bound;
    }

    u64 worst_kept() const { return best.full() ? best.worst_score() : 0; }

    void visit(usize depth, usize start, const PartialSums& sums);
};

void BoundedSearch::visit(usize depth, usize start, const PartialSums& sums) {
    const usize n = candidates.size();
    if (count_step()) return;
    // 1. Leaf: a key must beat the worst kept one to be offered.
    if (depth == 5) {
        ++stats.evaluations;
        const auto e = evaluate_deck(pool, context, deck);
        // Every bound is the largest of these leaf bounds over the choices
        // it covers, so this one must hold for the deck itself.
        VDZ_ASSERT(!e ||
                   e->key <= bound_key(model, sums.power_sum, sums.max_skill, sums.bonus_x10));
        if (e && e->key > worst_kept()) best.push({e->key, deck});
        return;
    }
    // 2. The node's threshold, read once; 0 means no bound anywhere here.
    const u64 worst = worst_kept();
    if (worst != 0 && list_bound(start, 5 - depth, sums) <= worst) return;
    // 3-4. The candidates from `start` on.
    for (usize i = start; i < n; ++i) {
        const u16 c = candidates[i];
        const u16 id = pool.card_id(c);
        bool repeat = false;
        for (usize s = 0; s < depth; ++s)
            repeat |= pool.card_id(deck[s]) == id;
        if (repeat) continue;
        if (n - (i + 1) < 4 - depth) return;
        if (depth < context.fixed_cards.size() && id != context.fixed_cards[depth]) continue;
        PartialSums child = sums;
        child.power_sum += pool.power(c);
        child.skill_sum += pool.skill_value(c);
        child.bonus_x10 += pool.event_bonus(c).total_x10();
        child.max_skill = std::max(child.max_skill, pool.skill_value(c));
        if (worst != 0) {
            if (count_step()) return;
            if (list_bound(i + 1, 4 - depth, child) <= worst) continue;
        }
        deck[depth] = c;
        visit(depth + 1, i + 1, child);
        if (stop) return;
    }
}

}  // namespace

SearchResult search_bounded(const CardPool& pool, const SearchContext& context,
                            const SuffixTables& suffix, std::span<const u16> candidates,
                            const ParetoBoundTable& table, u64 limit, Deadline& deadline) {
    BoundedSearch search{pool,
                         context,
                         candidates,
                         table,
                         bound_model(pool, context, suffix),
                         bonus_top_sums(pool, candidates),
                         DfsTopDecks(limit, pool_card_ids(pool)),
                         deadline,
                         {},
                         {}};
    if (candidates.size() >= 5) search.visit(0, 0, {});
    SearchResult result;
    result.decks = std::move(search.best).take_entries();
    result.stats = search.stats;
    result.stats.clock_reads = deadline.clock_reads();
    result.stats.timed_out = deadline.expired();
    return result;
}

}  // namespace vdz
