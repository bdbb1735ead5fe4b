// A request prepared once and searched as often as the caller likes: the
// candidate pool with everything its search needs, owned outright so that it
// depends on no engine, region entry or master data.
#pragma once

#include <memory>

#include "common/types.h"
#include "handler/user_data.h"

namespace vdz {

// Built by `build_pool` and owned by one pool object; never changed after.
struct PreparedPool {
    u16 card_count = 0;                    // candidate cards in the pool
    std::shared_ptr<const UserData> user;  // the player the pool was built for
    u64 limit = 10;                        // decks to keep, from the options
    u64 timeout_ms = 300'000;              // search time limit, from the options
};

}  // namespace vdz
