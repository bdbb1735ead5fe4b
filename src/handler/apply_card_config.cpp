// Card configuration, step by step as apply_card_config runs it.
#include "handler/apply_card_config.h"

#include <algorithm>

#include "common/text.h"
#include "handler/codes.h"

namespace vdz {
namespace {

constexpr std::array<std::string_view, 3> AFTER_TRAINING_WORDS = {"trained", "after_training",
                                                                  "special_training"};

bool matches_any(std::string_view text, std::span<const std::string_view> words) {
    const std::string_view trimmed = trim_unicode(text);
    return std::any_of(words.begin(), words.end(),
                       [&](std::string_view w) { return equals_ignore_ascii_case(trimmed, w); });
}

void set_trained(UserCard& card, bool trained) {
    card.special_training_status = trained ? "done" : "not_doing";
    card.default_image = trained ? "special_training" : "original";
}

i32 as_signed(u32 v) {
    return static_cast<i32>(v);
}

// `value` clamped to lo..=bound. A master cap below the lower limit is raised
// to it first, so such a card takes the lower limit.
u32 clamp_to_cap(i32 value, i32 lo, std::optional<u32> cap) {
    const i32 bound = std::max(cap ? as_signed(*cap) : value, lo);
    return static_cast<u32>(std::clamp(value, lo, bound));
}

// Raises a value to its cap (signed comparison); no cap changes nothing.
u32 raise_to_cap(u32 value, std::optional<u32> cap) {
    return cap ? static_cast<u32>(std::max(as_signed(value), as_signed(*cap))) : value;
}

}  // namespace

const CardConfig& CollectedCardConfigs::for_card(u32 card_id, u32 rarity_code) const {
    for (const SingleCardConfig& entry : single)
        if (entry.card_id == card_id) return entry.config;
    return rarity[rarity_config_slot(rarity_code)];
}

CollectedCardConfigs collect_card_configs(const RecommendOptions& options) {
    CollectedCardConfigs configs{options.single_card_configs, options.rarity_configs};
    configs.inert = configs.single.empty() &&
                    std::all_of(configs.rarity.begin(), configs.rarity.end(),
                                [](const CardConfig& c) { return c == CardConfig{}; });
    return configs;
}

bool is_trainable(const Card& card) {
    return card.special_training_skill_id.has_value() ||
           card.special_training_power1_bonus_fixed > 0 ||
           card.special_training_power2_bonus_fixed > 0 ||
           card.special_training_power3_bonus_fixed > 0 || card.rarity == 3 || card.rarity == 4;
}

bool is_trained_status(std::string_view text) {
    constexpr std::array<std::string_view, 4> words = {"done", "trained", "after_training",
                                                       "special_training"};
    return matches_any(text, words);
}

bool is_after_training_word(std::string_view text) {
    return matches_any(text, AFTER_TRAINING_WORDS);
}

std::optional<i32> level_limit_before_training(std::span<const CardRarity> rarities, u32 rarity) {
    for (const CardRarity& row : rarities)
        if (row.rarity == rarity) return row.max_level;
    return std::nullopt;
}

bool apply_card_config(UserCard& card, const IndexedCard& indexed,
                       const CollectedCardConfigs& configs, std::optional<i32> level_limit,
                       std::span<const CardEpisode> episodes) {
    // 1, 2. The configuration that holds; a disabled card takes no part.
    const CardConfig& config = configs.for_card(card.card_id, indexed.card.rarity);
    if (config.disable) return false;
    const bool trainable = is_trainable(indexed.card);

    // 3. Highest level, trained when the card can be.
    if (config.level_max) {
        card.level = raise_to_cap(card.level, indexed.level_cap);
        if (trainable) set_trained(card, true);
    }
    // 4. A given level decides the level and the training state.
    if (config.level) {
        card.level = clamp_to_cap(*config.level, 1, indexed.level_cap);
        const i32 bound =
            std::max(indexed.level_cap ? as_signed(*indexed.level_cap) : *config.level, 1);
        const i32 limit = level_limit.value_or(bound);
        set_trained(card, trainable && as_signed(card.level) > limit);
    }
    // 5, 6. Skill level.
    if (config.skill_max)
        card.skill_level = raise_to_cap(card.skill_level, indexed.skill_level_cap);
    if (config.skill_level)
        card.skill_level = clamp_to_cap(*config.skill_level, 1, indexed.skill_level_cap);
    // 7, 8. Master rank.
    if (config.master_max)
        card.master_rank = raise_to_cap(card.master_rank, indexed.master_rank_cap);
    if (config.master_rank)
        card.master_rank = clamp_to_cap(as_signed(*config.master_rank), 0, indexed.master_rank_cap);
    // 9. Read episodes: the first n of the card's episodes by id.
    std::optional<u32> read;
    if (config.episode_read_count) {
        read = *config.episode_read_count;
    } else if (config.episode_read) {
        read = 2;
    }
    if (read) {
        std::vector<i32> ids;
        for (const CardEpisode& episode : episodes)
            ids.push_back(episode.episode_id);
        std::sort(ids.begin(), ids.end());
        ids.resize(std::min<usize>(ids.size(), *read));
        card.episodes.assign(ids.begin(), ids.end());
    }
    // 10. Canvas.
    if (config.canvas) card.canvas = CanvasState::YES;
    return true;
}

bool configure_card(UserCard& card, const IndexedCard& indexed, const CollectedCardConfigs& configs,
                    const RequestIndex& index, std::span<const CardRarity> rarities) {
    return apply_card_config(card, indexed, configs,
                             level_limit_before_training(rarities, indexed.card.rarity),
                             index.episodes_by_card.find(card.card_id));
}

}  // namespace vdz
