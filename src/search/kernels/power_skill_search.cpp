// The recursion fills one slot per level in one shared deck buffer. A
// fixed slot scans the whole list and leaves `start` alone; a free slot
// scans from `start` and passes i + 1 on, so every combination of free
// positions is visited once per way of filling the fixed slots.
//
// Why the bounds hold. A card's power column is its largest power in any
// deck and no resolved skill value exceeds its card's skill value, so the
// cards placed plus the best values still open bound a deck's power, and
// its score-up leader + 0.2 x others = 0.8 x leader + 0.2 x sum is at most
// 0.8 x the largest value + 0.2 x the sum whoever leads; the skill key,
// floor(10 x score-up), is then at most 8 x largest + 2 x sum. A minimised
// power counts each card at its least power in any deck. Once the placed
// cards span two attributes and share no unit, no deck of them shares
// anything and every card plays its plain power. The best values
// still open are those of later list positions, one per character where a
// deck holds one card of each (the placed cards' characters aside).
#include "search/kernels/power_skill_search.h"

#include <algorithm>
#include <functional>
#include <optional>

#include "search/evaluation/deck_evaluator.h"

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

// The card's least power in any deck: each of its units gives at least that
// unit's smallest variant, and the card takes the best of its units.
u32 least_power(const CardPool& pool, u16 card) {
    const u8 units = pool.unit_mask(card);
    const u32 high = pool.unit_values_high(card);
    u32 best = 0;
    for (u32 u = 0; u < 6; ++u) {
        if (!(units & (1u << u))) continue;
        const usize first = 4 * ((high >> (16 + u)) & 1u);
        u32 least = pool.unit_value(card, first);
        for (usize v = first + 1; v < first + 4; ++v)
            least = std::min(least, pool.unit_value(card, v));
        best = std::max(best, least);
    }
    return best;
}

// The card's power in a deck that shares no unit and no attribute.
u32 plain_power(const CardPool& pool, u16 card) {
    const u8 units = pool.unit_mask(card);
    const u32 high = pool.unit_values_high(card);
    u32 best = 0;
    for (u32 u = 0; u < 6; ++u)
        if (units & (1u << u))
            best = std::max(best, pool.unit_value(card, 4 * ((high >> (16 + u)) & 1u)));
    return best;
}

// Per list position i, the sums of the r best values among positions i..n-1
// (r = 0..5; fewer positions: the sum of all), best being largest, or
// smallest; with `one_per_character`, at most one value per character.
using SuffixSums = std::vector<std::array<u64, 6>>;

SuffixSums suffix_sums(const CardPool& pool, std::span<const u16> list,
                       const std::function<u64(u16)>& value, bool smallest,
                       bool one_per_character) {
    const usize n = list.size();
    SuffixSums sums(n + 1);
    const auto better = [&](u64 a, u64 b) { return smallest ? a < b : a > b; };
    // The best value per character so far, or per card when characters repeat.
    std::array<std::optional<u64>, CardPool::CHARACTER_SLOTS> by_character{};
    std::vector<u64> top;  // best first, at most five
    for (usize i = n; i-- > 0;) {
        const u64 x = value(list[i]);
        if (one_per_character) {
            auto& held = by_character[std::min<usize>(pool.character_id(list[i]),
                                                      CardPool::CHARACTER_SLOTS - 1)];
            if (held && !better(x, *held)) {
                sums[i] = sums[i + 1];
                continue;
            }
            held = x;
            top.clear();
            for (const auto& v : by_character)
                if (v) top.push_back(*v);
            std::sort(top.begin(), top.end(), better);
        } else {
            top.insert(std::find_if(top.begin(), top.end(), [&](u64 t) { return better(x, t); }),
                       x);
        }
        if (top.size() > 5) top.resize(5);
        for (usize r = 1; r <= 5; ++r)
            sums[i][r] = sums[i][r - 1] + (r <= top.size() ? top[r - 1] : 0);
    }
    return sums;
}

// The cards placed so far, as the bounds read them.
struct Placed {
    u64 power = 0;      // power columns (least powers when minimised)
    u64 plain = 0;      // powers in a deck sharing no unit and no attribute
    u64 skill_sum = 0;  // skill values
    u64 skill_max = 0;  // the largest skill value
    u8 common_units = 0x3f;
    u8 attr = 0xff;  // the first card's attribute
    bool mixed_attributes = false;

    // No unit and no attribute can be shared by all five cards any more:
    // every card of the deck plays its plain power.
    bool plain_deck() const { return mixed_attributes && common_units == 0; }
};

// The recursion's shared state; lives for one search.
struct Walk {
    const CardPool& pool;
    const SearchContext& context;
    std::span<const u16> list;
    std::vector<u8> used;  // by list position
    DeckSlots deck{};
    TopDecks& best;
    SearchStats& stats;
    Deadline& deadline;
    bool stop = false;  // the deadline has passed; never cleared
    SuffixSums power_sums;
    SuffixSums plain_sums;
    SuffixSums skill_sums;

    void visit(usize depth, usize start, u32 characters, const Placed& placed);

    bool holds_card_id(usize depth, u16 card_id) const {
        for (usize s = 0; s < depth; ++s)
            if (pool.card_id(deck[s]) == card_id) return true;
        return false;
    }

    bool minimised() const { return candidate_order_reversed(context); }

    u64 power_value(u16 card) const {
        return minimised() ? least_power(pool, card) : pool.power(card);
    }

    Placed with(const Placed& p, u16 card) const {
        Placed next = p;
        next.power += power_value(card);
        next.plain += plain_power(pool, card);
        next.skill_sum += pool.skill_value(card);
        next.skill_max = std::max<u64>(p.skill_max, pool.skill_value(card));
        next.common_units &= pool.unit_mask(card);
        if (p.attr == 0xff) {
            next.attr = pool.attr(card);
        } else if (pool.attr(card) != p.attr) {
            next.mixed_attributes = true;
        }
        return next;
    }

    // Whether no deck holding the placed cards and `open` more cards from
    // list positions `from` on can be admitted and enter the list. Decks
    // that could only tie the worst kept deck count as unable: the keys
    // listed stay the same.
    bool cannot_enter(const Placed& p, usize from, usize open) const {
        const u64 largest = open == 0 ? p.skill_max : std::max(p.skill_max, skill_sums[from][1]);
        const u64 skill_x10 = 8 * largest + 2 * (p.skill_sum + skill_sums[from][open]);
        if (context.multi_live_score_up_lower_bound &&
            static_cast<double>(skill_x10) / 10.0 + 1e-6 <
                *context.multi_live_score_up_lower_bound) {
            return true;
        }
        if (!best.full()) return false;
        const u64 worst = best.last().score;
        if (context.target == Target::SKILL) return skill_x10 <= worst;
        const bool plain = !minimised() && p.plain_deck();
        const u64 cards =
            plain ? p.plain + plain_sums[from][open] : p.power + power_sums[from][open];
        i64 power = context.honor_power + static_cast<i64>(cards);
        power = std::max<i64>(power, 0);
        if (context.wl3_power_cap != 0) power = std::min<i64>(power, context.power_cap);
        const u64 key = static_cast<u64>(power);
        return minimised() ? key >= worst : key <= worst;
    }
};

void Walk::visit(usize depth, usize start, u32 characters, const Placed& placed) {
    ++stats.nodes;
    if (deadline.step()) stop = true;
    if (stop) return;
    // 1. A complete deck: evaluate and offer.
    if (depth == 5) {
        ++stats.evaluations;
        if (const auto key = evaluate_deck_key(pool, context, deck)) best.record({*key, deck});
        return;
    }
    // 2. The kind of this slot.
    const usize fixed_cards = context.fixed_cards.size();
    const usize fixed_characters = context.fixed_characters.size();
    const bool card_slot = depth < fixed_cards;
    const bool character_slot = !card_slot && depth < fixed_cards + fixed_characters;
    const bool fixed = card_slot || character_slot;
    const usize open = 5 - depth;
    // 3. Each admissible card at this slot. Free slots stop where no deck
    // from this position on can enter, and skip cards none of whose decks
    // can.
    for (usize i = fixed ? 0 : start; i < list.size(); ++i) {
        if (!fixed && cannot_enter(placed, i, open)) break;
        if (used[i]) continue;
        const u16 card = list[i];
        const u8 c = pool.character_id(card);
        const bool repeat = repeats_characters(context) ? holds_card_id(depth, pool.card_id(card))
                                                        : (characters & (1u << c)) != 0;
        if (card_slot) {
            if (repeat || pool.card_id(card) != context.fixed_cards[depth]) continue;
        } else if (character_slot) {
            if (c != context.fixed_characters[depth - fixed_cards]) continue;
        } else if (repeat) {
            continue;
        }
        const Placed next = with(placed, card);
        if (!fixed && cannot_enter(next, i + 1, open - 1)) continue;
        deck[depth] = card;
        used[i] = 1;
        visit(depth + 1, fixed ? start : i + 1, characters | (1u << c), next);
        used[i] = 0;
        if (stop) return;
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
    Walk walk{pool,  context, candidates, std::vector<u8>(candidates.size(), 0),
              {},    best,    stats,      deadline,
              false, {},      {},         {}};
    const bool distinct = !repeats_characters(context);
    walk.power_sums = suffix_sums(
        pool, candidates, [&](u16 card) { return walk.power_value(card); }, walk.minimised(),
        distinct);
    walk.plain_sums = suffix_sums(
        pool, candidates, [&](u16 card) { return u64{plain_power(pool, card)}; }, false, distinct);
    walk.skill_sums = suffix_sums(
        pool, candidates, [&](u16 card) { return u64{pool.skill_value(card)}; }, false, distinct);
    walk.visit(0, 0, 0, Placed{});
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
