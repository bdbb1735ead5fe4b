// Applying a request's card configuration to one of the player's cards: the
// configuration that holds for the card is chosen, may leave the card out,
// and otherwise rewrites its level, ranks, read episodes, canvas state and
// training state, each clamped to the card's caps. It always works on a
// private copy; the UserData is never changed.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "handler/card_config.h"
#include "handler/options.h"
#include "handler/request_index.h"
#include "handler/user_records.h"

namespace vdz {

// The configurations of one request: the per-card entries in option order
// and the five per-rarity ones.
struct CollectedCardConfigs {
    std::vector<SingleCardConfig> single;
    std::array<CardConfig, 5> rarity{};
    // True when nothing is configured: cards are then used unchanged.
    bool inert = true;

    // The first per-card entry of the card, else its rarity's configuration.
    const CardConfig& for_card(u32 card_id, u32 rarity_code) const;
};

CollectedCardConfigs collect_card_configs(const RecommendOptions& options);

// A card has a trained state when it has a special-training skill, a
// positive special-training bonus, or rarity 3 or 4.
bool is_trainable(const Card& card);

// "done", "trained", "after_training" or "special_training" (trimmed, ASCII
// case ignored).
bool is_trained_status(std::string_view text);

// The same words without "done".
bool is_after_training_word(std::string_view text);

// The level above which a configured level means the card is trained: the
// max level of the first card-rarity row of the rarity; none without a row.
std::optional<i32> level_limit_before_training(std::span<const CardRarity> rarities, u32 rarity);

// Rewrites `card` by its configuration; false when the configuration leaves
// the card out (the card is then unchanged). `episodes` are the master
// episode rows of the card.
bool apply_card_config(UserCard& card, const IndexedCard& indexed,
                       const CollectedCardConfigs& configs,
                       std::optional<i32> level_limit_before_training,
                       std::span<const CardEpisode> episodes);

// apply_card_config with the card's episodes and level limit looked up in
// the request's index and the rarity rows.
bool configure_card(UserCard& card, const IndexedCard& indexed, const CollectedCardConfigs& configs,
                    const RequestIndex& index, std::span<const CardRarity> rarities);

}  // namespace vdz
