// The candidates of the final-chapter search around a leader character c:
// one group per other character, its cards ordered by an estimate that
// charges each card what c's support deck loses by taking it, and a flat
// shortlist of promising cards for the two heuristics.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "common/types.h"
#include "pool/card_pool.h"
#include "pool/search_context.h"
#include "search/final_chapter/final_records.h"

namespace vdz {

// The support list that applies to decks led by a card of `character`.
const SupportDeckList& final_support_list(const SearchContext& context, u8 character);

// Hundredths of a percent that the support deck of `character` loses when
// `card` joins the main deck.
i32 support_loss(const CardPool& pool, const SearchContext& context, u8 character, u16 card);

// What `card` can cost the support deck of `character` at most, compared
// between cards of one deck slot, in hundredths of a percent: its value in
// the whole list, 0 when it is not listed. The list is sorted best first,
// so for any other four cards the support deck loses max(0, v - r) when a
// card of value v joins, r being the same first uncounted value for every
// card of the slot: a card of smaller value never loses more. The loss
// against entry `take` alone is not such a bound, since the deck's other
// cards move which entry is first uncounted.
i32 support_cost(const CardPool& pool, const SearchContext& context, u8 character, u16 card);

// (S + 256) x P x (max(10 x total bonus - loss, 0) + 10000), hundredths of a percent.
u64 card_estimate_key(const CardPool& pool, u16 card, i32 loss);

// A card is usable when the mask has no byte for it or its byte is 1.
inline bool usable(std::span<const u8> mask, u16 card) {
    return card >= mask.size() || mask[card] == 1;
}

// One group per character other than `character` with usable cards, groups
// by key descending, ties by character. With `limit` at most 1, cards that
// another card of their character dominates are left out. Under `rules`, a
// character with a fixed card keeps only that card, and the groups of the
// required characters come first (by key among themselves). `score_up_skill`
// holds each card's skill ceiling; a card past its end counts its skill byte.
std::vector<CharacterGroup> build_character_groups(const CardPool& pool,
                                                   const SearchContext& context, u8 character,
                                                   std::span<const u8> mask, u64 limit,
                                                   const FinalConstraints& rules = {},
                                                   std::span<const u8> score_up_skill = {});

// The number of groups at the front of `groups` that the rules require.
usize required_group_count(std::span<const CharacterGroup> groups, const FinalConstraints& rules);

// Distinct usable cards of characters other than `character`, from four
// rankings (estimate, power, power then bonus, power then skill) taking
// cap, cap / 2, cap / 2 and cap / 3 cards, in order of first appearance.
std::vector<u16> build_candidate_shortlist(const CardPool& pool, const SearchContext& context,
                                           u8 character, std::span<const u8> mask, u64 cap);

// The side-table code of the card's unit-count skill, none for any other
// skill (or a code naming no usable entry, whose card keeps its column).
std::optional<u8> unit_count_code(const CardPool& pool, u16 card);

// Unit-count skill `code` for the bounds. The evaluator reads its table at
// the deck's count of its unit, at least 1; tables need not grow, so a
// bound takes the largest entry up to the most the deck can hold.
UnitCountSkill unit_count_skill(const CardPool& pool, u8 code);

// A card's skill by its unit's count, every entry its skill value when its
// skill does not grow with a unit's cards.
UnitCountSkill skill_by_count(const CardPool& pool, u16 card);

// The largest skill value a card of `g` can have in such a deck: its
// largest value, unless its cards have skills that grow with a unit's cards.
u32 group_unit_count_skill_bound(const CharacterGroup& g, const UnitCounts& most);
inline u32 group_skill_bound(const CharacterGroup& g, const UnitCounts& most) {
    return g.unit_count_skills.empty() ? g.max_fixed_skill : group_unit_count_skill_bound(g, most);
}

// Sorts (key, index) pairs by key descending, then index ascending.
void sort_by_key_desc(std::vector<std::pair<u64, u16>>& keyed);

}  // namespace vdz
