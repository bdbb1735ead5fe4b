// The request preparation road shared by `recommend` and `build_pool`.
#include "pool/prepared_pool.h"

#include "pool/pool_builder.h"

namespace vdz {

Result<PreparedPool> prepare_request(std::shared_ptr<const UserData> user, const MasterData& master,
                                     std::shared_ptr<const RequestIndex> index,
                                     const RecommendOptions& options) {
    // 1. The view, and the region's index over it.
    const MasterDataView view = make_master_data_view(master);
    const PreparationContext context{view, std::move(index)};
    // 2. Card power and the pool.
    auto power = compute_card_power(*user, context, options);
    VDZ_TRY(power);
    auto built = build_card_pool(context, *power, options);
    VDZ_TRY(built);
    // 3. The result states, over the same index.
    ResultCardStates states =
        build_result_card_states(user->user_cards, *context.index, view, options);
    // 4. Everything the search and the result writer need, owned.
    BuiltPool& parts = built.value();
    return PreparedPool{std::move(parts.context),
                        std::move(parts.pool),
                        std::move(parts.records),
                        options.target_bonus_list,
                        std::move(states),
                        std::move(user),
                        options.limit,
                        options.timeout_ms,
                        options.target};
}

}  // namespace vdz
