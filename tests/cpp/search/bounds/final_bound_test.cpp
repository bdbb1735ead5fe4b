#include "search/bounds/final_bound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <random>
#include <vector>

#include "extreme_songs.h"
#include "search/evaluation/deck_evaluator.h"
#include "search/final_chapter/final_chapter_fixture.h"
#include "search/final_chapter/final_deck_score.h"
#include "search/final_chapter/final_records.h"

namespace vdz {
namespace {

using test::FinalSetup;

constexpr auto BEST = SkillOrderChooseStrategy::BEST;
constexpr auto AVERAGE = SkillOrderChooseStrategy::AVERAGE;

// The bound of a complete deck from its own totals, as the card-level
// search forms it: every input equals the deck's exact value when each
// card has one power in every deck shape.
u64 bound_at_deck(const CardPool& pool, const SearchContext& c, const SuffixTables& tables,
                  const DeckSlots& deck) {
    u32 power = 0, bonus = 0;
    FinalSkills skills{};
    std::vector<u32> limited;
    u8 attrs = 0;
    for (usize k = 0; k < 5; ++k) {
        const u16 card = deck[k];
        power += pool.power(card);
        skills[k] = pool.skill_value(card);
        bonus += ceil_percent(base_x10(pool, card));
        limited.push_back(ceil_percent(pool.limited_x10(card)));
        attrs |= static_cast<u8>(1u << pool.attr(card));
    }
    std::sort(limited.rbegin(), limited.rend());
    for (usize k = 0; k < std::min<u64>(c.limited_bonus_count, 5); ++k)
        bonus += limited[k];
    bonus += c.leader_honor_bonus[deck[0]] + c.leader_limit_bonus[deck[0]];
    if (c.world_bloom) {
        double support = 0.0;
        for_each_taken_support(pool, c, deck, [&](const SupportEntry& e) { support += e.value; });
        bonus += static_cast<u32>(std::ceil(support)) +
                 c.distinct_attr_bonus[static_cast<usize>(__builtin_popcount(attrs))];
    }
    std::sort(skills.rbegin(), skills.rend());
    return final_bound_key(tables, power, skills, pool.skill_value(deck[0]), bonus);
}

const FinalSetup SETUPS[] = {
    {"solo, best skills", Target::SCORE, LiveType::SOLO, BEST, 5, false, true},
    {"solo, averaged skills, support", Target::SCORE, LiveType::SOLO, AVERAGE, 2, true, true},
    {"solo without event", Target::SCORE, LiveType::SOLO, AVERAGE, 0, false, false},
    {"auto, best skills", Target::SCORE, LiveType::AUTO, BEST, 1, true, true},
    {"multi, averaged", Target::SCORE, LiveType::MULTI, AVERAGE, 2, false, true},
    {"cheerful, averaged, support", Target::SCORE, LiveType::CHEERFUL, AVERAGE, 1, true, true},
    {"solo, worst skills", Target::SCORE, LiveType::SOLO, SkillOrderChooseStrategy::WORST, 3, true,
     true},
    {"auto, a specific order", Target::SCORE, LiveType::AUTO, SkillOrderChooseStrategy::SPECIFIC, 5,
     false, false},
    {"challenge", Target::SCORE, LiveType::CHALLENGE, BEST, 5, false, true},
    {"bonus target", Target::BONUS, LiveType::SOLO, AVERAGE, 5, true, true},
};

// At a complete deck's own totals the bound is the deck's key or above,
// whatever the fractions of the song's weights, even with a negative one.
TEST(FinalBound, NeverBelowTheKeyOfTheDeckItDescribes) {
    std::mt19937 rng(31);
    for (const FinalSetup& setup : SETUPS) {
        SCOPED_TRACE(setup.name);
        usize checked = 0;
        for (int round = 0; round < 40; ++round) {
            std::vector<test::TestCard> cards = test::random_final_cards(rng, {2, 2, 2, 2, 2});
            // One power in every deck shape: the totals are the deck's own.
            for (test::TestCard& card : cards)
                card.unit_values.fill(card.power);
            SearchContext context = test::final_context(setup, rng, 5);
            test::song_weights(rng, context);
            // A teammates' score up below, near or above the room leader's.
            if (round % 3 == 1)
                context.multi_live_teammate_score_up = static_cast<i32>(rng() % 160);
            if (round % 6 == 4)
                context.multi_live_teammate_score_up = -static_cast<i32>(rng() % 60);
            if (round % 4 == 3) test::negate_a_weight(rng, context);
            const CardPool pool = test::make_pool(cards, context);
            const SuffixTables tables = build_suffix_tables(pool, context);
            // Every deck led by a card of character 1.
            test::for_each_final_deck(pool, 1, std::nullopt, [&](const DeckSlots& deck) {
                const auto key = evaluate_final_chapter_deck(pool, context, deck);
                if (!key) return;
                ++checked;
                EXPECT_GE(bound_at_deck(pool, context, tables, deck), key->score)
                    << "round " << round;
            });
        }
        EXPECT_GT(checked, 100u);
    }
}

// Weights and options far beyond any song's would overflow the products of
// the live score; the bound then gives up rather than wrap.
TEST(FinalBound, InputsBeyondAnySongsStillBound) {
    std::mt19937 rng(32);
    for (const test::ExtremeSong& song : test::EXTREME_SONGS) {
        SCOPED_TRACE(song.name);
        std::vector<test::TestCard> cards = test::random_final_cards(rng, {1, 1, 1, 1, 1});
        for (test::TestCard& card : cards)
            card.unit_values.fill(card.power);
        const FinalSetup setup{song.name, Target::SCORE, song.live_type, song.order, 5,
                               false,     true};
        SearchContext context = test::final_context(setup, rng, 5);
        song.apply(context);
        const CardPool pool = test::make_pool(cards, context);
        const SuffixTables tables = build_suffix_tables(pool, context);
        const DeckSlots deck = {0, 1, 2, 3, 4};
        const auto key = evaluate_final_chapter_deck(pool, context, deck);
        ASSERT_TRUE(key);
        EXPECT_GE(bound_at_deck(pool, context, tables, deck), key->score);
    }
}

}  // namespace
}  // namespace vdz
