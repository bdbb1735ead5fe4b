// Songs and options far beyond any game's, shared by the bound tests: skill
// weights whose products with a live score's terms overflow, and a teammate
// score up near the 32-bit limit. On them a bound must give up rather than
// wrap below the decks it covers.
#pragma once

#include <optional>

#include "pool/search_context.h"

namespace vdz::test {

struct ExtremeSong {
    const char* name;
    LiveType live_type;
    SkillOrderChooseStrategy order;
    double weight;  // every skill weight of every live type
    std::optional<i32> teammate_score_up;

    void apply(SearchContext& context) const {
        context.live_type = live_type;
        context.skill_order_choose_strategy = order;
        for (auto& row : context.music_skill_scores)
            row.fill(weight);
        context.multi_live_teammate_score_up = teammate_score_up;
    }
};

inline constexpr ExtremeSong EXTREME_SONGS[] = {
    {"solo, best skills, huge weights", LiveType::SOLO, SkillOrderChooseStrategy::BEST, 1e15,
     std::nullopt},
    {"solo, averaged skills, huge weights", LiveType::SOLO, SkillOrderChooseStrategy::AVERAGE, 1e15,
     std::nullopt},
    {"solo, averaged skills, negative huge weights", LiveType::SOLO,
     SkillOrderChooseStrategy::AVERAGE, -1e15, std::nullopt},
    {"multi, best skills, huge teammate score up", LiveType::MULTI, SkillOrderChooseStrategy::BEST,
     1e4, 2'000'000'000},
    {"multi, averaged skills, huge teammate score up", LiveType::MULTI,
     SkillOrderChooseStrategy::AVERAGE, 1e4, 2'000'000'000},
};

}  // namespace vdz::test
