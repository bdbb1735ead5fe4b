// Every deck holds five distinct card ids, five distinct characters unless
// characters may repeat, each fixed card and a card of each fixed
// character. Each test below checks one of these against the whole pool, so
// a pool that fails it holds no deck; the other rules (lower bounds, the
// final chapter's leader) are left to the searches.
#include "search/deck_feasibility.h"

#include <algorithm>
#include <bitset>
#include <vector>

namespace vdz {

bool no_deck_can_exist(const CardPool& pool, const SearchContext& context) {
    std::bitset<256> characters;
    std::vector<u16> ids(pool.count());
    for (u16 i = 0; i < pool.count(); ++i) {
        characters.set(pool.character_id(i));
        ids[i] = pool.card_id(i);
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    const bool repeats = !context.dominance_pruning;
    if ((repeats ? ids.size() : characters.count()) < 5) return true;
    const bool card_missing =
        std::any_of(context.fixed_cards.begin(), context.fixed_cards.end(),
                    [&](u16 id) { return !std::binary_search(ids.begin(), ids.end(), id); });
    const bool character_missing =
        std::any_of(context.fixed_characters.begin(), context.fixed_characters.end(),
                    [&](u8 c) { return !characters.test(c); });
    return card_missing || character_missing;
}

}  // namespace vdz
