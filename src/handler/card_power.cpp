// The card power step: option checks, player-wide tables, and per candidate
// its power parameters, bonuses, area-item variants and skill variants.
#include "handler/card_power.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <unordered_set>

#include "common/numeric.h"
#include "common/text.h"
#include "handler/codes.h"
#include "handler/options_validation.h"

namespace vdz {
namespace {

Error invalid(std::string message) {
    return option_error_from_pool_error(PoolBuildError::invalid_params(std::move(message)));
}

// Keeps the larger value; a NaN never wins.
void raise(double& slot, double value) {
    if (value > slot) slot = value;
}

void add_params(PowerParams& into, i32 a, i32 b, i32 c) {
    into[0] = wrapping_add(into[0], a);
    into[1] = wrapping_add(into[1], b);
    into[2] = wrapping_add(into[2], c);
}

// The card's three power parameters after development.
PowerParams developed_params(const CardCandidate& c, const RequestIndex& index,
                             const std::unordered_set<u32>& canvases) {
    const IndexedCard& indexed = *c.indexed;
    const Card& master = indexed.card;
    // 1. Level.
    PowerParams p = indexed.params_at(c.card.level);
    // 2. Special training.
    if (is_trained_status(c.card.special_training_status))
        add_params(p, master.special_training_power1_bonus_fixed,
                   master.special_training_power2_bonus_fixed,
                   master.special_training_power3_bonus_fixed);
    // 3. Read episodes.
    for (const CardEpisode& e : index.episodes_by_card.find(c.card.card_id)) {
        const u32 id = static_cast<u32>(e.episode_id);
        if (std::find(c.card.episodes.begin(), c.card.episodes.end(), id) != c.card.episodes.end())
            add_params(p, e.power1_bonus, e.power2_bonus, e.power3_bonus);
    }
    // 4. Master lessons up to the card's master rank.
    for (const MasterLesson& l : index.master_lessons_by_rarity.find(master.rarity))
        if (i64{l.master_rank} <= i64{c.card.master_rank})
            add_params(p, l.power1_bonus, l.power2_bonus, l.power3_bonus);
    // 5. Canvas: as configured, else when the player owns the card's canvas.
    const bool canvas = c.card.canvas == CanvasState::YES ||
                        (c.card.canvas == CanvasState::UNSET && canvases.contains(c.card.card_id));
    const auto bonus = index.canvas_bonus_by_rarity.find(master.rarity);
    if (canvas && bonus != index.canvas_bonus_by_rarity.end())
        add_params(p, bonus->second[0], bonus->second[1], bonus->second[2]);
    return p;
}

// Area-item bonus of one deck shape, over the effects that apply to the card.
i32 area_bonus(std::span<const AreaItemEffect* const> applying, const PowerParams& p, int shape) {
    std::array<double, 3> a{};
    for (const AreaItemEffect* e : applying) {
        const bool unit_match = shape >= 2 && e->target_unit_index != -1;
        const bool attr_match = (shape == 1 || shape == 3) && e->target_attr_index != 255;
        const double rate = (unit_match || attr_match) ? e->all_match_power_rate : e->power_rate;
        for (usize k = 0; k < 3; ++k)
            a[k] += (rate * 0.01) * static_cast<double>(p[k]);
    }
    i32 sum = 0;
    for (const double v : a)
        sum = wrapping_add(sum, floor_to_i32(v));
    return sum;
}

i32 character_index(i32 character) {
    return (character >= 0 && character <= 26) ? character : -1;
}

}  // namespace

PlayerTables build_player_tables(const UserData& user, const PreparationContext& context,
                                 std::optional<i32> event_id) {
    PlayerTables t;
    const RequestIndex& index = *context.index;
    // 1. Character ranks and their rates; a later row of a character wins.
    for (const UserCharacter& row : user.user_characters)
        if (row.character_id <= 26)
            t.character_rank[row.character_id] = static_cast<i32>(row.character_rank);
    for (usize c = 0; c < 27; ++c)
        t.character_rank_rate[c] = index.character_rank_rate(t.character_rank[c]);
    // 2. Fixture rates: the first row of a character, under the limit of the
    // request's event id, which needs no event context.
    const std::optional<i32> limit =
        event_id ? fixture_bonus_limit(context.view, *event_id) : std::nullopt;
    std::array<bool, 27> seen{};
    for (const UserFixtureBonus& row : user.fixture_bonuses) {
        if (row.game_character_id > 26 || seen[row.game_character_id]) continue;
        seen[row.game_character_id] = true;
        i32 rate = static_cast<i32>(row.total_bonus_rate);
        if (limit) rate = std::min(rate, *limit);
        t.fixture_rate[row.game_character_id] = rate;
    }
    // 3. Gate rates: resolved through master data when the record names a
    // gate and a level, else the record's own rate and unit.
    for (const UserMysekaiGate& gate : user.mysekai_gates) {
        std::string_view unit_text;
        double rate = 0.0;
        if (gate.gate_id && gate.gate_level) {
            const auto master = std::find_if(
                context.view.mysekai_gates.begin(), context.view.mysekai_gates.end(),
                [&](const MysekaiGate& g) { return static_cast<u32>(g.id) == *gate.gate_id; });
            const auto level = std::find_if(
                context.view.mysekai_gate_levels.begin(), context.view.mysekai_gate_levels.end(),
                [&](const RawMysekaiGateLevel& l) {
                    return static_cast<u32>(l.mysekai_gate_id) == *gate.gate_id &&
                           static_cast<u32>(l.level) == *gate.gate_level;
                });
            if (master == context.view.mysekai_gates.end() ||
                level == context.view.mysekai_gate_levels.end())
                continue;
            unit_text = master->unit;
            rate = level->power_bonus_rate;
        } else {
            if (!gate.power_bonus_rate || *gate.power_bonus_rate == 0) continue;
            unit_text = gate.unit;
            rate = static_cast<double>(*gate.power_bonus_rate);
        }
        if (trim_unicode(unit_text).empty()) {
            raise(t.gate_rate_no_unit, rate);
        } else if (const u8 code = parse_unit(unit_text); is_real_unit(code)) {
            raise(t.gate_rate_by_unit[code - 1], rate);
        }
        raise(t.gate_rate_all, rate);
    }
    // 4. Canvases the player owns.
    for (const u32 id : user.mysekai_canvases)
        if (static_cast<i32>(id) >= 0 && id <= index.max_card_id) t.canvases.insert(id);
    // Honor power: the honors' bonuses at the player's levels. A long list
    // of large bonuses stops at i32's largest value rather than wrap: five
    // cards' powers added to it then stay within 32 bits, and every deck's
    // power keeps growing with its cards' powers, as the search bounds read it.
    i64 honor = 0;
    for (const UserHonor& h : user.user_honors) {
        const auto bonus = index.honor_level_bonus.find(pair_key(h.honor_id, h.level));
        if (bonus != index.honor_level_bonus.end())
            honor = std::min<i64>(honor + bonus->second, std::numeric_limits<i32>::max());
    }
    t.honor_power = static_cast<i32>(honor);
    return t;
}

std::span<const AreaItemEffect* const> ApplyingAreaEffects::of(u8 unit_index, u8 attr_index,
                                                               i32 character) {
    const u64 key = (u64{unit_index} << 40) | (u64{attr_index} << 32) | static_cast<u32>(character);
    auto [found, added] = by_target_.try_emplace(key);
    if (added) {
        for (const AreaItemEffect* e : all_) {
            if (e->target_unit_index != -1 && e->target_unit_index != unit_index) continue;
            if (e->target_attr_index != 255 && e->target_attr_index != attr_index) continue;
            if (e->target_character != 0xFFFFFFFFu &&
                e->target_character != static_cast<u32>(character))
                continue;
            found->second.push_back(e);
        }
    }
    return found->second;
}

SkillVariant skill_variant_values(const RequestIndex& index, i32 skill_id, u32 skill_level,
                                  i32 character_rank, std::optional<i32> limit) {
    SkillVariant out;
    const auto level = index.skill_values.find(pair_key(static_cast<u32>(skill_id), skill_level));
    if (level == index.skill_values.end()) return out;
    const std::span<const IndexedSkillEffect> effects = index.skill_effects.find(
        pair_key(static_cast<u32>(level->second.skill_id), static_cast<u32>(level->second.level)));
    if (effects.empty()) return out;

    // cap: not negative, under the event's limit, within a byte.
    const auto cap = [&](i64 v) -> u8 {
        v = std::max<i64>(v, 0);
        if (limit) v = std::min<i64>(v, *limit);
        return static_cast<u8>(std::clamp<i64>(v, 0, 255));
    };
    i64 s0 = 0, s2 = 0, life = 0;
    std::optional<u8> enhance_unit;
    std::array<u8, 6> unit_table{};  // entries 1..5
    bool diff = false;
    u8 d = 0, d2 = 0;
    i64 ref = 0, ref2 = 0;
    for (const IndexedSkillEffect& e : effects) {
        switch (e.kind) {
            case skill_kind::SCORE_UP:
                s0 = std::max<i64>(s0, e.value);
                break;
            case skill_kind::LIFE_RECOVERY:
                life += e.value;
                break;
            case skill_kind::CHARACTER_RANK:
                if (e.character_rank && *e.character_rank <= character_rank)
                    s2 = std::max<i64>(s2, e.value);
                break;
            case skill_kind::UNIT_COUNT:
                enhance_unit = e.enhance_unit;
                if (e.unit_count && *e.unit_count >= 1 && *e.unit_count <= 5)
                    unit_table[static_cast<usize>(*e.unit_count)] = cap(e.value);
                break;
            case skill_kind::DIFF:
                diff = true;
                d = cap(e.value);
                d2 = static_cast<u8>(std::clamp<i64>(e.second_value.value_or(0), 0, 255));
                break;
            case skill_kind::REFERENCE:
                ref = e.value;
                ref2 = e.second_value.value_or(0);
                break;
            default:
                break;
        }
    }
    const u8 base = cap(s0 + s2);
    out.life_recovery = static_cast<double>(std::max<i64>(life, 0));
    out.skill_value = out.skill_secondary = base;
    out.skill.plain_value = base;
    if (enhance_unit && is_real_unit(*enhance_unit)) {
        // Values for 1..5 deck cards of the enhance unit; missing counts take base.
        u8 top = 0, bottom = 255;
        for (usize n = 1; n <= 5; ++n) {
            if (unit_table[n] == 0) unit_table[n] = base;
            top = std::max(top, unit_table[n]);
            bottom = std::min(bottom, unit_table[n]);
        }
        unit_table[0] = static_cast<u8>(*enhance_unit - 1);
        out.skill.has_unit_count = true;
        out.skill.unit_count = unit_table;
        out.skill_value = top;
        out.skill_secondary = bottom;
    } else if (diff) {
        out.skill.has_diff = true;
        out.skill.diff = {d, d2};
        // The main byte caps the special value and bounds every search; a
        // plain value above the special one must not slip past that bound.
        out.skill_value = std::max(base, cap(i64{d} + 2 * i64{d2}));
    } else if (ref > 0 && ref2 > 0) {
        // The room under the event's limit and under the main byte: a deck
        // resolves the skill to its plain value plus at most `extra`, and
        // every search bound reads the main byte as the largest value.
        i64 extra = std::min<i64>(ref2, 255 - i64{base});
        if (limit) extra = std::min<i64>(extra, std::max<i64>(i64{*limit} - base, 0));
        out.skill.has_ref = true;
        out.skill.ref = {static_cast<u8>(std::min<i64>(ref, 255)), static_cast<u8>(extra)};
        out.skill_value = static_cast<u8>(base + extra);
    }
    return out;
}

PoweredCard power_card(const CardCandidate& c, const PlayerTables& t, const RequestIndex& index,
                       const RecommendOptions& options, const std::optional<EventContext>& event,
                       ApplyingAreaEffects& area_effects) {
    const Card& master = c.indexed->card;
    const i32 character = character_index(master.character_id);
    const std::optional<i32> limit = event ? event->skill_score_up_limit : std::nullopt;
    PoweredCard out;
    out.candidate = c;

    // 4. Power parameters and their sum (32-bit wrapping).
    out.params = developed_params(c, index, t.canvases);
    out.power = wrapping_add(wrapping_add(out.params[0], out.params[1]), out.params[2]);

    // 5. The card's rates.
    const float rc = character >= 0 ? static_cast<float>(t.character_rank_rate[character]) : 0.0f;
    const double rm = character >= 0 ? static_cast<double>(t.fixture_rate[character]) : 0.0;
    const u8 mask = c.unit_mask;
    double ru = mask == 0x20 ? t.gate_rate_all : t.gate_rate_no_unit;
    if (mask & ~0x20u)
        for (usize u = 0; u < 6; ++u)
            if (mask & (1u << u)) raise(ru, t.gate_rate_by_unit[u]);

    // 6. Bonuses. The character-rank bonus is computed in single precision.
    const float rc_fraction = rc * 0.01f;
    for (const i32 p : out.params)
        out.character_rank_bonus = wrapping_add(out.character_rank_bonus,
                                                floor_to_i32(rc_fraction * static_cast<float>(p)));
    const double total = static_cast<double>(out.power);
    out.fixture_bonus = floor_to_i32((rm * total) * 0.001);
    out.gate_bonus = floor_to_i32((ru * total) * 0.01);

    // 7. Area items, for cards of one or two units.
    const int units = bit_count(mask);
    if (units >= 1) out.first_unit = static_cast<u8>(std::countr_zero(mask));
    if (units == 2)
        out.second_unit = static_cast<u8>(std::countr_zero(static_cast<u8>(mask & (mask - 1))));
    if (units == 1 || units == 2) {
        for (int u = 0; u < units; ++u) {
            const auto applying = area_effects.of(u == 0 ? out.first_unit : out.second_unit,
                                                  c.attr_index, master.character_id);
            for (int shape = 0; shape < 4; ++shape)
                out.area_bonus[u][shape] = area_bonus(applying, out.params, shape);
        }
    }

    // 8. Skill variants.
    const i32 rank = character >= 0 ? t.character_rank[character] : 0;
    const auto variant = [&](i32 skill_id, bool trained) {
        SkillVariant v = skill_variant_values(index, skill_id, c.card.skill_level, rank, limit);
        v.trained = trained;
        return v;
    };
    const std::optional<i32> special = master.special_training_skill_id;
    if (!options.keep_after_training_state && special) {
        out.variants[0] = variant(*special, true);
        out.variants[1] = variant(master.skill_id, false);
        out.variant_count = 2;
    } else if (!options.keep_after_training_state) {
        out.variants[0] = variant(master.skill_id, c.trained());
        out.variant_count = 1;
    } else {
        const bool trained = c.image_trained;
        out.variants[0] = variant(trained && special ? *special : master.skill_id, trained);
        out.variant_count = 1;
    }
    return out;
}

Result<CardPowerOutput> compute_card_power(const UserData& user, const PreparationContext& context,
                                           const RecommendOptions& options) {
    const RequestIndex& index = *context.index;
    CardPowerOutput out;
    out.target = options.target;
    out.live_type = options.live_type;

    // 1. Option checks, with the event context settled in between.
    if (auto invalid_options = validate_recommend_options(options))
        return option_error_from_pool_error(std::move(*invalid_options));
    if (options.multi_live_score_up_lower_bound && options.live_type != LiveType::MULTI)
        return invalid("multi_live_score_up_lower_bound 仅支持 multi live");
    out.event = settle_event_context(options, context.view, user.user_honors);
    out.music = choose_music_meta(options, context.view);
    if (!options.target_bonus_list.empty() && options.target != Target::BONUS)
        return invalid("target_bonus_list 仅支持 bonus target");
    if (options.target == Target::BONUS && !out.event)
        return invalid("bonus target 需要活动上下文");
    if (options.target == Target::BONUS && options.event_id == FINAL_CHAPTER_EVENT_ID)
        return invalid("终章不支持 bonus target");

    // 2. Candidates, in the order of the player's cards, then the filters.
    const CollectedCardConfigs configs = collect_card_configs(options);
    const CandidateInputs inputs{index, context.view, configs, out.event};
    std::vector<CardCandidate> candidates;
    const auto build = [&](std::span<const UserCard> cards) {
        candidates.reserve(cards.size());
        for (const UserCard& card : cards)
            build_pool_candidates(card, inputs, candidates);
    };
    if (has_repeated_card(user.user_cards)) {
        build(add_missing_fixed_cards(distinct_user_cards(user.user_cards), options.fixed_cards,
                                      index));
    } else if (options.fixed_cards.empty()) {
        build(user.user_cards);
    } else {
        build(add_missing_fixed_cards(user.user_cards, options.fixed_cards, index));
    }
    drop_excluded_cards(candidates, options);
    if (out.event && out.event->world_bloom()) out.support_candidates = candidates;
    out.prefiltered = filter_candidates(candidates, options, out.event);

    // 3. Player-wide tables.
    out.tables = build_player_tables(user, context, options.event_id);

    // 4-8. Each candidate's power and skills. The area items the player owns
    // select their effects, joined in the player's order.
    std::vector<const AreaItemEffect*> effects;
    for (const UserAreaItem& item : user.user_area_items) {
        for (const AreaItemEffect& effect :
             index.area_item_effects.find(pair_key(item.area_item_id, item.level)))
            effects.push_back(&effect);
    }
    ApplyingAreaEffects area_effects(std::move(effects));
    out.cards.reserve(candidates.size());
    for (const CardCandidate& c : candidates)
        out.cards.push_back(power_card(c, out.tables, index, options, out.event, area_effects));
    return out;
}

}  // namespace vdz
