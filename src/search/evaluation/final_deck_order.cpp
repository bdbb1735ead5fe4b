// Choosing the counted cards first and then keeping card-id order wherever
// it does no harm makes the order a function of the leader and the card set
// alone: one deck per set, whichever order a search reached it in, and the
// order the result lists show outside the limited bonus's reach.
#include "search/evaluation/final_deck_order.h"

#include <algorithm>

namespace vdz {

void arrange_final_deck(const CardPool& pool, const SearchContext& context, DeckSlots& deck) {
    // 1. Slots 1 to 4 by card id (by pool index within one id).
    std::array<u16, 4> rest = {deck[1], deck[2], deck[3], deck[4]};
    std::sort(rest.begin(), rest.end(), [&](u16 a, u16 b) {
        const u16 ia = pool.card_id(a), ib = pool.card_id(b);
        return ia != ib ? ia < ib : a < b;
    });
    // 2. The places the leader leaves: it stands first, so its limited bonus
    // counts whenever any does.
    const u64 cap = context.limited_bonus_count;
    const u64 places = cap != 0 && pool.limited_x10(deck[0]) != 0 ? cap - 1 : cap;
    usize carrying = 0;
    for (const u16 c : rest)
        carrying += pool.limited_x10(c) != 0;
    // 3. The counted cards: the largest limited bonuses, the first in card-id
    // order among equal ones. When all of them fit, every order counts them.
    std::array<bool, 4> counted{};
    if (carrying > places) {
        for (u64 p = 0; p < places; ++p) {
            usize best = 4;
            for (usize i = 0; i < 4; ++i)
                if (!counted[i] && pool.limited_x10(rest[i]) != 0 &&
                    (best == 4 || pool.limited_x10(rest[i]) > pool.limited_x10(rest[best])))
                    best = i;
            counted[best] = true;
        }
    }
    // 4. Card-id order; an uncounted card carrying a limited bonus waits
    // until every counted card has its place.
    u64 left = carrying > places ? places : 0;
    std::array<u16, 4> waiting{};
    usize waits = 0, out = 1;
    for (usize i = 0; i < 4; ++i) {
        if (left > 0 && !counted[i] && pool.limited_x10(rest[i]) != 0) {
            waiting[waits++] = rest[i];
            continue;
        }
        deck[out++] = rest[i];
        if (counted[i] && --left == 0) {
            for (usize w = 0; w < waits; ++w)
                deck[out++] = waiting[w];
            waits = 0;
        }
    }
    VDZ_ASSERT(waits == 0 && out == 5);
}

}  // namespace vdz
