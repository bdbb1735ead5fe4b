// The skill index: per-level working values folded from each skill's effects,
// then emitted in a fixed order per level.
#include "engine/skills.h"
#include "engine/table_reading.h"
#include "json/typed.h"

#include <algorithm>
#include <map>

#include "common/check.h"
#include "common/numeric.h"

namespace vdz {
namespace {

struct Enhance {
    i32 value = 0;
    std::optional<std::string> unit;
};

struct Reference {
    i32 value = 0;
    std::optional<i32> second;
};

// What the effects of one skill row say about one level.
struct LevelValues {
    std::optional<i32> score_up_rate;
    std::optional<Enhance> enhance;
    std::optional<i64> life_recovery;
    std::vector<std::pair<i32, i32>> unit_count_pairs;      // (member count, value)
    std::vector<std::pair<i32, i32>> character_rank_pairs;  // (character rank, value)
    std::optional<Reference> reference;
};

// Multiplier of the enhancement for 1..5 members of the enhanced unit.
constexpr i64 UNIT_COUNT_MULTIPLIERS[5] = {0, 1, 2, 3, 5};

bool is_score_up_type(const std::string& type) {
    return type == "score_up" || type == "score_up_keep" || type == "score_up_condition_life";
}

void apply_detail(const RawSkillEffect& effect, const RawSkillEffectDetail& detail,
                  LevelValues& level) {
    const std::string& type = effect.skill_effect_type;
    const i32 value = detail.activate_effect_value;
    if (is_score_up_type(type)) {
        level.score_up_rate = std::max(value, level.score_up_rate.value_or(0));
        if (effect.skill_enhance) {
            const auto& condition = effect.skill_enhance->skill_enhance_condition;
            level.enhance = Enhance{effect.skill_enhance->activate_effect_value,
                                    condition ? std::optional(condition->unit) : std::nullopt};
        }
    } else if (type == "life_recovery") {
        level.life_recovery = level.life_recovery.value_or(0) + value;
    } else if (type == "score_up_unit_count") {
        if (effect.activate_unit_count)
            level.unit_count_pairs.emplace_back(*effect.activate_unit_count, value);
    } else if (type == "score_up_character_rank") {
        if (effect.activate_character_rank)
            level.character_rank_pairs.emplace_back(*effect.activate_character_rank, value);
    } else if (type == "other_member_score_up_reference_rate") {
        level.reference = Reference{value, detail.activate_effect_value2};
    }
}

void emit_level(i32 skill_id, i32 level, const LevelValues& values,
                const std::optional<std::string>& skill_unit, SkillIndex& out) {
    auto emit = [&](SkillEffectKind kind, i32 value) -> SkillEffectValue& {
        SkillEffectValue& record = out.skill_effects.emplace_back();
        record.skill_id = skill_id;
        record.level = level;
        record.kind = kind;
        record.value = value;
        return record;
    };
    // 1. The level itself.
    out.skill_levels.push_back(SkillLevel{skill_id, level});
    // 2. Score-up, and its enhancement by the number of members of one unit.
    if (values.score_up_rate) {
        const i32 rate = *values.score_up_rate;
        emit(SkillEffectKind::ScoreUp, rate);
        if (values.enhance) {
            const auto& unit = values.enhance->unit ? values.enhance->unit : skill_unit;
            for (i32 count = 1; count <= 5; ++count) {
                const i64 value =
                    i64{rate} + i64{values.enhance->value} * UNIT_COUNT_MULTIPLIERS[count - 1];
                auto& record = emit(SkillEffectKind::ScoreUpUnitCount, saturate_to<i32>(value));
                record.unit_count = count;
                record.unit = unit;
            }
        }
    }
    // 3. Life recovery.
    if (values.life_recovery)
        emit(SkillEffectKind::LifeRecovery, saturate_to<i32>(*values.life_recovery));
    // 4. Score-up by character rank, in order of appearance.
    for (const auto& [rank, value] : values.character_rank_pairs)
        emit(SkillEffectKind::ScoreUpCharacterRank, value).character_rank = rank;
    // 5. Score-up by reference to other members.
    if (values.reference)
        emit(SkillEffectKind::ScoreUpReference, values.reference->value).extra_value =
            values.reference->second;
    // 6. Score-up by distinct units: the pair with the smallest count, first on ties.
    if (values.score_up_rate && !values.unit_count_pairs.empty()) {
        const std::pair<i32, i32>* smallest = &values.unit_count_pairs.front();
        for (const auto& pair : values.unit_count_pairs) {
            if (pair.first < smallest->first) smallest = &pair;
        }
        emit(SkillEffectKind::ScoreUpDiff, *values.score_up_rate).extra_value = smallest->second;
    }
}

}  // namespace

std::string_view skill_effect_kind_text(SkillEffectKind kind) {
    switch (kind) {
        case SkillEffectKind::ScoreUp:
            return "score_up";
        case SkillEffectKind::ScoreUpUnitCount:
            return "score_up_unit_count";
        case SkillEffectKind::LifeRecovery:
            return "life_recovery";
        case SkillEffectKind::ScoreUpCharacterRank:
            return "score_up_character_rank";
        case SkillEffectKind::ScoreUpReference:
            return "score_up_reference";
        case SkillEffectKind::ScoreUpDiff:
            return "score_up_diff";
    }
    VDZ_ASSERT(false);
    return "";
}

SkillIndex build_skill_index(const std::vector<RawSkill>& skills,
                             const SkillUnitIndex& skill_units) {
    SkillIndex index;
    for (const RawSkill& skill : skills) {
        // Every detail creates its level, whatever the effect's type.
        std::map<i32, LevelValues> levels;
        for (const RawSkillEffect& effect : skill.skill_effects) {
            for (const RawSkillEffectDetail& detail : effect.skill_effect_details)
                apply_detail(effect, detail, levels[detail.level]);
        }
        if (levels.empty()) continue;
        std::optional<std::string> skill_unit;
        if (const auto it = skill_units.find(skill.id); it != skill_units.end())
            skill_unit = it->second;
        for (const auto& [level, values] : levels)
            emit_level(skill.id, level, values, skill_unit, index);
    }
    return index;
}

constexpr auto json_layout(json::Of<RawSkillEnhanceCondition>) {
    return json::record("RawSkillEnhanceCondition",
                        json::required("unit", &RawSkillEnhanceCondition::unit));
}

constexpr auto json_layout(json::Of<RawSkillEnhance>) {
    using R = RawSkillEnhance;
    return json::record("RawSkillEnhance",
                        json::required("activateEffectValue", &R::activate_effect_value),
                        json::nullable("skillEnhanceCondition", &R::skill_enhance_condition));
}

constexpr auto json_layout(json::Of<RawSkillEffectDetail>) {
    using R = RawSkillEffectDetail;
    return json::record("RawSkillEffectDetail", json::required("level", &R::level),
                        json::required("activateEffectValue", &R::activate_effect_value),
                        json::nullable("activateEffectValue2", &R::activate_effect_value2));
}

constexpr auto json_layout(json::Of<RawSkillEffect>) {
    using R = RawSkillEffect;
    return json::record("RawSkillEffect", json::required("skillEffectType", &R::skill_effect_type),
                        json::nullable("activateUnitCount", &R::activate_unit_count),
                        json::nullable("activateCharacterRank", &R::activate_character_rank),
                        json::nullable("skillEnhance", &R::skill_enhance),
                        json::defaulted("skillEffectDetails", &R::skill_effect_details));
}

constexpr auto json_layout(json::Of<RawSkill>) {
    return json::record("RawSkill", json::required("id", &RawSkill::id),
                        json::defaulted("skillEffects", &RawSkill::skill_effects));
}

Result<std::vector<RawSkill>> read_skills(const RawTables& tables) {
    return read_table<RawSkill>(tables, "skills.json", TableRule::Required);
}

}  // namespace vdz
