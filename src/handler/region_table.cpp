// Lock discipline of the region table: the read lock covers a lookup and the
// copying of a few shared references, nothing more; the write lock covers one
// whole load. No lock is ever held while an error is reported.
#include "handler/region_table.h"

#include <exception>
#include <mutex>
#include <new>
#include <optional>

#include "common/text.h"

namespace vdz {

Error region_not_loaded_error(std::string_view region) {
    std::string message = "masterdata for region ";
    message += echoed_input(region);
    message += " is not loaded";
    return make_error(std::move(message));
}

namespace {

Error load_failure_error(std::string_view region, std::string_view what) {
    std::string message = "loading masterdata for region ";
    message += echoed_input(region);
    message += " failed: ";
    message.append(what);
    return make_error(std::move(message));
}

}  // namespace

Result<RegionData> RegionTable::find(std::string_view region) const {
    std::shared_lock lock(mutex_);
    const auto it = entries_.find(region);
    if (it == entries_.end()) return region_not_loaded_error(region);
    const RegionEntry& entry = it->second;
    return RegionData{entry.music_metas, entry.master_data, entry.area_ingame_tables,
                      entry.request_index};
}

Result<Status> RegionTable::replace(std::string_view region, RegionPresence presence,
                                    const EntryBuilder& build) {
    std::unique_lock lock(mutex_);
    const auto it = entries_.find(region);
    const RegionEntry* current = it == entries_.end() ? nullptr : &it->second;
    if (!current && presence == RegionPresence::MustExist) return region_not_loaded_error(region);
    // 1. The new entry, off to the side. A throw here has changed nothing.
    std::optional<Result<RegionEntry>> built;
    try {
        built.emplace(build(current));
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& error) {
        return load_failure_error(region, error.what());
    } catch (...) {
        return load_failure_error(region, "unknown failure");
    }
    if (!*built) return Status(std::move(*built).error());
    // 2. The old entry goes now, under the lock; its parsed parts live on in
    // whichever calls still hold them. Assigning moves pointers and cannot
    // throw; a failed emplace leaves the map as it was.
    if (it != entries_.end()) {
        it->second = std::move(**built);
    } else {
        entries_.emplace(std::string(region), std::move(**built));
    }
    return ok_status();
}

}  // namespace vdz
