#include "search/evaluation/top_decks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

namespace vdz {
namespace {

// Pool index -> card id; indices 0 and 8 carry one card (two skill variants).
const std::vector<u16> CARD_IDS = {10, 11, 12, 13, 14, 15, 16, 17, 10};

DeckEntry deck(u64 score, DeckSlots slots) {
    return {score, slots};
}

const DeckEntry A = deck(50, {0, 1, 2, 3, 4});
const DeckEntry B = deck(40, {1, 2, 3, 4, 5});
const DeckEntry C = deck(40, {2, 3, 4, 5, 6});
const DeckEntry D = deck(30, {3, 4, 5, 6, 7});

struct ListCase {
    const char* name;
    u64 limit;
    bool reverse;
    std::vector<DeckEntry> offered;
    std::vector<DeckEntry> kept;
};

const ListCase CASES[] = {
    {"empty list takes any deck", 3, false, {D}, {D}},
    {"best first, equal keys by smaller slots", 5, false, {D, C, A, B}, {A, B, C, D}},
    {"limit 1 keeps the single best", 1, false, {B, D, A, C}, {A}},
    {"full: an equal key with smaller slots enters", 2, false, {A, C, B}, {A, B}},
    {"full: an equal key with larger slots stays out", 2, false, {A, B, C}, {A, B}},
    {"full: a lower key stays out", 2, false, {A, B, D}, {A, B}},
    {"the same deck twice is kept once", 3, false, {B, B}, {B}},
    {"same set, higher key replaces", 3, false, {deck(10, {4, 3, 2, 1, 0}), A}, {A}},
    {"same set, lower key is dropped", 3, false, {A, deck(10, {4, 3, 2, 1, 0})}, {A}},
    {"same set, equal key: smaller slots replace", 3, false, {deck(50, {4, 3, 2, 1, 0}), A}, {A}},
    {"same set, equal key: larger slots are dropped",
     3,
     false,
     {A, deck(50, {4, 3, 2, 1, 0})},
     {A}},
    {"one card id on two pool cards is one set",
     3,
     false,
     {A, deck(60, {8, 1, 2, 3, 4})},
     {deck(60, {8, 1, 2, 3, 4})}},
    {"replacing in a full list evicts nothing else",
     2,
     false,
     {A, B, deck(45, {5, 4, 3, 2, 1})},
     {A, deck(45, {5, 4, 3, 2, 1})}},
    {"limit 0 keeps nothing", 0, false, {A, B}, {}},
    {"reverse: lowest first, equal keys by larger slots", 5, true, {A, B, D, C}, {D, C, B, A}},
    {"reverse, full: an equal key with larger slots enters", 2, true, {D, B, C}, {D, C}},
    {"reverse, full: an equal key with smaller slots stays out", 2, true, {D, C, B}, {D, C}},
    {"reverse, same set: lower key replaces",
     3,
     true,
     {A, deck(10, {4, 3, 2, 1, 0})},
     {deck(10, {4, 3, 2, 1, 0})}},
    {"reverse, same set: higher key is dropped",
     3,
     true,
     {deck(10, {4, 3, 2, 1, 0}), A},
     {deck(10, {4, 3, 2, 1, 0})}},
};

TEST(TopDecks, InsertReplaceRejectTable) {
    for (const ListCase& c : CASES) {
        TopDecks list(c.limit, c.reverse, CARD_IDS);
        for (const DeckEntry& d : c.offered)
            list.record(d);
        EXPECT_EQ(list.entries(), c.kept) << c.name;
        if (c.reverse) continue;
        DfsTopDecks dfs(c.limit, CARD_IDS);
        for (const DeckEntry& d : c.offered)
            dfs.push(d);
        EXPECT_EQ(dfs.entries(), c.kept) << "DfsTopDecks: " << c.name;
    }
}

TEST(TopDecks, DfsListReportsFullAndWorstScore) {
    DfsTopDecks list(2, CARD_IDS);
    EXPECT_FALSE(list.full());
    list.push(B);
    EXPECT_FALSE(list.full());
    list.push(A);
    ASSERT_TRUE(list.full());
    EXPECT_EQ(list.worst_score(), 40u);
    list.push(deck(45, {1, 2, 3, 4, 6}));
    EXPECT_EQ(list.worst_score(), 45u);
}

TEST(TopDecks, HugeLimitReservesNothingInProportion) {
    const u64 limit = 1'000'000'000'000;
    TopDecks top(limit, false, CARD_IDS);
    DfsTopDecks dfs(limit, CARD_IDS);
    for (const DeckEntry& d : {D, C, A, B}) {
        top.record(d);
        dfs.push(d);
    }
    EXPECT_EQ(top.entries(), (std::vector<DeckEntry>{A, B, C, D}));
    EXPECT_EQ(dfs.entries(), top.entries());
    EXPECT_FALSE(dfs.full());
}

// Oracle: each card set's best offered deck, sorted, cut to `limit`.
std::vector<DeckEntry> best_per_set(const std::vector<DeckEntry>& offered, u64 limit, bool reverse,
                                    const std::vector<u16>& card_ids = CARD_IDS) {
    const auto before = [&](const DeckEntry& a, const DeckEntry& b) {
        return reverse ? ranks_before(b, a) : ranks_before(a, b);
    };
    std::map<CardSetKey, DeckEntry> best;
    for (const DeckEntry& d : offered) {
        const CardSetKey key = card_set_key(card_ids, d.slots);
        const auto it = best.find(key);
        if (it == best.end() || before(d, it->second)) best[key] = d;
    }
    std::vector<DeckEntry> all;
    for (const auto& [key, d] : best)
        all.push_back(d);
    std::sort(all.begin(), all.end(), before);
    if (all.size() > limit) all.resize(limit);
    return all;
}

TEST(TopDecks, MatchesBestPerCardSetOnRandomOffers) {
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        const u64 limit = rng() % 6;
        const bool reverse = rng() % 2;
        std::vector<DeckEntry> offered;
        for (int k = 0; k < 25; ++k) {
            DeckSlots slots;
            for (u16& s : slots)
                s = static_cast<u16>(rng() % CARD_IDS.size());
            offered.push_back(deck(rng() % 4, slots));
        }
        TopDecks top(limit, reverse, CARD_IDS);
        DfsTopDecks dfs(limit, CARD_IDS);
        for (const DeckEntry& d : offered) {
            top.record(d);
            if (!reverse) dfs.push(d);
        }
        const auto expected = best_per_set(offered, limit, reverse);
        ASSERT_EQ(top.entries(), expected) << "round " << round;
        if (!reverse) {
            ASSERT_EQ(dfs.entries(), expected) << "round " << round;
        }
    }
}

// Long lists, as a pool's `limit` override asks for: tens of thousands of
// entries kept, replaced and evicted stay exactly the oracle's.
TEST(TopDecks, LongListsMatchTheOracle) {
    std::vector<u16> card_ids(60);
    for (u16 i = 0; i < 60; ++i)
        card_ids[i] = static_cast<u16>(i % 50);  // ten cards with two variants
    std::mt19937 rng(11);
    for (const u64 limit : {u64{1'000'000'000'000}, u64{3000}}) {
        std::vector<DeckEntry> offered;
        for (int k = 0; k < 60000; ++k) {
            DeckSlots slots;
            for (u16& s : slots)
                s = static_cast<u16>(rng() % card_ids.size());
            offered.push_back(deck(rng() % 1000, slots));
        }
        TopDecks top(limit, false, card_ids);
        DfsTopDecks dfs(limit, card_ids);
        for (const DeckEntry& d : offered) {
            top.record(d);
            dfs.push(d);
        }
        const auto expected = best_per_set(offered, limit, false, card_ids);
        EXPECT_EQ(top.entries(), expected) << limit;
        EXPECT_EQ(dfs.entries(), expected) << limit;
    }
}

}  // namespace
}  // namespace vdz
