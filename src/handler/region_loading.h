// How a load builds a region's new entry beside the old one. Every step runs
// before anything is replaced, so a failed load leaves the region as it was;
// the region table swaps the finished entry in under its write lock.
#pragma once

#include <string>
#include <string_view>

#include "common/result.h"
#include "engine/raw_tables.h"
#include "handler/region_table.h"

namespace vdz {

// MasterData from a region's tables and music-metas text, or the loader's
// message unchanged.
Result<MasterData> rebuild_region_master_data(const RawTables& tables,
                                              std::string_view music_metas);

// The entry of a full load: the region keeps only its music-metas text
// ("[]" for a new region), read again with the new tables; everything else
// comes from `tables`, and the request index is built over the new master
// data. Errors are the music-metas reader's, the loader's or the area and
// in-game reader's messages, all faults of the caller's input.
Result<RegionEntry> build_loaded_entry(const RegionEntry* current, RawTables tables);

// The entry of a music-metas update: new music metas, and MasterData with
// only its music-meta parts read again; the other tables are not parsed
// again, and the area and in-game tables and the request index, which no
// music meta changes, are shared.
Result<RegionEntry> build_music_metas_entry(const RegionEntry& current, std::string music_metas);

}  // namespace vdz
