// Where a node's children lie in the fixed slots' runs, the table of what
// the rest can add (`CompletionBonusReach`) tells which tiers each child's
// completions can land on: its tests ask only those, and a child, or a run
// of cards of one total, that lands on none is passed over. The table is
// exact, so it cuts what the tiers' windows, wide where the support sum is
// unknown, let through; the debug build checks it at every prefix in the
// runs of each recorded deck.
#include <algorithm>
#include <array>

#include "search/dfs/dfs_node.h"

namespace vdz {

u64 DfsNode::child_tiers(usize begin, usize end) {
    const CompletionBonusReach& rest = *state_.completion_reach;
    if (!placed_reach_) placed_reach_ = rest.placed(depth_, partial_);
    u64 mask = 0;
    // Cards of one total mostly share their attribute and support run, and
    // with them the answer.
    std::array<CompletionBonusReach::Placed, 4> asked{};
    usize count = 0;
    for (usize i = begin; i < end; ++i) {
        const u16 card = static_cast<u16>(i);
        if (!admitted(card)) continue;
        const CompletionBonusReach::Placed child = rest.with_card(*placed_reach_, card);
        const auto same = [&](const CompletionBonusReach::Placed& p) {
            return p.runs == child.runs && p.attrs == child.attrs && p.x10 == child.x10;
        };
        if (std::any_of(asked.begin(), asked.begin() + count, same)) continue;
        if (count < asked.size()) asked[count++] = child;
        mask |= rest.reachable_tiers(depth_ + 1, child, state_.tier_keys);
    }
    return mask;
}

}  // namespace vdz
