// The five optional tables that only the auxiliary computations need: areas,
// area items and shop items (area-item upgrades and their prices) and the
// in-game note and combo coefficients (exact live score). Read beside
// MasterData by full loads only, and shared immutably like it.
#pragma once

#include <string>
#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "engine/raw_tables.h"

namespace vdz {

struct Area {
    i32 id = 0;
    std::string area_type;
    std::string view_type;
};

struct AreaItem {
    i32 id = 0;
    i32 area_id = 0;
};

struct CommonResource {
    i32 resource_id = 0;
    std::string resource_type;
    i32 quantity = 0;
};

struct ShopItemCost {
    CommonResource cost;
};

struct ShopItem {
    i32 id = 0;
    std::vector<ShopItemCost> costs;
};

struct IngameNote {
    i32 id = 0;
    double score_coefficient = 0.0;
};

struct IngameCombo {
    i32 from_count = 0;
    i32 to_count = 0;
    double score_coefficient = 0.0;
};

// One region's area and in-game tables, rows in file order. Immutable once
// built; the region entry and every computing call share it by reference.
// An empty list is what its users report as "not loaded".
struct AreaIngameTables {
    std::vector<Area> areas;
    std::vector<AreaItem> area_items;
    std::vector<ShopItem> shop_items;
    std::vector<IngameNote> ingame_notes;
    std::vector<IngameCombo> ingame_combos;
};

// Reads the five tables in the order above; an absent table is an empty list.
// The first unreadable table fails the whole read with
// "failed to parse {name}: {reader's error}".
Result<AreaIngameTables> load_area_and_ingame_tables(const RawTables& tables);

}  // namespace vdz
