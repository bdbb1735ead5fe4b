// The steps of the two kinds of load, in the order that decides which error a
// caller sees: music metas, then MasterData, then the area and in-game tables.
#include "handler/region_loading.h"

#include <memory>

#include "engine/area_ingame_tables.h"
#include "engine/masterdata_loader.h"
#include "engine/music_meta_reader.h"
#include "handler/master_data_view.h"
#include "handler/request_index.h"

namespace vdz {

Result<MasterData> rebuild_region_master_data(const RawTables& tables,
                                              std::string_view music_metas) {
    return load_masterdata(MasterDataSource{music_metas, tables});
}

Result<RegionEntry> build_loaded_entry(const RegionEntry* current, RawTables tables) {
    RegionEntry entry;
    // 1. The region's music metas survive full loads.
    if (current != nullptr) entry.music_metas_text = current->music_metas_text;
    auto music_metas = parse_music_metas(entry.music_metas_text);
    if (!music_metas) return std::move(music_metas).error();
    // 2. MasterData from the new tables.
    auto master_data = rebuild_region_master_data(tables, entry.music_metas_text);
    if (!master_data) return std::move(master_data).error();
    // 3. The area and in-game tables from the same tables.
    auto area_ingame = load_area_and_ingame_tables(tables);
    if (!area_ingame) return std::move(area_ingame).error();

    entry.music_metas = std::make_shared<const MusicMetas>(std::move(music_metas).value());
    entry.master_data = std::make_shared<const MasterData>(std::move(master_data).value());
    entry.area_ingame_tables =
        std::make_shared<const AreaIngameTables>(std::move(area_ingame).value());
    // 4. The request index over the new master data.
    entry.request_index = build_request_index(make_master_data_view(*entry.master_data));
    return entry;
}

Result<RegionEntry> build_music_metas_entry(const RegionEntry& current, std::string music_metas) {
    auto parsed = parse_music_metas(music_metas);
    if (!parsed) return std::move(parsed).error();
    auto master_data = replace_music_metas(*current.master_data, music_metas);
    if (!master_data) return std::move(master_data).error();

    RegionEntry entry;
    entry.music_metas_text = std::move(music_metas);
    entry.music_metas = std::make_shared<const MusicMetas>(std::move(parsed).value());
    entry.master_data = std::make_shared<const MasterData>(std::move(master_data).value());
    entry.area_ingame_tables = current.area_ingame_tables;
    entry.request_index = current.request_index;
    return entry;
}

}  // namespace vdz
