// The exact score of one live, note by note: each note's share of the power
// from the in-game note coefficients, its combo coefficient, the skill and
// fever windows it falls in, and the active bonus of multi and cheerful lives.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "common/types.h"
#include "engine/area_ingame_tables.h"
#include "handler/enums.h"

namespace vdz {

// One live to score, borrowed from the caller for the length of the call.
struct ExactLiveRequest {
    LiveType live_type = LiveType::SOLO;
    i32 power = 0;
    std::vector<double> skills;  // one bonus (percent factor) per skill marker, in order
    std::string_view music_score_json;
    i32 multi_sum_power = 0;                                 // 0 or less: five times `power`
    std::optional<std::string_view> fever_music_score_json;  // absent or empty: none
};

// The result JSON {"total", "active_bonus", "notes": [...]}, or the first
// failing check's message (tables not loaded, an unreadable or empty chart,
// a note type or combo count without a row, a total coefficient that is not
// positive).
Result<std::string> calculate_exact_live(const AreaIngameTables& tables,
                                         const ExactLiveRequest& live);

}  // namespace vdz
