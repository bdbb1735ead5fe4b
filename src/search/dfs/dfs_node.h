// One inner node of the depth-first search and its candidate scan. The
// kernel's walks for one list and for several cards of a character live in
// `dfs_kernel.cpp`, the walk under bonus tiers in `dfs_tiered_node.cpp` (its
// runs of equal bonus in `dfs_tier_runs.cpp`); what both read stays here,
// where it can be inlined into either.
#pragma once

#include <algorithm>
#include <array>
#include <optional>
#include <utility>
#include <vector>

#include "search/bounds/child_support_bound.h"
#include "search/bounds/final_bound.h"
#include "search/dfs/dfs_state.h"

namespace vdz {

// Whether a full tier takes no deck whose live score is at most `score`:
// none below its worst kept one, and none at it either where the decks are
// met in ascending slot order from an empty store (`in_slot_order`), since
// a deck tied with the worst kept one enters only with smaller slots, which
// no later deck has.
inline bool tier_beneath(const DfsTopDecks& decks, bool in_slot_order, u32 score) {
    if (!decks.full() || decks.worst_score() == 0) return false;
    const u32 worst = static_cast<u32>(decks.worst_score());
    return in_slot_order ? score <= worst : score < worst;
}

// One inner node and its candidate scan.
class DfsNode {
  public:
    DfsNode(SearchNodeState& state, usize depth, usize start, DeckSlots& partial, u32 used,
            const PartialSums& sums, bool has_leader, u16 leader_index)
        : state_(state),
          m_(state.bounds),
          pool_(state.pool),
          context_(state.context),
          depth_(depth),
          start_(start),
          k_(5 - depth),
          partial_(partial),
          used_(used),
          sums_(sums),
          has_leader_(has_leader),
          leader_index_(leader_index) {}

    void expand();

  private:
    // Whether card i may fill this node's slot.
    bool admitted(u16 i) const {
        // 1. The leader holds slot 0 only.
        if (has_leader_ && i == leader_index_) return false;
        // 2. In the final chapter some cards may only lead.
        if (depth_ > 0 && context_.final_chapter && i < context_.card_enabled.size() &&
            !(context_.card_enabled[i] & 1)) {
            return false;
        }
        // 3. Fixed cards fill the first slots, fixed characters the next ones.
        const usize fixed_cards = context_.fixed_cards.size();
        if (depth_ < fixed_cards) {
            if (pool_.card_id(i) != context_.fixed_cards[depth_]) return false;
        } else if (depth_ - fixed_cards < context_.fixed_characters.size()) {
            if (pool_.character_id(i) != context_.fixed_characters[depth_ - fixed_cards])
                return false;
        }
        // 4. One card per character, except in challenge lives.
        if (context_.dominance_pruning) return !((used_ >> pool_.character_id(i)) & 1);
        // 5. There, one card once: its skill variants share its id (one card
        // per character keeps ids apart, since an id names one character).
        for (usize s = 0; s < depth_; ++s)
            if (pool_.card_id(partial_[s]) == pool_.card_id(i)) return false;
        return true;
    }

    // Where this node's scan from position `from` starts, and where it ends.
    usize scan_begin(usize from) const { return std::max(from, state_.slot_begin[depth_]); }
    usize scan_end() const { return state_.slot_end[depth_]; }

    // Whether some tier can still take a deck under `bound` that holds the
    // cards of `sums` (`depth` of them) and 5 - depth more from
    // position `next` on. Outside the final chapter a tier must also be
    // within the bonus those cards can add; a tier that is not full, or whose
    // worst live score the bound reaches, has room. Unless `bonus_only`,
    // where `sums` holds the last placed card's bonus but not its power or
    // skill (a run of equal bonus tested as one), the live score of the
    // positions that fit each tier's bonus refines the bound; `placed_unit`,
    // where known, bounds the placed cards' power in a deck that fills a unit
    // (`LastCardBound::placed_unit_power`). `deck`, where given, holds the
    // placed cards in its first `depth` slots: in a World Bloom event a last
    // card that takes a support entry their deck counts is then judged by
    // its own deck's bonus, and the others by the exact windows of the
    // entries the placed cards leave.
    // `open_tiers`, where given, takes the tiers (bit i for tier i below 64)
    // that may take one of these completions, all of them asked; every bit
    // where the windows leave support entries to a last card or a block's
    // cards that take them (two free cards' takers name their tiers).
    bool tiers_open(u64 bound, const PartialSums& sums, usize depth, usize next, u32 used,
                    bool bonus_only = false, std::optional<u64> placed_unit = std::nullopt,
                    const DeckSlots* deck = nullptr, u64* open_tiers = nullptr) const;

    // With `WorldBloomPairBound`: whether completions of the three placed
    // cards of `child` (characters `used`, entered with `bound`) by two free
    // cards from `row` on land on a tier with room, where the extras give
    // exact windows; `child_unit` as `tiers_open` takes `placed_unit`. True
    // where the bound cannot tell.
    // `open_tiers`, where given, takes the tiers (bit i for tier i below
    // 64) that may take one of these completions, all of them asked, as
    // `tiers_open` gives them; every bit where the bound cannot tell.
    bool pair_tiers_open(u64 bound, const PartialSums& child, usize row, u32 used,
                         std::optional<u64> child_unit, u64* open_tiers = nullptr) const;
    // Whether a completion of that child holding a card from `row` on that
    // takes one of the support entries its deck counts may land on a tier
    // with room; the child's three cards are in `partial_`. The same for
    // the completions holding `taker`, one such card.
    bool taker_decks_open(u64 bound, const PartialSums& child, usize row, u32 used) const;
    bool taker_deck_open(u64 bound, const PartialSums& child, usize row, u32 used, u16 taker) const;
    friend void check_world_bloom_pair(SearchNodeState& state, const DeckSlots& deck, u64 key);

    // Whether a completion of the three placed cards of `sums` (`deck`'s
    // first slots, characters `used`, entered with `bound`) by two free
    // cards from `row` on, one of which takes a support entry their deck
    // counts, lands on a tier with room, where `pair_split_applies`
    // (`pair_takers.h`). `open_tiers`, where given, takes every such tier
    // (bit i for tier i; every bit where there are more than 64).
    bool pair_takers_open(u64 bound, const PartialSums& sums, usize row, u32 used,
                          const DeckSlots& deck, u64* open_tiers = nullptr) const;

    // Whether a last card from `row` on that takes a support entry the
    // deck of the placed cards in `deck` (four, of `sums`) counts lands
    // on a tier with room under `score`.
    bool takers_open(u32 score, const PartialSums& sums, const DeckSlots& deck, usize row,
                     u32 used) const;
    // The same for a block's stand-in `run` (`first_range_`) whose cards
    // take no entry of the placed cards' deck, nor the one after them: the
    // block's card leaves the deck's attribute count at most one higher.
    bool block_takers_open(u32 score, const PartialSums& run, usize row, u32 used) const;
    // Whether a card of the block `first_range_` takes one of the entries
    // the deck of the placed cards of `run` counts or the one after them.
    bool block_takes(const PartialSums& run) const;

    // Whether completions of `sums` by `free` cards from `row` on whose cards'
    // total lies in `window` may enter `decks` (see `tiers_open`); `used`
    // holds the placed cards' characters.
    bool window_open(const TenthsWindow& window, u8 attrs, const DfsTopDecks& decks,
                     const PartialSums& sums, usize row, usize free, bool bonus_only,
                     std::optional<u64> placed_unit, u32 used, usize& later_from, u32& later) const;

    // Whether a full tier takes no deck whose live score is at most `score`
    // (`tier_beneath`).
    bool beneath(const DfsTopDecks& decks, u32 score) const {
        return tier_beneath(decks, state_.tiers_in_slot_order, score);
    }

    // Bound of the completions of `sums` whose next card comes from
    // positions `begin`..`end` and whose `rest` cards come after `begin`
    // (from `rest_from` on, where known): of distinct characters, or any
    // cards where a deck may repeat one (a last card has no rest, so the
    // per-character rows serve it too). `placed_unit` as `tiers_open`
    // takes it.
    u64 range_bound(const PartialSums& sums, usize begin, usize end, usize rest,
                    std::optional<u64> placed_unit = std::nullopt, usize rest_from = 0) const {
        if (rest == 0 || !state_.card_sums)
            return state_.last_card->bound(sums, begin, end, rest, m_.bonus_extra, placed_unit,
                                           rest_from);
        return state_.last_card->bound(sums, begin, end, rest, m_.bonus_extra, *state_.card_sums,
                                       rest_from);
    }

    // Bound of the completions of `sums` whose `free` cards come from
    // position `row` on.
    u64 later_bound(const PartialSums& sums, usize row, usize free) const {
        if (state_.card_sums)
            return card_suffix_bound(m_, *state_.card_sums, sums, row, free, m_.bonus_extra);
        return position_bound(m_, sums, row, free, m_.bonus_extra);
    }

    // The characters a child of `card` uses.
    u32 child_used(u16 card) const { return used_ | (1u << pool_.character_id(card)); }

    void note_bound(u64 bound) {
        if constexpr (CHECK_BOUNDS)
            state_.bound_above[depth_] = std::min(state_.bound_above[depth_], bound);
    }

    void descend(u16 card, const PartialSums& child, u64 bound) {
        state_.entry_bound[depth_ + 1] = bound;
        state_.entry_tiers[depth_ + 1] = tier_mask_;
        if constexpr (CHECK_BOUNDS)
            state_.bound_above[depth_ + 1] = std::min(state_.bound_above[depth_], bound);
        partial_[depth_] = card;
        const u32 used = child_used(card);
        dfs_expand(state_, depth_ + 1, usize{card} + 1, partial_, used, child, has_leader_,
                   leader_index_);
    }

    // Whether every deck this node completes with a card from position i on
    // comes after `deck` in slot order: its slots below this node's depth,
    // then this slot, compared in turn.
    bool slots_precede(const DeckSlots& deck, usize i) const;

    // One list: no threshold until it is full and its worst key is above 0;
    // from the moment it is, the node and its further children are tested.
    // A full list whose worst key is 0 takes a deck only on a tie that comes
    // first in slot order: once no completion of this node can key above 0
    // and the worst kept deck precedes all of them, none can enter, and the
    // search, which forms decks in ascending slot order, meets the rest of
    // a pool whose keys are all 0 (a mysekai live ranked by live score) the
    // same way.
    void expand_single(usize from);

    // The extra bonus of this node's completions and of a child's.
    u64 node_extra() const {
        return m_.support_mode ? std::min<u64>(support_bonus_bound(m_, k_, key_), m_.bonus_extra)
                               : m_.bonus_extra;
    }
    u64 child_extra(u16 card) const {
        if (!m_.support_mode) return m_.bonus_extra;
        if (child_support_)
            return std::min<u64>(child_support_->bound(pool_, card, k_ - 1), m_.bonus_extra);
        PartialDeckKey key = key_;
        key.add(pool_, card);
        return std::min<u64>(support_bonus_bound(m_, k_ - 1, key), m_.bonus_extra);
    }

    // The smaller of a child's two bounds: its remaining cards come from the
    // later positions, and from characters other than the used ones and its
    // own.
    u64 child_bound(const ExclusionTables& exclusion, u16 card, const PartialSums& child) const {
        return child_bound(exclusion, card, child, child_extra(card));
    }
    u64 child_bound(const ExclusionTables& exclusion, u16 card, const PartialSums& child,
                    u64 extra) const {
        if (k_ == 1) {
            partial_[depth_] = card;
            return complete_deck_bound(m_, partial_, with_skill_ceilings(m_, child, partial_, 5, 0),
                                       extra);
        }
        return std::min(exclusion_bound(m_, exclusion, child, pool_.character_id(card), extra),
                        position_bound(m_, child, usize{card} + 1, k_ - 1, extra));
    }
    // The same where a child not above `worst` is cut: once its position
    // bound is not above it, its exclusion bound is not asked. A child with
    // two or more free slots is asked its position bound once more with its
    // placed skills at what each can resolve to in a deck of its free cards
    // more, where that lowers any: in every deck of its subtree each resolves
    // to at most that, so the bound holds for them all. With one free slot
    // the unit-shape bound of its last card reads exact ceilings instead.
    // Where they are lowered, `child` takes them into the subtree.
    u64 child_bound_above(const ExclusionTables& exclusion, u16 card, PartialSums& child,
                          u64 worst) const {
        const u64 extra = child_extra(card);
        if (k_ == 1) return child_bound(exclusion, card, child, extra);
        u64 later = position_bound(m_, child, usize{card} + 1, k_ - 1, extra);
        if (later <= worst) return later;
        if (m_.ceilings && k_ >= 3) {
            partial_[depth_] = card;
            const PartialSums ceiled = with_skill_ceilings(m_, child, partial_, depth_ + 1, k_ - 1);
            if (ceiled.skill_sum < child.skill_sum) {
                later = std::min(later, position_bound(m_, ceiled, usize{card} + 1, k_ - 1, extra));
                if (later <= worst) return later;
                child = ceiled;
            }
        }
        return std::min(later,
                        exclusion_bound(m_, exclusion, child, pool_.character_id(card), extra));
    }

    // A last card that shares no unit with all the placed cards leaves the
    // deck no unit to fill, so every card counts the variant of the deck's
    // attribute case alone: the deck's power is known, and the card needs a
    // floor of its own in that case. Floors per case, found on first use.
    bool last_card_below_floor(u16 card, usize from, u64 extra, u64 worst);

    u32 case_floor(bool same_attr, usize from, u64 extra, u64 worst);

    // The first position from `i` on whose last card may pass the floors: a
    // card sharing a unit with every placed card needs the node's `floor`
    // in its power column, one sharing none the floor of its attribute case
    // in that case's power (a card of the placed cards' one attribute that
    // falls short of its case is met in the other case's tree, and passed
    // over by its own test).
    usize next_last_card(usize i, u32 floor, usize from, u64 extra, u64 worst);

    // The first position from `i` on whose last card may lift the deck to
    // the score-up lower bound: its ceiling at least the least value the
    // placed cards, at what each can resolve to in a deck of one card more,
    // leave it to make up (found on first use). `i` itself where no lower
    // bound is asked.
    usize next_score_up_card(usize i);

    // With one free slot, moves `i` to the position before the next card
    // that may lift the deck to the score-up lower bound, where that skips
    // any; whether it did, so the scan goes on from there.
    bool skip_below_score_up(usize& i);

    // Debug builds: a last card passed over for the score-up lower bound,
    // at positions `from` to `to`, makes a deck the evaluator rejects.
    void check_below_score_up(usize from, usize to);

    // Debug builds: a last card below the power floor, at positions `from`
    // to `to`, makes a deck that cannot beat the worst kept key.
    void check_below_floor(usize from, usize to, [[maybe_unused]] u64 worst);

    // Single list, full: the node and each child are tested against the
    // worst kept key, which rises as the scan records decks.
    void expand_bounded(usize from, u64 worst);
    // The first position from `from` to `to` whose position bound is not
    // above `worst`, `to` where none is; positions from it to `to` hold no
    // next card of a deck above `worst`.
    usize position_end(usize from, usize to, u64 extra, u64 worst) const;

    // Where a deck may hold several cards of one character: the node and
    // each child bounded by the best cards after a position, against the
    // single list or the tiers.
    void expand_by_cards();

    // Tiers: the node and each child must leave room in some tier.
    void expand_tiered();

    // A run of equal bonus whose stand-in a tier admitted: its end, the
    // position it was first asked at and its last bound asked.
    struct PassedRun {
        usize end = SIZE_MAX;
        usize first = 0;
        u64 bound = 0;
    };

    // Whether `tiers_open` is known to hold for `bound` from position `next`
    // without asking it: a node below the root of a tiered search was
    // entered only after its parent asked it for this node's own sums,
    // characters and start under the entry bound, and the tiers have taken
    // no deck since; a bound no smaller in either half meets every tier's
    // key and worst live score at least as well, so the answer stands. The
    // final chapter's leaders enter with no bound asked.
    bool entry_admits(u64 bound, usize next) const;

    // The last cards at positions `l`..`r`, of one bonus: halves whose
    // largest values leave no tier room hold no card a tier takes. Visited
    // in ascending order, as the scan would.
    void visit_last_cards(usize l, usize r, u64 extra);

    // Bound of the decks this node's last card completes from positions
    // `l`..`r`: the placed cards' skill values at most what each resolves
    // to in a deck of five, their power in a deck that fills a unit at most
    // their variants for the units they share (found on first use).
    u64 last_cards_bound(usize l, usize r, u64 extra);

    // Per attribute (attr & 7) of a run's last card, its deck's doubled
    // bonus and the position of that tier in the store (`tiers.size()` for
    // none).
    struct RunTiers {
        std::array<u32, 8> doubled{};
        std::array<usize, 8> tier{};
    };

    // Where the support entries the run's decks count are known (no last
    // card from `l` on takes one), a deck's bonus follows from its cards'
    // total, the run's, and its attribute count, which the last card's
    // attribute decides: the evaluator's own sum gives it per attribute.
    std::optional<RunTiers> run_tiers(usize l) const;

    // `visit_last_cards` where each card's tier is known: a half is cut
    // when its largest values leave none of the run's tiers room.
    void visit_known_tiers(usize l, usize r, u64 extra, const RunTiers& run);

    // A last card completes the deck, whose bonus the evaluator's own sum
    // gives exactly: the deck has a tier only where that bonus names one, and
    // that tier takes it only where its live score bound leaves room.
    void try_last_card(u16 card, const PartialSums& child);

    // The last card `card`, whose deck's doubled bonus is `doubled`. Under
    // the bonus target the bound's low half, the live score, does not read
    // the bonus, so the exact bonus beside it bounds the deck's key.
    void take_last_card(u16 card, const PartialSums& child, u32 doubled);

    const TierReach& reach() const { return *state_.tier_reach; }

    // Under tiers, from positions listed by bonus, what the next card's
    // bonus in tenths may be. A deck lands on a tier only when its cards'
    // total is within the tier's window; the next card and the k - 1 after
    // it each have at most the next card's bonus and at least none, so the
    // next card has at least 1 / k of what the deck still lacks and at most
    // all of it. Tiers that are full and whose worst live score the node's
    // bound cannot reach need no card.
    struct BonusRuns {
        bool on = false;
        usize first = 0;  // the first position a free card may come from
        usize count = 0;
        std::array<std::pair<i64, i64>, 32 * 5> run{};  // up to five windows per tier

        bool admit(i64 total) const {
            for (usize r = 0; r < count; ++r)
                if (run[r].first <= total && total <= run[r].second) return true;
            return false;
        }
        // The largest end of a run below `total`, -1 when none.
        i64 end_below(i64 total) const {
            i64 out = -1;
            for (usize r = 0; r < count; ++r)
                if (run[r].second < total) out = std::max(out, run[r].second);
            return out;
        }
    };

    i64 total_at(usize i) const { return pool_.event_bonus(static_cast<u16>(i)).total_x10(); }

    // Under runs, whether card i is tried: cards of equal bonus stand or
    // fall together, by their stand-in under `run_bound`, a bound of the
    // node's decks whose next card is one of them; past a card no run
    // admits, the next admitted bonus is the largest run end below it.
    // Moves `i` to the last card passed over.
    enum class RunStep { TRY, SKIP, END };
    RunStep run_step(usize& i, const BonusRuns& runs, u64 run_bound) const;

    BonusRuns next_card_runs(u64 node_bound) const;

    // The stand-in of the cards at positions `l`..`r`, of one bonus total,
    // with `first_range_` set to them: their total, and with a score-up
    // lower bound the placed cards' skill values at their ceilings and the
    // range's largest value (`placed_unit` as `tiers_open` takes it).
    PartialSums range_stand_in(usize l, usize r, std::optional<u64> placed_unit);
    // Under runs with two free slots, the blocks of a run of equal bonus
    // from `l` to `r` some of whose cards may take a tier: halves none of
    // whose cards can, with the last card from the positions of its
    // window's bonus, are left out (`first_range_`). Appended in ascending
    // order to `out`.
    // Each block with the tiers some of its decks may land on (see
    // `tiers_open`'s `open_tiers`), asked within `tier_mask_`.
    struct Block {
        usize begin = 0;
        usize end = 0;
        u64 tiers = ~u64{0};
    };
    void pair_blocks(usize l, usize r, u64 extra, std::optional<u64> placed_unit,
                     std::vector<Block>& out);
    // Asks the cards of `blocks[block]` from position `i` on again as
    // blocks of their own (`pair_blocks`, within the block's tiers and
    // `node_mask`): the block ends at `i`, the new blocks follow it, and
    // `block` moves to the first of them (or the one after them).
    void reask_block(usize i, u64 extra, std::optional<u64> placed_unit, u64 node_mask,
                     std::vector<Block>& blocks, usize& block);
    // Children of a block turned away in a row before its later cards are
    // asked again as a block (`reask_block`).
    static constexpr usize REASK_AFTER = 4;

    // `LastCardBound::placed_unit_power` of a child of `card` whose sums
    // are `child`: this node's cards' share depends only on the units the
    // child's cards share and whether their attributes differ, so it is
    // kept per such pair.
    u64 child_unit_power(const PartialSums& child, u16 card);
    struct UnitPart {
        u8 units = 0;
        bool mixed = false;
        u64 power = 0;
    };
    std::array<UnitPart, 4> unit_parts_{};
    usize unit_parts_used_ = 0;

    // While `pair_blocks` asks the tiers: the block's positions and the
    // placed cards' power in a deck that fills a unit; `window_open` then
    // bounds the block's card and the last card each by its own range.
    struct FirstRange {
        usize begin = 0;
        usize end = 0;
        u64 placed_unit = 0;
    };
    std::optional<FirstRange> first_range_;
    // The placed cards' sums that `window_open` bounds a block's decks by
    // (see `pair_blocks`).
    std::optional<PartialSums> pair_placed_;

    // The last card of a deck whose bonus is its cards' alone, from
    // positions listed by bonus.
    bool last_by_tiers() const;

    void expand_last_by_tiers();

    SearchNodeState& state_;
    const BoundModel& m_;
    const CardPool& pool_;
    const SearchContext& context_;
    const usize depth_;
    const usize start_;
    const usize k_;  // free slots
    DeckSlots& partial_;
    const u32 used_;
    const PartialSums& sums_;
    const bool has_leader_;
    const u16 leader_index_;
    PartialDeckKey key_;                              // this node's cards, in support-bonus mode
    std::optional<ChildSupportBound> child_support_;  // its children's, once key_ is set
    // Per attribute case, the last card's power floor where it fills no unit.
    std::array<std::optional<u32>, 2> case_floor_;
    // The least ceiling a last card needs for the score-up lower bound.
    std::optional<u32> score_up_floor_;
    // The last card's placed sums and power (see `last_cards_bound`).
    PartialSums placed_ceiled_;
    std::optional<u64> placed_unit_;
    // Bit i clear where no completion of this node lands on tier i, or none
    // can enter it; while its children are asked, no completion of theirs.
    u64 tier_mask_ = ~u64{0};
    // Where the children's cards lie in the fixed slots' runs, the tiers
    // the completions of a child of a card at positions `begin`..`end`
    // (admitted ones) can land on (`CompletionBonusReach`).
    u64 child_tiers(usize begin, usize end);
    // The first position from `i` on (the run's end where none is) whose
    // child may land on a tier of `mask`: the children before it are passed
    // over.
    usize next_child_with_tiers(usize i, u64 mask);
    const std::vector<u64>* run_tiers_ = nullptr;  // per position of the slot's run
    std::vector<u64> spare_tiers_;
};

// Debug builds: the two free cards' bound of a World Bloom deck's first
// three cards, as the search asks it, holds the deck of key `key`.
void check_world_bloom_pair(SearchNodeState& state, const DeckSlots& deck, u64 key);

}  // namespace vdz
