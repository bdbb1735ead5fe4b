// The only builder of MasterData: reads a region's tables in a fixed order,
// stops at the first failure, and assembles the parts.
#pragma once

#include "common/result.h"
#include "engine/master_data.h"
#include "engine/raw_tables.h"

namespace vdz {

// Builds a region's MasterData from its tables and music-metas text, or
// returns the first failure's message: "缺少 masterdata 表 {}" for an absent
// required table, "解析 {} 失败: {}" for an unreadable one (optional tables
// included), "解析 music_metas 失败: {}" for the music metas, and the
// built-in support tables' own family. Reads no files and keeps no state.
Result<MasterData> load_masterdata(const MasterDataSource& source);

// `current` with its music-meta parts read from a new music-metas text: what
// load_masterdata would build from the tables `current` came from and that
// text, since no other part reads the music metas; those tables were read
// once without error, so the music metas' message is the only failure.
Result<MasterData> replace_music_metas(const MasterData& current, std::string_view music_metas);

}  // namespace vdz
