// The power a final-chapter deck can still reach, taken per deck shape: the
// units all five cards share and whether they share one attribute. A card's
// power column is its best variant over every shape, which a deck rarely
// has; a card placed or a group chosen is worth only its variant for the
// shape the deck ends with, and that shape is one the leader's units and
// attribute allow.
#pragma once

#include <array>
#include <span>

#include "common/types.h"
#include "pool/card_pool.h"

namespace vdz {

// Column of a group's shape table for decks that share no attribute.
inline constexpr usize NO_SHARED_ATTR = CardPool::ATTR_SLOTS;

// Per set of shared units (6 bits) and shared attribute (or NO_SHARED_ATTR):
// the largest power a card of one group plays in a deck of that shape, 0
// when no card of the group fits it (a deck sharing a unit holds only cards
// of that unit, one sharing an attribute only cards of it).
using GroupShapePowers = std::array<std::array<u32, CardPool::ATTR_SLOTS + 1>, 64>;

GroupShapePowers group_shape_powers(const CardPool& pool, std::span<const u16> cards);

// The shapes a deck of one leader card can have: every subset of the
// leader's units, each with or without the leader's attribute shared. Not
// `known` for a leader of more than three units (the sums would not fit).
struct LeaderShapeSet {
    std::array<u8, 8> units{};  // the subsets of the leader's units
    usize count = 0;
    u8 attr = 0;  // the leader's attribute
    bool known = false;
};

LeaderShapeSet leader_shape_set(const CardPool& pool, u16 leader);

// Per subset k of a LeaderShapeSet, summed powers of some cards in a deck
// sharing those units: [k][0] sharing no attribute, [k][1] sharing the
// leader's.
using ShapeSums = std::array<std::array<u32, 2>, 8>;

// A group's table entry for subset k of `shapes`, sharing the leader's
// attribute when `same_attr`.
inline u32 shape_entry(const GroupShapePowers& table, const LeaderShapeSet& shapes, usize k,
                       bool same_attr) {
    return table[shapes.units[k]][same_attr ? shapes.attr : NO_SHARED_ATTR];
}

// Adds `card`'s power per shape to `sums`, for the shapes a deck whose cards
// share `common_units` (the card's included) and, with `same_attr`, one
// attribute can still have; the other entries are left as they are and
// never read again, since a further card only narrows both.
void add_shape_powers(const CardPool& pool, const LeaderShapeSet& shapes, u16 card, u8 common_units,
                      bool same_attr, ShapeSums& sums);

// The largest power of a deck whose placed cards sum to `placed` and whose
// open groups' shape tables sum to `open`, over the shapes the placed cards
// still allow: every card plays its variant of the deck's one final shape,
// so for that shape the deck is worth at most its placed and open sums.
u32 shaped_power_bound(const LeaderShapeSet& shapes, const ShapeSums& placed, const ShapeSums& open,
                       u8 common_units, bool same_attr);

}  // namespace vdz
