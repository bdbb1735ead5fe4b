#include "search/bounds/reachable_bonus.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "brute_force_decks.h"

namespace vdz {
namespace {

using test::plain_card;
using test::TestCard;

// The doubled bonuses of every deck the brute force forms.
std::set<u32> brute_force_keys(const CardPool& pool, const SearchContext& context) {
    std::set<u32> keys;
    for (const DeckEntry& deck : test::all_decks_ranked(pool, context))
        keys.insert(static_cast<u32>(deck.score >> 32));
    return keys;
}

// Bonuses with tenths, few enough levels that sums repeat, and now and then
// a World Bloom event whose support list names deck cards, in runs of equal
// values or not sorted at all.
SearchContext random_bonus_context(std::mt19937& rng, std::vector<TestCard>& cards) {
    SearchContext context = test::random_default_context(rng);
    context.target = Target::BONUS;
    context.multi_live_score_up_lower_bound.reset();
    // One bonus per card id: a card's skill variants share it.
    std::map<u16, u16> bonus_of;
    for (TestCard& c : cards) {
        const u16 bonus =
            static_cast<u16>(rng() % 3 == 0 ? rng() % 600 : 50 * (rng() % 8) + rng() % 3);
        c.base_x10 = bonus_of.try_emplace(c.card_id, bonus).first->second;
        c.limited_x10 = 0;
    }
    if (rng() % 2 == 0) {
        test::add_world_bloom_support(rng, cards, context);
        context.world_bloom_support.general.count = static_cast<u8>(1 + rng() % 4);
        auto& entries = context.world_bloom_support.general.entries;
        if (rng() % 2 == 0) {
            for (SupportEntry& e : entries)
                e.value = 2.5 * static_cast<double>(rng() % 3);
            std::stable_sort(
                entries.begin(), entries.end(),
                [](const SupportEntry& a, const SupportEntry& b) { return a.value > b.value; });
        }
        // Bonuses of x.25 % put a doubled bonus right on its rounding edge.
        if (rng() % 3 == 0)
            for (SupportEntry& e : entries)
                e.value += 0.15;
    }
    return context;
}

// Without fixed cards the table lists exactly the doubled bonuses of the
// brute force's decks; with fixed cards and characters, whose slot order it
// ignores, at least those.
TEST(ReachableBonuses, ExactlyTheBonusesOfTheBruteForce) {
    std::mt19937 rng(12);
    usize rounds_with_decks = 0;
    for (int round = 0; round < 200; ++round) {
        std::vector<TestCard> cards = test::random_cards(rng, 8 + rng() % 6);
        SearchContext context = random_bonus_context(rng, cards);
        const bool constrained = round % 4 == 3;
        if (constrained) {
            context.fixed_cards.push_back(cards[rng() % cards.size()].card_id);
            context.fixed_characters.push_back(static_cast<u8>(1 + rng() % 7));
        }
        if (round % 5 == 4) context.dominance_pruning = false;
        const CardPool pool = test::make_pool(cards, context);
        const ReachableBonuses reachable = reachable_bonuses(pool, context);
        // A list naming one card twice (two skill variants of it) is beyond
        // the table.
        std::set<u16> listed;
        bool repeats = false;
        for (const SupportEntry& e : context.world_bloom_support.general.entries)
            repeats |= !listed.insert(e.card_id).second;
        ASSERT_EQ(reachable.known, !repeats || !context.world_bloom);
        if (!reachable.known) continue;
        const std::set<u32> expected = brute_force_keys(pool, context);
        rounds_with_decks += !expected.empty();
        for (const u32 key : expected)
            ASSERT_TRUE(reachable.may_reach(key)) << "round " << round << " key " << key;
        if (!constrained) {
            ASSERT_EQ(std::set<u32>(reachable.keys.begin(), reachable.keys.end()), expected)
                << "round " << round;
        }
    }
    EXPECT_GT(rounds_with_decks, 100u);
}

TEST(ReachableBonuses, FixedCardsAndCharactersNarrowTheSums) {
    SearchContext context;
    context.target = Target::BONUS;
    context.event_kind = 0;
    // Six characters; character 1 has a card of 10 % and one of 50 %.
    std::vector<TestCard> cards;
    for (u8 c = 1; c <= 6; ++c) {
        TestCard card = plain_card(static_cast<u16>(c), c, 1000, 10);
        card.base_x10 = 100;
        cards.push_back(card);
    }
    cards.push_back(plain_card(7, 1, 1000, 10));
    cards.back().base_x10 = 500;
    const CardPool pool = test::make_pool(cards, context);
    EXPECT_EQ(reachable_bonuses(pool, context).keys, (std::vector<u32>{100, 180}));
    // The 50 % card fixed: only 90 %.
    context.fixed_cards = {7};
    EXPECT_EQ(reachable_bonuses(pool, context).keys, (std::vector<u32>{180}));
    // A fixed card the pool lacks, or a fixed character without cards: no
    // deck at all.
    context.fixed_cards = {99};
    EXPECT_TRUE(reachable_bonuses(pool, context).keys.empty());
    context.fixed_cards.clear();
    context.fixed_characters = {9};
    EXPECT_TRUE(reachable_bonuses(pool, context).keys.empty());
}

// The final chapter's leader bonuses and counted limited parts follow slot
// order, which the table does not follow: every key counts as reachable.
TEST(ReachableBonuses, UnknownInTheFinalChapter) {
    SearchContext context;
    context.final_chapter = true;
    std::vector<TestCard> cards;
    for (u8 c = 1; c <= 5; ++c)
        cards.push_back(plain_card(c, c, 1000, 10));
    const CardPool pool = test::make_pool(cards, context);
    const ReachableBonuses reachable = reachable_bonuses(pool, context);
    EXPECT_FALSE(reachable.known);
    EXPECT_TRUE(reachable.may_reach(12345));
}

}  // namespace
}  // namespace vdz
