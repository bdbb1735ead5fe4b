// Why the tables bound the score up. A deck's multi live score up is its
// leader's resolved skill value plus a fifth of the other four, so five times
// it is the sum of the five values plus four times the leader's, at most the
// sum plus four times the largest; each card's skill value is at least every
// value its skill resolves to. Split a deck into its placed cards (sum S,
// largest M) and the rest (sum s, largest m): five times its score up is at
// most S + s + 4 max(M, m) = max(S + 4 M + s, S + s + 4 m). The tables keep,
// per count and exact total of the rest, the largest s and the largest
// s + 4 m over every choice of that many cards from a position on, whatever
// their characters, so they bound every completion the kernel can form;
// where the first slot leads and is placed, its card's value bounds the
// leader's. A stored row holds the cards from its position on, a superset of
// those of any later row, so reading the stored row at or before the asked
// one only loosens the bound.
#include "search/bounds/score_up_reach.h"

#include <algorithm>
#include <functional>
#include <numeric>

namespace vdz {
namespace {

// Tables beyond these would cost more to build and hold than the cuts save.
constexpr usize TABLE_BUDGET = usize{1} << 21;  // entries held
constexpr usize BUILD_BUDGET = usize{1} << 24;  // entries updated

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
    const usize n = pool.count();
    positions_ = n;
    // 1. Totals in steps of their greatest common divisor, whose five
    // largest bound every total a completion adds.
    std::vector<u32> totals;
    u32 step = 0;
    for (u16 i = 0; i < pool.count(); ++i) {
        totals.push_back(pool.event_bonus(i).total_x10());
        step = std::gcd(step, totals.back());
    }
    step_ = std::max<u32>(step, 1);
    std::vector<u32> largest = totals;
    std::sort(largest.begin(), largest.end(), std::greater<u32>());
    u64 most = 0;
    for (usize i = 0; i < std::min<usize>(5, largest.size()); ++i)
        most += largest[i] / step_;
    width_ = static_cast<usize>(most) + 1;
    // 2. Rows stored at a stride that keeps the tables within budget.
    const usize per_row = 5 * 2 * width_;
    if (per_row > TABLE_BUDGET || n * per_row > BUILD_BUDGET) return;
    stride_ = std::max<usize>(1, ((n + 1) * per_row + TABLE_BUDGET - 1) / TABLE_BUDGET);
    table_.assign((n / stride_ + 1) * per_row, -1);
    // 3. From the last position down, each card joins every choice of one
    // card fewer; a row is stored once its card has joined.
    std::vector<i16> current(per_row, -1);
    const auto at = [&](usize count) { return current.data() + (count - 1) * 2 * width_; };
    if (n % stride_ == 0) std::copy(current.begin(), current.end(), table_.end() - per_row);
    for (usize i = n; i-- > 0;) {
        const usize x = totals[i] / step_;
        const i16 v = pool.skill_value(static_cast<u16>(i));
        for (usize count = 5; count >= 2; --count) {
            i16* sum = at(count);
            i16* lead = sum + width_;
            const i16* fewer = at(count - 1);
            const i16* fewer_lead = fewer + width_;
            for (usize t = width_; t-- > x;) {
                const i16 s = fewer[t - x];
                if (s < 0) continue;
                sum[t] = std::max<i16>(sum[t], static_cast<i16>(s + v));
                lead[t] = std::max<i16>(
                    lead[t], static_cast<i16>(std::max(fewer_lead[t - x] + v, s + 5 * v)));
            }
        }
        at(1)[x] = std::max(at(1)[x], v);
        at(1)[width_ + x] = std::max<i16>(at(1)[width_ + x], static_cast<i16>(5 * v));
        if (i % stride_ == 0)
            std::copy(current.begin(), current.end(), table_.begin() + (i / stride_) * per_row);
    }
}

bool ScoreUpReach::open(const PartialSums& placed, usize row, usize free, i64 lo, i64 hi) const {
    if (table_.empty()) return true;
    const i64 skill = placed.skill_sum;
    const i64 top = placed.lead_known ? placed.lead_skill : placed.max_skill;
    if (free == 0) return lo <= 0 && 0 <= hi && reaches_lower_bound(lower_bound_, skill + 4 * top);
    // 1. The totals of `free` cards within the window, in steps.
    const i64 step = step_;
    const i64 first = std::max<i64>(lo, 0) <= 0 ? 0 : (lo + step - 1) / step;
    const i64 last = std::min<i64>(hi < 0 ? -1 : hi / step, static_cast<i64>(width_) - 1);
    const usize stored = std::min(row, positions_) / stride_;
    const i16* sum = sums(stored, free);
    const i16* lead = led(stored, free);
    // 2. The best five-fold score up over those totals.
    i64 best = -1;
    for (i64 t = first; t <= last; ++t) {
        if (sum[t] < 0) continue;
        best = std::max(best, placed.lead_known
                                  ? skill + 4 * top + sum[t]
                                  : std::max<i64>(skill + 4 * top + sum[t], skill + lead[t]));
    }
    return best >= 0 && reaches_lower_bound(lower_bound_, best);
}

}  // namespace vdz
