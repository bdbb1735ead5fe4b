// The recursion fills one slot per level in one shared deck buffer: the
// fixed slots first, each from its own positions of the list (the cards of
// its card id or character), then the free slots as ascending combinations
// of the positions a free slot may take, so every combination of free
// positions is visited once per way of filling the fixed slots.
//
// Why the bounds hold. A node's bound adds what the placed cards can still
// be worth, the best card each open fixed slot can take, and the best values
// of the free positions still open (one per character where a deck holds
// one card of each), so it is at least every deck below it:
// - power: each card counted at the largest power it plays in a deck of the
//   shape the placed cards leave open (`shape_power_bound`), or when
//   minimised at the smallest; honor power, the floor at 0 and the cap are
//   monotone in the sum;
// - skill: a deck's multi live score up is leader + 0.2 x others =
//   0.8 x leader + 0.2 x the sum of all five resolved values, so
//   10 x score up = 8 x leader + 2 x sum, counted with each card's skill
//   ceiling given the placed cards (`SkillCeilings`). The leader is slot 0
//   where slot 0 leads, else the largest value. The key, floor(10 x score up
//   + 1e-6), is at most that sum: resolved values are multiples of a quarter,
//   so 10 x score up is a multiple of a half and the 1e-6 never lifts it to
//   the next whole number.
// A bound that cannot beat the worst kept key cuts, ties included: the keys
// listed stay the same.
#include "search/kernels/power_skill_search.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>

#include "common/check.h"
#include "search/bounds/shape_power_bound.h"
#include "search/bounds/skill_ceiling.h"
#include "search/bounds/top_sums.h"
#include "search/evaluation/deck_evaluator.h"
#include "search/kernels/next_at_least.h"

namespace vdz {
namespace {

// A challenge live's deck may repeat a character (its pool usually holds one
// character only), so there decks differ only in card ids, as in the other
// challenge-live searches.
bool repeats_characters(const SearchContext& context) {
    return !context.dominance_pruning;
}

bool contains_u8(std::span<const u8> values, u8 value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

// Which list positions each slot may take.
struct SlotPlan {
    usize fixed = 0;                                // fixed slots, fixed cards first
    std::array<std::vector<u32>, 5> fixed_options;  // per fixed slot, ascending
    std::vector<u32> free_options;                  // positions a free slot may take

    // A free slot never takes a character that a fixed slot always places,
    // nor, where characters may repeat, a fixed card id.
    static SlotPlan of(const CardPool& pool, const SearchContext& context,
                       std::span<const u16> list) {
        SlotPlan plan;
        const usize cards = context.fixed_cards.size();
        plan.fixed = std::min<usize>(cards + context.fixed_characters.size(), 5);
        std::array<u32, 5> placed{};  // per fixed slot, the characters it may place
        for (u32 i = 0; i < list.size(); ++i) {
            const u16 card = list[i];
            const u8 c = pool.character_id(card);
            for (usize k = 0; k < plan.fixed; ++k) {
                const bool fits = k < cards ? pool.card_id(card) == context.fixed_cards[k]
                                            : c == context.fixed_characters[k - cards];
                if (!fits) continue;
                plan.fixed_options[k].push_back(i);
                placed[k] |= 1u << std::min<u8>(c, 31);
            }
        }
        u32 taken = 0;
        for (usize k = 0; k < plan.fixed; ++k)
            if (std::has_single_bit(placed[k])) taken |= placed[k];
        for (u32 i = 0; i < list.size(); ++i) {
            const u16 card = list[i];
            const bool out = repeats_characters(context)
                                 ? contains_u16(context.fixed_cards, pool.card_id(card))
                                 : (taken >> std::min<u8>(pool.character_id(card), 31)) & 1u;
            if (!out) plan.free_options.push_back(i);
        }
        return plan;
    }

    // Whether every fixed slot has a card and the free positions hold as
    // many characters (card ids where characters repeat) as free slots.
    bool satisfiable(const CardPool& pool, const SearchContext& context,
                     std::span<const u16> list) const {
        for (usize k = 0; k < fixed; ++k)
            if (fixed_options[k].empty()) return false;
        std::vector<u32> owners;
        for (const u32 i : free_options)
            owners.push_back(repeats_characters(context) ? pool.card_id(list[i])
                                                         : pool.character_id(list[i]));
        std::sort(owners.begin(), owners.end());
        const usize distinct =
            static_cast<usize>(std::unique(owners.begin(), owners.end()) - owners.begin());
        return distinct >= 5 - fixed;
    }
};

// One value's bounds over a plan: the best value of each fixed slot's cards
// and the best sums over the free positions.
struct PlanValues {
    std::array<u64, 6> fixed_rest{};  // [d]: sum over fixed slots d.. of their best
    std::array<u64, 6> fixed_top{};   // [d]: the largest best of fixed slots d..
    TopSums free;

    PlanValues(const CardPool& pool, std::span<const u16> list, const SlotPlan& plan,
               const std::function<u64(u16)>& value, bool smallest, bool one_per_character)
        : free(pool, free_cards(list, plan), free_values(list, plan, value), smallest,
               one_per_character) {
        for (usize k = plan.fixed; k-- > 0;) {
            u64 best = smallest ? ~u64{0} : 0;
            for (const u32 i : plan.fixed_options[k])
                best = smallest ? std::min(best, value(list[i])) : std::max(best, value(list[i]));
            fixed_rest[k] = fixed_rest[k + 1] + best;
            fixed_top[k] = std::max(fixed_top[k + 1], best);
        }
    }

    static std::vector<u16> free_cards(std::span<const u16> list, const SlotPlan& plan) {
        std::vector<u16> cards;
        for (const u32 i : plan.free_options)
            cards.push_back(list[i]);
        return cards;
    }
    static std::vector<u64> free_values(std::span<const u16> list, const SlotPlan& plan,
                                        const std::function<u64(u16)>& value) {
        std::vector<u64> values;
        for (const u32 i : plan.free_options)
            values.push_back(value(list[i]));
        return values;
    }
};

// What the placed cards contribute to a node's bounds; computed once per
// node and extended by the open slots' best values per tested position.
struct Placed {
    usize count = 0;
    DeckShapeLeft shape;
    u64 power = 0;        // placed powers at their bound for `shape`
    u64 skill_sum = 0;    // placed skill ceilings
    u64 skill_top = 0;    // the largest of them
    u64 skill_first = 0;  // slot 0's
};

// A node's bounds: 10 x the multi live score up, and the power key.
struct NodeBound {
    u64 skill_x10 = 0;
    u64 power = 0;
};

// The recursion's shared state; lives for one search.
class Walk {
  public:
    Walk(const CardPool& pool, const SearchContext& context, std::span<const u16> list,
         const SlotPlan& plan, TopDecks& best, SearchStats& stats, Deadline& deadline)
        : pool_(pool),
          context_(context),
          list_(list),
          plan_(plan),
          best_(best),
          stats_(stats),
          deadline_(deadline),
          used_(list.size(), 0),
          minimised_(candidate_order_reversed(context)),
          skill_key_(context.target == Target::SKILL),
          skill_bounded_(skill_key_ || context.multi_live_score_up_lower_bound.has_value()),
          first_leads_(first_slot_leads(context)) {
        if (skill_bounded_) {
            std::vector<u16> cards(list.begin(), list.end());
            ceilings_.emplace(pool, context, cards, repeats_characters(context));
            skill_.emplace(
                pool, list, plan, [&](u16 card) { return u64{ceilings_->of(card)}; }, false,
                !repeats_characters(context));
            std::vector<u8> free_ceilings;
            for (const u32 i : plan.free_options)
                free_ceilings.push_back(ceilings_->of(list[i]));
            free_ceilings_.emplace(free_ceilings);
        }
    }

    void run() {
        const Placed root = placed_part(0);
        const NodeBound b = bound(root, 0);
        if (cannot_enter(b)) return;
#if !defined(NDEBUG) || defined(VDZ_CHECKS)
        entered_.fill(b);
#endif
        visit(0, 0, root);
    }

  private:
    const CardPool& pool_;
    const SearchContext& context_;
    std::span<const u16> list_;
    const SlotPlan& plan_;
    TopDecks& best_;
    SearchStats& stats_;
    Deadline& deadline_;
    std::vector<u8> used_;  // by list position
    DeckSlots deck_{};
    bool stop_ = false;  // the deadline has passed; never cleared
    bool minimised_;
    bool skill_key_;      // the key is the skill key
    bool skill_bounded_;  // the skill bound is read: the key or a lower bound
    bool first_leads_;
    std::optional<SkillCeilings> ceilings_;
    std::optional<PlanValues> skill_;
    // Jumps over the free positions by their cards' ceilings.
    std::optional<NextAtLeast> free_ceilings_;
    // Power bounds per deck shape left, built when first needed.
    std::array<std::unique_ptr<PlanValues>, 512> power_{};
#if !defined(NDEBUG) || defined(VDZ_CHECKS)
    std::array<NodeBound, 6> entered_{};  // the bound of each node above the deck
#endif

    const PlanValues& power_values(DeckShapeLeft shape) {
        auto& values = power_[shape.code()];
        if (!values) {
            values = std::make_unique<PlanValues>(
                pool_, list_, plan_,
                [&](u16 card) { return u64{shape_power_bound(pool_, card, shape, minimised_)}; },
                minimised_, !repeats_characters(context_));
        }
        return *values;
    }

    Placed placed_part(usize count) {
        Placed p;
        p.count = count;
        for (usize s = 0; s < count; ++s)
            p.shape = p.shape.with(pool_, deck_[s]);
        if (!skill_key_) {
            for (usize s = 0; s < count; ++s)
                p.power += shape_power_bound(pool_, deck_[s], p.shape, minimised_);
        }
        if (skill_bounded_ && count > 0) {
            std::array<u8, 5> ceilings{};
            ceilings_->of_placed({deck_.data(), count}, 5 - count, ceilings);
            for (usize s = 0; s < count; ++s) {
                p.skill_sum += ceilings[s];
                p.skill_top = std::max<u64>(p.skill_top, ceilings[s]);
            }
            p.skill_first = ceilings[0];
        }
        return p;
    }

    // The placed cards and `card` as the parent's bounds read them: its
    // shape and ceilings, which a further card only narrows (a shape loses
    // sharings, a ceiling sees fewer open slots), so the child's bounds are
    // at most these. A cheap test before the child's own.
    Placed widened(const Placed& p, u16 card) const {
        Placed next = skill_bounded_ ? with_ceiling(p, ceilings_->of(card)) : p;
        if (!skill_bounded_) ++next.count;
        if (!skill_key_) next.power += shape_power_bound(pool_, card, p.shape, minimised_);
        return next;
    }

    // The skill part of `widened` for a card of ceiling `ceiling`.
    static Placed with_ceiling(const Placed& p, u64 ceiling) {
        Placed next = p;
        ++next.count;
        next.skill_sum += ceiling;
        next.skill_top = std::max(next.skill_top, ceiling);
        if (p.count == 0) next.skill_first = ceiling;
        return next;
    }

    // The first free position from j on whose card the widened skill bound
    // can let through. A larger ceiling only raises that bound, and a later
    // position only lowers the open positions' part of it (their best sums
    // from further on), so a card whose ceiling fails at j fails at every
    // later position too, and the positions between j and the one returned
    // would all be cut by the widened test. The test that ends the scan is
    // monotone along the positions as well, so leaping to the returned one
    // asks it where the scan would have ended anyway.
    usize first_skill_reach(const Placed& p, usize j) const {
        if (!free_ceilings_) return j;
        const auto reaches = [&](u64 ceiling) {
            return !skill_cuts(skill_bound(with_ceiling(p, ceiling), j + 1));
        };
        if (reaches(ceilings_->of(list_[plan_.free_options[j]]))) return j;
        const usize to = free_ceilings_->first_reaching(j, reaches);
#if !defined(NDEBUG) || defined(VDZ_CHECKS)
        for (usize k = j; k < to; ++k)
            VDZ_ASSERT(skill_cuts(skill_bound(widened(p, list_[plan_.free_options[k]]), k + 1)));
#endif
        return to;
    }

    // The bounds of every deck holding the placed cards whose free slots
    // take positions `free_from` and later of the free list.
    NodeBound bound(const Placed& p, usize free_from) {
        const usize fixed_open = p.count < plan_.fixed ? plan_.fixed - p.count : 0;
        const usize free_open = 5 - p.count - fixed_open;
        const usize rest = std::min(p.count, plan_.fixed);
        NodeBound b;
        if (skill_bounded_) b.skill_x10 = skill_bound(p, free_from);
        if (!skill_key_) {
            const PlanValues& v = power_values(p.shape);
            const u64 cards = p.power + v.fixed_rest[rest] + v.free.at(free_from, free_open);
            i64 power = context_.honor_power + static_cast<i64>(cards);
            power = std::max<i64>(power, 0);
            if (context_.wl3_power_cap != 0) power = std::min<i64>(power, context_.power_cap);
            b.power = static_cast<u64>(power);
        }
        return b;
    }

    // The skill part of `bound`.
    u64 skill_bound(const Placed& p, usize free_from) const {
        const usize fixed_open = p.count < plan_.fixed ? plan_.fixed - p.count : 0;
        const usize free_open = 5 - p.count - fixed_open;
        const usize rest = std::min(p.count, plan_.fixed);
        const u64 free_top = free_open > 0 ? skill_->free.at(free_from, 1) : 0;
        const u64 sum =
            p.skill_sum + skill_->fixed_rest[rest] + skill_->free.at(free_from, free_open);
        u64 leader = 0;
        if (!first_leads_) {
            leader = std::max({p.skill_top, skill_->fixed_top[rest], free_top});
        } else if (p.count > 0) {
            leader = p.skill_first;
        } else {
            leader = plan_.fixed > 0 ? skill_->fixed_top[0] : free_top;
        }
        return 8 * leader + 2 * sum;
    }

    // Whether no deck under the bound can be admitted and enter the list.
    // Decks that could only tie the worst kept deck count as unable.
    bool cannot_enter(const NodeBound& b) const {
        if (skill_bounded_ && skill_cuts(b.skill_x10)) return true;
        if (!best_.full()) return false;
        const u64 worst = best_.last().score;
        if (skill_key_) return false;
        return minimised_ ? b.power >= worst : b.power <= worst;
    }

    // The skill part of `cannot_enter`, which falls as the skill bound
    // grows: the bound misses the score-up lower bound, or it is the key
    // and cannot beat the list.
    bool skill_cuts(u64 skill_x10) const {
        if (context_.multi_live_score_up_lower_bound &&
            static_cast<double>(skill_x10) / 10.0 + 1e-6 <
                *context_.multi_live_score_up_lower_bound) {
            return true;
        }
        return skill_key_ && best_.full() && skill_x10 <= best_.last().score;
    }

    bool holds_card_id(usize depth, u16 card_id) const {
        for (usize s = 0; s < depth; ++s)
            if (pool_.card_id(deck_[s]) == card_id) return true;
        return false;
    }

    bool holds_character(usize depth, u8 character) const {
        for (usize s = 0; s < depth; ++s)
            if (pool_.character_id(deck_[s]) == character) return true;
        return false;
    }

    // A fixed-card slot or a free slot: one card per character, or where
    // characters may repeat, no card id twice. A fixed-character slot takes
    // its character even when the deck holds it, but never a card id twice.
    bool admissible(usize depth, u16 card) const {
        const bool character_slot = depth >= context_.fixed_cards.size() && depth < plan_.fixed;
        if (character_slot || repeats_characters(context_))
            return !holds_card_id(depth, pool_.card_id(card));
        return !holds_character(depth, pool_.character_id(card));
    }

    void leaf();
    void visit(usize depth, usize free_from, const Placed& placed);
    // Places the card of list position i at slot `depth` and visits the
    // child unless its bound cuts it.
    void enter(usize depth, u32 i, usize free_from);
};

void Walk::leaf() {
    ++stats_.evaluations;
    const std::optional<u64> key = evaluate_deck_key(pool_, context_, deck_);
    if (!key) return;
#if !defined(NDEBUG) || defined(VDZ_CHECKS)
    for (const NodeBound& b : entered_) {
        if (skill_key_) VDZ_ASSERT(*key <= b.skill_x10);
        if (!skill_key_) VDZ_ASSERT(minimised_ ? *key >= b.power : *key <= b.power);
        if (!skill_key_ && skill_bounded_) {
            const auto e = evaluate_deck(pool_, context_, deck_);
            VDZ_ASSERT(e && std::floor(10.0 * e->multi_live_score_up + 1e-6) <=
                                static_cast<double>(b.skill_x10));
        }
    }
#endif
    best_.record({*key, deck_});
}

void Walk::enter(usize depth, u32 i, usize free_from) {
    deck_[depth] = list_[i];
    const Placed child = placed_part(depth + 1);
    const NodeBound b = bound(child, free_from);
    if (cannot_enter(b)) return;
#if !defined(NDEBUG) || defined(VDZ_CHECKS)
    entered_[depth + 1] = b;
#endif
    used_[i] = 1;
    visit(depth + 1, free_from, child);
    used_[i] = 0;
}

void Walk::visit(usize depth, usize free_from, const Placed& placed) {
    ++stats_.nodes;
    if (deadline_.step()) stop_ = true;
    if (stop_) return;
    // 1. A complete deck: evaluate and offer.
    if (depth == 5) return leaf();
    // 2. A fixed slot tries each card of its card id or character.
    if (depth < plan_.fixed) {
        for (const u32 i : plan_.fixed_options[depth]) {
            if (used_[i] || !admissible(depth, list_[i])) continue;
            enter(depth, i, 0);
            if (stop_) return;
        }
        return;
    }
    // 3. A free slot takes ascending free positions; it stops where no deck
    // from a position on can enter.
    const std::vector<u32>& options = plan_.free_options;
    for (usize j = free_from; j < options.size(); ++j) {
        if (cannot_enter(bound(placed, j))) break;
        // A leap lands on a position whose test above it asks first.
        if (const usize to = first_skill_reach(placed, j); to != j) {
            j = to - 1;
            continue;
        }
        const u32 i = options[j];
        if (used_[i] || !admissible(depth, list_[i])) continue;
        if (cannot_enter(bound(widened(placed, list_[i]), j + 1))) continue;
        enter(depth, i, j + 1);
        if (stop_) return;
    }
}

}  // namespace

bool candidate_order_reversed(const SearchContext& context) {
    return context.target == Target::POWER && context.minimize;
}

void sort_candidates(std::span<u16> indices, const CardPool& pool, const SearchContext& context) {
    const bool by_power = context.target != Target::SKILL;
    const bool reversed = candidate_order_reversed(context);
    const auto key = [&](u16 i) -> u32 { return by_power ? pool.power(i) : pool.skill_value(i); };
    std::sort(indices.begin(), indices.end(), [&](u16 a, u16 b) {
        const u32 ka = key(a), kb = key(b);
        if (ka != kb) return reversed ? ka < kb : ka > kb;
        return a < b;
    });
}

bool contains_u16(std::span<const u16> values, u16 value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

std::vector<u16> candidate_list(const CardPool& pool, const SearchContext& context) {
    std::vector<u16> sorted(pool.count());
    for (u16 i = 0; i < pool.count(); ++i)
        sorted[i] = i;
    sort_candidates(sorted, pool, context);
    const auto named = [&](u16 card) {
        return contains_u16(context.fixed_cards, pool.card_id(card)) ||
               contains_u8(context.fixed_characters, pool.character_id(card));
    };
    std::stable_partition(sorted.begin(), sorted.end(), named);
    return sorted;
}

void search_small_exhaustive(const CardPool& pool, const SearchContext& context,
                             std::span<const u16> candidates, TopDecks& best, SearchStats& stats,
                             Deadline& deadline) {
    const SlotPlan plan = SlotPlan::of(pool, context, candidates);
    if (plan.satisfiable(pool, context, candidates))
        Walk(pool, context, candidates, plan, best, stats, deadline).run();
    stats.clock_reads = deadline.clock_reads();
    stats.timed_out = deadline.expired();
}

SearchResult search_power_skill(const CardPool& pool, const SearchContext& context, u64 limit,
                                Deadline& deadline) {
    SearchResult result;
    const std::vector<u16> candidates = candidate_list(pool, context);
    if (candidates.size() < 5) return result;
    TopDecks best(limit, candidate_order_reversed(context), pool_card_ids(pool));
    search_small_exhaustive(pool, context, candidates, best, result.stats, deadline);
    result.decks = std::move(best).take_entries();
    return result;
}

}  // namespace vdz
