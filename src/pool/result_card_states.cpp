// Result card states: the candidate builder's card list and configuration,
// kept per card id.
#include "pool/result_card_states.h"

#include "handler/apply_card_config.h"
#include "handler/card_candidates.h"

namespace vdz {

ResultCardStates build_result_card_states(std::span<const UserCard> user_cards,
                                          const MasterData& master,
                                          const RecommendOptions& options) {
    const MasterDataView view = make_master_data_view(master);
    return build_result_card_states(user_cards, *build_request_index(view), view, options);
}

ResultCardStates build_result_card_states(std::span<const UserCard> user_cards,
                                          const RequestIndex& index, const MasterDataView& view,
                                          const RecommendOptions& options) {
    // 1, 2. The configurations and the card list, fixed cards included: the
    // player's cards, then the fixed ones the player lacks (walked where they
    // are rather than copied into one list).
    const CollectedCardConfigs configs = collect_card_configs(options);
    const std::vector<UserCard> missing =
        missing_fixed_cards(user_cards, options.fixed_cards, index);
    // 3-5. Each known card, configured; excluded cards have no state.
    ResultCardStates states;
    states.reserve(user_cards.size() + missing.size());
    const auto add = [&](const UserCard& card) {
        const IndexedCard* indexed = index.find_card(card.card_id);
        if (!indexed) return;
        UserCard state = card;
        if (!configure_card(state, *indexed, configs, index, view.card_rarities)) return;
        states.insert_or_assign(card.card_id, std::move(state));
    };
    for (const UserCard& card : user_cards)
        add(card);
    for (const UserCard& card : missing)
        add(card);
    return states;
}

}  // namespace vdz
