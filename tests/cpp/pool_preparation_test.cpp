#include <gtest/gtest.h>

#include "pool/pool_builder.h"
#include "pool/result_card_states.h"
#include "prep_fixture.h"

namespace vdz {
namespace {

using testing::owned;
using Request = testing::PrepRequest;

std::vector<u16> pool_ids(const CardPool& pool) {
    std::vector<u16> ids;
    for (u16 i = 0; i < pool.count(); ++i)
        ids.push_back(pool.card_id(i));
    return ids;
}

TEST(PoolPreparation, VariantsCountTwiceAndCarryTheirImages) {
    Request r;
    r.fixture.add_card(1, 1, 4, "cool", 80).special_training_skill_id = 500;
    r.fixture.add_score_up(500, 120);
    r.fixture.add_card(2, 2, 2, "cute", 90);
    r.fixture.add_card(3, 3, 2, "cute", 70);
    r.user.user_cards = {owned(1), owned(2), owned(3)};
    r.options.target = Target::SKILL;
    const BuiltPool b = r.built();
    EXPECT_EQ(pool_ids(b.pool), (std::vector<u16>{1, 2, 1, 3}));  // by skill value
    EXPECT_EQ(b.pool.skill_value(0), 120);
    EXPECT_EQ(b.context.skill_is_after_training, (std::vector<u8>{1, 0, 0, 0}));
    EXPECT_EQ(b.context.trained_to_special_image, (std::vector<u8>{1, 0, 0, 0}));
    EXPECT_EQ(b.context.card_enabled, (std::vector<u8>{1, 1, 1, 1}));
    ASSERT_EQ(b.records.size(), 4u);
    EXPECT_TRUE(b.records[0].image_override && b.records[0].special_image);
    EXPECT_TRUE(b.records[2].image_override && !b.records[2].special_image);
    EXPECT_FALSE(b.records[1].image_override);
    EXPECT_EQ(b.context.skill_bound, 120u + 90 + 80 + 70);
}

TEST(PoolPreparation, RecordsBreakPowerDownPerUnitAndShape) {
    Request r;
    r.fixture.add_card(1, 22, 2, "cute").support_unit = "idol";
    r.fixture.master.character_ranks = {{1, 12.5}};
    r.fixture.master.area_item_levels = {{1, 1, "idol", std::nullopt, std::nullopt, 1.0, 2.0}};
    r.user.user_characters = {{22, 1}};
    r.user.user_area_items = {{1, 1}};
    r.user.user_cards = {owned(1)};
    const BuiltPool b = r.built();
    const PoolCardRecord& record = b.records[0];
    EXPECT_EQ(record.card_id, 1u);
    // Unit 1 (idol): base 3000, character rank 375, area 30 or 60 by unit match.
    EXPECT_EQ(record.units[1][0], (PowerBreakdown{3000, 30, 375, 0, 0, 3405}));
    EXPECT_EQ(record.units[1][3], (PowerBreakdown{3000, 60, 375, 0, 0, 3435}));
    EXPECT_EQ(record.units[5][2], (PowerBreakdown{3000, 0, 375, 0, 0, 3375}));
    EXPECT_EQ(record.units[0][0], PowerBreakdown{});
    EXPECT_EQ(b.pool.unit_value(0, 3), 3435u);
    EXPECT_EQ(b.pool.unit_value(0, 7), 3375u);
    EXPECT_EQ(b.pool.power(0), 3435u);
}

TEST(PoolPreparation, ContextFollowsTheRequest) {
    Request r;
    for (i32 c = 1; c <= 6; ++c)
        r.fixture.add_card(c, c + 16, 4, "cool", 10 * c);
    r.fixture.master.events = {{180, "world_bloom"}, {55, "cheerful_carnival"}};
    r.fixture.master.event_card_bonus_limits = {{180, 1}};
    r.fixture.master.world_bloom_diff_attr_bonuses = {{1, 5}, {5, 30}};
    r.fixture.master.world_bloom_support_wl2 = {};
    MusicMeta meta;
    meta.music_id = 3;
    meta.difficulty = "Master";
    meta.base_score = 1.5;
    meta.event_rate_solo = 120;
    r.fixture.master.music_metas = {meta};
    for (const Card& c : r.fixture.master.cards)
        r.user.user_cards.push_back(owned(static_cast<u32>(c.id)));
    r.user.user_honors = {{7, 2}};
    r.fixture.master.honors = {Honor{7, {{2, 40}}}};

    const SearchContext plain = r.built().context;
    EXPECT_EQ(plain.event_kind, NO_EVENT_KIND);
    EXPECT_EQ(plain.music_event_rate, 100u);
    EXPECT_EQ(plain.music_base_scores, (std::array<double, 3>{1.0, 1.0, 0.0}));
    EXPECT_EQ(plain.boost_rate, 100u);
    EXPECT_EQ(plain.life, 1000u);
    EXPECT_EQ(plain.limited_bonus_count, 5u);
    EXPECT_EQ(plain.honor_power, 40);
    EXPECT_TRUE(plain.dominance_pruning);
    EXPECT_TRUE(plain.world_bloom_support.general.entries.empty());

    r.options.event_id = 180;
    r.options.forced_leader_character_id = 18;
    r.options.music_id = 3;
    r.options.music_diff = "master";
    r.options.boost = 6;
    r.options.life = -5;
    r.options.live_type = LiveType::CHALLENGE;
    r.options.world_bloom_character_id = 20;
    const SearchContext final_chapter = r.built().context;
    EXPECT_TRUE(final_chapter.world_bloom);
    EXPECT_TRUE(final_chapter.final_chapter);
    EXPECT_EQ(final_chapter.designated_character, 18);
    EXPECT_EQ(final_chapter.limited_bonus_count, 1u);
    EXPECT_EQ(final_chapter.wl3_power_cap, 0u);  // the final chapter is turn 2
    EXPECT_EQ(final_chapter.distinct_attr_bonus, (std::array<u16, 6>{0, 5, 0, 0, 0, 30}));
    EXPECT_EQ(final_chapter.music_event_rate, 120u);
    EXPECT_EQ(final_chapter.music_base_scores[0], 1.5);
    EXPECT_EQ(final_chapter.boost_rate, 2700u);
    EXPECT_EQ(final_chapter.life, 0u);
    EXPECT_FALSE(final_chapter.dominance_pruning);
    EXPECT_EQ(final_chapter.world_bloom_support.general.count, 20);
    EXPECT_EQ(final_chapter.world_bloom_support.general.entries.size(), 6u);
    EXPECT_EQ(final_chapter.world_bloom_support.per_character.size(), 27u);
    EXPECT_EQ(final_chapter.bonus_bound, 30u);  // empty tables: only the attribute bonus

    r.options.event_id = 55;
    r.options.world_bloom_event_turn = 3;
    const SearchContext cheerful = r.built().context;
    EXPECT_EQ(cheerful.event_kind, 1);
    EXPECT_FALSE(cheerful.designated_character);
    EXPECT_EQ(cheerful.wl3_power_cap, 0u);
    EXPECT_EQ(cheerful.distinct_attr_bonus, (std::array<u16, 6>{}));
}

TEST(PoolPreparation, ResultStatesShowConfiguredCards) {
    Request r;
    r.fixture.add_card(1, 1, 4);
    r.fixture.add_card(2, 2, 2);
    r.fixture.add_card(3, 3, 1);
    r.user.user_cards = {owned(1, 10), owned(2, 10), owned(2, 20), owned(99)};
    r.options.rarity_configs[RARITY_4_CONFIG].level_max = true;
    r.options.rarity_configs[RARITY_1_CONFIG].disable = true;
    r.options.fixed_cards = {3};
    const ResultCardStates states =
        build_result_card_states(r.user.user_cards, r.fixture.master, r.options);
    ASSERT_EQ(states.size(), 2u);
    EXPECT_EQ(states.at(1).level, 60u);
    EXPECT_EQ(states.at(1).special_training_status, "done");
    EXPECT_EQ(states.at(2).level, 20u);  // the later card of an id
}

}  // namespace
}  // namespace vdz
