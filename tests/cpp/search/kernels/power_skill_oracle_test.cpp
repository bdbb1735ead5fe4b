// The power and skill searches against an enumeration of every deck they may
// build, on small pools of every skill kind (unit-count, difference and
// reference skills beside plain ones), cards of one and two units, fixed
// cards and characters, challenge lives, minimised power, slot 0 leading,
// score-up lower bounds and limits 1, 10 and 50.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <vector>

#include "brute_force_decks.h"
#include "search/bounds/skill_ceiling.h"
#include "search/bounds/top_sums.h"
#include "search/evaluation/deck_evaluator.h"
#include "search/kernels/power_skill_search.h"
#include "search/search_entry.h"
#include "test_pool.h"

namespace vdz {
namespace {

using test::TestCard;

// Every deck the search may build, slot by slot as the search fills them:
// fixed cards, then fixed characters, then ascending list positions; no card
// id twice, one card per character except in a challenge live or a fixed
// character's slot. The best key of each card set, best first (lowest first
// when minimised).
std::vector<DeckEntry> every_deck(const CardPool& pool, const SearchContext& context,
                                  const std::vector<u16>& list) {
    const bool reversed = candidate_order_reversed(context);
    const usize a = context.fixed_cards.size();
    const usize fixed = a + context.fixed_characters.size();
    std::map<CardSetKey, DeckEntry> best;
    DeckSlots deck{};
    std::vector<u8> used(list.size(), 0);
    const auto fill = [&](auto&& self, usize depth, usize start) -> void {
        if (depth == 5) {
            const auto e = evaluate_deck(pool, context, deck);
            if (!e) return;
            const DeckEntry entry{e->key, deck};
            const CardSetKey set = card_set_key(pool_card_ids(pool), deck);
            const auto it = best.find(set);
            const bool better = it == best.end() || (reversed ? ranks_before(it->second, entry)
                                                              : ranks_before(entry, it->second));
            if (better) best[set] = entry;
            return;
        }
        for (usize i = depth < fixed ? 0 : start; i < list.size(); ++i) {
            const u16 card = list[i];
            if (used[i]) continue;
            bool same_id = false, same_character = false;
            for (usize s = 0; s < depth; ++s) {
                same_id |= pool.card_id(deck[s]) == pool.card_id(card);
                same_character |= pool.character_id(deck[s]) == pool.character_id(card);
            }
            if (same_id) continue;
            if (depth < a) {
                if (pool.card_id(card) != context.fixed_cards[depth]) continue;
                if (context.dominance_pruning && same_character) continue;
            } else if (depth < fixed) {
                if (pool.character_id(card) != context.fixed_characters[depth - a]) continue;
            } else if (context.dominance_pruning && same_character) {
                continue;
            }
            deck[depth] = card;
            used[i] = 1;
            self(self, depth + 1, depth < fixed ? start : i + 1);
            used[i] = 0;
        }
    };
    fill(fill, 0, 0);
    std::vector<DeckEntry> all;
    for (const auto& [set, deck_entry] : best)
        all.push_back(deck_entry);
    std::sort(all.begin(), all.end(), [&](const DeckEntry& x, const DeckEntry& y) {
        return reversed ? ranks_before(y, x) : ranks_before(x, y);
    });
    return all;
}

// The same keys in the same order as the enumeration's first `limit`, each
// deck a card set of its key, no card set twice.
::testing::AssertionResult same_decks(const CardPool& pool, const std::vector<DeckEntry>& found,
                                      const std::vector<DeckEntry>& all, u64 limit) {
    const usize n = std::min<usize>(limit, all.size());
    if (found.size() != n)
        return ::testing::AssertionFailure() << found.size() << " decks, expected " << n;
    std::map<CardSetKey, u64> key_of;
    for (const DeckEntry& d : all)
        key_of[card_set_key(pool_card_ids(pool), d.slots)] = d.score;
    std::map<CardSetKey, int> listed;
    for (usize i = 0; i < n; ++i) {
        const CardSetKey set = card_set_key(pool_card_ids(pool), found[i].slots);
        if (found[i].score != all[i].score)
            return ::testing::AssertionFailure() << "deck " << i << " has key " << found[i].score
                                                 << ", expected " << all[i].score;
        if (key_of[set] != found[i].score)
            return ::testing::AssertionFailure() << "deck " << i << " is no deck of its key";
        if (++listed[set] > 1)
            return ::testing::AssertionFailure() << "deck " << i << " repeats a card set";
    }
    return ::testing::AssertionSuccess();
}

SearchResult unlimited_search(const CardPool& pool, const SearchContext& context, u64 limit) {
    Deadline none(0, steady_search_clock());
    return search_power_skill(pool, context, limit, none);
}

struct Round {
    CardPool pool;
    SearchContext context;
};

// A random pool and request: the target, live type, leader rule, reference
// strategy, training state, fixed cards and characters, minimising and a
// score-up lower bound drawn at random.
Round random_round(std::mt19937& rng, int round) {
    std::vector<TestCard> cards;
    const usize n = 6 + rng() % 13;
    const u8 characters = static_cast<u8>(5 + rng() % 5);
    for (usize i = 0; i < n; ++i)
        cards.push_back(
            test::every_skill_kind_card(rng, static_cast<u16>(1 + rng() % 30), characters));
    SearchContext context;
    context.target = round % 2 ? Target::SKILL : Target::POWER;
    const LiveType lives[] = {LiveType::MULTI, LiveType::SOLO, LiveType::CHALLENGE,
                              LiveType::MYSEKAI};
    context.live_type = lives[rng() % 4];
    context.dominance_pruning = context.live_type != LiveType::CHALLENGE;
    context.best_skill_as_leader = rng() % 3 != 0;
    context.minimize = context.target == Target::POWER && rng() % 4 == 0;
    context.keep_after_training_state = rng() % 4 == 0;
    const SkillReferenceChooseStrategy strategies[] = {SkillReferenceChooseStrategy::MAX,
                                                       SkillReferenceChooseStrategy::MIN,
                                                       SkillReferenceChooseStrategy::AVERAGE};
    context.skill_reference_choose_strategy = strategies[rng() % 3];
    if (rng() % 4 == 0) context.multi_live_score_up_lower_bound = 80.0 + rng() % 100;
    if (rng() % 3 == 0) context.fixed_cards.push_back(cards[rng() % n].card_id);
    if (context.dominance_pruning && rng() % 3 == 0) {
        context.fixed_characters.push_back(static_cast<u8>(1 + rng() % characters));
        if (rng() % 3 == 0)
            context.fixed_characters.push_back(static_cast<u8>(1 + rng() % characters));
    }
    CardPool pool = test::make_pool(cards, context);
    return {std::move(pool), std::move(context)};
}

TEST(PowerSkillOracle, EqualsEveryDeckOfRandomPools) {
    std::mt19937 rng(18);
    for (int round = 0; round < 240; ++round) {
        Round r = random_round(rng, round);
        const std::vector<u16> list = candidate_list(r.pool, r.context);
        const std::vector<DeckEntry> all = every_deck(r.pool, r.context, list);
        for (const u64 limit : {u64{1}, u64{10}, u64{50}}) {
            SCOPED_TRACE(testing::Message() << "round " << round << " limit " << limit);
            const SearchResult got = unlimited_search(r.pool, r.context, limit);
            EXPECT_TRUE(same_decks(r.pool, got.decks, all, limit));
        }
    }
}

TEST(PowerSkillOracle, AScoreUpLowerBoundAmidTheDecks) {
    // The lower bound at the median score up of the pool's decks: about half
    // pass, so the scan of a free slot leaps over many positions whose
    // cards' skill ceilings cannot reach it, and a leap one position too far
    // drops a deck.
    std::mt19937 rng(44);
    for (int round = 0; round < 80; ++round) {
        Round r = random_round(rng, round);
        r.context.multi_live_score_up_lower_bound.reset();
        const std::vector<u16> list = candidate_list(r.pool, r.context);
        std::vector<double> ups;
        for (const DeckEntry& d : every_deck(r.pool, r.context, list))
            ups.push_back(evaluate_deck(r.pool, r.context, d.slots)->multi_live_score_up);
        if (ups.empty()) continue;
        std::nth_element(ups.begin(), ups.begin() + static_cast<std::ptrdiff_t>(ups.size() / 2),
                         ups.end());
        r.context.multi_live_score_up_lower_bound = ups[ups.size() / 2];
        const std::vector<DeckEntry> all = every_deck(r.pool, r.context, list);
        for (const u64 limit : {u64{1}, u64{10}}) {
            SCOPED_TRACE(testing::Message() << "round " << round << " limit " << limit);
            EXPECT_TRUE(
                same_decks(r.pool, unlimited_search(r.pool, r.context, limit).decks, all, limit));
        }
    }
}

TEST(PowerSkillOracle, TheSearchEntryListsTheSameKeys) {
    // Through the search entry, which takes the power fast path where it
    // applies: the keys are the enumeration's either way.
    std::mt19937 rng(81);
    for (int round = 0; round < 60; ++round) {
        Round r = random_round(rng, round);
        const std::vector<DeckEntry> all =
            every_deck(r.pool, r.context, candidate_list(r.pool, r.context));
        SCOPED_TRACE(testing::Message() << "round " << round);
        const auto got = search_recommend(r.pool, r.context, 10, 0, steady_search_clock());
        ASSERT_TRUE(got.ok());
        ASSERT_EQ(got.value().decks.size(), std::min<usize>(10, all.size()));
        for (usize i = 0; i < got.value().decks.size(); ++i)
            EXPECT_EQ(got.value().decks[i].score, all[i].score) << "deck " << i;
    }
}

TEST(PowerSkillOracle, AFixedCharacterSlotNeverRepeatsTheFixedCard) {
    // Two variants of fixed card 7 (character 1) and character 1 fixed as
    // well: the character's slot takes card 8, never 7's other variant.
    std::vector<TestCard> cards = {
        test::plain_card(7, 1, 9000, 90),  test::plain_card(7, 1, 8900, 95),
        test::plain_card(8, 1, 5000, 50),  test::plain_card(9, 2, 4000, 40),
        test::plain_card(10, 3, 4000, 40), test::plain_card(11, 4, 4000, 40),
    };
    for (const Target target : {Target::POWER, Target::SKILL}) {
        SearchContext context;
        context.target = target;
        context.fixed_cards = {7};
        context.fixed_characters = {1};
        const CardPool pool = test::make_pool(cards, context);
        const SearchResult r = unlimited_search(pool, context, 10);
        ASSERT_EQ(r.decks.size(), 1u);
        EXPECT_EQ(card_set_key(pool_card_ids(pool), r.decks[0].slots),
                  (CardSetKey{7, 8, 9, 10, 11}));
    }
}

TEST(PowerSkillOracle, SkillCeilingsHoldInEveryDeck) {
    // Each card's resolved value in a deck, under the choice the key takes,
    // is at most its ceiling over the pool and its ceiling given any of the
    // deck's other cards placed with it.
    std::mt19937 rng(5);
    for (int round = 0; round < 40; ++round) {
        Round r = random_round(rng, 1);
        r.context.fixed_cards.clear();
        r.context.fixed_characters.clear();
        const std::vector<u16> list = candidate_list(r.pool, r.context);
        const SkillCeilings ceilings(r.pool, r.context, list, !r.context.dominance_pruning);
        for (const DeckEntry& d : every_deck(r.pool, r.context, list)) {
            const auto e = evaluate_deck(r.pool, r.context, d.slots);
            ASSERT_TRUE(e);
            for (u32 subset = 1; subset < 32; ++subset) {
                std::vector<u16> placed;
                std::vector<usize> slot_of;
                for (usize s = 0; s < 5; ++s)
                    if (subset >> s & 1) placed.push_back(d.slots[s]), slot_of.push_back(s);
                std::array<u8, 5> out{};
                ceilings.of_placed(placed, 5 - placed.size(), out);
                for (usize k = 0; k < placed.size(); ++k) {
                    const double value = e->skill_value[slot_of[k]];
                    ASSERT_LE(value, ceilings.of(placed[k])) << "round " << round;
                    ASSERT_LE(value, out[k]) << "round " << round << " subset " << subset;
                }
            }
        }
    }
}

TEST(PowerSkillOracle, TopSumsEqualSortedSuffixes) {
    std::mt19937 rng(3);
    std::vector<TestCard> cards;
    for (u16 i = 0; i < 40; ++i)
        cards.push_back(test::plain_card(i, static_cast<u8>(1 + rng() % 6), 0, 0));
    SearchContext context;
    const CardPool pool = test::make_pool(cards, context);
    std::vector<u16> list(40);
    std::vector<u64> values(40);
    for (u16 i = 0; i < 40; ++i)
        list[i] = i, values[i] = rng() % 50;
    for (const bool smallest : {false, true}) {
        for (const bool one_per_character : {false, true}) {
            const TopSums sums(pool, list, values, smallest, one_per_character);
            for (usize i = 0; i <= 40; ++i) {
                std::map<u32, u64> best;  // owner -> best value
                for (usize j = i; j < 40; ++j) {
                    const u32 owner = one_per_character ? pool.character_id(list[j]) : 100 + j;
                    const auto it = best.find(owner);
                    if (it == best.end() ||
                        (smallest ? values[j] < it->second : values[j] > it->second))
                        best[owner] = values[j];
                }
                std::vector<u64> sorted;
                for (const auto& [owner, v] : best)
                    sorted.push_back(v);
                std::sort(sorted.begin(), sorted.end());
                if (!smallest) std::reverse(sorted.begin(), sorted.end());
                u64 sum = 0;
                for (usize r = 0; r <= 5; ++r) {
                    if (r > 0 && r <= sorted.size()) sum += sorted[r - 1];
                    EXPECT_EQ(sums.at(i, r), sum) << i << " " << r;
                }
            }
        }
    }
}

}  // namespace
}  // namespace vdz
