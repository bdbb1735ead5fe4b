// A bound of the decks of a set of four character groups that keeps each
// deck's power and event bonus on the same cards. The group and card
// bounds take each open group's largest power and largest bonus, often of
// different cards; in solo and auto lives the event points grow with the
// product of the two, which a sum of per-card scalars bounds (see the
// source).
#pragma once

#include <array>

#include "common/types.h"
#include "search/final_chapter/final_records.h"

namespace vdz {

// The values of `gs.leader` over `gs.groups` (`gs.tied` unread). None
// apply (shape_count 0) where the request's key is not event points of a
// solo or auto live or the leader's deck shapes are not known.
TiedLeader tied_leader(const GroupSearchState& gs);

// The tied bound of the decks whose other cards come one from each group of
// `order` (card-search order), whose `part` (at depth 4) bounds their skill
// values; not `valid` without `gs.tied` values.
TiedBound tied_bound(const GroupSearchState& gs, const std::array<usize, 4>& order,
                     const ChosenGroupsPart& part);

// The bound of the decks whose groups are the `depth` chosen ones and
// 4 - depth from index `start` on, whose skill values `skills` and
// `leader_skill` bound; the largest key without `gs.tied` values.
u64 tied_group_key(const GroupSearchState& gs, const std::array<usize, 4>& chosen, usize depth,
                   usize start, const TopFive& skills, u32 leader_skill);

// The placed cards' part of the bound: their scalars per shape, and the
// shapes every placed card fits.
struct TiedPlaced {
    std::array<double, 16> sum{};
    u32 shapes = ~0u;
};

// `placed` with `card` added.
TiedPlaced tied_with(const GroupSearchState& gs, const TiedPlaced& placed, u16 card);

// The part of the cards at deck[1 .. d].
TiedPlaced tied_placed(const GroupSearchState& gs, const DeckSlots& deck, usize d);

// Upper bound of the key of every deck of the set with the `placed` cards
// in the positions before `p` and the groups from `p` on open; the largest
// key where `tb` is not valid.
u64 tied_key(const TiedBound& tb, const GroupSearchState& gs, const TiedPlaced& placed, usize p);

// The same where `skills` and `leader_skill` bound the decks' skill values
// more tightly than the set's, at their rate; the largest key where that
// rate is not below the set's (ask `tied_key` for the set's rate).
u64 tied_key_at(const TiedBound& tb, const GroupSearchState& gs, const TiedPlaced& placed, usize p,
                const TopFive& skills, u32 leader_skill);

}  // namespace vdz
