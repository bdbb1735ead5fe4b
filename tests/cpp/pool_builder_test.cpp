#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "pool/card_pool.h"
#include "pool/pool_order.h"
#include "pool/pool_trimming.h"

namespace vdz {
namespace {

PoolCandidate candidate(u32 card_id, u8 character, i32 power, u8 skill = 100, i32 rarity = 4) {
    PoolCandidate c;
    c.card_id = card_id;
    c.character_id = character;
    c.power = power;
    c.skill_value = skill;
    c.rarity = rarity;
    c.unit_mask = 1;
    return c;
}

// n candidates spread over the 26 characters, all different in power.
std::vector<PoolCandidate> spread(usize n, i32 rarity = 4) {
    std::vector<PoolCandidate> out;
    for (usize i = 0; i < n; ++i)
        out.push_back(candidate(static_cast<u32>(i + 1), static_cast<u8>(i % 26 + 1),
                                static_cast<i32>(10000 + i), 100, rarity));
    return out;
}

usize max_per_character(const std::vector<PoolCandidate>& candidates) {
    std::array<usize, 27> counts{};
    for (const auto& c : candidates)
        ++counts[c.character_id];
    return *std::max_element(counts.begin(), counts.end());
}

std::vector<u32> ids(const std::vector<PoolCandidate>& candidates) {
    std::vector<u32> out;
    for (const auto& c : candidates)
        out.push_back(c.card_id);
    return out;
}

TEST(PoolTrimming, ThresholdsByTargetAndLiveType) {
    struct Case {
        const char* name;
        Target target;
        LiveType live_type;
        usize n;
        usize expected;
    };
    const Case cases[] = {
        {"score 400", Target::SCORE, LiveType::SOLO, 400, 400},
        {"score 401", Target::SCORE, LiveType::SOLO, 401, 260},
        {"mysekai 401", Target::MYSEKAI, LiveType::MULTI, 401, 260},
        {"power 401", Target::POWER, LiveType::SOLO, 401, 401},
        {"power 512", Target::POWER, LiveType::SOLO, 512, 512},
        {"power 513", Target::POWER, LiveType::SOLO, 513, 260},
        {"skill 513", Target::SKILL, LiveType::AUTO, 513, 260},
        {"challenge 401", Target::SCORE, LiveType::CHALLENGE, 401, 401},
        {"challenge auto 520", Target::SCORE, LiveType::CHALLENGE_AUTO, 520, 494},
    };
    for (const Case& k : cases) {
        auto candidates = spread(k.n);
        PoolShape shape;
        shape.target = k.target;
        shape.live_type = k.live_type;
        trim_candidates(candidates, shape);
        EXPECT_EQ(candidates.size(), k.expected) << k.name;
    }
}

TEST(PoolTrimming, ChallengeCapKeepsNineteenBestPerCharacterAndFixedCardsBeyond) {
    std::vector<PoolCandidate> candidates;
    for (u32 i = 0; i < 21; ++i)
        candidates.push_back(candidate(100 + i, 5, static_cast<i32>(1000 + i)));
    PoolShape shape;
    shape.live_type = LiveType::CHALLENGE;
    auto exactly19 = std::vector<PoolCandidate>(candidates.begin(), candidates.begin() + 19);
    trim_candidates(exactly19, shape);
    EXPECT_EQ(exactly19.size(), 19u);

    auto all = candidates;
    trim_candidates(all, shape);
    ASSERT_EQ(all.size(), 19u);
    EXPECT_EQ(all.front().card_id, 120u);  // left in weighted-power order
    const std::vector<u32> kept = ids(all);
    EXPECT_EQ(std::count(kept.begin(), kept.end(), 100u), 0);

    shape.fixed_cards = {100};
    trim_candidates(candidates, shape);
    EXPECT_EQ(candidates.size(), 20u);
    EXPECT_EQ(candidates.back().card_id, 100u);
}

TEST(PoolTrimming, PowerCutKeepsProtectedAndOrdersAscendingWhenMinimizing) {
    auto candidates = spread(520);
    PoolShape shape;
    shape.target = Target::POWER;
    shape.minimize = true;
    shape.fixed_characters = {3};
    trim_candidates(candidates, shape);
    // 25 characters x 10 + every card of character 3 (20 of them).
    EXPECT_EQ(candidates.size(), 250u + 20u);
    EXPECT_EQ(candidates.front().power, 10000);  // weakest first
}

TEST(PoolTrimming, EventRarityFilterNeedsFiftyOneCardsAndOneThatQualifies) {
    PoolShape shape;
    shape.has_event = true;
    auto fifty = spread(50, 3);
    fifty[0].rarity = 4;
    trim_candidates(fifty, shape);
    EXPECT_EQ(fifty.size(), 50u);

    auto none_qualifies = spread(51, 3);
    trim_candidates(none_qualifies, shape);
    EXPECT_EQ(none_qualifies.size(), 51u);

    auto fifty_one = spread(51, 3);
    fifty_one[7].rarity = 4;
    fifty_one[9].base_x10 = 100;  // a bonus without both flags does not qualify
    fifty_one[11].base_x10 = 100;
    fifty_one[11].character_bonus = fifty_one[11].attribute_bonus = true;
    shape.fixed_cards = {20};
    trim_candidates(fifty_one, shape);
    EXPECT_EQ(ids(fifty_one), (std::vector<u32>{8, 12, 20}));
}

TEST(PoolTrimming, WorldBloomFilterTakesRarityThreeOrAnyBonus) {
    PoolShape shape;
    shape.has_event = shape.world_bloom = true;
    auto candidates = spread(60, 2);
    candidates[0].rarity = 3;
    candidates[1].limited_x10 = 50;
    trim_candidates(candidates, shape);
    EXPECT_EQ(ids(candidates), (std::vector<u32>{1, 2}));
}

TEST(PoolTrimming, PerCharacterRankingKeepsKBestAndHighBonuses) {
    // 70 rarity-4 cards of character 1 after the card power step's thinning.
    std::vector<PoolCandidate> candidates;
    for (u32 i = 0; i < 70; ++i)
        candidates.push_back(candidate(i + 1, 1, static_cast<i32>(1000 + i)));
    candidates[0].base_x10 = 300;  // always kept
    candidates[1].base_x10 = 299;  // ranks first among the others
    PoolShape shape;
    shape.has_event = true;
    shape.prefiltered = true;
    trim_candidates(candidates, shape);
    // Kept in their old order: the 30 % card, then the six best ranks.
    EXPECT_EQ(ids(candidates), (std::vector<u32>{1, 2, 66, 67, 68, 69, 70}));

    std::vector<PoolCandidate> final_chapter;
    for (u32 i = 0; i < 60; ++i)
        final_chapter.push_back(candidate(i + 1, static_cast<u8>(i % 2 + 1), 1000));
    PoolShape e180;
    e180.has_event = e180.final_chapter = true;
    trim_candidates(final_chapter, e180);
    EXPECT_EQ(final_chapter.size(), 32u);
    EXPECT_EQ(max_per_character(final_chapter), 16u);
}

TEST(PoolTrimming, MoreThanAPoolHoldsRanksHighBonusesAndLowersK) {
    // Per character: `cards` rarity-4 cards of 30 % bonus or more (which a'
    // keeps unranked), better bonus on later cards.
    const auto final_chapter_cards = [](const std::vector<std::pair<u8, u32>>& per_character) {
        std::vector<PoolCandidate> out;
        u32 id = 1;
        for (const auto& [character, cards] : per_character)
            for (u32 k = 0; k < cards; ++k) {
                PoolCandidate c = candidate(id++, character, 1000);
                c.base_x10 = static_cast<u16>(300 + k);
                out.push_back(c);
            }
        return out;
    };
    PoolShape shape;
    shape.has_event = shape.final_chapter = shape.world_bloom = true;
    struct Case {
        const char* name;
        std::vector<i32> fixed_characters;
        u32 fixed_cards_each;  // cards of each fixed character
        usize kept;
        usize per_other_character;
    };
    const Case cases[] = {
        {"26 x 25 cards: 16 per character", {}, 25, 26 * 16, 16},
        {"three fixed characters of 160: one per other character", {1, 2, 3}, 160, 480 + 23, 1},
        {"the fixed characters alone exceed the pool", {1, 2, 3}, 180, 540, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::pair<u8, u32>> per_character;
        for (u8 ch = 1; ch <= 26; ++ch) {
            const bool fixed = std::find(c.fixed_characters.begin(), c.fixed_characters.end(),
                                         ch) != c.fixed_characters.end();
            per_character.push_back({ch, fixed ? c.fixed_cards_each : 25});
        }
        std::vector<PoolCandidate> candidates = final_chapter_cards(per_character);
        shape.fixed_characters = c.fixed_characters;
        trim_candidates(candidates, shape);
        EXPECT_EQ(candidates.size(), c.kept);
        std::array<usize, 27> counts{};
        u32 worst_bonus = 0xFFFF;
        for (const PoolCandidate& k : candidates) {
            ++counts[k.character_id];
            if (k.character_id > 3) worst_bonus = std::min(worst_bonus, k.total_x10());
        }
        for (u8 ch = 4; ch <= 26; ++ch)
            EXPECT_EQ(counts[ch], c.per_other_character);
        // Each character keeps its best bonuses.
        if (c.per_other_character != 0) {
            EXPECT_EQ(worst_bonus, 300 + 25 - c.per_other_character);
        }
    }
    // A request that fits is left as a' leaves it: every card of 30 % stays.
    std::vector<PoolCandidate> fits = final_chapter_cards({{1, 300}, {2, 200}, {3, 12}});
    shape.fixed_characters.clear();
    trim_candidates(fits, shape);
    EXPECT_EQ(fits.size(), 512u);
}

TEST(PoolTrimming, ScoreUpLowerBoundKeepsEachCharactersBestSkillThroughEveryCut) {
    // Per character, one weak card of a skill above the rest: every cut below
    // drops it, unless a score up lower bound protects it.
    const auto with_weak_high_skill = [](std::vector<PoolCandidate> out) {
        std::array<bool, 27> marked{};
        for (PoolCandidate& c : out)
            if (!marked[c.character_id]) {
                marked[c.character_id] = true;
                c.power = 100;
                c.skill_value = 120;
            }
        return out;
    };
    std::vector<PoolCandidate> final_chapter;
    for (u32 i = 0; i < 26 * 25; ++i) {
        PoolCandidate c = candidate(i + 1, static_cast<u8>(i % 26 + 1), 1000);
        c.base_x10 = static_cast<u16>(300 + i / 26);
        final_chapter.push_back(c);
    }
    struct Case {
        const char* name;
        Target target;
        bool event;
        bool final_chapter;
        std::vector<PoolCandidate> candidates;
        usize kept_without;  // the keepers are dropped here
    };
    const Case cases[] = {
        {"power key cut", Target::POWER, false, false, with_weak_high_skill(spread(520)), 260},
        {"score per-character cut", Target::SCORE, false, false, with_weak_high_skill(spread(520)),
         260},
        {"event ranking", Target::SCORE, true, false, with_weak_high_skill(spread(520)), 156},
        {"ranking down to the pool's capacity", Target::SCORE, true, true,
         with_weak_high_skill(final_chapter), 26 * 16},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        PoolShape shape;
        shape.target = k.target;
        shape.live_type = LiveType::MULTI;
        shape.has_event = k.event;
        shape.final_chapter = shape.world_bloom = k.final_chapter;
        const auto high_skill = [](const std::vector<PoolCandidate>& kept) {
            return std::count_if(kept.begin(), kept.end(),
                                 [](const PoolCandidate& c) { return c.skill_value == 120; });
        };
        auto without = k.candidates;
        trim_candidates(without, shape);
        EXPECT_EQ(without.size(), k.kept_without);
        EXPECT_EQ(high_skill(without), 0);
        shape.score_up_bound = true;
        auto with = k.candidates;
        trim_candidates(with, shape);
        EXPECT_EQ(with.size(), k.kept_without + 26);
        EXPECT_EQ(high_skill(with), 26);
        EXPECT_LE(with.size(), CardPool::MAX_CARDS);
    }
}

TEST(PoolChecks, ErrorsInOrder) {
    const std::vector<PoolCandidate> candidates = {candidate(10, 1, 100), candidate(11, 1, 100),
                                                   candidate(12, 2, 100), candidate(13, 3, 100)};
    struct Case {
        std::vector<i32> cards, characters;
        LiveType live_type;
        const char* message;
    };
    const Case cases[] = {
        {{}, {4}, LiveType::CHALLENGE, "构建参数非法: challenge live 不支持 fixed_characters"},
        {{10, 12, 13}, {4, 5, 6}, LiveType::SOLO, "构建参数非法: 固定约束数量超过 5"},
        {{0}, {}, LiveType::SOLO, "构建参数非法: fixed card id 非法: 0"},
        {{70000}, {}, LiveType::SOLO, "构建参数非法: fixed card id 非法: 70000"},
        {{12, 12}, {}, LiveType::SOLO, "构建参数非法: fixed card 重复: 12"},
        {{99}, {}, LiveType::SOLO, "候选卡池为空"},
        {{10, 11}, {}, LiveType::SOLO, "构建参数非法: fixed card 角色重复: 1"},
        {{10}, {27}, LiveType::SOLO, "构建参数非法: fixed character id 非法: 27"},
        {{10}, {1}, LiveType::SOLO, "构建参数非法: fixed character 角色重复: 1"},
        {{}, {2, 2}, LiveType::SOLO, "构建参数非法: fixed character 角色重复: 2"},
        {{}, {9}, LiveType::SOLO, "候选卡池为空"},
    };
    for (const Case& k : cases) {
        PoolShape shape;
        shape.live_type = k.live_type;
        shape.fixed_cards = k.cards;
        shape.fixed_characters = k.characters;
        const auto checked = check_candidates(candidates, shape);
        ASSERT_FALSE(checked.ok()) << k.message;
        EXPECT_EQ(checked.error().message, k.message);
    }

    PoolShape five;
    five.fixed_cards = {10, 12, 13};
    five.fixed_characters = {4, 5};
    auto more = candidates;
    more.push_back(candidate(14, 4, 1));
    more.push_back(candidate(15, 5, 1));
    const auto ok = check_candidates(more, five);
    ASSERT_TRUE(ok.ok());
    EXPECT_EQ(ok->cards, (std::vector<u16>{10, 12, 13}));

    EXPECT_EQ(check_candidates({}, PoolShape{}).error().message, "候选卡池为空");
    const auto over = check_candidates(spread(513), PoolShape{});
    EXPECT_EQ(over.error().message, "候选卡数量超过 mask 容量: 513");
}

TEST(PoolOrder, KeysByModeThenLargerCardIdFirst) {
    // a: strong power, weak skill; b: weak power, strong skill; c: like b,
    // larger id; d: event bonus.
    std::vector<PoolCandidate> base = {candidate(1, 1, 30000, 50), candidate(2, 2, 20000, 150),
                                       candidate(3, 3, 20000, 150), candidate(4, 4, 1000, 10)};
    base[3].base_x10 = 500;
    struct Case {
        Target target;
        bool has_event;
        std::vector<u32> order;
    };
    const Case cases[] = {
        {Target::SCORE, false, {1, 3, 2, 4}},  // weighted power: 306 x 30000 > 406 x 20000
        {Target::SCORE, true, {4, 1, 3, 2}},   // event bonus first
        {Target::BONUS, false, {1, 3, 2, 4}},  // power, tie key
        {Target::POWER, true, {1, 3, 2, 4}},  {Target::SKILL, false, {3, 2, 1, 4}},
    };
    for (const Case& k : cases) {
        auto candidates = base;
        PoolShape shape;
        shape.target = k.target;
        shape.has_event = k.has_event;
        order_candidates(candidates, shape, FixedConstraints{});
        EXPECT_EQ(ids(candidates), k.order) << int(k.target) << k.has_event;
    }
}

TEST(PoolOrder, FixedCardsThenFixedCharactersComeFirst) {
    std::vector<PoolCandidate> candidates = {candidate(1, 1, 900), candidate(2, 2, 100),
                                             candidate(3, 3, 200), candidate(4, 3, 300),
                                             candidate(5, 5, 800)};
    // Two variants of card 5, the special-image one weaker.
    PoolCandidate variant = candidate(5, 5, 100, 10);
    variant.trained_to_special_image = true;
    candidates.push_back(variant);
    PoolShape shape;
    shape.target = Target::POWER;
    const FixedConstraints fixed{{2, 5}, {3}};
    order_candidates(candidates, shape, fixed);
    EXPECT_EQ(ids(candidates), (std::vector<u32>{2, 5, 5, 4, 3, 1}));
    EXPECT_TRUE(candidates[1].trained_to_special_image);
}

TEST(PoolOrder, StableSortKeepsEqualElementsInOrderAtEverySize) {
    for (const usize n : {5u, 20u, 21u, 200u}) {
        std::vector<std::pair<int, usize>> items;
        for (usize i = 0; i < n; ++i)
            items.push_back({static_cast<int>((i * 7) % 5), i});
        builder_stable_sort(items, [](const auto& a, const auto& b) { return a.first < b.first; });
        EXPECT_TRUE(std::is_sorted(items.begin(), items.end())) << n;
    }
}

// Large elements are sorted through indices; the order must be the one the
// in-place sort gives, also under an ordering that is not a strict weak order
// (here a cycle: each key is "less" than the next one modulo 5).
TEST(PoolOrder, StableSortOfLargeElementsMatchesTheInPlaceSort) {
    struct Large {
        int key;
        usize index;
        std::array<u8, 64> rest;
    };
    const auto cyclic = [](const auto& a, const auto& b) { return (a.key + 1) % 5 == b.key; };
    for (const usize n : {5u, 20u, 21u, 200u}) {
        std::vector<std::pair<int, usize>> small;
        std::vector<Large> large;
        for (usize i = 0; i < n; ++i) {
            const int key = static_cast<int>((i * 7 + i / 3) % 5);
            small.push_back({key, i});
            large.push_back({key, i, {}});
        }
        builder_stable_sort(small, [&](const auto& a, const auto& b) {
            return cyclic(Large{a.first, a.second, {}}, Large{b.first, b.second, {}});
        });
        builder_stable_sort(large, cyclic);
        for (usize i = 0; i < n; ++i)
            EXPECT_EQ(large[i].index, small[i].second) << n << " at " << i;
    }
}

}  // namespace
}  // namespace vdz
