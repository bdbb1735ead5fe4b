#include "search/dfs/dfs_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <map>
#include <numeric>
#include <random>
#include <thread>

#include "brute_force_decks.h"
#include "fake_clock.h"
#include "search/candidate_order.h"
#include "search/dfs/force_scalar.h"
#include "search/search_entry.h"

namespace vdz {
namespace {

using test::FakeClock;
using test::plain_card;
using test::TestCard;

SearchResult dfs(const CardPool& pool, const SearchContext& context, u64 limit, u64 timeout_ms,
                 std::vector<DeckEntry> seeds, std::optional<std::span<const i32>> tiers,
                 const SearchClock& clock = steady_search_clock()) {
    const SuffixTables suffix = build_suffix_tables(pool, context);
    return dfs_search(pool, context, suffix, limit, timeout_ms, std::move(seeds), tiers, clock);
}

// The general support list by value, largest first, as the region lists it.
void sort_general_support(SearchContext& context) {
    auto& entries = context.world_bloom_support.general.entries;
    std::stable_sort(
        entries.begin(), entries.end(),
        [](const SupportEntry& a, const SupportEntry& b) { return a.value > b.value; });
}

// Searches `pool` and checks that it keeps the brute force's keys and card
// sets, and does not time out; adds the decks found to `decks_seen`.
::testing::AssertionResult equals_brute_force(const CardPool& pool, const SearchContext& context,
                                              u64 limit, usize& decks_seen) {
    const auto ranked = test::all_decks_ranked(pool, context);
    const SearchResult found = dfs(pool, context, limit, 0, {}, std::nullopt);
    decks_seen += found.decks.size();
    if (found.stats.timed_out) return ::testing::AssertionFailure() << "the search timed out";
    return test::same_ranking(pool, found.decks, ranked, limit);
}

// Random constraints: fixed cards or characters taken from the pool, and in
// the final chapter leader bonuses and cards that may only lead.
void add_random_constraints(std::mt19937& rng, const std::vector<TestCard>& cards,
                            SearchContext& context) {
    if (rng() % 4 == 0) context.fixed_cards.push_back(cards[rng() % cards.size()].card_id);
    if (rng() % 4 == 0) context.fixed_characters.push_back(cards[rng() % cards.size()].character);
    if (rng() % 3 == 0) {
        context.final_chapter = true;
        context.limited_bonus_count = rng() % 3;
    }
    // World Bloom: a support list over some of the pool's cards, and a bonus
    // by the number of attributes.
    if (rng() % 4 == 0) {
        test::add_world_bloom_support(rng, cards, context);
        sort_general_support(context);
        // The final chapter: some leaders' characters have a list of their own.
        if (context.final_chapter) {
            auto& own = context.world_bloom_support.per_character;
            own.resize(27);
            for (u8 c = 1; c <= 7; c += 2) {
                for (usize i = c % 3; i < cards.size(); i += 3)
                    own[c].entries.push_back({cards[i].card_id, 30.0 - static_cast<double>(i)});
                own[c].count = static_cast<u8>(rng() % 4);
            }
        }
    }
}

SearchContext random_pool_context(std::mt19937& rng, std::vector<TestCard>& cards) {
    SearchContext context = test::random_default_context(rng);
    add_random_constraints(rng, cards, context);
    for (TestCard& c : cards) {
        c.leader_honor_bonus = static_cast<u16>(rng() % 3 == 0 ? rng() % 40 : 0);
        c.leader_limit_bonus = static_cast<u16>(rng() % 4 == 0 ? rng() % 20 : 0);
    }
    return context;
}

TEST(DfsSearch, EqualsBruteForceOnRandomPools) {
    std::mt19937 rng(77);
    usize decks_seen = 0;
    for (int round = 0; round < 120; ++round) {
        std::vector<TestCard> cards = test::random_cards(rng, 5 + rng() % 9);
        SearchContext context = random_pool_context(rng, cards);
        const CardPool pool = test::make_pool(cards, context);
        if (context.final_chapter) {
            context.card_enabled.assign(pool.count(), 1);
            for (u8& enabled : context.card_enabled)
                enabled = rng() % 5 != 0;
        }
        // Now and then a challenge live, where characters may repeat.
        if (round % 5 == 4) context.dominance_pruning = false;
        if (round % 3 == 0) test::random_skill_order(rng, context);
        const u64 limit = 1 + rng() % 6;
        ASSERT_TRUE(equals_brute_force(pool, context, limit, decks_seen)) << "round " << round;
    }
    EXPECT_GT(decks_seen, 100u);  // the oracle is not trivially empty
}

// Pools of every skill kind, where difference and unit-count skills resolve
// by the deck's units and some cards carry a second unit: the bounds that
// read a deck's unit shape keep the ranking of the brute force, with the
// leader in the first slot or the best skill leading, under every order.
TEST(DfsSearch, EqualsBruteForceOnPoolsOfEverySkillKind) {
    std::mt19937 rng(91);
    usize decks_seen = 0;
    for (int round = 0; round < 80; ++round) {
        const u8 characters = static_cast<u8>(5 + rng() % 4);
        std::vector<test::TestCard> cards;
        for (usize i = 0, n = 9 + rng() % 5; i < n; ++i)
            cards.push_back(
                test::every_skill_kind_card(rng, static_cast<u16>(100 + i), characters));
        SearchContext context = test::random_default_context(rng);
        context.target = Target::SCORE;
        context.keep_after_training_state = rng() % 2;
        if (round % 3 == 0) test::random_skill_order(rng, context);
        const CardPool pool = test::make_pool(cards, context);
        const u64 limit = 1 + rng() % 3;
        ASSERT_TRUE(equals_brute_force(pool, context, limit, decks_seen)) << "round " << round;
    }
    EXPECT_GT(decks_seen, 100u);
}

// A multi live score-up lower bound that only a few decks pass, on pools of
// every skill kind: the cuts by what the placed cards' skills can resolve
// to, by the leader in the first slot and by the least value a last card
// needs keep the brute force's ranking, with the best skill leading or the
// first slot, fixed cards and characters, World Bloom and the final chapter,
// a teammate's score up, and the score and mysekai targets.
TEST(DfsSearch, ScoreUpLowerBoundFewDecksPassEqualsBruteForce) {
    std::mt19937 rng(404);
    usize decks_seen = 0;
    for (int round = 0; round < 100; ++round) {
        const u8 characters = static_cast<u8>(5 + rng() % 4);
        std::vector<TestCard> cards;
        for (usize i = 0, n = 9 + rng() % 6; i < n; ++i)
            cards.push_back(
                test::every_skill_kind_card(rng, static_cast<u16>(100 + i), characters));
        SearchContext context = test::random_default_context(rng);
        context.live_type = rng() % 2 ? LiveType::MULTI : LiveType::CHEERFUL;
        context.target = rng() % 3 ? Target::SCORE : Target::MYSEKAI;
        context.keep_after_training_state = rng() % 2;
        if (rng() % 3 == 0) context.multi_live_teammate_score_up = 50 + rng() % 100;
        add_random_constraints(rng, cards, context);
        if (round % 3 == 0) test::random_skill_order(rng, context);
        context.multi_live_score_up_lower_bound.reset();
        const CardPool pool = test::make_pool(cards, context);
        if (context.final_chapter) context.card_enabled.assign(pool.count(), 1);
        // The bound: the score up of one of the few decks that reach the most.
        std::vector<double> ups;
        std::vector<u16> all(pool.count());
        for (u16 i = 0; i < pool.count(); ++i)
            all[i] = i;
        test::for_each_five_of(all, [&](const DeckSlots& deck) {
            if (!test::deck_allowed(pool, context, deck)) return;
            if (const auto e = evaluate_deck(pool, context, deck))
                ups.push_back(e->multi_live_score_up);
        });
        if (ups.empty()) continue;
        std::sort(ups.begin(), ups.end(), std::greater<double>());
        context.multi_live_score_up_lower_bound = ups[std::min<usize>(rng() % 12, ups.size() - 1)];
        const u64 limit = 1 + rng() % 4;
        ASSERT_TRUE(equals_brute_force(pool, context, limit, decks_seen)) << "round " << round;
    }
    EXPECT_GT(decks_seen, 100u);
}

// A specific order reads each slot at a place fixed by the slot that leads,
// so a deck's slot order decides its key: the search keeps the keys and card
// sets of the brute force, which forms decks in the same ascending order, in
// solo, auto, multi and cheerful lives with and without the teammates' score
// up, with the best skill or the first slot leading.
TEST(DfsSearch, ASpecificOrderEqualsBruteForce) {
    std::mt19937 rng(41);
    const LiveType lives[] = {LiveType::SOLO, LiveType::AUTO, LiveType::MULTI, LiveType::CHEERFUL};
    usize decks_seen = 0;
    for (int round = 0; round < 80; ++round) {
        const u8 characters = static_cast<u8>(6 + rng() % 5);
        // Card ids out of pool order: a deck led by its first slot orders
        // the others by card id.
        std::vector<u16> ids(12 + rng() % 5);
        std::iota(ids.begin(), ids.end(), u16{100});
        std::shuffle(ids.begin(), ids.end(), rng);
        std::vector<test::TestCard> cards;
        for (const u16 id : ids)
            cards.push_back(test::every_skill_kind_card(rng, id, characters));
        SearchContext context = test::random_default_context(rng);
        context.target = rng() % 4 == 0 ? Target::BONUS : Target::SCORE;
        context.live_type = lives[round % 4];
        context.skill_order_choose_strategy = SkillOrderChooseStrategy::SPECIFIC;
        std::array<u64, 5> order;
        for (u64& index : order)
            index = rng() % 5;
        context.specific_skill_order = order;
        if (round % 8 >= 4) context.multi_live_teammate_score_up = static_cast<i32>(rng() % 200);
        if (rng() % 4 == 0)
            context.fixed_characters.push_back(cards[rng() % cards.size()].character);
        const CardPool pool = test::make_pool(cards, context);
        const u64 limit = 1 + rng() % 4;
        ASSERT_TRUE(equals_brute_force(pool, context, limit, decks_seen)) << "round " << round;
    }
    EXPECT_GT(decks_seen, 100u);
}

// Two to five fixed characters, now and then after a fixed card, listed
// first as the pool builder lists them: the bounds count each character
// still to come at its best card, and the other free slots at the best
// other characters.
TEST(DfsSearch, FixedCharacterRunsEqualBruteForce) {
    std::mt19937 rng(62);
    usize decks_seen = 0;
    for (int round = 0; round < 150; ++round) {
        std::vector<TestCard> cards = test::random_cards(rng, 12 + rng() % 6);
        SearchContext context = test::random_default_context(rng);
        if (round % 3 == 0) {
            test::add_world_bloom_support(rng, cards, context);
            sort_general_support(context);
        }
        test::add_fixed_runs(rng, cards, context, 2 + round % 4);
        const CardPool pool = test::make_pool(cards, context);
        const u64 limit = 1 + rng() % 8;
        ASSERT_TRUE(equals_brute_force(pool, context, limit, decks_seen)) << "round " << round;
    }
    EXPECT_GT(decks_seen, 200u);
}

// A mysekai live has no live score, so ranking it by live score keys every
// deck 0: the best decks are the first in slot order, the same with and
// without an event, a seed that comes later, fixed cards or characters, and
// a score-up lower bound; and the search stops once it holds them.
TEST(DfsSearch, DecksThatAllKeyZeroAreTheFirstInSlotOrder) {
    std::mt19937 rng(5);
    for (int round = 0; round < 60; ++round) {
        std::vector<TestCard> cards = test::random_cards(rng, 6 + rng() % 10);
        SearchContext context = test::random_default_context(rng);
        context.target = Target::SCORE;
        context.live_type = LiveType::MYSEKAI;
        if (rng() % 4 == 0) context.fixed_cards.push_back(cards[rng() % cards.size()].card_id);
        if (rng() % 4 == 0)
            context.fixed_characters.push_back(cards[rng() % cards.size()].character);
        const CardPool pool = test::make_pool(cards, context);
        const u64 limit = 1 + rng() % 6;
        const auto ranked = test::all_decks_ranked(pool, context);
        std::vector<DeckEntry> seeds;
        if (!ranked.empty() && rng() % 2) seeds.push_back(ranked[rng() % ranked.size()]);
        const SearchResult found = dfs(pool, context, limit, 0, seeds, std::nullopt);
        ASSERT_EQ(found.decks, test::first_decks(ranked, limit)) << "round " << round;
    }
    // 26 characters of two cards each: about 2 x 10^6 decks, of which the
    // search evaluates a handful.
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 52; ++i)
        cards.push_back(plain_card(static_cast<u16>(10 + i), static_cast<u8>(1 + i / 2),
                                   30000 - 100 * i, static_cast<u8>(i)));
    SearchContext context;
    context.live_type = LiveType::MYSEKAI;
    const CardPool pool = test::make_pool(cards, context);
    const SearchResult found = dfs(pool, context, 3, 0, {}, std::nullopt);
    ASSERT_EQ(found.decks.size(), 3u);
    EXPECT_EQ(found.decks[0].slots, (DeckSlots{0, 2, 4, 6, 8}));
    EXPECT_EQ(found.decks[2].slots, (DeckSlots{0, 2, 4, 6, 10}));
    EXPECT_LT(found.stats.evaluations, 10u);
}

TEST(DfsSearch, TiersCollectTheBestDecksOfEachBonusLevel) {
    std::mt19937 rng(31);
    for (int round = 0; round < 40; ++round) {
        std::vector<TestCard> cards = test::random_cards(rng, 6 + rng() % 6);
        // Few distinct bonus levels, with tenths that rounding up to whole
        // percent overstates by up to 0.9 %.
        for (TestCard& c : cards)
            c.base_x10 = static_cast<u16>(10 * (c.card_id % 4) + 1 + 5 * (c.card_id % 2));
        // A pool listed by bonus, largest first, as the pool builder lists
        // event pools, lets the last card be looked up by bonus.
        if (round % 2 == 0) {
            std::stable_sort(cards.begin(), cards.end(), [](const TestCard& a, const TestCard& b) {
                return a.base_x10 + a.limited_x10 > b.base_x10 + b.limited_x10;
            });
        }
        SearchContext context = test::random_default_context(rng);
        context.target = Target::BONUS;
        // Half the rounds a challenge live, listed by bonus or not: two
        // characters only, each with several cards, and a card id now and
        // then on two variants.
        if (round % 4 >= 2) {
            context.live_type = LiveType::CHALLENGE;
            context.dominance_pruning = false;
            for (TestCard& c : cards)
                c.character = static_cast<u8>(1 + c.card_id % 2);
        }
        const CardPool pool = test::make_pool(cards, context);
        const auto all = test::all_decks_ranked(pool, context);
        // Every level that occurs, one twice, a negative entry and a level
        // no deck reaches.
        std::vector<i32> tiers = {-5, 9999};
        for (const DeckEntry& d : all)
            tiers.push_back(static_cast<i32>((d.score >> 32) / 2));
        const u64 limit = 1 + rng() % 3;
        std::map<u64, std::vector<DeckEntry>> by_tier;
        for (const DeckEntry& d : all) {
            if ((d.score >> 32) % 2 != 0) continue;  // an odd doubled bonus is no tier
            auto& list = by_tier[d.score >> 32];
            if (list.size() < limit) list.push_back(d);
        }
        std::vector<DeckEntry> expected;
        for (auto t = by_tier.rbegin(); t != by_tier.rend(); ++t)
            expected.insert(expected.end(), t->second.begin(), t->second.end());
        const SearchResult found = dfs(pool, context, limit, 0, {}, tiers);
        ASSERT_EQ(found.decks, expected) << "round " << round;
    }
}

TEST(DfsSearch, OneTierOfSpreadBonusesEqualsBruteForce) {
    // Bonuses spread over many tenths, a pool listed by bonus and one tier
    // with a few decks: the tier's window leaves a card of equal bonus room
    // for only the smallest bonuses after it, and the bound of those later
    // positions must still count that card's own power and skill.
    std::mt19937 rng(47);
    for (int round = 0; round < 150; ++round) {
        std::vector<TestCard> cards = test::random_cards(rng, 8 + rng() % 5);
        // Per card id, so that skill variants share their bonus.
        std::map<u16, u16> bonus;
        for (TestCard& c : cards) {
            if (!bonus.count(c.card_id))
                bonus[c.card_id] = static_cast<u16>(rng() % 3 == 0 ? rng() % 30 : rng() % 600);
            c.base_x10 = bonus[c.card_id];
        }
        std::stable_sort(cards.begin(), cards.end(), [](const TestCard& a, const TestCard& b) {
            return a.base_x10 + a.limited_x10 > b.base_x10 + b.limited_x10;
        });
        SearchContext context = test::random_default_context(rng);
        context.target = Target::BONUS;
        const CardPool pool = test::make_pool(cards, context);
        const auto all = test::all_decks_ranked(pool, context);
        std::vector<u64> levels;
        for (const DeckEntry& d : all)
            if ((d.score >> 32) % 2 == 0) levels.push_back(d.score >> 32);
        if (levels.empty()) continue;
        const u64 level = levels[rng() % levels.size()];
        const u64 limit = 1 + rng() % 3;
        std::vector<DeckEntry> expected;
        for (const DeckEntry& d : all)
            if ((d.score >> 32) == level && expected.size() < limit) expected.push_back(d);
        const i32 tier[] = {static_cast<i32>(level / 2)};
        const SearchResult found = dfs(pool, context, limit, 0, {}, std::span<const i32>(tier));
        ASSERT_EQ(found.decks, expected) << "round " << round;
    }
}

TEST(DfsSearch, TierKeysAndSeeds) {
    SearchContext context;
    context.target = Target::BONUS;
    context.event_kind = 0;
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 6; ++i) {
        cards.push_back(plain_card(static_cast<u16>(10 + i), static_cast<u8>(i + 1), 1000, 10));
        cards.back().base_x10 = i < 5 ? 200 : 300;  // decks of 100 % or 110 %
    }
    const CardPool pool = test::make_pool(cards, context);
    const i32 list[] = {110, 100, 105, 100, -5};
    const SearchResult found = dfs(pool, context, 10, 0, {}, std::span<const i32>(list));
    ASSERT_EQ(found.decks.size(), 6u);
    EXPECT_EQ(found.decks[0].score >> 32, 220u);  // tier 110 first
    EXPECT_EQ(found.decks[5].score >> 32, 200u);
    EXPECT_EQ(found.decks[5].slots, (DeckSlots{0, 1, 2, 3, 4}));

    const i32 none[] = {-1};
    EXPECT_TRUE(dfs(pool, context, 10, 0, {}, std::span<const i32>(none)).decks.empty());
    // A seed of no tier is dropped; a seed of a tier counts as found.
    const DeckEntry odd{(u64{221} << 32) | 5, {0, 1, 2, 3, 5}};
    const i32 only_110[] = {110};
    EXPECT_EQ(dfs(pool, context, 10, 0, {odd}, std::span<const i32>(only_110)).decks.size(), 5u);
    const DeckEntry fake{~u64{0}, {0, 1, 2, 3, 5}};
    const SearchResult seeded = dfs(pool, context, 2, 0, {fake}, std::nullopt);
    ASSERT_EQ(seeded.decks.size(), 2u);
    EXPECT_EQ(seeded.decks[0], fake);

    // Fewer than five cards: nothing, not even the seeds.
    SearchContext small_context;
    const CardPool small =
        test::make_pool(std::vector<TestCard>(cards.begin(), cards.begin() + 4), small_context);
    EXPECT_TRUE(dfs(small, small_context, 3, 0, {fake}, std::nullopt).decks.empty());
}

TEST(DfsSearch, TierTestAllowsForBonusesRoundedUp) {
    // Four cards of 10.1 % and one of 0.6 %: 41 % in all, tier 41. After
    // four cards the rounded-up sum is 44 %, 3.6 % above the cards' own.
    SearchContext context;
    context.target = Target::BONUS;
    context.event_kind = 0;
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 5; ++i) {
        cards.push_back(plain_card(static_cast<u16>(10 + i), static_cast<u8>(i + 1), 1000, 10));
        cards.back().base_x10 = i < 4 ? 101 : 6;
    }
    const CardPool pool = test::make_pool(cards, context);
    const i32 tiers[] = {41};
    const SearchResult found = dfs(pool, context, 1, 0, {}, std::span<const i32>(tiers));
    ASSERT_EQ(found.decks.size(), 1u);
    EXPECT_EQ(found.decks[0].score >> 32, 82u);

    // The final chapter rounds up both parts of a card's bonus: five cards
    // of 10.1 % and a limited 0.1 % are 51 %, rounded up 60 %.
    SearchContext final_chapter = context;
    final_chapter.final_chapter = true;
    for (TestCard& c : cards) {
        c.base_x10 = 101;
        c.limited_x10 = 1;
    }
    const CardPool final_pool = test::make_pool(cards, final_chapter);
    const i32 final_tiers[] = {51};
    const SearchResult final_found =
        dfs(final_pool, final_chapter, 1, 0, {}, std::span<const i32>(final_tiers));
    ASSERT_EQ(final_found.decks.size(), 1u);
    EXPECT_EQ(final_found.decks[0].score >> 32, 102u);
}

// Five cards of skill 100 reach a score up of exactly 180 (100 + 0.2 x 400),
// the most any deck of the pool can: a lower bound just above it leaves the
// search nothing to look at, while 180 itself finds that deck.
TEST(DfsSearch, ALowerBoundNoDeckCanReachEvaluatesNothing) {
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 20; ++i)
        cards.push_back(
            plain_card(static_cast<u16>(10 + i), static_cast<u8>(1 + i), 30000 - 100 * i, 0));
    for (u16 i = 0; i < 5; ++i)
        cards.push_back(
            plain_card(static_cast<u16>(100 + i), static_cast<u8>(21 + i), 1000 + i, 100));
    SearchContext context;
    context.live_type = LiveType::MULTI;
    context.music_base_scores = {1.1, 0.9, 0.0};
    context.music_skill_scores[1] = {8, 16, 24, 32, 40, 48};
    const CardPool pool = test::make_pool(cards, context);
    for (const auto& [bound, decks] : {std::pair{180.0, 1u}, std::pair{180.5, 0u}}) {
        SCOPED_TRACE(bound);
        context.multi_live_score_up_lower_bound = bound;
        const SearchResult found = dfs(pool, context, 3, 0, {}, std::nullopt);
        EXPECT_EQ(found.decks.size(), decks);
        if (decks == 0) {
            EXPECT_EQ(found.stats.evaluations, 0u);
        }
    }
}

TEST(DfsSearch, StopsAtTheFirstClockReadPastTheDeadline) {
    std::mt19937 rng(8);
    std::vector<TestCard> cards = test::random_cards(rng, 24);
    for (usize i = 0; i < cards.size(); ++i)
        cards[i].character = static_cast<u8>(1 + i % 20);
    SearchContext context = test::random_default_context(rng);
    context.multi_live_score_up_lower_bound.reset();
    const CardPool pool = test::make_pool(cards, context);

    FakeClock clock;
    clock.jump_after_reads = 1;  // the start; every later read is past
    const SearchResult cut = dfs(pool, context, 3, 50, {}, std::nullopt, clock);
    EXPECT_TRUE(cut.stats.timed_out);
    EXPECT_EQ(cut.stats.clock_reads, 1u);
    EXPECT_GT(cut.stats.evaluations, 0u);
    EXPECT_LT(cut.stats.evaluations, 1024u);

    const u64 reads = clock.reads;
    const SearchResult full = dfs(pool, context, 3, 0, {}, std::nullopt, clock);
    EXPECT_EQ(clock.reads, reads);  // no time limit: the clock is never read
    EXPECT_FALSE(full.stats.timed_out);
    ASSERT_EQ(full.decks.size(), 3u);
    // What was cut short is never better than the full search.
    ASSERT_FALSE(cut.decks.empty());
    EXPECT_LE(cut.decks[0].score, full.decks[0].score);
}

// A second skill variant of a card: the same id and character, another
// skill and a little more or less power, so that now one variant dominates
// the other and now neither does.
TestCard skill_variant(std::mt19937& rng, const TestCard& card) {
    TestCard v = card;
    v.skill = {};
    v.skill_value = static_cast<u8>(rng() % 120);
    v.skill.plain_value = v.skill_value;
    const u32 shift = static_cast<u32>(rng() % 3000);
    for (u32& value : v.unit_values)
        value = rng() % 2 ? value + shift : value - std::min(value, shift);
    v.power = *std::max_element(v.unit_values.begin(), v.unit_values.end());
    return v;
}

TEST(SearchRecommend, PruningAndReadmissionEqualBruteForce) {
    std::mt19937 rng(99);
    usize pruned_rounds = 0;
    const u64 limits[] = {1, 2, 10};
    for (int round = 0; round < 180; ++round) {
        std::vector<TestCard> cards;
        for (usize i = 0, n = 6 + rng() % 8; i < n; ++i)
            cards.push_back(test::random_card(rng, static_cast<u16>(100 + i)));
        // Copies of cards under new ids, some weaker: material for pruning.
        for (usize i = 0, n = cards.size(); i < n; i += 2) {
            TestCard copy = cards[i];
            copy.card_id = static_cast<u16>(500 + i);
            if (rng() % 2) copy.base_x10 = copy.base_x10 / 2;
            // A reference skill's plain value, which its record does not show.
            if (copy.skill.has_ref && rng() % 2)
                copy.skill_secondary = static_cast<u8>(std::min(copy.skill_secondary + 40, 255));
            cards.push_back(copy);
        }
        // Every other round, two skill variants of some cards.
        if (round % 2 == 0) {
            for (usize i = 1, n = cards.size(); i < n; i += 3)
                cards.push_back(skill_variant(rng, cards[i]));
        }
        SearchContext context = test::random_default_context(rng);
        // Every leader rule and skill order: where slot 0 leads, or a
        // specific skill order reads the slots in turn, a deck's key depends
        // on its slot order, which seeds and pruning must not change. A multi
        // live's order reads the room leader's and the teammates' values
        // alone, given or not.
        context.skill_order_choose_strategy = static_cast<SkillOrderChooseStrategy>(rng() % 4);
        if (context.skill_order_choose_strategy == SkillOrderChooseStrategy::SPECIFIC)
            context.specific_skill_order =
                std::array<u64, 5>{rng() % 5, rng() % 5, rng() % 5, rng() % 5, rng() % 5};
        if (rng() % 3 == 0) context.multi_live_teammate_score_up = 40 + rng() % 120;
        if (rng() % 4 == 0) context.fixed_cards.push_back(cards[rng() % cards.size()].card_id);
        if (rng() % 4 == 0) {
            const u8 character = cards[rng() % cards.size()].character;
            const bool fixed_card_of_it =
                !context.fixed_cards.empty() &&
                std::any_of(cards.begin(), cards.end(), [&](const TestCard& c) {
                    return c.card_id == context.fixed_cards[0] && c.character == character;
                });
            if (!fixed_card_of_it) context.fixed_characters.push_back(character);
        }
        test::put_fixed_first(cards, context);
        // World Bloom: a support list over some of the cards, best first.
        if (rng() % 3 == 0) {
            context.event_kind = 2;
            context.world_bloom = true;
            auto& support = context.world_bloom_support.general;
            for (const TestCard& c : cards)
                if (rng() % 2 &&
                    std::none_of(support.entries.begin(), support.entries.end(),
                                 [&](const SupportEntry& e) { return e.card_id == c.card_id; })) {
                    support.entries.push_back({c.card_id, static_cast<double>(rng() % 40) / 4.0});
                }
            std::stable_sort(
                support.entries.begin(), support.entries.end(),
                [](const SupportEntry& a, const SupportEntry& b) { return a.value > b.value; });
            support.count = static_cast<u8>(rng() % 4);
            context.distinct_attr_bonus = {0, 1, 3, 5, 8, 12};
        }
        const CardPool pool = test::make_pool(cards, context);
        const u64 limit = limits[round % 3];
        const auto all = test::all_decks_ranked(pool, context);
        const auto expected = test::first_decks(all, limit);
        const auto found = search_recommend(pool, context, limit, 0, steady_search_clock());
        ASSERT_TRUE(found.ok()) << found.error().message;
        // The same keys; each deck's card set has that key at best. Which of
        // tied decks is listed may differ.
        const auto& decks = found.value().decks;
        ASSERT_EQ(decks.size(), expected.size()) << "round " << round;
        std::map<CardSetKey, u64> best_key;
        for (const DeckEntry& d : all)
            best_key.emplace(card_set_key(pool_card_ids(pool), d.slots), d.score);
        for (usize i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(decks[i].score, expected[i].score) << "round " << round << " deck " << i;
            const auto set = best_key.find(card_set_key(pool_card_ids(pool), decks[i].slots));
            ASSERT_NE(set, best_key.end()) << "round " << round << " deck " << i;
            EXPECT_EQ(set->second, decks[i].score) << "round " << round << " deck " << i;
        }
        pruned_rounds += !expected.empty();
    }
    EXPECT_GT(pruned_rounds, 100u);
}

TEST(CandidateOrder, KeyAndTies) {
    SearchContext context;
    std::vector<TestCard> cards = {
        plain_card(1, 1, 0, 50),     // key 0: last
        plain_card(2, 1, 1000, 0),   // 256 x 1000 x 101
        plain_card(3, 1, 1000, 0),   // equal to card 1: lower index first
        plain_card(4, 1, 1000, 10),  // 266 x 1000 x 100
        plain_card(5, 1, 0, 0),      // key 0, after card 0
    };
    cards[1].base_x10 = 1;  // 1 tenth rounds up to 1 %
    cards[2].base_x10 = 10;
    const CardPool pool = test::make_pool(cards, context);
    EXPECT_EQ(candidate_key(pool, context, 1), 256u * 1000u * 101u);
    EXPECT_EQ(initial_candidate_order(pool, context), (std::vector<u16>{3, 1, 2, 0, 4}));
    // Leader bonuses count only in the final chapter.
    context.leader_honor_bonus[2] = 5;
    EXPECT_EQ(candidate_key(pool, context, 2), 256u * 1000u * 101u);
    context.final_chapter = true;
    EXPECT_EQ(candidate_key(pool, context, 2), 256u * 1000u * 106u);
}

TEST(ForceScalar, FalseWhateverTheEnvironment) {
    setenv(FORCE_SCALAR_VARIABLE, "1", 1);
    std::thread other([] { EXPECT_FALSE(force_scalar_enabled()); });
    EXPECT_FALSE(force_scalar_enabled());
    other.join();
    unsetenv(FORCE_SCALAR_VARIABLE);
    EXPECT_FALSE(force_scalar_enabled());
}

}  // namespace
}  // namespace vdz
