// Request preparation end to end: from the player's data, one region's
// master data and the options to the packed CardPool, its SearchContext and
// one PoolCardRecord per pool card. The result owns everything it holds and
// points into nothing, so a kept pool outlives the master data it was built
// from.
#pragma once

#include <memory>
#include <vector>

#include "common/result.h"
#include "handler/card_power.h"
#include "handler/master_data_view.h"
#include "handler/options.h"
#include "handler/user_data.h"
#include "pool/card_pool.h"
#include "pool/pool_card_record.h"
#include "pool/search_context.h"

namespace vdz {

struct BuiltPool {
    SearchContext context;
    CardPool pool;
    std::vector<PoolCardRecord> records;  // one per pool card, in pool order
};

// Builds the request index, computes every candidate's power and builds the
// pool. Errors carry the PoolBuildError's display text, or the fixed text of
// a broken packing limit.
Result<BuiltPool> prepare_card_pool(const UserData& user_data, const MasterDataView& view,
                                    const RecommendOptions& options);

// The same over the region's request index, built beforehand over `view`.
Result<BuiltPool> prepare_card_pool(const UserData& user_data, const MasterDataView& view,
                                    std::shared_ptr<const RequestIndex> index,
                                    const RecommendOptions& options);

// The pool builder proper, from the card power step's output.
Result<BuiltPool> build_card_pool(const PreparationContext& context, const CardPowerOutput& power,
                                  const RecommendOptions& options);

// The pool candidates of one powered card: one per skill variant.
void append_pool_candidates(const PoweredCard& card, std::vector<PoolCandidate>& out);

}  // namespace vdz
