// Deck evaluation in the order the game computes it: counts, power, event
// bonus, base skill values, then once per choice of reference skills the
// resolution, leader, multi live score up, live score, event points and key.
// The best choice's values are kept; ties keep the first choice met.
#include "search/evaluation/deck_evaluator.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "common/check.h"
#include "common/numeric.h"
#include "common/sort_network.h"
#include "search/evaluation/deck_key.h"

namespace vdz {
namespace {

// One slot's skill as a skill choice sees it.
struct SlotSkill {
    double value = 0.0;
    double rate = 0.0;  // percent of the other cards' values taken
    double cap = 0.0;   // largest share taken from one card
    bool is_reference = false;
};

// One slot's skill before the choice: a fixed record, or a reference skill
// that the choice may switch on.
struct BaseSkill {
    SlotSkill fixed;
    bool choosable = false;
    double plain = 0.0;
    SlotSkill special;  // the record when a choosable skill is switched on
};

bool mysekai_mode(const SearchContext& c) {
    return c.live_type == LiveType::MYSEKAI || c.target == Target::MYSEKAI;
}

bool is_multi_live(LiveType t) {
    return t == LiveType::MULTI || t == LiveType::CHEERFUL;
}

template <class T>
T entry_or_zero(const std::vector<T>& v, u16 card) {
    return card < v.size() ? v[card] : T{};
}

// How a deck's five cards fall into units and attributes, as the power and
// the skills read it: bit masks rather than counts, which only unit-count
// skills need (`unit_cards`).
struct DeckMasks {
    std::array<u8, 5> units{};  // each slot's unit mask
    u32 all_units = 0;          // units every card counts for
    u32 any_unit = 0;           // units some card counts for
    u32 distinct_attrs = 0;     // 1..5
    bool same_attr = false;

    u8 unit_cards(usize u) const {
        u8 n = 0;
        for (const u8 m : units)
            n += (m >> u) & 1u;
        return n;
    }
};

DeckMasks deck_masks(const CardPool& pool, const DeckSlots& slots) {
    DeckMasks m;
    m.all_units = 0x3F;
    u32 attrs_seen = 0;  // bit a: attribute a occurs
    for (usize s = 0; s < 5; ++s) {
        const u8 units = pool.unit_mask(slots[s]);
        m.units[s] = units;
        m.all_units &= units;
        m.any_unit |= units;
        attrs_seen |= 1u << (pool.attr(slots[s]) & 7u);
    }
    m.distinct_attrs = bit_count(attrs_seen);
    m.same_attr = m.distinct_attrs == 1;
    return m;
}

// The card's value in the deck: the largest of its units' variants.
u32 in_deck_power(const CardPool& pool, u16 card, const DeckMasks& m) {
    return shape_power(pool, card, m.all_units, m.same_attr);
}

// Deck event bonus in percent; with REPORT, fills each slot's own bonus.
template <bool REPORT>
double event_bonus(const CardPool& pool, const SearchContext& c, const DeckSlots& slots,
                   u32 distinct_attrs, std::array<double, 5>& card_bonus) {
    double bonus = 0.0;
    if (!c.final_chapter) {
        u32 total = 0;
        for (usize s = 0; s < 5; ++s) {
            const u16 x10 = pool.event_bonus(slots[s]).total_x10();
            total += x10;
            if constexpr (REPORT) card_bonus[s] = 0.1 * x10;
        }
        bonus = 0.1 * total;
    } else {
        // Only the first `limited_bonus_count` limited bonuses, in slot order.
        u64 counted = 0;
        for (usize s = 0; s < 5; ++s) {
            const u16 total = pool.event_bonus(slots[s]).total_x10();
            const u16 limited = pool.limited_x10(slots[s]);
            VDZ_ASSERT(limited <= total);
            const u16 base = total >= limited ? total - limited : 0;
            bonus += 0.1 * base;
            if (limited != 0 && counted < c.limited_bonus_count) {
                bonus += 0.1 * limited;
                ++counted;
            }
            if constexpr (REPORT) card_bonus[s] = 0.1 * total;
            if (s == 0) {
                const double leader = entry_or_zero(c.leader_honor_bonus, slots[0]) +
                                      entry_or_zero(c.leader_limit_bonus, slots[0]);
                bonus += leader;
                if constexpr (REPORT) card_bonus[0] += leader;
            }
        }
    }
    if (c.world_bloom) {
        VDZ_ASSERT(distinct_attrs < c.distinct_attr_bonus.size());
        bonus += c.distinct_attr_bonus[std::min<usize>(distinct_attrs, 5)];
        double support = 0.0;
        for_each_taken_support(pool, c, slots, [&](const SupportEntry& e) { support += e.value; });
        bonus += support;
    }
    return bonus;
}

// The skill of one card before any choice between plain and special.
BaseSkill base_skill(const CardPool& pool, const SearchContext& c, u16 card,
                     const DeckMasks& masks) {
    BaseSkill out;
    const u8 kind = pool.skill_kind(card);
    const u8 code = pool.skill_code(card);
    // Side-table codes are 1-based; code 0 names no entry.
    const auto entry = [&](const auto& table) -> const auto* {
        return code != 0 && code <= table.size() ? &table[code - 1u] : nullptr;
    };
    const bool special_applies = c.keep_after_training_state
                                     ? entry_or_zero(c.skill_is_after_training, card) &&
                                           !entry_or_zero(c.trained_to_special_image, card)
                                     : true;
    switch (kind) {
        case CardPool::SKILL_PLAIN:
            out.fixed.value = code;
            break;
        case CardPool::SKILL_UNIT_COUNT: {
            const auto* e = entry(pool.unit_count_table());
            if (e == nullptr || (*e)[0] > 5) break;
            const u8 n = std::clamp<u8>(masks.unit_cards((*e)[0]), 1, 5);
            out.fixed.value = (*e)[n];
            break;
        }
        case CardPool::SKILL_DIFF: {
            const auto* e = entry(pool.diff_table());
            if (e == nullptr) break;
            const double plain = pool.skill_secondary(card);
            const int distinct_units = static_cast<int>(bit_count(masks.any_unit));
            const int steps = std::min(std::max(distinct_units - 1, 0), 2);
            const double special = std::min((*e)[0] + (*e)[1] * steps, int{pool.skill_value(card)});
            out.fixed.value = c.keep_after_training_state ? (special_applies ? special : plain)
                                                          : std::max(plain, special);
            break;
        }
        case CardPool::SKILL_REF_KIND: {
            const double plain = pool.skill_secondary(card);
            out.fixed.value = plain;
            const auto* e = entry(pool.ref_table());
            if (e == nullptr || (*e)[0] == 0 || (*e)[1] == 0) break;
            const SlotSkill special{plain + (*e)[1], double((*e)[0]), double((*e)[1]), true};
            if (c.keep_after_training_state) {
                if (special_applies) out.fixed = special;
            } else if (!mysekai_mode(c)) {
                out.choosable = true;
                out.plain = plain;
                out.special = special;
            }
            break;
        }
        default:
            break;
    }
    return out;
}

// A reference skill's share of the four other cards' unresolved values.
double reference_share(const std::array<SlotSkill, 5>& skills, usize self,
                       SkillReferenceChooseStrategy strategy) {
    const SlotSkill& me = skills[self];
    double shares[4];
    usize n = 0;
    for (usize j = 0; j < 5; ++j) {
        if (j == self) continue;
        shares[n++] = std::min(std::floor(skills[j].value * me.rate / 100.0), me.cap);
    }
    switch (strategy) {
        case SkillReferenceChooseStrategy::MAX:
            return std::max({0.0, shares[0], shares[1], shares[2], shares[3]});
        case SkillReferenceChooseStrategy::MIN:
            return std::min({shares[0], shares[1], shares[2], shares[3]});
        case SkillReferenceChooseStrategy::AVERAGE:
            break;
    }
    return (shares[0] + shares[1] + shares[2] + shares[3]) / 4.0;
}

// Slot positions, leader first.
// `whole_values`: every value is a whole number from 0 to 255 (no reference
// skill was resolved).
std::array<u8, 5> leader_order(const CardPool& pool, const SearchContext& c, const DeckSlots& slots,
                               const std::array<double, 5>& values, bool whole_values) {
    std::array<u8, 5> order = {0, 1, 2, 3, 4};
    if (first_slot_leads(c)) {
        // The first slot leads; the others follow by card id (stable).
        for (usize i = 2; i < 5; ++i) {
            const u8 x = order[i];
            usize j = i;
            for (; j > 1 && pool.card_id(slots[order[j - 1]]) > pool.card_id(slots[x]); --j)
                order[j] = order[j - 1];
            order[j] = x;
        }
        return order;
    }
    usize leader = 0;
    if (whole_values) {
        // Values of one byte: the largest (value, smaller card id, earlier
        // slot) packed in one integer, found without branches.
        u64 best = 0;
        for (usize s = 0; s < 5; ++s) {
            const u64 packed = (static_cast<u64>(values[s]) << 24) |
                               (u64{0xFFFFu - pool.card_id(slots[s])} << 8) | (7 - s);
            best = std::max(best, packed);
        }
        leader = 7 - (best & 0xFF);
    } else {
        for (usize s = 1; s < 5; ++s) {
            if (values[s] > values[leader] ||
                (values[s] == values[leader] &&
                 pool.card_id(slots[s]) < pool.card_id(slots[leader]))) {
                leader = s;
            }
        }
    }
    std::swap(order[0], order[leader]);
    return order;
}

// Sum of activation value x weight / 100 over the five skill activations,
// paired by the skill order strategy.
double skill_term(const SearchContext& c, const std::array<double, 5>& activations,
                  const std::array<double, 6>& weights) {
    std::array<double, 5> a = activations;
    std::array<double, 5> w = {weights[0], weights[1], weights[2], weights[3], weights[4]};
    switch (c.skill_order_choose_strategy) {
        case SkillOrderChooseStrategy::BEST:
            sort_by_network(a);
            sort_by_network(w);
            break;
        case SkillOrderChooseStrategy::WORST:
            sort_by_network(a);
            std::reverse(a.begin(), a.end());
            sort_by_network(w);
            break;
        case SkillOrderChooseStrategy::AVERAGE: {
            const double mean = (a[0] + a[1] + a[2] + a[3] + a[4]) / 5.0;
            a.fill(mean);
            break;
        }
        case SkillOrderChooseStrategy::SPECIFIC:
            if (c.specific_skill_order) {
                for (usize i = 0; i < 5; ++i) {
                    const u64 index = (*c.specific_skill_order)[i];
                    VDZ_ASSERT(index < 5);
                    a[i] = activations[std::min<u64>(index, 4)];
                }
            }
            break;
    }
    double sum = 0.0;
    for (usize i = 0; i < 5; ++i)
        sum += a[i] * w[i] / 100.0;
    return sum;
}

usize skill_score_row(LiveType t) {
    switch (t) {
        case LiveType::AUTO:
        case LiveType::CHALLENGE_AUTO:
            return 2;
        case LiveType::MULTI:
        case LiveType::CHEERFUL:
            return 1;
        default:
            return 0;
    }
}

// Live score of one skill choice; `values` in leader-first order.
i32 live_score(const SearchContext& c, u32 power, const std::array<double, 5>& values) {
    const LiveType t = c.live_type;
    const auto& weights = c.music_skill_scores[skill_score_row(t)];
    const auto& base = c.music_base_scores;
    const double others = values[1] + values[2] + values[3] + values[4];
    double leader = values[0];
    std::array<double, 5> activations = values;
    double base_score = base[0];
    double multi_term = 0.0;
    if (is_multi_live(t)) {
        leader = values[0] + others / 5.0;
        const double teammate = c.multi_live_teammate_score_up
                                    ? static_cast<double>(*c.multi_live_teammate_score_up)
                                    : leader;
        activations = {leader, teammate, teammate, teammate, teammate};
        base_score = base[0] + 0.5 * base[2];
        // The room's power in 64 bits: a large teammate power must not wrap.
        // The option is a 32-bit signed value, kept in its bits.
        const i64 room = c.multi_live_teammate_power
                             ? i64{power} + 4 * i64{static_cast<i32>(*c.multi_live_teammate_power)}
                             : 5 * i64{power};
        multi_term = 0.075 * static_cast<double>(room);
    } else if (t == LiveType::AUTO || t == LiveType::CHALLENGE_AUTO) {
        base_score = base[1];
    }
    const double skills = skill_term(c, activations, weights);
    const double total = base_score + skills + leader * weights[5] / 100.0;
    return saturating_cast<i32>(total * static_cast<double>(power) * 4.0 + multi_term);
}

// Event points of the live type; none for the mysekai live type.
std::optional<i32> event_points(const SearchContext& c, i32 score, double event_bonus) {
    const double r1 = c.music_event_rate / 100.0;
    const double r2 = c.boost_rate / 100.0;
    const double f = 1.0 + event_bonus / 100.0;
    const auto scaled = [&](i64 base) { return saturating_cast<i32>(double(base) * r1 * f); };
    switch (c.live_type) {
        case LiveType::SOLO:
        case LiveType::AUTO:
            return saturating_cast<i32>(scaled(100 + score / 20000) * r2);
        case LiveType::MULTI:
        case LiveType::CHEERFUL: {
            const i64 room =
                c.other_score != 0 ? i64{c.other_score} : saturate_to<i32>(4 * i64{score});
            const i64 base =
                110 + i64{saturating_cast<i32>(score / 17000.0)} + std::min<i64>(room / 340000, 13);
            if (c.live_type == LiveType::MULTI && c.event_kind != 1)
                return saturating_cast<i32>(scaled(base) * r2);
            const double cheer = 1.15 + std::min(std::max(c.life / 5000.0, 0.1), 0.2);
            return saturating_cast<i32>(saturating_cast<i32>(scaled(base) * cheer) * r2);
        }
        case LiveType::CHALLENGE:
        case LiveType::CHALLENGE_AUTO:
            return 12000 + 120 * (score / 20000);
        case LiveType::MYSEKAI:
            break;
    }
    return std::nullopt;
}

// What one evaluation computes beyond the deck's power.
struct Needs {
    bool bonus = false;         // the event bonus
    bool skills = false;        // the skill choices and their multi live score up
    bool score = false;         // the live score of each choice
    bool event_points = false;  // the event points of each choice
};

// Everything, for the deck's report.
Needs report_needs(const SearchContext& c) {
    return {true, true, !mysekai_mode(c), true};
}

// What the key of the request's target reads: no event points without an
// event, no live score for the skill, power and mysekai targets, and no
// skill choice at all when neither the key nor a lower bound reads one
// (those keys are then the same for every choice).
Needs key_needs(const SearchContext& c) {
    const bool scored = !mysekai_mode(c);
    const bool has_event = c.event_kind != NO_EVENT_KIND;
    Needs n;
    switch (c.target) {
        case Target::SCORE:
            n.score = scored;
            n.event_points = has_event;
            n.bonus = has_event;
            break;
        case Target::BONUS:
            n.score = scored;
            n.bonus = true;
            break;
        case Target::MYSEKAI:
            n.bonus = true;
            break;
        case Target::POWER:
        case Target::SKILL:
            break;
    }
    n.skills = n.score || c.target == Target::SKILL || c.multi_live_score_up_lower_bound;
    return n;
}

// The evaluation of a deck under its best skill choice, computing what
// `needs` asks for; with REPORT every field of `out`, else only its key. False
// when no skill choice passes the multi live score up lower bound.
template <bool REPORT>
bool evaluate(const CardPool& pool, const SearchContext& c, const DeckSlots& slots,
              const Needs& needs, DeckEvaluation& out) {
    // 1. Counts.
    const DeckMasks masks = deck_masks(pool, slots);
    // 2. Power: 32-bit sum with the honor power, then the cap of the third
    // World Bloom turn.
    u32 power = static_cast<u32>(c.honor_power);
    for (usize s = 0; s < 5; ++s) {
        const u32 card = in_deck_power(pool, slots[s], masks);
        if constexpr (REPORT) out.card_power[s] = card;
        power += card;
    }
    if (c.wl3_power_cap != 0) power = std::min(power, c.power_cap);
    out.power = power;
    // 3. Event bonus.
    const double bonus = needs.bonus ? event_bonus<REPORT>(pool, c, slots, masks.distinct_attrs,
                                                           out.card_event_bonus)
                                     : 0.0;
    out.event_bonus = bonus;
    const bool has_event = c.event_kind != NO_EVENT_KIND;
    if (!needs.skills) {
        // The key reads neither skills nor score, and there is no lower bound.
        const std::optional<i32> points =
            needs.event_points ? event_points(c, 0, bonus) : std::nullopt;
        out.key = deck_key(c.target, has_event, {power, 0, points, 0.0, bonus});
        return true;
    }
    // 8-12 for one skill choice with resolved `values`: leader, multi live
    // score up and its lower bound, live score, event points, key. A later
    // choice replaces the kept one only with a strictly larger key.
    bool found = false;
    const auto consider = [&](const std::array<double, 5>& values, bool whole_values) {
        const std::array<u8, 5> order = leader_order(pool, c, slots, values, whole_values);
        std::array<double, 5> led;
        for (usize i = 0; i < 5; ++i)
            led[i] = values[order[i]];
        const double score_up = led[0] + 0.2 * (led[1] + led[2] + led[3] + led[4]);
        if (c.multi_live_score_up_lower_bound &&
            score_up + 1e-9 < *c.multi_live_score_up_lower_bound)
            return;
        const i32 score = needs.score ? live_score(c, power, led) : 0;
        const std::optional<i32> points =
            needs.event_points ? event_points(c, score, bonus) : std::nullopt;
        const u64 key = deck_key(c.target, has_event, {power, score, points, score_up, bonus});
        if (found && key <= out.key) return;
        found = true;
        out.key = key;
        if constexpr (REPORT) {
            out.score = score;
            out.event_points = points;
            out.multi_live_score_up = score_up;
            out.order = order;
            out.skill_value = values;
        }
    };

    // 4-5. Base skills. Plain skills, the common case, carry their value in
    // the code byte and leave a single choice.
    u32 kinds = 0;
    for (usize s = 0; s < 5; ++s)
        kinds |= pool.skill_kind(slots[s]);
    if (kinds == CardPool::SKILL_PLAIN) {
        std::array<double, 5> values;
        for (usize s = 0; s < 5; ++s)
            values[s] = pool.skill_code(slots[s]);
        consider(values, true);
        return found;
    }
    // The set R of choosable reference skills.
    std::array<BaseSkill, 5> skills;
    u32 choosable = 0;
    bool references = false;  // some slot may resolve a reference skill
    for (usize s = 0; s < 5; ++s) {
        skills[s] = base_skill(pool, c, slots[s], masks);
        if (skills[s].choosable) choosable |= 1u << s;
        references |= skills[s].choosable || skills[s].fixed.is_reference;
    }

    // 6. Each subset Q of R: Q = R first, then (Q - 1) & R down to the empty set.
    for (u32 q = choosable;; q = (q - 1) & choosable) {
        // 7. Reference skills read the other cards' values before resolution.
        std::array<double, 5> values;
        if (!references) {
            for (usize s = 0; s < 5; ++s)
                values[s] = skills[s].fixed.value;
        } else {
            std::array<SlotSkill, 5> slot_skill;
            for (usize s = 0; s < 5; ++s) {
                if (!skills[s].choosable) {
                    slot_skill[s] = skills[s].fixed;
                } else if (q & (1u << s)) {
                    slot_skill[s] = skills[s].special;
                } else {
                    slot_skill[s] = SlotSkill{skills[s].plain, 0.0, 0.0, false};
                }
            }
            for (usize s = 0; s < 5; ++s) {
                const SlotSkill& me = slot_skill[s];
                values[s] = me.is_reference ? (me.value - me.cap) +
                                                  reference_share(slot_skill, s,
                                                                  c.skill_reference_choose_strategy)
                                            : me.value;
            }
        }
        consider(values, !references);
        if (q == 0) break;
    }
    return found;
}

}  // namespace

bool first_slot_leads(const SearchContext& context) {
    return !context.best_skill_as_leader || context.final_chapter ||
           !context.fixed_characters.empty();
}

const SupportDeckList& deck_support_list(const CardPool& pool, const SearchContext& c,
                                         const DeckSlots& slots) {
    const auto& per_character = c.world_bloom_support.per_character;
    const u8 character = pool.character_id(slots[0]);
    if (c.final_chapter && character < per_character.size() &&
        per_character[character].count != 0) {
        return per_character[character];
    }
    return c.world_bloom_support.general;
}

DeckShape deck_shape(const CardPool& pool, const DeckSlots& slots) {
    DeckShape shape;
    u8 attrs_seen = 0;  // bit a: attribute a occurs
    for (const u16 card : slots) {
        const u8 units = pool.unit_mask(card);
        for (usize u = 0; u < 6; ++u)
            shape.unit_cards[u] += (units >> u) & 1u;
        attrs_seen |= static_cast<u8>(1u << (pool.attr(card) & 7u));
    }
    for (const u8 n : shape.unit_cards)
        shape.distinct_units += n != 0;
    shape.distinct_attrs = static_cast<u8>(bit_count(attrs_seen));
    shape.same_attr = shape.distinct_attrs == 1;
    return shape;
}

i32 deck_live_score(const SearchContext& context, u32 power, const std::array<double, 5>& values) {
    return live_score(context, power, values);
}

std::optional<i32> deck_event_points(const SearchContext& context, i32 score, double event_bonus) {
    return event_points(context, score, event_bonus);
}

std::optional<DeckEvaluation> evaluate_deck(const CardPool& pool, const SearchContext& c,
                                            const DeckSlots& slots) {
    DeckEvaluation e;
    if (!evaluate<true>(pool, c, slots, report_needs(c), e)) return std::nullopt;
    return e;
}

double deck_event_bonus(const CardPool& pool, const SearchContext& c, const DeckSlots& slots) {
    std::array<double, 5> card_bonus;
    return event_bonus<false>(pool, c, slots, deck_masks(pool, slots).distinct_attrs, card_bonus);
}

std::optional<u64> evaluate_deck_key(const CardPool& pool, const SearchContext& c,
                                     const DeckSlots& slots) {
    DeckEvaluation e;
    if (!evaluate<false>(pool, c, slots, key_needs(c), e)) return std::nullopt;
    return e.key;
}

}  // namespace vdz
