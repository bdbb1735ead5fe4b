// The support bonus each card a player owns would give in the support deck
// of one World Bloom turn and character, best first. Every lookup scans its
// table in stored order per card, as the game's tables are small.
#pragma once

#include <string>
#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "engine/master_data.h"
#include "handler/options.h"
#include "handler/user_records.h"

namespace vdz {

// The three switches the caller may add beside the request options.
struct SupportCardSettings {
    bool support_master_max = false;  // value every card at its rarity's top master rank
    bool support_skill_max = false;   // ... and at its rarity's top skill level
    bool filter_other_unit = false;   // also value cards outside the character's unit
};

// One owned card's line of the list; owned by the result list.
struct WorldBloomSupportCard {
    double bonus = 0.0;  // percent, finite and never negative
    i32 card_id = 0;
    i32 skill_level = 0;  // the level the bonus was computed with
    i32 master_rank = 0;  // the rank the bonus was computed with
    i32 level = 0;
    bool after_training = false;
    bool special_training_image = false;
};

// One record per owned card, by bonus descending, then card id ascending,
// then the player's order. Errors (turn, character, an unknown card) carry
// the display text "构建参数非法: {message}".
Result<std::vector<WorldBloomSupportCard>> list_world_bloom_support_cards(
    const std::vector<UserCard>& user_cards, const MasterData& master,
    const RecommendOptions& options, SupportCardSettings settings);

// The compact JSON array of the records, keys in alphabetical order.
std::string write_world_bloom_support_cards(const std::vector<WorldBloomSupportCard>& cards);

}  // namespace vdz
