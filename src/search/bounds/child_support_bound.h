// A node's children's extra bonus in support-bonus mode, asked once per
// scanned child: the node's list with its placed cards' entries left out is
// walked once per node, so each child skips only its own card's entries
// instead of matching every entry against every placed card again.
#pragma once

#include <array>

#include "search/bounds/dfs_bounds.h"

namespace vdz {

class ChildSupportBound {
  public:
    // The list of a node whose placed cards are `key`, at least one of
    // them (with none, each child's leader chooses its own list).
    ChildSupportBound(const BoundModel& m, const PartialDeckKey& key);

    // `support_bonus_bound` of the node's child with `card`, whose
    // completions have `free_slots` slots left.
    u64 bound(const CardPool& pool, u16 card, usize free_slots) const;

  private:
    const BoundModel& m_;
    const PartialDeckKey& key_;
    // The list's first entries that no placed card holds, in list order;
    // `whole`: no later entry is left out of them.
    std::array<SupportEntry, 32> rest_;
    usize size_ = 0;
    bool whole_ = false;
    // Too many entries are taken for `rest_` to hold those a child needs.
    bool off_ = false;
    // The sum of the first `count` of `rest_`: a child whose card holds
    // none of them takes these, summed in the same order.
    usize head_ = 0;
    double head_sum_ = 0.0;
    // The attribute part for a child whose card's attribute is placed
    // already (0) or new (1), per its free slots.
    std::array<std::array<u32, 6>, 2> attr_{};
};

}  // namespace vdz
