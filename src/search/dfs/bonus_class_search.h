// The tiered search of a challenge live over a pool listed by bonus: a deck's
// event bonus is the sum of its cards' bonus classes, so each tier is met by
// a few multisets of classes, and the search walks those multisets, best
// bound first, each by its own cards. Where characters may repeat, bounds of
// the best later cards mix every bonus and hardly cut a tier's decks; bounds
// of the classes a deck must take do.
#pragma once

#include "search/dfs/dfs_state.h"

namespace vdz {

// Walks the tiers of `state` by bonus classes where that road serves: tiers
// outside the final chapter, decks that may repeat characters, no fixed
// characters, fewer than five fixed cards, whose skill variants lead the
// pool, a pool listed by bonus, largest first, after them, and not so many
// distinct bonuses that their multisets swamp the walk. There it records
// into the tiers every deck they keep, as the kernel's walk would, stops at
// the state's deadline, and returns true; elsewhere it does nothing and
// returns false.
bool bonus_class_search(SearchNodeState& state);

}  // namespace vdz
