// The request's card candidates: every card of the player (and every fixed
// card the player does not own) that the master data knows, configured, with
// a unit and an attribute, becomes one candidate with its effective state and
// the two parts of its event bonus. The card filter and the thinning of large
// event requests run over the list afterwards.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "handler/apply_card_config.h"
#include "handler/event_context.h"
#include "handler/options.h"
#include "handler/request_index.h"
#include "handler/user_records.h"

namespace vdz {

struct CardCandidate {
    UserCard card;                         // a private copy, configuration applied
    const IndexedCard* indexed = nullptr;  // into the request's index
    u16 base_x10 = 0;     // event bonus besides the event-card part, tenths of a percent
    u16 limited_x10 = 0;  // event-card bonus, tenths of a percent
    u16 leader_honor_bonus = 0;
    u16 leader_limit_bonus = 0;
    bool image_trained = false;    // the default image is a trained one
    bool status_trained = false;   // the training status says trained
    bool character_bonus = false;  // a character bonus applies
    bool attribute_bonus = false;  // an attribute bonus applies
    u8 unit_mask = 0;
    u8 attr_index = 0;

    bool trained() const { return image_trained || status_trained; }
    bool has_event_bonus() const { return base_x10 != 0 || limited_x10 != 0; }
};

// Whether a card id stands more than once among the player's cards.
bool has_repeated_card(std::span<const UserCard> user_cards);

// The player's cards with each card id once: a card listed again (a
// malformed export) is one card, and its last entry counts, as it does for
// the result's card states.
std::vector<UserCard> distinct_user_cards(std::span<const UserCard> user_cards);

// The player's cards followed by one not-owned card for every fixed card id
// the player does not have, in the order of the fixed cards.
std::vector<UserCard> add_missing_fixed_cards(std::span<const UserCard> user_cards,
                                              std::span<const i32> fixed_cards,
                                              const RequestIndex& index);

// Only the not-owned cards `add_missing_fixed_cards` appends, in its order.
std::vector<UserCard> missing_fixed_cards(std::span<const UserCard> user_cards,
                                          std::span<const i32> fixed_cards,
                                          const RequestIndex& index);

// The shared inputs of candidate building for one request.
struct CandidateInputs {
    const RequestIndex& index;
    const MasterDataView& view;
    const CollectedCardConfigs& configs;
    const std::optional<EventContext>& event;
};

// Appends the candidate of `card`, unless the card drops out.
void build_pool_candidates(const UserCard& card, const CandidateInputs& inputs,
                           std::vector<CardCandidate>& out);

// The event bonus parts and flags of a candidate under `event`.
void apply_event_bonus(CardCandidate& candidate, const EventContext& event);

// Drops the candidates of `excludedCards`, whatever the request: an excluded
// card enters no pool, no support list and no deck. Fixed cards are not
// spared: a card both fixed and excluded leaves the request without it.
void drop_excluded_cards(std::vector<CardCandidate>& candidates, const RecommendOptions& options);

bool card_passes_filters(const RecommendOptions& options, const std::optional<EventContext>& event,
                         const CardCandidate& candidate);

// Filters and thins the candidates. Returns whether the event's cards were
// thinned (the pool builder then skips its own rarity filter).
bool filter_candidates(std::vector<CardCandidate>& candidates, const RecommendOptions& options,
                       const std::optional<EventContext>& event);

}  // namespace vdz
