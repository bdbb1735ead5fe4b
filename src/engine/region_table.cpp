// Lock discipline of the region table: the read lock covers a lookup and the
// copying of a few shared references, nothing more; the write lock covers one
// whole load. No lock is ever held while an error is reported.
#include "engine/region_table.h"

#include <mutex>

#include "common/text.h"

namespace vdz {

Error region_not_loaded_error(std::string_view region) {
    std::string message = "masterdata for region ";
    message += echoed_input(region);
    message += " is not loaded";
    return make_error(std::move(message));
}

Error poisoned_lock_error() {
    return make_error("poisoned lock: another task failed inside");
}

Result<RegionData> RegionTable::find(std::string_view region) const {
    std::shared_lock lock(mutex_);
    if (poisoned_) return poisoned_lock_error();
    const auto it = entries_.find(region);
    if (it == entries_.end()) return region_not_loaded_error(region);
    const RegionEntry& entry = it->second;
    return RegionData{entry.music_metas, entry.master_data, entry.area_ingame_tables,
                      entry.request_index};
}

Result<Status> RegionTable::replace(std::string_view region, RegionPresence presence,
                                    const EntryBuilder& build) {
    std::unique_lock lock(mutex_);
    if (poisoned_) return poisoned_lock_error();
    try {
        const auto it = entries_.find(region);
        const RegionEntry* current = it == entries_.end() ? nullptr : &it->second;
        if (!current && presence == RegionPresence::MustExist) {
            return region_not_loaded_error(region);
        }
        Result<RegionEntry> built = build(current);
        if (!built) return Status(std::move(built).error());
        // The old entry goes now, under the lock; its parsed parts live on in
        // whichever calls still hold them.
        if (it != entries_.end()) {
            it->second = std::move(built).value();
        } else {
            entries_.emplace(std::string(region), std::move(built).value());
        }
        return ok_status();
    } catch (...) {
        poisoned_ = true;
        throw;
    }
}

}  // namespace vdz
