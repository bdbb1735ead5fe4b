// The bounds of a card-search node's children, card by card: the relaxed
// bound of the frontier test and the quick bound of the scan. A node bounds
// every card of its group (or of its frontier) against the same placed
// cards and later groups, so the parts that do not depend on the card are
// summed once per node and each card only adds its own values.
#pragma once

#include <array>

#include "search/final_chapter/final_records.h"

namespace vdz {

class ChildBounds {
  public:
    // The children of node `s`, which has placed the cards of the groups
    // before position `d`, each child placing a card of the group at `d`;
    // `most` the node's most cards per unit, `open` the skill bounds of
    // the groups after `d`.
    ChildBounds(const GroupSearchState& gs, const ChosenGroupTable& t, usize d,
                const CardSearchState& s, const UnitCounts& most, const TopFive& open);

    // The children of the leader alone over the ordered groups `order`,
    // summed from the groups themselves: the hand-off tests the first
    // group's frontier before it builds the card search's table and root.
    // Its relaxed bounds equal those of the constructor above at that root;
    // it has no quick bounds.
    ChildBounds(const GroupSearchState& gs, const std::array<usize, 4>& order,
                const ChosenGroupsPart& part);

    // The child's bound with the card's attribute and units read at their
    // most favourable (the power at the larger of the plain and the shared
    // case, every attribute count the node allows with 4 - d more cards).
    u64 relaxed(u16 c) const;

    // The child's bound from the parent's support value: the power of the
    // units and attribute the child's cards share, its attribute count.
    u64 quick(u16 c) const;

    // The skill values the bounds above read for the child.
    TopFive skills_with(u16 c) const;

  private:
    u64 key(u32 power, u16 c, u32 extra_percent) const;

    const GroupSearchState& gs_;
    UnitCounts most_{};
    u32 placed_bonus_ = 0;  // the node's cards' bonuses, tenths
    u32 leader_skill_ = 0;
    bool relaxed_only_ = false;
    bool known_ = false;                    // the leader's shapes
    u32 plain_rest_ = 0, shared_rest_ = 0;  // the node's and later groups' plain and shared powers
    u32 shaped_rest_ = 0;                   // the best shape's sum without the card (relaxed)
    std::array<std::array<u32, 2>, 8> shape_rest_{};  // per shape, placed and later groups
    TopFive skills_{};                                // the node's and later groups' skill bounds
    u32 base_rest_ = 0, both_rest_ = 0;    // later groups' base, and base and limited, bonuses
    u32 limited_k_ = 0, limited_kth_ = 0;  // with the later groups', the k counted places
    u32 own_limited_sum_ = 0, own_limited_least_ = 0;  // the placed cards' five
    u32 support_x10_ = 0;
    u32 relaxed_attr_ = 0;                 // attribute bonus of the relaxed bound
    std::array<u32, 2> quick_attr_{};      // of the quick bound, [1] for a new attribute
    u8 attr_mask_ = 0, common_units_ = 0;  // the node's
    bool limited_counts_ = false;
};

}  // namespace vdz
