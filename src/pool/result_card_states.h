// The effective state of every card the player owns under the request's card
// configuration (level, ranks, read episodes, canvas and training state), so
// that the result shows each card as it was valued. Built once per request
// after the pool; a kept pool keeps it for its later searches.
#pragma once

#include <span>
#include <unordered_map>

#include "engine/master_data.h"
#include "handler/options.h"
#include "handler/request_index.h"
#include "handler/user_records.h"

namespace vdz {

// Card id -> the card's configured state; a later card of the same id wins.
using ResultCardStates = std::unordered_map<u32, UserCard>;

ResultCardStates build_result_card_states(std::span<const UserCard> user_cards,
                                          const MasterData& master,
                                          const RecommendOptions& options);

// The same over an index the request has already built.
ResultCardStates build_result_card_states(std::span<const UserCard> user_cards,
                                          const RequestIndex& index, const MasterDataView& view,
                                          const RecommendOptions& options);

}  // namespace vdz
