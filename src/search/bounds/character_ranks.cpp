// The fixed characters' mask, found once per search.
#include "search/bounds/character_ranks.h"

#include <algorithm>

namespace vdz {

u32 required_character_mask(const CardPool& pool, const SearchContext& context) {
    if (!context.dominance_pruning) return 0;
    u32 mask = 0;
    for (const u8 c : context.fixed_characters)
        mask |= 1u << c;
    const auto& ids = context.fixed_cards;
    for (u16 i = 0; i < pool.count(); ++i)
        if (std::find(ids.begin(), ids.end(), pool.card_id(i)) != ids.end())
            mask |= 1u << pool.character_id(i);
    return mask;
}

}  // namespace vdz
