// Upper bounds of the depth-first search: for a partial deck, a key that no
// completion of it can beat, in the space of the ranking key. A subtree whose
// bound is not above the worst kept key is cut: its best deck could at most
// tie that key, and a tie never changes the keys a search returns.
#pragma once

#include <array>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include "common/types.h"
#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/bounds/dfs_coupling.h"
#include "search/bounds/fixed_slot_layout.h"
#include "search/bounds/partial_sums.h"
#include "search/bounds/skill_ceiling.h"
#include "search/bounds/suffix_tables.h"
#include "search/bounds/support_bonus_bound.h"
#include "search/evaluation/deck_entry.h"

namespace vdz {

// Five skill values, largest first: a deck's values sorted the same way are
// each at most the one at their place.
using SkillValues = std::array<u32, 5>;

struct SlotSkills;

// What the bounds read, taken once per search; lives as long as the search.
struct BoundModel {
    const CardPool* pool = nullptr;
    const SearchContext* context = nullptr;
    const SuffixTables* suffix = nullptr;
    u64 power_extra = 0;  // the honor power, when positive
    u32 bonus_extra = 0;  // World Bloom support and attribute bonus at most, percent
    bool has_event = false;
    // The first slot leads every deck, so its card's skill value bounds the
    // leader's once it is placed.
    bool first_slot_leads = false;
    // World Bloom: the support and attribute-count bonus follow the deck.
    bool support_mode = false;
    // Each character's support list (the general one where it has none of
    // its own, or outside the final chapter), best first.
    std::array<SupportDeckList, CHARACTER_SLOT_COUNT> support_lists;
    // Per pool card, its place among the first 64 entries of the general
    // list sorted best first (bit of PartialSums::support_taken), or 0xFF.
    std::vector<u8> support_place;
    // Per character, which index of `support_indexes` is its list's.
    std::array<u8, CHARACTER_SLOT_COUNT> support_index_of{};
    std::vector<SupportListIndex> support_indexes;
    // By the attributes a deck holds (a) and its free slots (up to 5), the
    // largest attribute-count bonus of the counts a to a + free slots.
    std::array<std::array<u32, 6>, 6> attr_bonus_within{};
    // Score without an event: the unit-pattern composition bound applies.
    bool composition = false;
    // Per pool card, its power in a deck that fills no unit, without and
    // with one shared attribute: most complete decks are such decks.
    std::vector<u32> power_no_unit, power_no_unit_same_attr;
    // Power and skill kept together (score and bonus targets), and slot by
    // slot where a specific order fixes each slot's place.
    Coupling coupling;
    SlotCoupling slot_coupling;
    // Where a deck takes one card per character: the characters of the fixed
    // cards and characters, which every deck the search records holds, and
    // where the pool lists their cards.
    u32 required_characters = 0;
    FixedSlotLayout fixed_layout;
    // The skill values the pool's cards can resolve to, given what a
    // partial deck fixes.
    std::shared_ptr<const SkillCeilings> ceilings;
    // The pool's power column and its plain powers as max trees: leaves
    // from `power_leaves` on.
    std::array<std::vector<u32>, 2> power_tree;
    usize power_leaves = 0;
    // Max trees of the same shape: per unit, the power column of that
    // unit's cards; per attribute, its cards' power in a deck sharing no
    // unit and that attribute; 0 at other cards.
    std::array<std::vector<u32>, 6> unit_power_tree;
    std::array<std::vector<u32>, 8> same_attr_power_tree;
    // What the bound key reads once per search: its formula for the
    // search's target and live formula (see `bound_key`), the honor power
    // with the cap as the power's limit, a room's power as a factor of the
    // deck's plus the teammates', and the honor power's coupled term.
    using KeyFormula = u64 (*)(const BoundModel& m, u64 power, const SkillValues& skills, u32 lead,
                               u64 bonus, double coupled, const SlotSkills* slots);
    KeyFormula key_formula = nullptr;
    u64 power_limit = UINT32_MAX;
    i64 room_power_factor = 5;
    i64 room_teammates = 0;
    double coupled_power_extra = 0.0;

    // The first pool position from `from` on whose power column (or plain
    // power) is at least `floor`; the pool's size when none is.
    usize first_power_at_least(usize from, u32 floor, bool plain) const;
    // The same in any of the max trees.
    usize first_at_least(const std::vector<u32>& tree, usize from, u32 floor) const;
};

// `reference`, when given, is a good deck (a seed): the coupling is made
// tightest for decks like it.
BoundModel make_bound_model(const CardPool& pool, const SearchContext& context,
                            const SuffixTables& suffix,
                            const std::optional<DeckSlots>& reference = std::nullopt);

// `sums` with `card` added; the parent's record is left unchanged.
PartialSums child_sums(const BoundModel& m, const PartialSums& sums, u16 card);

// `sums` of the first `placed` cards of `deck`, their skill values lowered
// to what each can resolve to in a deck of `open` more cards.
PartialSums with_skill_ceilings(const BoundModel& m, const PartialSums& sums, const DeckSlots& deck,
                                usize placed, usize open);

// The key of a deck whose card powers sum to at most `power` (before the
// honor power and the cap), whose skill values are bounded by `skills`, and
// whose event bonus, extras included, is at most `bonus` whole percent.
// The five largest of the placed cards' skill values and the first `count`
// of `more` (largest first).
template <class Values>
SkillValues merge_skills(const PartialSums& sums, const Values& more, usize count) {
    SkillValues out;
    usize a = 0, b = 0;
    for (u32& v : out) {
        if (b < count && (a >= 5 || u32{more[b]} > sums.skills[a])) {
            v = more[b++];
        } else {
            v = a < 5 ? sums.skills[a++] : 0;
        }
    }
    return out;
}

// The largest skill value the leader of a deck holding the cards of `sums`
// can have, when `skills` bounds the deck's values.
inline u32 lead_bound(const PartialSums& sums, const SkillValues& skills) {
    return sums.lead_known ? sums.lead_skill : skills[0];
}

// A deck's skill values by slot, for a specific order that plays each slot
// at a place fixed by which slot leads: the placed cards' values, and
// bounds of the free cards' values, largest first, then zeros.
// `row`, where known, is the first position the free cards come from.
struct SlotSkills {
    const PartialSums* sums = nullptr;
    std::array<u32, 5> free{};
    usize row = SIZE_MAX;
};

template <class Values>
SlotSkills slot_skills(const PartialSums& sums, const Values& more, usize count,
                       usize row = SIZE_MAX) {
    SlotSkills out{&sums, {}, row};
    for (usize j = 0; j < count && j < 5; ++j)
        out.free[j] = more[j];
    return out;
}

// `lead` bounds the leader's skill value (at most `skills[0]`); `coupled`,
// when finite, bounds the deck's card values of the coupling; `slots`, when
// given, the same values slot by slot. The search's own formula, picked
// once: the searches ask millions of keys.
inline u64 bound_key(const BoundModel& m, u64 power, const SkillValues& skills, u32 lead, u64 bonus,
                     double coupled = INFINITY, const SlotSkills* slots = nullptr) {
    return m.key_formula(m, power, skills, lead, bonus, coupled, slots);
}

// Bound of every completion of the `depth` cards of `partial`: the k = 5 -
// depth best characters not yet used, each with its best card; without an
// event, also per deck composition.
u64 character_bound(const BoundModel& m, const PartialSums& sums, u32 used_characters, usize depth,
                    const DeckSlots& partial);

// The power of every completion of `sums` that takes its `columns` further
// cards from pool positions `row` and later: the larger of the decks whose
// five cards share a unit and of those that share none, and at most the
// power columns.
u64 completion_power(const BoundModel& m, const PartialSums& sums, usize row, usize columns);

// Bound of every completion that takes its `columns` further cards from pool
// positions `row` and later, with `bonus_extra` as the deck's extra bonus.
u64 position_bound(const BoundModel& m, const PartialSums& sums, usize row, usize columns,
                   u64 bonus_extra);

// The least power a child at `row` or later needs for a completion of it to
// key above `worst`: its power column, or its plain power where the sums
// are plain. With the `columns` - 1 other free places at the best powers
// from `row` on, and every skill value and bonus at the best from there, a
// child of less power keys `worst` at most, since the key grows with the
// power. Above the pool's largest power when no child can.
// `placed`, when given, is the placed cards' power in every deck the child
// completes, in place of what the sums bound.
u32 child_power_floor(const BoundModel& m, const PartialSums& sums, usize row, usize columns,
                      u64 bonus_extra, u64 worst, std::optional<u64> placed = std::nullopt);

// Bound of the complete deck `deck`, whose sums are `sums`: its power is
// known from its units and attributes.
u64 complete_deck_bound(const BoundModel& m, const DeckSlots& deck, const PartialSums& sums,
                        u64 bonus_extra);
// The power that bound takes for the card `card` of a deck whose five cards
// share the units `units` and one attribute or not (`same_attr`).
u32 complete_deck_card_power(const BoundModel& m, u16 card, u32 units, bool same_attr);
// The same bound of a complete deck whose cards' powers there sum to `power`.
u64 complete_deck_bound_of_power(const BoundModel& m, u64 power, const PartialSums& sums,
                                 u64 bonus_extra);

// Per character order, the best k - 1 characters a node's children may still
// add, so that a child's bound is its node's minus what its own character
// takes away. Built once per node.
struct ExclusionTables {
    template <class Key>
    struct Order {
        Key total = 0;              // keys of the first `places` unused characters
        u32 mask = 0;               // those characters
        std::array<Key, 5> loss{};  // by slot rank: the key minus `next`
    };
    // Plain powers, for the children of a node whose cards can share no
    // unit and no attribute any more.
    bool plain = false;
    Order<u64> power, bonus;
    Order<double> coupled;
    // The skill order's first `places` unused characters and their values,
    // and the value of the next one.
    std::array<u8, 4> skill_slots{};
    std::array<u32, 4> skill_values{};
    usize places = 0;
    u32 next_skill = 0;
};

// `plain`: the node's sums are plain, and so are its children's.
ExclusionTables exclusion_tables(const BoundModel& m, u32 used_characters, usize places,
                                 bool plain);

// Bound of every completion of a child of character `character` whose sums
// (the child's card included) are `child`.
u64 exclusion_bound(const BoundModel& m, const ExclusionTables& t, const PartialSums& child,
                    u8 character, u64 bonus_extra);

// The doubled event bonus of every completion is at least this, in steps of
// half a percent: each card's bonus was rounded up by less than 1 %, in the
// final chapter each of its two parts.
u32 doubled_bonus_floor(const PartialSums& sums, usize depth);

}  // namespace vdz
