// Building the request index, in the order each step's inputs need.
#include "handler/request_index.h"

#include <algorithm>

#include "common/text.h"
#include "handler/codes.h"

namespace vdz {
namespace {

u8 effect_kind(SkillEffectKind kind) {
    switch (kind) {
        case SkillEffectKind::ScoreUp:
            return skill_kind::SCORE_UP;
        case SkillEffectKind::LifeRecovery:
            return skill_kind::LIFE_RECOVERY;
        case SkillEffectKind::ScoreUpCharacterRank:
            return skill_kind::CHARACTER_RANK;
        case SkillEffectKind::ScoreUpUnitCount:
            return skill_kind::UNIT_COUNT;
        case SkillEffectKind::ScoreUpDiff:
            return skill_kind::DIFF;
        case SkillEffectKind::ScoreUpReference:
            return skill_kind::REFERENCE;
    }
    return skill_kind::OTHER;
}

bool names_no_support_unit(const std::optional<std::string>& text) {
    if (!text) return true;
    const std::string_view trimmed = trim_unicode(*text);
    return trimmed.empty() || equals_ignore_ascii_case(trimmed, "none");
}

// What a card takes from its rarity: the caps of the first rarity row of the
// code, and the largest master rank of the code's lessons. Gathered once per
// index, since every card of a rarity reads the same.
struct RarityCaps {
    std::optional<std::pair<u32, u32>> level_and_skill_level;  // first row of the code
    std::optional<i32> top_master_rank;
};

std::unordered_map<u32, RarityCaps> rarity_caps(const MasterDataView& view) {
    std::unordered_map<u32, RarityCaps> caps;
    for (const CardRarity& rarity : view.card_rarities) {
        RarityCaps& of = caps[rarity.rarity];
        if (!of.level_and_skill_level)
            of.level_and_skill_level = {static_cast<u32>(rarity.training_max_level),
                                        static_cast<u32>(rarity.max_skill_level)};
    }
    for (const MasterLesson& lesson : view.master_lessons) {
        RarityCaps& of = caps[lesson.rarity];
        if (!of.top_master_rank || lesson.master_rank > *of.top_master_rank)
            of.top_master_rank = lesson.master_rank;
    }
    return caps;
}

IndexedCard index_card(const Card& card, const std::unordered_map<u32, u8>& character_units,
                       const std::unordered_map<u32, RarityCaps>& caps) {
    IndexedCard out;
    out.card = card;
    // 1. Units.
    const auto unit = character_units.find(static_cast<u32>(card.character_id));
    out.character_unit = unit == character_units.end() ? unit::OTHER : unit->second;
    out.no_support_unit = names_no_support_unit(card.support_unit);
    out.support_unit = card.support_unit ? parse_unit(*card.support_unit) : unit::OTHER;
    out.unit_mask = card_unit_mask(out.character_unit, out.support_unit);
    // 2. Caps from the first rarity row of the card's rarity, and the
    // largest master rank of its lessons.
    const auto of = caps.find(card.rarity);
    std::optional<i32> top_rank;
    if (of != caps.end()) {
        if (of->second.level_and_skill_level) {
            out.level_cap = of->second.level_and_skill_level->first;
            out.skill_level_cap = of->second.level_and_skill_level->second;
        }
        top_rank = of->second.top_master_rank;
    }
    out.master_rank_cap = static_cast<u32>(top_rank.value_or(0));
    // 3. Attribute.
    const u8 attr = parse_card_attr(card.attr);
    out.attr_known = is_real_attr(attr);
    out.attr_index = out.attr_known ? static_cast<u8>(attr - 1) : 0;
    return out;
}

// Parameters by level: the last row of each level 0 and above, ascending.
void attach_parameters(RequestIndex& index, std::span<const CardParameter> rows) {
    index.card_params.build([&](auto emit) {
        for (const CardParameter& row : rows)
            if (row.level >= 0)
                emit(static_cast<u32>(row.card_id),
                     LevelParams{row.level, {row.param1, row.param2, row.param3}});
    });
    index.card_params.edit_groups([](std::span<LevelParams> levels) {
        const auto by_level = [](const LevelParams& a, const LevelParams& b) {
            return a.first < b.first;
        };
        if (!std::is_sorted(levels.begin(), levels.end(), by_level))
            std::stable_sort(levels.begin(), levels.end(), by_level);
        // Of equal levels keep the last row, which the stable order put last.
        usize out = 0;
        for (usize i = 0; i < levels.size(); ++i) {
            if (i + 1 < levels.size() && levels[i + 1].first == levels[i].first) continue;
            levels[out++] = levels[i];
        }
        return out;
    });
    for (auto& [id, card] : index.cards_by_id)
        card.params_by_level = index.card_params.find(id);
}

AreaItemEffect area_item_effect(const AreaItemLevel& row) {
    AreaItemEffect effect;
    effect.power_rate = row.power1_bonus_rate;
    effect.all_match_power_rate = row.power1_all_match_bonus_rate;
    if (row.target_game_character_id)
        effect.target_character = static_cast<u32>(*row.target_game_character_id);
    if (row.target_unit) {
        const u8 code = parse_unit(*row.target_unit);
        if (is_real_unit(code)) effect.target_unit_index = static_cast<i8>(code - 1);
    }
    if (row.target_card_attr) {
        const u8 code = parse_card_attr(*row.target_card_attr);
        if (is_real_attr(code)) effect.target_attr_index = static_cast<u8>(code - 1);
    }
    return effect;
}

IndexedSkillEffect indexed_skill_effect(const SkillEffectValue& row) {
    IndexedSkillEffect effect{row.extra_value, row.unit_count,        row.character_rank,
                              row.value,       effect_kind(row.kind), unit::OTHER};
    if (row.unit) effect.enhance_unit = parse_unit(*row.unit);
    return effect;
}

}  // namespace

u8 card_unit_mask(u8 character_unit, u8 support_unit) {
    if (character_unit >= unit::LIGHT_SOUND && character_unit <= unit::SCHOOL_REFUSAL)
        return static_cast<u8>(1u << (character_unit - 1));
    if (character_unit != unit::PIAPRO) return 0;
    u8 mask = 0x20;
    if (support_unit >= unit::LIGHT_SOUND && support_unit <= unit::SCHOOL_REFUSAL)
        mask |= static_cast<u8>(1u << (support_unit - 1));
    return mask;
}

PowerParams IndexedCard::params_at(u32 level) const {
    if (params_by_level.empty()) return {0, 0, 0};
    // The dense table's reading: entry max(level, 1), the last entry beyond
    // its end, and a missing level repeats the one below it.
    const i32 last = params_by_level.back().first;
    const i32 index = static_cast<i32>(std::min<i64>(std::max<u32>(level, 1), last));
    const auto above = std::upper_bound(params_by_level.begin(), params_by_level.end(), index,
                                        [](i32 v, const auto& entry) { return v < entry.first; });
    if (above == params_by_level.begin()) return {0, 0, 0};
    return std::prev(above)->second;
}

const IndexedCard* RequestIndex::find_card(u32 card_id) const {
    const auto found = cards_by_id.find(card_id);
    return found == cards_by_id.end() ? nullptr : &found->second;
}

double RequestIndex::character_rank_rate(i32 rank) const {
    const auto above =
        std::upper_bound(character_rank_rates.begin(), character_rank_rates.end(), rank,
                         [](i32 v, const auto& entry) { return v < entry.first; });
    return above == character_rank_rates.begin() ? 0.0 : std::prev(above)->second;
}

std::shared_ptr<const RequestIndex> build_request_index(const MasterDataView& view) {
    auto index = std::make_shared<RequestIndex>();

    // 1. Unit of each character: the first row wins.
    std::unordered_map<u32, u8> character_units;
    for (const CharacterUnit& row : view.character_units)
        character_units.try_emplace(static_cast<u32>(row.game_character_id), parse_unit(row.unit));

    // 2. Cards: the first row of an id wins.
    const std::unordered_map<u32, RarityCaps> caps = rarity_caps(view);
    index->cards_by_id.reserve(view.cards.size());
    for (const Card& card : view.cards) {
        const u32 id = static_cast<u32>(card.id);
        if (index->cards_by_id.contains(id)) continue;
        index->cards_by_id.emplace(id, index_card(card, character_units, caps));
    }

    // 3. Parameters by level.
    attach_parameters(*index, view.card_parameters);

    // 4. Episodes by card, master lessons by rarity.
    index->episodes_by_card.build([&](auto emit) {
        for (const CardEpisode& row : view.card_episodes)
            emit(static_cast<u32>(row.card_id), row);
    });
    index->master_lessons_by_rarity.build([&](auto emit) {
        for (const MasterLesson& row : view.master_lessons)
            emit(row.rarity, row);
    });

    // 5. Canvas bonus by rarity: the first row wins.
    for (const CanvasBonus& row : view.canvas_bonuses)
        index->canvas_bonus_by_rarity.try_emplace(
            row.rarity, std::array<i32, 3>{row.power1_bonus_fixed, row.power2_bonus_fixed,
                                           row.power3_bonus_fixed});

    // 6. Area-item effects by (item, level).
    index->area_item_effects.build([&](auto emit) {
        for (const AreaItemLevel& row : view.area_item_levels)
            emit(pair_key(static_cast<u32>(row.area_item_id), static_cast<u32>(row.level)),
                 area_item_effect(row));
    });

    // 7, 8. Skill levels and their effects by (skill, level).
    for (const SkillLevel& row : view.skill_levels)
        index->skill_values.try_emplace(
            pair_key(static_cast<u32>(row.skill_id), static_cast<u32>(row.level)), row);
    index->skill_effects.build([&](auto emit) {
        for (const SkillEffectValue& row : view.skill_effects)
            emit(pair_key(static_cast<u32>(row.skill_id), static_cast<u32>(row.level)),
                 indexed_skill_effect(row));
    });

    // 9. Honor bonus by (honor, level): negatives count 0, the first wins.
    for (const Honor& honor : view.honors)
        for (const RawHonorLevel& level : honor.levels)
            index->honor_level_bonus.try_emplace(
                pair_key(static_cast<u32>(honor.id), static_cast<u32>(level.level)),
                static_cast<u32>(std::max(level.bonus, 0)));

    // 10. Character-rank rates by rank; of equal ranks the last row wins.
    auto& rates = index->character_rank_rates;
    for (const RawCharacterRank& row : view.character_ranks)
        rates.push_back({row.character_rank, row.power1_bonus_rate});
    std::stable_sort(rates.begin(), rates.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    usize out = 0;
    for (usize i = 0; i < rates.size(); ++i) {
        if (i + 1 < rates.size() && rates[i + 1].first == rates[i].first) continue;
        rates[out++] = rates[i];
    }
    rates.resize(out);

    // 11. The largest non-negative card id.
    for (const Card& card : view.cards)
        if (card.id >= 0)
            index->max_card_id = std::max(index->max_card_id, static_cast<u32>(card.id));
    return index;
}

}  // namespace vdz
