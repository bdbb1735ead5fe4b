// The depth-first search over event-bonus tiers against the brute force:
// many tiers, tiers no deck reaches, World Bloom support and attribute
// bonuses, fixed cards and characters, challenge lives and larger limits,
// and the final chapter, where fewer than five cards count limited bonuses.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "brute_force_decks.h"
#include "search/dfs/dfs_search.h"
#include "search/final_chapter/final_chapter_fixture.h"

namespace vdz {
namespace {

using test::TestCard;

SearchResult tiered(const CardPool& pool, const SearchContext& context, u64 limit,
                    std::span<const i32> tiers) {
    const SuffixTables suffix = build_suffix_tables(pool, context);
    return dfs_search(pool, context, suffix, limit, 0, {}, tiers);
}

// Pools listed by bonus, largest first, as the tier tables' cuts by
// position need; equal bonuses keep their order.
void list_by_bonus(std::vector<TestCard>& cards) {
    std::stable_sort(cards.begin(), cards.end(),
                     [](const TestCard& a, const TestCard& b) { return a.base_x10 > b.base_x10; });
}

// One bonus per card id (a card's skill variants share it), in levels that
// repeat so that tiers fill, and a World Bloom event now and then whose
// support list names pool cards: sorted in runs of equal values, with values
// that put bonuses on the rounding edge, or in no order.
SearchContext random_tier_context(std::mt19937& rng, std::vector<TestCard>& cards) {
    SearchContext context = test::random_default_context(rng);
    context.target = Target::BONUS;
    std::map<u16, u16> bonus_of;
    for (TestCard& c : cards) {
        const u16 bonus =
            static_cast<u16>(rng() % 4 == 0 ? rng() % 500 : 50 * (rng() % 6) + rng() % 3);
        c.base_x10 = bonus_of.try_emplace(c.card_id, bonus).first->second;
        c.limited_x10 = 0;
    }
    if (rng() % 2 == 0) {
        list_by_bonus(cards);
    }
    if (rng() % 2 == 0) {
        test::add_world_bloom_support(rng, cards, context);
        auto& general = context.world_bloom_support.general;
        general.count = static_cast<u8>(1 + rng() % 4);
        if (rng() % 3 != 0) {
            for (SupportEntry& e : general.entries)
                e.value = 7.3 * static_cast<double>(rng() % 4) + (rng() % 2 ? 0.15 : 0.0);
            std::stable_sort(
                general.entries.begin(), general.entries.end(),
                [](const SupportEntry& a, const SupportEntry& b) { return a.value > b.value; });
        }
    }
    return context;
}

// As `random_tier_context`, for an event without World Bloom support.
SearchContext random_marathon_tier_context(std::mt19937& rng, std::vector<TestCard>& cards) {
    SearchContext context = random_tier_context(rng, cards);
    context.world_bloom = false;
    context.world_bloom_support = {};
    context.event_kind = 0;
    return context;
}

// Per tier, the brute force's best `limit` decks of that doubled bonus;
// the search lists the tiers from the highest down. Asks for every level
// that occurs, and levels just beside them and far off that no deck
// reaches. Returns the number of decks listed.
// With `keep` above 1, only every `keep`-th level is asked for, and none
// beside them, which leaves few enough tiers for the search's runs of
// equal bonus.
usize expect_every_tier(const CardPool& pool, const SearchContext& context, u64 limit, int round,
                        usize keep = 1) {
    const auto all = test::all_decks_ranked(pool, context);
    std::map<u32, std::vector<DeckEntry>, std::greater<u32>> by_tier;
    for (const DeckEntry& d : all)
        if ((d.score >> 32) % 2 == 0) by_tier[static_cast<u32>(d.score >> 32)].push_back(d);
    std::vector<i32> tiers = {-3, 0, 1, 9999};
    usize level = 0;
    for (auto at = by_tier.begin(); at != by_tier.end();) {
        if (level++ % keep != 0) {
            at = by_tier.erase(at);
            continue;
        }
        tiers.push_back(static_cast<i32>(at->first / 2));
        if (keep == 1) tiers.push_back(static_cast<i32>(at->first / 2 + 1));
        ++at;
    }
    const SearchResult found = tiered(pool, context, limit, tiers);
    usize at = 0;
    for (const auto& [doubled, decks] : by_tier) {
        std::vector<DeckEntry> listed;
        while (at < found.decks.size() && (found.decks[at].score >> 32) == doubled)
            listed.push_back(found.decks[at++]);
        EXPECT_TRUE(test::same_ranking(pool, listed, decks, limit))
            << "round " << round << " tier " << doubled / 2;
    }
    EXPECT_EQ(at, found.decks.size()) << "round " << round;
    return found.decks.size();
}

TEST(TieredSearch, EveryTierEqualsBruteForce) {
    std::mt19937 rng(44);
    usize decks_seen = 0;
    for (int round = 0; round < 160; ++round) {
        std::vector<TestCard> cards = test::random_cards(rng, 7 + rng() % 7);
        SearchContext context = random_tier_context(rng, cards);
        if (round % 3 == 1) context.fixed_cards.push_back(cards[rng() % cards.size()].card_id);
        if (round % 4 == 2) context.fixed_characters.push_back(static_cast<u8>(1 + rng() % 7));
        if (round % 5 == 4) {
            context.dominance_pruning = false;
            context.fixed_characters.clear();
        }
        const CardPool pool = test::make_pool(cards, context);
        const u64 limit = 1 + rng() % (round % 2 ? 10 : 3);
        decks_seen += expect_every_tier(pool, context, limit, round);
        if (::testing::Test::HasFailure()) return;
    }
    EXPECT_GT(decks_seen, 1000u);
}

// Three or four fixed characters, now and then after a fixed card, listed
// first as the pool builder lists them: each fixed slot takes its card from
// its own run, and the tables over later positions hold only the cards of
// the runs still to come and of the rest; a node in the runs, and each of
// its children there, asks only the tiers its completions can land on,
// which every level asked makes many. World Bloom lists sorted best first
// name cards in the runs and after them: a node of two free cards splits
// its completions by the entries they take. The last rounds' lists name
// every card, in values that differ by less than a tier's step, so that
// both free cards often take an entry and each taker's deck lands on its
// own tier.
TEST(TieredSearch, FixedCharacterRunsEqualBruteForce) {
    std::mt19937 rng(61);
    for (int round = 0; round < 160; ++round) {
        std::vector<TestCard> cards = test::random_cards(rng, 12 + rng() % 6);
        // Now and then six characters of several cards each, so that the
        // runs and the rest hold a few cards of every character.
        if (round % 3 == 1) {
            cards = test::random_cards(rng, 14 + rng() % 4);
            for (TestCard& c : cards)
                c.character = static_cast<u8>(1 + c.card_id % 6);
        }
        SearchContext context = random_tier_context(rng, cards);
        if (round % 3 == 0) {
            context.world_bloom_support = {};
            test::add_world_bloom_support(rng, cards, context);
        } else if (round % 3 == 1) {
            context.world_bloom_support = {};
            test::add_world_bloom_support(rng, cards, context);
            auto& general = context.world_bloom_support.general;
            general.count = static_cast<u8>(1 + rng() % 3);
            std::stable_sort(
                general.entries.begin(), general.entries.end(),
                [](const SupportEntry& a, const SupportEntry& b) { return a.value > b.value; });
        }
        if (round >= 120) {
            context.world_bloom_support = {};
            test::add_world_bloom_support(rng, cards, context);
            auto& general = context.world_bloom_support.general;
            general.entries.clear();
            for (const TestCard& c : cards)
                if (rng() % 4 != 0)
                    general.entries.push_back({c.card_id, 0.35 * static_cast<double>(rng() % 9)});
            general.count = static_cast<u8>(2 + rng() % 3);
            std::stable_sort(
                general.entries.begin(), general.entries.end(),
                [](const SupportEntry& a, const SupportEntry& b) { return a.value > b.value; });
            // One entry per card id, as a support list names each card once.
            std::vector<u16> seen;
            std::erase_if(general.entries, [&](const SupportEntry& e) {
                if (std::find(seen.begin(), seen.end(), e.card_id) != seen.end()) return true;
                seen.push_back(e.card_id);
                return false;
            });
        }
        test::add_fixed_runs(rng, cards, context, 3 + round % 2);
        // A score-up lower bound that every deck meets, which no table
        // then cuts by.
        if (round % 8 == 5) context.multi_live_score_up_lower_bound = round % 16 == 5 ? 0.0 : -2.5;
        const CardPool pool = test::make_pool(cards, context);
        expect_every_tier(pool, context, 1 + rng() % 4, round, round % 2 ? 3 : 1);
        if (::testing::Test::HasFailure()) return;
    }
}

// World Bloom events whose support entries within a deck's reach all hold
// one value (as without a World Bloom character, where all are 0), or lists
// sorted best first with values on the rounding edge: there the tiers'
// windows per attribute count are exact, and a last card of a new attribute
// moves its deck to the next count.
TEST(TieredSearch, WorldBloomExactWindowsEqualBruteForce) {
    std::mt19937 rng(58);
    for (int round = 0; round < 120; ++round) {
        std::vector<TestCard> cards = test::random_cards(rng, 8 + rng() % 9);
        SearchContext context = random_tier_context(rng, cards);
        context.world_bloom_support = {};
        test::add_world_bloom_support(rng, cards, context);
        context.distinct_attr_bonus = {0, 0, 3, 6, 10, 15};
        auto& general = context.world_bloom_support.general;
        general.count = static_cast<u8>(1 + rng() % 4);
        if (round % 2 == 0) {
            const double value = rng() % 2 ? 0.0 : 2.35;
            for (SupportEntry& e : general.entries)
                e.value = value;
            for (u16 id = 900; general.entries.size() < general.count + 5u; ++id)
                general.entries.push_back({id, value});
        } else {
            for (SupportEntry& e : general.entries)
                e.value = 7.3 * static_cast<double>(rng() % 4) + (rng() % 2 ? 0.15 : 0.05);
            std::stable_sort(
                general.entries.begin(), general.entries.end(),
                [](const SupportEntry& a, const SupportEntry& b) { return a.value > b.value; });
        }
        // Attributes of their own (one per card id, which a card's skill
        // variants share), so that decks end with every count.
        std::map<u16, u8> attr_of;
        for (TestCard& c : cards)
            c.attr = attr_of.try_emplace(c.card_id, static_cast<u8>(rng() % 5)).first->second;
        // Pools listed by bonus with few tiers asked, where the runs of
        // equal bonus pick the last cards and the tiers fill.
        const bool listed = round % 4 >= 2;
        if (listed) {
            list_by_bonus(cards);
        }
        const CardPool pool = test::make_pool(cards, context);
        expect_every_tier(pool, context, 1 + rng() % 4, round, listed ? 8 : 1);
        if (::testing::Test::HasFailure()) return;
    }
}

// World Bloom lists sorted best first over pools listed by bonus, whose
// counted entries name cards a deck's free cards may take: a child of two
// free cards asks each such card as a fourth placed card with one free card
// more, and the completions that take none in their exact windows. Tiers of
// one or two decks fill early, so those tests decide.
TEST(TieredSearch, WorldBloomTakersEqualBruteForce) {
    std::mt19937 rng(1);
    for (int round = 0; round < 25; ++round) {
        std::vector<TestCard> cards = test::random_cards(rng, 12 + rng() % 5);
        std::map<u16, u8> attr_of;
        for (TestCard& c : cards) {
            c.character = static_cast<u8>(1 + c.card_id % 9);
            c.attr = attr_of.try_emplace(c.card_id, static_cast<u8>(rng() % 5)).first->second;
        }
        SearchContext context = random_tier_context(rng, cards);
        context.world_bloom_support = {};
        test::add_world_bloom_support(rng, cards, context);
        auto& general = context.world_bloom_support.general;
        general.count = static_cast<u8>(1 + rng() % 3);
        for (SupportEntry& e : general.entries)
            e.value = 7.3 * static_cast<double>(rng() % 4) + (rng() % 2 ? 0.15 : 0.05);
        std::stable_sort(
            general.entries.begin(), general.entries.end(),
            [](const SupportEntry& a, const SupportEntry& b) { return a.value > b.value; });
        list_by_bonus(cards);
        const CardPool pool = test::make_pool(cards, context);
        expect_every_tier(pool, context, 1 + rng() % 2, round, round % 2 ? 3 : 1);
        if (::testing::Test::HasFailure()) return;
    }
}

// Larger pools of many characters listed by bonus, as the pool builder
// lists an event's pool, where the tiers fill and their worst live scores
// cut: the bounds that read only the positions fitting a tier's bonus, and
// the runs of equal bonus that stand in for their cards, must keep every
// deck a full tier still takes.
TEST(TieredSearch, FullTiersOfPoolsListedByBonus) {
    std::mt19937 rng(9);
    for (int round = 0; round < 24; ++round) {
        std::vector<TestCard> cards = test::random_cards(rng, 16 + rng() % 7);
        for (TestCard& c : cards)
            c.character = static_cast<u8>(1 + c.card_id % 12);
        SearchContext context = random_marathon_tier_context(rng, cards);
        list_by_bonus(cards);
        if (round % 4 == 3) context.fixed_characters.push_back(cards.back().character);
        const CardPool pool = test::make_pool(cards, context);
        expect_every_tier(pool, context, 1 + rng() % 3, round, round % 2 ? 7 : 1);
        if (::testing::Test::HasFailure()) return;
    }
}

// Few bonus levels, so that each is a long run of cards listed by power, as
// the pool builder lists an event's pool, and small limits, so that the
// tiers fill: a block of a run whose children keep being turned away has its
// later cards asked again as a block, which must keep every deck a tier
// still takes.
TEST(TieredSearch, LongRunsOfEqualBonusEqualBruteForce) {
    std::mt19937 rng(31);
    usize decks_seen = 0;
    for (int round = 0; round < 24; ++round) {
        std::vector<TestCard> cards = test::random_cards(rng, 20 + rng() % 5);
        for (TestCard& c : cards)
            c.character = static_cast<u8>(1 + c.card_id % 20);
        SearchContext context = random_marathon_tier_context(rng, cards);
        std::map<u16, u16> level_of;
        for (TestCard& c : cards)
            c.base_x10 = level_of.try_emplace(c.card_id, 50 * (rng() % 3)).first->second;
        std::stable_sort(cards.begin(), cards.end(), [](const TestCard& a, const TestCard& b) {
            return a.base_x10 != b.base_x10 ? a.base_x10 > b.base_x10 : a.power > b.power;
        });
        if (round % 4 == 3) context.fixed_characters.push_back(cards.back().character);
        const CardPool pool = test::make_pool(cards, context);
        decks_seen += expect_every_tier(pool, context, 1 + rng() % 4, round);
        if (::testing::Test::HasFailure()) return;
    }
    EXPECT_GT(decks_seen, 100u);
}

// A multi live score-up lower bound that only the decks of the best skills
// pass, over pools listed by bonus: the tiers seldom fill, so the cut by the
// best score up each bonus total's cards can add does the work, and must
// keep every deck that passes, whoever leads. Every other round's cards
// have skills of every kind, whose values in a deck may fall below their
// largest: a deck's score up is bounded by what each resolves to there.
TEST(TieredSearch, ScoreUpLowerBoundFewDecksPass) {
    std::mt19937 rng(250);
    usize decks_seen = 0;
    for (int round = 0; round < 24; ++round) {
        std::vector<TestCard> cards = test::random_cards(rng, 16 + rng() % 6);
        if (round % 2) {
            for (usize i = 0; i < cards.size(); ++i)
                cards[i] = test::every_skill_kind_card(rng, static_cast<u16>(100 + i), 9);
        }
        for (TestCard& c : cards)
            c.character = static_cast<u8>(1 + c.card_id % 12);
        SearchContext context = random_tier_context(rng, cards);
        context.live_type = round % 3 == 0 ? LiveType::CHEERFUL : LiveType::MULTI;
        context.best_skill_as_leader = round % 4 != 1;
        list_by_bonus(cards);
        if (round % 4 == 2) context.fixed_characters.push_back(cards[rng() % 4].character);
        // A bound between the median and the best score up of the decks.
        context.multi_live_score_up_lower_bound.reset();
        const CardPool open = test::make_pool(cards, context);
        std::vector<double> ups;
        for (const DeckEntry& deck : test::all_decks_ranked(open, context))
            ups.push_back(evaluate_deck(open, context, deck.slots)->multi_live_score_up);
        std::sort(ups.begin(), ups.end());
        context.multi_live_score_up_lower_bound = ups[ups.size() / 2 + rng() % (ups.size() / 2)];
        const CardPool pool = test::make_pool(cards, context);
        decks_seen += expect_every_tier(pool, context, 1 + rng() % 4, round, round % 2 ? 3 : 1);
        if (::testing::Test::HasFailure()) return;
    }
    EXPECT_GT(decks_seen, 100u);
}

// Unit-count, difference and reference skills, whose values in a deck fall
// far below their largest, over pools listed by bonus whose tiers fill: the
// last card's bounds read each placed card at what it can resolve to.
TEST(TieredSearch, SkillsThatResolveBelowTheirLargestValue) {
    std::mt19937 rng(77);
    for (int round = 0; round < 16; ++round) {
        std::vector<TestCard> cards;
        for (u16 i = 0; i < 16 + rng() % 5; ++i)
            cards.push_back(test::every_skill_kind_card(rng, static_cast<u16>(100 + i), 9));
        SearchContext context = random_marathon_tier_context(rng, cards);
        const LiveType lives[] = {LiveType::SOLO, LiveType::MULTI, LiveType::CHEERFUL};
        context.live_type = lives[round % 3];
        list_by_bonus(cards);
        const CardPool pool = test::make_pool(cards, context);
        expect_every_tier(pool, context, 1 + rng() % 3, round, round % 2 ? 4 : 1);
        if (::testing::Test::HasFailure()) return;
    }
}

// Cards whose power falls as their skill value rises, listed by bonus, with
// tiers that fill: the free cards of a bonus total that bring the best skill
// values bring the least power, so the bound per class of the largest skill
// value, and with two free cards each pair's own key, cuts where the best of
// each part would not, and must keep every deck a tier takes, whatever the
// live. Every third round the cards share three bonuses, so that each sum
// of two is made by many pairs, most of which another beats, often one of a
// placed card's character that the pairs it beats then stand in for.
TEST(TieredSearch, PowerFallsAsSkillRises) {
    std::mt19937 rng(31);
    for (int round = 0; round < 18; ++round) {
        std::vector<TestCard> cards;
        for (u16 i = 0; i < 16 + rng() % 5; ++i) {
            const u8 skill = static_cast<u8>(40 + 10 * (rng() % 9));
            const u32 power = 40000 - 250 * skill + rng() % 2000;
            cards.push_back(test::plain_card(static_cast<u16>(100 + i), static_cast<u8>(1 + i % 12),
                                             power, skill, static_cast<u8>(rng() % 2),
                                             static_cast<u8>(1u << (rng() % 3))));
        }
        SearchContext context = random_marathon_tier_context(rng, cards);
        if (round % 3 == 0) {
            for (TestCard& c : cards)
                c.base_x10 = static_cast<u16>(100 * (c.card_id % 3));
        }
        const LiveType lives[] = {LiveType::SOLO, LiveType::MULTI, LiveType::CHEERFUL,
                                  LiveType::AUTO};
        context.live_type = lives[round % 4];
        context.best_skill_as_leader = round % 3 != 2;
        list_by_bonus(cards);
        const CardPool pool = test::make_pool(cards, context);
        expect_every_tier(pool, context, 1 + rng() % 3, round, round % 2 ? 4 : 1);
        if (::testing::Test::HasFailure()) return;
    }
}

// A challenge live of one character, whose decks hold five cards of it:
// no bound may count one card per character.
TEST(TieredSearch, ChallengeLiveOfOneCharacter) {
    std::mt19937 rng(21);
    for (int round = 0; round < 24; ++round) {
        std::vector<TestCard> cards = test::random_cards(rng, 11 + rng() % 6);
        SearchContext context = random_tier_context(rng, cards);
        context.live_type = LiveType::CHALLENGE;
        context.dominance_pruning = false;
        // Powers close together, so that a bound short of one card's falls
        // below decks that belong in a tier.
        for (TestCard& c : cards) {
            c.character = 3;
            c.power = 30000 + static_cast<u32>(rng() % 1000);
            c.unit_values.fill(c.power);
        }
        list_by_bonus(cards);
        const CardPool pool = test::make_pool(cards, context);
        expect_every_tier(pool, context, 1 + rng() % 3, round, round % 2 ? 5 : 1);
        if (::testing::Test::HasFailure()) return;
    }
}

// Challenge lives of two or three characters over larger pools listed by
// bonus, with few tiers asked so that they fill: the next card's range and
// the runs of equal bonus bound the later cards by the best of any cards,
// and a deck of several cards of one character must stay in its tier.
TEST(TieredSearch, ChallengeLiveFullTiersOfFewCharacters) {
    std::mt19937 rng(33);
    for (int round = 0; round < 16; ++round) {
        std::vector<TestCard> cards = test::random_cards(rng, 15 + rng() % 5);
        SearchContext context = random_tier_context(rng, cards);
        context.live_type = LiveType::CHALLENGE;
        context.dominance_pruning = false;
        const u32 characters = 2 + static_cast<u32>(round % 2);
        for (TestCard& c : cards) {
            c.character = static_cast<u8>(1 + c.card_id % characters);
            c.power = 30000 + static_cast<u32>(rng() % 2000);
            c.unit_values.fill(c.power);
        }
        list_by_bonus(cards);
        const CardPool pool = test::make_pool(cards, context);
        expect_every_tier(pool, context, 1 + rng() % 3, round, round % 4 < 2 ? 6 : 1);
        if (::testing::Test::HasFailure()) return;
    }
}

// Challenge lives over pools listed by a few bonus classes, as an event's
// pool is: a tier is met by a few multisets of classes, walked each by its
// own cards. Powers close together, a little above the plain one where a
// deck shares an attribute or a unit, and skills mostly plain, so that a
// bound a few percent short cuts decks a tier keeps; most cards share one
// attribute, so that decks of one attribute are common; a card's skill
// variants share its class, power and attribute; any skill order; some
// requests lead with the first slot or fix a card; World Bloom events widen
// each tier's window by their attribute and support bonuses.
TEST(TieredSearch, ChallengeLiveBonusClassesEqualBruteForce) {
    std::mt19937 rng(57);
    usize decks_seen = 0;
    for (int round = 0; round < 20; ++round) {
        std::vector<TestCard> cards = test::random_cards(rng, 18 + rng() % 5);
        SearchContext context = random_tier_context(rng, cards);
        context.live_type = round % 3 ? LiveType::CHALLENGE : LiveType::CHALLENGE_AUTO;
        context.dominance_pruning = false;
        test::random_skill_order(rng, context);
        const u16 classes[] = {500, 350, 350, 250, 150, 125};
        struct Shared {
            u16 bonus;
            u8 attr;
            u32 power;
        };
        std::map<u16, Shared> shared;
        for (TestCard& c : cards) {
            const Shared s = shared
                                 .try_emplace(c.card_id, classes[rng() % 6],
                                              static_cast<u8>(rng() % 5 < 3 ? 2 : c.attr),
                                              30000 + static_cast<u32>(rng() % 2000))
                                 .first->second;
            c.character = static_cast<u8>(1 + c.card_id % 4);
            c.base_x10 = s.bonus;
            c.limited_x10 = 0;
            c.attr = s.attr;
            for (usize k = 0; k < 8; ++k)
                c.unit_values[k] =
                    s.power + (k & 1 ? 150 : 0) + (k & 2 ? 250 : 0) + (k & 4 ? 50 : 0);
            c.power = c.unit_values[7];
            if (round % 4 != 0 && c.skill.has_ref) {
                c.skill = {};
                c.skill_value = static_cast<u8>(60 + rng() % 60);
                c.skill.plain_value = c.skill_value;
            }
        }
        // A fixed card's variants lead the pool, as the pool builder lists
        // them.
        if (round % 3 == 2) context.fixed_cards.push_back(cards[rng() % cards.size()].card_id);
        const auto fixed = [&](const TestCard& c) {
            return !context.fixed_cards.empty() && c.card_id == context.fixed_cards[0];
        };
        std::stable_sort(cards.begin(), cards.end(), [&](const TestCard& a, const TestCard& b) {
            if (fixed(a) != fixed(b)) return fixed(a);
            return a.base_x10 > b.base_x10;
        });
        const CardPool pool = test::make_pool(cards, context);
        decks_seen += expect_every_tier(pool, context, 1 + rng() % 4, round, round % 2 ? 4 : 1);
        if (::testing::Test::HasFailure()) return;
    }
    EXPECT_GT(decks_seen, 300u);
}

// Final-chapter cards of six characters in whole percent, so that many decks
// land on a tier, and beside some a twin (the same card under a new id) with
// another limited part: which of them counts depends on the deck's order.
std::vector<TestCard> final_tier_cards(std::mt19937& rng) {
    std::vector<TestCard> cards = test::random_final_cards(rng, {2, 1, 1, 1, 1, 1});
    const u16 limited[] = {0, 10, 50, 200};
    for (TestCard& c : cards) {
        c.base_x10 = static_cast<u16>(10 * (rng() % 4));
        c.limited_x10 = limited[rng() % 4];
    }
    for (usize i = 0, n = cards.size(); i < n; ++i) {
        if (rng() % 2) continue;
        TestCard twin = cards[i];
        twin.card_id = static_cast<u16>(twin.card_id + 300);
        twin.limited_x10 =
            limited[(std::find(limited, limited + 4, twin.limited_x10) - limited + 1 + rng() % 3) %
                    4];
        cards.push_back(twin);
    }
    return cards;
}

// Per tier, the brute force's best `limit` card sets, each valued with each
// of its leaders at the best order of its other four cards; every listed deck
// gives its key in the order listed, and no order of its four beats it.
TEST(TieredSearch, FinalChapterTiersEqualBestOrderBruteForce) {
    using test::FinalSetup;
    const FinalSetup setups[] = {
        {"solo", Target::BONUS, LiveType::SOLO, SkillOrderChooseStrategy::BEST, 0, false, true},
        {"multi, support", Target::BONUS, LiveType::MULTI, SkillOrderChooseStrategy::AVERAGE, 0,
         true, true},
    };
    std::mt19937 rng(1919);
    usize decks_seen = 0;
    for (const FinalSetup& base : setups) {
        for (u64 places = 1; places <= 4; ++places) {
            for (int round = 0; round < 4; ++round) {
                FinalSetup setup = base;
                setup.limited_cap = places;
                SCOPED_TRACE(testing::Message()
                             << setup.name << ", " << places << " places, round " << round);
                SearchContext context = test::final_context(setup, rng, 6);
                const CardPool pool = test::make_pool(final_tier_cards(rng), context);
                std::map<u32, std::map<CardSetKey, u64>, std::greater<u32>> oracle;
                test::for_each_final_deck(pool, 0, std::nullopt, [&](const DeckSlots& deck) {
                    const auto key = test::best_order_key(pool, context, deck);
                    if (!key || (*key >> 32) % 2 != 0) return;
                    u64& best = oracle[static_cast<u32>(*key >> 32)]
                                      [card_set_key(pool_card_ids(pool), deck)];
                    best = std::max(best, *key);
                });
                std::vector<i32> tiers;
                for (const auto& [doubled, sets] : oracle)
                    tiers.push_back(static_cast<i32>(doubled / 2));
                const u64 limit = 1 + rng() % 6;
                const SearchResult found = tiered(pool, context, limit, tiers);
                usize at = 0;
                for (const auto& [doubled, sets] : oracle) {
                    SCOPED_TRACE(testing::Message() << "tier " << doubled / 2);
                    std::vector<u64> keys;
                    for (const auto& [set, key] : sets)
                        keys.push_back(key);
                    std::sort(keys.begin(), keys.end(), std::greater<u64>());
                    keys.resize(std::min<usize>(keys.size(), limit));
                    std::set<CardSetKey> listed;
                    for (const u64 key : keys) {
                        ASSERT_LT(at, found.decks.size());
                        const DeckEntry& deck = found.decks[at++];
                        ASSERT_EQ(deck.score, key);
                        const CardSetKey set = card_set_key(pool_card_ids(pool), deck.slots);
                        EXPECT_TRUE(listed.insert(set).second);
                        EXPECT_TRUE(sets.count(set) && sets.at(set) == key);
                        EXPECT_EQ(evaluate_deck_key(pool, context, deck.slots), key);
                        EXPECT_EQ(test::best_order_key(pool, context, deck.slots), key);
                    }
                }
                EXPECT_EQ(at, found.decks.size());
                decks_seen += at;
            }
        }
    }
    EXPECT_GT(decks_seen, 200u);
}

// Tiers that no deck reaches, however many, cost no search: not one node.
TEST(TieredSearch, UnreachableTiersSearchNothing) {
    std::mt19937 rng(8);
    std::vector<TestCard> cards = test::random_cards(rng, 12);
    SearchContext context = random_tier_context(rng, cards);
    context.world_bloom = false;
    context.world_bloom_support = {};
    const CardPool pool = test::make_pool(cards, context);
    // Five cards of at most 50 % each never pass 250 %.
    std::vector<i32> tiers;
    for (i32 t = 300; t < 332; ++t)
        tiers.push_back(t);
    const SearchResult found = tiered(pool, context, 10, tiers);
    EXPECT_TRUE(found.decks.empty());
    EXPECT_EQ(found.stats.nodes, 0u);
    EXPECT_EQ(found.stats.evaluations, 0u);
}

}  // namespace
}  // namespace vdz
