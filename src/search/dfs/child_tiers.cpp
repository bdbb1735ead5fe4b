// Where a node's children lie in the fixed slots' runs, the table of what
// the rest can add (`CompletionBonusReach`) tells which tiers each child's
// completions can land on: its tests ask only those, and a child, or a run
// of cards of one total, that lands on none is passed over. The table is
// exact, so it cuts what the tiers' windows, wide where the support sum is
// unknown, let through; the debug build checks it at every prefix in the
// runs of each recorded deck.
#include "search/dfs/dfs_node.h"

namespace vdz {

u64 DfsNode::child_tiers(usize begin, usize end) {
    // Every child of this node comes from its slot's run, and the nodes of
    // one set of placed cards' runs, attributes and total (many share one)
    // ask the same positions.
    const usize first = state_.slot_begin[depth_];
    if (!run_tiers_) {
        const CompletionBonusReach& rest = *state_.completion_reach;
        run_tiers_ = &rest.run_tiers(depth_ + 1, rest.placed(depth_, partial_), first,
                                     state_.slot_end[depth_], state_.tier_keys, spare_tiers_);
    }
    u64 mask = 0;
    for (usize i = begin; i < end; ++i)
        if (admitted(static_cast<u16>(i))) mask |= (*run_tiers_)[i - first];
    return mask;
}

usize DfsNode::next_child_with_tiers(usize i, u64 mask) {
    child_tiers(i, i);  // the run's answers, on first use
    const usize first = state_.slot_begin[depth_];
    while (i < scan_end() && ((*run_tiers_)[i - first] & mask) == 0)
        ++i;
    return i;
}

}  // namespace vdz
