#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "search/evaluation/deck_evaluator.h"
#include "search/final_chapter/final_card_search.h"
#include "search/final_chapter/final_chapter_fixture.h"
#include "search/final_chapter/final_deck_score.h"
#include "search/final_chapter/final_groups.h"
#include "search/final_chapter/final_heuristics.h"
#include "search/final_chapter/final_shape_power.h"

namespace vdz {
namespace {

using test::plain_card;
using test::TestCard;

TEST(FinalChapterParts, SupportReplacement) {
    const std::vector<SupportEntry> entries = {{10, 5.0}, {11, 4.0}, {12, 3.0}, {13, 2.0}};
    const std::array<u16, 5> placed = {20, 12, 0, 0, 0};
    struct Case {
        const char* name;
        bool enabled;
        u64 end;
        u64 placed_count;
        u16 card_id;
        std::pair<u64, double> expected;
    };
    const Case cases[] = {
        {"support off", false, 2, 1, 10, {0, 0.0}},
        {"nothing counted yet", true, 0, 1, 10, {0, 9.0}},
        {"card not among the counted entries", true, 2, 1, 13, {2, 9.0}},
        {"counted card replaced by the next entry", true, 2, 1, 10, {3, 7.0}},
        {"the next entry is placed: the one after it", true, 2, 2, 11, {4, 7.0}},
        {"counted card with no entry left", true, 4, 1, 11, {4, 5.0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(support_replacement_value(c.enabled, entries, c.end, placed, c.placed_count,
                                            c.card_id, 9.0),
                  c.expected);
    }
}

// Leader without limited bonus and four cards with limited parts 0, 50, 30
// and 80 (tenths of a percent), all of different characters.
std::vector<TestCard> limited_deck(u16 leader_limited) {
    std::vector<TestCard> cards;
    const u16 limited[] = {leader_limited, 0, 50, 30, 80};
    for (u16 i = 0; i < 5; ++i) {
        TestCard c = plain_card(i + 1, static_cast<u8>(i + 1), 30000, 40 + 10 * i);
        c.base_x10 = 100;
        c.limited_x10 = limited[i];
        cards.push_back(c);
    }
    return cards;
}

SearchContext multi_context() {
    SearchContext c;
    c.final_chapter = true;
    c.event_kind = 2;
    c.live_type = LiveType::MULTI;
    c.skill_order_choose_strategy = SkillOrderChooseStrategy::AVERAGE;
    c.music_skill_scores[1] = {10, 10, 10, 10, 10, 10};
    c.limited_bonus_count = 2;
    return c;
}

TEST(FinalChapterParts, DecksAreValuedAndKeptInTheirBestOrder) {
    struct Case {
        const char* name;
        u16 leader_limited;
        u64 cap;
        double bonus;  // percent: five base parts plus the limited parts counted
        DeckSlots order;
    };
    // Card ids follow the pool indices, so card-id order is 1, 2, 3, 4.
    const Case cases[] = {
        {"cap 2: 80 and 50, the 30 behind them", 0, 2, 50 + 13.0, {0, 1, 2, 4, 3}},
        {"the leader's 20 and the best other", 20, 2, 50 + 10.0, {0, 1, 4, 2, 3}},
        {"cap 1: the 80 first", 0, 1, 50 + 8.0, {0, 1, 4, 2, 3}},
        {"cap 3: all three count by card id", 0, 3, 50 + 16.0, {0, 1, 2, 3, 4}},
        {"cap 0: none, by card id", 20, 0, 50, {0, 1, 2, 3, 4}},
        {"cap 7 acts as 5", 20, 7, 50 + 18.0, {0, 1, 2, 3, 4}},
    };
    const LiveType lives[] = {LiveType::MULTI, LiveType::SOLO, LiveType::AUTO};
    for (const LiveType live : lives) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << ", live type " << int(live));
            SearchContext context = multi_context();
            context.live_type = live;
            context.limited_bonus_count = c.cap;
            const CardPool pool = test::make_pool(limited_deck(c.leader_limited), context);
            const auto best = evaluate_deck(pool, context, c.order);
            ASSERT_TRUE(best);
            EXPECT_DOUBLE_EQ(best->event_bonus, c.bonus);
            // Every order of slots 1 to 4 comes back in the best order, with
            // that order's key.
            std::array<u16, 4> rest = {1, 2, 3, 4};
            do {
                const DeckSlots deck = {0, rest[0], rest[1], rest[2], rest[3]};
                const auto entry = evaluate_final_chapter_deck(pool, context, deck);
                ASSERT_TRUE(entry);
                EXPECT_EQ(entry->slots, c.order);
                EXPECT_EQ(entry->score, best->key);
            } while (std::next_permutation(rest.begin(), rest.end()));
        }
    }
}

TEST(FinalChapterParts, TheScoreUpLowerBoundHoldsInTheBestOrder) {
    SearchContext bounded = multi_context();
    const CardPool pool = test::make_pool(limited_deck(0), bounded);
    const DeckSlots deck = {0, 1, 2, 3, 4};
    ASSERT_TRUE(evaluate_final_chapter_deck(pool, bounded, deck));
    bounded.multi_live_score_up_lower_bound = 1000.0;
    EXPECT_FALSE(evaluate_final_chapter_deck(pool, bounded, deck));
}

TEST(FinalChapterParts, CharacterGroups) {
    SearchContext context;
    context.final_chapter = true;
    context.world_bloom = true;
    std::vector<TestCard> cards = {
        plain_card(1, 1, 5000, 10),    // the leader's character: never grouped
        plain_card(2, 2, 3000, 10),    // 1
        plain_card(3, 2, 3000, 10),    // 2: equal to card 1
        plain_card(4, 3, 3000, 10),    // 3: group key equal to character 2's
        plain_card(5, 4, 9000, 10),    // 4: masked out
        plain_card(6, 5, 1000, 0, 1),  // 5
        plain_card(7, 6, 2000, 0),     // 6: past the mask's end
    };
    cards[2].base_x10 = 100;
    cards[1].base_x10 = 100;
    cards[3].base_x10 = 100;
    const CardPool pool = test::make_pool(cards, context);
    const std::vector<u8> mask = {1, 1, 1, 1, 0, 1};

    const auto groups = build_character_groups(pool, context, 1, mask, 2);
    std::vector<u8> characters;
    for (const CharacterGroup& g : groups)
        characters.push_back(g.character);
    EXPECT_EQ(characters, (std::vector<u8>{2, 3, 6, 5}));
    EXPECT_EQ(groups[0].cards, (std::vector<u16>{1, 2}));
    EXPECT_EQ(groups[0].max_base_x10, 100u);
    EXPECT_EQ(groups[0].key, u64{266} * 3000 * 110);
    // Of cards equal in every bound value the first stands for both.
    EXPECT_EQ(groups[0].frontier, (std::vector<u16>{1}));

    // A single best deck: of equal cards the lower index stays, unless the
    // other is fixed, which is never dropped.
    EXPECT_EQ(build_character_groups(pool, context, 1, mask, 1)[0].cards, (std::vector<u16>{1}));
    context.fixed_cards = {3};
    EXPECT_EQ(build_character_groups(pool, context, 1, mask, 1)[0].cards, (std::vector<u16>{2}));

    // A card its support deck would lose ranks lower in its group.
    context.fixed_cards.clear();
    context.world_bloom_support.general = {{{2, 4.5}, {9, 1.25}}, 1};
    EXPECT_EQ(support_loss(pool, context, 1, 1), 325);
    EXPECT_EQ(build_character_groups(pool, context, 1, mask, 2)[0].cards, (std::vector<u16>{2, 1}));
}

TEST(FinalChapterParts, GroupFrontierKeepsEveryCardNoOtherCovers) {
    SearchContext context;
    context.final_chapter = true;
    std::vector<TestCard> cards = {
        plain_card(1, 1, 5000, 10),  // the leader's character
        plain_card(2, 2, 3000, 10),  // 1: covers 2 and 5
        plain_card(3, 2, 2000, 10),  // 2: lower power
        plain_card(4, 2, 4000, 5),   // 3: more power, less skill
        plain_card(5, 2, 3000, 10),  // 4: as card 1, but a larger limited bonus
        plain_card(6, 2, 3000, 10),  // 5: as card 1, a smaller base bonus
    };
    cards[1].base_x10 = 100;
    cards[4].base_x10 = 100;
    cards[4].limited_x10 = 50;
    cards[5].base_x10 = 50;
    cards[2].base_x10 = 100;
    cards[3].base_x10 = 100;
    const CardPool pool = test::make_pool(cards, context);
    const std::vector<u8> mask(cards.size(), 1);
    const auto groups = build_character_groups(pool, context, 1, mask, 5);
    ASSERT_EQ(groups.size(), 1u);
    std::vector<u16> frontier = groups[0].frontier;
    std::sort(frontier.begin(), frontier.end());
    EXPECT_EQ(frontier, (std::vector<u16>{3, 4}));
    // Each card's cover mask names the frontier cards that cover it, a
    // frontier card itself among them: card 4, with the larger limited
    // bonus, covers every card of power 3000 or less; card 3's skill is
    // too small to cover any but itself.
    const CharacterGroup& g = groups[0];
    ASSERT_EQ(g.cover.size(), g.cards.size());
    const auto bit = [&](u16 card) {
        const auto at = std::find(g.frontier.begin(), g.frontier.end(), card);
        return u64{1} << (at - g.frontier.begin());
    };
    for (usize i = 0; i < g.cards.size(); ++i)
        EXPECT_EQ(g.cover[i], g.cards[i] == 3 ? bit(3) : bit(4)) << "card " << g.cards[i];
}

TEST(FinalChapterParts, ShapePowersBoundEveryDeckAtEachStep) {
    // Cards of units 0 and 1 (some of both) whose variants differ widely:
    // with the leader and the first k other cards placed and the rest
    // bounded by their groups' shape tables, the bound is at least the
    // deck's power as the evaluator sums it.
    std::mt19937 rng(41);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        std::vector<TestCard> cards = test::random_final_cards(rng, {2, 2, 3, 2, 3, 2});
        for (TestCard& card : cards)
            card.attr = static_cast<u8>(rng() % 2);
        SearchContext context;
        context.final_chapter = true;
        const CardPool pool = test::make_pool(cards, context);
        const std::vector<u8> mask(cards.size(), 1);
        const auto groups = build_character_groups(pool, context, 1, mask, 5);
        std::array<usize, 27> group_of{};
        for (usize g = 0; g < groups.size(); ++g)
            group_of[groups[g].character] = g;
        usize checked = 0;
        test::for_each_final_deck(pool, 1, std::nullopt, [&](const DeckSlots& deck) {
            u32 common = 0x3F, attrs = 0;
            for (const u16 card : deck) {
                common &= pool.unit_mask(card);
                attrs |= 1u << pool.attr(card);
            }
            u32 power = 0;
            for (const u16 card : deck)
                power += shape_power(pool, card, common, __builtin_popcount(attrs) == 1);
            const LeaderShapeSet shapes = leader_shape_set(pool, deck[0]);
            ASSERT_TRUE(shapes.known);
            ShapeSums placed{};
            u8 placed_units = 0x3F, placed_attrs = 0;
            for (usize k = 0; k < 5; ++k) {
                placed_units &= pool.unit_mask(deck[k]);
                placed_attrs |= static_cast<u8>(1u << pool.attr(deck[k]));
                const bool same = __builtin_popcount(placed_attrs) == 1;
                add_shape_powers(pool, shapes, deck[k], placed_units, same, placed);
                ShapeSums open{};
                for (usize j = k + 1; j < 5; ++j) {
                    const auto& table = groups[group_of[pool.character_id(deck[j])]].shape_powers;
                    for (usize s = 0; s < shapes.count; ++s) {
                        open[s][0] += table[shapes.units[s]][NO_SHARED_ATTR];
                        open[s][1] += table[shapes.units[s]][shapes.attr];
                    }
                }
                const u32 bound = shaped_power_bound(shapes, placed, open, placed_units, same);
                EXPECT_GE(bound, power) << "k = " << k;
            }
            ++checked;
        });
        EXPECT_GT(checked, 50u);
    }
}

TEST(FinalChapterParts, SupportLoss) {
    SearchContext context;
    context.final_chapter = true;
    const CardPool pool =
        test::make_pool({plain_card(7, 1, 100, 0), plain_card(8, 2, 100, 0)}, context);
    struct Case {
        const char* name;
        SupportDeckList list;
        i32 loss;
    };
    const Case cases[] = {
        {"take 0", {{{7, 5.0}}, 0}, 0},
        {"value minus the first entry not taken", {{{7, 5.0}, {9, 1.125}}, 1}, 388},
        {"no more entries than taken: all of it", {{{9, 6.0}, {7, 5.0}}, 2}, 500},
        {"below the reference: none", {{{9, 6.0}, {7, 1.0}, {10, 2.0}}, 2}, 0},
        {"listed past the taken entries: none", {{{9, 6.0}, {7, 5.0}}, 1}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        context.world_bloom_support.general = c.list;
        EXPECT_EQ(support_loss(pool, context, 2, 0), c.loss);
    }
    // The character's own list when it takes entries, else the general one.
    context.world_bloom_support.general = {{{7, 5.0}}, 1};
    context.world_bloom_support.per_character.resize(27);
    context.world_bloom_support.per_character[2] = {{{9, 3.0}}, 1};
    EXPECT_EQ(support_loss(pool, context, 2, 0), 0);
    EXPECT_EQ(support_loss(pool, context, 3, 0), 500);
}

TEST(FinalChapterParts, ShortlistTakesEachRankingsBestOnce) {
    SearchContext context;
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 40; ++i)
        cards.push_back(plain_card(i + 1, static_cast<u8>(1 + i % 8), 1000 + 100 * i, 10));
    cards[0].skill_value = 200;  // weakest power, best skill
    const CardPool pool = test::make_pool(cards, context);
    // Rankings coincide: the estimate's best 8, then ranking D adds card 0.
    const std::vector<u16> list = build_candidate_shortlist(pool, context, 8, {}, 8);
    std::vector<u16> expected;
    for (u16 i = 39; expected.size() < 8; --i)
        if (pool.character_id(i) != 8) expected.push_back(i);
    expected.push_back(0);
    EXPECT_EQ(list, expected);
}

TEST(FinalChapterParts, DecksAroundOneCard) {
    std::mt19937 rng(21);
    SearchContext context;
    context.final_chapter = true;
    struct Case {
        const char* name;
        std::vector<usize> per_character;
        u64 decks;
    };
    const Case cases[] = {
        {"three candidates", {1, 1, 1, 1}, 0},
        {"three other characters", {1, 3, 2, 2}, 0},
        {"exactly four candidates", {1, 1, 1, 1, 1}, 1},
        {"a wide beam", {1, 6, 6, 6, 6, 6, 6, 6, 6}, BEAM_WIDTH},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SearchContext ctx = context;
        const CardPool pool = test::make_pool(test::random_final_cards(rng, c.per_character), ctx);
        TopDecks best(1000, false, pool_card_ids(pool));
        SearchCounters counters;
        Deadline none(0, steady_search_clock());
        final_chapter_best_with_card(pool, ctx, {}, best, counters, 0, none);
        EXPECT_EQ(counters.evaluated, c.decks);
        EXPECT_EQ(best.entries().size(), c.decks);
        for (const DeckEntry& d : best.entries()) {
            EXPECT_EQ(d.slots[0], 0);
            u32 seen = 0;
            for (const u16 card : d.slots)
                seen |= 1u << pool.character_id(card);
            EXPECT_EQ(__builtin_popcount(seen), 5);
        }
        if (c.decks == 1) {
            // The four candidates; with five places every limited bonus
            // counts, so the deck stands in card-id (here pool) order.
            auto list = build_candidate_shortlist(pool, ctx, pool.character_id(0), {}, 96);
            ASSERT_EQ(list.size(), 4u);
            std::sort(list.begin(), list.end());
            EXPECT_EQ(best.entries()[0].slots, (DeckSlots{0, list[0], list[1], list[2], list[3]}));
        }
    }
}

TEST(FinalChapterParts, OneCardReplacements) {
    std::mt19937 rng(22);
    SearchContext context;
    context.final_chapter = true;
    // Characters 1..5 in the deck, two spare cards of characters 2 and 6.
    const CardPool pool =
        test::make_pool(test::random_final_cards(rng, {1, 2, 1, 1, 1, 1}), context);
    const DeckSlots deck = {0, 1, 3, 4, 5};
    TopDecks best(1000, false, pool_card_ids(pool));
    SearchCounters counters;
    final_chapter_refine_deck(pool, context, DeckEntry{0, deck}, best, counters);
    // Per slot: its own card again, card 2 for slot 1 (its character), card
    // 6 for any slot.
    EXPECT_EQ(counters.evaluated, 4u + 1u + 4u);
    EXPECT_EQ(best.entries().size(), 6u);
    bool original = false;
    // Decks are kept in their best order, so compare the cards.
    for (const DeckEntry& d : best.entries()) {
        EXPECT_EQ(d.slots[0], 0);
        original |= d.slots == deck;
        usize changed = 0;
        for (usize s = 1; s < 5; ++s)
            changed += std::find(deck.begin(), deck.end(), d.slots[s]) == deck.end();
        EXPECT_LE(changed, 1u);
    }
    EXPECT_TRUE(original);
}

}  // namespace
}  // namespace vdz
