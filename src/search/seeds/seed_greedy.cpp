// Greedy deck construction: slots 0 to 4 in order, each taking the
// best-valued card it may hold, never going back. The cheap start of the seed
// heuristics; its decks are improved and scored by the callers.
#include "search/seeds/seed.h"

#include <limits>

namespace vdz {
namespace {

// The value of a card under the start mode; modes above 2 act as 2.
double card_value(const CardPool& pool, const SearchContext& context, u8 start_mode, u16 card) {
    const double power = static_cast<double>(pool.power(card));
    const u16 total_x10 = pool.event_bonus(card).total_x10();
    if (start_mode == 0) return power;
    if (start_mode == 1) return static_cast<double>(pool.skill_value(card));
    if (context.target == Target::BONUS) return total_x10 * 0.1;
    if (context.target == Target::SCORE && context.event_kind == NO_EVENT_KIND)
        return (pool.skill_value(card) + 256.0) * power;
    const double bonus_percent = static_cast<double>((total_x10 + 9) / 10);
    return context.power_weight * power + context.bonus_weight * bonus_percent;
}

}  // namespace

std::optional<DeckSlots> greedy_deck(const CardPool& pool, const SearchContext& context,
                                     u8 start_mode, std::optional<u16> forced) {
    const u16 n = pool.count();
    if (n == 0) return std::nullopt;
    DeckSlots deck{};
    u32 used = 0;  // bit c: character c stands in the deck
    usize first = 0;
    if (forced) {
        deck[0] = *forced;
        used |= 1u << pool.character_id(*forced);
        first = 1;
    }
    for (usize slot = first; slot < 5; ++slot) {
        std::optional<u16> choice;
        double best = -std::numeric_limits<double>::infinity();
        for (u16 i = 0; i < n; ++i) {
            if (used & (1u << pool.character_id(i))) continue;
            if (forced && i == *forced) continue;
            if (!fits_fixed_slot(pool, context, slot, i)) continue;
            const double value = card_value(pool, context, start_mode, i);
            if (value > best) {
                best = value;
                choice = i;
            }
        }
        if (!choice) return std::nullopt;
        deck[slot] = *choice;
        used |= 1u << pool.character_id(*choice);
    }
    return deck;
}

}  // namespace vdz
