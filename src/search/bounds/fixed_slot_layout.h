// Where a pool lists the cards of its fixed cards and characters. The pool
// builder puts them first, one run per fixed slot in slot order, so a
// partial deck's free cards come from the rest of its slot's run, one card
// of each later run and the cards after the runs: the walk scans a fixed
// slot's run alone, and tables over later positions can follow that shape.
#pragma once

#include <vector>

#include "common/types.h"
#include "pool/card_pool.h"
#include "pool/search_context.h"

namespace vdz {

// Computed once per search; owns its positions.
struct FixedSlotLayout {
    // Per fixed slot, the first position of its run; a run ends where the
    // next begins, the last one at `end`. Empty where a deck may take
    // several cards of a character (a run's cards then do not exclude one
    // another) or where the pool lists the fixed cards otherwise.
    std::vector<usize> begin;
    usize end = 0;  // the first position after the runs

    bool on() const { return !begin.empty(); }
    usize slots() const { return begin.size(); }
    usize run_end(usize slot) const { return slot + 1 < begin.size() ? begin[slot + 1] : end; }
    // The fixed slot whose run holds position `row` (`slots()` past them).
    usize slot_at(usize row) const;
};

FixedSlotLayout fixed_slot_layout(const CardPool& pool, const SearchContext& context);

}  // namespace vdz
