// The seed dispatcher and the multi-start seeds of multi and cheerful lives.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "search/bounds/suffix_tables.h"
#include "search/candidate_order.h"
#include "search/dfs/dfs_search.h"
#include "search/seeds/seed.h"
#include "search/seeds/seed_fixture.h"

namespace vdz {
namespace {

using test::plain_card;
using test::TestCard;

std::vector<u16> index_order(usize n) {
    std::vector<u16> order(n);
    std::iota(order.begin(), order.end(), u16{0});
    return order;
}

// The improved deck of one greedy start and its score, if any.
std::optional<DeckEntry> improved_start(const CardPool& pool, const SearchContext& context, u8 mode,
                                        std::optional<u16> forced) {
    const auto deck = greedy_deck(pool, context, mode, forced);
    if (!deck) return std::nullopt;
    const DeckSlots improved = improve_deck(pool, context, *deck, forced, nullptr);
    const auto score = seed_deck_score(pool, context, improved);
    if (!score) return std::nullopt;
    return DeckEntry{*score, improved};
}

TEST(BuildSeedDeck, KeepsTheBestOfItsSubStrategyAndItsGreedyStarts) {
    std::mt19937 rng(41);
    usize found = 0;
    for (int round = 0; round < 30; ++round) {
        std::vector<TestCard> cards;
        const usize n = 4 + rng() % 20;
        for (usize i = 0; i < n; ++i)
            cards.push_back(test::random_seed_card(rng, static_cast<u16>(100 + i), 9));
        SearchContext context = test::random_seed_context(rng);
        context.final_chapter = rng() % 3 == 0;
        if (rng() % 3 == 0) context.fixed_cards = {cards[rng() % n].card_id};
        if (rng() % 3 == 0) context.fixed_characters = {cards[rng() % n].character};
        const CardPool pool = test::make_pool(cards, context);
        const std::vector<u16> order = index_order(n);

        const auto seed = build_seed_deck(pool, context, order);
        // Every candidate the dispatcher weighs.
        std::vector<std::optional<DeckEntry>> rivals;
        const bool plain =
            !context.final_chapter && context.target == Target::SCORE &&
            context.event_kind != NO_EVENT_KIND &&
            (context.live_type == LiveType::SOLO || context.live_type == LiveType::AUTO);
        if (plain) rivals.push_back(seed_strategy_plain(pool, context));
        if (context.final_chapter) {
            rivals.push_back(seed_strategy_anchored(pool, context, order));
            // Forced cards: the first 20 of the candidate order that meet
            // the first fixed entry.
            usize forced = 0;
            for (const u16 card : order) {
                const bool meets = !context.fixed_cards.empty()
                                       ? pool.card_id(card) == context.fixed_cards[0]
                                   : !context.fixed_characters.empty()
                                       ? pool.character_id(card) == context.fixed_characters[0]
                                       : true;
                if (!meets || forced == 20) continue;
                ++forced;
                for (u8 mode = 0; mode < 3; ++mode)
                    rivals.push_back(improved_start(pool, context, mode, card));
            }
        } else {
            for (u8 mode = 0; mode < 3; ++mode)
                rivals.push_back(improved_start(pool, context, mode, std::nullopt));
        }
        std::optional<u64> best;
        for (const auto& r : rivals)
            if (r && (!best || r->score > *best)) best = r->score;
        ASSERT_EQ(seed.has_value(), best.has_value()) << "round " << round;
        if (!seed) continue;
        ++found;
        EXPECT_EQ(seed->score, *best);
        EXPECT_EQ(seed_deck_score(pool, context, seed->slots), seed->score);
        EXPECT_TRUE(follows_fixed_layout(pool, context, seed->slots));
        EXPECT_TRUE(test::distinct_characters_in(pool, seed->slots));
    }
    EXPECT_GT(found, 10u);
}

TEST(BuildSeedDeck, FinalChapterForcedCardsFollowTheFirstFixedEntry) {
    // Cards 0-5, card ids 10-15; characters 1, 4, 2, 3, 5, 4.
    const u8 characters[] = {1, 4, 2, 3, 5, 4};
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 6; ++i)
        cards.push_back(plain_card(static_cast<u16>(10 + i), characters[i], 1000u + 100u * i, 0));
    SearchContext context;
    context.final_chapter = true;
    context.event_kind = 2;
    context.fixed_characters = {4, 2};
    const CardPool pool = test::make_pool(cards, context);
    const std::vector<u16> order = {3, 1, 2, 5, 0, 4};
    // Forced cards 1 and 5 (character 4); the stronger card 5 leads.
    const auto seed = build_seed_deck(pool, context, order);
    ASSERT_TRUE(seed);
    EXPECT_EQ(seed->slots[0], 5);
    EXPECT_EQ(seed->slots[1], 2);
    // A fixed card id that no pool card carries: no greedy start, and the
    // anchored deck lacks it.
    context.fixed_cards = {99};
    EXPECT_EQ(build_seed_deck(pool, context, order), std::nullopt);
}

TEST(BuildSeedDeck, SeedToVec) {
    EXPECT_TRUE(seed_to_vec(std::nullopt).empty());
    const DeckEntry entry{~u64{0}, {1, 2, 3, 4, 5}};
    EXPECT_EQ(seed_to_vec(entry), SeedDecks{entry});
}

TEST(MultiStartSeeds, BestFirstOnePerCardSetAtMostLimit) {
    std::mt19937 rng(43);
    for (int round = 0; round < 20; ++round) {
        std::vector<TestCard> cards;
        const usize n = 6 + rng() % 16;
        for (usize i = 0; i < n; ++i) {
            // Now and then a second pool card of an earlier card id.
            const u16 id =
                i > 0 && rng() % 5 == 0 ? cards[rng() % i].card_id : static_cast<u16>(100 + i);
            cards.push_back(test::random_seed_card(rng, id, 9));
        }
        SearchContext context = test::random_seed_context(rng);
        context.target = Target::SCORE;
        context.event_kind = 0;
        context.live_type = rng() % 2 ? LiveType::MULTI : LiveType::CHEERFUL;
        const CardPool pool = test::make_pool(cards, context);
        const u64 limit = 1 + rng() % 12;
        const SeedDecks seeds = multi_start_seeds(pool, context, limit);

        EXPECT_LE(seeds.size(), limit);
        EXPECT_TRUE(std::is_sorted(seeds.begin(), seeds.end(), ranks_before));
        std::vector<CardSetKey> sets;
        for (const DeckEntry& s : seeds) {
            EXPECT_EQ(seed_deck_score(pool, context, s.slots), s.score);
            sets.push_back(card_set_key(pool_card_ids(pool), s.slots));
        }
        std::sort(sets.begin(), sets.end());
        EXPECT_EQ(std::adjacent_find(sets.begin(), sets.end()), sets.end());
        // The first seed is at least as good as every improved start.
        for (u8 mode = 0; mode < 3; ++mode) {
            const auto start = improved_start(pool, context, mode, std::nullopt);
            if (!start) continue;
            ASSERT_FALSE(seeds.empty());
            EXPECT_GE(seeds[0].score, start->score);
        }
    }
}

// Seeds only speed the depth-first search up: once it completes, it ranks
// the decks it finds without them. (The leader is chosen by skill here, so a
// deck's key does not hang on which of its cards stands in slot 0.)
TEST(DfsSeedDecks, LeaveTheDepthFirstSearchResultUnchanged) {
    std::mt19937 rng(47);
    usize seeded = 0;
    for (int round = 0; round < 40; ++round) {
        std::vector<TestCard> cards;
        const usize n = 5 + rng() % 10;
        for (usize i = 0; i < n; ++i)
            cards.push_back(test::random_seed_card(rng, static_cast<u16>(100 + i), 9));
        SearchContext context = test::random_seed_context(rng);
        if (rng() % 4 == 0) context.fixed_cards = {cards[rng() % n].card_id};
        if (rng() % 4 == 0) context.fixed_characters = {cards[rng() % n].character};
        // The pool builder puts the fixed cards first, then the cards of the
        // fixed characters: the search forms decks in ascending pool order.
        const auto rank = [&](const TestCard& c) {
            if (!context.fixed_cards.empty() && c.card_id == context.fixed_cards[0]) return 0;
            if (!context.fixed_characters.empty() && c.character == context.fixed_characters[0])
                return 1;
            return 2;
        };
        std::stable_sort(cards.begin(), cards.end(),
                         [&](const TestCard& a, const TestCard& b) { return rank(a) < rank(b); });
        const CardPool pool = test::make_pool(cards, context);
        const u64 limit = 1 + rng() % 6;

        // The seeds the default road hands over.
        const bool multi_start =
            context.target == Target::SCORE && context.event_kind != NO_EVENT_KIND &&
            (context.live_type == LiveType::MULTI || context.live_type == LiveType::CHEERFUL);
        const SeedDecks seeds = multi_start
                                    ? multi_start_seeds(pool, context, limit)
                                    : seed_to_vec(build_seed_deck(
                                          pool, context, initial_candidate_order(pool, context)));
        seeded += !seeds.empty();
        const SuffixTables suffix = build_suffix_tables(pool, context);
        const SearchResult with = dfs_search(pool, context, suffix, limit, 0, seeds, std::nullopt);
        const SearchResult without = dfs_search(pool, context, suffix, limit, 0, {}, std::nullopt);
        // Keys, not decks: decks of equal keys may differ where the search
        // cuts a subtree whose bound only ties its threshold.
        const auto keys = [](const SearchResult& r) {
            std::vector<u64> k;
            for (const DeckEntry& d : r.decks)
                k.push_back(d.score);
            return k;
        };
        ASSERT_EQ(keys(with), keys(without)) << "round " << round;
    }
    EXPECT_GT(seeded, 20u);
}

}  // namespace
}  // namespace vdz
