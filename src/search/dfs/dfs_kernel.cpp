// The recursive kernel of the depth-first search. Each call is one node: a
// partial deck of `depth` cards in ascending pool order (after the leader).
// A node at depth 5 evaluates the deck and records it; an inner node tries
// every admitted card from its start position on, skipping the subtrees and
// children whose bound cannot beat what the store keeps.
#include <algorithm>
#include <optional>

#include "common/check.h"
#include "common/numeric.h"
#include "search/bounds/final_bound.h"
#include "search/dfs/dfs_node.h"
#include "search/dfs/dfs_state.h"
#include "search/dfs/pair_takers.h"
#include "search/evaluation/deck_evaluator.h"
#include "search/evaluation/deck_key.h"
#include "search/evaluation/final_deck_order.h"

namespace vdz {

void DfsNode::expand() {
    if (state_.card_sums) {
        expand_by_cards();
        return;
    }
    if (!state_.store.single) {
        expand_tiered();
        return;
    }
    expand_single(start_);
}

bool DfsNode::slots_precede(const DeckSlots& deck, usize i) const {
    for (usize s = 0; s < depth_; ++s)
        if (deck[s] != partial_[s]) return deck[s] < partial_[s];
    return deck[depth_] < i;
}

void DfsNode::expand_single(usize from) {
    const DfsTopDecks& list = *state_.store.single;
    std::optional<u64> node_bound;
    for (usize i = scan_begin(from); i < scan_end(); ++i) {
        if (list.full()) {
            const u64 worst = list.worst_score();
            if (!node_bound) {
                node_bound = character_bound(m_, sums_, used_, depth_, partial_);
                note_bound(*node_bound);
            }
            const u64 bound = *node_bound;
            if (worst == 0) {
                if (bound == 0 && slots_precede(list.worst().slots, i)) return;
            } else {
                if (bound <= worst) return;
                expand_bounded(i, worst);
                return;
            }
        }
        if (skip_below_score_up(i)) continue;
        const u16 card = static_cast<u16>(i);
        if (!admitted(card)) continue;
        descend(card, child_sums(m_, sums_, card), ~u64{0});
    }
}

usize DfsNode::next_score_up_card(usize i) {
    const ScoreUpSuffix* cut = state_.score_up_suffix;
    if (!cut) return i;
    if (!score_up_floor_)
        score_up_floor_ = cut->last_card_floor(with_skill_ceilings(m_, sums_, partial_, 4, 1));
    return cut->first_at_least(i, *score_up_floor_);
}

bool DfsNode::skip_below_score_up(usize& i) {
    if (k_ != 1) return false;
    const usize next = next_score_up_card(i);
    if (next <= i) return false;
    check_below_score_up(i, next);
    i = next - 1;
    return true;
}

void DfsNode::check_below_score_up(usize from, usize to) {
    if constexpr (!CHECK_BOUNDS) return;
    for (usize i = from; i < to; ++i) {
        const u16 card = static_cast<u16>(i);
        if (!admitted(card)) continue;
        partial_[depth_] = card;
        VDZ_ASSERT(!evaluate_deck_key(pool_, context_, partial_));
    }
}

bool DfsNode::last_card_below_floor(u16 card, usize from, u64 extra, u64 worst) {
    if ((pool_.unit_mask(card) & sums_.common_units) != 0) return false;
    const bool same_attr = !sums_.mixed_attrs && (pool_.attr(card) & 7u) == sums_.first_attr;
    const std::vector<u32>& variant = same_attr ? m_.power_no_unit_same_attr : m_.power_no_unit;
    return variant[card] < case_floor(same_attr, from, extra, worst);
}

u32 DfsNode::case_floor(bool same_attr, usize from, u64 extra, u64 worst) {
    std::optional<u32>& floor = case_floor_[same_attr];
    if (!floor) {
        const u64 placed = same_attr ? sums_.unitless_power_sum : sums_.plain_power_sum;
        floor = child_power_floor(m_, sums_, from, 1, extra, worst, placed);
    }
    return *floor;
}

usize DfsNode::next_last_card(usize i, u32 floor, usize from, u64 extra, u64 worst) {
    usize next = m_.first_at_least(m_.power_tree[1], i, case_floor(false, from, extra, worst));
    for (u32 u = 0; u < m_.unit_power_tree.size(); ++u)
        if ((sums_.common_units >> u) & 1)
            next = std::min(next, m_.first_at_least(m_.unit_power_tree[u], i, floor));
    if (!sums_.mixed_attrs)
        next = std::min(next, m_.first_at_least(m_.same_attr_power_tree[sums_.first_attr], i,
                                                case_floor(true, from, extra, worst)));
    return next;
}

void DfsNode::check_below_floor(usize from, usize to, [[maybe_unused]] u64 worst) {
    if constexpr (!CHECK_BOUNDS) return;
    if (k_ != 1) return;
    for (usize i = from; i < to; ++i) {
        const u16 card = static_cast<u16>(i);
        if (!admitted(card)) continue;
        partial_[depth_] = card;
        [[maybe_unused]] const auto key = evaluate_deck_key(pool_, context_, partial_);
        VDZ_ASSERT(!key || *key <= worst);
    }
}

void DfsNode::expand_bounded(usize from, u64 worst) {
    if (m_.support_mode) key_ = partial_deck_key(depth_, partial_, pool_);
    const u64 extra = node_extra();
    const ExclusionTables exclusion = exclusion_tables(m_, used_, k_ - 1, sums_.plain());
    const DfsTopDecks& list = *state_.store.single;
    const bool plain = sums_.plain();
    const u32 floor = child_power_floor(m_, sums_, from, k_, extra, worst);
    // No child from `end` on can beat the worst kept key; found by halving
    // once, and again over what is left each time that key rises, instead of
    // asking each child's position.
    usize end = position_end(from, scan_end(), extra, worst);
    for (usize i = from; i < end; ++i) {
        if (state_.stop || state_.count_step()) return;
        // A child of less power cannot beat the worst kept deck: on to
        // the next one of enough.
        if ((plain ? m_.power_no_unit[i] : pool_.power(static_cast<u16>(i))) < floor) {
            const usize next = m_.first_power_at_least(i, floor, plain);
            check_below_floor(i, next, worst);
            i = next - 1;
            continue;
        }
        if (skip_below_score_up(i)) continue;
        if (k_ == 1 && !plain) {
            const usize next = next_last_card(i, floor, from, extra, worst);
            if (next > i) {
                check_below_floor(i, next, worst);
                i = next - 1;
                continue;
            }
            if (last_card_below_floor(static_cast<u16>(i), from, extra, worst)) {
                check_below_floor(i, i + 1, worst);
                continue;
            }
        }
        const u16 card = static_cast<u16>(i);
        if (!admitted(card)) continue;
        PartialSums child = child_sums(m_, sums_, card);
        const u64 bound = child_bound_above(exclusion, card, child, worst);
        if (bound <= worst) continue;
        // A child of one free card: its last card bounded by the unit
        // shape each unit mask makes (only a cut: past the worst kept
        // key that bound stops early, and is no bound then).
        if (k_ == 2 && state_.last_units) {
            partial_[depth_] = card;
            if (last_card_units_bound(m_, *state_.last_units, child, partial_, i + 1,
                                      child_extra(card), worst) <= worst) {
                continue;
            }
        }
        descend(card, child, bound);
        if (list.full() && list.worst_score() > worst) {
            worst = list.worst_score();
            end = position_end(i + 1, end, extra, worst);
        }
    }
}

usize DfsNode::position_end(usize from, usize to, u64 extra, u64 worst) const {
    // Later positions have smaller or equal suffix rows, so the position
    // bound never rises along the pool: the first position whose bound is
    // not above `worst` starts the run of those none of whose decks can do
    // better.
    usize lo = from, hi = to;
    while (lo < hi) {
        const usize mid = lo + (hi - lo) / 2;
        if (position_bound(m_, sums_, mid, k_, extra) <= worst)
            hi = mid;
        else
            lo = mid + 1;
    }
    if constexpr (CHECK_BOUNDS)
        for (usize i = lo; i < to; ++i)
            VDZ_ASSERT(position_bound(m_, sums_, i, k_, extra) <= worst);
    return lo;
}

void DfsNode::expand_by_cards() {
    const DfsStore& store = state_.store;
    const auto bound = [&](const PartialSums& sums, usize row, usize columns) {
        return card_suffix_bound(m_, *state_.card_sums, sums, row, columns, m_.bonus_extra);
    };
    const auto admits = [&](u64 b, const PartialSums& sums, usize depth, usize row) {
        if (!store.single) return tiers_open(b, sums, depth, row, 0);
        const DfsTopDecks& list = *store.single;
        return !list.full() || list.worst_score() == 0 || b > list.worst_score();
    };
    const u64 node = bound(sums_, start_, k_);
    if (!admits(node, sums_, depth_, start_)) return;
    note_bound(node);
    if (!store.single && last_by_tiers()) {
        expand_last_by_tiers();
        return;
    }
    const BonusRuns runs = store.single ? BonusRuns{} : next_card_runs(node);
    for (usize i = scan_begin(runs.on ? runs.first : start_); i < scan_end(); ++i) {
        if (state_.stop || state_.count_step()) return;
        // Later positions have smaller or equal rows: none can do better.
        const u64 later = bound(sums_, i, k_);
        if (runs.on) {
            const usize end = reach().first_at_most(i, total_at(i) - 1);
            const u64 run = std::min(later, range_bound(sums_, i, end, k_ - 1));
            const RunStep step = run_step(i, runs, run);
            if (step == RunStep::END) return;
            if (step == RunStep::SKIP) continue;
        }
        if (!admits(later, sums_, depth_, i)) return;
        const u16 card = static_cast<u16>(i);
        if (!admitted(card)) continue;
        const PartialSums child = child_sums(m_, sums_, card);
        const u64 b = bound(child, i + 1, k_ - 1);
        if (!admits(b, child, depth_ + 1, i + 1)) continue;
        descend(card, child, b);
    }
}

namespace {

// Whether a deck completed from this node could still reach the request's
// multi live score-up lower bound (`ScoreUpSuffix`): first with the placed
// cards' skill values, then, where that admits it, with each at what it can
// resolve to in a deck of the free cards more. Without this cut a search
// for a bound few decks pass walks every deck, and, holding none, does not
// stop at its deadline. Decks that repeat a character (challenge lives, which
// take no lower bound) are left to the evaluator.
bool score_up_open(const SearchNodeState& state, usize depth, usize start, const DeckSlots& partial,
                   const PartialSums& sums) {
    const ScoreUpSuffix* cut = state.score_up_suffix;
    if (!cut) return true;
    const usize free = 5 - depth;
    if (!cut->open(sums, start, free)) return false;
    return depth == 0 ||
           cut->open(with_skill_ceilings(state.bounds, sums, partial, depth, free), start, free);
}

// Debug builds check at a complete deck under tiers that the tables which
// cut tiers list its doubled bonus: the reachable bonuses, and at each of its
// prefixes the extras, which must hold the deck's own attribute and support
// bonus, the window of its own tier under them, which must hold its cards'
// total, and the sums the later positions can add; and at each prefix in
// the fixed slots' runs, the tiers its completions can land on.
void check_tier_tables(const SearchNodeState& state, const DeckSlots& deck, u64 key) {
    const u32 doubled = static_cast<u32>(key >> 32);
    VDZ_ASSERT(state.reachable->may_reach(doubled));
    if (const CompletionBonusReach* rest = state.completion_reach) {
        const usize tier = state.store.tier_at(doubled);
        for (usize d = 1; tier < state.tier_keys.size() && rest->on(d); ++d)
            VDZ_ASSERT((rest->reachable_tiers(d, deck, state.tier_keys) >> tier) & 1);
    }
    if (!state.tier_reach) return;
    const TierReach& reach = *state.tier_reach;
    const CardPool& pool = state.pool;
    const SearchContext& context = state.context;
    i64 total = 0;
    u32 attrs = 0;
    for (const u16 card : deck) {
        total += pool.event_bonus(card).total_x10();
        attrs |= 1u << (pool.attr(card) & 7u);
    }
    double extra = 0.0;
    if (context.world_bloom) {
        extra = context.distinct_attr_bonus[std::min<u32>(bit_count(attrs), 5)];
        for_each_taken_support(pool, context, deck,
                               [&](const SupportEntry& e) { extra += e.value; });
    }
    PartialSums placed;
    u32 used = 0;
    for (usize d = 0; d <= 5; ++d) {
        const usize row = d == 0 ? 0 : usize{deck[d - 1]} + 1;
        VDZ_ASSERT(reach.reaches(row, 5 - d, placed.bonus_x10, {total, total}));
        const BonusExtras extras = reach.extras(placed, 5 - d, row, used);
        VDZ_ASSERT(extras.lo - 1e-9 <= extra && extra <= extras.hi + 1e-9);
        [[maybe_unused]] const TenthsWindow w = reach.window(doubled, extras);
        VDZ_ASSERT(w.lo <= total && total <= w.hi);
        if (state.score_up)
            VDZ_ASSERT(state.score_up->open(placed, row, 5 - d, total - placed.bonus_x10,
                                            total - placed.bonus_x10));
        // One of the tier's exact windows holds the total, and a last card to
        // come has an attribute that window allows.
        const TierWindows windows = reach.windows(doubled, extras);
        [[maybe_unused]] bool held = false;
        for (usize i = 0; i < windows.count; ++i) {
            const TenthsWindow x = extras.exact_count == 0
                                       ? windows.window[i]
                                       : reach.exact_window(doubled, extras, i, windows.window[i]);
            held = held || (x.lo <= total && total <= x.hi &&
                            (d != 4 || ((windows.attrs[i] >> (pool.attr(deck[4]) & 7u)) & 1)));
        }
        VDZ_ASSERT(held);
        // Free cards that take none of the support entries the placed
        // cards' deck counts leave them taken: one of the exact windows of
        // those entries holds the total (with the last card's attribute).
        if (d == 3 || d == 4) {
            const BonusExtras kept = reach.kept_extras(placed, 5 - d, row, used);
            bool taker = false;
            reach.for_each_taker(placed, row, [&](u16 card, usize) {
                taker = taker || card == deck[d] || card == deck[4];
            });
            const TierWindows exact = reach.windows(doubled, kept);
            [[maybe_unused]] bool kept_held = kept.exact_count == 0 || taker;
            for (usize i = 0; i < exact.count && kept.exact_count != 0; ++i) {
                const TenthsWindow x = reach.exact_window(doubled, kept, i, exact.window[i]);
                kept_held = kept_held || (x.lo <= total && total <= x.hi &&
                                          ((exact.attrs[i] >> (pool.attr(deck[4]) & 7u)) & 1));
            }
            VDZ_ASSERT(kept_held);
        }
        if (d == 5) break;
        if (d == 3) check_pair_takers(state, deck, placed, row, used, key);
        const u32 placed_characters = used;
        used |= 1u << pool.character_id(deck[d]);
        // The live score of the free cards of the deck's own bonus total,
        // and the next card's range bound, with the deck's own card as the
        // range.
        const auto at_most = [key](u64 b) {
            VDZ_ASSERT(static_cast<u32>(key) <= static_cast<u32>(b));
            (void)b;
        };
        const u64 extra_bonus = state.bounds.bonus_extra;
        at_most(state.bonus_total->bound(placed, row, 5 - d, total - placed.bonus_x10,
                                         total - placed.bonus_x10, extra_bonus));
        if (state.last_card)
            at_most(state.bonus_total->bound(placed, row, 5 - d, total - placed.bonus_x10,
                                             total - placed.bonus_x10, extra_bonus,
                                             state.last_card->placed_unit_power(placed, deck, d)));
        // With two cards to come, each pair by its own key, with the placed
        // cards' characters or without: asked to cut just below the deck's
        // live score, it must not.
        if (d == 3 && static_cast<u32>(key) > 0) {
            const u32 below = static_cast<u32>(key) - 1;
            for (const u32 characters : {u32{0}, placed_characters}) {
                at_most(state.bonus_total->bound(placed, row, 2, total - placed.bonus_x10,
                                                 total - placed.bonus_x10, extra_bonus,
                                                 std::nullopt, below, characters));
                if (state.last_card)
                    at_most(state.bonus_total->bound(
                        placed, row, 2, total - placed.bonus_x10, total - placed.bonus_x10,
                        extra_bonus, state.last_card->placed_unit_power(placed, deck, d), below,
                        characters));
            }
        }
        u32 deck_attrs = 0;
        for (const u16 card : deck)
            deck_attrs |= 1u << (pool.attr(card) & 7u);
        // A card of a fixed run with two cards after it, asked with the
        // run's later cards of its total: their largest values, the two
        // after it by the best cards of the deck's own total (the fewest
        // cards such a test reads, whose bound the others' is at least).
        const FixedSlotLayout& layout = state.bounds.fixed_layout;
        if (d == 2 && state.last_card && layout.on() && d < layout.slots() &&
            !context.final_chapter && static_cast<u32>(key) > 0) {
            const i64 own = pool.event_bonus(deck[2]).total_x10();
            usize end = usize{deck[2]} + 1;
            while (end < layout.run_end(2) &&
                   pool.event_bonus(static_cast<u16>(end)).total_x10() == own)
                ++end;
            const usize free_row = reach.free_row(usize{deck[2]} + 1, 3);
            for (const bool mixed : {false, true}) {
                if (mixed && bit_count(deck_attrs) < 2) continue;
                PartialSums block = with_skill_ceilings(state.bounds, placed, deck, 2, 3);
                block.mixed_attrs = mixed || placed.mixed_attrs;
                block.bonus_sum = placed.bonus_sum + ceil_percent(static_cast<u32>(own));
                block.bonus_x10 = placed.bonus_x10 + static_cast<u32>(own);
                const u64 unit = state.last_card->add_range_card(
                    block, state.last_card->placed_unit_power(placed, deck, 2), deck[2], end);
                at_most(state.bonus_total->bound(
                    block, reach.first_at_most(free_row, total - block.bonus_x10), 2,
                    total - block.bonus_x10, total - block.bonus_x10, extra_bonus, unit,
                    static_cast<u32>(key) - 1));
            }
        }
        // A deck of several attributes within the bounds that read the
        // placed cards as of several attributes.
        if (bit_count(deck_attrs) >= 2) {
            PartialSums mixed = placed;
            mixed.mixed_attrs = true;
            at_most(state.bonus_total->bound(mixed, row, 5 - d, total - placed.bonus_x10,
                                             total - placed.bonus_x10, extra_bonus));
            if (state.last_card && !state.card_sums && d < 5)
                at_most(
                    state.last_card->bound(mixed, deck[d], usize{deck[d]} + 1, 4 - d, extra_bonus,
                                           state.last_card->placed_unit_power(placed, deck, d)));
        }
        // Where the pool is listed by bonus, the cards after the next one
        // come from where each adds at most half of the free cards' total.
        const usize free_at = reach.free_row(row, d);
        const usize rest_from = d < 4 && reach.listed_from(free_at)
                                    ? reach.rest_from(free_at, deck[d], total - placed.bonus_x10)
                                    : 0;
        VDZ_ASSERT(d >= 4 || deck[d + 1] >= rest_from);
        if (!state.card_sums) {
            at_most(
                state.last_card->bound(placed, deck[d], usize{deck[d]} + 1, 4 - d, extra_bonus));
            at_most(state.last_card->bound(placed, deck[d], usize{deck[d]} + 1, 4 - d, extra_bonus,
                                           std::nullopt, rest_from));
            at_most(state.last_card->bound(placed, deck[d], usize{deck[d]} + 1, 4 - d, extra_bonus,
                                           state.last_card->placed_unit_power(placed, deck, d)));
            // Both together, as a tier's window asks its range.
            at_most(state.last_card->bound(placed, deck[d], usize{deck[d]} + 1, 4 - d, extra_bonus,
                                           state.last_card->placed_unit_power(placed, deck, d),
                                           rest_from));
            // The next two cards' pair bound, each its own range, the
            // placed cards' skill values at their ceilings in a deck of two
            // cards more.
            if (d == 3)
                at_most(state.last_card->pair_bound(
                    with_skill_ceilings(state.bounds, placed, deck, 3, 2),
                    state.last_card->placed_unit_power(placed, deck, 3), deck[3],
                    usize{deck[3]} + 1, deck[4], usize{deck[4]} + 1, extra_bonus));
            // The last card's, its placed cards' skill values at their
            // ceilings in a deck of one card more.
            if (d == 4) {
                const PartialSums ceiled = with_skill_ceilings(state.bounds, placed, deck, 4, 1);
                at_most(
                    state.last_card->bound(ceiled, deck[4], usize{deck[4]} + 1, 0, extra_bonus));
                at_most(state.last_card->last_bound(
                    ceiled, state.last_card->placed_unit_power(placed, deck, 4), deck[4],
                    usize{deck[4]} + 1, extra_bonus));
            }
        } else if (d < 4) {
            at_most(state.last_card->bound(placed, deck[d], usize{deck[d]} + 1, 4 - d, extra_bonus,
                                           *state.card_sums));
            at_most(state.last_card->bound(placed, deck[d], usize{deck[d]} + 1, 4 - d, extra_bonus,
                                           *state.card_sums, rest_from));
        }
        placed = child_sums(state.bounds, placed, deck[d]);
    }
}

// Debug builds check at a complete deck under tiers that the doubled bonus
// floor of each of its prefixes, as the kernel placed them, holds its bonus.
void check_bonus_floor(const SearchNodeState& state, const DeckSlots& placed,
                       [[maybe_unused]] u64 key) {
    PartialSums sums;
    for (usize d = 0; d <= 5; ++d) {
        VDZ_ASSERT(doubled_bonus_floor(sums, d) <= static_cast<u32>(key >> 32));
        if (d < 5) sums = child_sums(state.bounds, sums, placed[d]);
    }
}

// Debug builds check at a deck the evaluator admits that the score-up cuts
// let each of its prefixes and its last card through.
void check_score_up_cuts(const SearchNodeState& state, const DeckSlots& placed) {
    const ScoreUpSuffix* cut = state.score_up_suffix;
    if (!cut) return;
    PartialSums sums;
    for (usize d = 0; d < 5; ++d) {
        // The final chapter's leader is placed before the kernel starts at 0.
        [[maybe_unused]] const usize start =
            d == 0 || (d == 1 && state.context.final_chapter) ? 0 : usize{placed[d - 1]} + 1;
        VDZ_ASSERT(score_up_open(state, d, start, placed, sums));
        if (d == 4)
            VDZ_ASSERT(cut->ceiling(placed[4]) >=
                       cut->last_card_floor(with_skill_ceilings(state.bounds, sums, placed, 4, 1)));
        sums = child_sums(state.bounds, sums, placed[d]);
    }
}

// Debug builds: a deck its tier may take lands on a tier that every node on
// its path, and the last card's choice, kept: each kept those some
// completion of its cards may land on. The nodes keep a tier for every
// deck `tier_beneath` does not turn away, ties with its worst kept deck too
// where the decks are not met in slot order.
void check_tier_masks(const SearchNodeState& state, u64 key) {
    const DfsStore& store = state.store;
    const usize tier = store.tier_at(static_cast<u32>(key >> 32));
    if (tier >= std::min<usize>(store.tiers.size(), 64)) return;
    if (tier_beneath(store.tiers[tier].decks, state.tiers_in_slot_order, static_cast<u32>(key)))
        return;
    for (usize d = 1; d <= 5; ++d)
        VDZ_ASSERT((state.entry_tiers[d] >> tier) & 1);
}

void record_leaf(SearchNodeState& state, const DeckSlots& placed) {
    ++state.stats.evaluations;
    // A final-chapter deck is valued and listed in its best order, the one
    // its bounds allow for; the kernel's order is one of many.
    DeckSlots deck = placed;
    if (state.context.final_chapter) arrange_final_deck(state.pool, state.context, deck);
    const auto key = evaluate_deck_key(state.pool, state.context, deck);
    if (!key) return;
    if constexpr (CHECK_BOUNDS) {
        VDZ_ASSERT(*key <= state.bound_above[5]);
        check_score_up_cuts(state, placed);
        if (state.reachable) {
            check_tier_tables(state, placed, *key);
            check_bonus_floor(state, placed, *key);
            check_world_bloom_pair(state, placed, *key);
            check_tier_masks(state, *key);
        }
    }
    state.store.record({*key, deck});
}

}  // namespace

void dfs_expand(SearchNodeState& state, usize depth, usize start, DeckSlots& partial,
                u32 used_characters, const PartialSums& sums, bool has_leader, u16 leader_index) {
    if (state.stop || state.count_step()) return;
    if (depth == 5) {
        record_leaf(state, partial);
        return;
    }
    VDZ_ASSERT(depth < 5);
    if (!score_up_open(state, depth, start, partial, sums)) return;
    DfsNode(state, depth, start, partial, used_characters, sums, has_leader, leader_index).expand();
}

}  // namespace vdz
