// The pool builder: variant candidates, trimming, checks, order, packing,
// then the rest of the search context.
#include "pool/pool_builder.h"

#include <algorithm>
#include <unordered_set>

#include "common/numeric.h"
#include "handler/codes.h"
#include "handler/world_bloom_support.h"
#include "pool/pool_order.h"
#include "pool/pool_packing.h"
#include "pool/pool_trimming.h"

namespace vdz {
namespace {

PoolShape pool_shape(const CardPowerOutput& power, const RecommendOptions& options) {
    PoolShape shape;
    shape.target = power.target;
    shape.live_type = power.live_type;
    shape.has_event = power.event.has_value();
    shape.world_bloom = power.event && power.event->world_bloom();
    shape.final_chapter = power.event && power.event->final_chapter();
    shape.prefiltered = power.prefiltered;
    shape.minimize = options.minimize;
    shape.score_up_bound =
        options.multi_live_score_up_lower_bound && power.live_type == LiveType::MULTI;
    shape.fixed_cards = options.fixed_cards;
    shape.fixed_characters = options.fixed_characters;
    return shape;
}

// The cards whose support the World Bloom lists rank: each eligible card once.
std::vector<SupportCandidate> support_candidates(const CardPowerOutput& power) {
    std::vector<SupportCandidate> out;
    // A player has thousands of cards: a set, not a scan of those seen.
    std::unordered_set<u32> seen;
    seen.reserve(power.support_candidates.size());
    for (const CardCandidate& c : power.support_candidates) {
        if (!seen.insert(c.card.card_id).second) continue;
        SupportCandidate s;
        s.rarity = c.indexed->card.rarity;
        s.master_rank = c.card.master_rank;
        s.skill_level = c.card.skill_level;
        s.card_id = static_cast<u16>(std::min<u32>(c.card.card_id, 65535));
        s.character_id = static_cast<u8>(std::clamp(c.indexed->card.character_id, 0, 255));
        s.unit_mask = c.unit_mask;
        out.push_back(s);
    }
    return out;
}

SupportDeckList to_support_list(SupportBonuses bonuses) {
    SupportDeckList list;
    list.count = bonuses.deck_size;
    list.entries.reserve(bonuses.bonuses.size());
    for (const auto& [card_id, value] : bonuses.bonuses)
        list.entries.push_back({card_id, value});
    return list;
}

// Support lists: off outside World Bloom events; one per character as well
// in the final chapter.
WorldBloomSupport world_bloom_support(const PreparationContext& context,
                                      const CardPowerOutput& power,
                                      const RecommendOptions& options) {
    WorldBloomSupport support;
    if (!power.event || !power.event->world_bloom()) return support;
    const std::vector<SupportCandidate> candidates = support_candidates(power);
    SupportSettings settings;
    settings.character = options.world_bloom_character_id;
    settings.turn = power.event->world_bloom_turn;
    settings.event_id = options.event_id.value_or(0);
    settings.deck_size = WORLD_BLOOM_SUPPORT_DECK_SIZE;
    support.general = to_support_list(
        compute_world_bloom_support_bonuses(candidates, context.view, settings, std::nullopt));
    if (power.event->final_chapter()) {
        support.per_character.resize(27);
        for (i32 c = 1; c <= 26; ++c)
            support.per_character[static_cast<usize>(c)] = to_support_list(
                compute_world_bloom_support_bonuses(candidates, context.view, settings, c));
    }
    return support;
}

// The settings of the context that follow from the request alone.
void fill_settings(SearchContext& ctx, const CardPowerOutput& power,
                   const RecommendOptions& options) {
    const std::optional<EventContext>& event = power.event;
    ctx.target = power.target;
    ctx.live_type = power.live_type;
    ctx.event_kind = event ? static_cast<u8>(event->kind) : NO_EVENT_KIND;
    ctx.world_bloom = event && event->world_bloom();
    ctx.final_chapter = event && event->final_chapter();
    ctx.dominance_pruning = !is_challenge(power.live_type);
    const auto forced = options.forced_leader_character_id;
    if (ctx.final_chapter && forced && *forced >= 1 && *forced <= 26)
        ctx.designated_character = static_cast<u8>(*forced);
    ctx.minimize = options.minimize;
    ctx.keep_after_training_state = options.keep_after_training_state;
    ctx.best_skill_as_leader = options.best_skill_as_leader;
    ctx.skill_reference_choose_strategy = options.skill_reference_choose_strategy;
    ctx.skill_order_choose_strategy = options.skill_order_choose_strategy;
    ctx.specific_skill_order = options.specific_skill_order;
    ctx.multi_live_score_up_lower_bound = options.multi_live_score_up_lower_bound;
    ctx.wl3_power_cap = (ctx.world_bloom && event->world_bloom_turn == 3) ? 1 : 0;
    ctx.limited_bonus_count = event ? event->limited_bonus_count : 5;
    ctx.multi_live_teammate_score_up = options.multi_live_teammate_score_up;
    if (options.multi_live_teammate_power)
        ctx.multi_live_teammate_power = static_cast<u32>(*options.multi_live_teammate_power);
    if (const MusicMeta* music = power.music) {
        ctx.music_event_rate = static_cast<u32>(music->event_rate_solo);
        ctx.music_base_scores = {music->base_score, music->base_score_auto, music->fever_score};
        ctx.music_skill_scores = {music->skill_score_solo, music->skill_score_multi,
                                  music->skill_score_auto};
    }
    ctx.boost_rate = boost_rate_from_option(options.boost);
    ctx.other_score = static_cast<u32>(options.other_score.value_or(0));
    // A negative life would read as a huge one here and as a small one in the
    // search bounds; 0 gives both the same smallest cheerful factor.
    ctx.life = static_cast<u32>(std::max(options.life.value_or(1000), 0));
    if (ctx.world_bloom) ctx.distinct_attr_bonus = event->distinct_attr_bonus;
    ctx.honor_power = power.tables.honor_power;
}

}  // namespace

void append_pool_candidates(const PoweredCard& card, std::vector<PoolCandidate>& out) {
    const CardCandidate& c = card.candidate;
    PoolCandidate base;
    base.card_id = c.card.card_id;
    base.rarity = static_cast<i32>(c.indexed->card.rarity);
    base.unit_mask = c.unit_mask;
    base.value_unit_set = c.unit_mask;
    if (card.first_unit < 6) {
        base.unit_table[card.first_unit] = card.area_bonus[0];
        if (bit_count(c.unit_mask) == 2) base.unit_table[card.second_unit] = card.area_bonus[1];
    }
    base.base_values = {card.power, card.character_rank_bonus, card.fixture_bonus, card.gate_bonus};
    // The card's largest in-deck power bounds it in any deck; its power when
    // no deck condition holds breaks ties between equal maxima.
    const std::array<u32, 8> slots = candidate_unit_slots(base);
    base.power = static_cast<i32>(*std::max_element(slots.begin(), slots.end()));
    base.tie_key = static_cast<i32>(std::max(slots[0], slots[4]));
    base.base_x10 = c.base_x10;
    base.limited_x10 = c.limited_x10;
    base.leader_honor_bonus = c.leader_honor_bonus;
    base.leader_limit_bonus = c.leader_limit_bonus;
    base.character_id = static_cast<u8>(std::clamp(c.indexed->card.character_id, 0, 255));
    base.attr = c.attr_index;
    base.character_bonus = c.character_bonus;
    base.attribute_bonus = c.attribute_bonus;
    base.master_rank = c.card.master_rank;
    base.skill_level = c.card.skill_level;
    base.image_override = card.variant_count == 2;
    for (u8 v = 0; v < card.variant_count; ++v) {
        const SkillVariant& variant = card.variants[v];
        PoolCandidate candidate = base;
        candidate.skill = variant.skill;
        candidate.skill_value = variant.skill_value;
        candidate.skill_secondary = variant.skill_secondary;
        candidate.life_recovery = variant.life_recovery;
        candidate.skill_is_after_training = variant.trained;
        // Of two variants the first is the trained one, shown with its image.
        candidate.trained_to_special_image = card.variant_count == 2 && v == 0;
        out.push_back(std::move(candidate));
    }
}

Result<BuiltPool> build_card_pool(const PreparationContext& context, const CardPowerOutput& power,
                                  const RecommendOptions& options) {
    // 1. One candidate per skill variant; with filterOtherUnit, only the
    // event's unit and the sixth unit alone.
    std::vector<PoolCandidate> candidates;
    candidates.reserve(power.cards.size() * 2);
    for (const PoweredCard& card : power.cards)
        append_pool_candidates(card, candidates);
    if (options.filter_other_unit && power.event && is_real_unit(power.event->unit)) {
        const u8 bit = static_cast<u8>(1u << (power.event->unit - 1));
        std::erase_if(candidates, [&](const PoolCandidate& c) {
            return !(c.unit_mask & bit) && c.unit_mask != 0x20;
        });
    }
    // 2. Trimming.
    const PoolShape shape = pool_shape(power, options);
    trim_candidates(candidates, shape);
    // 3. Checks.
    auto fixed = check_candidates(candidates, shape);
    VDZ_TRY(fixed);
    // 4. Order.
    order_candidates(candidates, shape, *fixed);
    // 5. Packing, with the per-card context vectors and records.
    SearchContext context_out;
    std::vector<PoolCardRecord> records;
    auto pool = pack_candidates(candidates, context_out, records);
    VDZ_TRY(pool);
    BuiltPool out{std::move(context_out), std::move(pool).value(), std::move(records)};
    // 6. The rest of the context.
    SearchContext& ctx = out.context;
    fill_settings(ctx, power, options);
    ctx.fixed_cards = std::move(fixed->cards);
    ctx.fixed_characters = std::move(fixed->characters);
    ctx.world_bloom_support = world_bloom_support(context, power, options);
    ctx.bonus_bound = compute_bonus_bound(ctx.world_bloom_support, ctx.distinct_attr_bonus);
    ctx.skill_bound = compute_skill_bound(out.pool);
    return out;
}

Result<BuiltPool> prepare_card_pool(const UserData& user_data, const MasterDataView& view,
                                    const RecommendOptions& options) {
    return prepare_card_pool(user_data, view, build_request_index(view), options);
}

Result<BuiltPool> prepare_card_pool(const UserData& user_data, const MasterDataView& view,
                                    std::shared_ptr<const RequestIndex> index,
                                    const RecommendOptions& options) {
    const PreparationContext context{view, std::move(index)};
    auto power = compute_card_power(user_data, context, options);
    VDZ_TRY(power);
    return build_card_pool(context, *power, options);
}

}  // namespace vdz
