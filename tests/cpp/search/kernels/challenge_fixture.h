// Random cards and contexts of challenge lives for the oracle tests of the
// challenge-live searches: one to three characters, random per-unit values
// within the card's power column, some reference skills, event bonuses with
// limited parts, and contexts over the score, bonus and mysekai targets.
#pragma once

#include <random>

#include "pool/search_context.h"
#include "test_pool.h"

namespace vdz::test {

inline TestCard random_challenge_card(std::mt19937& rng, u16 card_id) {
    TestCard c = plain_card(card_id, static_cast<u8>(1 + rng() % 3),
                            static_cast<u32>(rng() % 40000), static_cast<u8>(rng() % 120),
                            static_cast<u8>(rng() % 3), static_cast<u8>(1 + rng() % 7));
    // The power column is the card's largest in-deck value, as packing makes it.
    for (u32& v : c.unit_values)
        v = static_cast<u32>(rng() % (c.power + 1));
    c.base_x10 = static_cast<u16>(rng() % 600);
    if (rng() % 3 == 0) c.limited_x10 = static_cast<u16>(rng() % 100);
    if (rng() % 3 == 0) c.leader_honor_bonus = static_cast<u16>(rng() % 30);
    if (rng() % 4 == 0) {
        c.skill = {};
        c.skill.has_ref = true;
        c.skill.ref = {static_cast<u8>(10 + rng() % 90), static_cast<u8>(1 + rng() % 60)};
        c.skill_secondary = static_cast<u8>(rng() % 100);
        c.skill_value = static_cast<u8>(c.skill_secondary + c.skill.ref[1]);
    }
    return c;
}

inline SearchContext random_challenge_context(std::mt19937& rng) {
    SearchContext c;
    const Target targets[] = {Target::SCORE, Target::BONUS, Target::MYSEKAI};
    c.target = targets[rng() % 3];
    c.live_type = rng() % 2 ? LiveType::CHALLENGE : LiveType::CHALLENGE_AUTO;
    c.dominance_pruning = false;
    c.event_kind = rng() % 2 ? u8{0} : NO_EVENT_KIND;
    c.final_chapter = c.event_kind == 0 && rng() % 3 == 0;
    c.limited_bonus_count = rng() % 4;
    c.best_skill_as_leader = rng() % 2;
    c.honor_power = static_cast<i32>(rng() % 5000);
    c.music_base_scores = {1.1, 0.9, 0.0};
    // Uneven weights, as real songs have: the skill order matters.
    for (const usize row : {0, 2})
        for (double& w : c.music_skill_scores[row])
            w = static_cast<double>(rng() % 100);
    if (rng() % 4 == 0) {
        c.wl3_power_cap = 1;
        c.power_cap = 90000;
    }
    if (rng() % 4 == 0) c.multi_live_score_up_lower_bound = 100.0 + rng() % 60;
    if (rng() % 2) song_weights(rng, c);
    if (rng() % 4 == 0) negate_a_weight(rng, c);
    random_skill_order(rng, c);
    return c;
}

}  // namespace vdz::test
