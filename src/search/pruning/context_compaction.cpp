// Per-card vectors are compacted in one pass each; everything else of the
// context is copied unchanged.
#include "search/pruning/context_compaction.h"

#include "common/check.h"

namespace vdz {

SearchContext remap_search_context(const SearchContext& context, std::span<const u8> keep) {
    // 1. The vectors the pool builder sized to the pool.
    VDZ_ASSERT(context.skill_is_after_training.size() == keep.size());
    VDZ_ASSERT(context.leader_honor_bonus.size() == keep.size());
    VDZ_ASSERT(context.leader_limit_bonus.size() == keep.size());
    VDZ_ASSERT(context.trained_to_special_image.size() == keep.size());
    // 2-3. Settings copied, per-card vectors compacted.
    SearchContext out = context;
    out.skill_is_after_training = compact_column(context.skill_is_after_training, keep);
    out.leader_honor_bonus = compact_column(context.leader_honor_bonus, keep);
    out.leader_limit_bonus = compact_column(context.leader_limit_bonus, keep);
    out.card_enabled = compact_column(context.card_enabled, keep);
    out.trained_to_special_image = compact_column(context.trained_to_special_image, keep);
    return out;
}

std::vector<u16> kept_indices(std::span<const u8> keep) {
    std::vector<u16> out;
    for (usize i = 0; i < keep.size(); ++i)
        if (keep[i] == 1) out.push_back(static_cast<u16>(i));
    return out;
}

}  // namespace vdz
