// Lexicographic enumeration of candidate positions i < j < k < l < m, with a
// position passed over when its card id is already in the combination.
// Each combination is one card set under its first candidate as leader; in
// the final chapter it is valued and kept in its best order.
#include "search/kernels/challenge_search.h"

#include <algorithm>

#include "search/evaluation/deck_evaluator.h"
#include "search/evaluation/final_deck_order.h"

namespace vdz {

std::vector<u16> challenge_candidate_order(const CardPool& pool, const SearchContext& context) {
    const auto by_strength = [&](u16 a, u16 b) {
        if (pool.power(a) != pool.power(b)) return pool.power(a) > pool.power(b);
        if (pool.skill_value(a) != pool.skill_value(b))
            return pool.skill_value(a) > pool.skill_value(b);
        if (pool.card_id(a) != pool.card_id(b)) return pool.card_id(a) < pool.card_id(b);
        return a < b;
    };
    std::vector<u16> order;
    order.reserve(pool.count());
    std::vector<u8> placed(pool.count(), 0);
    for (const u16 fixed : context.fixed_cards) {
        const usize group = order.size();
        for (u16 i = 0; i < pool.count(); ++i) {
            if (placed[i] || pool.card_id(i) != fixed) continue;
            placed[i] = 1;
            order.push_back(i);
        }
        std::sort(order.begin() + static_cast<std::ptrdiff_t>(group), order.end(), by_strength);
    }
    const usize rest = order.size();
    for (u16 i = 0; i < pool.count(); ++i)
        if (!placed[i]) order.push_back(i);
    std::sort(order.begin() + static_cast<std::ptrdiff_t>(rest), order.end(), by_strength);
    return order;
}

SearchResult challenge_search(const CardPool& pool, const SearchContext& context,
                              std::span<const u16> candidates, Deadline& deadline) {
    SearchResult result;
    const usize n = candidates.size();
    // Card ids in candidate order, so the skip tests read one short list.
    std::vector<u16> ids(n);
    for (usize p = 0; p < n; ++p)
        ids[p] = pool.card_id(candidates[p]);

    u64 best_key = 0;  // a deck must beat 0 to be found
    DeckSlots best_slots{};
    bool stop = false;
    for (usize i = 0; i + 5 <= n && !stop; ++i) {
        for (usize j = i + 1; j + 4 <= n && !stop; ++j) {
            if (ids[j] == ids[i]) continue;
            for (usize k = j + 1; k + 3 <= n && !stop; ++k) {
                if (ids[k] == ids[i] || ids[k] == ids[j]) continue;
                for (usize l = k + 1; l + 2 <= n && !stop; ++l) {
                    if (ids[l] == ids[i] || ids[l] == ids[j] || ids[l] == ids[k]) continue;
                    for (usize m = l + 1; m < n; ++m) {
                        if (ids[m] == ids[i] || ids[m] == ids[j] || ids[m] == ids[k] ||
                            ids[m] == ids[l]) {
                            continue;
                        }
                        DeckSlots slots = {candidates[i], candidates[j], candidates[k],
                                           candidates[l], candidates[m]};
                        if (context.final_chapter) arrange_final_deck(pool, context, slots);
                        ++result.stats.evaluations;
                        ++result.stats.nodes;
                        const auto key = evaluate_deck_key(pool, context, slots);
                        if (key && *key > best_key) {
                            best_key = *key;
                            best_slots = slots;
                        }
                        if (deadline.step()) {
                            stop = true;
                            break;
                        }
                    }
                }
            }
        }
    }
    if (best_key > 0) result.decks.push_back({best_key, best_slots});
    result.stats.clock_reads = deadline.clock_reads();
    result.stats.timed_out = deadline.expired();
    return result;
}

}  // namespace vdz
