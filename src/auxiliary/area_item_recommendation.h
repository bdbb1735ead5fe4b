// Which single area-item upgrade raises a deck's power most per coin: every
// area item is tried one level up on a copy of the player's data, the deck is
// valued by a full request preparation with and without it, and the upgrades
// that gain power are ranked.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "engine/area_ingame_tables.h"
#include "engine/master_data.h"
#include "handler/request_index.h"
#include "handler/user_data.h"

namespace vdz {

// One upgrade worth listing; owned by the result list.
struct AreaItemUpgrade {
    std::string area_type;
    std::string area_view_type;
    double power_per_coin = 0.0;  // 0.0 when the price has no coins
    i32 area_id = 0;
    i32 area_item_id = 0;
    i32 next_level = 0;
    i32 shop_item_id = 0;
    i32 coin = 0;
    i32 seed = 0;
    i32 szk = 0;
    i32 power = 0;  // gain of the deck's power, at least 1
};

// The power of a deck of one to five of the player's cards (duplicates count
// twice), as a power-target solo request with those cards fixed values it.
Result<i32> evaluate_fixed_deck_power(const UserData& user, const MasterData& master,
                                      const std::shared_ptr<const RequestIndex>& index,
                                      const std::vector<i32>& card_ids);

// The upgrades that gain power, by power per coin, then power, descending,
// then area item id; or the first failing check's message.
Result<std::vector<AreaItemUpgrade>> recommend_area_items(
    const AreaIngameTables& tables, const UserData& user, const MasterData& master,
    const std::shared_ptr<const RequestIndex>& index, const std::vector<i32>& card_ids);

// The compact JSON array of the upgrades.
std::string write_area_item_upgrades(const std::vector<AreaItemUpgrade>& upgrades);

}  // namespace vdz
