// The evaluator counts limited bonuses in slot order; ordering slots 1 to 4
// by limited bonus (larger first, then the larger pool index) makes it count
// the largest ones, which is the best-effect value of an order-free deck.
// The rearranged deck goes through the evaluator whole, so its multi live
// score-up lower bound holds here as everywhere else.
#include "search/final_chapter/final_deck_score.h"

#include "search/evaluation/deck_evaluator.h"

namespace vdz {

bool final_deck_order_free(const SearchContext& c) {
    return (c.live_type == LiveType::MULTI || c.live_type == LiveType::CHEERFUL) &&
           c.skill_order_choose_strategy == SkillOrderChooseStrategy::AVERAGE &&
           c.skill_reference_choose_strategy == SkillReferenceChooseStrategy::AVERAGE &&
           !c.keep_after_training_state && !c.multi_live_teammate_score_up;
}

std::optional<u64> evaluate_final_chapter_deck(const CardPool& pool, const SearchContext& context,
                                               const DeckSlots& deck) {
    DeckSlots slots = deck;
    if (final_deck_order_free(context)) {
        // Insertion sort of slots 1..4: limited part descending, then index descending.
        const auto before = [&](u16 a, u16 b) {
            const u16 la = pool.limited_x10(a), lb = pool.limited_x10(b);
            return la != lb ? la > lb : a > b;
        };
        for (usize i = 2; i < 5; ++i) {
            const u16 x = slots[i];
            usize j = i;
            for (; j > 1 && before(x, slots[j - 1]); --j)
                slots[j] = slots[j - 1];
            slots[j] = x;
        }
    }
    return evaluate_deck_key(pool, context, slots);
}

}  // namespace vdz
