// Why the bounds hold. A deck's power is the sum of its cards' powers in the
// deck's shape (what all five share: nothing, the attribute, a unit or
// several, with or without the attribute) plus the honor power, under the
// cap. A partial deck can end in only the shapes its cards allow, so their
// power is at most their largest sum over those shapes (several units
// counted at each card's better variant per unit); each later card adds at most its power
// column (its largest value in any shape), or its plain power once no unit
// and no attribute can be shared any more. Every resolved skill value is at most its card's skill
// value, so the five values sum to at most the cards' skill sum and none exceeds the largest.
// Only challenge lives come this road (the pool builder turns dominance pruning off for them
// alone), and the bounds are theirs: the five values play as they stand, with no multi live's
// leader sum or room power, and the event points follow the live score by the challenge formula.
// The skill part of the live score pairs the values with the weights, at most highest with highest
// (any other pairing sums to no more), and the leader's value once more with the leader's weight;
// at the weights' sizes (values are never negative, so a negative weight only lowers the sum) its
// largest value over five values of that sum and maximum puts the maximum on the highest weights
// in turn; a specific order's values meet the sums of the weights that name their places, paired
// the same way. Where the first slot leads, the leader's value is at most its card's skill value.
// The worst and average orders play the values at no more than their mean at every weight.
// The coefficients are rounded up and one point is added for the evaluator's
// floating-point rounding, so L below is never under a deck's live score, and the event points
// grow with the live score. For the bonus and mysekai targets the deck's event bonus is at most the
// cards' own bonuses plus what the deck adds beyond them (see `ExtraBonus`); the start-position
// sums of card bonuses below bound the first part. In the final chapter a deck is valued in
// the best order of slots 1 to 4 (see `arrange_final_deck`), which moves only its limited
// bonuses; the cards' own bonuses here hold every card's limited part, at least what any
// order counts, so they bound the best order's bonus too.
#include "search/kernels/bounded_search.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "common/check.h"
#include "common/numeric.h"
#include "search/bounds/least_above.h"
#include "search/bounds/skill_ceiling.h"
#include "search/evaluation/deck_evaluator.h"
#include "search/evaluation/deck_key.h"
#include "search/evaluation/final_deck_order.h"
#include "search/evaluation/top_decks.h"
#include "search/kernels/challenge_key_bound.h"

namespace vdz {
namespace {

using namespace challenge_key;

constexpr u8 ALL_UNITS = 0x3f;
constexpr u8 NO_ATTR = 0xff;

// Deck shapes by what all five cards share, which decides each card's power:
// nothing, the attribute, unit u, or unit u and the attribute; and, with or
// without the attribute, two units or more.
constexpr usize SHAPE_COUNT = 16;
constexpr usize PLAIN_SHAPE = 0;
constexpr usize ATTR_SHAPE = 1;
constexpr usize unit_shape(u32 u) {
    return 2 + u;
}
constexpr usize unit_attr_shape(u32 u) {
    return 8 + u;
}
constexpr usize UNITS_SHAPE = 14;
constexpr usize UNITS_ATTR_SHAPE = 15;

using ShapePowers = std::array<u32, SHAPE_COUNT>;

// A card's power in a deck of each shape: its best variant over its units
// with the bonus of the shared unit and of the shared attribute. (A unit
// shape of a unit the card lacks is never reached by a deck holding it.)
// Which units a deck of several shared units shares is not known, so there
// each unit counts its better variant, with or without the unit's bonus.
ShapePowers shape_powers(const CardPool& pool, u16 card) {
    const u8 units = pool.unit_mask(card);
    const u32 high = pool.unit_values_high(card);
    // `shared`: units the deck fills; `open`: units it may or may not fill.
    const auto best = [&](u32 shared, u32 open, u32 shared_attr) {
        u32 power = 0;
        for (u32 u = 0; u < 6; ++u) {
            if (!(units & (1u << u))) continue;
            const usize variant = 4 * ((high >> (16 + u)) & 1u) + shared_attr;
            if (!((shared >> u) & 1u)) power = std::max(power, pool.unit_value(card, variant));
            if (((shared | open) >> u) & 1u)
                power = std::max(power, pool.unit_value(card, variant + 2));
        }
        return power;
    };
    ShapePowers out;
    out[PLAIN_SHAPE] = best(0, 0, 0);
    out[ATTR_SHAPE] = best(0, 0, 1);
    for (u32 u = 0; u < 6; ++u) {
        out[unit_shape(u)] = best(1u << u, 0, 0);
        out[unit_attr_shape(u)] = best(1u << u, 0, 1);
    }
    out[UNITS_SHAPE] = best(0, ALL_UNITS, 0);
    out[UNITS_ATTR_SHAPE] = best(0, ALL_UNITS, 1);
    return out;
}

// Running sums of the cards in slots 0..depth-1; each child gets a new one.
struct PartialSums {
    ShapePowers power{};            // sums of the cards' powers in each shape
    u32 skill_sum = 0;              // sum of skill values
    u32 bonus_x10 = 0;              // sum of card event bonuses, tenths of a percent
    u8 max_skill = 0;               // largest skill value
    u8 common_units = ALL_UNITS;    // units every card belongs to
    u8 attr = NO_ATTR;              // the first card's attribute
    bool mixed_attributes = false;  // two cards of different attributes
    u8 lead_skill = 0;              // the first card's skill value, where it leads
    bool lead_known = false;
    u8 attrs_seen = 0;          // bit a: some card has attribute a
    bool first_placed = false;  // slot 0 holds a card
    u64 first_extra_x10 = 0;    // what slot 0's card adds as the deck's first card

    // No unit and no attribute can be shared by all five cards any more, so
    // every card of the deck counts its plain power.
    bool plain() const { return mixed_attributes && common_units == 0; }

    // The cards' power in the best shape a deck holding them can still take.
    u32 power_bound() const {
        u32 best = power[PLAIN_SHAPE];
        if (!mixed_attributes) best = std::max(best, power[ATTR_SHAPE]);
        for (u32 u = 0; u < 6; ++u) {
            if (!(common_units & (1u << u))) continue;
            best = std::max(best, power[unit_shape(u)]);
            if (!mixed_attributes) best = std::max(best, power[unit_attr_shape(u)]);
        }
        if ((common_units & (common_units - 1)) != 0) {  // two units or more
            best = std::max(best, power[UNITS_SHAPE]);
            if (!mixed_attributes) best = std::max(best, power[UNITS_ATTR_SHAPE]);
        }
        return best;
    }
};

std::vector<ShapePowers> all_shape_powers(const CardPool& pool) {
    std::vector<ShapePowers> out(pool.count());
    for (u16 i = 0; i < pool.count(); ++i)
        out[i] = shape_powers(pool, i);
    return out;
}

ParetoBoundTable plain_bound_table(const CardPool& pool, std::span<const u16> candidates) {
    std::vector<u32> powers;
    std::vector<u8> skills;
    for (const u16 c : candidates) {
        powers.push_back(shape_powers(pool, c)[PLAIN_SHAPE]);
        skills.push_back(pool.skill_value(c));
    }
    return build_pareto_bound_table(powers, skills);
}

// The shape a deck takes when all five cards share `shared` units and, with
// `same`, one attribute.
usize deck_shape(u32 shared, bool same) {
    if (shared == 0) return same ? ATTR_SHAPE : PLAIN_SHAPE;
    if ((shared & (shared - 1)) != 0) return same ? UNITS_ATTR_SHAPE : UNITS_SHAPE;
    const u32 u = static_cast<u32>(__builtin_ctz(shared));
    return same ? unit_attr_shape(u) : unit_shape(u);
}

// Per unit mask the candidates carry, and per candidate position, the best
// any candidate of that mask from there on brings as a deck's last card: its
// power in each shape, its bonus, and its skill ceiling in a deck of at most
// d distinct units. Four placed cards and the last card's mask fix the
// deck's shared units, each unit's cards and its distinct units.
struct LastCardMasks {
    struct Best {
        bool any = false;
        ShapePowers power{};
        u32 bonus_x10 = 0;
        std::array<u8, 6> skill{};
    };
    std::vector<u8> masks;
    std::vector<std::vector<Best>> rows;  // per mask, per position 0..n
};

LastCardMasks last_card_masks(const CardPool& pool, std::span<const u16> candidates,
                              const std::vector<ShapePowers>& card_powers,
                              const SkillCeilings& ceilings) {
    LastCardMasks t;
    for (const u16 c : candidates) {
        const u8 mask = pool.unit_mask(c) & ALL_UNITS;
        if (std::find(t.masks.begin(), t.masks.end(), mask) == t.masks.end())
            t.masks.push_back(mask);
    }
    const usize n = candidates.size();
    t.rows.assign(t.masks.size(), std::vector<LastCardMasks::Best>(n + 1));
    for (usize k = 0; k < t.masks.size(); ++k) {
        for (usize i = n; i-- > 0;) {
            LastCardMasks::Best& b = t.rows[k][i];
            b = t.rows[k][i + 1];
            const u16 c = candidates[i];
            if ((pool.unit_mask(c) & ALL_UNITS) != t.masks[k]) continue;
            b.any = true;
            for (usize shape = 0; shape < SHAPE_COUNT; ++shape)
                b.power[shape] = std::max(b.power[shape], card_powers[c][shape]);
            b.bonus_x10 = std::max<u32>(b.bonus_x10, pool.event_bonus(c).total_x10());
            for (u32 d = 1; d < b.skill.size(); ++d)
                b.skill[d] = std::max(b.skill[d],
                                      std::min(pool.skill_value(c), ceilings.within_units(c, d)));
        }
    }
    return t;
}

// What a deck's event bonus holds beyond its cards' own bonuses, in tenths of
// a percent, as the evaluator adds it: in the final chapter the leader bonus
// of the card in slot 0; in World Bloom events the support entries of the
// list slot 0's card selects, and the bonus of the deck's number of
// attributes. Once slot 0 is placed, its leader bonus is known and its
// support is at most the `count` largest entries of its list (the deck takes
// `count` entries of that list, skipping its own cards); before, the largest
// of these over the pool bounds it. Attributes are only ever added, so a
// deck with `k` attributes and `r` cards to place ends with k to k + r of
// them (at least one, at most five).
struct ExtraBonus {
    std::vector<u64> first_x10;  // per pool card: what it adds in slot 0
    u64 open_first_x10 = 0;      // the largest of `first_x10`
    // [attributes seen][cards still to place]: the largest attribute bonus
    // the deck can still end with.
    std::array<std::array<u32, 6>, 6> attrs_x10{};

    u64 at_most(bool first_placed, u64 first_x10_placed, u8 attrs_seen, usize free) const {
        const u64 first = first_placed ? first_x10_placed : open_first_x10;
        return first + attrs_x10[std::min<u32>(bit_count(attrs_seen), 5)][free];
    }
};

// The `count` largest values of a support list, summed in tenths and
// rounded up: no `count` of its entries sum to more. Beyond 2^40 tenths
// every key that reads the bonus saturates, so the bound stops there and
// sums of it cannot wrap.
u64 support_bound_x10(const SupportDeckList& list) {
    std::vector<double> values;
    for (const SupportEntry& e : list.entries)
        values.push_back(e.value);
    const usize n = std::min<usize>(values.size(), list.count);
    std::partial_sort(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(n), values.end(),
                      std::greater<>());
    double sum = 0.0;
    for (usize i = 0; i < n; ++i)
        sum += std::max(values[i], 0.0);
    constexpr u64 CAP = u64{1} << 40;
    const double tenths = std::ceil(sum * 10.0);
    return tenths < static_cast<double>(CAP) ? static_cast<u64>(tenths) : CAP;  // NaN: the cap
}

ExtraBonus extra_bonus(const CardPool& pool, const SearchContext& context) {
    ExtraBonus out;
    out.first_x10.assign(pool.count(), 0);
    std::vector<u64> list_bound;  // per character id; general list last
    if (context.world_bloom) {
        for (const SupportDeckList& list : context.world_bloom_support.per_character)
            list_bound.push_back(support_bound_x10(list));
        list_bound.push_back(support_bound_x10(context.world_bloom_support.general));
    }
    for (u16 i = 0; i < pool.count(); ++i) {
        u64 first = 0;
        if (context.final_chapter) {
            const auto at = [i](const std::vector<u16>& v) -> u32 {
                return i < v.size() ? v[i] : 0;
            };
            first += 10 * (at(context.leader_honor_bonus) + at(context.leader_limit_bonus));
        }
        if (context.world_bloom) {
            // The list `deck_support_list` gives a deck led by this card.
            const u8 character = pool.character_id(i);
            const auto& per_character = context.world_bloom_support.per_character;
            const bool own = context.final_chapter && character < per_character.size() &&
                             per_character[character].count != 0;
            first += own ? list_bound[character] : list_bound.back();
        }
        out.first_x10[i] = first;
        out.open_first_x10 = std::max(out.open_first_x10, first);
    }
    if (context.world_bloom) {
        for (u32 k = 0; k <= 5; ++k)
            for (u32 r = 0; r <= 5; ++r)
                for (u32 d = std::max<u32>(k, 1); d <= std::min<u32>(k + r, 5); ++d)
                    out.attrs_x10[k][r] =
                        std::max<u32>(out.attrs_x10[k][r], 10u * context.distinct_attr_bonus[d]);
    }
    return out;
}

// Sum of the r largest card bonuses among candidates[s..n), r = 0..5.
std::vector<std::array<u32, 6>> bonus_top_sums(const CardPool& pool,
                                               std::span<const u16> candidates) {
    const usize n = candidates.size();
    std::vector<std::array<u32, 6>> sums(n + 1);
    std::array<u32, 5> top{};  // descending
    for (usize s = n; s-- > 0;) {
        u32 x = pool.event_bonus(candidates[s]).total_x10();
        for (u32& t : top)
            if (x > t) std::swap(x, t);
        for (usize r = 1; r <= 5; ++r)
            sums[s][r] = sums[s][r - 1] + top[r - 1];
    }
    return sums;
}

// Per start position and number of cards, the largest power sum, skill
// sum and skill value of the choices a table's list holds.
struct ListMaxima {
    bool any = false;  // the list holds a choice
    u32 power = 0, skill = 0;
    u8 top = 0;
};
using TableMaxima = std::vector<std::array<ListMaxima, 6>>;

TableMaxima table_maxima(const ParetoBoundTable& table) {
    TableMaxima out(table.rows.size());
    for (usize i = 0; i < table.rows.size(); ++i)
        for (usize r = 0; r < 6; ++r)
            for (const BoundTriple& t : table.rows[i][r]) {
                ListMaxima& m = out[i][r];
                m.any = true;
                m.power = std::max(m.power, t.power_sum);
                m.skill = std::max(m.skill, t.skill_sum);
                m.top = static_cast<u8>(std::max<u16>(m.top, t.max_skill));
            }
    return out;
}

// One search's state; lives for one call.
struct BoundedSearch {
    const CardPool& pool;
    const SearchContext& context;
    std::span<const u16> candidates;
    const ParetoBoundTable& table;
    ParetoBoundTable plain_table;          // the same over plain powers
    std::vector<ShapePowers> card_powers;  // by pool index
    BoundModel model;
    ExtraBonus extra;
    std::vector<std::array<u32, 6>> bonus_sums;
    DfsTopDecks best;
    Deadline& deadline;
    DeckSlots deck{};
    SearchStats stats;
    bool stop = false;  // the deadline has passed; never cleared
    // What each candidate's skill can resolve to, given a deck's cards.
    std::optional<SkillCeilings> ceilings;
    LastCardMasks last_masks;
    TableMaxima maxima, plain_maxima;  // of `table` and `plain_table`

    // Counts one step; true once the deadline has passed.
    bool count_step() {
        ++stats.nodes;
        if (deadline.step()) stop = true;
        return stop;
    }

    // Whether some entry of list [s][r] gives a deck with sums `p` a bound
    // key above `worst`: of plain powers once the deck can no longer share a
    // unit or attribute. The deck's first 5 - r slots hold its cards, the
    // others the entry's, each of a skill value at most the entry's largest.
    bool list_beats(usize s, usize r, const PartialSums& p, u64 worst) const {
        const u64 bonus = u64{p.bonus_x10} + bonus_sums[s][r] + extra_x10(p, r);
        const bool plain = p.plain();
        const u32 power = plain ? p.power[PLAIN_SHAPE] : p.power_bound();
        std::array<u8, 5> slots{};
        for (usize k = 0; k + r < 5; ++k)
            slots[k] = pool.skill_value(deck[k]);
        const bool fill_by_sum = model.leader_place && model.first_slot_leads;
        for (const BoundTriple& t : (plain ? plain_table : table).rows[s][r]) {
            const u8 best_skill = static_cast<u8>(std::max<u16>(p.max_skill, t.max_skill));
            const u8 lead = p.lead_known ? p.lead_skill : best_skill;
            const u32 power_sum = power + t.power_sum;
            const u32 skill_sum = p.skill_sum + t.skill_sum;
            // The slot-by-slot term costs more: asked only where the sums
            // alone leave the entry above the worst kept key, except where
            // the first slot leads under a specific order (they seldom do
            // there); under the best order it cuts too few entries here to
            // pay for itself, and is left to the last cards and decks.
            if (!fill_by_sum) {
                if (bound_key(model, power_sum, skill_sum, best_skill, lead, bonus) <= worst)
                    continue;
                if (!model.leader_place && !model.spread_order) return true;
            }
            // Where the first slot leads under a specific order, the slots
            // after it are paired largest first, so any values of at most
            // the entry's largest and summing to the entry's sum pair to no
            // more than the largest first in turn (slot 0's, at depth 0, at
            // the largest; the others then sum to less).
            u32 left = fill_by_sum ? t.skill_sum : 5 * u32{t.max_skill};
            for (usize k = 5 - r; k < 5; ++k) {
                slots[k] = k == 0 ? t.max_skill : static_cast<u8>(std::min<u32>(t.max_skill, left));
                if (k != 0) left -= slots[k];
            }
            if (bound_key(model, power_sum, skill_sum, best_skill, lead, bonus,
                          slot_places_multiplier_e6(model, slots)) > worst) {
                return true;
            }
        }
        return false;
    }

    u64 worst_kept() const { return best.full() ? best.worst_score() : 0; }

    // The complete deck in `deck` as it is valued, kept and listed: in the
    // final chapter in its best order, the one whose limited bonuses count.
    DeckSlots listed_deck() const {
        DeckSlots slots = deck;
        if (context.final_chapter) arrange_final_deck(pool, context, slots);
        return slots;
    }

    // Whether the four cards in `deck`, whose sums are `p`, and a last card
    // from candidate position `row` on may key above `worst`: per unit mask
    // of such a card, the deck's shape powers (in each attribute case the
    // cards leave open), each placed card's skill at its ceiling for the
    // deck's units and the mask's best from there on (see `LastCardMasks`).
    bool last_card_beats(usize row, const PartialSums& p, u64 worst) const {
        u32 placed_units = 0;
        std::array<u16, 5> ids{};
        for (usize s = 0; s < 4; ++s) {
            placed_units |= pool.unit_mask(deck[s]) & ALL_UNITS;
            ids[s] = pool.card_id(deck[s]);
        }
        const u64 bonus = u64{p.bonus_x10} + extra_x10(p, 1);
        for (usize k = 0; k < last_masks.masks.size(); ++k) {
            const LastCardMasks::Best& b = last_masks.rows[k][row];
            if (!b.any) continue;
            const u8 mask = last_masks.masks[k];
            const u32 shared = p.common_units & mask;
            const u32 distinct = static_cast<u32>(std::popcount(placed_units | mask));
            std::array<u8, 4> ceiling{};
            ceilings->of_placed_and_last({deck.data(), 4}, mask, ceiling);
            std::array<u8, 5> slots{};
            slots[4] = b.skill[std::min<usize>(distinct, b.skill.size() - 1)];
            for (usize s = 0; s < 4; ++s)
                slots[s] = std::min(ceiling[s], pool.skill_value(deck[s]));
            u32 sum = 0;
            u8 top = 0;
            for (const u8 v : slots) {
                sum += v;
                top = std::max(top, v);
            }
            const u8 lead = p.lead_known ? std::min(p.lead_skill, slots[0]) : top;
            u32 power = 0;
            for (const bool same : {false, true}) {
                if (same && p.mixed_attributes) continue;
                const usize shape = deck_shape(shared, same);
                power = std::max(power, p.power[shape] + b.power[shape]);
            }
            if (bound_key(model, power, sum, top, lead, bonus + b.bonus_x10,
                          id_places_multiplier_e6(model, slots, ids, true)) > worst) {
                return true;
            }
        }
        return false;
    }

    // Debug builds: every last card after a cut four-card deck makes a deck
    // that cannot beat the worst kept key.
    void check_last_cards([[maybe_unused]] usize row, [[maybe_unused]] u64 worst) {
#if !defined(NDEBUG) || defined(VDZ_CHECKS)
        for (usize i = row; i < candidates.size(); ++i) {
            bool repeat = false;
            for (usize s = 0; s < 4; ++s)
                repeat |= pool.card_id(deck[s]) == pool.card_id(candidates[i]);
            if (repeat) continue;
            check_below_floor(4, candidates[i], worst);
        }
#endif
    }

    // Whether the complete deck in `deck`, whose sums are `p`, may key
    // above `worst`: its power and bonus as the list bounds read them, each
    // skill value at most its ceiling for the deck's own units, the least
    // of it and the card's skill value (the leader's too, where the first
    // slot leads); under the bonus target, the deck's own bonus.
    bool deck_beats(const PartialSums& p, u64 worst) const {
        std::array<u8, 5> ceiling{};
        ceilings->of_placed(deck, 0, ceiling);
        std::array<u16, 5> ids{};
        u32 sum = 0;
        u8 top = 0;
        for (usize s = 0; s < 5; ++s) {
            ids[s] = pool.card_id(deck[s]);
            ceiling[s] = std::min(ceiling[s], pool.skill_value(deck[s]));
            sum += ceiling[s];
            top = std::max(top, ceiling[s]);
        }
        const u8 lead = p.lead_known ? std::min(p.lead_skill, ceiling[0]) : top;
        const u32 power = p.plain() ? p.power[PLAIN_SHAPE] : p.power_bound();
        const u64 bonus = u64{p.bonus_x10} + extra_x10(p, 0);
        const u64 bound = bound_key(model, power, sum, top, lead, bonus,
                                    id_places_multiplier_e6(model, ceiling, ids, false));
        if (bound <= worst || model.target != Target::BONUS) return bound > worst;
        // Under the bonus target the key's upper half is the deck's own
        // half-percent steps, which the evaluator reads from its cards
        // alone, while the bound took its support at the list's largest
        // entries, which the deck's own cards may hold. The lower half still
        // bounds the live score, so the deck's steps over that half bound
        // its key.
        const u64 steps = half_percent_steps(deck_event_bonus(pool, context, listed_deck()));
        return ((steps << 32) | (bound & UINT32_MAX)) > worst;
    }

    // The bonus beyond the cards' own of a deck through `p` with `free`
    // cards still to place.
    u64 extra_x10(const PartialSums& p, usize free) const {
        return extra.at_most(p.first_placed, p.first_extra_x10, p.attrs_seen, free);
    }

    // The least event bonus, in tenths, a child from `start` on needs for a
    // deck through it to key above `worst`: the child and the rest of the
    // deck, `free` cards from `start` on, have at most the largest power,
    // skill sum and skill value of the row's choices, and the rest at most
    // the largest bonuses from there; the key grows with the bonus. Halving
    // stops within 1/256 of the largest bonus, below the least.
    u32 child_bonus_floor(usize start, usize free, const PartialSums& p, u64 worst) const {
        const bool plain = p.plain();
        const auto& row = (plain ? plain_table : table).rows[start][free];
        if (row.empty()) return UINT32_MAX;
        u32 power = 0, skill = 0;
        u8 top = p.max_skill;
        for (const BoundTriple& t : row) {
            power = std::max(power, t.power_sum);
            skill = std::max(skill, t.skill_sum);
            top = static_cast<u8>(std::max<u16>(top, t.max_skill));
        }
        power += plain ? p.power[PLAIN_SHAPE] : p.power_bound();
        const u8 lead = p.lead_known ? p.lead_skill : top;
        const u64 rest = u64{p.bonus_x10} + bonus_sums[start][free - 1] + extra_x10(p, free);
        const auto above = [&](u32 b) {
            return bound_key(model, power, p.skill_sum + skill, top, lead, rest + b) > worst;
        };
        return static_cast<u32>(least_above(bonus_sums[start][1], above));
    }

    // The least skill value a child from `start` on needs for a deck
    // through it to key above `worst`, as `child_bonus_floor` finds its
    // bonus: the child and the rest, `free` cards from `start` on, have at
    // most the largest power sum of the row's choices, the rest at most the
    // largest skill sum and skill value of the choices of `free - 1` cards
    // from `start + 1` on, and the deck at most the largest bonuses from
    // `start` on. The key grows with the child's skill value, which enters
    // the skill sum, the largest value and, where the first slot leads and
    // the child takes it, the leader's value. `least` is a floor found
    // before from an earlier start, which this one cannot be below.
    u32 child_skill_floor(usize depth, usize start, usize free, const PartialSums& p, u64 worst,
                          u32 least) const {
        const bool plain = p.plain();
        const TableMaxima& lists = plain ? plain_maxima : maxima;
        if (!lists[start][free].any) return UINT32_MAX;
        const u32 power =
            lists[start][free].power + (plain ? p.power[PLAIN_SHAPE] : p.power_bound());
        const u32 rest_skill = lists[start + 1][free - 1].skill;
        const u8 rest_top = lists[start + 1][free - 1].top;
        const u64 bonus = u64{p.bonus_x10} + bonus_sums[start][free] + extra_x10(p, free);
        const bool child_leads = depth == 0 && model.first_slot_leads;
        const auto above = [&](u64 v) {
            const u8 skill = static_cast<u8>(v);
            const u8 top = std::max({p.max_skill, skill, rest_top});
            const u8 lead = child_leads ? skill : p.lead_known ? p.lead_skill : top;
            return bound_key(model, power, p.skill_sum + skill + rest_skill, top, lead, bonus) >
                   worst;
        };
        if (least > UINT8_MAX || above(least)) return least;
        if (!above(UINT8_MAX)) return UINT8_MAX + 1;
        u32 low = least + 1, high = UINT8_MAX;
        while (low < high) {
            const u32 mid = low + (high - low) / 2;
            if (above(mid)) {
                high = mid;
            } else {
                low = mid + 1;
            }
        }
        return low;
    }

    // Debug builds: a last card below the bonus floor makes a deck that
    // cannot beat the worst kept key.
    void check_below_floor([[maybe_unused]] usize depth, [[maybe_unused]] u16 card,
                           [[maybe_unused]] u64 worst) {
#if !defined(NDEBUG) || defined(VDZ_CHECKS)
        if (depth != 4) return;
        deck[depth] = card;
        const auto key = evaluate_deck_key(pool, context, listed_deck());
        VDZ_ASSERT(!key || *key <= worst);
#endif
    }

    void visit(usize depth, usize start, const PartialSums& sums);
};

void BoundedSearch::visit(usize depth, usize start, const PartialSums& sums) {
    const usize n = candidates.size();
    if (count_step()) return;
    // 1. Leaf: a key must beat the worst kept one to be offered.
    if (depth == 5) {
        ++stats.evaluations;
        const DeckSlots listed = listed_deck();
        const auto key = evaluate_deck_key(pool, context, listed);
        // Every bound is the largest of these leaf bounds over the choices
        // it covers, so this one must hold for the deck itself.
        VDZ_ASSERT(!key || *key == 0 || list_beats(n, 0, sums, *key - 1));
        if (key && *key > worst_kept()) best.push({*key, listed});
        return;
    }
    // 2. The node's threshold, read once; 0 means no bound anywhere here.
    const u64 worst = worst_kept();
    if (worst != 0 && !list_beats(start, 5 - depth, sums, worst)) return;
    const u32 bonus_floor = worst != 0 ? child_bonus_floor(start, 5 - depth, sums, worst) : 0;
    // The skill floor only rises along the candidates: asked again every
    // few children, from the list of the child's own position on. It cuts
    // where a deck's last cards must make up for its skill, so only there
    // it is asked; and not under the bonus target, whose key the bonus
    // decides first: there the floor seldom rises above the children's
    // skills and its halving costs more than the few children it skips.
    constexpr usize FLOOR_EVERY = 8;
    constexpr usize SIBLING_EVERY = 4;
    usize failed = 0;
    const bool skill_floors = worst != 0 && depth >= 3 && model.target != Target::BONUS;
    u32 skill_floor = skill_floors ? child_skill_floor(depth, start, 5 - depth, sums, worst, 0) : 0;
    usize floor_from = start;
    // 3-4. The candidates from `start` on.
    for (usize i = start; i < n; ++i) {
        const u16 c = candidates[i];
        const u16 id = pool.card_id(c);
        bool repeat = false;
        for (usize s = 0; s < depth; ++s)
            repeat |= pool.card_id(deck[s]) == id;
        if (repeat) continue;
        if (n - (i + 1) < 4 - depth) return;
        if (skill_floors && i >= floor_from + FLOOR_EVERY) {
            skill_floor = child_skill_floor(depth, i, 5 - depth, sums, worst, skill_floor);
            floor_from = i;
        }
        if (depth < context.fixed_cards.size() && id != context.fixed_cards[depth]) continue;
        if (pool.event_bonus(c).total_x10() < bonus_floor || pool.skill_value(c) < skill_floor) {
            check_below_floor(depth, c, worst);
            if (depth == 3) {
                deck[depth] = c;
                check_last_cards(i + 1, worst);
            }
            continue;
        }
        PartialSums child = sums;
        for (usize k = 0; k < SHAPE_COUNT; ++k)
            child.power[k] += card_powers[c][k];
        child.skill_sum += pool.skill_value(c);
        child.common_units &= pool.unit_mask(c);
        if (child.attr == NO_ATTR) {
            child.attr = pool.attr(c);
        } else if (child.attr != pool.attr(c)) {
            child.mixed_attributes = true;
        }
        child.bonus_x10 += pool.event_bonus(c).total_x10();
        child.attrs_seen |= static_cast<u8>(1u << (pool.attr(c) & 7u));
        if (depth == 0) {
            child.first_placed = true;
            child.first_extra_x10 = extra.first_x10[c];
        }
        child.max_skill = std::max(child.max_skill, pool.skill_value(c));
        if (depth == 0 && model.first_slot_leads) {
            child.lead_known = true;
            child.lead_skill = pool.skill_value(c);
        }
        deck[depth] = c;
        if (worst != 0) {
            if (count_step()) return;
            if (!list_beats(i + 1, 4 - depth, child, worst)) {
                // List [i + 1][5 - depth] holds every choice of this slot's
                // card and the rest among the later candidates: when no
                // entry beats the worst kept deck, no later child can. It
                // is longer than a child's list and, past the first failing
                // child, mostly passes, so after that it is asked at every
                // few failing children only: the children in between fail
                // their own tests where it would have failed.
                ++failed;
                if (failed != 1 && failed % SIBLING_EVERY != 0) continue;
                if (count_step()) return;
                if (!list_beats(i + 1, 5 - depth, sums, worst)) return;
                continue;
            }
            if (depth == 3) {
                deck[depth] = c;
                if (!last_card_beats(i + 1, child, worst)) {
                    check_last_cards(i + 1, worst);
                    continue;
                }
            }
            if (depth == 4) {
                deck[depth] = c;
                if (!deck_beats(child, worst)) {
                    check_below_floor(depth, c, worst);
                    continue;
                }
            }
        }
        deck[depth] = c;
        visit(depth + 1, i + 1, child);
        if (stop) return;
    }
}

}  // namespace

SearchResult search_bounded(const CardPool& pool, const SearchContext& context,
                            const SuffixTables& suffix, std::span<const u16> candidates,
                            const ParetoBoundTable& table, u64 limit, Deadline& deadline) {
    VDZ_ASSERT(context.live_type == LiveType::CHALLENGE ||
               context.live_type == LiveType::CHALLENGE_AUTO);
    BoundedSearch search{pool,
                         context,
                         candidates,
                         table,
                         plain_bound_table(pool, candidates),
                         all_shape_powers(pool),
                         bound_model(context, suffix),
                         extra_bonus(pool, context),
                         bonus_top_sums(pool, candidates),
                         DfsTopDecks(limit, pool_card_ids(pool)),
                         deadline,
                         {},
                         {},
                         false,
                         std::nullopt,
                         {},
                         {},
                         {}};
    search.ceilings.emplace(pool, context, candidates, true);
    search.last_masks = last_card_masks(pool, candidates, search.card_powers, *search.ceilings);
    search.maxima = table_maxima(table);
    search.plain_maxima = table_maxima(search.plain_table);
    if (candidates.size() >= 5) search.visit(0, 0, {});
    SearchResult result;
    result.decks = std::move(search.best).take_entries();
    result.stats = search.stats;
    result.stats.clock_reads = deadline.clock_reads();
    result.stats.timed_out = deadline.expired();
    return result;
}

}  // namespace vdz
