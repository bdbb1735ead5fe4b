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
#include "search/dfs/dfs_state.h"
#include "search/evaluation/deck_evaluator.h"
#include "search/evaluation/deck_key.h"
#include "search/evaluation/final_deck_order.h"

namespace vdz {

namespace {

// Whether the tiers leave room for a completion under `bound`: some tier
// between its least and greatest doubled bonus whose list is not full or
// whose worst live score the bound may still reach. A smaller bound admits
// no more tiers than a larger one.
bool tiers_admit(const DfsStore& store, u64 bound, const PartialSums& sums, usize depth) {
    const u32 upper = static_cast<u32>(bound >> 32);
    const u32 score = static_cast<u32>(bound);
    const u32 lower = doubled_bonus_floor(sums, depth);
    for (const TierRecord& tier : store.tiers) {
        if (tier.tier_key < lower) continue;
        if (tier.tier_key > upper) return false;
        if (!tier.decks.full() || tier.decks.worst_score() == 0 ||
            score >= static_cast<u32>(tier.decks.worst_score())) {
            return true;
        }
    }
    return false;
}

// One inner node and its candidate scan.
class Node {
  public:
    Node(SearchNodeState& state, usize depth, usize start, DeckSlots& partial, u32 used,
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

    void expand() {
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

    // Whether some tier can still take a deck under `bound` that holds the
    // cards of `sums` (`depth` of them) and 5 - depth more from
    // position `next` on. Outside the final chapter a tier must also be
    // within the bonus those cards can add; a tier that is not full, or whose
    // worst live score the bound reaches, has room. Unless `bonus_only`,
    // where `sums` holds the last placed card's bonus but not its power or
    // skill (a run of equal bonus tested as one), the live score of the
    // positions that fit each tier's bonus refines the bound; with one free
    // card, `placed_unit`, where known, bounds the placed cards' power in a
    // deck that fills a unit (`LastCardBound::placed_unit_power`).
    bool tiers_open(u64 bound, const PartialSums& sums, usize depth, usize next, u32 used,
                    bool bonus_only = false, std::optional<u64> placed_unit = std::nullopt) const {
        const DfsStore& store = state_.store;
        if (!state_.tier_reach) return tiers_admit(store, bound, sums, depth);
        const TierReach& reach = *state_.tier_reach;
        const usize row = reach.free_row(next, depth);
        const u32 upper = static_cast<u32>(bound >> 32);
        const u32 score = static_cast<u32>(bound);
        const usize free = 5 - depth;
        // A run's stand-in holds its card's bonus but not its attribute or
        // support place: those count as one more free card from the run's
        // first position.
        const BonusExtras extras = bonus_only ? reach.extras(sums, free + 1, next - 1, used)
                                              : reach.extras(sums, free, row, used);
        usize later_from = SIZE_MAX;
        u32 later = 0;
        // A tier's widest window ends at five times its key plus a slack
        // the extras fix; tiers whose window ends below the placed cards'
        // total take none of these decks.
        const i64 slack = reach.window(0, extras).hi;
        const auto first = std::partition_point(
            store.tiers.begin(), store.tiers.end(), [&](const TierRecord& tier) {
                return 5 * i64{tier.tier_key} + slack < i64{sums.bonus_x10};
            });
        for (auto at = first; at != store.tiers.end(); ++at) {
            const TierRecord& tier = *at;
            if (tier.tier_key > upper) return false;
            const DfsTopDecks& decks = tier.decks;
            if (beneath(decks, score)) continue;
            // Without exact windows a tier has one, of every attribute count.
            if (extras.exact_count == 0) {
                if (window_open(reach.window(tier.tier_key, extras), 0xFF, decks, sums, row, free,
                                bonus_only, placed_unit, later_from, later))
                    return true;
                continue;
            }
            // The window of the extras' range holds every exact one: where
            // it holds no sum the later cards make, none does.
            if (extras.exact_count != 0 &&
                !reach.reaches(row, free, sums.bonus_x10, reach.window(tier.tier_key, extras)))
                continue;
            const TierWindows windows = reach.windows(tier.tier_key, extras);
            for (usize w = 0; w < windows.count; ++w) {
                TenthsWindow window = windows.window[w];
                if (extras.exact_count != 0) {
                    // Most windows hold no sum the later cards make; only
                    // those that do are worth their exact ends.
                    if (!reach.reaches(row, free, sums.bonus_x10, window)) continue;
                    window = reach.exact_window(tier.tier_key, extras, w, window);
                    if (window.lo > window.hi) continue;
                }
                if (window_open(window, windows.attrs[w], decks, sums, row, free, bonus_only,
                                placed_unit, later_from, later))
                    return true;
            }
        }
        return false;
    }

    // Whether completions of `sums` by `free` cards from `row` on whose cards'
    // total lies in `window` may enter `decks` (see `tiers_open`).
    bool window_open(const TenthsWindow& window, u8 attrs, const DfsTopDecks& decks,
                     const PartialSums& sums, usize row, usize free, bool bonus_only,
                     std::optional<u64> placed_unit, usize& later_from, u32& later) const {
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
        // A run's stand-in holds no skill value of its card.
        if (!bonus_only && state_.score_up &&
            !state_.score_up->open(sums, from, free, window.lo - i64{sums.bonus_x10},
                                   window.hi - i64{sums.bonus_x10})) {
            return false;
        }
        // The last card to come must also bring the deck to the window's
        // attribute count (a run's stand-in already holds its card).
        if (free == 1 && !bonus_only && attrs != 0xFF &&
            !reach.one_reaches(from, attrs, sums.bonus_x10, window))
            return false;
        if (!bonus_only && free > 0 && decks.full() && decks.worst_score() != 0) {
            if (listed && to < pool_.count()) {
                const u64 b =
                    free == 1 && placed_unit
                        ? state_.last_card->last_bound(sums, *placed_unit, from, to, m_.bonus_extra)
                        : range_bound(sums, from, to, free - 1);
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
            if (state_.bonus_total &&
                beneath(decks, static_cast<u32>(state_.bonus_total->bound(
                                   sums, from, free, window.lo - i64{sums.bonus_x10},
                                   window.hi - i64{sums.bonus_x10}, m_.bonus_extra)))) {
                return false;
            }
        }
        return true;
    }

    // Whether a full tier takes no deck whose live score is at most `score`:
    // none below its worst kept one, and none at it either where the decks
    // are met in ascending slot order from an empty store, since a deck tied
    // with the worst kept one enters only with smaller slots, which no later
    // deck has.
    bool beneath(const DfsTopDecks& decks, u32 score) const {
        if (!decks.full() || decks.worst_score() == 0) return false;
        const u32 worst = static_cast<u32>(decks.worst_score());
        return state_.tiers_in_slot_order ? score <= worst : score < worst;
    }

    // Bound of the completions of `sums` whose next card comes from
    // positions `begin`..`end` and whose `rest` cards come after `begin`:
    // of distinct characters, or any cards where a deck may repeat one (a
    // last card has no rest, so the per-character rows serve it too).
    u64 range_bound(const PartialSums& sums, usize begin, usize end, usize rest) const {
        if (rest == 0 || !state_.card_sums)
            return state_.last_card->bound(sums, begin, end, rest, m_.bonus_extra);
        return state_.last_card->bound(sums, begin, end, rest, m_.bonus_extra, *state_.card_sums);
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
    bool slots_precede(const DeckSlots& deck, usize i) const {
        for (usize s = 0; s < depth_; ++s)
            if (deck[s] != partial_[s]) return deck[s] < partial_[s];
        return deck[depth_] < i;
    }

    // One list: no threshold until it is full and its worst key is above 0;
    // from the moment it is, the node and its further children are tested.
    // A full list whose worst key is 0 takes a deck only on a tie that comes
    // first in slot order: once no completion of this node can key above 0
    // and the worst kept deck precedes all of them, none can enter, and the
    // search, which forms decks in ascending slot order, meets the rest of
    // a pool whose keys are all 0 (a mysekai live ranked by live score) the
    // same way.
    void expand_single(usize from) {
        const DfsTopDecks& list = *state_.store.single;
        std::optional<u64> node_bound;
        for (usize i = from; i < pool_.count(); ++i) {
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
            const u16 card = static_cast<u16>(i);
            if (!admitted(card)) continue;
            descend(card, child_sums(m_, sums_, card), ~u64{0});
        }
    }

    // The extra bonus of this node's completions and of a child's.
    u64 node_extra() const {
        return m_.support_mode ? std::min<u64>(support_bonus_bound(m_, k_, key_), m_.bonus_extra)
                               : m_.bonus_extra;
    }
    u64 child_extra(u16 card) const {
        if (!m_.support_mode) return m_.bonus_extra;
        PartialDeckKey key = key_;
        key.add(pool_, card);
        return std::min<u64>(support_bonus_bound(m_, k_ - 1, key), m_.bonus_extra);
    }

    // The smaller of a child's two bounds: its remaining cards come from the
    // later positions, and from characters other than the used ones and its
    // own.
    u64 child_bound(const ExclusionTables& exclusion, u16 card, const PartialSums& child) const {
        const u64 extra = child_extra(card);
        if (k_ == 1) {
            partial_[depth_] = card;
            return complete_deck_bound(m_, partial_, with_skill_ceilings(m_, child, partial_, 5, 0),
                                       extra);
        }
        return std::min(exclusion_bound(m_, exclusion, child, pool_.character_id(card), extra),
                        position_bound(m_, child, usize{card} + 1, k_ - 1, extra));
    }

    // A last card that shares no unit with all the placed cards leaves the
    // deck no unit to fill, so every card counts the variant of the deck's
    // attribute case alone: the deck's power is known, and the card needs a
    // floor of its own in that case. Floors per case, found on first use.
    bool last_card_below_floor(u16 card, usize from, u64 extra, u64 worst) {
        if ((pool_.unit_mask(card) & sums_.common_units) != 0) return false;
        const bool same_attr = !sums_.mixed_attrs && (pool_.attr(card) & 7u) == sums_.first_attr;
        const std::vector<u32>& variant = same_attr ? m_.power_no_unit_same_attr : m_.power_no_unit;
        return variant[card] < case_floor(same_attr, from, extra, worst);
    }

    u32 case_floor(bool same_attr, usize from, u64 extra, u64 worst) {
        std::optional<u32>& floor = case_floor_[same_attr];
        if (!floor) {
            const u64 placed = same_attr ? sums_.unitless_power_sum : sums_.plain_power_sum;
            floor = child_power_floor(m_, sums_, from, 1, extra, worst, placed);
        }
        return *floor;
    }

    // The first position from `i` on whose last card may pass the floors: a
    // card sharing a unit with every placed card needs the node's `floor`
    // in its power column, one sharing none the floor of its attribute case
    // in that case's power (a card of the placed cards' one attribute that
    // falls short of its case is met in the other case's tree, and passed
    // over by its own test).
    usize next_last_card(usize i, u32 floor, usize from, u64 extra, u64 worst) {
        usize next = m_.first_at_least(m_.power_tree[1], i, case_floor(false, from, extra, worst));
        for (u32 u = 0; u < m_.unit_power_tree.size(); ++u)
            if ((sums_.common_units >> u) & 1)
                next = std::min(next, m_.first_at_least(m_.unit_power_tree[u], i, floor));
        if (!sums_.mixed_attrs)
            next = std::min(next, m_.first_at_least(m_.same_attr_power_tree[sums_.first_attr], i,
                                                    case_floor(true, from, extra, worst)));
        return next;
    }

    // Debug builds: a last card below the power floor, at positions `from`
    // to `to`, makes a deck that cannot beat the worst kept key.
    void check_below_floor(usize from, usize to, [[maybe_unused]] u64 worst) {
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

    // Single list, full: the node and each child are tested against the
    // worst kept key, which rises as the scan records decks.
    void expand_bounded(usize from, u64 worst) {
        if (m_.support_mode) key_ = partial_deck_key(depth_, partial_, pool_);
        const u64 extra = node_extra();
        const ExclusionTables exclusion = exclusion_tables(m_, used_, k_ - 1, sums_.plain());
        const DfsTopDecks& list = *state_.store.single;
        const bool plain = sums_.plain();
        const u32 floor = child_power_floor(m_, sums_, from, k_, extra, worst);
        for (usize i = from; i < pool_.count(); ++i) {
            if (state_.stop || state_.count_step()) return;
            // A child of less power cannot beat the worst kept deck: on to
            // the next one of enough.
            if ((plain ? m_.power_no_unit[i] : pool_.power(static_cast<u16>(i))) < floor) {
                const usize next = m_.first_power_at_least(i, floor, plain);
                check_below_floor(i, next, worst);
                i = next - 1;
                continue;
            }
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
            // Later positions have smaller or equal suffix rows: none can do
            // better.
            const u64 position = position_bound(m_, sums_, i, k_, extra);
            if (position <= worst) return;
            const u16 card = static_cast<u16>(i);
            if (!admitted(card)) continue;
            const PartialSums child = child_sums(m_, sums_, card);
            const u64 bound = child_bound(exclusion, card, child);
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
            descend(card, child, std::min(bound, position));
            if (list.full()) worst = std::max(worst, list.worst_score());
        }
    }

    // Where a deck may hold several cards of one character: the node and
    // each child bounded by the best cards after a position, against the
    // single list or the tiers.
    void expand_by_cards() {
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
        for (usize i = runs.on ? runs.first : start_; i < pool_.count(); ++i) {
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

    // Tiers: the node and each child must leave room in some tier.
    void expand_tiered() {
        // The last card's runs of positions bound it by itself.
        if (last_by_tiers()) {
            expand_last_by_tiers();
            return;
        }
        if (m_.support_mode) key_ = partial_deck_key(depth_, partial_, pool_);
        const u64 bound = character_bound(m_, sums_, used_, depth_, partial_);
        if (!entry_admits(bound, start_) && !tiers_open(bound, sums_, depth_, start_, used_))
            return;
        note_bound(bound);
        const ExclusionTables exclusion = exclusion_tables(m_, used_, k_ - 1, sums_.plain());
        const u64 extra = node_extra();
        const BonusRuns runs = next_card_runs(bound);
        PassedRun passed;
        for (usize i = runs.on ? runs.first : start_; i < pool_.count(); ++i) {
            if (state_.stop || state_.count_step()) return;
            if (runs.on) {
                const usize end = reach().first_at_most(i, total_at(i) - 1);
                // A run that passed is asked again at every fourth card,
                // with its bound from there on, and only where that bound
                // has fallen: the same bound, a little later, rarely closes
                // what it left open, and each child is judged on its own.
                if (end != passed.end || ((i - passed.first) & 3) == 0) {
                    const u64 run_bound =
                        k_ == 1 ? last_cards_bound(i, end, extra)
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
            }
            // Later positions have smaller rows: once no tier is open from
            // here on, none is further on. Asked at every sixteenth
            // position: its tiers cost more than the children it would
            // spare, each of which its own position bound mostly turns away.
            if (((i - start_) & 15) == 0) {
                const u64 position = position_bound(m_, sums_, i, k_, extra);
                if (!entry_admits(position, i) && !tiers_open(position, sums_, depth_, i, used_))
                    return;
            }
            const u16 card = static_cast<u16>(i);
            if (!admitted(card)) continue;
            const PartialSums child = child_sums(m_, sums_, card);
            if (k_ == 1 && state_.tier_reach) {
                try_last_card(card, child);
                continue;
            }
            // Each bound of the child holds for all its completions: the
            // position bound alone turns most away, and the smaller of the
            // two is formed only for those it admits.
            const u64 first = k_ == 1 ? child_bound(exclusion, card, child)
                                      : position_bound(m_, child, i + 1, k_ - 1, child_extra(card));
            // A child of one free card knows its placed cards.
            std::optional<u64> placed_unit;
            if (k_ == 2 && state_.tier_reach && state_.last_card) {
                partial_[depth_] = card;
                placed_unit = state_.last_card->placed_unit_power(child, partial_, depth_ + 1);
            }
            if (!tiers_open(first, child, depth_ + 1, i + 1, child_used(card), false, placed_unit))
                continue;
            const u64 bound = k_ == 1 ? first : child_bound(exclusion, card, child);
            if (bound != first &&
                !tiers_open(bound, child, depth_ + 1, i + 1, child_used(card), false, placed_unit))
                continue;
            descend(card, child, bound);
        }
    }

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
    bool entry_admits(u64 bound, usize next) const {
        const u64 entry = state_.entry_bound[depth_];
        if (depth_ == 0 || next != start_ || entry == ~u64{0}) return false;
        return (bound >> 32) >= (entry >> 32) && static_cast<u32>(bound) >= static_cast<u32>(entry);
    }

    // The last cards at positions `l`..`r`, of one bonus: halves whose
    // largest values leave no tier room hold no card a tier takes. Visited
    // in ascending order, as the scan would.
    void visit_last_cards(usize l, usize r, u64 extra) {
        if (const std::optional<RunTiers> tiers = run_tiers(l)) {
            visit_known_tiers(l, r, extra, *tiers);
            return;
        }
        if (state_.stop || state_.count_step()) return;
        const i64 total = total_at(l);
        PartialSums run = sums_;
        run.bonus_sum += ceil_percent(static_cast<u32>(total));
        run.bonus_x10 += static_cast<u32>(total);
        const u64 bound = last_cards_bound(l, r, extra);
        if (!tiers_open(bound, run, depth_ + 1, l + 1, used_, true)) return;
        if (r - l > 4) {
            const usize mid = l + (r - l) / 2;
            visit_last_cards(l, mid, extra);
            visit_last_cards(mid, r, extra);
            return;
        }
        for (usize i = l; i < r && !state_.stop; ++i) {
            const u16 card = static_cast<u16>(i);
            if (admitted(card)) try_last_card(card, child_sums(m_, sums_, card));
        }
    }

    // Bound of the decks this node's last card completes from positions
    // `l`..`r`: the placed cards' skill values at most what each resolves
    // to in a deck of five, their power in a deck that fills a unit at most
    // their variants for the units they share (found on first use).
    u64 last_cards_bound(usize l, usize r, u64 extra) {
        if (!placed_unit_) {
            placed_ceiled_ = with_skill_ceilings(m_, sums_, partial_, depth_, 1);
            placed_unit_ = state_.last_card->placed_unit_power(sums_, partial_, depth_);
        }
        return state_.last_card->last_bound(placed_ceiled_, *placed_unit_, l, r, extra);
    }

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
    std::optional<RunTiers> run_tiers(usize l) const {
        const BonusExtras extras = reach().extras(sums_, 1, l, used_);
        if (extras.exact_count == 0) return std::nullopt;
        const auto& tiers = state_.store.tiers;
        RunTiers out;
        out.tier.fill(tiers.size());
        const i64 total = i64{sums_.bonus_x10} + total_at(l);
        for (usize v = 0; v < extras.exact_count; ++v) {
            const u32 doubled = reach().exact_doubled(total, extras, v);
            const usize tier = state_.store.tier_at(doubled);
            for (usize a = 0; a < out.tier.size(); ++a) {
                if (!((extras.exact_attrs[v] >> a) & 1)) continue;
                out.doubled[a] = doubled;
                out.tier[a] = tier;
            }
        }
        return out;
    }

    // `visit_last_cards` where each card's tier is known: a half is cut
    // when its largest values leave none of the run's tiers room.
    void visit_known_tiers(usize l, usize r, u64 extra, const RunTiers& run) {
        if (state_.stop || state_.count_step()) return;
        const auto& tiers = state_.store.tiers;
        const u32 bound = static_cast<u32>(last_cards_bound(l, r, extra));
        bool room = false;
        for (const usize t : run.tier)
            room = room || (t < tiers.size() && !beneath(tiers[t].decks, bound));
        if (!room) return;
        if (r - l > 4) {
            const usize mid = l + (r - l) / 2;
            visit_known_tiers(l, mid, extra, run);
            visit_known_tiers(mid, r, extra, run);
            return;
        }
        for (usize i = l; i < r && !state_.stop; ++i) {
            const u16 card = static_cast<u16>(i);
            const usize a = pool_.attr(card) & 7u;
            if (run.tier[a] == tiers.size() || !admitted(card)) continue;
            take_last_card(card, child_sums(m_, sums_, card), run.doubled[a]);
        }
    }

    // A last card completes the deck, whose bonus the evaluator's own sum
    // gives exactly: the deck has a tier only where that bonus names one, and
    // that tier takes it only where its live score bound leaves room.
    void try_last_card(u16 card, const PartialSums& child) {
        partial_[depth_] = card;
        take_last_card(card, child,
                       half_percent_steps(deck_event_bonus(pool_, context_, partial_)));
    }

    // The last card `card`, whose deck's doubled bonus is `doubled`. Under
    // the bonus target the bound's low half, the live score, does not read
    // the bonus, so the exact bonus beside it bounds the deck's key.
    void take_last_card(u16 card, const PartialSums& child, u32 doubled) {
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
    RunStep run_step(usize& i, const BonusRuns& runs, u64 run_bound) const {
        const i64 total = total_at(i);
        if (!runs.admit(total)) {
            const i64 below = runs.end_below(total);
            if (below < 0) return RunStep::END;  // later cards have less
            i = reach().first_at_most(i, below) - 1;
            return RunStep::SKIP;
        }
        // The run stands in for each of its cards by its bonus alone.
        PartialSums run = sums_;
        run.bonus_sum += ceil_percent(static_cast<u32>(total));
        run.bonus_x10 += static_cast<u32>(total);
        if (tiers_open(run_bound, run, depth_ + 1, i + 1, used_, true)) return RunStep::TRY;
        i = reach().first_at_most(i, total - 1) - 1;
        return RunStep::SKIP;
    }

    BonusRuns next_card_runs(u64 node_bound) const {
        BonusRuns out;
        const auto& tiers = state_.store.tiers;
        if (!state_.tier_reach || 5 * tiers.size() > out.run.size()) return out;
        const usize row = reach().free_row(start_, depth_);
        if (!reach().listed_from(row)) return out;
        out.on = true;
        out.first = row;
        const BonusExtras extras = reach().extras(sums_, k_, row, used_);
        const i64 placed = sums_.bonus_x10, k = static_cast<i64>(k_);
        for (const TierRecord& tier : tiers) {
            const DfsTopDecks& decks = tier.decks;
            if (beneath(decks, static_cast<u32>(node_bound))) continue;
            const TierWindows windows = reach().windows(tier.tier_key, extras);
            for (usize w = 0; w < windows.count; ++w) {
                const TenthsWindow window =
                    extras.exact_count == 0
                        ? windows.window[w]
                        : reach().exact_window(tier.tier_key, extras, w, windows.window[w]);
                const i64 low = window.lo - placed, high = window.hi - placed;
                if (low > high) continue;
                if (high < 0) continue;
                const i64 lo = low <= 0 ? 0 : (low + k - 1) / k;
                out.run[out.count++] = {lo, high};
            }
        }
        return out;
    }

    // The last card of a deck whose bonus is its cards' alone, from
    // positions listed by bonus.
    bool last_by_tiers() const {
        const TierReach* reach = state_.tier_reach;
        return k_ == 1 && reach && !context_.world_bloom &&
               reach->listed_from(reach->free_row(start_, depth_));
    }

    void expand_last_by_tiers() {
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
        // deck of one card more.
        const PartialSums placed_ceiled = with_skill_ceilings(m_, sums_, partial_, depth_, 1);
        for (auto tier = store.tiers.rbegin(); tier != store.tiers.rend(); ++tier) {
            const i64 key = tier->tier_key;
            const i64 high = 5 * key + 2 - placed, low = 5 * key - 2 - placed;
            if (high < 0 || key > upper) continue;
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
                if (state_.score_up && !state_.score_up->open(sums_, l, 1, low, high)) return;
                if (beneath(decks, static_cast<u32>(state_.last_card->bound(placed_ceiled, l, r, 0,
                                                                            m_.bonus_extra))))
                    return;
                if (r - l > 4) {
                    const usize mid = l + (r - l) / 2;
                    self(self, l, mid);
                    self(self, mid, r);
                    return;
                }
                for (usize i = l; i < r && !state_.stop; ++i) {
                    const u16 card = static_cast<u16>(i);
                    if (!admitted(card)) continue;
                    const PartialSums child = child_sums(m_, sums_, card);
                    partial_[depth_] = card;
                    const u64 bound = complete_deck_bound(
                        m_, partial_, with_skill_ceilings(m_, child, partial_, 5, 0),
                        m_.bonus_extra);
                    if (!tiers_open(bound, child, depth_ + 1, i + 1, child_used(card))) continue;
                    descend(card, child, bound);
                }
            };
            if (begin < end) visit(visit, begin, end);
            from = end;
        }
    }

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
    PartialDeckKey key_;  // this node's cards, in support-bonus mode
    // Per attribute case, the last card's power floor where it fills no unit.
    std::array<std::optional<u32>, 2> case_floor_;
    // The last card's placed sums and power (see `last_cards_bound`).
    PartialSums placed_ceiled_;
    std::optional<u64> placed_unit_;
};

// Whether a deck completed from this node could still reach the request's
// multi live score-up lower bound. A deck's score up is its leader's value
// plus a fifth of the others', at most 0.8 x its largest skill value plus
// 0.2 x their sum, and no card's value exceeds its skill byte; the free
// slots hold cards of distinct characters from `start` on, whose bytes sum
// to at most the best per-character maxima there. Without this cut a search
// for a bound few decks pass walks every deck, and, holding none, does not
// stop at its deadline. Decks that repeat a character (challenge lives, which
// take no lower bound) are left to the evaluator.
bool score_up_open(const SearchNodeState& state, usize depth, usize start,
                   const PartialSums& sums) {
    if (!state.context.multi_live_score_up_lower_bound || state.card_sums) return true;
    const SuffixTables& t = *state.bounds.suffix;
    const u32 top = std::max<u32>(sums.max_skill, t.max_skill_from[start]);
    return score_up_reachable(state.context, sums.skill_sum + t.skill_sums[start][5 - depth], top);
}

// Debug builds check at a complete deck under tiers that the tables which
// cut tiers list its doubled bonus: the reachable bonuses, and at each of its
// prefixes the extras, which must hold the deck's own attribute and support
// bonus, the window of its own tier under them, which must hold its cards'
// total, and the sums the later positions can add.
void check_tier_tables(const SearchNodeState& state, const DeckSlots& deck, u64 key) {
    const u32 doubled = static_cast<u32>(key >> 32);
    VDZ_ASSERT(state.reachable->may_reach(doubled));
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
        if (d == 5) break;
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
        if (!state.card_sums) {
            at_most(
                state.last_card->bound(placed, deck[d], usize{deck[d]} + 1, 4 - d, extra_bonus));
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
        if (state.reachable) {
            check_tier_tables(state, placed, *key);
            check_bonus_floor(state, placed, *key);
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
    if (!score_up_open(state, depth, start, sums)) return;
    Node(state, depth, start, partial, used_characters, sums, has_leader, leader_index).expand();
}

}  // namespace vdz
