// The group level of the final-chapter search: for one leader card, every
// set of four character groups in lexicographic order, cut as soon as the
// group bound cannot beat the worst kept deck; each complete set is ordered
// and handed to the card-level search.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "search/final_chapter/final_records.h"

namespace vdz {

// n + 1 entries for n groups: entry i holds the five best maxima of groups
// i .. n - 1, the last entry zero.
std::vector<GroupSuffixEntry> build_group_suffix_table(std::span<const CharacterGroup> groups);

// The shared powers of the decks of leader card `leader` over `groups`;
// the groups' cards' powers per shape too with `card_shapes`, which only
// the card search reads.
LeaderShapes leader_shapes(const CardPool& pool, std::span<const CharacterGroup> groups, u16 leader,
                           bool card_shapes = true);

// Upper bound of every deck of `leader` whose other cards come from the
// `depth` chosen groups and 4 - depth groups from index `start` on;
// `shapes` are the leader's over the same groups.
u64 group_upper_bound(const SuffixTables& tables, u64 limited_bonus_cap,
                      std::span<const CharacterGroup> groups,
                      std::span<const GroupSuffixEntry> suffix, usize start,
                      const std::array<usize, 4>& chosen, usize depth, const LeaderValues& leader,
                      const LeaderShapes& shapes);

// The tied bound (final_tied_bound.h) of the same decks, the largest key
// where it does not apply.
u64 tied_group_upper_bound(const GroupSearchState& gs, const std::array<usize, 4>& chosen,
                           usize depth, usize start);

// Whether the decks that bound covers can reach the request's multi live
// score-up lower bound, by the same best maxima of the open groups.
bool group_reaches_score_up(const SearchContext& context, std::span<const CharacterGroup> groups,
                            std::span<const GroupSuffixEntry> suffix, usize start,
                            const std::array<usize, 4>& chosen, usize depth,
                            const LeaderValues& leader);

// Chooses groups depth .. 3 from `start` on and searches their cards.
void search_character_groups(const GroupSearchState& gs, usize depth, usize start,
                             std::array<usize, 4>& chosen);

}  // namespace vdz
