// The walk: the multisets of five bonus classes whose total some tier's
// window holds, each with the tiers it may land on, taken best bound first;
// within one, its cards in ascending positions, class by class, each node
// and card cut once no tier it may land on has room under its bound. A deck
// is recorded in its ascending slots, as the kernel records it, and each
// tier keeps its best decks by key and slots whatever the order they come
// in, so the tiers end as the kernel's walk leaves them.
#include "search/dfs/bonus_class_search.h"

#include <algorithm>
#include <array>
#include <bit>
#include <optional>

#include "common/check.h"
#include "common/numeric.h"
#include "search/bounds/bonus_class_bound.h"
#include "search/evaluation/deck_evaluator.h"
#include "search/evaluation/deck_key.h"

namespace vdz {
namespace {

// The classes of the free slots in ascending order (descending bonus), the
// tiers whose window holds the deck's total, and the bound of their decks.
struct ClassSet {
    std::array<u16, 5> classes{};  // per slot; NO_CLASS for a fixed card's
    u64 tiers = 0;                 // bit t: store.tiers[t]
    i64 total_x10 = 0;
    u32 bound = 0;
};

static constexpr u16 NO_CLASS = 0xFFFF;

// In a World Bloom event, with some cards placed: the support entries their
// deck takes, and what follows for decks whose later cards none of them
// names. Refilled at each node that reads it.
struct TakenSupport {
    std::vector<u16> ids;          // the taken entries' cards
    std::vector<u8> taken;         // per card id, 1 where `ids` holds it
    std::array<usize, 6> tier_of;  // per attribute count, its deck's tier (tier count: none)
    std::vector<u16> named;        // the next slot's positions whose card an entry names, ascending

    // Asked of every card a World Bloom node meets, so by id, not by list.
    bool names(u16 id) const { return id < taken.size() && taken[id] != 0; }

    // `ids` from now on holds `id` too.
    void take(u16 id) {
        if (id >= taken.size()) taken.resize(usize{id} + 1, 0);
        taken[id] = 1;
        ids.push_back(id);
    }
    void clear() {
        for (const u16 id : ids)
            taken[id] = 0;
        ids.clear();
    }
};

class ClassWalk {
  public:
    ClassWalk(SearchNodeState& state, const BonusClassBound& bound)
        : state_(state), m_(state.bounds), pool_(state.pool), bound_(bound) {
        const TierReach& reach = *state_.tier_reach;
        const BonusExtras extras = reach.extras(PartialSums{}, 5, 0);
        for (const TierRecord& tier : state_.store.tiers)
            windows_.push_back(reach.window(tier.tier_key, extras));
        // Each id's positions as a chain, last position first.
        next_of_id_.assign(pool_.count(), NO_POSITION);
        for (usize i = 0; i < pool_.count(); ++i) {
            const u16 id = pool_.card_id(static_cast<u16>(i));
            if (id >= last_of_id_.size()) last_of_id_.resize(id + 1, NO_POSITION);
            next_of_id_[i] = last_of_id_[id];
            last_of_id_[id] = static_cast<u16>(i);
        }
        one_unit_power_.assign(12 * pool_.count(), UNKNOWN_POWER);
        lo_ = windows_.front().lo;
        hi_ = windows_.front().hi;
        for (const TenthsWindow& w : windows_) {
            lo_ = std::min(lo_, w.lo);
            hi_ = std::max(hi_, w.hi);
        }
    }

    // 1. The fixed cards' slots, in the kernel's order: each a card of its
    // id (its skill variants share it) at ascending positions before
    // `free_from`; per choice, its sums.
    struct Fixed {
        DeckSlots slots{};
        PartialSums sums;
    };
    void fixed_choices(usize depth, usize from, usize free_from, const PartialSums& sums,
                       std::vector<Fixed>& out) {
        const auto& ids = state_.context.fixed_cards;
        if (depth == ids.size()) {
            out.push_back({partial_, sums});
            return;
        }
        for (usize i = from; i < free_from; ++i) {
            const u16 card = static_cast<u16>(i);
            if (pool_.card_id(card) != ids[depth]) continue;
            partial_[depth] = card;
            fixed_choices(depth + 1, i + 1, free_from, child_sums(m_, sums, card), out);
        }
    }

    // 2. The class sets of the free slots, after the fixed cards of
    // `fixed`, that some tier's window holds, best bound first; false, with
    // none, where a pool of many classes has too many of them.
    bool collect(const Fixed& fixed, std::vector<ClassSet>& sets) {
        const usize placed = state_.context.fixed_cards.size();
        ClassSet set;
        set.classes.fill(NO_CLASS);
        steps_ = 0;
        collect_from(set, placed, 0, fixed.sums.bonus_x10, sets);
        if (steps_ > MAX_COLLECT_STEPS) return false;
        partial_ = fixed.slots;
        for (ClassSet& s : sets)
            s.bound = bound_.score_bound(fixed.sums, this->placed(placed),
                                         draws_of(s, placed, std::nullopt));
        std::stable_sort(sets.begin(), sets.end(),
                         [](const ClassSet& a, const ClassSet& b) { return a.bound > b.bound; });
        return true;
    }

    // 3. Each class set's decks after the fixed cards of `fixed`.
    void walk(const Fixed& fixed, const std::vector<ClassSet>& sets) {
        const usize placed = state_.context.fixed_cards.size();
        for (const ClassSet& set : sets) {
            if (state_.stop || state_.count_step()) return;
            set_ = &set;
            if (!open(set.tiers, set.bound)) continue;
            partial_ = fixed.slots;
            if constexpr (CHECK_BOUNDS) path_bound_[placed] = set.bound;
            expand(placed, 0, fixed.sums, set.tiers);
        }
    }

  private:
    // Class sets from class `first` on with `placed` classes chosen, whose
    // cards total `total`; classes run largest bonus first, so once the
    // free slots cannot reach the least window at class j they cannot
    // further on.
    void collect_from(ClassSet& set, usize placed, usize first, i64 total,
                      std::vector<ClassSet>& sets) {
        if (++steps_ > MAX_COLLECT_STEPS) return;
        const std::vector<BonusClass>& classes = bound_.classes();
        if (placed == 5) {
            for (usize t = 0; t < windows_.size(); ++t)
                if (windows_[t].lo <= total && total <= windows_[t].hi) set.tiers |= u64{1} << t;
            if (set.tiers != 0) {
                set.total_x10 = total;
                sets.push_back(set);
            }
            set.tiers = 0;
            return;
        }
        const i64 left = static_cast<i64>(5 - placed);
        const i64 least = classes.back().total_x10;
        for (usize j = first; j < classes.size(); ++j) {
            const i64 v = classes[j].total_x10;
            if (total + left * v < lo_) return;
            if (total + v + (left - 1) * least > hi_) continue;
            // A class gives at most as many cards as it holds.
            usize same = 1;
            while (same <= placed && set.classes[placed - same] == j)
                ++same;
            if (same > classes[j].end - classes[j].begin) continue;
            set.classes[placed] = static_cast<u16>(j);
            collect_from(set, placed + 1, j, total + v, sets);
        }
    }

    // The draws of the slots from `depth` on: the class of slot `depth`
    // from `from` (its class's start when absent or before it), the later
    // classes whole.
    std::span<const ClassDraw> draws_of(const ClassSet& set, usize depth,
                                        std::optional<usize> from) {
        const std::vector<BonusClass>& classes = bound_.classes();
        usize n = 0;
        for (usize s = depth; s < 5; ++s) {
            const BonusClass& c = classes[set.classes[s]];
            if (s > depth && set.classes[s] == set.classes[s - 1]) {
                ++draws_[n - 1].count;
                continue;
            }
            draws_[n++] = {s == depth && from ? std::max(*from, c.begin) : c.begin, c.end, 1};
        }
        return {draws_.data(), n};
    }

    // Whether a full tier takes no deck of live score at most `score`: a
    // deck tied with its worst kept one may still enter with smaller slots.
    static bool beneath(const DfsTopDecks& decks, u32 score) {
        return decks.full() && decks.worst_score() != 0 &&
               score < static_cast<u32>(decks.worst_score());
    }

    // The least live score some tier of `tiers` has room for: a full tier
    // takes none below its worst kept deck's (which it may take with
    // smaller slots), one that is not full, or keeps no score, any. Kept
    // while the mask is asked again and no deck is recorded, since only a
    // record changes the tiers.
    u32 need(u64 tiers) {
        if (tiers == need_tiers_ && records_ == need_records_) return need_;
        u32 least = UINT32_MAX;
        for (u64 mask = tiers; mask != 0 && least != 0; mask &= mask - 1) {
            const DfsTopDecks& decks =
                state_.store.tiers[static_cast<usize>(std::countr_zero(mask))].decks;
            least = std::min(least, decks.full() && decks.worst_score() != 0
                                        ? static_cast<u32>(decks.worst_score())
                                        : 0u);
        }
        need_tiers_ = tiers;
        need_records_ = records_;
        need_ = least;
        return least;
    }

    // Whether some tier of `tiers` has room under `score`.
    bool open(u64 tiers, u32 score) {
        const bool room = score >= need(tiers);
        VDZ_ASSERT(!CHECK_BOUNDS || room == open_by_tier(tiers, score));
        return room;
    }

    // The same, tier by tier (debug builds).
    bool open_by_tier(u64 tiers, u32 score) const {
        for (u64 mask = tiers; mask != 0; mask &= mask - 1) {
            const usize t = static_cast<usize>(std::countr_zero(mask));
            if (!beneath(state_.store.tiers[t].decks, score)) return true;
        }
        return false;
    }

    // A bound of the class bounds, asked by `bound(enough)` to stop at
    // its first case that reaches `enough`, whose answer to `open` is
    // the full bound's: a case at least the least score a tier of
    // `tiers` takes opens them as the largest case would. Debug builds
    // return the full bound, which the path's checks read, and check the
    // answers agree.
    template <class Bound>
    u32 asked(u64 tiers, const Bound& bound) {
        if constexpr (CHECK_BOUNDS) {
            const u32 full = bound(UINT32_MAX);
            VDZ_ASSERT(open(tiers, full) == open(tiers, bound(need(tiers))));
            return full;
        }
        return bound(need(tiers));
    }

    // Slot `depth` of the class set from its first open position on.
    // `tiers`: those the node's decks may still land on.
    void expand(usize depth, usize last, const PartialSums& sums, u64 tiers) {
        const BonusClass& c = bound_.classes()[set_->classes[depth]];
        const bool same = depth > 0 && set_->classes[depth] == set_->classes[depth - 1];
        const usize first = same ? last + 1 : c.begin;
        if (depth > 0 && state_.context.world_bloom) {
            tiers = tiers_within(tiers, sums, depth, first, draws_of(*set_, depth, first));
            if (tiers == 0) return;
        }
        if constexpr (CHECK_BOUNDS) path_tiers_ = tiers;
        const bool last_in_bloom = depth == 4 && state_.context.world_bloom;
        // With three or four cards placed, the support entries their deck
        // takes are known for most completions.
        const bool third_in_bloom = depth == 3 && state_.context.world_bloom;
        if (third_in_bloom) {
            const BonusClass& next = bound_.classes()[set_->classes[4]];
            take_support(3, sums.attr_mask, next.begin, next.end, third_);
        }
        // Where the last slot takes another class, its cards come from that
        // class's first position on whatever the fourth card, so whether a
        // fourth card no taken entry names may land follows from its
        // attribute alone: the slot visits only the cards of an attribute
        // that may and those an entry names.
        const bool fourth_jumps = third_in_bloom && set_->classes[4] != set_->classes[3];
        if (fourth_jumps) {
            const usize from = bound_.classes()[set_->classes[4]].begin;
            fourth_live_ = 0;
            for (u32 a = 0; a < 8; ++a)
                if (unnamed_fourth_may_land(a, from, sums)) fourth_live_ |= 1u << a;
            named_positions(third_, first, c.end, fourth_named_);
        }
        if (last_in_bloom) {
            take_support(4, sums.attr_mask, first, c.end, last_);
            const usize none = state_.store.tiers.size();
            const usize held = bit_count(sums.attr_mask);
            live_attrs_ = 0;
            if (last_.tier_of[held] != none) live_attrs_ |= sums.attr_mask;
            if (held < 5 && last_.tier_of[held + 1] != none) live_attrs_ |= ~sums.attr_mask & 0xFFu;
        }
        if (depth == 4) ++last_node_;
        // The placed cards' skill values at the most each can resolve to in
        // a deck of the open slots' cards more: every deck below the node
        // is such a deck, so the bounds of the node and of its children read
        // these, and a child's own card adds its value as it is. Worked out
        // at the first card that asks a bound: in a World Bloom event most
        // nodes' cards land between the tiers before any does.
        std::optional<PartialSums> ceiled;
        const auto placed_sums = [&]() -> const PartialSums& {
            if (!ceiled)
                ceiled =
                    depth == 0 ? sums : with_skill_ceilings(m_, sums, partial_, depth, 5 - depth);
            return *ceiled;
        };
        // Whether decks that share no unit of the placed cards may still
        // come from the slot's later positions.
        bool free = depth > 0;
        usize scanned = 0;
        for (usize i = first; i < c.end; ++i) {
            if (last_in_bloom) {
                i = next_last_card(i);
                if (i >= c.end) break;
            }
            if (fourth_jumps) {
                const usize next = next_fourth_card(i);
                if constexpr (CHECK_BOUNDS) {
                    for (usize j = i; j < std::min(next, c.end); ++j)
                        VDZ_ASSERT(!fourth_may_land(static_cast<u16>(j), j, sums));
                }
                i = next;
                if (i >= c.end) break;
            }
            if (state_.stop || state_.count_step()) return;
            const u16 card = static_cast<u16>(i);
            // Most last cards' decks land between the tiers: that is known
            // before any bound of theirs.
            usize own = 0;
            if (last_in_bloom) {
                own = last_card_tier(card, sums);
                if (own == state_.store.tiers.size()) continue;
            }
            // A card the deck already holds, or a fourth whose decks land
            // on no tier, is passed over before the bounds of the slot's
            // later positions: a later card asks them of no more positions,
            // under tiers that only fill, so they cut it wherever they would
            // have cut here.
            if (depth < 4 && (repeats_card(depth, card) ||
                              (third_in_bloom && !fourth_may_land(card, i, sums)))) {
                continue;
            }
            // The slot's later positions hold no better cards: none can do
            // better. Once only decks of a placed unit may, only its cards.
            // A card's own bound is hardly dearer than these, which only
            // spare the cards after it: a slot after the first asks them at
            // every fourth card it bounds.
            const bool ask = depth == 0 || scanned++ % 4 == 0;
            const std::span<const ClassDraw> draws = draws_of(*set_, depth, i);
            if (ask && free && !open(tiers, asked(tiers, [&](u32 enough) {
                                         return bound_.free_bound(placed_sums(), placed(depth),
                                                                  draws, enough);
                                     }))) {
                free = false;
            }
            if (depth == 0) {
                if (!open(tiers, bound_.score_bound(sums, {}, draws))) return;
            } else if (!free) {
                if ((pool_.unit_mask(card) & sums.common_units) == 0) {
                    // On to the slot's next card of a placed unit.
                    i = std::min(bound_.next_of_units(i, sums.common_units), c.end) - 1;
                    continue;
                }
                if (ask && !open(tiers, asked(tiers, [&](u32 enough) {
                                     return bound_.unit_bound(placed_sums(), placed(depth), draws,
                                                              enough);
                                 }))) {
                    return;
                }
            }
            if (depth == 4 && repeats_card(depth, card)) continue;
            const PartialSums child = child_sums(m_, placed_sums(), card);
            partial_[depth] = card;
            // A complete deck's power is known from its units and attributes.
            u64 power = 0;
            const u32 b =
                depth == 4 ? last_deck_bound(card, child, power) : asked(tiers, [&](u32 enough) {
                    return bound_.score_bound(child, placed(depth + 1),
                                              draws_of(*set_, depth + 1, i + 1), enough);
                });
            if (!open(tiers, b)) continue;
            if constexpr (CHECK_BOUNDS) path_bound_[depth + 1] = std::min(path_bound_[depth], b);
            if (depth == 4) {
                // The one tier the deck lands on must have room.
                if (last_in_bloom) {
                    if (!open(u64{1} << own, b)) continue;
                    if constexpr (CHECK_BOUNDS) path_tiers_ = tiers;
                }
                // Each skill value at most what it can resolve to in this
                // deck bounds it closer, at a cost that only the decks the
                // plain bound passes are worth. Its power is the plain
                // bound's.
                const PartialSums deck = with_skill_ceilings(m_, child, partial_, 5, 0);
                const u32 ceiled =
                    static_cast<u32>(complete_deck_bound_of_power(m_, power, deck, 0));
                VDZ_ASSERT(!CHECK_BOUNDS ||
                           ceiled == static_cast<u32>(complete_deck_bound(m_, partial_, deck, 0)));
                if (!open(last_in_bloom ? u64{1} << own : tiers, ceiled)) continue;
                if constexpr (CHECK_BOUNDS) path_bound_[5] = std::min(path_bound_[5], ceiled);
                record();
            } else {
                expand(depth + 1, i, child, tiers);
            }
        }
    }

    // In a World Bloom event, the tiers of `tiers` with a window under the
    // attribute and support bonuses of the completions of `sums` that holds
    // the class set's total; their free cards are those of `draws`, from
    // `first` on. Where the support sum is known the attribute bonus takes
    // one value per number of attributes, each with its own window, and a
    // last free card must have an attribute that gives its window's number.
    u64 tiers_within(u64 tiers, const PartialSums& sums, usize depth, usize first,
                     std::span<const ClassDraw> draws) const {
        const TierReach& reach = *state_.tier_reach;
        const BonusExtras extras = reach.extras(sums, 5 - depth, first);
        u32 attrs = 0;
        for (const ClassDraw& d : draws)
            if (d.count != 0 && d.from < d.end) attrs |= bound_.attrs_from(d.from);
        for (u64 mask = tiers; mask != 0; mask &= mask - 1) {
            const usize t = static_cast<usize>(std::countr_zero(mask));
            const TierWindows w = reach.windows(state_.store.tiers[t].tier_key, extras);
            bool within = false;
            for (usize v = 0; v < w.count && !within; ++v)
                within = (w.attrs[v] & attrs) != 0 && w.window[v].lo <= set_->total_x10 &&
                         set_->total_x10 <= w.window[v].hi;
            if (!within) tiers &= ~(u64{1} << t);
        }
        return tiers;
    }

    // In a World Bloom event, with `placed` cards placed (three or four), of
    // attributes `attrs`: a deck takes the first support entries of the list
    // whose cards it does not hold, so later cards that none of the placed
    // cards' taken entries names leave those entries taken, and their deck's
    // bonus follows from its attribute count alone. Per count, that bonus's
    // tier, summed as the evaluator sums it; and the positions from `first`
    // to `end` whose card a taken entry names.
    void take_support(usize placed, u32 attrs, usize first, usize end, TakenSupport& out) {
        const SupportDeckList& list = deck_support_list(pool_, state_.context, partial_);
        out.clear();
        double support = 0.0;
        for (const SupportEntry& e : list.entries) {
            if (out.ids.size() >= list.count) break;
            bool in_deck = false;
            for (usize s = 0; s < placed; ++s)
                in_deck |= pool_.card_id(partial_[s]) == e.card_id;
            if (in_deck) continue;
            support += e.value;
            out.take(e.card_id);
        }
        const u32 total = static_cast<u32>(set_->total_x10);
        out.tier_of.fill(state_.store.tiers.size());
        for (usize n = bit_count(attrs); n <= 5; ++n) {
            double bonus = 0.1 * total;
            bonus += state_.context.distinct_attr_bonus[n];
            bonus += support;
            out.tier_of[n] = state_.store.tier_at(half_percent_steps(bonus));
        }
        named_positions(out, first, end, out.named);
    }

    // The positions from `first` to `end` whose card an entry `taken`
    // takes names, ascending.
    void named_positions(const TakenSupport& taken, usize first, usize end,
                         std::vector<u16>& out) const {
        out.clear();
        // Each id's chain runs down the pool: it ends for the range once
        // it passes `first`.
        for (const u16 id : taken.ids) {
            if (id >= last_of_id_.size()) continue;
            for (u16 at = last_of_id_[id]; at != NO_POSITION && at >= first; at = next_of_id_[at])
                if (at < end) out.push_back(at);
        }
        std::sort(out.begin(), out.end());
    }

    // With three cards placed, whether a deck of the fourth card `card` at
    // position `i` may land on a tier. Where no taken entry names it, its
    // deck takes the three cards' entries, and a last card none names
    // leaves them taken too: such decks land on the tier of their
    // attribute count, known before any bound of theirs.
    bool fourth_may_land(u16 card, usize i, const PartialSums& sums) const {
        if (third_.names(pool_.card_id(card))) return true;
        const BonusClass& next = bound_.classes()[set_->classes[4]];
        const usize from = set_->classes[4] == set_->classes[3] ? i + 1 : next.begin;
        return unnamed_fourth_may_land(pool_.attr(card) & 7u, from, sums);
    }

    // The same of a fourth card of attribute `attr` that no taken entry
    // names, whose last card comes from position `from` on.
    bool unnamed_fourth_may_land(u32 attr, usize from, const PartialSums& sums) const {
        const BonusClass& next = bound_.classes()[set_->classes[4]];
        if (from >= next.end) return false;
        if (!third_.named.empty() && third_.named.back() >= from) return true;
        const u32 held = sums.attr_mask | (1u << attr);
        const usize n = bit_count(held);
        const u32 attrs = bound_.attrs_from(from);
        const usize none = state_.store.tiers.size();
        return ((attrs & held) != 0 && third_.tier_of[n] != none) ||
               ((attrs & ~held) != 0 && n < 5 && third_.tier_of[n + 1] != none);
    }

    // The first fourth card from position `i` on that may land on a tier,
    // where the last slot takes another class: one of an attribute of
    // `fourth_live_`, or one a taken entry names. Every card it passes
    // over lands between the tiers.
    usize next_fourth_card(usize i) const {
        usize next = bound_.next_of_attrs(i, fourth_live_);
        for (const u16 named : fourth_named_)
            if (named >= i) return std::min<usize>(next, named);
        return next;
    }

    // The first card from position `i` on that `last_` says may land on a
    // tier: one of an attribute whose count has one, or one a taken entry
    // names. Every card it passes over lands between the tiers.
    usize next_last_card(usize i) const {
        usize next = bound_.next_of_attrs(i, live_attrs_);
        for (const u16 named : last_.named)
            if (named >= i) return std::min<usize>(next, named);
        return next;
    }

    // The tier of the deck the last card `card` completes; the store's
    // tier count for none. A card an entry taken names moves the entries,
    // and its deck's bonus is summed whole.
    usize last_card_tier(u16 card, const PartialSums& sums) {
        partial_[4] = card;
        const usize tier =
            last_.names(pool_.card_id(card))
                ? state_.store.tier_at(
                      half_percent_steps(deck_event_bonus(pool_, state_.context, partial_)))
                : last_.tier_of[bit_count(sums.attr_mask | (1u << (pool_.attr(card) & 7u)))];
        VDZ_ASSERT(!CHECK_BOUNDS ||
                   tier == state_.store.tier_at(half_percent_steps(
                               deck_event_bonus(pool_, state_.context, partial_))));
        // Where the fourth slot was walked, a deck whose last two cards no
        // entry the first three take names lands where those entries say.
        VDZ_ASSERT(!CHECK_BOUNDS || set_->classes[3] == NO_CLASS ||
                   third_.names(pool_.card_id(partial_[3])) || third_.names(pool_.card_id(card)) ||
                   tier ==
                       third_.tier_of[bit_count(sums.attr_mask | (1u << (pool_.attr(card) & 7u)))]);
        return tier;
    }

    // `complete_deck_bound` of the deck the last card `card` completes,
    // whose sums are `child`, and in `power` the cards' power it takes: the
    // shape of a deck is the four placed cards' narrowed by the last card,
    // and their power in each shape is summed once per node.
    u32 last_deck_bound(u16 card, const PartialSums& child, u64& power) {
        u32 units = pool_.unit_mask(card);
        bool same_attr = true;
        for (usize s = 0; s < 4; ++s) {
            units &= pool_.unit_mask(partial_[s]);
            same_attr = same_attr && (pool_.attr(partial_[s]) & 7u) == (pool_.attr(card) & 7u);
        }
        const usize shape = units | (same_attr ? 0x40u : 0u);
        if (placed_power_node_[shape] != last_node_) {
            placed_power_node_[shape] = last_node_;
            placed_power_[shape] = 0;
            for (usize s = 0; s < 4; ++s)
                placed_power_[shape] += card_power(partial_[s], units, same_attr);
        }
        power = placed_power_[shape] + card_power(card, units, same_attr);
        const u32 b = static_cast<u32>(complete_deck_bound_of_power(m_, power, child, 0));
        VDZ_ASSERT(!CHECK_BOUNDS ||
                   b == static_cast<u32>(complete_deck_bound(m_, partial_, child, 0)));
        return b;
    }

    // `complete_deck_card_power`, kept per card where the deck shares one
    // unit: most decks that share a unit share one, and their last cards
    // come again node after node.
    u32 card_power(u16 card, u32 units, bool same_attr) {
        if (units == 0 || (units & (units - 1)) != 0)
            return complete_deck_card_power(m_, card, units, same_attr);
        u32& power =
            one_unit_power_[12 * usize{card} + 2 * static_cast<usize>(std::countr_zero(units)) +
                            (same_attr ? 1 : 0)];
        if (power == UNKNOWN_POWER) power = complete_deck_card_power(m_, card, units, same_attr);
        VDZ_ASSERT(!CHECK_BOUNDS || power == complete_deck_card_power(m_, card, units, same_attr));
        return power;
    }

    std::span<const u16> placed(usize depth) const { return {partial_.data(), depth}; }

    // One card once: its skill variants share its id.
    bool repeats_card(usize depth, u16 card) const {
        for (usize s = 0; s < depth; ++s)
            if (pool_.card_id(partial_[s]) == pool_.card_id(card)) return true;
        return false;
    }

    void record() {
        ++state_.stats.evaluations;
        ++records_;
        const auto key = evaluate_deck_key(pool_, state_.context, partial_);
        if (!key) return;
        if constexpr (CHECK_BOUNDS) check_deck(*key);
        state_.store.record({*key, partial_});
    }

    // Debug builds: the deck's live score is within every bound met on its
    // way, and at each of its prefixes, its skill values at their ceilings,
    // within the bound of the decks its shape allows whose next card comes
    // from its own next card's position on; its cards total its class
    // set's; and a tier it lands on is one of its class set's, and stays
    // among the tiers each prefix leaves.
    void check_deck(u64 key) {
        [[maybe_unused]] const u32 score = static_cast<u32>(key);
        VDZ_ASSERT(score <= path_bound_[5]);
        i64 total = 0;
        u32 units = 0x3F;
        for (const u16 card : partial_) {
            total += pool_.event_bonus(card).total_x10();
            units &= pool_.unit_mask(card);
        }
        VDZ_ASSERT(total == set_->total_x10);
        const auto& tiers = state_.store.tiers;
        u64 own = 0;
        for (usize t = 0; t < tiers.size(); ++t)
            if (tiers[t].tier_key == (key >> 32)) own = u64{1} << t;
        VDZ_ASSERT(own == 0 || (path_tiers_ & own) != 0);
        PartialSums sums;
        for (usize d = 0; d < 5; ++d) {
            if (set_->classes[d] == NO_CLASS) {
                sums = child_sums(m_, sums, partial_[d]);
                continue;
            }
            const std::span<const ClassDraw> draws = draws_of(*set_, d, partial_[d]);
            // The placed cards' skill values at their ceilings, as the walk
            // reads them.
            const PartialSums ceiled =
                d == 0 ? sums : with_skill_ceilings(m_, sums, partial_, d, 5 - d);
            [[maybe_unused]] const u32 b = d == 0 ? bound_.score_bound(ceiled, {}, draws)
                                           : units != 0
                                               ? bound_.unit_bound(ceiled, placed(d), draws)
                                               : bound_.free_bound(ceiled, placed(d), draws);
            VDZ_ASSERT(score <= b);
            if (d > 0 && own != 0 && state_.context.world_bloom) {
                // A fixed card's slot has no class, and none equals it.
                [[maybe_unused]] const usize first = set_->classes[d] == set_->classes[d - 1]
                                                         ? usize{partial_[d - 1]} + 1
                                                         : bound_.classes()[set_->classes[d]].begin;
                VDZ_ASSERT(tiers_within(own, sums, d, first, draws_of(*set_, d, first)) == own);
            }
            sums = child_sums(m_, sums, partial_[d]);
        }
    }

    SearchNodeState& state_;
    const BoundModel& m_;
    const CardPool& pool_;
    const BonusClassBound& bound_;
    std::vector<TenthsWindow> windows_;  // per tier, its cards' totals
    i64 lo_ = 0, hi_ = 0;                // the least and greatest of them
    // The event pools hold a few dozen classes and some thousand class sets
    // on their tiers; a pool of hundreds of bonuses may hold millions, which
    // the kernel's walk serves better than a table of them.
    static constexpr u64 MAX_COLLECT_STEPS = u64{1} << 18;
    u64 steps_ = 0;                  // calls of collect_from
    const ClassSet* set_ = nullptr;  // the class set walked
    DeckSlots partial_{};
    std::array<ClassDraw, 5> draws_{};
    TakenSupport third_;  // with three cards placed, the support their decks take
    TakenSupport last_;   // with four cards placed, the same
    static constexpr u16 NO_POSITION = 0xFFFF;
    std::vector<u16> last_of_id_;    // per card id, its last position in the pool
    std::vector<u16> next_of_id_;    // per position, the previous one of its card id
    u32 live_attrs_ = 0;             // the last card's attributes whose count lands on a tier
    u32 fourth_live_ = 0;            // the same of a fourth card none of `third_` names
    std::vector<u16> fourth_named_;  // the fourth slot's positions whose card `third_` names
    u64 last_node_ = 0;              // the nodes of four placed cards met
    u64 records_ = 0;                // the decks recorded
    u64 need_tiers_ = 0;             // the tiers `need_` is of (none: not yet asked)
    u64 need_records_ = 0;           // the decks recorded when it was found
    u32 need_ = UINT32_MAX;          // the least score a tier of them takes
    static constexpr u32 UNKNOWN_POWER = UINT32_MAX;
    std::vector<u32> one_unit_power_;           // per card, unit and attribute case (12 each)
    std::array<u64, 128> placed_power_node_{};  // per shape, the node its sum is of
    std::array<u64, 128> placed_power_{};       // per shape, the placed cards' power
    std::array<u32, 6> path_bound_{};           // per depth, the least bound met (debug builds)
    u64 path_tiers_ = 0;                        // the tiers the last node left (debug builds)
};

}  // namespace

bool bonus_class_search(SearchNodeState& state) {
    const SearchContext& context = state.context;
    if (!state.tier_reach || !state.card_sums || context.final_chapter ||
        !context.fixed_characters.empty() || context.fixed_cards.size() >= 5 ||
        state.store.tiers.empty() || state.store.tiers.size() > 64) {
        return false;
    }
    // The free cards come after the fixed cards' own, listed by bonus.
    const TierReach& reach = *state.tier_reach;
    const usize free_from = reach.free_row(0, context.fixed_cards.size());
    if (!reach.listed_from(free_from)) return false;
    const auto& ids = context.fixed_cards;
    for (usize i = free_from; i < state.pool.count(); ++i)
        if (std::find(ids.begin(), ids.end(), state.pool.card_id(static_cast<u16>(i))) != ids.end())
            return false;
    const BonusClassBound bound(state.bounds, free_from);
    if (bound.classes().empty()) return false;
    ClassWalk walk(state, bound);
    std::vector<ClassWalk::Fixed> fixed;
    walk.fixed_choices(0, 0, free_from, PartialSums{}, fixed);
    // Every choice's class sets before any deck: a walk that gives up does
    // so before it has recorded one.
    std::vector<std::vector<ClassSet>> sets(fixed.size());
    for (usize f = 0; f < fixed.size(); ++f)
        if (!walk.collect(fixed[f], sets[f])) return false;
    for (usize f = 0; f < fixed.size(); ++f)
        walk.walk(fixed[f], sets[f]);
    return true;
}

}  // namespace vdz
