// The card power step of request preparation: the options are checked
// against the live type and target, the event context is settled, every
// owned card becomes a candidate, and each candidate gets its power parts,
// the player-wide bonuses (character rank, mysekai fixture, gate, area items)
// and its skill variants. Its output is the pool builder's input.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "common/result.h"
#include "handler/card_candidates.h"
#include "handler/event_context.h"
#include "handler/master_data_view.h"
#include "handler/options.h"
#include "handler/pool_candidate.h"
#include "handler/request_index.h"
#include "handler/user_data.h"

namespace vdz {

// One skill a candidate may use in a deck, with the bytes the pool stores.
struct SkillVariant {
    bool trained = false;  // the variant is the card's trained skill
    CandidateSkill skill;
    u8 skill_value = 0;      // main value
    u8 skill_secondary = 0;  // plain value (smallest for a unit-count skill)
    double life_recovery = 0.0;
};

// A candidate with its power parts and skill variants.
struct PoweredCard {
    CardCandidate candidate;
    PowerParams params{};  // p1, p2, p3 after development
    i32 power = 0;         // p1 + p2 + p3
    i32 character_rank_bonus = 0;
    i32 fixture_bonus = 0;
    i32 gate_bonus = 0;
    // Area-item bonus by deck shape (plain, attributes match, units match,
    // both), for the card's first and second unit.
    std::array<std::array<i32, 4>, 2> area_bonus{};
    u8 first_unit = 8;  // unit index of the lowest unit bit; 8 without units
    u8 second_unit = 0;
    std::array<SkillVariant, 2> variants{};
    u8 variant_count = 0;
};

// The player-wide tables of one request.
struct PlayerTables {
    std::array<i32, 27> character_rank{};  // the player's rank per character
    std::array<double, 27> character_rank_rate{};
    std::array<i32, 27> fixture_rate{};
    std::array<double, 6> gate_rate_by_unit{};
    double gate_rate_all = 0.0;
    double gate_rate_no_unit = 0.0;
    // Card ids of the player's canvases (not negative, not above the largest
    // master card id).
    std::unordered_set<u32> canvases;
    i32 honor_power = 0;
};

struct CardPowerOutput {
    std::vector<PoweredCard> cards;
    Target target = Target::SCORE;
    LiveType live_type = LiveType::SOLO;
    std::optional<EventContext> event;
    const MusicMeta* music = nullptr;  // into the master data, for the request's length
    bool prefiltered = false;          // the event's cards were thinned
    PlayerTables tables;
    // Every configured card the master data knows, before the filters: the
    // World Bloom support lists are drawn from these.
    std::vector<CardCandidate> support_candidates;
};

// The master data and its index, as the preparation reads them.
struct PreparationContext {
    const MasterDataView& view;
    std::shared_ptr<const RequestIndex> index;
};

Result<CardPowerOutput> compute_card_power(const UserData& user_data,
                                           const PreparationContext& context,
                                           const RecommendOptions& options);

PlayerTables build_player_tables(const UserData& user_data, const PreparationContext& context,
                                 std::optional<i32> event_id);

// The player's area-item effects, and those that apply to a card of one
// unit, attribute and character, in the player's order. Owned by one card
// power step; each target's list is gathered when a card first asks.
class ApplyingAreaEffects {
  public:
    explicit ApplyingAreaEffects(std::vector<const AreaItemEffect*> all) : all_(std::move(all)) {}
    std::span<const AreaItemEffect* const> of(u8 unit_index, u8 attr_index, i32 character);

  private:
    std::vector<const AreaItemEffect*> all_;
    std::unordered_map<u64, std::vector<const AreaItemEffect*>> by_target_;
};

// Power parts, area bonus and skill variants of one candidate.
PoweredCard power_card(const CardCandidate& candidate, const PlayerTables& tables,
                       const RequestIndex& index, const RecommendOptions& options,
                       const std::optional<EventContext>& event, ApplyingAreaEffects& area_effects);

// The skill bytes and life of skill `skill_id` at `skill_level`, for a card
// of a character at `character_rank`, under an optional score-up limit.
SkillVariant skill_variant_values(const RequestIndex& index, i32 skill_id, u32 skill_level,
                                  i32 character_rank, std::optional<i32> score_up_limit);

}  // namespace vdz
