// Random small final-chapter pools and a brute-force enumeration of their
// decks (one leader card, four cards of four further characters), the oracle
// of the final-chapter search tests.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <vector>

#include "brute_force_decks.h"
#include "test_pool.h"

namespace vdz::test {

// Settings of one random final-chapter request.
struct FinalSetup {
    const char* name;
    Target target;
    LiveType live_type;
    SkillOrderChooseStrategy order;
    u64 limited_cap;
    bool support;  // World Bloom support and attribute bonus
    bool event;
};

// A card of `character` with random values; its power column is its best
// variant, as the pool builder sets it.
inline TestCard random_final_card(std::mt19937& rng, u16 card_id, u8 character, u8 attr) {
    TestCard c = plain_card(card_id, character, 0, static_cast<u8>(rng() % 120), attr,
                            static_cast<u8>(1 + rng() % 3));
    for (u32& v : c.unit_values)
        v = static_cast<u32>(20000 + rng() % 20000);
    c.power = *std::max_element(c.unit_values.begin(), c.unit_values.end());
    c.base_x10 = static_cast<u16>(rng() % 400);
    if (rng() % 3 == 0) c.limited_x10 = static_cast<u16>(50 * (1 + rng() % 4));
    if (rng() % 4 == 0) c.leader_honor_bonus = static_cast<u16>(rng() % 20);
    // Some skills grow with the deck's cards of one unit; the column holds
    // their largest value.
    if (rng() % 4 == 0) {
        const u8 low = static_cast<u8>(40 + rng() % 40), step = static_cast<u8>(rng() % 20);
        c.skill.has_unit_count = true;
        c.skill.unit_count = {static_cast<u8>(rng() % 2),      low,
                              static_cast<u8>(low + step),     static_cast<u8>(low + 2 * step),
                              static_cast<u8>(low + 3 * step), static_cast<u8>(low + 4 * step)};
        c.skill_value = static_cast<u8>(low + 4 * step);
    }
    return c;
}

// `per_character[c - 1]` cards of each character c, each character's cards
// of distinct attributes (so no leader dominates another).
inline std::vector<TestCard> random_final_cards(std::mt19937& rng,
                                                const std::vector<usize>& per_character) {
    std::vector<TestCard> cards;
    u16 id = 100;
    for (usize c = 0; c < per_character.size(); ++c)
        for (usize k = 0; k < per_character[c]; ++k)
            cards.push_back(
                random_final_card(rng, id++, static_cast<u8>(c + 1), static_cast<u8>(k % 5)));
    return cards;
}

inline SearchContext final_context(const FinalSetup& s, std::mt19937& rng, usize characters) {
    SearchContext c;
    c.target = s.target;
    c.live_type = s.live_type;
    c.world_bloom = s.support;
    c.final_chapter = true;
    c.event_kind = s.event ? u8{2} : NO_EVENT_KIND;
    c.skill_order_choose_strategy = s.order;
    // An order that plays one card three times and leaves two out.
    if (s.order == SkillOrderChooseStrategy::SPECIFIC) c.specific_skill_order = {{2, 0, 2, 4, 2}};
    c.limited_bonus_count = s.limited_cap;
    c.music_base_scores = {1.1, 0.9, 0.4};
    c.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
    c.music_skill_scores[1] = {12, 12, 12, 12, 12, 30};
    c.music_skill_scores[2] = {5, 5, 5, 5, 5, 5};
    c.music_event_rate = 120;
    c.default_support_value = 7;
    if (s.support) {
        c.distinct_attr_bonus = {0, 0, 2, 4, 6, 10};
        // Support lists best first, over the pool's card ids 100.., sometimes
        // naming cards that are in the pool.
        const auto list = [&](u8 take) {
            SupportDeckList l;
            l.count = take;
            double v = 12.0;
            for (usize k = 0; k < 8; ++k) {
                v -= 0.25 * static_cast<double>(rng() % 6);
                l.entries.push_back({static_cast<u16>(100 + rng() % 30), std::max(v, 0.0)});
            }
            return l;
        };
        c.world_bloom_support.general = list(4);
        c.world_bloom_support.per_character.resize(27);
        for (usize ch = 1; ch <= characters; ++ch)
            if (rng() % 2) c.world_bloom_support.per_character[ch] = list(3);
    }
    return c;
}

// A random pool of `per_character[c - 1]` cards of each character c and its
// context under `setup`.
struct FinalPool {
    SearchContext context;
    CardPool pool;
};
inline FinalPool random_final_pool(const FinalSetup& setup, std::mt19937& rng,
                                   const std::vector<usize>& per_character) {
    SearchContext context = final_context(setup, rng, per_character.size());
    CardPool pool = make_pool(random_final_cards(rng, per_character), context);
    return {std::move(context), std::move(pool)};
}

// Calls `visit` with every deck of five characters led by a card of
// `leader_character` (any character when 0; only card `leader_card` when
// given), the four others in pool order.
inline void for_each_final_deck(const CardPool& pool, u8 leader_character,
                                std::optional<u16> leader_card,
                                const std::function<void(const DeckSlots&)>& visit) {
    const u16 n = pool.count();
    for (u16 l = 0; l < n; ++l) {
        if (leader_character != 0 && pool.character_id(l) != leader_character) continue;
        if (leader_card && l != *leader_card) continue;
        std::vector<u16> others;
        for (u16 i = 0; i < n; ++i)
            if (pool.character_id(i) != pool.character_id(l)) others.push_back(i);
        const usize m = others.size();
        for (usize a = 0; a < m; ++a)
            for (usize b = a + 1; b < m; ++b)
                for (usize c = b + 1; c < m; ++c)
                    for (usize d = c + 1; d < m; ++d) {
                        const DeckSlots deck = {l, others[a], others[b], others[c], others[d]};
                        u32 seen = 0;
                        bool distinct = true;
                        for (const u16 card : deck) {
                            distinct &= !(seen & (1u << pool.character_id(card)));
                            seen |= 1u << pool.character_id(card);
                        }
                        if (distinct) visit(deck);
                    }
    }
}

// The best key of every card set (by card id) with a leader of
// `leader_character` (any character when 0; only card `leader_card` when
// given) that `admits` accepts (every deck when empty) in any order of its
// other four cards, best first, ties by card set.
inline std::vector<std::pair<u64, CardSetKey>> brute_force_sets(
    const CardPool& pool, const SearchContext& context, u8 leader_character,
    std::optional<u16> leader_card = std::nullopt,
    const std::function<bool(const DeckSlots&)>& admits = {}) {
    std::map<CardSetKey, u64> best;
    for_each_final_deck(pool, leader_character, leader_card, [&](const DeckSlots& deck) {
        if (admits && !admits(deck)) return;
        const auto key = best_limited_order_key(pool, context, deck);
        if (!key) return;
        const CardSetKey set = card_set_key(pool_card_ids(pool), deck);
        best[set] = std::max(best[set], *key);
    });
    std::vector<std::pair<u64, CardSetKey>> sets;
    for (const auto& [set, key] : best)
        sets.emplace_back(key, set);
    std::sort(sets.begin(), sets.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    return sets;
}

// The keys of `brute_force_sets`, best first.
inline std::vector<u64> brute_force_keys(const CardPool& pool, const SearchContext& context,
                                         u8 leader_character,
                                         std::optional<u16> leader_card = std::nullopt,
                                         const std::function<bool(const DeckSlots&)>& admits = {}) {
    std::vector<u64> keys;
    for (const auto& [key, set] :
         brute_force_sets(pool, context, leader_character, leader_card, admits))
        keys.push_back(key);
    return keys;
}

}  // namespace vdz::test
