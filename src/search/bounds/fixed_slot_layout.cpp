// The runs are checked, not assumed: every card of a fixed slot must lie in
// its run, in slot order, or the layout is left off.
#include "search/bounds/fixed_slot_layout.h"

#include <algorithm>

namespace vdz {

usize FixedSlotLayout::slot_at(usize row) const {
    if (row >= end) return slots();
    return static_cast<usize>(std::upper_bound(begin.begin(), begin.end(), row) - begin.begin()) -
           1;
}

FixedSlotLayout fixed_slot_layout(const CardPool& pool, const SearchContext& context) {
    const usize fixed_cards = context.fixed_cards.size();
    const usize slots = fixed_cards + context.fixed_characters.size();
    if (!context.dominance_pruning || slots == 0 || slots > 5) return {};
    // The fixed slot a card belongs to, `slots` for none.
    const auto slot_of = [&](usize i) {
        const u16 card = static_cast<u16>(i);
        for (usize s = 0; s < fixed_cards; ++s)
            if (pool.card_id(card) == context.fixed_cards[s]) return s;
        for (usize s = 0; s < context.fixed_characters.size(); ++s)
            if (pool.character_id(card) == context.fixed_characters[s]) return fixed_cards + s;
        return slots;
    };
    // Each slot a non-empty run, in turn; then no card of any slot.
    FixedSlotLayout out;
    const usize n = pool.count();
    usize i = 0;
    for (usize s = 0; s < slots; ++s) {
        if (i >= n || slot_of(i) != s) return {};
        out.begin.push_back(i);
        while (i < n && slot_of(i) == s)
            ++i;
    }
    out.end = i;
    for (; i < n; ++i)
        if (slot_of(i) != slots) return {};
    return out;
}

}  // namespace vdz
