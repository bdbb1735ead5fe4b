// Area-item levels: the power bonus rates each level of each area item grants,
// optionally restricted to a unit, an attribute or a character. Kept in one
// canonical order with normalised targets so that request preparation can
// group the rows of one (item, level) deterministically.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "engine/raw_tables.h"

namespace vdz {

// Row of "areaItemLevels.json", keys in declared order. Also the record kept
// in MasterData, where both text targets hold their normalised values.
struct AreaItemLevel {
    i32 area_item_id = 0;
    i32 level = 0;
    std::optional<std::string> target_unit;
    std::optional<std::string> target_card_attr;
    std::optional<i32> target_game_character_id;
    double power1_bonus_rate = 0.0;
    double power1_all_match_bonus_rate = 0.0;
};
using RawAreaItemLevel = AreaItemLevel;

// Reader of "areaItemLevels.json" (required), rows in file order.
Result<std::vector<RawAreaItemLevel>> read_area_item_levels(const RawTables& tables);

// Trimmed target; none when absent, empty, "none" or "any" (case-sensitive).
std::optional<std::string> normalize_optional_target(const std::optional<std::string>& text);

// Normalises the targets and stable-sorts the rows into canonical order:
// item, unit, attribute, character (absent before present, texts in byte
// order, ids signed), then level; equal keys keep file order.
std::vector<AreaItemLevel> index_area_item_levels(std::vector<RawAreaItemLevel> rows);

}  // namespace vdz
