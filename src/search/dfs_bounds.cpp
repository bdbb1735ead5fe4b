// Why the bounds hold. A card's power column is its largest in-deck power,
// and its skill value is at least every value its skill resolves to in any
// deck; the live score and the event points grow with the deck power, with
// every resolved skill value and with the event bonus, so evaluating them at
// the largest possible inputs bounds them. A card's rounded-up bonus is at
// least its share of the deck's bonus, and the World Bloom support and
// attribute bonuses are at most `bonus_extra`. Per character, a completion
// takes at most one card, and that card is at most the character's best; the
// suffix rows hold, per position, the sums of the j best per-character
// maxima over the later cards.
#include "search/dfs_bounds.h"

#include <algorithm>

#include "common/check.h"
#include "pool/pool_packing.h"
#include "search/deck_evaluator.h"
#include "search/deck_key.h"

namespace vdz {
namespace {

// Sum of the first k keys of `order` whose characters are not used.
template <class Key>
u64 top_unused_sum(const std::array<u8, CHARACTER_SLOT_COUNT>& order,
                   const std::array<Key, CHARACTER_SLOT_COUNT>& keys, u32 used, usize k) {
    u64 sum = 0;
    for (usize j = 0; j < CHARACTER_SLOT_COUNT && k > 0; ++j) {
        if ((used >> order[j]) & 1) continue;
        sum += keys[j];
        --k;
    }
    return sum;
}

}  // namespace

BoundModel make_bound_model(const SearchContext& context, const SuffixTables& suffix) {
    BoundModel m;
    m.context = &context;
    m.suffix = &suffix;
    if (context.world_bloom)
        m.bonus_extra =
            compute_bonus_bound(context.world_bloom_support, context.distinct_attr_bonus);
    m.has_event = context.event_kind != NO_EVENT_KIND;
    return m;
}

u64 bound_key(const BoundModel& m, u64 power, u32 best, u64 bonus) {
    const SearchContext& c = *m.context;
    // Power with the honor power, under the cap when there is one.
    u64 p = power + static_cast<u64>(std::max(c.honor_power, 0));
    if (c.wl3_power_cap != 0) p = std::min<u64>(p, c.power_cap);
    const u32 deck_power = static_cast<u32>(std::min<u64>(p, UINT32_MAX));
    const double deck_bonus = static_cast<double>(bonus + m.bonus_extra);
    const double skill = static_cast<double>(best);
    const i32 score = c.live_type == LiveType::MYSEKAI
                          ? 0
                          : deck_live_score(c, deck_power, {skill, skill, skill, skill, skill});
    return deck_key(c.target, m.has_event,
                    {deck_power, score, deck_event_points(c, score, deck_bonus), 0.0, deck_bonus});
}

u64 character_bound(const BoundModel& m, const PartialSums& sums, u32 used_characters,
                    usize depth) {
    VDZ_ASSERT(depth < 5);
    const SuffixTables& t = *m.suffix;
    const usize k = 5 - depth;
    const u64 power =
        u64{sums.power_sum} + top_unused_sum(t.power_order, t.power_by_rank, used_characters, k);
    const u64 bonus =
        u64{sums.bonus_sum} + top_unused_sum(t.bonus_order, t.bonus_by_rank, used_characters, k);
    u32 best = sums.max_skill;
    for (usize j = 0; j < CHARACTER_SLOT_COUNT; ++j) {
        if ((used_characters >> t.skill_order[j]) & 1) continue;
        best = std::max<u32>(best, t.skill_by_rank[j]);
        break;
    }
    return bound_key(m, power, best, bonus);
}

u64 position_bound(const BoundModel& m, const PartialSums& sums, usize row, usize columns) {
    const SuffixTables& t = *m.suffix;
    VDZ_ASSERT(row < t.power_sums.size() && columns <= 5);
    const u64 power = u64{sums.power_sum} + t.power_sums[row][columns];
    const u32 best = std::max<u32>(sums.max_skill, t.max_skill_from[row]);
    u64 bonus = sums.bonus_sum;
    if (m.context->final_chapter) {
        // Limited parts count only for so many cards of a deck.
        const u64 slots = m.context->limited_bonus_count;
        const u64 left = slots > sums.limited_count ? slots - sums.limited_count : 0;
        bonus += t.bonus_base_sums[row][columns] +
                 t.bonus_limited_sums[row][std::min<u64>(columns, left)];
    } else {
        bonus += t.bonus_total_sums[row][columns];
    }
    return bound_key(m, power, best, bonus);
}

u32 doubled_bonus_floor(const PartialSums& sums, usize depth) {
    const u64 doubled = 2 * u64{sums.bonus_sum};
    const u64 rounding = 2 * u64{depth};
    return static_cast<u32>(std::min<u64>(doubled > rounding ? doubled - rounding : 0, UINT32_MAX));
}

}  // namespace vdz
