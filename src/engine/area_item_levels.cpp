// Normalisation and canonical order of the area-item levels.
#include "engine/area_item_levels.h"
#include "engine/table_reading.h"
#include "json/typed.h"

#include <algorithm>

#include "common/text.h"

namespace vdz {
namespace {

// Absent sorts before present; present values compare by their own order
// (byte-wise for texts, signed for ids).
template <class T>
int compare_optional(const std::optional<T>& a, const std::optional<T>& b) {
    if (!a || !b) return int(bool(a)) - int(bool(b));
    if (*a < *b) return -1;
    return *b < *a ? 1 : 0;
}

bool area_item_level_less(const AreaItemLevel& a, const AreaItemLevel& b) {
    if (a.area_item_id != b.area_item_id) return a.area_item_id < b.area_item_id;
    if (int c = compare_optional(a.target_unit, b.target_unit)) return c < 0;
    if (int c = compare_optional(a.target_card_attr, b.target_card_attr)) return c < 0;
    if (int c = compare_optional(a.target_game_character_id, b.target_game_character_id))
        return c < 0;
    return a.level < b.level;
}

AreaItemLevel normalised(AreaItemLevel row) {
    row.target_unit = normalize_optional_target(row.target_unit);
    row.target_card_attr = normalize_optional_target(row.target_card_attr);
    return row;
}

}  // namespace

std::optional<std::string> normalize_optional_target(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    const std::string_view trimmed = trim_unicode(*text);
    if (trimmed.empty() || trimmed == "none" || trimmed == "any") return std::nullopt;
    return std::string(trimmed);
}

std::vector<AreaItemLevel> index_area_item_levels(std::vector<RawAreaItemLevel> rows) {
    // The order compares normalised targets, which the stored rows hold.
    for (AreaItemLevel& row : rows)
        row = normalised(std::move(row));
    std::stable_sort(rows.begin(), rows.end(), area_item_level_less);
    return rows;
}

constexpr auto json_layout(json::Of<AreaItemLevel>) {
    using R = AreaItemLevel;
    return json::record("RawAreaItemLevel", json::required("areaItemId", &R::area_item_id),
                        json::required("level", &R::level),
                        json::nullable("targetUnit", &R::target_unit),
                        json::nullable("targetCardAttr", &R::target_card_attr),
                        json::nullable("targetGameCharacterId", &R::target_game_character_id),
                        json::required("power1BonusRate", &R::power1_bonus_rate),
                        json::required("power1AllMatchBonusRate", &R::power1_all_match_bonus_rate));
}

Result<std::vector<RawAreaItemLevel>> read_area_item_levels(const RawTables& tables) {
    return read_table<RawAreaItemLevel>(tables, "areaItemLevels.json", TableRule::Required);
}

}  // namespace vdz
