// Beam search and one-card refinement. Beam states are small records sorted
// by a total order (estimate, then slots), so the beam is deterministic.
#include "search/final_chapter/final_heuristics.h"

#include <algorithm>
#include <vector>

#include "search/final_chapter/final_deck_score.h"
#include "search/final_chapter/final_groups.h"

namespace vdz {
namespace {

// One partial deck of the beam.
struct BeamState {
    u64 next = 0;      // first shortlist position it may still take
    u64 estimate = 0;  // quick estimate of slot 0 plus the added cards' weights
    u32 character_bits = 0;
    DeckSlots slots{};
    u8 added = 0;
};

void evaluate_and_record(const CardPool& pool, const SearchContext& context, TopDecks& best,
                         SearchCounters& counters, const DeckSlots& slots,
                         const FinalDeckBound* bound) {
    if (record_final_deck(pool, context, best, slots, bound)) ++counters.evaluated;
}

}  // namespace

u64 quick_estimate(const CardPool& pool, u16 card) {
    return (u64{pool.skill_value(card)} + 256) * pool.power(card) *
           (u64{pool.event_bonus(card).total_x10()} + 1000);
}

void final_chapter_best_with_card(const CardPool& pool, const SearchContext& context,
                                  std::span<const u8> mask, TopDecks& best,
                                  SearchCounters& counters, u16 card, Deadline& deadline,
                                  const FinalDeckBound* bound) {
    // Counts `units` of work; true once the deadline has passed.
    const auto stop = [&](u64 units) { return deadline.advance(units); };
    // 1. Candidates of the other characters: four rankings of the pool.
    const u8 c = pool.character_id(card);
    const std::vector<u16> list = build_candidate_shortlist(pool, context, c, mask, 96);
    if (stop(4 * u64{pool.count()}) || list.size() < 4) return;
    std::vector<u64> weight(list.size());
    for (usize p = 0; p < list.size(); ++p)
        weight[p] = card_estimate_key(pool, list[p], support_loss(pool, context, c, list[p]));
    // 2. The start state.
    BeamState start;
    start.estimate = quick_estimate(pool, card);
    start.character_bits = 1u << c;
    start.slots.fill(card);
    std::vector<BeamState> beam = {start}, next;
    // A total order: no two states hold the same slots.
    const auto better = [](const BeamState& a, const BeamState& b) {
        return a.estimate != b.estimate ? a.estimate > b.estimate : a.slots < b.slots;
    };
    // 3. Four extension steps, each keeping the BEAM_WIDTH best children in
    // a heap whose top is the worst kept, then sorting them best first.
    for (usize step = 0; step < 4; ++step) {
        next.clear();
        for (const BeamState& s : beam) {
            if (stop(list.size() - s.next)) return;
            for (usize p = s.next; p < list.size(); ++p) {
                const u32 bit = 1u << pool.character_id(list[p]);
                if (s.character_bits & bit) continue;
                BeamState n = s;
                n.next = p + 1;
                n.estimate = s.estimate + weight[p];
                n.character_bits |= bit;
                n.added = static_cast<u8>(s.added + 1);
                n.slots[n.added] = list[p];
                if (next.size() < BEAM_WIDTH) {
                    next.push_back(n);
                    std::push_heap(next.begin(), next.end(), better);
                } else if (better(n, next.front())) {
                    std::pop_heap(next.begin(), next.end(), better);
                    next.back() = n;
                    std::push_heap(next.begin(), next.end(), better);
                }
            }
        }
        if (next.empty()) return;
        std::sort(next.begin(), next.end(), better);
        std::swap(beam, next);
    }
    // 4. Every complete deck of the last beam.
    for (const BeamState& s : beam) {
        if (stop(1)) return;
        evaluate_and_record(pool, context, best, counters, s.slots, bound);
    }
}

void final_chapter_refine_deck(const CardPool& pool, const SearchContext& context,
                               const DeckEntry& deck, TopDecks& best, SearchCounters& counters,
                               const FinalDeckBound* bound) {
    // 1-2. The working deck and the candidates, every card admitted.
    DeckSlots work = deck.slots;
    const u8 c = pool.character_id(work[0]);
    const std::vector<u16> list = build_candidate_shortlist(pool, context, c, {}, 128);
    if (list.empty()) return;
    // 3. Each slot in turn, each candidate that keeps five characters.
    for (usize i = 1; i <= 4; ++i) {
        const u16 kept = work[i];
        for (const u16 x : list) {
            if (x == work[0] || pool.character_id(x) == c) continue;
            bool clash = false;
            for (usize j = 1; j <= 4; ++j) {
                if (j == i) continue;
                clash |= x == work[j] || pool.character_id(x) == pool.character_id(work[j]);
            }
            if (clash) continue;
            work[i] = x;
            evaluate_and_record(pool, context, best, counters, work, bound);
        }
        work[i] = kept;
    }
}

}  // namespace vdz
