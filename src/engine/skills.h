// Skills: the nested rows of "skills.json" and the skill index built from
// them, one entry per (skill, level) and one flat value record per effect
// kind, which request preparation reads for a card's skill.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "engine/cards.h"
#include "engine/raw_tables.h"

namespace vdz {

// Rows of "skills.json", keys in declared order. They live only while the
// skill index is built.
struct RawSkillEnhanceCondition {
    std::string unit;
};

struct RawSkillEnhance {
    i32 activate_effect_value = 0;
    std::optional<RawSkillEnhanceCondition> skill_enhance_condition;
};

struct RawSkillEffectDetail {
    i32 level = 0;
    i32 activate_effect_value = 0;
    std::optional<i32> activate_effect_value2;
};

struct RawSkillEffect {
    std::string skill_effect_type;
    std::optional<i32> activate_unit_count;
    std::optional<i32> activate_character_rank;
    std::optional<RawSkillEnhance> skill_enhance;
    std::vector<RawSkillEffectDetail> skill_effect_details;
};

struct RawSkill {
    i32 id = 0;
    std::vector<RawSkillEffect> skill_effects;
};

// A (skill, level) pair that the table defines. Owned by MasterData.
struct SkillLevel {
    i32 skill_id = 0;
    i32 level = 0;
};

// The kinds of value a skill level can carry.
enum class SkillEffectKind : u8 {
    ScoreUp,               // value: score-up rate
    ScoreUpUnitCount,      // value: rate plus enhancement for `unit_count` members of `unit`
    LifeRecovery,          // value: life recovered
    ScoreUpCharacterRank,  // value: rate at `character_rank`
    ScoreUpReference,      // value: reference rate; `extra_value`: its second value
    ScoreUpDiff,           // value: score-up rate; `extra_value`: rate of the smallest unit count
};

// The kind's text: "score_up", "score_up_unit_count", "life_recovery",
// "score_up_character_rank", "score_up_reference", "score_up_diff".
std::string_view skill_effect_kind_text(SkillEffectKind kind);

// One value of one skill at one level. Owned by MasterData.
struct SkillEffectValue {
    i32 skill_id = 0;
    i32 level = 0;
    SkillEffectKind kind = SkillEffectKind::ScoreUp;
    i32 value = 0;
    std::optional<std::string> unit;
    std::optional<i32> unit_count;
    std::optional<i32> character_rank;
    std::optional<i32> extra_value;
};

// The skill index: every row in file order, each row's levels ascending.
struct SkillIndex {
    std::vector<SkillLevel> skill_levels;
    std::vector<SkillEffectValue> skill_effects;
};

// Reader of "skills.json" (required), rows in file order.
Result<std::vector<RawSkill>> read_skills(const RawTables& tables);

// Folds every effect of each skill row into per-level values. Sums and
// products are taken in 64 bits and saturated to the 32-bit range, so hostile
// tables give bounded values instead of wrapped ones.
SkillIndex build_skill_index(const std::vector<RawSkill>& skills,
                             const SkillUnitIndex& skill_units);

}  // namespace vdz
