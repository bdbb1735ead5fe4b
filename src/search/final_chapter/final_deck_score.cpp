// Only the limited bonuses depend on the order of slots 1 to 4, so the best
// order is found without trying the others. The arranged deck goes through
// the evaluator whole, so its multi live score-up lower bound holds here as
// everywhere else.
#include "search/final_chapter/final_deck_score.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "common/check.h"
#include "search/evaluation/deck_evaluator.h"
#include "search/evaluation/final_deck_order.h"
#include "search/final_chapter/final_groups.h"

namespace vdz {

std::optional<DeckEntry> evaluate_final_chapter_deck(const CardPool& pool,
                                                     const SearchContext& context,
                                                     const DeckSlots& deck) {
    DeckSlots slots = deck;
    arrange_final_deck(pool, context, slots);
    const std::optional<u64> key = evaluate_deck_key(pool, context, slots);
    if (!key) return std::nullopt;
    return DeckEntry{*key, slots};
}

FinalDeckBound::FinalDeckBound(const CardPool& pool, const SearchContext& context,
                               const SuffixTables& tables,
                               std::span<const UnitCountSkill> skill_by_count)
    : pool_(pool), context_(context), tables_(tables), skill_by_count_(skill_by_count) {
    if (!context.world_bloom) return;
    // The evaluator adds at most `count` of the list's values, whichever it
    // skips: at most the `count` largest, the negative ones left out.
    for (usize ch = 0; ch < support_x10_.size(); ++ch) {
        const SupportDeckList& list = final_support_list(context, static_cast<u8>(ch));
        std::vector<double> values;
        for (const SupportEntry& e : list.entries)
            values.push_back(e.value);
        std::sort(values.begin(), values.end(), std::greater<>());
        double sum = 0.0;
        for (usize k = 0; k < values.size() && k < list.count; ++k)
            sum += std::max(values[k], 0.0);
        support_x10_[ch] = support_tenths(sum);
    }
}

u64 complete_final_deck_bound(const CardPool& pool, const SearchContext& c,
                              const SuffixTables& tables,
                              std::span<const UnitCountSkill> skill_by_count, const DeckSlots& deck,
                              u32 support_x10) {
    u32 units = 0x3F, attrs = 0, bonus_x10 = 0;
    UnitCounts unit_cards{};
    TopFive skills{}, limited{};
    for (const u16 card : deck) {
        units &= pool.unit_mask(card);
        for (usize u = 0; u < unit_cards.size(); ++u)
            unit_cards[u] += (pool.unit_mask(card) >> u) & 1u;
        attrs |= 1u << (pool.attr(card) & 7u);
        insert_top_five(limited, pool.limited_x10(card));
        bonus_x10 += base_x10(pool, card);
    }
    for (const u16 card : deck)
        insert_top_five(skills, skill_up_to(skill_by_count[card], unit_cards));
    const bool same_attr = __builtin_popcount(attrs) == 1;
    u32 power = 0;
    for (const u16 card : deck)
        power += shape_power(pool, card, units, same_attr);
    bonus_x10 += merged_top(limited, {}, std::min<u64>(c.limited_bonus_count, 5)) +
                 10u * (entry_or_zero(c.leader_honor_bonus, deck[0]) +
                        entry_or_zero(c.leader_limit_bonus, deck[0]));
    return final_bound_key(
        tables, power, skills, skill_up_to(skill_by_count[deck[0]], unit_cards),
        deck_bonus_percent(c, bonus_x10, support_x10, static_cast<u8>(attrs), 0));
}

u64 FinalDeckBound::operator()(const DeckSlots& deck) const {
    const u32 support_x10 = context_.world_bloom ? support_x10_[pool_.character_id(deck[0])] : 0;
    return complete_final_deck_bound(pool_, context_, tables_, skill_by_count_, deck, support_x10);
}

bool record_final_deck(const CardPool& pool, const SearchContext& context, TopDecks& best,
                       const DeckSlots& deck, const FinalDeckBound* bound) {
    if (bound && best.full()) {
        const u64 most = (*bound)(deck);
        if (cannot_beat(best, most)) {
            // Its key is at most the bound, so it could only tie the last.
            VDZ_ASSERT(!evaluate_final_chapter_deck(pool, context, deck) ||
                       evaluate_final_chapter_deck(pool, context, deck)->score <= most);
            return false;
        }
    }
    if (const auto entry = evaluate_final_chapter_deck(pool, context, deck)) {
        VDZ_ASSERT(!bound || entry->score <= (*bound)(deck));
        best.record(*entry);
    }
    return true;
}

}  // namespace vdz
