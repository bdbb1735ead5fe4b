// Why the tables bound the score up. A deck's multi live score up is its
// leader's resolved skill value plus a fifth of the other four, so five times
// it is the sum of the five values plus four times the leader's, at most the
// sum plus four times the largest; each card's skill value is at least every
// value its skill resolves to. Split a deck into its placed cards (sum S,
// largest M) and the rest (sum s, largest m): five times its score up is at
// most S + s + 4 max(M, m) = max(S + 4 M + s, S + s + 4 m). The tables keep,
// per count and exact total of the rest, the largest s and the largest
// s + 4 m over every choice of that many cards from a position on, whatever
// their characters, so they bound every completion the kernel can form:
// a choice with one more card v has sum s + v and largest max(m, v), so
// s + v + 4 max(m, v) = max((s + 4 m) + v, s + 5 v). Where the first slot
// leads and is placed, its card's value bounds the leader's.
#include "search/bounds/score_up_reach.h"

#include <algorithm>

namespace vdz {
namespace {

// Whether a five-fold score up of `five_up` may meet the lower bound, with a
// margin above the evaluator's own 1e-9: the cut must never drop a deck the
// evaluator admits, whatever the rounding.
bool reaches_lower_bound(double lower_bound, i64 five_up) {
    return !(static_cast<double>(five_up) / 5.0 + 1e-6 < lower_bound);
}

}  // namespace

ScoreUpReach::ScoreUpReach(const CardPool& pool, const SearchContext& context) {
    if (!context.multi_live_score_up_lower_bound) return;
    lower_bound_ = *context.multi_live_score_up_lower_bound;
    const auto join = [&](const Entry* fewer, u16 card) {
        const i16 v = pool.skill_value(card);
        if (!fewer) return Entry{true, v, static_cast<i16>(5 * v)};
        return Entry{true, static_cast<i16>(fewer->sum + v),
                     static_cast<i16>(std::max(fewer->led + v, fewer->sum + 5 * v))};
    };
    tables_ = BonusTotalTables<Entry, 5>(pool, join, fixed_slot_layout(pool, context));
    least_value_ = 255;
    for (u16 card = 0; card < pool.count(); ++card)
        least_value_ = std::min<i64>(least_value_, pool.skill_value(card));
}

bool ScoreUpReach::open(const PartialSums& placed, usize row, usize free, i64 lo, i64 hi) const {
    if (!tables_.built()) return true;
    const i64 skill = placed.skill_sum;
    const i64 top = placed.lead_known ? placed.lead_skill : placed.max_skill;
    if (free == 0) return lo <= 0 && 0 <= hi && reaches_lower_bound(lower_bound_, skill + 4 * top);
    // Every choice of `free` cards adds at least `free` times the pool's
    // least value to the sum, so where the placed cards with that already
    // reach the bound every deck does, and the window's join (the costly
    // part) is not read: the lower bound cuts nothing there.
    if (const i64 least = skill + 4 * top + static_cast<i64>(free) * least_value_;
        least >= 0 && reaches_lower_bound(lower_bound_, least))
        return true;
    // The best five-fold score up over the sums within the window.
    const Entry e = window_joins_.best_within(tables_, row, free, lo, hi);
    if (!e.reached) return false;
    const i64 best = placed.lead_known ? skill + 4 * top + e.sum
                                       : std::max<i64>(skill + 4 * top + e.sum, skill + e.led);
    return best >= 0 && reaches_lower_bound(lower_bound_, best);
}

}  // namespace vdz
