// The World Bloom extra bonus a partial deck's completions can still get: its
// support list's best entries that are not its own cards, and the attribute
// counts it can reach. The depth-first search asks it for nearly every child,
// so each list's first entries are indexed once per search.
#pragma once

#include <array>
#include <vector>

#include "common/types.h"
#include "pool/search_context.h"
#include "search/bounds/partial_sums.h"

namespace vdz {

struct BoundModel;

// What the support bound reads of one support list sorted best first;
// owned by the bound model, built once per search. A deck takes the list's
// first `count` entries that are not its cards, so only the first `count`
// plus five entries can be reached; where their card ids are distinct and
// fit 64 places, a card id finds its entry's place at once.
struct SupportListIndex {
    bool on = false;
    // `head_mask`: the places of the entries a deck holding none of them
    // takes, and their sum's bound (the sum rounded up, as the walk does).
    u64 head_mask = 0;
    u64 head_value = 0;
    // The entries' values, none below 0, summed in list order: `prefix[j]`
    // holds the first j, each added to the sum before it, so a walk that
    // takes them all reaches the same double.
    std::vector<double> prefix;
    // Every value is a multiple of 2^-30 and all together stay below 2^22:
    // then every sum of some of them, in any order, is a multiple of 2^-30
    // below 2^22, which a double holds exactly, so each addition is exact
    // and a sum is the same whichever entries it leaves out and how.
    bool exact = false;
    // By card id, its entry's place among the reachable ones, or 0xFF.
    std::vector<u8> place;
};

SupportListIndex make_support_list_index(const SupportDeckList& list);

// The extra bonus of every completion of a partial deck with `free_slots`
// slots left: its support list's best entries not already in the deck, and
// the attribute-count bonus of the attribute counts it can still reach.
u64 support_bonus_bound(const BoundModel& m, usize free_slots, const PartialDeckKey& key);

}  // namespace vdz
