// The anchored seed of the final chapter: each of the first eight cards of
// the candidate order that may stand in slot 0 leads a deck, completed
// exhaustively from its best-ranked cards of other characters under the
// fixed layout; the best deck over all anchors is improved around its
// anchor. Every deck it builds follows the layout, so none is dropped.
#include "search/seeds/seed.h"

#include <algorithm>

#include "common/check.h"

namespace vdz {
namespace {

constexpr usize ANCHOR_COUNT = 8;
// Free cards searched around one anchor: at most C(24, 4) = 10,626 decks.
constexpr usize ANCHOR_LIST_SIZE = 24;
// Cards of one fixed character searched around one anchor.
constexpr usize FIXED_CHARACTER_CARDS = 6;

// Slot 0 of the fixed layout: the first fixed card, else the first fixed
// character, else any card.
bool may_lead(const CardPool& pool, const SearchContext& context, u16 card) {
    if (!context.fixed_cards.empty()) return pool.card_id(card) == context.fixed_cards[0];
    if (!context.fixed_characters.empty())
        return pool.character_id(card) == context.fixed_characters[0];
    return true;
}

// The cards around `anchor`, in the order of the slots they may fill (the
// kernel takes ascending positions): each fixed slot's cards, then the best
// free cards. A free card is of a character no fixed slot or the anchor holds.
std::vector<u16> anchor_list(const CardPool& pool, const SearchContext& context, u16 anchor) {
    const u16 n = pool.count();
    std::vector<u16> list;
    u32 taken_characters = 1u << pool.character_id(anchor);
    for (usize depth = 1; depth < 5; ++depth) {
        const usize fixed = context.fixed_cards.size();
        if (depth >= fixed + context.fixed_characters.size()) break;
        std::vector<u16> cards;
        for (u16 i = 0; i < n; ++i)
            if (i != anchor && fits_fixed_slot(pool, context, depth, i)) cards.push_back(i);
        sort_by_seed_rank(pool, cards);
        if (depth >= fixed) cards.resize(std::min(cards.size(), FIXED_CHARACTER_CARDS));
        for (const u16 card : cards)
            taken_characters |= 1u << pool.character_id(card);
        list.insert(list.end(), cards.begin(), cards.end());
    }
    std::vector<u16> free;
    for (u16 i = 0; i < n; ++i)
        if (i != anchor && !(taken_characters & (1u << pool.character_id(i)))) free.push_back(i);
    sort_by_seed_rank(pool, free);
    free.resize(std::min(free.size(), ANCHOR_LIST_SIZE));
    list.insert(list.end(), free.begin(), free.end());
    return list;
}

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
    // 2-3. Each later list position the slot may take, the anchor and used
    // characters aside.
    const bool distinct = distinct_characters(context);
    for (usize i = start; i < list.size(); ++i) {
        const u16 card = list[i];
        if (card == anchor || !fits_fixed_slot(pool, context, depth, card)) continue;
        const u8 character = pool.character_id(card);
        if (distinct && (used_characters & (1u << character))) continue;
        slots[depth] = card;
        seed_exhaustive_anchored(pool, context, anchor, list, depth + 1, i + 1,
                                 used_characters | (1u << character), slots, best);
    }
}

std::optional<DeckEntry> seed_strategy_anchored(const CardPool& pool, const SearchContext& context,
                                                std::span<const u16> candidate_order) {
    std::optional<DeckEntry> best;
    // 1. Each anchor with its cards, the layout's slots first.
    usize anchors = 0;
    for (const u16 anchor : candidate_order) {
        if (anchors == ANCHOR_COUNT) break;
        if (!may_lead(pool, context, anchor)) continue;
        ++anchors;
        const std::vector<u16> list = anchor_list(pool, context, anchor);
        if (list.size() < 4) continue;
        DeckSlots slots;
        slots.fill(anchor);
        seed_exhaustive_anchored(pool, context, anchor, list, 1, 0, 1u << pool.character_id(anchor),
                                 slots, best);
    }
    if (!best) return std::nullopt;
    // 2. Improved around its anchor (fixed slots stay) and scored anew.
    const DeckSlots improved = improve_deck(pool, context, best->slots, best->slots[0], nullptr);
    VDZ_ASSERT(follows_fixed_layout(pool, context, improved));
    const std::optional<u64> score = seed_deck_score(pool, context, improved);
    if (!score) return std::nullopt;
    return DeckEntry{*score, improved};
}

}  // namespace vdz
