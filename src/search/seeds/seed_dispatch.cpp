// The seed dispatcher and the multi-start seeds: which heuristics run for a
// request, and how their decks become the seed list of the depth-first
// search.
#include "search/seeds/seed.h"

#include <algorithm>

namespace vdz {
namespace {

// Forced cards of the final chapter's greedy starts: 3 start modes x 20.
constexpr usize FORCED_CARD_COUNT = 20;

// The first 20 cards of the candidate order that may stand in slot 0: cards
// of the first fixed card's id, else of the first fixed character, else any.
std::vector<u16> forced_cards(const CardPool& pool, const SearchContext& context,
                              std::span<const u16> candidate_order) {
    std::vector<u16> forced;
    for (const u16 card : candidate_order) {
        if (forced.size() == FORCED_CARD_COUNT) break;
        if (!context.fixed_cards.empty()) {
            if (pool.card_id(card) != context.fixed_cards[0]) continue;
        } else if (!context.fixed_characters.empty()) {
            if (pool.character_id(card) != context.fixed_characters[0]) continue;
        }
        forced.push_back(card);
    }
    return forced;
}

// One greedy start, improved and scored into `best` by the keep rule.
void greedy_start(const CardPool& pool, const SearchContext& context, u8 start_mode,
                  std::optional<u16> forced, std::optional<DeckEntry>& best) {
    const std::optional<DeckSlots> deck = greedy_deck(pool, context, start_mode, forced);
    if (!deck) return;
    const DeckSlots improved = improve_deck(pool, context, *deck, forced, nullptr);
    if (const std::optional<u64> score = seed_deck_score(pool, context, improved))
        keep_better_seed(best, *score, improved);
}

}  // namespace

std::optional<DeckEntry> build_seed_deck(const CardPool& pool, const SearchContext& context,
                                         std::span<const u16> candidate_order) {
    std::optional<DeckEntry> best;
    // 1. At most one sub-strategy; its deck wins ties with every greedy deck.
    const bool solo_or_auto =
        context.live_type == LiveType::SOLO || context.live_type == LiveType::AUTO;
    if (context.final_chapter) {
        best = seed_strategy_anchored(pool, context, candidate_order);
    } else if (context.target == Target::SCORE && context.event_kind != NO_EVENT_KIND &&
               solo_or_auto) {
        best = seed_strategy_plain(pool, context);
    }
    // 2. Three greedy starts; in the final chapter each around every forced
    // card (none at all when no card may stand in slot 0).
    if (context.final_chapter) {
        const std::vector<u16> forced = forced_cards(pool, context, candidate_order);
        for (u8 mode = 0; mode < 3; ++mode)
            for (const u16 card : forced)
                greedy_start(pool, context, mode, card, best);
    } else {
        for (u8 mode = 0; mode < 3; ++mode)
            greedy_start(pool, context, mode, std::nullopt, best);
    }
    return best;
}

SeedDecks multi_start_seeds(const CardPool& pool, const SearchContext& context, u64 limit) {
    // 1. Three greedy starts, improved, with every deck scored on the way.
    SeedDecks decks;
    decks.reserve(64);
    for (u8 mode = 0; mode < 3; ++mode) {
        const std::optional<DeckSlots> deck = greedy_deck(pool, context, mode, std::nullopt);
        if (!deck) continue;
        const DeckSlots improved = improve_deck(pool, context, *deck, std::nullopt, &decks);
        if (const std::optional<u64> score = seed_deck_score(pool, context, improved))
            decks.push_back({*score, improved});
    }
    // 2. Best first, one deck per card set, at most `limit`.
    std::stable_sort(decks.begin(), decks.end(), ranks_before);
    const std::span<const u16> card_ids = pool_card_ids(pool);
    SeedDecks seeds;
    std::vector<CardSetKey> kept;
    for (const DeckEntry& deck : decks) {
        if (seeds.size() >= limit) break;
        const CardSetKey key = card_set_key(card_ids, deck.slots);
        if (std::find(kept.begin(), kept.end(), key) != kept.end()) continue;
        kept.push_back(key);
        seeds.push_back(deck);
    }
    return seeds;
}

}  // namespace vdz
