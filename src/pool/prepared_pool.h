// A request prepared once and searched as often as the caller likes: the
// candidate pool with everything its search needs, owned outright so that it
// depends on no engine, region entry or master data.
#pragma once

#include <memory>
#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "engine/master_data.h"
#include "handler/options.h"
#include "handler/request_index.h"
#include "handler/user_data.h"
#include "pool/card_pool.h"
#include "pool/pool_card_record.h"
#include "pool/result_card_states.h"
#include "pool/search_context.h"

namespace vdz {

// Built by `build_pool` (and by each `recommend` for its own search) and
// owned by one pool object; never changed after.
struct PreparedPool {
    SearchContext context;
    CardPool pool;
    std::vector<PoolCardRecord> records;   // one per pool card, for the result
    std::vector<i32> target_bonus_list;    // the options' event-bonus tiers
    ResultCardStates result_states;        // the player's configured cards
    std::shared_ptr<const UserData> user;  // the player the pool was built for
    u64 limit = 10;                        // decks to keep, from the options
    u64 timeout_ms = 300'000;              // search time limit, from the options
    Target target = Target::SCORE;

    u16 card_count() const { return pool.count(); }
};

// Request preparation for the fronts of `recommend` and `build_pool`: the
// pool, its context and records, and the result states, from the player's
// data, one region's master data with the region's request index over it,
// and the parsed options. Runs without the interpreter lock; the error is the
// text the caller raises.
Result<PreparedPool> prepare_request(std::shared_ptr<const UserData> user, const MasterData& master,
                                     std::shared_ptr<const RequestIndex> index,
                                     const RecommendOptions& options);

}  // namespace vdz
