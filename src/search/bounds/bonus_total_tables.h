// Tables over the choices of a few cards from a pool position on, by the
// exact sum of their event bonus totals: a deck lands on a tier only when its
// free cards add one of a few totals, so what the choices of those totals can
// bring (skill, power) bounds the deck far below what the best cards of any
// bonus would. Shared by the tiered search's score-up and live-score cuts.
#pragma once

#include <algorithm>
#include <functional>
#include <numeric>
#include <vector>

#include "common/check.h"
#include "common/types.h"
#include "pool/card_pool.h"
#include "search/bounds/fixed_slot_layout.h"

namespace vdz {

// Per stored pool position, per count c (1..`MAX_COUNT`) and per sum of
// bonus totals, one `Entry` that bounds every choice of c cards from that
// position on with that sum, whatever their characters. A stored row holds
// the cards from its position on, a superset of those of any later row, so
// reading the stored row at or before the asked one only loosens a bound.
// `Entry` has a flag `reached` (false by default: no choice) and
// `keep_best(other)`, which makes it bound `other`'s choices too.
// With a fixed-slot layout that is on, a row within its runs holds, per count
// c, only the choices a partial deck of 5 - c cards whose next card comes
// from that row on can complete itself with: one card of its own run from
// the row on and one of each later run (none of an earlier run, which lies
// behind it), and its other cards after the runs. Those are still a subset
// of the cards from the row on, and a row at or before the asked one still
// holds every choice of the asked one.
// Built once per search; read only afterwards.
template <class Entry, usize MAX_COUNT>
class BonusTotalTables {
  public:
    BonusTotalTables() = default;

    // `join(fewer, card)`: an entry bounding the choices of `fewer` (none:
    // the empty choice) with `card` added. Left empty where the tables would
    // not fit their budget.
    template <class Join>
    BonusTotalTables(const CardPool& pool, Join join, const FixedSlotLayout& layout = {}) {
        const usize n = pool.count();
        positions_ = n;
        // 1. Totals in steps of their greatest common divisor; the largest
        // MAX_COUNT of them bound every sum.
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
        for (usize i = 0; i < std::min<usize>(MAX_COUNT, largest.size()); ++i)
            most += largest[i] / step_;
        width_ = static_cast<usize>(most) + 1;
        // 2. Rows stored at a stride that keeps the tables within budget.
        const usize per_row = MAX_COUNT * width_;
        if (per_row * sizeof(Entry) > TABLE_BUDGET || n * per_row > BUILD_BUDGET) return;
        stride_ = std::max<usize>(
            1, ((n + 1) * per_row * sizeof(Entry) + TABLE_BUDGET - 1) / TABLE_BUDGET);
        table_.assign((n / stride_ + 1) * per_row, Entry{});
        // 3. From the last position down, each card joins every choice of one
        // card fewer (counts taken downwards, so a choice never takes it
        // twice); a row is stored once its card has joined.
        std::vector<Entry> current(per_row);
        if (n % stride_ == 0) std::copy(current.begin(), current.end(), table_.end() - per_row);
        // Within the runs `current` stays at the first row after them, and
        // `done[d]` holds the choices of a deck of d cards at its run's start.
        const usize runs = layout.on() ? layout.slots() : 0;
        std::vector<std::vector<Entry>> done(runs + 1);
        std::vector<Entry> own(width_);
        for (usize i = n; i-- > 0;) {
            const u16 card = static_cast<u16>(i);
            const usize x = totals[i] / step_;
            if (runs != 0 && i < layout.end) {
                join_run(layout, done, own, current, i, x, card, join);
                continue;
            }
            for (usize count = MAX_COUNT; count >= 2; --count) {
                Entry* to = current.data() + (count - 1) * width_;
                const Entry* fewer = current.data() + (count - 2) * width_;
                for (usize t = width_; t-- > x;)
                    if (fewer[t - x].reached) to[t].keep_best(join(&fewer[t - x], card));
            }
            current[x].keep_best(join(nullptr, card));
            if (i % stride_ == 0)
                std::copy(current.begin(), current.end(),
                          table_.begin() + static_cast<std::ptrdiff_t>((i / stride_) * per_row));
        }
        build_blocks();
    }

    bool built() const { return !table_.empty(); }

    // The `keep_best` of the entries of every sum within `lo`..=`hi` (tenths
    // of a percent) that `count` (1..MAX_COUNT) cards from position `row` on
    // make (unreached where none is), read from whole blocks where the
    // window covers them: a tier's window spans dozens of sums, and
    // `keep_best` takes the largest of each part, so the order and grouping
    // of the entries it joins change nothing.
    Entry best_within(usize row, usize count, i64 lo, i64 hi) const {
        return best_in(window(row, count, lo, hi));
    }

    // The sums `best_within` reads: its stored line (row and count) and
    // first and last sum, in steps. Two questions of one window read the
    // same entries, and the tables never change once built.
    struct Window {
        usize line = 0;
        i64 first = 0;
        i64 last = -1;
    };
    Window window(usize row, usize count, i64 lo, i64 hi) const {
        return {(std::min(row, positions_) / stride_) * MAX_COUNT + count - 1,
                lo <= 0 ? 0 : (lo + step_ - 1) / step_,
                std::min<i64>(hi < 0 ? -1 : hi / step_, static_cast<i64>(width_) - 1)};
    }
    Entry best_in(const Window& w) const {
        Entry best;
        const Entry* at = table_.data() + w.line * width_;
        const Entry* blocks = blocks_.data() + w.line * block_width();
        for (i64 t = w.first; t <= w.last;) {
            const bool whole = t % BLOCK == 0 && t + BLOCK - 1 <= w.last;
            const Entry& e = whole ? blocks[t / BLOCK] : at[t];
            if (e.reached) best.keep_best(e);
            t += whole ? BLOCK : 1;
        }
        return best;
    }

  private:
    // Card `card` (position `i`, total `x` steps) of its run joins the
    // choices of the deck one card longer, and row `i` is stored where due.
    template <class Join>
    void join_run(const FixedSlotLayout& layout, std::vector<std::vector<Entry>>& done,
                  std::vector<Entry>& own, const std::vector<Entry>& after, usize i, usize x,
                  u16 card, Join& join) {
        const usize runs = layout.slots();
        const usize run = layout.slot_at(i);
        // The choices of a deck of d cards (d > `run`): a later run's, or
        // those of the cards after the runs.
        const auto of_depth = [&](usize d) -> const Entry* {
            if (d < runs) return done[d].data();
            return d < 5 ? after.data() + (4 - d) * width_ : nullptr;
        };
        if (i + 1 == layout.run_end(run)) std::fill(own.begin(), own.end(), Entry{});
        if (5 - run <= MAX_COUNT) {
            if (const Entry* longer = of_depth(run + 1)) {
                for (usize t = width_; t-- > x;)
                    if (longer[t - x].reached) own[t].keep_best(join(&longer[t - x], card));
            } else {
                own[x].keep_best(join(nullptr, card));
            }
        }
        if (i == layout.begin[run]) done[run] = own;
        if (i % stride_ != 0) return;
        Entry* row = table_.data() + (i / stride_) * MAX_COUNT * width_;
        for (usize count = 1; count <= MAX_COUNT; ++count) {
            const usize d = 5 - count;
            Entry* to = row + (count - 1) * width_;
            const Entry* from = d == run ? own.data() : (d > run ? of_depth(d) : nullptr);
            if (from) {
                std::copy(from, from + width_, to);
            } else {
                std::fill(to, to + width_, Entry{});
            }
        }
    }

    usize block_width() const { return (width_ + BLOCK - 1) / BLOCK; }

    // Per stored row and count, the join of each block of BLOCK sums.
    void build_blocks() {
        const usize lines = table_.size() / width_;
        blocks_.assign(lines * block_width(), Entry{});
        for (usize line = 0; line < lines; ++line)
            for (usize t = 0; t < width_; ++t)
                if (const Entry& e = table_[line * width_ + t]; e.reached)
                    blocks_[line * block_width() + t / BLOCK].keep_best(e);
    }

    // Sums per block: the blocks add an eighth to the bytes held.
    static constexpr i64 BLOCK = 8;

    // Tables beyond these would cost more to build and hold than the cuts
    // save.
    static constexpr usize TABLE_BUDGET = usize{16} << 20;  // bytes held
    static constexpr usize BUILD_BUDGET = usize{1} << 24;   // entries updated

    u32 step_ = 1;         // every card's total is a multiple of it
    usize width_ = 0;      // sums stored per count, in steps
    usize stride_ = 1;     // rows stored: 0, stride, 2 stride, ...
    usize positions_ = 0;  // the pool's cards
    std::vector<Entry> table_;
    std::vector<Entry> blocks_;
};

// The joins of a table's windows of three sums or more, kept as they are
// first read: a window whose support sum is not known yet spans dozens of
// sums, and the nodes of one fixed run, whose free cards come from the same
// stored line, ask the same windows again and again; so do the children of
// one total in a run, each of a tier's exact windows, which span a few sums
// whose joins cost more than a look-up. The tables never change once built,
// so a window's join is the same at every question. Direct-mapped by the
// window's line and ends; one per search, which asks from one thread.
template <class Entry, usize MAX_COUNT>
class WindowJoins {
  public:
    using Tables = BonusTotalTables<Entry, MAX_COUNT>;

    // `tables.best_within(row, count, lo, hi)`.
    Entry best_within(const Tables& tables, usize row, usize count, i64 lo, i64 hi) {
        const typename Tables::Window w = tables.window(row, count, lo, hi);
        if (w.last - w.first < WIDE) return tables.best_in(w);
        if (kept_.empty()) kept_.resize(KEPT);
        const u64 mix = (u64{w.line} * 0x9E3779B97F4A7C15ull) ^
                        (static_cast<u64>(w.first) * 0xC2B2AE3D27D4EB4Full) ^
                        (static_cast<u64>(w.last) * 0x165667B19E3779F9ull);
        Kept& k = kept_[(mix >> 32) % KEPT];
        if (k.at.line == w.line && k.at.first == w.first && k.at.last == w.last) {
            VDZ_ASSERT(k.best == tables.best_in(w));
            return k.best;
        }
        k.at = w;
        k.best = tables.best_in(w);
        return k.best;
    }

  private:
    // Debug builds keep every window, however narrow, and check each one
    // read again against the tables; release builds those of three sums or
    // more (one or two sums cost about what a look-up does).
#if !defined(NDEBUG) || defined(VDZ_CHECKS)
    static constexpr i64 WIDE = 0;
#else
    static constexpr i64 WIDE = 2;  // sums
#endif
    static constexpr usize KEPT = 1024;  // windows kept

    struct Kept {
        typename Tables::Window at{0, 0, -2};  // an empty window: none kept yet
        Entry best;
    };
    std::vector<Kept> kept_;
};

}  // namespace vdz
