// The records that the parts of the final-chapter search share: its counters,
// one leader card's values, the group suffix table, the table of four chosen
// groups, the partial deck of the card-level search and the state handed to
// the group search. All are plain values owned by one search on one thread.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <span>
#include <vector>

#include "common/numeric.h"
#include "common/types.h"
#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/bounds/final_bound.h"
#include "search/bounds/suffix_tables.h"
#include "search/deadline.h"
#include "search/evaluation/top_decks.h"
#include "search/final_chapter/final_shape_power.h"

namespace vdz {

// Work counters of one final-chapter search, all zero at its start.
struct SearchCounters {
    u64 evaluated = 0;        // complete decks handed to an evaluator
    u64 group_pruned = 0;     // group-search nodes cut by the group bound
    u64 leaders_skipped = 0;  // leader cards or tasks skipped by their bound
    u64 groups_visited = 0;   // groups entered by the group search
    u64 card_pruned = 0;      // card-search nodes and candidates cut by the card bound
    u64 hand_offs = 0;        // sets of four groups handed to the card search
    u64 card_nodes = 0;       // card-search nodes entered, complete decks included

    bool operator==(const SearchCounters&) const = default;
};

// Per unit (0..5), a number of a deck's cards.
using UnitCounts = std::array<u8, 6>;

// A unit-count skill as the bounds read it: its unit, and per number n of
// the deck's cards of that unit (0 read as 1) its largest value for n or
// fewer.
struct UnitCountSkill {
    u8 unit = 0;
    std::array<u8, 6> up_to{};
    u8 code = 0;  // its side-table code
};

// One character's usable cards other than the leader's character, best
// estimate first, with the maxima the bounds read. Never empty.
struct CharacterGroup {
    std::vector<u16> cards;  // pool indices, card estimate key descending
    // The cards no other card of the group matches or beats in every value
    // a card's bound reads (power column, plain power, skill value at any
    // count of its unit, base and limited bonus percent), in `cards` order:
    // each card's bound is at most that of one of them.
    std::vector<u16> frontier;
    // Per card of `cards`, bit k when frontier card k (k < 64) covers it
    // in those values, a frontier card's own bit included: a card whose
    // bound no covering frontier card's beats cannot beat it either.
    std::vector<u64> cover;
    // (max_skill + 256) x max_power x (bonus + limited + 100), both bonuses
    // in whole percent rounded up.
    u64 key = 0;
    u32 max_power = 0;
    u32 max_plain_power = 0;  // in a deck that shares no unit and no attribute
    // Largest power of its cards of each attribute and of each unit.
    std::array<u32, CardPool::ATTR_SLOTS> max_power_by_attr{};
    std::array<u32, CardPool::UNIT_SLOTS> max_power_by_unit{};
    u32 max_skill = 0;
    // Largest skill ceiling of its cards: the most any of them resolves to
    // in a deck of the search, read by the score-up lower bound.
    u32 max_score_up_skill = 0;
    // The same over its cards of each unit, 0 where it has none.
    std::array<u32, CardPool::UNIT_SLOTS> max_score_up_skill_by_unit{};
    // Bonuses in tenths of a percent, as the pool holds them: the bounds
    // round their sums up to whole percent once.
    u32 max_base_x10 = 0;
    u32 max_limited_x10 = 0;
    // The largest sum of the two of one card: a group's largest limited
    // bonus often comes with a small base.
    u32 max_bonus_and_limited_x10 = 0;
    // Skill values by kind: a unit-count skill's value grows with the deck's
    // cards of its unit, which a search knows ever better as cards are
    // placed; they are kept per unit (the largest value of its skills at
    // each count, `code` that of the first) apart from the largest value of
    // the other cards.
    u32 max_fixed_skill = 0;
    std::vector<UnitCountSkill> unit_count_skills;
    u8 units = 0;        // every unit one of its cards counts for
    u64 unit_bytes = 0;  // byte u is 1 when `units` holds unit u
    u8 character = 0;
    GroupShapePowers shape_powers{};  // its largest power per deck shape
};

// What a request's fixed cards and fixed characters demand of the decks led
// by one character: the leader's own card, and per other character whether
// the deck must hold one of its cards and which card id that must be.
struct FinalConstraints {
    std::optional<u16> leader_card_id;  // the leader must carry this card id
    std::array<std::optional<u16>, CardPool::CHARACTER_SLOTS> card_id{};  // per character
    u32 required = 0;         // bit c: the deck holds a card of character c
    bool satisfiable = true;  // false: no deck can meet them (a card missing from the pool)

    bool empty() const { return !leader_card_id && required == 0; }
    bool allows(u8 character, u16 card_id_of_card) const {
        return !card_id[character] || *card_id[character] == card_id_of_card;
    }
};

// A leader card's values, computed once per leader and handed on unchanged.
struct LeaderValues {
    u32 power = 0;
    u32 plain_power = 0;  // in a deck that shares no unit and no attribute
    u32 skill = 0;
    u32 score_up_skill = 0;  // its skill ceiling, for the score-up lower bound
    u32 bonus_x10 = 0;       // base + ten times the leader honor and limit bonuses, tenths
    u32 limited_x10 = 0;     // tenths of a percent
    u32 support_x10 = 0;     // best support the deck can keep, tenths rounded up
    u32 attr_bonus = 0;      // best attribute bonus any deck can have, percent
    u16 card = 0;
    bool limited_counts = false;  // its limited bonus takes one of the counted places
    u8 units = 0;                 // its unit mask
    // Its skill by its unit's count in the deck; every entry `skill` when
    // its skill does not grow with a unit.
    UnitCountSkill skill_by_count;
};

// Five largest values, descending, padded with 0.
using TopFive = std::array<u32, 5>;

// Maxima of the groups from one index of the group list to its end.
struct GroupSuffixEntry {
    TopFive top_plain_power{};
    TopFive top_skill{};
    TopFive top_score_up_skill{};
    TopFive top_base_x10{};
    TopFive top_limited_x10{};
    TopFive top_bonus_and_limited_x10{};
};

// The tied bound's values of one leader card (final_tied_bound.h): per
// shape j (2k + f, as in LeaderShapes) its normalizers, and per group its
// best card's scalar, negative where none of its cards fits the shape.
struct TiedLeader {
    usize shape_count = 0;  // 2 x the leader's shape count, 0 where the bound does not apply
    double x0 = 0.0, a = 0.0;
    // Per shape: Y0 = 100 + 1 / 20,000 + k x y0_rate; the normalizer of Y is
    // k x beta; a card's scalar takes its power times inv_beta.
    std::array<double, 16> y0_rate{}, beta{}, inv_beta{};
    // Per shape, the bound's sum S before the placed and open cards'
    // scalars, x0 / a + y0_rate / beta, and W = (100 + 1 / 20,000) / beta,
    // which read no rate: the sum at rate k is S + W / k.
    std::array<double, 16> rate_free_sum{}, w{};
    // By a card's unit mask and whether it has the leader's attribute: bit j
    // for each shape j it fits.
    std::array<std::array<u16, 2>, 64> fits{};
    std::vector<std::array<double, 16>> group_scalar;
    // Per pool card of the groups, its scalar per shape (shape_count
    // entries from card x shape_count) and its fit mask; a placed card adds
    // these, read once per leader instead of once per child.
    std::vector<double> card_scalar;
    std::vector<u16> card_fits;
    // Per group index (groups + 1 entries) and shape, the four largest
    // scalars of the groups from there on that have a card of the shape,
    // largest first, -1 past them.
    std::vector<std::array<std::array<double, 4>, 16>> suffix_top;
};

// The tied bound of one set of four groups: per shape, the leader's part and
// the normalizer of Y at the set's rate, and per card-search position p the
// sum of the best scalars of the groups from p on (negative: no deck).
struct TiedBound {
    bool valid = false;
    usize shape_count = 0;
    double a = 0.0;
    double rate = 0.0;  // the set's rate k
    std::array<double, 16> base{}, b{};
    std::array<std::array<double, 16>, 5> open{};
};

// Sums over the four chosen groups, in card-search order, from position p
// to the last; position 4 is all zero.
struct ChosenGroupTable {
    std::array<u32, 5> plain_power_sum{};
    std::array<u32, 5> shared_power_sum{};    // of the leader's shared-power column
    std::array<u32, 5> score_up_skill_sum{};  // of the groups' skill ceilings
    // The leader's skill may grow with its unit's cards (its unit: that of
    // its `skill_by_count`). Per position p and number m of the groups from
    // p on that give a card of that unit: the largest sum of the groups'
    // ceilings, each of the m at its best over its cards of the unit; and
    // per p the most such groups. Zero without a score-up lower bound.
    std::array<std::array<u32, 5>, 5> score_up_with_leader_unit{};
    std::array<u8, 5> leader_unit_groups{};
    std::array<u32, 5> base_x10_sum{};
    std::array<TopFive, 5> limited_x10_top{};
    std::array<u32, 5> bonus_and_limited_x10_sum{};
    // Per unit, how many of the groups from position p on have a card that
    // counts for it.
    std::array<UnitCounts, 5> open_units{};
    // The groups' shape tables summed over the leader's shapes.
    std::array<ShapeSums, 5> open_shape_sums{};
    TiedBound tied;  // not `valid` where it does not apply or the list was not full
};

// The partial deck at a card-search node; each child gets its own copy.
struct CardSearchState {
    u64 placed_count = 0;      // cards placed, the leader included
    double support_sum = 0.0;  // support value of the counted support entries
    u64 support_end = 0;       // first support entry not examined yet
    u32 power = 0;
    u32 score_up_skill = 0;  // the placed cards' skill ceilings
    // Skill values of the placed cards, largest first, each at most its
    // column and, for a unit-count skill, at most its value for the most
    // cards of its unit the deck could hold when the card was placed.
    TopFive skill_top{};
    u32 leader_skill = 0;       // the leader's entry of `skill_top`
    UnitCounts unit_cards{};    // placed cards counting for each unit
    u32 bonus_x10 = 0;          // the leader's `bonus_x10` and the others' bases
    TopFive limited_x10_top{};  // limited bonuses of the placed cards, tenths
    u32 support_x10 = 0;        // ceil(10 x support_sum)
    std::array<u16, 5> card_ids{};
    u8 attr_mask = 0;        // bit (attribute & 7) per placed card
    u32 plain_power = 0;     // the placed cards' power in a deck sharing no unit and no attribute
    u8 common_units = 0x3F;  // units every placed card belongs to
    ShapeSums shape_sums{};  // the placed cards' powers per shape the deck can still have
};

// A deck shares a unit or an attribute only when each of its cards shares
// one with the leader: per group, the largest power of those cards, and per
// group index the five largest of these over the groups from there on.
// Built per leader card.
struct LeaderShapes {
    std::vector<u32> shared_power;
    std::vector<TopFive> shared_top;  // groups + 1 entries, the last zero
    LeaderShapeSet shapes;            // the deck shapes its units and attribute allow
    // Per shape (subset k of `shapes`, f = 1 sharing the attribute) at
    // index 2k + f: the leader's own power, and per group index the five
    // largest table entries of the groups from there on.
    std::array<u32, 16> leader_shape_power{};
    std::vector<std::array<TopFive, 16>> shape_top;  // groups + 1 entries, the last zero
    // Per pool card of the groups, its power per shape of `shapes` ([k][1]
    // sharing the leader's attribute), which the card search's scans read
    // for every card they bound.
    std::vector<ShapeSums> card_shapes;
    // Per group, its table entry per shape (at 2k + f, as above).
    std::vector<std::array<u32, 16>> group_shapes;
};

// The chosen groups' and the leader's part of the group bound: their
// powers, skill values at the most cards per unit `most` the deck can hold,
// bonuses and limited parts.
struct ChosenGroupsPart {
    UnitCounts most{};
    u32 leader_skill = 0, plain = 0, shared = 0;
    u32 bonus = 0, bonus_and_limited = 0;  // tenths of a percent
    TopFive limited{}, skills{};           // limited bonuses in tenths
    std::array<u32, 16> shaped{};  // per leader shape, the leader's and chosen groups' powers
};

// What the group and card searches of one leader card read and write.
struct GroupSearchState {
    std::span<const CharacterGroup> groups;
    std::span<const GroupSuffixEntry> group_suffix;
    LeaderValues leader;
    const LeaderShapes* shapes = nullptr;            // of `leader` over `groups`
    const TiedLeader* tied = nullptr;                // of `leader` over `groups`, if any
    std::span<const u32> plain_power;                // per pool card: power in a plain deck
    std::span<const UnitCountSkill> skill_by_count;  // per pool card
    std::span<const u8> score_up_skill;              // per pool card: its skill ceiling
    const CardPool* pool = nullptr;
    const SearchContext* context = nullptr;
    const SuffixTables* tables = nullptr;
    const SupportDeckList* support = nullptr;  // the leader character's list
    // The leader alone's support: the sum of the entries its deck takes and
    // the first entry not examined (`leader_support` computes them).
    double leader_support_sum = 0.0;
    u64 leader_support_end = 0;
    TopDecks* best = nullptr;
    SearchCounters* counters = nullptr;
    Deadline* deadline = nullptr;
};

// The largest value of skill `k` in a deck of at most `most[u]` cards of
// each unit u.
inline u32 skill_up_to(const UnitCountSkill& k, const UnitCounts& most) {
    return k.up_to[most[k.unit]];
}

// Inserts `v` before the first entry it is strictly greater than; the fifth
// entry falls off. It takes the last place and moves up past each smaller
// entry: the bounds insert millions of values, and a shift of the entries
// after the place compiles to a library move.
inline void insert_top_five(TopFive& top, u32 v) {
    if (v <= top[4]) return;
    top[4] = v;
    for (usize i = 4; i > 0 && top[i] > top[i - 1]; --i)
        std::swap(top[i], top[i - 1]);
}

// `v[card]`, or zero where `v` has no entry for the card.
template <class T>
T entry_or_zero(const std::vector<T>& v, u16 card) {
    return card < v.size() ? v[card] : T{};
}

// Sum of the `k` first (largest) entries of `top`.
inline u32 first_sum(const TopFive& top, usize k) {
    u32 sum = 0;
    for (usize i = 0; i < k; ++i)
        sum += top[i];
    return sum;
}

// Whether no deck of key at most `bound` can enter the list: it is full and
// its last key is `bound` or more. A deck of the last key only ties with it,
// so equal keys are cut too, a last key of 0 included: when every deck's key
// is 0 (a live that scores nothing), a full list is final.
inline bool cannot_beat(const TopDecks& best, u64 bound) {
    return best.full() && bound <= best.last().score;
}

// The five largest of two descending lists of five together.
inline TopFive merged_top_five(const TopFive& a, const TopFive& b) {
    TopFive out{};
    usize i = 0, j = 0;
    for (u32& v : out)
        v = (j >= 5 || (i < 5 && a[i] >= b[j])) ? a[i++] : b[j++];
    return out;
}

// Sum of the k largest values of two descending lists of five together, by
// merging them.
inline u32 merged_top(const TopFive& a, const TopFive& b, u64 k) {
    u32 sum = 0;
    usize i = 0, j = 0;
    for (u64 taken = 0; taken < k; ++taken) {
        const u32 x = i < 5 ? a[i] : 0, y = j < 5 ? b[j] : 0;
        if (x >= y) {
            sum += x;
            ++i;
        } else {
            sum += y;
            ++j;
        }
    }
    return sum;
}

// The event bonus in whole percent of bonuses summing to `bonus_x10` tenths
// and a support of at most `support_x10` tenths, rounded up once: at least
// the evaluator's sum of the same parts.
inline u32 bonus_percent(u32 bonus_x10, u32 support_x10) {
    return (bonus_x10 + support_x10 + 9) / 10;
}

// The largest attribute bonus of a final deck of `pc` attributes and at
// most `open` more.
inline u32 attribute_count_part(const SearchContext& c, usize pc, usize open) {
    if (pc > 5) return 0;
    const usize hi = std::max(pc, std::min<usize>(pc + open, 5));
    u32 best = 0;
    for (usize j = pc; j <= hi; ++j)
        best = std::max<u32>(best, c.distinct_attr_bonus[j]);
    return best;
}

// The largest attribute bonus of a final deck whose attributes include those
// of `attr_mask` and at most `open` more.
inline u32 attribute_part(const SearchContext& c, u8 attr_mask, usize open) {
    return attribute_count_part(c, static_cast<usize>(__builtin_popcount(attr_mask)), open);
}

// The event bonus in whole percent of a deck whose cards' bonuses sum to at
// most `bonus_x10` tenths, whose support keeps at most `support_x10` tenths,
// and whose attributes include those of `attr_mask` and at most `open` more.
inline u32 deck_bonus_percent(const SearchContext& c, u32 bonus_x10, u32 support_x10, u8 attr_mask,
                              usize open) {
    if (!c.world_bloom)
        return bonus_percent(bonus_x10, 0) + static_cast<u32>(std::max(c.default_support_value, 0));
    return bonus_percent(bonus_x10, support_x10) + attribute_part(c, attr_mask, open);
}

// Ten times a support sum, rounded up: at least the tenths of the values
// the sum adds, as its ceiling in whole percent is at least their percent.
inline u32 support_tenths(double support_sum) {
    return saturating_cast<u32>(std::ceil(10.0 * support_sum));
}

// The base part of a card's event bonus in tenths of a percent.
inline u16 base_x10(const CardPool& pool, u16 card) {
    const u16 total = pool.event_bonus(card).total_x10();
    const u16 limited = pool.limited_x10(card);
    VDZ_ASSERT(limited <= total);
    return static_cast<u16>(total - limited);
}

}  // namespace vdz
