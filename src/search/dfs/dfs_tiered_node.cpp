// The depth-first search's node under bonus tiers: a deck counts only where
// its doubled bonus names a requested tier, so a node asks which tiers its
// completions can still reach and enter, and the last card of a deck is
// judged against its own tier. Why each test holds is said where it is made.
#include <algorithm>
#include <bit>
#include <optional>

#include "common/check.h"
#include "common/numeric.h"
#include "search/dfs/dfs_node.h"
#include "search/dfs/pair_takers.h"
#include "search/evaluation/deck_evaluator.h"
#include "search/evaluation/deck_key.h"

namespace vdz {
namespace {

// Whether the tiers leave room for a completion under `bound`: some tier
// between its least and greatest doubled bonus whose list is not full or
// whose worst live score the bound may still reach. A smaller bound admits
// no more tiers than a larger one.
bool tiers_admit(const DfsStore& store, u64 bound, const PartialSums& sums, usize depth,
                 u64 tier_mask) {
    const u32 upper = static_cast<u32>(bound >> 32);
    const u32 score = static_cast<u32>(bound);
    const u32 lower = doubled_bonus_floor(sums, depth);
    for (usize t = 0; t < store.tiers.size(); ++t) {
        const TierRecord& tier = store.tiers[t];
        if (tier.tier_key < lower || (t < 64 && !((tier_mask >> t) & 1))) continue;
        if (tier.tier_key > upper) return false;
        if (!tier.decks.full() || tier.decks.worst_score() == 0 ||
            score >= static_cast<u32>(tier.decks.worst_score())) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool DfsNode::tiers_open(u64 bound, const PartialSums& sums, usize depth, usize next, u32 used,
                         bool bonus_only, std::optional<u64> placed_unit, const DeckSlots* deck,
                         u64* open_tiers) const {
    const DfsStore& store = state_.store;
    if (open_tiers) *open_tiers = ~u64{0};
    if (!state_.tier_reach) return tiers_admit(store, bound, sums, depth, tier_mask_);
    const TierReach& reach = *state_.tier_reach;
    const usize row = reach.free_row(next, depth);
    const u32 upper = static_cast<u32>(bound >> 32);
    const u32 score = static_cast<u32>(bound);
    const usize free = 5 - depth;
    // A run's stand-in holds its card's bonus but not its attribute or
    // support place: those count as one more free card from the run's
    // first position.
    const BonusExtras wide = bonus_only ? reach.extras(sums, free + 1, next - 1, used)
                                        : reach.extras(sums, free, row, used);
    // A last card that may take a support entry the placed cards' deck
    // counts leaves the windows wide; the decks of the cards that take
    // none take those entries, so their windows are exact, and the few
    // cards that take one are judged each by its own deck.
    // So for a block's stand-in whose cards take none, with one card after
    // it: the decks whose last card takes none either have exact windows.
    const bool split = deck && !bonus_only && free == 1 && wide.exact_count == 0;
    const bool block_split =
        bonus_only && first_range_ && free == 1 && wide.exact_count == 0 && !block_takes(sums);
    // So for two free cards in the fixed slots' layout (`pair_takers.h`):
    // the completions whose free cards take none have exact windows, and
    // the others are judged by their takers' decks.
    const bool pair_split = deck && !bonus_only && free == 2 && wide.exact_count == 0 &&
                            pair_split_applies(state_, depth);
    usize later_from = SIZE_MAX;
    u32 later = 0;
    usize mixed_later_from = SIZE_MAX;
    u32 mixed_later = 0;
    const bool may_share = !sums.mixed_attrs && bit_count(sums.attr_mask) <= 1;
    // A tier's widest window ends at five times its key plus a slack
    // the extras fix; tiers whose window ends below the placed cards'
    // total take none of these decks, nor do those above the bound's bonus.
    const i64 slack = reach.window(0, wide).hi;
    const TierRecord* const tiers = store.tiers.data();
    const usize count = store.tiers.size();
    const usize begin = static_cast<usize>(
        std::partition_point(tiers, tiers + count,
                             [&](const TierRecord& tier) {
                                 return 5 * i64{tier.tier_key} + slack < i64{sums.bonus_x10};
                             }) -
        tiers);
    // Whether tier `t` (of those) takes a completion under `bound` whose
    // extras are `extras`.
    const auto tier_open = [&](usize t, const BonusExtras& extras) {
        const TierRecord& tier = tiers[t];
        const DfsTopDecks& decks = tier.decks;
        if (beneath(decks, score)) return false;
        // Without exact windows a tier has one, of every attribute count.
        if (extras.exact_count == 0)
            return window_open(reach.window(tier.tier_key, extras), 0xFF, decks, sums, row, free,
                               bonus_only, placed_unit, used, later_from, later);
        // The window of the extras' range holds every exact one: where
        // it holds no sum the later cards make, none does.
        if (!reach.reaches(row, free, sums.bonus_x10, reach.window(tier.tier_key, extras)))
            return false;
        const TierWindows windows = reach.windows(tier.tier_key, extras);
        for (usize w = 0; w < windows.count; ++w) {
            TenthsWindow window = windows.window[w];
            // Most windows hold no sum the later cards make; only those
            // that do are worth their exact ends.
            if (!reach.reaches(row, free, sums.bonus_x10, window)) continue;
            window = reach.exact_window(tier.tier_key, extras, w, window);
            if (window.lo > window.hi) continue;
            // A window whose attribute bonus only decks of two attributes
            // or more take holds no deck whose cards share one: its bounds
            // read the placed cards as of several attributes (with a later
            // bound of their own).
            if (may_share && context_.distinct_attr_bonus[1] != extras.exact[w]) {
                PartialSums mixed = sums;
                mixed.mixed_attrs = true;
                if (window_open(window, windows.attrs[w], decks, mixed, row, free, bonus_only,
                                placed_unit, used, mixed_later_from, mixed_later))
                    return true;
                continue;
            }
            if (window_open(window, windows.attrs[w], decks, sums, row, free, bonus_only,
                            placed_unit, used, later_from, later))
                return true;
        }
        return false;
    };
    // Whether some tier takes a completion whose extras are `extras`: the
    // tiers from `begin` on that the mask leaves, the first 64 as bits;
    // those above the bound's bonus are passed over. One tier with room is
    // enough, but with `collect` every tier is asked, and one none of these
    // decks can enter keeps its bit clear in `open_tiers`.
    const auto some_tier_open = [&](const BonusExtras& extras, bool collect) {
        u64 left = begin >= 64 ? 0 : tier_mask_ & (~u64{0} << begin);
        u64 found = 0;
        bool any = false;
        for (; left != 0; left &= left - 1) {
            const usize t = static_cast<usize>(std::countr_zero(left));
            if (t >= count || tiers[t].tier_key > upper) break;
            if (!tier_open(t, extras)) continue;
            if (!collect) return true;
            found |= u64{1} << t;
            any = true;
        }
        for (usize t = std::max<usize>(begin, 64); t < count && tiers[t].tier_key <= upper; ++t) {
            if (!tier_open(t, extras)) continue;
            if (!collect) return true;
            any = true;
        }
        if (collect) *open_tiers = found;
        return any;
    };
    // Not where a last card or a block's cards that take support entries
    // are judged apart, by no tier's window: there the open tiers are not
    // collected. Two free cards' takers name their tiers.
    if (split || pair_split || block_split) {
        const BonusExtras kept = block_split ? reach.kept_extras(sums, free + 1, next - 1, used)
                                             : reach.kept_extras(sums, free, row, used);
        if (kept.exact_count != 0) {
            if (pair_split && open_tiers) {
                const bool windows_open = some_tier_open(kept, true);
                const u64 in_windows = *open_tiers;
                u64 taken = 0;
                const bool taken_open = pair_takers_open(bound, sums, row, used, *deck, &taken);
                *open_tiers = in_windows | taken;
                return windows_open || taken_open;
            }
            if (some_tier_open(kept, false)) return true;
            if (pair_split) return pair_takers_open(bound, sums, row, used, *deck);
            return split ? takers_open(score, sums, *deck, row, used)
                         : block_takers_open(score, sums, row, used);
        }
    }
    return some_tier_open(wide, open_tiers != nullptr);
}

bool DfsNode::block_takes(const PartialSums& run) const {
    bool takes = false;
    state_.tier_reach->for_each_taker(
        run, first_range_->begin,
        [&](u16 card, usize) { takes = takes || card < first_range_->end; }, 1);
    return takes;
}

bool DfsNode::block_takers_open(u32 score, const PartialSums& run, usize row, u32 used) const {
    // A block's card takes none of the entries after the placed cards', so
    // a last card that takes one moves the deck's entries as it would
    // without the block's card; that card's attribute is among the others'
    // or one more.
    const TierReach& reach = *state_.tier_reach;
    const auto& tiers = state_.store.tiers;
    bool open = false;
    reach.for_each_taker(run, row, [&](u16 card, usize entry) {
        if (open || (context_.dominance_pruning && ((used >> pool_.character_id(card)) & 1)))
            return;
        const usize least = bit_count(run.attr_mask | (1u << (pool_.attr(card) & 7u)));
        for (usize attrs = least; attrs <= std::min<usize>(least + 1, 5) && !open; ++attrs) {
            const usize tier = state_.store.tier_at(
                reach.taker_doubled(run, entry, i64{run.bonus_x10} + total_at(card), attrs));
            open = tier < tiers.size() && !beneath(tiers[tier].decks, score);
        }
    });
    return open;
}

bool DfsNode::takers_open(u32 score, const PartialSums& sums, const DeckSlots& deck, usize row,
                          u32 used) const {
    const auto& tiers = state_.store.tiers;
    const TakerPlace place{sums.support_taken, sums.bonus_x10, used, static_cast<u32>(row),
                           sums.attr_mask};
    auto known = state_.taker_tiers.find(place);
    if (known == state_.taker_tiers.end()) {
        std::vector<u16> landed;
        const TierReach& reach = *state_.tier_reach;
        reach.for_each_taker(sums, row, [&](u16 card, usize entry) {
            if (context_.dominance_pruning && ((used >> pool_.character_id(card)) & 1)) return;
            const u32 doubled =
                reach.taker_doubled(sums, entry, i64{sums.bonus_x10} + total_at(card),
                                    bit_count(sums.attr_mask | (1u << (pool_.attr(card) & 7u))));
            if constexpr (CHECK_BOUNDS) {
                DeckSlots complete = deck;
                complete[4] = card;
                VDZ_ASSERT(doubled ==
                           half_percent_steps(deck_event_bonus(pool_, context_, complete)));
            }
            const usize tier = state_.store.tier_at(doubled);
            if (tier < tiers.size() &&
                std::find(landed.begin(), landed.end(), tier) == landed.end())
                landed.push_back(static_cast<u16>(tier));
        });
        // Kept within a few megabytes: a search that asks more starts over.
        if (state_.taker_tiers.size() >= (usize{1} << 16)) state_.taker_tiers.clear();
        known = state_.taker_tiers.emplace(place, std::move(landed)).first;
    }
    for (const u16 tier : known->second)
        if (!beneath(tiers[tier].decks, score)) return true;
    return false;
}

bool DfsNode::window_open(const TenthsWindow& window, u8 attrs, const DfsTopDecks& decks,
                          const PartialSums& sums, usize row, usize free, bool bonus_only,
                          std::optional<u64> placed_unit, u32 used, usize& later_from,
                          u32& later) const {
    const TierReach& reach = *state_.tier_reach;
    const i64 lack = window.lo - i64{sums.bonus_x10};
    // Each free card adds at most what the window leaves, so in a
    // pool listed by bonus they all come from `from` on; the next of
    // them adds the most, at least its share of what the deck
    // lacks, so it comes before `to`.
    const usize from = reach.first_at_most(row, window.hi - i64{sums.bonus_x10});
    const bool listed = free > 0 && reach.listed_from(row);
    const i64 spread = static_cast<i64>(std::max<usize>(free, 1));
    const i64 share = lack <= 0 ? 0 : (lack + spread - 1) / spread;
    const usize to = listed ? reach.first_at_most(row, share - 1) : SIZE_MAX;
    if (listed && from >= to) return false;
    if (!reach.reaches(from, free, sums.bonus_x10, window)) return false;
    // A run's stand-in holds no skill value of its card, a block's its
    // largest.
    if ((!bonus_only || first_range_) && state_.score_up &&
        !state_.score_up->open(sums, from, free, window.lo - i64{sums.bonus_x10},
                               window.hi - i64{sums.bonus_x10})) {
        return false;
    }
    // The last card to come must also bring the deck to the window's
    // attribute count (a run's stand-in already holds its card).
    if (free == 1 && !bonus_only && attrs != 0xFF &&
        !reach.one_reaches(from, attrs, sums.bonus_x10, window))
        return false;
    // A block of a run: its card and the last card each from its range.
    if (bonus_only && first_range_ && free == 1 && listed && decks.full() &&
        decks.worst_score() != 0) {
        const u64 b = state_.last_card->pair_bound(
            *pair_placed_, first_range_->placed_unit, first_range_->begin, first_range_->end, from,
            std::min<usize>(to, pool_.count()), m_.bonus_extra);
        if (beneath(decks, static_cast<u32>(b))) return false;
    }
    // A block with two cards after it: the block's card by its range's
    // largest values, the two after it by the best cards of each exact
    // total the window leaves them (`add_range_card` says why it holds).
    if (bonus_only && first_range_ && free == 2 && state_.bonus_total && !context_.final_chapter &&
        decks.full() && decks.worst_score() != 0) {
        PartialSums block = *pair_placed_;
        block.mixed_attrs = sums.mixed_attrs;
        block.bonus_sum = sums.bonus_sum;
        block.bonus_x10 = sums.bonus_x10;
        const u64 unit = state_.last_card->add_range_card(block, first_range_->placed_unit,
                                                          first_range_->begin, first_range_->end);
        // The tier cuts a live score at or below its worst kept one, or
        // below it (see `beneath`), so the bound may stop at a key above it.
        const u32 worst = static_cast<u32>(decks.worst_score());
        const u64 b = state_.bonus_total->bound(
            block, from, 2, window.lo - i64{sums.bonus_x10}, window.hi - i64{sums.bonus_x10},
            m_.bonus_extra, unit, state_.tiers_in_slot_order ? worst : worst - 1, used);
        if (beneath(decks, static_cast<u32>(b))) return false;
    }
    if (!bonus_only && free > 0 && decks.full() && decks.worst_score() != 0) {
        if (listed && to < pool_.count()) {
            // The cards after the next one each add at most half of what
            // the window leaves (`TierReach::rest_from`).
            const u64 b =
                free == 1 && placed_unit
                    ? state_.last_card->last_bound(sums, *placed_unit, from, to, m_.bonus_extra)
                    : range_bound(sums, from, to, free - 1, placed_unit,
                                  reach.rest_from(row, from, window.hi - i64{sums.bonus_x10}));
            if (beneath(decks, static_cast<u32>(b))) return false;
        } else if (from > row) {
            // Tiers in ascending order mostly share their first
            // position.
            if (from != later_from) {
                later_from = from;
                later = static_cast<u32>(later_bound(sums, from, free));
            }
            if (beneath(decks, later)) return false;
        }
        // The tier cuts a live score at or below its worst kept one, or
        // below it (see `beneath`).
        const u32 worst = static_cast<u32>(decks.worst_score());
        if (state_.bonus_total &&
            beneath(decks, static_cast<u32>(state_.bonus_total->bound(
                               sums, from, free, window.lo - i64{sums.bonus_x10},
                               window.hi - i64{sums.bonus_x10}, m_.bonus_extra, placed_unit,
                               state_.tiers_in_slot_order ? worst : worst - 1, used)))) {
            return false;
        }
    }
    return true;
}

void DfsNode::expand_tiered() {
    // The tiers the parent found some completion of this node may enter: a
    // tier that none could then enters none later, as its worst kept deck
    // only rises.
    if (depth_ > 0) tier_mask_ = state_.entry_tiers[depth_];
    // The last card's runs of positions bound it by itself.
    if (last_by_tiers()) {
        expand_last_by_tiers();
        return;
    }
    // Where this node's cards lie in the fixed slots' runs, the table of
    // what the rest can add tells exactly which tiers its completions can
    // land on; the others need no window, and a node that lands on none is
    // done.
    if (state_.completion_reach && depth_ > 0 && state_.completion_reach->on(depth_)) {
        tier_mask_ &= state_.completion_reach->reachable_tiers(depth_, partial_, state_.tier_keys);
        if (tier_mask_ == 0) return;
    }
    if (m_.support_mode) key_ = partial_deck_key(depth_, partial_, pool_);
    const u64 bound = character_bound(m_, sums_, used_, depth_, partial_);
    // The placed cards' power in a deck that fills a unit, for the bounds
    // of this node's completions and, with its card, of each child's.
    std::optional<u64> placed_unit;
    if (state_.tier_reach && state_.last_card)
        placed_unit = state_.last_card->placed_unit_power(sums_, partial_, depth_);
    if (!entry_admits(bound, start_) &&
        !tiers_open(bound, sums_, depth_, start_, used_, false, placed_unit, &partial_))
        return;
    if (m_.support_mode && depth_ > 0) child_support_.emplace(m_, key_);
    note_bound(bound);
    const ExclusionTables exclusion = exclusion_tables(m_, used_, k_ - 1, sums_.plain());
    const u64 extra = node_extra();
    const BonusRuns runs = next_card_runs(bound);
    PassedRun passed;
    // With two or three free slots, the open blocks of the current run.
    const bool pairs = runs.on && (k_ == 2 || k_ == 3);
    std::vector<Block> blocks;
    usize blocks_end = SIZE_MAX, block = 0;
    // The children of the current block turned away since it was asked.
    usize missed_block = SIZE_MAX, turned_away = 0;
    // The tiers the current block's decks may land on.
    u64 block_tiers = ~u64{0};
    // Within a fixed slot's run, the end of the cards of one total met last.
    const bool fixed_run =
        !runs.on && k_ > 1 && state_.tier_reach && depth_ < m_.fixed_layout.slots();
    usize total_end = 0;
    // Where a child's cards lie in the runs too, the table tells which
    // tiers its completions can land on, and its tests ask only those.
    const u64 node_mask = tier_mask_;
    const bool child_masks = state_.completion_reach && state_.completion_reach->on(depth_ + 1);
    usize i = scan_begin(runs.on ? runs.first : start_);
    // Where card i lies in no open block of its run (which ends at `end`),
    // moves i to the card before the next block, or to the run's last card
    // where none is left, and says so.
    const auto skip_to_block = [&](usize end) {
        if (block == blocks.size()) {
            i = end - 1;
            return true;
        }
        if (blocks[block].begin > i) {
            i = blocks[block].begin - 1;
            return true;
        }
        return false;
    };
    for (; i < scan_end(); ++i) {
        if (state_.stop || state_.count_step()) return;
        tier_mask_ = node_mask;
        if (runs.on) {
            const usize end = reach().first_at_most(i, total_at(i) - 1);
            // A run that passed is asked again at every sixteenth card,
            // with its bound from there on, and only where that bound
            // has fallen: the same bound, a little later, rarely closes
            // what it left open, and each child is judged on its own.
            if (end != passed.end || ((i - passed.first) & 15) == 0) {
                const u64 run_bound = k_ == 1
                                          ? last_cards_bound(i, end, extra)
                                          : state_.last_card->bound(sums_, i, end, k_ - 1, extra);
                if (end != passed.end || run_bound != passed.bound) {
                    const RunStep step = run_step(i, runs, run_bound);
                    if (step == RunStep::END) return;
                    if (step == RunStep::SKIP) continue;
                    if (end != passed.end) passed.first = i;
                    passed.end = end;
                    passed.bound = run_bound;
                }
            }
            if (k_ == 1) {
                visit_last_cards(i, end, extra);
                i = end - 1;
                continue;
            }
            if (pairs) {
                if (end != blocks_end) {
                    blocks_end = end;
                    blocks.clear();
                    block = 0;
                    pair_blocks(i, end, extra, placed_unit, blocks);
                }
                while (block < blocks.size() && blocks[block].end <= i)
                    ++block;
                if (skip_to_block(end)) continue;
                // A block whose cards keep being turned away is asked again
                // from the current card on: a block's test bounds every deck
                // whose next card it holds, so the block's later cards are
                // a block of their own, and their largest values, which the
                // run's order by power lowers as it goes, may leave no tier
                // room. Asked after every few children turned away in a row:
                // each such test costs about what one child's does.
                if (block != missed_block) {
                    missed_block = block;
                    turned_away = 0;
                }
                if (turned_away >= REASK_AFTER && blocks[block].end - i >= 2) {
                    turned_away = 0;
                    reask_block(i, extra, placed_unit, node_mask, blocks, block);
                    missed_block = block;
                    if (skip_to_block(end)) continue;
                }
                block_tiers = blocks[block].tiers;
            }
        }
        // There the cards of one total stand or fall together by their
        // stand-in, as a run of equal bonus does (see `run_step`).
        if (fixed_run && i >= total_end) {
            if (child_masks && (i = next_child_with_tiers(i, node_mask)) == scan_end()) return;
            total_end = i + 1;
            while (total_end < scan_end() && total_at(total_end) == total_at(i))
                ++total_end;
            PartialSums run = sums_;
            run.bonus_sum += ceil_percent(static_cast<u32>(total_at(i)));
            run.bonus_x10 += static_cast<u32>(total_at(i));
            if (child_masks) tier_mask_ = node_mask & child_tiers(i, total_end);
            // With two cards after them, as a block of a run: the cards'
            // largest values with the best two cards of each total
            // (`window_open`).
            if (k_ == 3 && state_.bonus_total && !context_.final_chapter)
                run = range_stand_in(i, total_end, placed_unit);
            const bool open = tier_mask_ != 0 && tiers_open(state_.last_card->bound(
                                                                sums_, i, total_end, k_ - 1, extra),
                                                            run, depth_ + 1, i + 1, used_, true);
            first_range_.reset();
            if (!open) {
                i = total_end - 1;
                continue;
            }
            tier_mask_ = node_mask;
        }
        // Later positions have smaller rows: once no tier is open from
        // here on, none is further on. Asked at every sixteenth
        // position: its tiers cost more than the children it would
        // spare, each of which its own position bound mostly turns away.
        if (((i - start_) & 15) == 0) {
            const u64 position = position_bound(m_, sums_, i, k_, extra);
            if (!entry_admits(position, i) &&
                !tiers_open(position, sums_, depth_, i, used_, false, placed_unit, &partial_))
                return;
        }
        const u16 card = static_cast<u16>(i);
        if (!admitted(card)) continue;
        ++turned_away;
        // A child's completions are some of its block's.
        tier_mask_ = node_mask & block_tiers;
        if (child_masks && (tier_mask_ &= child_tiers(i, i + 1)) == 0) continue;
        const PartialSums child = child_sums(m_, sums_, card);
        if (k_ == 1 && state_.tier_reach) {
            try_last_card(card, child);
            continue;
        }
        // Each bound of the child holds for all its completions: the
        // position bound alone turns most away, and the smaller of the
        // two is formed only for those it admits.
        const u64 extra_of_child = child_extra(card);
        const u64 first = k_ == 1 ? child_bound(exclusion, card, child, extra_of_child)
                                  : position_bound(m_, child, i + 1, k_ - 1, extra_of_child);
        std::optional<u64> child_unit;
        if (placed_unit) child_unit = child_unit_power(child, card);
        partial_[depth_] = card;
        // The tiers it may land on are all asked: its later questions, and
        // its subtree, ask only those.
        u64 open = ~u64{0};
        if (!tiers_open(first, child, depth_ + 1, i + 1, child_used(card), false, child_unit,
                        &partial_, &open))
            continue;
        tier_mask_ &= open;
        const u64 bound = k_ == 1 ? first : child_bound(exclusion, card, child, extra_of_child);
        if (bound != first && !tiers_open(bound, child, depth_ + 1, i + 1, child_used(card), false,
                                          child_unit, &partial_))
            continue;
        // Last, for the few children left, with the placed skills at most
        // what each resolves to in a deck of the child's free cards more;
        // the child and its subtree bound their decks with these, which
        // hold for every deck below it.
        if (k_ >= 3) {
            partial_[depth_] = card;
            const PartialSums ceiled = with_skill_ceilings(m_, child, partial_, depth_ + 1, k_ - 1);
            if (ceiled.skills != child.skills) {
                if (!tiers_open(bound, ceiled, depth_ + 1, i + 1, child_used(card), false,
                                child_unit, nullptr, &open))
                    continue;
                tier_mask_ &= open;
            }
            if (k_ == 3) {
                u64 pairs = ~u64{0};
                if (!pair_tiers_open(bound, ceiled, i + 1, child_used(card), child_unit, &pairs))
                    continue;
                tier_mask_ &= pairs;
            }
            turned_away = 0;
            descend(card, ceiled, bound);
            continue;
        }
        turned_away = 0;
        descend(card, child, bound);
    }
}

u64 DfsNode::child_unit_power(const PartialSums& child, u16 card) {
    const LastCardBound& last = *state_.last_card;
    for (usize e = 0; e < unit_parts_used_; ++e) {
        const UnitPart& part = unit_parts_[e];
        if (part.units == child.common_units && part.mixed == child.mixed_attrs)
            return part.power + last.placed_card_unit_power(child, card);
    }
    const u64 placed = last.placed_unit_power(child, partial_, depth_);
    if (unit_parts_used_ < unit_parts_.size())
        unit_parts_[unit_parts_used_++] = {child.common_units, child.mixed_attrs, placed};
    return placed + last.placed_card_unit_power(child, card);
}

bool DfsNode::entry_admits(u64 bound, usize next) const {
    const u64 entry = state_.entry_bound[depth_];
    if (depth_ == 0 || next != start_ || entry == ~u64{0}) return false;
    return (bound >> 32) >= (entry >> 32) && static_cast<u32>(bound) >= static_cast<u32>(entry);
}

void DfsNode::try_last_card(u16 card, const PartialSums& child) {
    partial_[depth_] = card;
    take_last_card(card, child, half_percent_steps(deck_event_bonus(pool_, context_, partial_)));
}

void DfsNode::take_last_card(u16 card, const PartialSums& child, u32 doubled) {
    partial_[depth_] = card;
    VDZ_ASSERT(!CHECK_BOUNDS ||
               half_percent_steps(deck_event_bonus(pool_, context_, partial_)) == doubled);
    const usize tier = state_.store.tier_at(doubled);
    if (tier == state_.store.tiers.size()) return;
    const u32 live = static_cast<u32>(
        complete_deck_bound(m_, partial_, with_skill_ceilings(m_, child, partial_, 5, 0), 0));
    if (beneath(state_.store.tiers[tier].decks, live)) return;
    descend(card, child, (u64{doubled} << 32) | live);
}

bool DfsNode::last_by_tiers() const {
    const TierReach* reach = state_.tier_reach;
    return k_ == 1 && reach && !context_.world_bloom &&
           reach->listed_from(reach->free_row(start_, depth_));
}

void DfsNode::expand_last_by_tiers() {
    const DfsStore& store = state_.store;
    const TierReach& reach = *state_.tier_reach;
    const i64 placed = sums_.bonus_x10;
    const auto first_at_most = [&](usize from, i64 x) { return reach.first_at_most(from, x); };
    usize from = reach.free_row(start_, depth_);
    // The bound this node was entered with leaves out the tiers it
    // cannot reach.
    const u64 entry = state_.entry_bound[depth_];
    const i64 upper = static_cast<i64>(entry >> 32);
    // The placed cards' skill values at most what each resolves to in a
    // deck of one card more, their power in a deck that fills a unit at
    // most their variants for the units they share.
    const PartialSums placed_ceiled = with_skill_ceilings(m_, sums_, partial_, depth_, 1);
    const u64 placed_unit = state_.last_card->placed_unit_power(sums_, partial_, depth_);
    const auto range_bound = [&](usize l, usize r) {
        return static_cast<u32>(
            state_.last_card->last_bound(placed_ceiled, placed_unit, l, r, m_.bonus_extra));
    };
    for (auto tier = store.tiers.rbegin(); tier != store.tiers.rend(); ++tier) {
        const i64 key = tier->tier_key;
        const i64 high = 5 * key + 2 - placed, low = 5 * key - 2 - placed;
        const usize index = static_cast<usize>(store.tiers.rend() - tier) - 1;
        if (high < 0 || key > upper || (index < 64 && !((tier_mask_ >> index) & 1))) continue;
        const DfsTopDecks& kept = tier->decks;
        if (beneath(kept, static_cast<u32>(entry))) continue;
        const usize begin = first_at_most(from, high);
        const usize end = low <= 0 ? pool_.count() : first_at_most(begin, low - 1);
        // A full tier needs only cards whose deck's live score can
        // reach its worst one: per run of equal bonus, the largest
        // values from a card to the run's end bound the rest of it.
        const DfsTopDecks& decks = tier->decks;
        // Halves of the range whose largest values cannot reach the
        // tier's worst live score hold no card it needs.
        const auto visit = [&](const auto& self, usize l, usize r) -> void {
            if (state_.stop || state_.count_step()) return;
            if (state_.score_up && !state_.score_up->open(placed_ceiled, l, 1, low, high)) return;
            if (beneath(decks, range_bound(l, r))) return;
            if (r - l > 4) {
                const usize mid = l + (r - l) / 2;
                self(self, l, mid);
                self(self, mid, r);
                return;
            }
            for (usize i = l; i < r && !state_.stop; ++i) {
                const u16 card = static_cast<u16>(i);
                if (!admitted(card)) continue;
                // Every card here lands on this tier: its own range
                // bound, far cheaper than its deck's, turns most away.
                if (const u32 b = range_bound(i, i + 1); beneath(decks, b)) {
                    if constexpr (CHECK_BOUNDS) {
                        partial_[depth_] = card;
                        const auto key = evaluate_deck_key(pool_, context_, partial_);
                        VDZ_ASSERT(!key || static_cast<u32>(*key) <= b);
                    }
                    continue;
                }
                const PartialSums child = child_sums(m_, sums_, card);
                partial_[depth_] = card;
                // Each skill at most what it resolves to in this deck: a
                // deck whose score up cannot meet the lower bound then is
                // not evaluated.
                const PartialSums ceiled = with_skill_ceilings(m_, child, partial_, 5, 0);
                if (state_.score_up && !state_.score_up->open(ceiled, pool_.count(), 0, 0, 0))
                    continue;
                const u64 bound = complete_deck_bound(m_, partial_, ceiled, m_.bonus_extra);
                if (!tiers_open(bound, child, depth_ + 1, i + 1, child_used(card))) continue;
                descend(card, child, bound);
            }
        };
        if (begin < end) visit(visit, begin, end);
        from = end;
    }
}

}  // namespace vdz
