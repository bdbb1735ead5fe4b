// Test-only pools: cards described by the values of their pool columns and
// packed straight into a CardPool beside a SearchContext, without the pool
// builder, so a test states exactly what the evaluator and the searches read.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "pool/card_pool.h"
#include "pool/pool_packing.h"
#include "pool/search_context.h"

namespace vdz::test {

// One pool card, column by column.
struct TestCard {
    u16 card_id = 1;
    u8 character = 1;
    u8 attr = 0;
    u8 units = 0x01;  // unit_mask; the lowest bit is the first unit
    // 18-bit per-unit values: slots 0-3 for the first unit, 4-7 for the
    // second (the next set bit of `units`; a one-unit card uses 0-3 only).
    // Slot k = 2 x (all five share the unit) + (all five share the attribute).
    std::array<u32, 8> unit_values{};
    u32 power = 0;  // the power column
    // The skill: plain (kind 0) with `skill_value`, or one side-table skill.
    CandidateSkill skill;
    u8 skill_value = 0;
    u8 skill_secondary = 0;
    u16 base_x10 = 0;
    u16 limited_x10 = 0;
    // Per-card context vectors.
    u16 leader_honor_bonus = 0;
    u16 leader_limit_bonus = 0;
    bool skill_is_after_training = false;
    bool trained_to_special_image = false;
};

// A plain card of `power` in every deck shape with skill value `skill`.
inline TestCard plain_card(u16 card_id, u8 character, u32 power, u8 skill, u8 attr = 0,
                           u8 units = 0x01) {
    TestCard c;
    c.card_id = card_id;
    c.character = character;
    c.attr = attr;
    c.units = units;
    c.unit_values.fill(power);
    c.power = power;
    c.skill.plain_value = skill;
    c.skill_value = skill;
    return c;
}

inline PoolCandidate to_candidate(const TestCard& t) {
    PoolCandidate c;
    c.card_id = t.card_id;
    c.character_id = t.character;
    c.attr = t.attr;
    c.unit_mask = t.units;
    c.value_unit_set = t.units;
    const usize first = t.units == 0 ? 0 : static_cast<usize>(__builtin_ctz(t.units));
    const u8 rest = static_cast<u8>(t.units & ~(1u << first));
    const usize second = rest == 0 ? first : static_cast<usize>(__builtin_ctz(rest));
    for (usize k = 0; k < 4; ++k) {
        c.unit_table[second][k] = static_cast<i32>(t.unit_values[4 + k]);
        c.unit_table[first][k] = static_cast<i32>(t.unit_values[k]);
    }
    c.power = static_cast<i32>(t.power);
    c.skill = t.skill;
    c.skill_value = t.skill_value;
    c.skill_secondary = t.skill_secondary;
    c.base_x10 = t.base_x10;
    c.limited_x10 = t.limited_x10;
    c.leader_honor_bonus = t.leader_honor_bonus;
    c.leader_limit_bonus = t.leader_limit_bonus;
    c.skill_is_after_training = t.skill_is_after_training;
    c.trained_to_special_image = t.trained_to_special_image;
    return c;
}

// Base scores and skill weights of a song, fractions as music meta gives
// them: their products with skill values rarely divide evenly, so a bound
// that truncates a quotient shows.
inline void song_weights(std::mt19937& rng, SearchContext& c) {
    const auto decimal = [&](double lo, double hi) {
        return lo + (hi - lo) * static_cast<double>(rng() % 1'000'000) / 1e6;
    };
    c.music_base_scores = {decimal(0.9, 1.1), decimal(0.65, 0.8), decimal(0.3, 0.5)};
    for (auto& row : c.music_skill_scores) {
        for (usize i = 0; i < 5; ++i)
            row[i] = decimal(0.08, 0.11);
        row[5] = decimal(0.11, 0.14);
    }
}

// One weight of every row made negative: no song has one, but the music
// meta format takes any number.
inline void negate_a_weight(std::mt19937& rng, SearchContext& c) {
    for (auto& row : c.music_skill_scores) {
        double& w = row[rng() % 6];
        w = -std::abs(w) - 0.5;
    }
}

// Any skill order; a specific order may name one activation twice.
inline void random_skill_order(std::mt19937& rng, SearchContext& c) {
    c.skill_order_choose_strategy = static_cast<SkillOrderChooseStrategy>(rng() % 4);
    if (c.skill_order_choose_strategy == SkillOrderChooseStrategy::SPECIFIC) {
        std::array<u64, 5> order;
        for (u64& index : order)
            index = rng() % 5;
        c.specific_skill_order = order;
    }
}

// Packs `cards` as pool cards 0..n-1 and appends their per-card vectors to
// `context` (which must have none yet).
inline CardPool make_pool(const std::vector<TestCard>& cards, SearchContext& context) {
    std::vector<PoolCandidate> candidates;
    for (const TestCard& t : cards)
        candidates.push_back(to_candidate(t));
    std::vector<PoolCardRecord> records;
    auto pool = pack_candidates(candidates, context, records);
    EXPECT_TRUE(pool.ok()) << pool.error().message;
    return std::move(pool).value();
}

}  // namespace vdz::test
