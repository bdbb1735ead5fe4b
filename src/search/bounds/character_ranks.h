// The characters a completion takes at best, read off the per-character
// rankings of the bound tables. Every card of a completion is of a distinct
// unused character and at most that character's best; where fixed cards and
// characters must still come, those characters are in every completion, and
// only its other slots are open to the best of the rest.
#pragma once

#include <array>
#include <type_traits>

#include "common/numeric.h"
#include "common/types.h"
#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/bounds/suffix_tables.h"

namespace vdz {

// Where a deck takes one card per character, the characters of the fixed
// cards and characters, which every deck the search records holds; none
// elsewhere.
u32 required_character_mask(const CardPool& pool, const SearchContext& context);

// Of `required` (a character mask), those not in `used` that a completion of
// `k` more cards must hold; none where they outnumber the slots (the best
// `k` unused characters then serve, which still bound).
inline u32 required_unused(u32 required, u32 used, usize k) {
    required &= ~used;
    return bit_count(required) <= k ? required : 0;
}

// Walks `order` (characters, best first) over the unused characters a
// completion of `k` cards that holds the `required` ones takes at best:
// each required one and the first `k` - |required| others, calling
// `take(rank)` for each, best first. Returns the rank of the first other
// unused character left out, `CHARACTER_SLOT_COUNT` where none is.
template <class Take>
usize walk_unused(const std::array<u8, CHARACTER_SLOT_COUNT>& order, u32 used, usize k,
                  u32 required, Take&& take) {
    usize others = k - bit_count(required);
    usize next = CHARACTER_SLOT_COUNT;
    for (usize j = 0; j < CHARACTER_SLOT_COUNT; ++j) {
        const u32 bit = 1u << order[j];
        if (used & bit) continue;
        if (required & bit) {
            required &= ~bit;
            take(j);
        } else if (others > 0) {
            --others;
            take(j);
        } else if (next == CHARACTER_SLOT_COUNT) {
            next = j;
        }
        if (required == 0 && others == 0 && next != CHARACTER_SLOT_COUNT) break;
    }
    return next;
}

// The sum of `keys` (by rank of `order`) over what `walk_unused` takes.
template <class Key>
auto top_unused_sum(const std::array<u8, CHARACTER_SLOT_COUNT>& order,
                    const std::array<Key, CHARACTER_SLOT_COUNT>& keys, u32 used, usize k,
                    u32 required = 0) {
    std::conditional_t<std::is_floating_point_v<Key>, double, u64> sum = 0;
    walk_unused(order, used, k, required, [&](usize j) { sum += keys[j]; });
    return sum;
}

}  // namespace vdz
