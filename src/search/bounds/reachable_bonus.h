// Which doubled event bonuses (the high half of a bonus key) some deck of a
// pool can have, decided from the cards' bonuses alone before any search: a
// table of the sums that five cards of distinct characters can make, kept per
// attribute set and support-list state where a World Bloom event adds those.
// A tier outside it holds no deck, so the tiered search skips it, and a
// request whose tiers all lie outside is answered without a search. Below a
// partial deck, the same table tells which tiers its completions can reach.
#pragma once

#include <array>
#include <span>
#include <unordered_map>
#include <vector>

#include "common/types.h"
#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/bounds/fixed_slot_layout.h"
#include "search/evaluation/deck_entry.h"

namespace vdz {

// Built once per search; owns its keys.
struct ReachableBonuses {
    // False where the bonus follows what the table does not follow (the
    // final chapter's leader and counted limited parts, a support list
    // naming one card twice): then every key counts as reachable.
    bool known = false;
    std::vector<u32> keys;  // ascending, distinct

    bool may_reach(u32 doubled_bonus) const;
};

// Every deck the depth-first search may record has a key listed here: five
// cards, one per character (outside challenge lives), no card id twice,
// holding the fixed cards and a card of every fixed character. The table is
// exact for those rules; it ignores slot order and score-up lower bounds,
// which only remove decks.
ReachableBonuses reachable_bonuses(const CardPool& pool, const SearchContext& context);

// The same table for what a partial deck still takes, where the pool lists
// fixed slots in runs: a partial deck of d cards (one of each run before
// the d-th) takes one card of each later run and its other cards, of
// distinct characters, after the runs. Per d it keeps each state the rest
// can reach, so a node learns exactly which tiers its completions can land
// on, where windows of the support sum's range admit many that none does.
class CompletionBonusReach {
  public:
    bool on(usize depth) const { return depth < by_depth_.size() && !by_depth_[depth].empty(); }

    // Of `tier_keys` (ascending, at most 64, the same at every call), bit i
    // set where some completion of the first `depth` cards of `partial` may
    // have doubled bonus tier_keys[i].
    u64 reachable_tiers(usize depth, const DeckSlots& partial,
                        std::span<const u32> tier_keys) const;

    // What the table reads of placed cards: their support runs, attributes
    // and total.
    struct Placed {
        u64 runs = 0;
        u8 attrs = 0;
        i64 x10 = 0;
    };
    Placed placed(usize depth, const DeckSlots& partial) const;
    // `placed` with the card at pool position `card` added.
    Placed with_card(const Placed& p, u16 card) const;
    // `reachable_tiers` of placed cards read as `p`, `depth` of them.
    u64 reachable_tiers(usize depth, const Placed& p, std::span<const u32> tier_keys) const;
    // Per position from `begin` to `end`, `reachable_tiers` of the placed
    // cards of `p` (`depth` - 1 of them) with that position's card: kept per
    // such placed cards, which many nodes share, where few enough are kept
    // (else written to `spare`).
    const std::vector<u64>& run_tiers(usize depth, const Placed& p, usize begin, usize end,
                                      std::span<const u32> tier_keys,
                                      std::vector<u64>& spare) const;

    struct State {
        u64 runs = 0;
        u8 attrs = 0;
        std::vector<u64> bits;
    };

    // The rest's sums merged by the extras (attribute and support bonus)
    // they take beside given placed cards.
    struct ByExtra {
        double extra = 0.0;
        std::vector<u64> bits;
        // Per tier of the search's list, the totals (tenths, before the
        // placed cards') whose decks may land on it: found on first ask.
        std::vector<std::pair<i64, i64>> windows;
    };

  private:
    std::vector<ByExtra>& by_extra(usize depth, u64 placed_runs, u8 placed_attrs) const;

    friend CompletionBonusReach completion_bonus_reach(const CardPool&, const SearchContext&,
                                                       const FixedSlotLayout&);
    const CardPool* pool_ = nullptr;
    bool world_bloom_ = false;
    std::array<double, 6> attr_bonus_{};
    std::vector<double> support_values_;
    std::vector<u16> support_ids_;
    std::vector<u8> support_run_;
    usize support_count_ = 0;
    // Per pool position, its card's support run, attribute bit and total.
    std::vector<u8> run_at_;
    std::vector<u8> attr_at_;
    std::vector<u32> x10_at_;
    // Per depth, the rest's states with the sums they can add.
    std::vector<std::vector<State>> by_depth_;
    // Per depth and placed cards' support runs and attributes, which few
    // nodes differ in, their merged sums.
    mutable std::unordered_map<u64, std::vector<ByExtra>> merged_;
    // `by_extra`'s lists, their windows set for `tier_keys`.
    std::vector<ByExtra>& windowed(usize depth, u64 placed_runs, u8 placed_attrs,
                                   std::span<const u32> tier_keys) const;
    // The same with the placed cards' total too: the answers, for the one
    // list of tiers a search asks about.
    // Kept where their name's hash falls, the latest there: a map of every
    // answer grew past the caches and cost more to read than to refill.
    struct KnownMask {
        u64 name = ~u64{0};
        u64 mask = 0;
    };
    mutable std::vector<KnownMask> masks_;
    // `run_tiers`' answers by their placed cards' name.
    mutable std::unordered_map<u64, std::vector<u64>> run_tiers_;
};

// Off (no depth on) outside such a layout, in the final chapter, or where the
// table above is not exact.
CompletionBonusReach completion_bonus_reach(const CardPool& pool, const SearchContext& context,
                                            const FixedSlotLayout& layout);

}  // namespace vdz
