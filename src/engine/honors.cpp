// Readers of the honor tables.
#include "engine/honors.h"

#include "engine/table_reading.h"
#include "json/typed.h"

namespace vdz {

constexpr auto json_layout(json::Of<RawHonorLevel>) {
    return json::record("RawHonorLevel", json::required("level", &RawHonorLevel::level),
                        json::defaulted("bonus", &RawHonorLevel::bonus));
}

constexpr auto json_layout(json::Of<Honor>) {
    return json::record("RawHonor", json::required("id", &Honor::id),
                        json::defaulted("levels", &Honor::levels));
}

constexpr auto json_layout(json::Of<RawIdOnly>) {
    return json::record("RawIdOnly", json::required("id", &RawIdOnly::id));
}

Result<std::vector<Honor>> read_honors(const RawTables& tables) {
    return read_table<Honor>(tables, "honors.json", TableRule::Optional);
}

Result<std::vector<i32>> read_bonds_honors(const RawTables& tables) {
    auto rows = read_table<RawIdOnly>(tables, "bondsHonors.json", TableRule::Optional);
    if (!rows) return std::move(rows).error();
    std::vector<i32> ids;
    ids.reserve(rows->size());
    for (const RawIdOnly& row : *rows)
        ids.push_back(row.id);
    return ids;
}

}  // namespace vdz
