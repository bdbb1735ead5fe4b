// The per-request index over one region's master data: every lookup the card
// power calculation, the card configuration and the pool builder make while
// one request is prepared, pre-joined and grouped by its key. It depends on
// the master data alone, so it is built once when a region is loaded, kept
// immutable beside it and shared read-only by every request on that region;
// a reload replaces it with the region.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/types.h"
#include "handler/grouped_rows.h"
#include "handler/master_data_view.h"

namespace vdz {

// Two 32-bit keys in one map key.
inline u64 pair_key(u32 a, u32 b) {
    return (u64{a} << 32) | b;
}

// The three power parameters of a card at one level.
using PowerParams = std::array<i32, 3>;
using LevelParams = std::pair<i32, PowerParams>;

// A master card joined with its rarity caps, its unit and attribute codes and
// its parameters by level.
struct IndexedCard {
    Card card;  // a copy of the master record
    std::optional<u32> level_cap;
    std::optional<u32> skill_level_cap;
    std::optional<u32> master_rank_cap;
    // (level, parameters) for every level 0 and above that has rows,
    // ascending; points into the index's parameter rows.
    std::span<const LevelParams> params_by_level;
    bool attr_known = false;  // the attribute text names one of the five
    u8 attr_index = 0;        // 0..4
    bool no_support_unit = false;
    u8 character_unit = 10;  // Unit code of the card's character; 10 when unlisted
    u8 support_unit = 10;    // Unit code of the support-unit text; 10 when absent
    u8 unit_mask = 0;        // bits 0..5: the units the card counts for

    // The parameters at `level` (0 reads level 1, beyond the last level reads
    // the last); zeros when the card has none there.
    PowerParams params_at(u32 level) const;
};

// One area-item level row, as the power calculation matches it to a card.
struct AreaItemEffect {
    double power_rate = 0.0;
    double all_match_power_rate = 0.0;
    u32 target_character = 0xFFFFFFFFu;  // all bits set: any character
    i8 target_unit_index = -1;           // -1: any unit
    u8 target_attr_index = 255;          // 255: any attribute
};

// Skill effect kinds of the index.
namespace skill_kind {
inline constexpr u8 SCORE_UP = 0;
inline constexpr u8 LIFE_RECOVERY = 1;
inline constexpr u8 CHARACTER_RANK = 2;
inline constexpr u8 UNIT_COUNT = 3;
inline constexpr u8 DIFF = 4;
inline constexpr u8 REFERENCE = 5;
inline constexpr u8 OTHER = 6;
}  // namespace skill_kind

struct IndexedSkillEffect {
    std::optional<i32> second_value;  // diff and reference skills
    std::optional<i32> unit_count;
    std::optional<i32> character_rank;
    i32 value = 0;
    u8 kind = skill_kind::OTHER;
    u8 enhance_unit = 10;  // Unit code; 10 when the effect names none
};

// Built in place and never copied: its cards point into its own rows.
struct RequestIndex {
    RequestIndex() = default;
    RequestIndex(const RequestIndex&) = delete;
    RequestIndex& operator=(const RequestIndex&) = delete;

    std::unordered_map<u32, IndexedCard> cards_by_id;
    GroupedRows<u32, LevelParams> card_params;  // by card; params_by_level points here
    GroupedRows<u32, CardEpisode> episodes_by_card;
    GroupedRows<u32, MasterLesson> master_lessons_by_rarity;
    std::unordered_map<u32, std::array<i32, 3>> canvas_bonus_by_rarity;
    GroupedRows<u64, AreaItemEffect> area_item_effects;        // by (item, level)
    std::unordered_map<u64, SkillLevel> skill_values;          // (skill, level)
    GroupedRows<u64, IndexedSkillEffect> skill_effects;        // by (skill, level)
    std::unordered_map<u64, u32> honor_level_bonus;            // (honor, level)
    std::vector<std::pair<i32, double>> character_rank_rates;  // by rank, ascending
    u32 max_card_id = 0;

    const IndexedCard* find_card(u32 card_id) const;
    // The rate of the largest rank not above `rank`; 0 when there is none.
    double character_rank_rate(i32 rank) const;
};

std::shared_ptr<const RequestIndex> build_request_index(const MasterDataView& view);

// The unit mask of a card: one bit for a character of units 1..5; for the
// sixth unit its bit plus the bit of a support unit 1..5.
u8 card_unit_mask(u8 character_unit, u8 support_unit);

}  // namespace vdz
