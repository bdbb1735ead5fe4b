// What the cards placed so far leave open of a deck's shape, and the power a
// card can still play in such a deck. A card's power in a deck is the best
// of its units' variants, each chosen by whether all five cards share that
// unit and whether they share one attribute; once placed cards rule a
// sharing out, no completion can bring it back.
#pragma once

#include <algorithm>

#include "common/types.h"
#include "pool/card_pool.h"

namespace vdz {

// The units and attribute a deck holding the placed cards can still share.
struct DeckShapeLeft {
    static constexpr u8 ANY_ATTR = 7;    // no card placed: any attribute
    static constexpr u8 MIXED_ATTR = 6;  // two attributes placed: none

    u8 units = 0x3F;  // units every placed card counts for
    u8 attr = ANY_ATTR;

    DeckShapeLeft with(const CardPool& pool, u16 card) const {
        DeckShapeLeft next;
        next.units = static_cast<u8>(units & pool.unit_mask(card));
        const u8 a = pool.attr(card);
        next.attr = attr == ANY_ATTR ? a : attr == a ? attr : MIXED_ATTR;
        return next;
    }
    // A small number per shape: below 512.
    u32 code() const { return (u32{attr} << 6) | (units & 0x3Fu); }
};

// The largest power `card` plays in any deck of shape `left`, or with
// `least`, the smallest: over each unit of the card (the deck takes the best
// unit), the variants whose unit sharing and attribute sharing `left` still
// allows.
inline u32 shape_power_bound(const CardPool& pool, u16 card, DeckShapeLeft left, bool least) {
    const u32 high = pool.unit_values_high(card);
    const u8 a = pool.attr(card);
    const bool attr_open = left.attr == DeckShapeLeft::ANY_ATTR || left.attr == a;
    u32 best = 0;
    for (u32 units = pool.unit_mask(card) & 0x3Fu; units != 0; units &= units - 1) {
        const u32 u = static_cast<u32>(__builtin_ctz(units));
        const u32 first = 4 * ((high >> (16 + u)) & 1u);
        const bool unit_open = (left.units >> u) & 1u;
        u32 value = pool.unit_value(card, first);
        for (u32 shared = 0; shared <= (unit_open ? 1u : 0u); ++shared)
            for (u32 same = 0; same <= (attr_open ? 1u : 0u); ++same) {
                const u32 v = pool.unit_value(card, first + 2 * shared + same);
                value = least ? std::min(value, v) : std::max(value, v);
            }
        best = std::max(best, value);
    }
    return best;
}

}  // namespace vdz
