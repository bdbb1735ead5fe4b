// The bound key of the final-chapter search: bounded totals of a partial
// deck (power, skill values, leader skill, event bonus in whole percent)
// turned into a key laid out like the exact score key, so a bound compares
// directly with the worst deck kept. The score model is read from the context
// once per search into a small block of integer coefficients.
#pragma once

#include "common/types.h"
#include "handler/enums.h"
#include "pool/search_context.h"

namespace vdz {

// Integer form of the deck evaluator's score model; built once per search,
// owned by it. Coefficients are in millionths and rounded up, so the key
// they give never falls below an exact key.
struct FinalBoundModel {
    Target target = Target::SCORE;
    LiveType live_type = LiveType::SOLO;  // multi counts as cheerful in a cheerful event
    u32 power_extra = 0;                  // honor power added to every deck
    bool power_capped = false;            // the deck power is lowered to power_cap
    u32 power_cap = 0;
    bool teammate_power_set = false;  // room power = deck + 4 x teammate power
    i32 teammate_power = 0;
    i64 base_coef = 0;                 // base score
    i64 skill_sum_coef = 0;            // sum of the six skill weights / 500
    i64 skill_first5_coef = 0;         // sum of the first five skill weights
    i64 skill_last_coef = 0;           // the encore weight
    i64 skill_floor = 0;               // 5 x the teammate score up (multi lives), else 0
    i64 room_power_coef = 0;           // 0.075 for multi and cheerful lives
    bool average_skills = false;       // the live skill order averages the five skills
    bool event_points_in_key = false;  // the request has an event
    u32 event_rate = 100;              // percent
    u32 event_point_rate = 100;        // boost, percent
    i32 cheer_total = 0;               // 0: four times the score bound
    i32 cheerful_rate = 0;             // cheerful multiplier in 1/5000
};

FinalBoundModel make_final_bound_model(const SearchContext& context);

// Upper bound of the exact key of every deck whose power column sum is at
// most `power`, skill value sum at most `skill`, leader skill value `leader`
// and event bonus at most `bonus_pct` percent.
u64 final_bound_key(const FinalBoundModel& model, u32 power, u32 skill, u32 leader, u32 bonus_pct);

}  // namespace vdz
