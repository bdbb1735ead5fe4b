// Which doubled event bonuses (the high half of a bonus key) some deck of a
// pool can have, decided from the cards' bonuses alone before any search: a
// table of the sums that five cards of distinct characters can make, kept per
// attribute set and support-list state where a World Bloom event adds those.
// A tier outside it holds no deck, so the tiered search skips it, and a
// request whose tiers all lie outside is answered without a search.
#pragma once

#include <vector>

#include "common/types.h"
#include "pool/card_pool.h"
#include "pool/search_context.h"

namespace vdz {

// Built once per search; owns its keys.
struct ReachableBonuses {
    // False where the bonus follows what the table does not follow (the
    // final chapter's leader and counted limited parts, a support list
    // naming one card twice): then every key counts as reachable.
    bool known = false;
    std::vector<u32> keys;  // ascending, distinct

    bool may_reach(u32 doubled_bonus) const;
};

// Every deck the depth-first search may record has a key listed here: five
// cards, one per character (outside challenge lives), no card id twice,
// holding the fixed cards and a card of every fixed character. The table is
// exact for those rules; it ignores slot order and score-up lower bounds,
// which only remove decks.
ReachableBonuses reachable_bonuses(const CardPool& pool, const SearchContext& context);

}  // namespace vdz
