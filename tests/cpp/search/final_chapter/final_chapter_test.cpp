#include "search/final_chapter/final_chapter.h"

#include <gtest/gtest.h>

#include <limits>

#include "fake_clock.h"
#include "search/final_chapter/final_chapter_fixture.h"
#include "search/final_chapter/final_group_search.h"
#include "search/final_chapter/final_groups.h"
#include "search/final_chapter/final_heuristics.h"
#include "search/search_entry.h"

namespace vdz {
namespace {

using test::FakeClock;
using test::FinalSetup;

constexpr auto BEST = SkillOrderChooseStrategy::BEST;
constexpr auto AVERAGE = SkillOrderChooseStrategy::AVERAGE;

// Settings under which a deck's key does not depend on the order of slots
// 1 to 4, so the best key per card set is well defined.
const FinalSetup SETUPS[] = {
    {"solo score, best skills, all limited bonuses", Target::SCORE, LiveType::SOLO, BEST, 5, false,
     true},
    {"solo score without event", Target::SCORE, LiveType::SOLO, BEST, 0, false, false},
    {"solo score, averaged skills, support", Target::SCORE, LiveType::SOLO, AVERAGE, 7, true, true},
    {"multi score, averaged, two limited bonuses", Target::SCORE, LiveType::MULTI, AVERAGE, 2,
     false, true},
    {"cheerful score, averaged, support", Target::SCORE, LiveType::CHEERFUL, AVERAGE, 1, true,
     true},
    {"auto bonus, no limited bonus", Target::BONUS, LiveType::AUTO, BEST, 0, true, true},
    {"auto score, worst skills", Target::SCORE, LiveType::AUTO, SkillOrderChooseStrategy::WORST, 5,
     true, true},
    {"score on the mysekai live, where every key is 0", Target::SCORE, LiveType::MYSEKAI, BEST, 5,
     true, true},
    {"challenge score", Target::SCORE, LiveType::CHALLENGE, BEST, 5, false, true},
    {"mysekai target", Target::MYSEKAI, LiveType::SOLO, BEST, 5, true, true},
    // The leader (slot 0) plays one activation, another slot three.
    {"solo score, a specific order", Target::SCORE, LiveType::SOLO,
     SkillOrderChooseStrategy::SPECIFIC, 5, true, true},
};

std::vector<u64> keys_of(const std::vector<DeckEntry>& decks) {
    std::vector<u64> keys;
    for (const DeckEntry& d : decks)
        keys.push_back(d.score);
    return keys;
}

std::vector<u64> first(std::vector<u64> keys, usize n) {
    keys.resize(std::min(keys.size(), n));
    return keys;
}

// Every deck holds one card of five different characters.
void expect_five_characters(const CardPool& pool, const std::vector<DeckEntry>& decks) {
    for (const DeckEntry& d : decks) {
        u32 seen = 0;
        for (const u16 card : d.slots)
            seen |= 1u << pool.character_id(card);
        EXPECT_EQ(__builtin_popcount(seen), 5);
    }
}

// The search's keys, in designated mode for `character` or over every
// character without one, are the brute force's first `limit`.
void expect_brute_force_keys(const CardPool& pool, const SearchContext& context, u64 limit,
                             std::optional<u8> character) {
    const auto result =
        search_final_chapter(pool, context, limit, 0, character, steady_search_clock());
    EXPECT_EQ(keys_of(result.decks),
              first(test::brute_force_keys(pool, context, character.value_or(0)), limit));
}

TEST(FinalChapterSearch, DesignatedModeEqualsBruteForce) {
    std::mt19937 rng(11);
    for (const FinalSetup& setup : SETUPS) {
        for (int round = 0; round < 3; ++round) {
            SCOPED_TRACE(testing::Message() << setup.name << ", round " << round);
            std::vector<usize> per_character = {3};
            for (usize c = 0; c < 6; ++c)
                per_character.push_back(1 + rng() % 4);
            auto [context, pool] = test::random_final_pool(setup, rng, per_character);
            const u64 limit = 2 + rng() % 6;
            const auto result =
                search_final_chapter(pool, context, limit, 0, u8{1}, steady_search_clock());
            EXPECT_EQ(keys_of(result.decks),
                      first(test::brute_force_keys(pool, context, 1), limit));
            expect_five_characters(pool, result.decks);
            for (const DeckEntry& d : result.decks)
                EXPECT_EQ(pool.character_id(d.slots[0]), 1);
        }
    }
}

TEST(FinalChapterSearch, AllCharactersModeEqualsBruteForce) {
    std::mt19937 rng(12);
    for (const FinalSetup& setup : SETUPS) {
        for (int round = 0; round < 2; ++round) {
            SCOPED_TRACE(testing::Message() << setup.name << ", round " << round);
            std::vector<usize> per_character;
            for (usize c = 0; c < 7; ++c)
                per_character.push_back(1 + rng() % 3);
            auto [context, pool] = test::random_final_pool(setup, rng, per_character);
            const u64 limit = 1 + rng() % 6;
            const auto result =
                search_final_chapter(pool, context, limit, 0, std::nullopt, steady_search_clock());
            EXPECT_EQ(keys_of(result.decks),
                      first(test::brute_force_keys(pool, context, 0), limit));
            expect_five_characters(pool, result.decks);
        }
    }
}

TEST(FinalChapterSearch, TeammateScoreUpEqualsBruteForce) {
    // Four of a multi live's activations are the teammates' score up, which
    // the bounds read apart from the room leader's value.
    std::mt19937 rng(21);
    for (const FinalSetup& setup : {SETUPS[3], SETUPS[4]}) {
        for (const i32 teammate : {0, 40, 90, 250}) {
            SCOPED_TRACE(testing::Message() << setup.name << ", teammates " << teammate);
            std::vector<usize> per_character;
            for (usize c = 0; c < 7; ++c)
                per_character.push_back(1 + rng() % 3);
            auto [context, pool] = test::random_final_pool(setup, rng, per_character);
            context.multi_live_teammate_score_up = teammate;
            test::song_weights(rng, context);
            for (const std::optional<u8> character : {std::optional<u8>{1}, std::optional<u8>{}}) {
                const u64 limit = 1 + rng() % 6;
                expect_brute_force_keys(pool, context, limit, character);
            }
        }
    }
}

TEST(FinalChapterSearch, SongWeightsEqualBruteForce) {
    // Fractional weights leave remainders in every quotient of the bounds.
    // Cards of one large power in every deck shape and nearly equal skills
    // make the bounds tight and the keys close, most of all without an
    // event under averaged skills: a bound a few points low shows (in debug
    // builds the card search checks each deck it reaches against its bound).
    std::mt19937 rng(20);
    std::vector<FinalSetup> setups(std::begin(SETUPS), std::end(SETUPS));
    setups.push_back({"solo score, averaged skills, no event", Target::SCORE, LiveType::SOLO,
                      AVERAGE, 0, false, false});
    for (const FinalSetup& setup : setups) {
        for (int round = 0; round < 6; ++round) {
            SCOPED_TRACE(testing::Message() << setup.name << ", round " << round);
            std::vector<usize> per_character;
            for (usize c = 0; c < 7; ++c)
                per_character.push_back(1 + rng() % 3);
            std::vector<test::TestCard> cards = test::random_final_cards(rng, per_character);
            for (test::TestCard& card : cards) {
                card.power = 250000 + rng() % 4;
                card.skill = {};
                card.skill_value = card.skill.plain_value = static_cast<u8>(100 + rng() % 3);
                card.unit_values.fill(card.power);
            }
            SearchContext context = test::final_context(setup, rng, per_character.size());
            test::song_weights(rng, context);
            const CardPool pool = test::make_pool(cards, context);
            for (const std::optional<u8> character : {std::optional<u8>{1}, std::optional<u8>{}}) {
                const u64 limit = 1 + rng() % 6;
                expect_brute_force_keys(pool, context, limit, character);
            }
        }
    }
}

TEST(FinalChapterSearch, PowerTiedToBonusEqualsBruteForce) {
    // In solo and auto lives with an event, a set of groups is also bounded
    // with each deck's power and bonus on the same cards. Cards whose power
    // rises with their bonus, of whole-percent bonuses and equal skills, put
    // the best decks near that bound, so one a little low shows (in debug
    // builds at every deck reached); power falling as the bonus rises makes
    // it cut sets whose best power and best bonus are on different cards.
    // From round 4 the skills vary too, falling as the power rises or
    // rising with it, and the lists are long enough that the card search,
    // not the seeding, finds most of their decks: it also asks the bound at
    // the rate of each child's own skill values.
    std::mt19937 rng(23);
    for (const FinalSetup& setup : {SETUPS[0], SETUPS[2], SETUPS[6]}) {
        for (int round = 0; round < 6; ++round) {
            SCOPED_TRACE(testing::Message() << setup.name << ", round " << round);
            std::vector<usize> per_character;
            for (usize c = 0; c < 7; ++c)
                per_character.push_back(1 + rng() % 3);
            std::vector<test::TestCard> cards = test::random_final_cards(rng, per_character);
            for (test::TestCard& card : cards) {
                const u32 bonus = rng() % 40;
                card.base_x10 = static_cast<u16>(10 * bonus);
                card.limited_x10 = 0;
                for (u32& v : card.unit_values)
                    v = (round % 2 == 0 ? 150000 + 2000 * bonus : 230000 - 2000 * bonus) +
                        static_cast<u32>(rng() % 200);
                card.power = *std::max_element(card.unit_values.begin(), card.unit_values.end());
                card.skill = {};
                const u32 skill = round < 4 ? 100 : 60 + 2 * (round % 2 == 0 ? 39 - bonus : bonus);
                card.skill_value = card.skill.plain_value = static_cast<u8>(skill);
            }
            SearchContext context = test::final_context(setup, rng, per_character.size());
            const CardPool pool = test::make_pool(cards, context);
            for (const std::optional<u8> character : {std::optional<u8>{1}, std::optional<u8>{}}) {
                const u64 limit = round < 4 ? 1 + rng() % 6 : 10 + rng() % 20;
                expect_brute_force_keys(pool, context, limit, character);
            }
        }
    }
}

TEST(FinalChapterSearch, EveryLeaderOfACharacterIsSearched) {
    // Eight leaders of each of two characters, few of them dominated: the
    // best decks may be led by any of them, not only the first by estimate.
    // Only settings whose keys do not depend on the order of slots 1 to 4,
    // not even through the rounding of a bonus summed in slot order.
    std::mt19937 rng(19);
    for (const FinalSetup& setup : SETUPS) {
        const bool order_free =
            (setup.live_type == LiveType::MULTI || setup.live_type == LiveType::CHEERFUL) &&
            setup.order == AVERAGE;
        if (setup.event && !order_free) continue;
        for (int round = 0; round < 30; ++round) {
            SCOPED_TRACE(testing::Message() << setup.name << ", round " << round);
            auto [context, pool] = test::random_final_pool(setup, rng, {8, 8, 1, 1, 2, 1});
            for (const u64 limit : {1, 3, 10}) {
                const auto result = search_final_chapter(pool, context, limit, 0, std::nullopt,
                                                         steady_search_clock());
                EXPECT_EQ(keys_of(result.decks),
                          first(test::brute_force_keys(pool, context, 0), limit));
            }
        }
    }
}

TEST(FinalChapterSearch, DominatedLeadersLeadTheNextDecks) {
    // Card 1 leads as well as card 0 in every respect but power; with the
    // same four others it leads the second best deck.
    SearchContext context;
    context.final_chapter = true;
    context.music_base_scores = {1.1, 0.9, 0.4};
    context.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
    std::vector<test::TestCard> cards = {test::plain_card(1, 1, 30000, 100),
                                         test::plain_card(2, 1, 29000, 100)};
    for (u8 c = 2; c <= 5; ++c)
        cards.push_back(test::plain_card(c + 1, c, 20000, 50));
    const CardPool pool = test::make_pool(cards, context);
    ASSERT_EQ(drop_dominated_cards(pool, context, {0, 1}), (std::vector<u16>{0}));
    for (const std::optional<u8> designated : {std::optional<u8>(1), std::optional<u8>()}) {
        const auto result =
            search_final_chapter(pool, context, 2, 0, designated, steady_search_clock());
        ASSERT_EQ(result.decks.size(), 2u);
        EXPECT_EQ(keys_of(result.decks),
                  first(test::brute_force_keys(pool, context, designated.value_or(0)), 2));
        EXPECT_EQ(result.decks[1].slots[0], 1);
    }
}

TEST(FinalChapterSearch, GroupBoundIsAboveEveryDeckOfItsLeader) {
    std::mt19937 rng(13);
    for (const FinalSetup& setup : SETUPS) {
        for (int round = 0; round < 4; ++round) {
            SCOPED_TRACE(testing::Message() << setup.name << ", round " << round);
            std::vector<usize> per_character = {4, 2, 3, 1, 2, 3};
            auto [context, pool] = test::random_final_pool(setup, rng, per_character);
            const auto groups = build_character_groups(pool, context, 1, context.card_enabled, 10);
            const auto suffix = build_group_suffix_table(groups);
            const SuffixTables tables = build_suffix_tables(pool, context);
            for (u16 leader = 0; leader < 4; ++leader) {
                const LeaderValues values = leader_values(pool, context, leader);
                const u64 bound =
                    group_upper_bound(tables, context.limited_bonus_count, groups, suffix, 0, {}, 0,
                                      values, leader_shapes(pool, groups, leader));
                const std::vector<u64> keys = test::brute_force_keys(pool, context, 1, leader);
                ASSERT_FALSE(keys.empty());
                EXPECT_GE(bound, keys.front());
            }
        }
    }
}

TEST(FinalChapterSearch, BoundsCoverDecksSharingAUnitOrAnAttribute) {
    // Six characters, three cards each, worth 10000 in a deck that shares
    // nothing. The third card of each is worth 30000 in a deck that shares
    // the unit (all cards of unit 1, attributes spread) or the attribute
    // (one attribute, units 1 and 2 alternating, so no deck shares a unit);
    // the first two only with both. All have the same power column, so the
    // first two lead each group and the leaders' seed decks miss the best.
    struct Case {
        const char* name;
        bool one_attribute;
    };
    for (const Case& c : {Case{"shared unit", false}, Case{"shared attribute", true}}) {
        SCOPED_TRACE(c.name);
        SearchContext context;
        context.final_chapter = true;
        context.music_base_scores = {1.1, 0.9, 0.4};
        context.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
        std::vector<test::TestCard> cards;
        for (u8 i = 0; i < 18; ++i) {
            const u8 character = i / 3;
            test::TestCard card =
                test::plain_card(static_cast<u16>(100 + i), static_cast<u8>(character + 1), 30000,
                                 0, c.one_attribute ? 0 : character % 5,
                                 c.one_attribute && character % 2 ? 0x02 : 0x01);
            const u32 shaped = i % 3 == 2 ? 30000 : 10000;
            card.unit_values = c.one_attribute
                                   ? std::array<u32, 8>{10000, shaped, 10000, 30000, 0, 0, 0, 0}
                                   : std::array<u32, 8>{10000, 10000, shaped, 30000, 0, 0, 0, 0};
            cards.push_back(card);
        }
        const CardPool pool = test::make_pool(cards, context);
        const auto groups = build_character_groups(pool, context, 1, context.card_enabled, 10);
        const SuffixTables tables = build_suffix_tables(pool, context);
        const u64 bound = group_upper_bound(
            tables, context.limited_bonus_count, groups, build_group_suffix_table(groups), 0, {}, 0,
            leader_values(pool, context, 2), leader_shapes(pool, groups, 2));
        EXPECT_GE(bound, test::brute_force_keys(pool, context, 1, 2).front());
        // Designated: the all-characters heuristics would find them.
        const auto result = search_final_chapter(pool, context, 3, 0, u8{1}, steady_search_clock());
        EXPECT_EQ(keys_of(result.decks), first(test::brute_force_keys(pool, context, 1), 3));
    }
}

TEST(FinalChapterSearch, NothingToSearch) {
    std::mt19937 rng(14);
    const FinalSetup setup = SETUPS[0];
    struct Case {
        const char* name;
        std::vector<usize> per_character;
        std::optional<u8> character;
    };
    const Case cases[] = {
        {"four cards", {1, 1, 1, 1}, u8{1}},
        {"four cards, all characters", {1, 1, 1, 1}, std::nullopt},
        {"three other characters", {3, 2, 2, 2}, u8{1}},
        {"no card of the designated character", {0, 2, 2, 2, 2}, u8{1}},
        {"only four characters anywhere", {2, 2, 2, 2}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SearchContext context = test::final_context(setup, rng, c.per_character.size());
        const CardPool pool =
            test::make_pool(test::random_final_cards(rng, c.per_character), context);
        const auto result =
            search_final_chapter(pool, context, 5, 0, c.character, steady_search_clock());
        EXPECT_TRUE(result.decks.empty());
        if (pool.count() < 5) {
            EXPECT_EQ(result.counters, SearchCounters{});
        }
    }
}

TEST(FinalChapterSearch, PassedDeadline) {
    std::mt19937 rng(15);
    const FinalSetup setup = SETUPS[0];
    std::vector<usize> per_character = {3, 2, 2, 2, 2, 2, 2};
    auto [context, pool] = test::random_final_pool(setup, rng, per_character);

    // Designated mode reads the clock before its first leader and stops
    // there, with nothing in hand.
    FakeClock clock;
    clock.jump_after_reads = 1;  // the start; every later read is past
    const auto designated = search_final_chapter(pool, context, 5, 50, u8{1}, clock);
    EXPECT_TRUE(designated.decks.empty());
    EXPECT_EQ(designated.counters.evaluated, 0u);
    EXPECT_EQ(designated.counters.groups_visited, 0u);
    EXPECT_TRUE(designated.timed_out);

    // All-characters mode: this pool's seeding does less work than one
    // clock interval, so it ends before the deadline is read; then the
    // search stops.
    FakeClock clock2;
    clock2.jump_after_reads = 1;
    const auto all = search_final_chapter(pool, context, 5, 50, std::nullopt, clock2);
    EXPECT_EQ(all.decks.size(), 5u);
    EXPECT_GT(all.counters.evaluated, 0u);
    EXPECT_EQ(all.counters.groups_visited, 0u);
    EXPECT_EQ(clock2.reads, 2u);
    EXPECT_TRUE(all.timed_out);

    // Without a deadline the clock is never read after the start.
    FakeClock clock3;
    const auto full = search_final_chapter(pool, context, 5, 0, u8{1}, clock3);
    EXPECT_EQ(clock3.reads, 0u);
    EXPECT_FALSE(full.timed_out);
    EXPECT_EQ(keys_of(full.decks), first(test::brute_force_keys(pool, context, 1), 5));
}

// Strong cards of characters 1..16 without skill, none dominating another
// (each its own attribute and unit), then two weak cards of skill 100 for
// each of characters 17..26. The strong cards are the heuristic seeds, but
// under a multi live score-up lower bound of 100 no deck they lead passes:
// the first decks come from the leaders of character 17.
std::vector<test::TestCard> skilled_leaders_only() {
    std::vector<test::TestCard> cards;
    for (u16 k = 0; k < 16; ++k)
        cards.push_back(test::plain_card(static_cast<u16>(100 + k), static_cast<u8>(1 + k),
                                         30000 + 10 * k, 0, static_cast<u8>(k % 5),
                                         static_cast<u8>(1u << (k / 5))));
    for (u16 k = 0; k < 20; ++k)
        cards.push_back(test::plain_card(static_cast<u16>(200 + k), static_cast<u8>(17 + k / 2),
                                         1000 + k, 100, static_cast<u8>(k % 2)));
    return cards;
}

TEST(FinalChapterSearch, PassedDeadlineEndsTheWorkBeforeTheGroupSearch) {
    SearchContext unbounded;
    unbounded.final_chapter = true;
    unbounded.live_type = LiveType::MULTI;
    unbounded.music_base_scores = {1.1, 0.9, 0.0};
    unbounded.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
    SearchContext bounded = unbounded;
    bounded.multi_live_score_up_lower_bound = 100.0;
    struct Case {
        const char* name;
        const SearchContext& context;
        std::optional<u8> character;
        std::vector<u16> fixed_cards;
        u64 beam_decks;  // decks the beams may score: every seed's when none passes
    };
    const Case cases[] = {
        // Sixteen seeds, each beam a few thousand steps.
        {"every character, decks from the first beam", unbounded, std::nullopt, {}, BEAM_WIDTH},
        {"every character, decks from the leaders' groups",
         bounded,
         std::nullopt,
         {},
         16 * BEAM_WIDTH},
        {"designated leader", bounded, u8{17}, {}, 0},
        {"fixed card", bounded, std::nullopt, {201}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SearchContext context = c.context;
        context.fixed_cards = c.fixed_cards;
        const CardPool pool = test::make_pool(skilled_leaders_only(), context);
        const auto full =
            search_final_chapter(pool, context, 5, 0, c.character, steady_search_clock());
        ASSERT_EQ(full.decks.size(), 5u);

        // Every read after the start is past the deadline: the first check
        // ends the work, with no deck in hand on this pool.
        FakeClock clock;
        clock.jump_after_reads = 1;
        const auto cut = search_final_chapter(pool, context, 5, 50, c.character, clock);
        EXPECT_TRUE(cut.decks.empty());
        EXPECT_LE(cut.counters.evaluated, c.beam_decks);
        EXPECT_EQ(cut.counters.groups_visited, 0u);
        EXPECT_TRUE(cut.timed_out);
    }
}

TEST(FinalChapterSearch, SameRequestSameDecksAndCounters) {
    std::mt19937 rng(16);
    std::vector<usize> per_character(9, 3);
    SearchContext context = test::final_context(SETUPS[3], rng, per_character.size());
    const CardPool pool = test::make_pool(test::random_final_cards(rng, per_character), context);
    const auto a = search_final_chapter(pool, context, 4, 0, std::nullopt, steady_search_clock());
    const auto b = search_final_chapter(pool, context, 4, 0, std::nullopt, steady_search_clock());
    EXPECT_EQ(a.decks, b.decks);
    EXPECT_EQ(a.counters, b.counters);
    EXPECT_GT(a.counters.leaders_skipped + a.counters.group_pruned + a.counters.card_pruned, 0u);
}

TEST(FinalChapterSearch, DominatedLeaderCandidates) {
    SearchContext context;
    std::vector<test::TestCard> cards = {
        test::plain_card(1, 1, 1000, 50), test::plain_card(2, 1, 1000, 50),
        test::plain_card(3, 1, 2000, 60), test::plain_card(4, 1, 2000, 60, 1),
        test::plain_card(5, 2, 900, 40)};
    const CardPool pool = test::make_pool(cards, context);
    // Equal cards: the earlier in the list survives; a better card removes
    // a worse one of the same attribute, whichever comes first; the
    // character is not compared.
    EXPECT_EQ(drop_dominated_cards(pool, context, {1, 0, 2, 3}), (std::vector<u16>{2, 3}));
    EXPECT_EQ(drop_dominated_cards(pool, context, {4, 0}), (std::vector<u16>{0}));
    // Of two equal cards, one that its support deck would lose does not
    // remove the other; the other removes it.
    context.world_bloom = true;
    context.world_bloom_support.general = {{{1, 5.0}, {9, 1.0}}, 1};
    EXPECT_EQ(drop_dominated_cards(pool, context, {0, 1}), (std::vector<u16>{1}));
}

// The deck holds every fixed card and a card of every fixed character, and
// is led as the request says: by the designated character, else by the
// first fixed card, else by the first fixed character.
bool meets_constraints(const CardPool& pool, const SearchContext& c, const DeckSlots& deck) {
    const auto holds = [&](auto&& matches) {
        return std::any_of(deck.begin(), deck.end(), matches);
    };
    for (const u16 id : c.fixed_cards)
        if (!holds([&](u16 card) { return pool.card_id(card) == id; })) return false;
    for (const u8 ch : c.fixed_characters)
        if (!holds([&](u16 card) { return pool.character_id(card) == ch; })) return false;
    if (c.designated_character) return pool.character_id(deck[0]) == *c.designated_character;
    if (!c.fixed_cards.empty()) return pool.card_id(deck[0]) == c.fixed_cards[0];
    if (!c.fixed_characters.empty()) return pool.character_id(deck[0]) == c.fixed_characters[0];
    return true;
}

TEST(FinalChapterSearch, ConstrainedDecksEqualBruteForce) {
    std::mt19937 rng(17);
    struct Case {
        const char* name;
        std::optional<u8> designated;
        std::vector<u8> fixed_card_characters;  // one random card of each is fixed
        std::vector<u8> fixed_characters;
    };
    const Case cases[] = {
        {"designated, a fixed card of another character", u8{1}, {3}, {}},
        {"designated, a fixed card of its own character", u8{1}, {1}, {}},
        {"designated, a fixed character", u8{1}, {}, {4}},
        {"designated, its own character and another fixed", u8{1}, {}, {1, 5}},
        {"designated, fixed card and character", u8{2}, {6}, {3}},
        {"fixed cards lead", std::nullopt, {2, 5}, {}},
        {"a fixed card leads, fixed characters", std::nullopt, {6}, {2, 3}},
        {"the first fixed character leads", std::nullopt, {}, {3, 6, 7}},
    };
    for (const FinalSetup& setup : SETUPS) {
        for (const Case& k : cases) {
            SCOPED_TRACE(testing::Message() << setup.name << ", " << k.name);
            std::vector<usize> per_character;
            for (usize c = 0; c < 7; ++c)
                per_character.push_back(1 + rng() % 4);
            auto [context, pool] = test::random_final_pool(setup, rng, per_character);
            context.designated_character = k.designated;
            context.fixed_characters = k.fixed_characters;
            for (const u8 ch : k.fixed_card_characters) {
                std::vector<u16> ids;
                for (u16 i = 0; i < pool.count(); ++i)
                    if (pool.character_id(i) == ch) ids.push_back(pool.card_id(i));
                context.fixed_cards.push_back(ids[rng() % ids.size()]);
            }
            const u64 limit = 1 + rng() % 5;
            const auto result =
                search_final_chapter(pool, context, limit, 0, std::nullopt, steady_search_clock());
            const std::optional<u8> leader = final_leader_character(pool, context);
            ASSERT_TRUE(leader);
            const auto admits = [&](const DeckSlots& d) {
                return meets_constraints(pool, context, d);
            };
            EXPECT_EQ(
                keys_of(result.decks),
                first(test::brute_force_keys(pool, context, *leader, std::nullopt, admits), limit));
            for (const DeckEntry& d : result.decks)
                EXPECT_TRUE(meets_constraints(pool, context, d.slots));
        }
    }
}

TEST(FinalChapterSearch, UnsatisfiableConstraintsGiveNoDecks) {
    std::mt19937 rng(18);
    SearchContext context = test::final_context(SETUPS[0], rng, 6);
    const CardPool pool =
        test::make_pool(test::random_final_cards(rng, {2, 2, 2, 2, 2, 2}), context);
    struct Case {
        const char* name;
        std::vector<u16> fixed_cards;
        std::vector<u8> fixed_characters;
    };
    const Case cases[] = {
        {"a fixed card missing from the pool", {pool.card_id(2), 999}, {}},
        {"a fixed character without cards", {}, {2, 9}},
        {"more than four characters besides the leader", {}, {1, 2, 3, 4, 5, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        context.fixed_cards = c.fixed_cards;
        context.fixed_characters = c.fixed_characters;
        EXPECT_TRUE(search_final_chapter(pool, context, 5, 0, std::nullopt, steady_search_clock())
                        .decks.empty());
    }
}

TEST(FinalChapterSearch, ScoreUpLowerBound) {
    std::mt19937 rng(19);
    for (const FinalSetup& setup : {SETUPS[0], SETUPS[3], SETUPS[4]}) {
        for (const double lower : {80.0, 110.0, 140.0}) {
            SCOPED_TRACE(testing::Message() << setup.name << ", lower bound " << lower);
            std::vector<usize> per_character = {3};
            for (usize c = 0; c < 7; ++c)
                per_character.push_back(1 + rng() % 4);
            auto [context, pool] = test::random_final_pool(setup, rng, per_character);
            context.multi_live_score_up_lower_bound = lower;
            const u64 limit = 1 + rng() % 6;
            for (const std::optional<u8> character : {std::optional<u8>{1}, std::optional<u8>{}}) {
                expect_brute_force_keys(pool, context, limit, character);
            }
        }
    }
    // Beyond every deck's reach: nothing is searched, let alone evaluated.
    std::vector<usize> per_character(8, 6);
    SearchContext context = test::final_context(SETUPS[3], rng, per_character.size());
    const CardPool pool = test::make_pool(test::random_final_cards(rng, per_character), context);
    context.multi_live_score_up_lower_bound = 300.0;
    const auto none = search_final_chapter(pool, context, 5, 0, u8{1}, steady_search_clock());
    EXPECT_TRUE(none.decks.empty());
    EXPECT_EQ(none.counters.evaluated, 0u);
    EXPECT_EQ(none.counters.groups_visited, 0u);
}

TEST(FinalChapterSearch, ScoreUpLowerBoundOverEverySkillKind) {
    // Bounds few decks pass, on pools of every skill kind: a leader's
    // unit-count skill below its largest value unless the deck holds its
    // unit's cards, reference skills that mysekai keeps at their plain
    // value, difference skills and the kept training state.
    std::mt19937 rng(23);
    for (const FinalSetup& setup : {SETUPS[3], SETUPS[9]}) {
        for (const bool keep_training : {false, true}) {
            for (const double lower : {150.0, 165.0, 180.0}) {
                SCOPED_TRACE(testing::Message() << setup.name << ", keep training " << keep_training
                                                << ", lower bound " << lower);
                SearchContext context = test::final_context(setup, rng, 7);
                context.live_type = LiveType::MULTI;
                context.keep_after_training_state = keep_training;
                context.multi_live_score_up_lower_bound = lower;
                std::vector<test::TestCard> cards;
                for (u16 id = 100; id < 121; ++id) {
                    test::TestCard c = test::every_skill_kind_card(rng, id, 7);
                    // The first character's skills grow steeply with the
                    // cards of its unit, which characters 4 and 7 share.
                    if (c.character == 1) {
                        const u8 low = static_cast<u8>(50 + rng() % 30);
                        c.skill = {};
                        c.skill.has_unit_count = true;
                        c.skill.unit_count = {
                            1, low, static_cast<u8>(low + 40), static_cast<u8>(low + 80), 0, 0};
                        c.skill_value = static_cast<u8>(low + 80);
                    }
                    cards.push_back(c);
                }
                const CardPool pool = test::make_pool(cards, context);
                const u64 limit = 1 + rng() % 6;
                for (const std::optional<u8> c : {std::optional<u8>{1}, std::optional<u8>{}})
                    expect_brute_force_keys(pool, context, limit, c);
            }
        }
    }
}

TEST(FinalChapterSearch, LeadersCompareSkillsByKind) {
    // Two diff skills: the better one (120) takes side-table code 1, the
    // worse one (20) code 2, on a card with more power.
    SearchContext context;
    context.final_chapter = true;
    context.music_base_scores = {1.1, 0.9, 0.4};
    context.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
    std::vector<test::TestCard> cards = {test::plain_card(1, 1, 30000, 120),
                                         test::plain_card(2, 1, 30100, 20)};
    cards[0].skill.has_diff = true;
    cards[0].skill.diff = {120, 0};
    cards[1].skill.has_diff = true;
    cards[1].skill.diff = {20, 0};
    for (u8 c = 2; c <= 5; ++c)
        cards.push_back(test::plain_card(c + 1, c, 20000, 50));
    const CardPool pool = test::make_pool(cards, context);
    ASSERT_LT(pool.skill_code(0), pool.skill_code(1));
    EXPECT_EQ(drop_dominated_cards(pool, context, {1, 0}), (std::vector<u16>{1, 0}));
    const auto result = search_final_chapter(pool, context, 1, 0, u8{1}, steady_search_clock());
    ASSERT_EQ(result.decks.size(), 1u);
    EXPECT_EQ(result.decks[0].slots[0], 0);
    EXPECT_EQ(keys_of(result.decks), first(test::brute_force_keys(pool, context, 1), 1));
}

// Two cards of one character whose side-table records compare one way while
// their skills resolve the other: `stronger` has more power and the larger
// record, `better` the skill the evaluator gives more. Both keep their
// skill value byte at least what they resolve to, as the pool builder does.
struct ResolvedSkillCase {
    const char* name;
    bool keep_after_training_state;
    void (*stronger)(test::TestCard&);
    void (*better)(test::TestCard&);
};

void diff_skill(test::TestCard& c, u8 value, u8 step, u8 cap, u8 plain) {
    c.skill = {};
    c.skill.has_diff = true;
    c.skill.diff = {value, step};
    c.skill_value = cap;
    c.skill_secondary = plain;
}

void reference_skill(test::TestCard& c, u8 rate, u8 cap, u8 plain) {
    c.skill = {};
    c.skill.has_ref = true;
    c.skill.ref = {rate, cap};
    c.skill_value = static_cast<u8>(plain + cap);
    c.skill_secondary = plain;
}

// A side-table kind with code 0: no record, whatever the table's first one.
void no_record(test::TestCard& c, u8 kind) {
    c.skill = {};
    c.skill.plain_kind = kind;
    c.skill.plain_value = 0;
    c.skill_value = 0;
    c.skill_secondary = 0;
}

TEST(FinalChapterSearch, DominanceComparesResolvedSkills) {
    const std::vector<ResolvedSkillCase> cases = {
        {"diff skill: the plain value", false, [](auto& c) { diff_skill(c, 60, 0, 60, 0); },
         [](auto& c) { diff_skill(c, 40, 0, 120, 120); }},
        {"diff skill: the cap", false, [](auto& c) { diff_skill(c, 100, 0, 20, 0); },
         [](auto& c) { diff_skill(c, 50, 0, 50, 0); }},
        {"diff skill: only the trained card takes the record", true,
         [](auto& c) { diff_skill(c, 100, 0, 100, 0); },
         [](auto& c) {
             diff_skill(c, 50, 0, 50, 0);
             c.skill_is_after_training = true;
         }},
        {"reference skill: the plain value", false, [](auto& c) { reference_skill(c, 100, 50, 0); },
         [](auto& c) { reference_skill(c, 50, 30, 150); }},
        {"reference skill: only the trained card takes the record", true,
         [](auto& c) { reference_skill(c, 100, 50, 0); },
         [](auto& c) {
             reference_skill(c, 50, 30, 0);
             c.skill_is_after_training = true;
         }},
        {"diff skill: code 0 names no record", false, [](auto& c) { no_record(c, 2); },
         [](auto& c) { diff_skill(c, 40, 0, 40, 0); }},
        {"reference skill: code 0 names no record", false, [](auto& c) { no_record(c, 3); },
         [](auto& c) { reference_skill(c, 50, 30, 0); }},
    };
    // The pair leads (character 1) or joins a leader's deck (character 2);
    // one plain card each for the other characters. Plain skills only
    // beside the pair, so `better` holds the first record of its table.
    for (const ResolvedSkillCase& c : cases) {
        for (const u8 character : {1, 2}) {
            SCOPED_TRACE(testing::Message() << c.name << ", character " << int{character});
            SearchContext context;
            context.final_chapter = true;
            context.dominance_pruning = true;
            context.keep_after_training_state = c.keep_after_training_state;
            context.music_base_scores = {1.1, 0.9, 0.4};
            context.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
            test::TestCard stronger = test::plain_card(1, character, 30100, 0);
            test::TestCard better = test::plain_card(2, character, 30000, 0);
            c.stronger(stronger);
            c.better(better);
            std::vector<test::TestCard> cards = {stronger, better};
            for (u8 other = 1; other <= 6; ++other)
                if (other != character)
                    cards.push_back(test::plain_card(10 + other, other, 20000, 50));
            const CardPool pool = test::make_pool(cards, context);
            const std::vector<u64> best = first(test::brute_force_keys(pool, context, 1), 1);
            const auto direct =
                search_final_chapter(pool, context, 1, 0, u8{1}, steady_search_clock());
            EXPECT_EQ(keys_of(direct.decks), best);
            const auto any =
                search_final_chapter(pool, context, 1, 0, std::nullopt, steady_search_clock());
            EXPECT_EQ(keys_of(any.decks), first(test::brute_force_keys(pool, context, 0), 1));
            // The whole road: both pruning passes, then the search.
            context.designated_character = 1;
            const auto road = search_recommend(pool, context, 1, 0, steady_search_clock());
            ASSERT_TRUE(road.ok());
            EXPECT_EQ(keys_of(road.value().decks), best);
        }
    }
}

TEST(FinalChapterSearch, SupportCostOverTheWholeList) {
    // Support takes one entry of [P 10.0, X 9.0, 1.0]. X, listed past the
    // entry taken, costs nothing against that entry; but with P in the deck
    // X is the entry taken, so the deck with Y instead keeps 9.0, not 1.0.
    SearchContext context;
    context.final_chapter = true;
    context.world_bloom = true;
    context.target = Target::BONUS;
    context.event_kind = 2;
    context.music_base_scores = {1.1, 0.9, 0.4};
    context.world_bloom_support.general = {{{30, 10.0}, {21, 9.0}, {99, 1.0}}, 1};
    std::vector<test::TestCard> cards = {test::plain_card(10, 1, 20000, 50),  // the leader
                                         test::plain_card(21, 2, 20001, 50),  // X
                                         test::plain_card(22, 2, 20000, 50),  // Y
                                         test::plain_card(30, 3, 20000, 50),  // P
                                         test::plain_card(40, 4, 20000, 50),
                                         test::plain_card(50, 5, 20000, 50)};
    const CardPool pool = test::make_pool(cards, context);
    EXPECT_EQ(support_cost(pool, context, 1, 1), 900);
    EXPECT_EQ(support_cost(pool, context, 1, 2), 0);
    for (const u64 limit : {1, 2}) {
        const auto result =
            search_final_chapter(pool, context, limit, 0, u8{1}, steady_search_clock());
        EXPECT_EQ(keys_of(result.decks), first(test::brute_force_keys(pool, context, 1), limit));
    }
    // As leaders: X does not remove Y either.
    EXPECT_EQ(drop_dominated_cards(pool, context, {1, 2}), (std::vector<u16>{1, 2}));
}

TEST(FinalChapterSearch, EveryCardOfALargeGroupIsExamined) {
    // Under the bonus target, a weak card of 40 % bonus is character 2's
    // best, yet its estimate ranks it last of 41.
    SearchContext context;
    context.final_chapter = true;
    context.target = Target::BONUS;
    context.event_kind = 2;
    context.music_base_scores = {1.1, 0.9, 0.4};
    std::vector<test::TestCard> cards = {test::plain_card(1, 1, 30000, 50)};
    for (u16 k = 0; k < 40; ++k)
        cards.push_back(test::plain_card(static_cast<u16>(100 + k), 2, 30000 - k, 50));
    cards.push_back(test::plain_card(200, 2, 100, 50));
    cards.back().base_x10 = 400;
    for (u8 c = 3; c <= 6; ++c)
        cards.push_back(test::plain_card(c, c, 30000, 50));
    const CardPool pool = test::make_pool(cards, context);
    // Limit 2: no dominance inside the groups.
    const auto result = search_final_chapter(pool, context, 2, 0, u8{1}, steady_search_clock());
    EXPECT_EQ(keys_of(result.decks), first(test::brute_force_keys(pool, context, 1), 2));
}

}  // namespace
}  // namespace vdz
