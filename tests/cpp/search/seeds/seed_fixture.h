// Random pools and contexts for the seed heuristics' tests, and the
// brute-force enumeration they are checked against.
#pragma once

#include <algorithm>
#include <optional>
#include <random>
#include <span>
#include <vector>

#include "search/seeds/seed.h"
#include "test_pool.h"

namespace vdz::test {

// A card of one of `characters` characters with random power, skill, units,
// attribute and event bonus; now and then a reference skill.
inline TestCard random_seed_card(std::mt19937& rng, u16 card_id, u32 characters) {
    TestCard c = plain_card(card_id, static_cast<u8>(1 + rng() % characters),
                            static_cast<u32>(20000 + rng() % 40000), static_cast<u8>(rng() % 120),
                            static_cast<u8>(rng() % 3), static_cast<u8>(1 + rng() % 7));
    for (u32& v : c.unit_values)
        v = static_cast<u32>(10000 + rng() % 40000);
    // The power column is the card's largest in-deck value, as the pool
    // builder makes it: the searches' bounds rest on that.
    c.power = *std::max_element(c.unit_values.begin(), c.unit_values.end());
    c.base_x10 = static_cast<u16>(rng() % 600);
    if (rng() % 5 == 0) {
        c.skill = {};
        c.skill.has_ref = true;
        c.skill.ref = {static_cast<u8>(10 + rng() % 90), static_cast<u8>(1 + rng() % 60)};
        c.skill_secondary = static_cast<u8>(rng() % 100);
        c.skill_value = 255;
    }
    return c;
}

// A context of the seed heuristics' roads: score, bonus or mysekai target,
// a live type with distinct characters, with or without an event and a
// multi live lower bound.
inline SearchContext random_seed_context(std::mt19937& rng) {
    SearchContext c;
    const Target targets[] = {Target::SCORE, Target::SCORE, Target::BONUS, Target::MYSEKAI};
    c.target = targets[rng() % 4];
    const LiveType lives[] = {LiveType::SOLO, LiveType::AUTO, LiveType::MULTI, LiveType::CHEERFUL};
    c.live_type = lives[rng() % 4];
    c.event_kind = rng() % 3 ? u8{0} : NO_EVENT_KIND;
    c.music_base_scores = {1.1, 0.9, 0.5};
    c.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
    c.music_skill_scores[1] = {12, 12, 12, 12, 12, 12};
    c.music_skill_scores[2] = {5, 5, 5, 5, 5, 5};
    if (c.live_type == LiveType::MULTI && rng() % 3 == 0)
        c.multi_live_score_up_lower_bound = 80.0 + rng() % 60;
    return c;
}

// The best deck of five list positions in ascending order that pass
// `admits`, scored by the seed deck score; the first found wins ties.
template <class Admits>
std::optional<DeckEntry> brute_force_seed(const CardPool& pool, const SearchContext& context,
                                          std::span<const u16> list, Admits admits) {
    std::optional<DeckEntry> best;
    const usize n = list.size();
    for (usize a = 0; a < n; ++a)
        for (usize b = a + 1; b < n; ++b)
            for (usize c = b + 1; c < n; ++c)
                for (usize d = c + 1; d < n; ++d)
                    for (usize e = d + 1; e < n; ++e) {
                        const DeckSlots slots = {list[a], list[b], list[c], list[d], list[e]};
                        if (!admits(slots)) continue;
                        const auto score = seed_deck_score(pool, context, slots);
                        if (score && (!best || *score > best->score)) best = {*score, slots};
                    }
    return best;
}

// Five different characters.
inline bool distinct_characters_in(const CardPool& pool, const DeckSlots& slots) {
    u32 seen = 0;
    for (const u16 card : slots) {
        const u32 bit = 1u << pool.character_id(card);
        if (seen & bit) return false;
        seen |= bit;
    }
    return true;
}

}  // namespace vdz::test
