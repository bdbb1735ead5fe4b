// The bound key of a challenge-live deck from sums of its cards, for the
// bounded search: its coefficients, taken once per request, and the key no
// deck with given power, skill and bonus sums can pass.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "common/types.h"
#include "search/bounds/suffix_tables.h"

// Its own namespace: the depth-first bounds have a model of the same name.
namespace vdz::challenge_key {

// The coefficients of the bound key, taken once from the suffix tables.
struct BoundModel {
    Target target = Target::SCORE;
    bool event_points_ranked = false;
    u32 power_extra = 0;
    std::optional<u32> power_cap;
    i64 skill_base = 0;
    i64 skill_rate = 0;
    // At each weight's size: the five activation weights, highest first,
    // and the leader's, per point of skill value,
    // times 1,000,000 and rounded up.
    bool paired_skills = false;
    std::array<i64, 5> weights_e6{};
    i64 leader_weight_e6 = 0;
    // A specific skill order: the leader's activation is place 0's, whose
    // weight adds to the leader's own, and the other four cards take places
    // 1 to 4, whose weights `place_weights_e6` hold highest first.
    bool leader_place = false;
    i64 leader_place_e6 = 0;
    std::array<i64, 4> place_weights_e6{};
    std::array<i64, 5> place_e6{};  // each place's weight, in place order
    // The best order: the values meet the weights largest with highest.
    bool best_order = false;
    // The worst order (every weight at least 0) or the average order: the
    // values do not meet the weights largest with highest, and their sum
    // bounds the term (see `spread_skills_e6`).
    bool spread_order = false;
    bool average_order = false;
    std::array<i64, 5> ascending_e6{};  // `weights_e6`, lowest first
    i64 weight_sum_e6 = 0;
    bool first_slot_leads = false;
    bool live_score_in_range = false;  // see `SuffixTables`
    // Under a specific order, the skill parts already worked out, by their
    // inputs (skill sum, largest skill, leader's skill): a search asks for
    // few distinct ones, each many times. Owned by the one search that
    // built the model; a slot is overwritten by the next inputs it serves.
    mutable std::vector<std::pair<u32, i64>> placed_skills_memo;
};

BoundModel bound_model(const SearchContext& context, const SuffixTables& suffix);

// The multiplier of a deck whose slots' values are at most `values`, slot
// by slot, whichever slot leads (see the definition).
i64 slot_places_multiplier_e6(const BoundModel& m, const std::array<u8, 5>& values);

// The same for a deck whose cards carry the ids `ids`, slot 4's unknown
// where `last_open`: where the first slot leads, the others' places follow
// their card ids.
i64 id_places_multiplier_e6(const BoundModel& m, const std::array<u8, 5>& values,
                            const std::array<u16, 5>& ids, bool last_open);

// The live score of a deck of power `p` at most, with skill sum `skill` and
// largest skill `best` at most, rounded up and saturated rather than
// wrapped: a live score never exceeds i32's range.
// `cap`, when given, is a further bound of the multiplier.
u32 live_score_bound(const BoundModel& m, u32 p, u32 skill, u8 best, u8 lead, i64 cap = INT64_MAX);

// The bound key of a deck with power sum `power`, skill sum `skill`,
// largest skill `best`, leader's skill `lead` and event bonus `bonus_x10`
// at most.
u64 bound_key(const BoundModel& m, u32 power, u32 skill, u8 best, u8 lead, u64 bonus_bound_x10,
              i64 multiplier_cap = INT64_MAX);

}  // namespace vdz::challenge_key
