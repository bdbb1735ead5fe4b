// RecommendOptions: the parsed options of one request. Built once per call by
// parse_recommend_options, read by the preparation steps and dropped with the
// call; a kept pool keeps copies of what it needs, never this record. Texts
// are stored exactly as the JSON gave them; only enumerations are normalised.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "handler/card_config.h"
#include "handler/enums.h"

namespace vdz {

// Ranges the reader and the validation both enforce.
inline constexpr u64 MAX_LIMIT = 100;
inline constexpr u64 MAX_TIMEOUT_MS = 300000;

struct RecommendOptions {
    std::string region = "cn";
    std::optional<i32> event_id;
    std::optional<std::string> event_type;
    LiveType live_type = LiveType::SOLO;
    Target target = Target::SCORE;
    u64 limit = 10;
    std::optional<u64> member;
    u64 timeout_ms = 300000;
    std::vector<i32> target_bonus_list;  // 0..=10000 each, distinct, in order
    bool minimize = false;
    std::optional<i32> music_id;
    std::optional<std::string> music_diff;
    std::vector<i32> fixed_cards;  // card ids, in order
    std::vector<i32> fixed_characters;
    std::optional<i32> forced_leader_character_id;
    std::vector<i32> excluded_cards;
    std::optional<i32> world_bloom_character_id;
    std::optional<i32> world_bloom_event_turn;
    std::optional<i32> challenge_live_character_id;
    std::optional<std::string> event_unit;
    std::optional<std::string> event_attr;
    std::vector<i32> custom_bonus_character_ids;  // 1..=26 each, distinct
    std::optional<std::string> custom_bonus_attr;
    // (character id, unit code), sorted by character id.
    std::vector<std::pair<i32, u8>> custom_bonus_character_support_units;
    bool filter_other_unit = false;
    bool support_master_max = false;
    bool support_skill_max = false;
    bool keep_after_training_state = false;
    bool best_skill_as_leader = true;
    SkillReferenceChooseStrategy skill_reference_choose_strategy =
        SkillReferenceChooseStrategy::AVERAGE;
    SkillOrderChooseStrategy skill_order_choose_strategy = SkillOrderChooseStrategy::BEST;
    std::optional<std::array<u64, 5>> specific_skill_order;
    std::optional<i32> multi_live_teammate_score_up;
    std::optional<i32> multi_live_teammate_power;
    std::optional<double> multi_live_score_up_lower_bound;
    std::optional<i32> boost;
    std::optional<i32> other_score;
    std::optional<i32> life;
    std::optional<std::string> unit_filter;
    std::optional<std::string> attr_filter;
    // Rarity 1, 2, 3, 4 and birthday, by RarityConfigSlot.
    std::array<CardConfig, 5> rarity_configs{};
    std::vector<SingleCardConfig> single_card_configs;
};

// Reads `options_json` into RecommendOptions: every key in its fixed order
// (the first failing key decides the message), then the whole-record
// validation, whose failure reads "构建参数非法: " and the check's text. A text
// that is not JSON fails with the JSON reader's message and position.
Result<RecommendOptions> parse_recommend_options(std::string_view options_json);

}  // namespace vdz
