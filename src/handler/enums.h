// The request's enumerations and their one-byte codes: live type, target,
// the two skill strategies and the event type. The codes travel in the
// options and, copied by the preparation, in the search context, where the
// later steps branch on them.
#pragma once

#include <optional>
#include <string_view>

#include "common/types.h"

namespace vdz {

enum class LiveType : u8 {
    SOLO = 0,
    AUTO = 1,
    MULTI = 2,
    CHEERFUL = 3,
    CHALLENGE = 4,
    CHALLENGE_AUTO = 5,
    MYSEKAI = 6,
};

enum class Target : u8 {
    SCORE = 0,
    POWER = 1,
    SKILL = 2,
    BONUS = 3,
    MYSEKAI = 4,
};

enum class SkillReferenceChooseStrategy : u8 {
    MAX = 0,
    MIN = 1,
    AVERAGE = 2,
};

enum class SkillOrderChooseStrategy : u8 {
    BEST = 0,
    WORST = 1,
    AVERAGE = 2,
    SPECIFIC = 3,
};

// Event kinds as the options and the master data name them; NONE stands for
// "no event" and for any text that names none.
enum class EventType : u8 {
    MARATHON = 0,
    CHEERFUL = 1,
    WORLD_BLOOM = 2,
    NONE = 3,
};

inline bool is_challenge(LiveType live_type) {
    return live_type == LiveType::CHALLENGE || live_type == LiveType::CHALLENGE_AUTO;
}

// Each reader trims Unicode white space, folds ASCII case and compares with
// its accepted texts; no match (the empty text included) gives none.
std::optional<LiveType> parse_live_type(std::string_view text);
std::optional<Target> parse_target(std::string_view text);
std::optional<SkillReferenceChooseStrategy> parse_skill_reference_strategy(std::string_view text);
std::optional<SkillOrderChooseStrategy> parse_skill_order_strategy(std::string_view text);

// Never fails: any text that names no event kind gives EventType::NONE.
EventType parse_event_type(std::string_view text);

}  // namespace vdz
