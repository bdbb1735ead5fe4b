// Row i, count j is row i + 1's count j together with row i + 1's count
// j - 1 shifted up by card i's total: the sums that leave card i out and
// those that take it. Within the fixed runs, a partial deck of d cards takes
// one card of each run from the d-th on and its other free cards after the
// runs: at a row of run d, count 5 - d, the sums that leave card i out are
// row i + 1's within the run (none past it) and those that take it add it to
// the sums of the deck of d + 1 cards, found at the next run's start (or
// after the runs); a deck of more cards finds its sums at its own run's
// start, one of fewer has none here, since its run is behind.
#include "search/bounds/later_bonus_sums.h"

#include <algorithm>
#include <functional>

namespace vdz {

LaterBonusSums::LaterBonusSums(const CardPool& pool, const FixedSlotLayout& layout) {
    const usize n = pool.count();
    std::vector<u32> totals;
    for (u16 i = 0; i < pool.count(); ++i)
        totals.push_back(pool.event_bonus(i).total_x10());
    std::vector<u32> largest = totals;
    std::sort(largest.begin(), largest.end(), std::greater<u32>());
    u64 most = 0;
    for (usize i = 0; i < std::min<usize>(5, largest.size()); ++i)
        most += largest[i];
    words_ = static_cast<usize>(most / 64 + 1);
    bits_.assign((n + 1) * 6 * words_, 0);
    const auto row = [&](usize r, usize count) { return bits_.data() + (r * 6 + count) * words_; };
    for (usize r = 0; r <= n; ++r)
        row(r, 0)[0] = 1;
    const std::vector<u64> none(words_, 0);
    for (usize r = n; r-- > 0;) {
        const usize whole = totals[r] / 64, part = totals[r] % 64;
        const bool in_runs = layout.on() && r < layout.end;
        const usize run = in_runs ? layout.slot_at(r) : 0;
        for (usize count = 1; count <= 5; ++count) {
            u64* out = row(r, count);
            const u64* skip = row(r + 1, count);
            const u64* take = row(r + 1, count - 1);
            if (in_runs) {
                const usize depth = 5 - count;
                if (depth < run) {
                    std::fill_n(out, words_, 0);
                    continue;
                }
                if (depth > run) {
                    const usize start = depth < layout.slots() ? layout.begin[depth] : layout.end;
                    std::copy_n(row(start, count), words_, out);
                    continue;
                }
                if (r + 1 >= layout.run_end(run)) skip = none.data();
                take = row(layout.run_end(run), count - 1);
            }
            for (usize w = 0; w < words_; ++w) {
                u64 v = skip[w];
                if (w >= whole) {
                    const usize src = w - whole;
                    v |= take[src] << part;
                    if (part != 0 && src > 0) v |= take[src - 1] >> (64 - part);
                }
                out[w] = v;
            }
        }
    }
}

bool LaterBonusSums::any_within(usize row, usize count, i64 lo, i64 hi) const {
    lo = std::max<i64>(lo, 0);
    hi = std::min<i64>(hi, static_cast<i64>(64 * words_) - 1);
    if (lo > hi) return false;
    const u64* b = bits(row, count);
    const usize first = static_cast<usize>(lo) / 64, last = static_cast<usize>(hi) / 64;
    for (usize w = first; w <= last; ++w) {
        u64 v = b[w];
        if (w == first) v &= ~u64{0} << (static_cast<usize>(lo) % 64);
        if (w == last && static_cast<usize>(hi) % 64 != 63)
            v &= (u64{1} << (static_cast<usize>(hi) % 64 + 1)) - 1;
        if (v != 0) return true;
    }
    return false;
}

}  // namespace vdz
