// Every road of the search with a deadline that has passed before its first
// check, on a pool whose first deck the road meets only after many clock
// intervals of work: each stops at that check with nothing in hand, and does
// no more than one interval of work, however many decks the pool holds.
// Re-admission, which always starts from decks, stops the same way.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

#include "brute_force_decks.h"
#include "fake_clock.h"
#include "search/pool_search.h"

namespace vdz {
namespace {

using test::plain_card;
using test::TestCard;

constexpr u64 I = Deadline::CHECK_INTERVAL;

struct Road {
    std::vector<TestCard> cards;
    SearchContext context;
    u64 limit = 3;
    std::vector<i32> tiers;
    // Whether the road holds decks when its deadline is first read: only
    // re-admission, which widens the decks the search found.
    bool holds_decks = false;
};

// Strong cards, then five weak ones of skill 100 whose deck alone reaches a
// multi live score up of 170 (100 + 0.2 x 400 = 180; four of them reach at
// most 160). The strong cards' reference skill resolves to almost nothing
// but may in principle reach 100, so no score-up bound rules their decks
// out before the evaluator refuses them one by one: every search order
// meets them first.
Road one_late_deck(usize strong, bool one_character) {
    Road r;
    for (u16 i = 0; i < strong; ++i) {
        const u8 character = one_character ? 1 : static_cast<u8>(1 + i % 20);
        TestCard c = plain_card(static_cast<u16>(10 + i), character, 30000 - 100 * i, 0,
                                static_cast<u8>(i % 5), static_cast<u8>(1u << (i % 5)));
        c.skill.has_ref = true;
        c.skill.ref = {10, 1};
        c.skill_value = 100;
        r.cards.push_back(c);
    }
    for (u16 i = 0; i < 5; ++i) {
        const u8 character = one_character ? 1 : static_cast<u8>(22 + i);
        r.cards.push_back(plain_card(static_cast<u16>(100 + i), character, 1000 + i, 100));
    }
    r.context.multi_live_score_up_lower_bound = 170.0;
    r.context.live_type = LiveType::MULTI;
    r.context.music_base_scores = {1.1, 0.9, 0.0};
    r.context.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
    return r;
}

Road challenge(u64 limit) {
    Road r = one_late_deck(15, true);
    r.context.live_type = LiveType::CHALLENGE;
    r.context.dominance_pruning = false;
    r.limit = limit;
    return r;
}

// The depth-first search bounds each skill at what it can resolve to given
// the cards placed, so its strong cards carry difference skills (nothing
// plain, 50 with two units, 100 with three) and share the same two units:
// with four of them placed, a last card of a third unit may lift them to
// 100, but the one card of that unit has skill 0, and every deck of two
// units stays below the bound. Only the five weak cards' own deck (one of
// them of the third unit) reaches it, and the search meets it last.
Road one_late_deck_of_difference_skills(usize strong) {
    Road r = one_late_deck(strong, false);
    for (usize i = 0; i < strong; ++i) {
        TestCard& c = r.cards[i];
        c.skill = {};
        c.skill.has_diff = true;
        c.skill.diff = {0, 50};
        c.skill_value = 100;
        c.skill_secondary = 0;
        c.units = 0x03;
    }
    for (usize i = strong; i < r.cards.size(); ++i)
        r.cards[i].units = 0x03;
    r.cards.push_back(plain_card(200, 21, 500, 0, 0, 0x04));
    return r;
}

// The final chapter bounds each skill at what it can resolve to in any deck
// of the pool, which the difference skills' late deck hides from too.
// `strong` strong cards: the whole search of every character walks the decks
// of each strong leader, so that road takes fewer.
Road final_chapter(std::optional<u8> designated, usize strong) {
    Road r = one_late_deck_of_difference_skills(strong);
    r.context.final_chapter = true;
    r.context.designated_character = designated;
    return r;
}

const std::vector<std::pair<const char*, std::function<Road()>>> ROADS = {
    {"power fast path",
     [] {
         // Enough characters and cards that the first pattern takes several
         // clock intervals of steps before it gives a deck.
         std::mt19937 rng(3);
         Road r;
         for (u16 i = 0; i < 104; ++i)
             r.cards.push_back(plain_card(static_cast<u16>(i + 1), static_cast<u8>(1 + i % 26),
                                          1000 + rng() % 9000, 10, static_cast<u8>(rng() % 5),
                                          static_cast<u8>(1u << (rng() % 6))));
         r.context.target = Target::POWER;
         r.limit = 40;
         return r;
     }},
    {"power and skill search",
     [] {
         // A fixed card of skill 100, twelve strong cards of skill 0, then
         // thirteen weaker reference skills (rate 100, cap 100) under the
         // "min" strategy. A deck with a card of skill 0 stays under the
         // bound of 150, but the search's bound, which takes a reference
         // skill's best share, cannot tell while it holds one such card:
         // every deck with one is refused before the first of references
         // only.
         Road r;
         r.cards.push_back(plain_card(100, 26, 1000, 100));
         for (u16 i = 0; i < 25; ++i) {
             TestCard c =
                 plain_card(static_cast<u16>(10 + i), static_cast<u8>(1 + i), 30000 - 100 * i, 0);
             if (i >= 12) {
                 c.skill.has_ref = true;
                 c.skill.ref = {100, 100};
                 c.skill_value = 100;
             }
             r.cards.push_back(c);
         }
         r.context.target = Target::POWER;
         r.context.fixed_cards = {100};
         r.context.skill_reference_choose_strategy = SkillReferenceChooseStrategy::MIN;
         r.context.multi_live_score_up_lower_bound = 150.0;
         return r;
     }},
    {"single-best challenge search", [] { return challenge(1); }},
    {"bounded challenge search", [] { return challenge(2); }},
    {"depth-first search", [] { return one_late_deck_of_difference_skills(20); }},
    {"depth-first search over tiers",
     [] {
         // A tier whose first deck the search order meets late: five cards
         // of 10.4 % make 52 %, but the 35 first cards have four
         // characters among them, and the five last cards make 52 % only
         // all together (no mix of both lands on 52 %).
         Road r;
         for (u16 i = 0; i < 35; ++i) {
             r.cards.push_back(plain_card(static_cast<u16>(10 + i), static_cast<u8>(1 + i % 4),
                                          20000 - 100 * i, 50));
             r.cards.back().base_x10 = 104;
         }
         const u16 late[] = {300, 100, 50, 40, 30};
         for (u16 i = 0; i < 5; ++i) {
             r.cards.push_back(
                 plain_card(static_cast<u16>(100 + i), static_cast<u8>(22 + i), 1000, 50));
             r.cards.back().base_x10 = late[i];
         }
         r.context.target = Target::BONUS;
         r.context.event_kind = 0;
         r.context.music_base_scores = {1.1, 0.9, 0.0};
         r.context.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
         r.tiers = {52};
         return r;
     }},
    {"challenge live over tiers",
     [] {
         // One bonus class: the decks of the tier's one multiset of classes
         // in ascending positions, the late deck last.
         Road r = challenge(3);
         for (TestCard& c : r.cards)
             c.base_x10 = 100;
         r.context.target = Target::BONUS;
         r.context.event_kind = 0;
         r.tiers = {50};
         return r;
     }},
    {"final chapter, designated leader", [] { return final_chapter(u8{22}, 16); }},
    {"final chapter, every character", [] { return final_chapter(std::nullopt, 10); }},
    {"re-admission",
     [] {
         // Six cards of each of five characters, each weaker than the one
         // before in power alone: pruning keeps one per character, the
         // search finds their deck at once, and re-admission has 6^5 - 1
         // variants to try.
         Road r;
         for (u8 c = 1; c <= 5; ++c)
             for (u16 k = 0; k < 6; ++k)
                 r.cards.push_back(plain_card(static_cast<u16>(100 * c + k), c, 10000 - k, 50));
         r.context.music_base_scores = {1.0, 1.0, 0.0};
         r.context.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
         r.limit = 10'000;
         r.holds_decks = true;
         return r;
     }},
};

// Steps counted and decks evaluated: the final chapter counts only the
// second, the other roads both.
u64 work(const SearchStats& stats) {
    return std::max(stats.nodes, stats.evaluations);
}

TEST(PassedDeadline, EveryRoadStopsAtItsFirstCheckWhateverItHolds) {
    for (const auto& [name, make] : ROADS) {
        SCOPED_TRACE(name);
        Road road = make();
        const CardPool pool = test::make_pool(road.cards, road.context);
        const auto full =
            search_pool(pool, road.context, road.tiers, road.limit, 0, steady_search_clock());
        ASSERT_TRUE(full.ok());
        ASSERT_FALSE(full.value().decks.empty());
        // Enough work that a search running on past its deadline shows.
        EXPECT_GT(work(full.value().stats), 4 * I);

        // Every clock read is an hour after the one before.
        test::RacingClock clock;
        const auto cut = search_pool(pool, road.context, road.tiers, road.limit, 50, clock);
        ASSERT_TRUE(cut.ok());
        EXPECT_TRUE(cut.value().stats.timed_out);
        EXPECT_LE(work(cut.value().stats), 2 * I);
        EXPECT_EQ(cut.value().decks.empty(), !road.holds_decks);
        for (usize i = 0; i < cut.value().decks.size(); ++i)
            EXPECT_LE(cut.value().decks[i].score, full.value().decks[i].score);
    }
}

}  // namespace
}  // namespace vdz
