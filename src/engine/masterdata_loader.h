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

}  // namespace vdz
