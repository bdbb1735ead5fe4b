// Every road of the search with a deadline that has passed before its first
// check: each still answers with the decks it found, and never with none
// while the pool holds a deck, however late its order reaches the first one.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "brute_force_decks.h"
#include "fake_clock.h"
#include "search/final_chapter/final_chapter_fixture.h"
#include "search/pool_search.h"

namespace vdz {
namespace {

using test::plain_card;
using test::TestCard;

struct Road {
    std::vector<TestCard> cards;
    SearchContext context;
    u64 limit = 3;
    std::vector<i32> tiers;
    // Exactly one deck passes the context's lower bound: the cut search must
    // return it, as the whole search does.
    bool single_deck = false;
};

// Strong cards without skill, then five weak ones of skill 100 whose deck
// alone reaches a multi live score up of 170 (100 + 0.2 x 400 = 180; four
// of them reach at most 160). Every search order meets the strong cards,
// and so decks the bound refuses, first.
Road one_passing_deck(usize strong, bool one_character) {
    Road r;
    for (u16 i = 0; i < strong; ++i) {
        const u8 character = one_character ? 1 : static_cast<u8>(1 + i % 20);
        r.cards.push_back(plain_card(static_cast<u16>(10 + i), character, 30000 - 100 * i, 0));
    }
    for (u16 i = 0; i < 5; ++i) {
        const u8 character = one_character ? 1 : static_cast<u8>(22 + i);
        r.cards.push_back(plain_card(static_cast<u16>(100 + i), character, 1000 + i, 100));
    }
    r.context.multi_live_score_up_lower_bound = 170.0;
    r.context.music_base_scores = {1.1, 0.9, 0.0};
    r.context.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
    r.single_deck = true;
    return r;
}

Road challenge(u64 limit) {
    Road r = one_passing_deck(15, true);
    r.context.live_type = LiveType::CHALLENGE;
    r.context.dominance_pruning = false;
    r.limit = limit;
    return r;
}

Road final_chapter(std::optional<u8> designated) {
    std::mt19937 rng(21);
    const test::FinalSetup setup{
        "score", Target::SCORE, LiveType::MULTI, SkillOrderChooseStrategy::BEST, 1, true, true};
    Road r;
    r.context = test::final_context(setup, rng, 8);
    r.cards = test::random_final_cards(rng, std::vector<usize>(8, 3));
    r.context.designated_character = designated;
    return r;
}

const std::vector<std::pair<const char*, std::function<Road()>>> ROADS = {
    {"power fast path",
     [] {
         // Enough characters and cards that the first pattern takes more than
         // one clock interval of steps before it gives a deck.
         std::mt19937 rng(3);
         Road r;
         for (u16 i = 0; i < 104; ++i)
             r.cards.push_back(plain_card(static_cast<u16>(i + 1), static_cast<u8>(1 + i % 26),
                                          1000 + rng() % 9000, 10, static_cast<u8>(rng() % 5),
                                          static_cast<u8>(1u << (rng() % 6))));
         r.context.target = Target::POWER;
         r.limit = 20;
         return r;
     }},
    {"power and skill search",
     [] {
         Road r = one_passing_deck(23, false);
         r.context.target = Target::POWER;
         r.context.fixed_cards = {100};
         // The strong cards' reference skill resolves to almost nothing but
         // may in principle reach 100, so the score-up bound cannot rule
         // their decks out before the evaluator refuses them one by one.
         for (TestCard& c : r.cards) {
             if (c.skill_value != 0) continue;
             c.skill.has_ref = true;
             c.skill.ref = {10, 1};
             c.skill_value = 100;
         }
         return r;
     }},
    {"single-best challenge search", [] { return challenge(1); }},
    {"bounded challenge search", [] { return challenge(2); }},
    {"depth-first search with its seed",
     [] {
         Road r = one_passing_deck(23, false);
         r.context.live_type = LiveType::MULTI;
         return r;
     }},
    {"depth-first search over tiers",
     [] {
         // A tier whose first deck the search order meets after more than
         // one clock interval of steps.
         std::mt19937 rng(0);
         Road r;
         r.cards = test::random_cards(rng, 30);
         for (usize i = 0; i < r.cards.size(); ++i)
             r.cards[i].character = static_cast<u8>(1 + i % 26);
         r.context.target = Target::BONUS;
         r.context.event_kind = 0;
         r.context.music_base_scores = {1.1, 0.9, 0.0};
         r.context.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
         r.tiers = {52};
         return r;
     }},
    {"final chapter, designated leader", [] { return final_chapter(u8{1}); }},
    {"final chapter, every character", [] { return final_chapter(std::nullopt); }},
};

TEST(PassedDeadline, EveryRoadAnswersWithTheDecksItFound) {
    for (const auto& [name, make] : ROADS) {
        SCOPED_TRACE(name);
        Road road = make();
        const CardPool pool = test::make_pool(road.cards, road.context);
        const auto full =
            search_pool(pool, road.context, road.tiers, road.limit, 0, steady_search_clock());
        ASSERT_TRUE(full.ok());
        ASSERT_FALSE(full.value().decks.empty());

        test::RacingClock clock;
        const auto cut = search_pool(pool, road.context, road.tiers, road.limit, 50, clock);
        ASSERT_TRUE(cut.ok());
        EXPECT_FALSE(cut.value().decks.empty());
        if (cut.value().decks.empty()) continue;
        EXPECT_GT(clock.reads, 1u);  // the deadline was checked, and had passed
        EXPECT_LE(cut.value().decks.front().score, full.value().decks.front().score);
        if (road.single_deck) {
            EXPECT_EQ(cut.value().decks, full.value().decks);
        }
    }
}

}  // namespace
}  // namespace vdz
