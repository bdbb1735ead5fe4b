// The engine's whole state: a map from region name to that region's data,
// behind one reader-writer lock. Computing calls look a region up under the
// read lock and leave with shared references; loads build a complete new
// entry under the write lock and swap it in only when every step succeeded.
// It sits above the master data, beside request preparation, because each
// entry keeps the request index built over its tables.
#pragma once

#include <functional>
#include <memory>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "engine/area_ingame_tables.h"
#include "engine/master_data.h"
#include "engine/music_meta.h"
#include "handler/request_index.h"

namespace vdz {

// One region's state. Owned by the region table; never modified in place, a
// load replaces the whole entry. The parsed parts are shared with the calls
// that looked them up and outlive the entry while those calls run. The
// request index depends on the master data's tables alone, so it is built
// once per full load and shared by every request on the region.
struct RegionEntry {
    std::string music_metas_text = "[]";  // as last given; "[]" until then
    std::shared_ptr<const MusicMetas> music_metas;
    std::shared_ptr<const MasterData> master_data;
    std::shared_ptr<const AreaIngameTables> area_ingame_tables;
    std::shared_ptr<const RequestIndex> request_index;  // over master_data's tables
};

// New references to a region's parsed parts, handed to one computing call.
struct RegionData {
    std::shared_ptr<const MusicMetas> music_metas;
    std::shared_ptr<const MasterData> master_data;
    std::shared_ptr<const AreaIngameTables> area_ingame_tables;
    std::shared_ptr<const RequestIndex> request_index;
};

// Whether a write may create its region or needs an existing one.
enum class RegionPresence { MayBeAbsent, MustExist };

class RegionTable {
  public:
    // Builds a region's new entry from its current one (null when the region
    // has none yet). Runs under the write lock.
    using EntryBuilder = std::function<Result<RegionEntry>(const RegionEntry* current)>;

    // The region's parts, or "masterdata for region {} is not loaded". Takes
    // the read lock only for the lookup itself.
    Result<RegionData> find(std::string_view region) const;

    // Runs `build` under the write lock and, when it succeeds, puts its entry
    // in place of the region's old one. The outer result is the table's own
    // verdict (a missing region under `MustExist`, or a build that failed by
    // throwing); the inner one is the builder's. Any error leaves the table
    // untouched.
    //
    // The new entry is built off to the side and moved in only at the end,
    // so a build that throws leaves the table as it was and the lock usable:
    // std::bad_alloc goes on to the caller (the front raises MemoryError),
    // any other exception becomes the outer error. Nothing poisons the table.
    Result<Status> replace(std::string_view region, RegionPresence presence,
                           const EntryBuilder& build);

  private:
    struct NameHash {
        using is_transparent = void;
        usize operator()(std::string_view name) const {
            return std::hash<std::string_view>{}(name);
        }
    };

    mutable std::shared_mutex mutex_;
    std::unordered_map<std::string, RegionEntry, NameHash, std::equal_to<>> entries_;
};

// "masterdata for region {} is not loaded".
Error region_not_loaded_error(std::string_view region);

}  // namespace vdz
