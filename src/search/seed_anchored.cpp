// The anchored seed of the final chapter: each of the first eight cards of
// the candidate order leads a deck in slot 0, completed exhaustively from its
// 24 best-ranked cards of other characters; the best deck over all anchors is
// improved around its anchor.
#include "search/seed.h"

#include <algorithm>

namespace vdz {
namespace {

constexpr usize ANCHOR_COUNT = 8;
// Cards searched around one anchor: at most C(24, 4) = 10,626 decks.
constexpr usize ANCHOR_LIST_SIZE = 24;

}  // namespace

void seed_exhaustive_anchored(const CardPool& pool, const SearchContext& context, u16 anchor,
                              std::span<const u16> list, u32 depth, usize start,
                              u32 used_characters, DeckSlots& slots,
                              std::optional<DeckEntry>& best) {
    // 1. A complete deck.
    if (depth == 5) {
        if (const std::optional<u64> score = seed_deck_score(pool, context, slots))
            keep_better_seed(best, *score, slots);
        return;
    }
    // 2-3. Each later list position, the anchor and used characters aside.
    const bool distinct = distinct_characters(context);
    for (usize i = start; i < list.size(); ++i) {
        const u16 card = list[i];
        if (card == anchor) continue;
        const u8 character = pool.character_id(card);
        if (distinct && (used_characters & (1u << character))) continue;
        slots[depth] = card;
        seed_exhaustive_anchored(pool, context, anchor, list, depth + 1, i + 1,
                                 used_characters | (1u << character), slots, best);
    }
}

std::optional<DeckEntry> seed_strategy_anchored(const CardPool& pool, const SearchContext& context,
                                                std::span<const u16> candidate_order) {
    const u16 n = pool.count();
    std::optional<DeckEntry> best;
    // 1. Each anchor with its best cards of other characters.
    const usize anchors = std::min(candidate_order.size(), ANCHOR_COUNT);
    for (usize a = 0; a < anchors; ++a) {
        const u16 anchor = candidate_order[a];
        const u8 character = pool.character_id(anchor);
        std::vector<u16> list;
        for (u16 i = 0; i < n; ++i)
            if (i != anchor && pool.character_id(i) != character) list.push_back(i);
        sort_by_seed_rank(pool, list);
        if (list.size() < 4) continue;
        list.resize(std::min(list.size(), ANCHOR_LIST_SIZE));
        DeckSlots slots;
        slots.fill(anchor);
        seed_exhaustive_anchored(pool, context, anchor, list, 1, 0, 1u << character, slots, best);
    }
    if (!best) return std::nullopt;
    // 2. Improved around its anchor and scored anew.
    const DeckSlots improved = improve_deck(pool, context, best->slots, best->slots[0], nullptr);
    // The anchors and their lists ignore the fixed cards and characters, and
    // the depth-first search keeps a seed unchecked: a deck off the layout
    // could be reported although it lacks a card the request fixed.
    if (!follows_fixed_layout(pool, context, improved)) return std::nullopt;
    const std::optional<u64> score = seed_deck_score(pool, context, improved);
    if (!score) return std::nullopt;
    return DeckEntry{*score, improved};
}

}  // namespace vdz
