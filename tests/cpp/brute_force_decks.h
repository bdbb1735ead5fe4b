// The oracle of the exact searches: every deck of a small pool that the
// search may build, evaluated and ranked in deck order, one per card set.
// Random pools and contexts for the default (pruned, one card per character)
// roads sit beside it.
#pragma once

#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <random>
#include <set>
#include <span>
#include <vector>

#include <gtest/gtest.h>

#include "search/evaluation/deck_evaluator.h"
#include "test_pool.h"

namespace vdz::test {

// Slots in ascending pool order after an optional leader; one card per
// character unless a challenge live, and never one card id twice; fixed
// cards, then fixed characters, fill the first slots; in the final chapter
// only enabled cards follow the leader.
inline bool deck_allowed(const CardPool& pool, const SearchContext& context,
                         const DeckSlots& deck) {
    u32 used = 0;
    const usize f = context.fixed_cards.size();
    for (usize s = 0; s < 5; ++s) {
        const u16 c = deck[s];
        if (s < f && pool.card_id(c) != context.fixed_cards[s]) return false;
        if (s >= f && s - f < context.fixed_characters.size() &&
            pool.character_id(c) != context.fixed_characters[s - f]) {
            return false;
        }
        if (context.dominance_pruning && (used >> pool.character_id(c)) & 1) return false;
        for (usize t = 0; t < s; ++t)
            if (pool.card_id(deck[t]) == pool.card_id(c)) return false;
        used |= 1u << pool.character_id(c);
        if (s > 0 && context.final_chapter && c < context.card_enabled.size() &&
            !(context.card_enabled[c] & 1)) {
            return false;
        }
    }
    return true;
}

// The best key of a final-chapter deck's cards under its leader over the
// orders of slots 1 to 4 that `less` tells apart; none when the evaluator
// rejects every one.
template <class Less>
std::optional<u64> best_key_over_orders(const CardPool& pool, const SearchContext& context,
                                        const DeckSlots& deck, Less less) {
    std::array<u16, 4> rest = {deck[1], deck[2], deck[3], deck[4]};
    std::sort(rest.begin(), rest.end(), less);
    std::optional<u64> best;
    do {
        const auto key =
            evaluate_deck_key(pool, context, {deck[0], rest[0], rest[1], rest[2], rest[3]});
        if (key && (!best || *key > *best)) best = key;
    } while (std::next_permutation(rest.begin(), rest.end(), less));
    return best;
}

// Over every order, by the deck evaluator alone.
inline std::optional<u64> best_order_key(const CardPool& pool, const SearchContext& context,
                                         const DeckSlots& deck) {
    return best_key_over_orders(pool, context, deck, std::less<u16>{});
}

// Over one order per sequence of limited bonuses in slots 1 to 4, for
// oracles over many decks: the evaluator reads the order of those slots for
// the limited bonuses alone (skills go by card id), which the tests that
// hold each found deck to `best_order_key` keep honest.
inline std::optional<u64> best_limited_order_key(const CardPool& pool, const SearchContext& context,
                                                 const DeckSlots& deck) {
    return best_key_over_orders(pool, context, deck, [&](u16 a, u16 b) {
        return pool.limited_x10(a) < pool.limited_x10(b);
    });
}

// Calls `visit` with every five cards of `list` at ascending positions, in
// the order nested loops over the positions meet them: the order in which
// the enumerating kernels offer their decks.
template <class Visit>
void for_each_five_of(std::span<const u16> list, Visit&& visit) {
    const usize n = list.size();
    std::array<usize, 5> p;
    for (p[0] = 0; p[0] < n; ++p[0])
        for (p[1] = p[0] + 1; p[1] < n; ++p[1])
            for (p[2] = p[1] + 1; p[2] < n; ++p[2])
                for (p[3] = p[2] + 1; p[3] < n; ++p[3])
                    for (p[4] = p[3] + 1; p[4] < n; ++p[4]) {
                        DeckSlots slots;
                        for (usize s = 0; s < 5; ++s)
                            slots[s] = list[p[s]];
                        visit(slots);
                    }
}

// All allowed decks, best first, one per card set (its best deck).
inline std::vector<DeckEntry> all_decks_ranked(const CardPool& pool, const SearchContext& context) {
    std::vector<DeckEntry> all;
    const u16 n = pool.count();
    const auto offer = [&](const DeckSlots& deck) {
        if (!deck_allowed(pool, context, deck)) return;
        const auto e = evaluate_deck(pool, context, deck);
        if (e) all.push_back({e->key, deck});
    };
    for (u16 a = 0; a < n; ++a)
        for (u16 b = a + 1; b < n; ++b)
            for (u16 c = b + 1; c < n; ++c)
                for (u16 d = c + 1; d < n; ++d)
                    for (u16 e = d + 1; e < n; ++e) {
                        if (!context.final_chapter) {
                            offer({a, b, c, d, e});
                            continue;
                        }
                        // Any of the five may lead; the rest, allowed
                        // ascending as the search forms them, are valued at
                        // their best order, in which the search keeps them.
                        const DeckSlots five = {a, b, c, d, e};
                        for (usize lead = 0; lead < 5; ++lead) {
                            DeckSlots deck;
                            deck[0] = five[lead];
                            usize k = 1;
                            for (usize s = 0; s < 5; ++s)
                                if (s != lead) deck[k++] = five[s];
                            if (!deck_allowed(pool, context, deck)) continue;
                            if (const auto key = best_order_key(pool, context, deck))
                                all.push_back({*key, deck});
                        }
                    }
    std::sort(all.begin(), all.end(), ranks_before);
    std::vector<DeckEntry> out;
    std::set<CardSetKey> seen;
    for (const DeckEntry& deck : all)
        if (seen.insert(card_set_key(pool_card_ids(pool), deck.slots)).second) out.push_back(deck);
    return out;
}

inline std::vector<DeckEntry> first_decks(std::vector<DeckEntry> decks, usize limit) {
    if (decks.size() > limit) decks.resize(limit);
    return decks;
}

// Whether `found` is a best `limit` of `ranked` (all decks, one per card set,
// best first): the same keys in the same order, each deck a card set that
// has that key, no card set twice. Which of several decks of one key a
// search lists depends on its order of search and its cuts on equal bounds.
inline ::testing::AssertionResult same_ranking(const CardPool& pool,
                                               const std::vector<DeckEntry>& found,
                                               const std::vector<DeckEntry>& ranked, usize limit) {
    const auto ids = pool_card_ids(pool);
    const usize n = std::min(limit, ranked.size());
    if (found.size() != n)
        return ::testing::AssertionFailure() << found.size() << " decks, expected " << n;
    std::set<std::pair<u64, CardSetKey>> keyed;
    for (const DeckEntry& d : ranked)
        keyed.insert({d.score, card_set_key(ids, d.slots)});
    std::set<CardSetKey> listed;
    for (usize i = 0; i < n; ++i) {
        if (found[i].score != ranked[i].score)
            return ::testing::AssertionFailure() << "deck " << i << " has key " << found[i].score
                                                 << ", expected " << ranked[i].score;
        const CardSetKey set = card_set_key(ids, found[i].slots);
        if (!keyed.count({found[i].score, set}))
            return ::testing::AssertionFailure() << "deck " << i << " is no deck of its key";
        if (!listed.insert(set).second)
            return ::testing::AssertionFailure() << "deck " << i << " repeats a card set";
    }
    return ::testing::AssertionSuccess();
}

// A card of one of seven characters with random power in every deck shape,
// a plain or reference skill, and an event bonus with now and then a
// limited part.
inline TestCard random_card(std::mt19937& rng, u16 card_id) {
    TestCard c = plain_card(card_id, static_cast<u8>(1 + rng() % 7),
                            static_cast<u32>(rng() % 40000), static_cast<u8>(rng() % 120),
                            static_cast<u8>(rng() % 3), static_cast<u8>(1 + rng() % 7));
    // A shared attribute, a shared unit and a second unit each add power,
    // as in the game; dominance and the bounds rely on it.
    const u32 base = static_cast<u32>(rng() % 40000);
    const u32 gain[3] = {static_cast<u32>(rng() % 4000), static_cast<u32>(rng() % 4000),
                         static_cast<u32>(rng() % 4000)};
    for (usize k = 0; k < 8; ++k)
        c.unit_values[k] =
            base + (k & 1 ? gain[0] : 0) + (k & 2 ? gain[1] : 0) + (k & 4 ? gain[2] : 0);
    // The power column is the card's largest in-deck power, as packed.
    c.power = *std::max_element(c.unit_values.begin(), c.unit_values.end());
    c.base_x10 = static_cast<u16>(rng() % 600);
    if (rng() % 3 == 0) c.limited_x10 = static_cast<u16>(50 * (rng() % 4));
    if (rng() % 4 == 0) {
        c.skill = {};
        c.skill.has_ref = true;
        c.skill.ref = {static_cast<u8>(10 + rng() % 90), static_cast<u8>(1 + rng() % 60)};
        c.skill_secondary = static_cast<u8>(rng() % 100);
        c.skill_value = 255;
    }
    return c;
}

// Score, bonus or mysekai on a non-challenge live (the mysekai live among
// them), without an event or with a marathon or a cheerful carnival, which
// scores a multi live as a cheerful one.
inline SearchContext random_default_context(std::mt19937& rng) {
    SearchContext c;
    const Target targets[] = {Target::SCORE, Target::BONUS, Target::MYSEKAI};
    const LiveType lives[] = {LiveType::SOLO, LiveType::MULTI, LiveType::AUTO, LiveType::CHEERFUL,
                              LiveType::MYSEKAI};
    const u8 events[] = {0, 1, NO_EVENT_KIND, NO_EVENT_KIND};
    c.target = targets[rng() % 3];
    c.live_type = lives[rng() % 5];
    c.event_kind = events[rng() % 4];
    c.best_skill_as_leader = rng() % 2;
    c.music_base_scores = {1.1, 0.9, 0.0};
    c.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
    c.music_skill_scores[1] = {8, 16, 24, 32, 40, 48};
    c.music_skill_scores[2] = {5, 5, 5, 5, 5, 5};
    if (rng() % 5 == 0) c.multi_live_score_up_lower_bound = 100.0 + rng() % 60;
    if (rng() % 2) song_weights(rng, c);
    return c;
}

// A World Bloom event: a support list over every second card, in card
// order (not sorted by value), and a bonus by the number of attributes.
inline void add_world_bloom_support(std::mt19937& rng, const std::vector<TestCard>& cards,
                                    SearchContext& context) {
    context.event_kind = 2;
    context.world_bloom = true;
    auto& general = context.world_bloom_support.general;
    for (usize i = 0; i < cards.size(); i += 2)
        general.entries.push_back({cards[i].card_id, static_cast<double>(rng() % 50) / 4.0});
    general.count = static_cast<u8>(rng() % 4);
    context.distinct_attr_bonus = {0, 1, 3, 5, 8, 12};
}

// n random cards; now and then a second skill variant of an earlier card.
inline std::vector<TestCard> random_cards(std::mt19937& rng, usize n) {
    std::vector<TestCard> cards;
    for (usize i = 0; i < n; ++i) {
        const bool variant = i > 0 && rng() % 6 == 0;
        TestCard c = random_card(rng, static_cast<u16>(100 + i));
        if (variant) {
            c = cards[rng() % i];
            c.skill_value = static_cast<u8>(rng() % 120);
            c.skill = {};
            c.skill.plain_value = c.skill_value;
        }
        cards.push_back(c);
    }
    return cards;
}

// The pool builder's order: the fixed cards' variants, then each fixed
// character's cards, in turn, then the rest, each part in its given order.
inline void put_fixed_first(std::vector<TestCard>& cards, const SearchContext& context) {
    const auto rank = [&](const TestCard& c) {
        const auto& ids = context.fixed_cards;
        const auto& characters = context.fixed_characters;
        if (const auto at = std::find(ids.begin(), ids.end(), c.card_id); at != ids.end())
            return at - ids.begin();
        if (const auto at = std::find(characters.begin(), characters.end(), c.character);
            at != characters.end())
            return static_cast<std::ptrdiff_t>(ids.size()) + (at - characters.begin());
        return std::ptrdiff_t{5};
    };
    std::stable_sort(cards.begin(), cards.end(),
                     [&](const TestCard& a, const TestCard& b) { return rank(a) < rank(b); });
}

// `count` fixed characters of the pool, now and then after a fixed card of
// another character, listed first as the pool builder lists them.
inline void add_fixed_runs(std::mt19937& rng, std::vector<TestCard>& cards, SearchContext& context,
                           usize count) {
    std::vector<u8> characters;
    for (const TestCard& c : cards)
        if (std::find(characters.begin(), characters.end(), c.character) == characters.end())
            characters.push_back(c.character);
    std::shuffle(characters.begin(), characters.end(), rng);
    if (count < 5 && characters.size() > count && rng() % 3 == 0) {
        const u8 other = characters[count];
        for (const TestCard& c : cards)
            if (c.character == other) context.fixed_cards = {c.card_id};
    }
    characters.resize(std::min(count, characters.size()));
    context.fixed_characters = characters;
    put_fixed_first(cards, context);
}

// A card of one of `characters` characters (its card id's, so that copies
// of one id are variants of one card): a plain, unit-count, difference
// or reference skill, one unit or a second one beside the sixth (as virtual
// singers have), power growing with each shared unit or attribute.
inline TestCard every_skill_kind_card(std::mt19937& rng, u16 card_id, u8 characters) {
    const u8 character = static_cast<u8>(1 + card_id % characters);
    u8 units = static_cast<u8>(1u << (character % 3));
    if (rng() % 4 == 0) units |= 0x20;
    TestCard c = plain_card(card_id, character, 0, static_cast<u8>(40 + rng() % 100),
                            static_cast<u8>(rng() % 3), units);
    for (usize half = 0; half < 2; ++half) {
        const u32 base = 5000 + static_cast<u32>(rng() % 3000);
        const u32 unit = static_cast<u32>(rng() % 800);
        const u32 attr = static_cast<u32>(rng() % 800);
        for (usize k = 0; k < 4; ++k)
            c.unit_values[4 * half + k] = base + (k & 2 ? unit : 0) + (k & 1 ? attr : 0);
    }
    c.power = *std::max_element(c.unit_values.begin(), c.unit_values.end());
    c.skill_secondary = static_cast<u8>(30 + rng() % 70);
    switch (rng() % 4) {
        case 1: {
            c.skill = {};
            c.skill.has_unit_count = true;
            const u8 low = static_cast<u8>(40 + rng() % 40);
            const u8 step = static_cast<u8>(rng() % 25);
            c.skill.unit_count = {static_cast<u8>(rng() % 3 == 0 ? 5 : character % 3),
                                  low,
                                  static_cast<u8>(low + step),
                                  static_cast<u8>(low + 2 * step),
                                  static_cast<u8>(low + 3 * step),
                                  static_cast<u8>(low + 4 * step)};
            c.skill_value = c.skill.unit_count[5];
            break;
        }
        case 2:
            c.skill = {};
            c.skill.has_diff = true;
            c.skill.diff = {static_cast<u8>(50 + rng() % 50), static_cast<u8>(rng() % 30)};
            c.skill_value = static_cast<u8>(
                std::max<u32>(c.skill_secondary, c.skill.diff[0] + 2 * c.skill.diff[1]));
            break;
        case 3:
            c.skill = {};
            c.skill.has_ref = true;
            c.skill.ref = {static_cast<u8>(50 + rng() % 60), static_cast<u8>(10 + rng() % 60)};
            c.skill_value = static_cast<u8>(c.skill_secondary + c.skill.ref[1]);
            break;
        default:
            break;
    }
    c.skill_is_after_training = rng() % 2;
    return c;
}

}  // namespace vdz::test
