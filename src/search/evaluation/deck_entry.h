// The scored deck that every search records and every result list keeps: a
// 64-bit ranking key and five pool indices in slot order, with the deck order
// and the card-set key by which the lists rank and de-duplicate decks.
#pragma once

#include <array>
#include <span>

#include "common/check.h"
#include "common/types.h"
#include "pool/card_pool.h"

namespace vdz {

// Five pool indices in slot order.
using DeckSlots = std::array<u16, 5>;

// A deck as the searches pass it around; copied whole into result lists.
struct DeckEntry {
    u64 score = 0;  // ranking key: compared unsigned, larger is better
    DeckSlots slots{};

    bool operator==(const DeckEntry&) const = default;
};

// A deck's five card ids sorted ascending: decks with equal keys are one card
// set, also when they use different pool cards carrying one card id.
using CardSetKey = std::array<u16, 5>;

// Deck order, best first: the greater key, then the lexicographically smaller
// slots. Equal key and slots rank neither way.
inline bool ranks_before(const DeckEntry& a, const DeckEntry& b) {
    if (a.score != b.score) return a.score > b.score;
    return a.slots < b.slots;
}

// The pool's card_id column, one u16 per card.
inline std::span<const u16> pool_card_ids(const CardPool& pool) {
    return {reinterpret_cast<const u16*>(pool.column_bytes(CardPool::CARD_ID)), pool.count()};
}

// ---------------------------------------------------------------------------

// Sorts five values ascending with a fixed insertion network.
template <class T>
void sort_five(std::array<T, 5>& v) {
    for (usize i = 1; i < 5; ++i) {
        const T x = v[i];
        usize j = i;
        for (; j > 0 && v[j - 1] > x; --j)
            v[j] = v[j - 1];
        v[j] = x;
    }
}

// The card-set key of `slots`, each slot an index into `card_ids`.
inline CardSetKey card_set_key(std::span<const u16> card_ids, const DeckSlots& slots) {
    CardSetKey key;
    for (usize s = 0; s < 5; ++s) {
        VDZ_ASSERT(slots[s] < card_ids.size());
        key[s] = card_ids[slots[s]];
    }
    sort_five(key);
    return key;
}

}  // namespace vdz
