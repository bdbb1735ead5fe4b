// The ranked-shortlist seed of solo and auto score searches with an event:
// the sixteen best-ranked cards searched exhaustively under the fixed layout,
// the best deck improved over the whole pool.
#include "search/seeds/seed.h"

#include <algorithm>
#include <numeric>

namespace vdz {
namespace {

// Cards the shortlist kernel searches: at most 16 decks of five, 4,368.
constexpr usize SHORTLIST_SIZE = 16;

}  // namespace

void seed_exhaustive_plain(const CardPool& pool, const SearchContext& context,
                           std::span<const u16> list, u32 depth, usize start, u32 used_characters,
                           DeckSlots& slots, std::optional<DeckEntry>& best) {
    // 1. A complete deck.
    if (depth == 5) {
        if (const std::optional<u64> score = seed_deck_score(pool, context, slots))
            keep_better_seed(best, *score, slots);
        return;
    }
    // 2-3. Each later list position that the slot may take.
    const bool distinct = distinct_characters(context);
    const usize fixed = context.fixed_cards.size();
    const usize fixed_characters = context.fixed_characters.size();
    for (usize i = start; i < list.size(); ++i) {
        const u16 card = list[i];
        const u8 character = pool.character_id(card);
        if (distinct && (used_characters & (1u << character))) continue;
        if (depth < fixed) {
            if (pool.card_id(card) != context.fixed_cards[depth]) continue;
        } else if (depth - fixed < fixed_characters) {
            if (character != context.fixed_characters[depth - fixed]) continue;
        }
        slots[depth] = card;
        seed_exhaustive_plain(pool, context, list, depth + 1, i + 1,
                              used_characters | (1u << character), slots, best);
    }
}

std::optional<DeckEntry> seed_strategy_plain(const CardPool& pool, const SearchContext& context) {
    const u16 n = pool.count();
    if (n == 0) return std::nullopt;
    // 1. Rank every card; the shortlist is the first sixteen.
    std::vector<u16> shortlist(n);
    std::iota(shortlist.begin(), shortlist.end(), u16{0});
    sort_by_seed_rank(pool, shortlist);
    shortlist.resize(std::min<usize>(n, SHORTLIST_SIZE));
    // 2. The best deck of the shortlist.
    DeckSlots slots;
    slots.fill(shortlist[0]);
    std::optional<DeckEntry> best;
    seed_exhaustive_plain(pool, context, shortlist, 0, 0, 0, slots, best);
    if (!best) return std::nullopt;
    // 3. Improved over the whole pool and scored anew.
    const DeckSlots improved = improve_deck(pool, context, best->slots, std::nullopt, nullptr);
    const std::optional<u64> score = seed_deck_score(pool, context, improved);
    if (!score) return std::nullopt;
    return DeckEntry{*score, improved};
}

}  // namespace vdz
