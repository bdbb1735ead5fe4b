// Reader of the five area and in-game tables. Unlike the loader's tables,
// their failures are reported in English.
#include "engine/area_ingame_tables.h"

#include "engine/table_reading.h"
#include "json/typed.h"

namespace vdz {

constexpr auto json_layout(json::Of<Area>) {
    return json::record("Area", json::required("id", &Area::id),
                        json::defaulted("areaType", &Area::area_type),
                        json::defaulted("viewType", &Area::view_type));
}

constexpr auto json_layout(json::Of<AreaItem>) {
    return json::record("AreaItem", json::required("id", &AreaItem::id),
                        json::required("areaId", &AreaItem::area_id));
}

constexpr auto json_layout(json::Of<CommonResource>) {
    using R = CommonResource;
    return json::record("CommonResource", json::defaulted("resourceId", &R::resource_id),
                        json::defaulted("resourceType", &R::resource_type),
                        json::defaulted("quantity", &R::quantity));
}

constexpr auto json_layout(json::Of<ShopItemCost>) {
    return json::record("ShopItemCost", json::defaulted("cost", &ShopItemCost::cost));
}

constexpr auto json_layout(json::Of<ShopItem>) {
    return json::record("ShopItem", json::required("id", &ShopItem::id),
                        json::defaulted("costs", &ShopItem::costs));
}

constexpr auto json_layout(json::Of<IngameNote>) {
    return json::record("IngameNote", json::required("id", &IngameNote::id),
                        json::required("scoreCoefficient", &IngameNote::score_coefficient));
}

constexpr auto json_layout(json::Of<IngameCombo>) {
    return json::record("IngameCombo", json::defaulted("fromCount", &IngameCombo::from_count),
                        json::defaulted("toCount", &IngameCombo::to_count),
                        json::defaulted("scoreCoefficient", &IngameCombo::score_coefficient));
}

namespace {

// An absent table is an empty list; an unreadable one fails the whole read.
template <class Row>
Status read_optional(const RawTables& tables, std::string_view name, std::vector<Row>& out) {
    const std::string* text = find_table(tables, name);
    if (text == nullptr) return ok_status();
    auto rows = json::read_rows<Row>(*text);
    if (!rows) {
        return make_error("failed to parse " + std::string(name) + ": " + rows.error().message);
    }
    out = std::move(rows).value();
    return ok_status();
}

}  // namespace

Result<AreaIngameTables> load_area_and_ingame_tables(const RawTables& tables) {
    AreaIngameTables out;
    VDZ_TRY(read_optional(tables, "areas.json", out.areas));
    VDZ_TRY(read_optional(tables, "areaItems.json", out.area_items));
    VDZ_TRY(read_optional(tables, "shopItems.json", out.shop_items));
    VDZ_TRY(read_optional(tables, "ingameNotes.json", out.ingame_notes));
    VDZ_TRY(read_optional(tables, "ingameCombos.json", out.ingame_combos));
    return out;
}

}  // namespace vdz
