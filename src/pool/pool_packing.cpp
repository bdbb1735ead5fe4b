// Packing of the ordered candidates and the whole-pool bounds.
#include "pool/pool_packing.h"

#include <algorithm>
#include <cmath>

#include "common/numeric.h"

namespace vdz {
namespace {

// Sum of the values of the first `count` entries of a list.
double support_sum(const SupportDeckList& list) {
    const usize n = std::min<usize>(list.entries.size(), list.count);
    double sum = 0.0;
    for (usize i = 0; i < n; ++i)
        sum += list.entries[i].value;
    return sum;
}

u32 ceil_to_u32(double x) {
    return saturating_cast<u32>(std::ceil(x));
}

}  // namespace

PoolCardRecord make_pool_card_record(const PoolCandidate& c) {
    PoolCardRecord record;
    i64 base_sum = 0;
    for (const i32 v : c.base_values)
        base_sum += v;
    for (usize u = 0; u < 6; ++u) {
        if (!(c.value_unit_set & c.unit_mask & (1u << u))) continue;
        for (usize k = 0; k < 4; ++k) {
            const i64 total = i64{c.unit_table[u][k]} + base_sum;
            record.units[u][k] = PowerBreakdown{
                c.base_values[0],
                c.unit_table[u][k],
                c.base_values[1],
                c.base_values[2],
                c.base_values[3],
                static_cast<i32>(std::clamp<i64>(total, 0, CardPool::MAX_UNIT_VALUE)),
            };
        }
    }
    record.card_id = c.card_id;
    record.master_rank = c.master_rank;
    record.skill_level = c.skill_level;
    record.life_recovery = c.life_recovery;
    record.after_training = c.skill_is_after_training;
    record.image_override = c.image_override;
    record.special_image = c.trained_to_special_image;
    return record;
}

Result<CardPool> pack_candidates(const std::vector<PoolCandidate>& candidates,
                                 SearchContext& context, std::vector<PoolCardRecord>& records) {
    auto allocated = alloc_card_pool(candidates.size());
    VDZ_TRY(allocated);
    CardPool pool = std::move(allocated).value();
    records.reserve(records.size() + candidates.size());
    for (usize j = 0; j < candidates.size(); ++j) {
        const PoolCandidate& c = candidates[j];
        VDZ_TRY(pack_card(pool, static_cast<u16>(j), c));
        context.leader_honor_bonus.push_back(c.leader_honor_bonus);
        context.leader_limit_bonus.push_back(c.leader_limit_bonus);
        context.skill_is_after_training.push_back(c.skill_is_after_training);
        context.trained_to_special_image.push_back(c.trained_to_special_image);
        context.card_enabled.push_back(1);
        records.push_back(make_pool_card_record(c));
    }
    return pool;
}

u32 compute_bonus_bound(const WorldBloomSupport& support,
                        const std::array<u16, 6>& distinct_attr_bonus) {
    double best_character = 0.0;
    for (const SupportDeckList& list : support.per_character)
        best_character = std::max(best_character, support_sum(list));
    const u32 attr = *std::max_element(distinct_attr_bonus.begin(), distinct_attr_bonus.end());
    return ceil_to_u32(support_sum(support.general)) + ceil_to_u32(best_character) + attr;
}

u32 compute_skill_bound(const CardPool& pool) {
    std::array<u32, 5> best{};  // descending
    for (u16 i = 0; i < pool.count(); ++i) {
        u32 v = pool.skill_value(i);
        for (u32& slot : best)
            if (v > slot) std::swap(v, slot);
    }
    return best[0] + best[1] + best[2] + best[3] + best[4];
}

}  // namespace vdz
