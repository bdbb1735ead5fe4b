// The checks of validate_recommend_options, in their fixed order.
#include "handler/options_validation.h"

#include <algorithm>
#include <string>

#include "handler/codes.h"

namespace vdz {
namespace {

constexpr u64 ONLY_MEMBER = 5;
constexpr usize MAX_TIERS = 32;
constexpr i32 MAX_TIER = 10000;
constexpr usize MAX_CUSTOM = 26;

const char* check_card_config(const CardConfig& config) {
    if (config.level && *config.level < 1) return "level must be positive";
    if (config.skill_level && *config.skill_level < 1) return "skillLevel must be positive";
    if (config.master_rank && *config.master_rank > 5) return "masterRank must be in 0..=5";
    if (config.episode_read_count && *config.episode_read_count > 2)
        return "episodeReadCount must be in 0..=2";
    return nullptr;
}

template <class T>
bool repeats_earlier(const std::vector<T>& items, usize i) {
    return std::find(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(i), items[i]) !=
           items.begin() + static_cast<std::ptrdiff_t>(i);
}

std::optional<std::string> first_failure(const RecommendOptions& o) {
    // 1. Card configurations: the five rarities, then the per-card entries.
    for (const CardConfig& config : o.rarity_configs)
        if (const char* failure = check_card_config(config)) return failure;
    for (const SingleCardConfig& entry : o.single_card_configs)
        if (const char* failure = check_card_config(entry.config)) return failure;
    // 2-5. Single values.
    if (o.forced_leader_character_id &&
        (*o.forced_leader_character_id < 1 || *o.forced_leader_character_id > 26))
        return "forcedLeaderCharacterId must be in 1..=26";
    if (o.limit < 1 || o.limit > MAX_LIMIT)
        return "limit 必须在 1..=" + std::to_string(MAX_LIMIT) + " 范围内";
    if (o.timeout_ms < 1 || o.timeout_ms > MAX_TIMEOUT_MS)
        return "timeout_ms 必须在 1..=" + std::to_string(MAX_TIMEOUT_MS) + " 范围内";
    if (o.member && *o.member != ONLY_MEMBER) return "member 仅支持 " + std::to_string(ONLY_MEMBER);
    // 6, 7. Event-bonus tiers.
    if (o.target_bonus_list.size() > MAX_TIERS)
        return "target_bonus_list 最多支持 " + std::to_string(MAX_TIERS) + " 个档位";
    for (usize i = 0; i < o.target_bonus_list.size(); ++i) {
        if (o.target_bonus_list[i] > MAX_TIER)
            return "target bonus 必须在 0..=" + std::to_string(MAX_TIER) + " 范围内";
        if (repeats_earlier(o.target_bonus_list, i)) return "target_bonus_list 不得包含重复档位";
    }
    // 8-13. Custom bonus characters, attribute and support units.
    const auto& characters = o.custom_bonus_character_ids;
    if (characters.size() > MAX_CUSTOM) return "custom bonus character 最多支持 26 项";
    for (usize i = 0; i < characters.size(); ++i)
        if (characters[i] < 1 || characters[i] > 26 || repeats_earlier(characters, i))
            return "custom bonus character id 非法或重复";
    if (o.custom_bonus_attr && !is_real_attr(parse_card_attr(*o.custom_bonus_attr)))
        return "custom bonus attr 非法";
    const auto& units = o.custom_bonus_character_support_units;
    if (units.size() > MAX_CUSTOM) return "custom bonus support unit 最多支持 26 项";
    for (usize i = 0; i < units.size(); ++i) {
        // Plain names, not a structured binding: clang 14 cannot capture one.
        const auto character = units[i].first;
        const auto unit_code = units[i].second;
        const bool repeated =
            std::any_of(units.begin(), units.begin() + static_cast<std::ptrdiff_t>(i),
                        [&](const auto& p) { return p.first == character; });
        if (character < 1 || character > 26 || repeated || !is_real_unit(unit_code))
            return "custom bonus support unit 非法或重复";
    }
    for (const auto& [character, unit_code] : units)
        if (std::find(characters.begin(), characters.end(), character) == characters.end())
            return "custom bonus support unit character 必须包含在 custom bonus character 中";
    // 14-16. Cross-field rules.
    if (o.multi_live_score_up_lower_bound && o.live_type != LiveType::MULTI)
        return "multi_live_score_up_lower_bound 仅支持 multi live";
    if (!o.target_bonus_list.empty() && o.target != Target::BONUS)
        return "target_bonus_list 仅支持 bonus target";
    if (o.skill_order_choose_strategy == SkillOrderChooseStrategy::SPECIFIC &&
        !o.specific_skill_order)
        return "specific_skill_order 是 specific 策略的必填项";
    return std::nullopt;
}

}  // namespace

std::optional<PoolBuildError> validate_recommend_options(const RecommendOptions& options) {
    if (auto failure = first_failure(options))
        return PoolBuildError::invalid_params(std::move(*failure));
    return std::nullopt;
}

}  // namespace vdz
