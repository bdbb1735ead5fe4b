#include "handler/apply_card_config.h"

#include <gtest/gtest.h>

#include "prep_fixture.h"

namespace vdz {
namespace {

using testing::owned;
using testing::PrepFixture;

// A configuration with the fields `set` assigns.
template <class Set>
CardConfig config(Set set) {
    CardConfig c;
    set(c);
    return c;
}

struct Applied {
    bool kept;
    UserCard card;
};

Applied apply(const PrepFixture& f, u32 card_id, UserCard card, RecommendOptions options) {
    const auto view = f.view();
    const auto index = build_request_index(view);
    const bool kept = configure_card(card, *index->find_card(card_id),
                                     collect_card_configs(options), *index, view.card_rarities);
    return {kept, card};
}

TEST(ApplyCardConfig, LevelAndTrainingState) {
    PrepFixture f;
    f.add_card(1, 1, 4);                                          // trainable by rarity
    f.add_card(2, 2, 2);                                          // not trainable
    f.add_card(3, 3, 2).special_training_power2_bonus_fixed = 5;  // trainable by bonus
    f.add_card(4, 4, 1).special_training_skill_id = 99;           // trainable by skill
    f.master.card_rarities.push_back({7, 1, 1, 1});
    Card odd;
    odd.id = 5;
    odd.character_id = 5;
    odd.attr = "cool";
    odd.rarity = 6;  // no rarity row, no configuration of its own: rarity 4's
    f.master.cards.push_back(odd);

    struct Case {
        u32 card;
        CardConfig config;
        u32 level;
        const char* status;
        const char* image;
    };
    const CardConfig max = config([](CardConfig& c) { c.level_max = true; });
    const Case cases[] = {
        {1, max, 60, "done", "special_training"},
        {2, max, 30, "none", "original"},
        {3, max, 30, "done", "special_training"},
        {4, max, 20, "done", "special_training"},
        {1, config([](CardConfig& c) {
             c.level_max = true;
             c.level = 50;
         }),
         50, "not_doing", "original"},
        {1, config([](CardConfig& c) { c.level = 51; }), 51, "done", "special_training"},
        {1, config([](CardConfig& c) { c.level = 200; }), 60, "done", "special_training"},
        {2, config([](CardConfig& c) { c.level = 200; }), 30, "not_doing", "original"},
        {5, config([](CardConfig& c) { c.level = 7; }), 7, "not_doing", "original"},  // no cap
    };
    for (const Case& c : cases) {
        RecommendOptions options;
        options.rarity_configs = {c.config, c.config, c.config, c.config, c.config};
        const Applied applied = apply(f, c.card, owned(c.card, 5), options);
        ASSERT_TRUE(applied.kept);
        EXPECT_EQ(applied.card.level, c.level) << c.card;
        EXPECT_EQ(applied.card.special_training_status, c.status) << c.card;
        EXPECT_EQ(applied.card.default_image, c.image) << c.card;
    }
}

TEST(ApplyCardConfig, ChoiceOfConfigurationAndExclusion) {
    PrepFixture f;
    f.add_card(1, 1, 4);
    RecommendOptions options;
    options.rarity_configs[RARITY_4_CONFIG] = config([](CardConfig& c) { c.disable = true; });
    EXPECT_FALSE(apply(f, 1, owned(1, 5), options).kept);
    // A per-card entry wins even when it sets nothing.
    options.single_card_configs = {{1, CardConfig{}},
                                   {1, config([](CardConfig& c) { c.disable = true; })}};
    const Applied applied = apply(f, 1, owned(1, 5), options);
    EXPECT_TRUE(applied.kept);
    EXPECT_EQ(applied.card, owned(1, 5));
}

TEST(ApplyCardConfig, RanksEpisodesAndCanvas) {
    PrepFixture f;
    f.add_card(1, 1, 4);
    f.master.card_episodes = {
        {1, 30, 0, 0, 0}, {1, 10, 0, 0, 0}, {1, 20, 0, 0, 0}, {2, 5, 0, 0, 0}};
    struct Case {
        CardConfig config;
        std::vector<u32> episodes;
        u32 skill_level, master_rank;
        CanvasState canvas;
    };
    const Case cases[] = {
        {config([](CardConfig& c) { c.episode_read = true; }), {10, 20}, 2, 1, CanvasState::UNSET},
        {config([](CardConfig& c) {
             c.episode_read = true;
             c.episode_read_count = 1;
         }),
         {10},
         2,
         1,
         CanvasState::UNSET},
        {config([](CardConfig& c) { c.episode_read_count = 0; }), {}, 2, 1, CanvasState::UNSET},
        {config([](CardConfig& c) {
             c.skill_max = true;
             c.master_max = true;
             c.canvas = true;
         }),
         {7},
         4,
         5,
         CanvasState::YES},
        {config([](CardConfig& c) {
             c.skill_max = true;
             c.skill_level = 9;
             c.master_rank = 5;
         }),
         {7},
         4,
         5,
         CanvasState::UNSET},
    };
    for (const Case& c : cases) {
        RecommendOptions options;
        options.single_card_configs = {{1, c.config}};
        UserCard card = owned(1, 5, 1);
        card.skill_level = 2;
        card.episodes = {7};
        const Applied applied = apply(f, 1, card, options);
        EXPECT_EQ(applied.card.episodes, c.episodes);
        EXPECT_EQ(applied.card.skill_level, c.skill_level);
        EXPECT_EQ(applied.card.master_rank, c.master_rank);
        EXPECT_EQ(applied.card.canvas, c.canvas);
    }
}

TEST(ApplyCardConfig, CapBelowTheLowerLimitGivesTheLowerLimit) {
    PrepFixture f;
    f.add_card(1, 1, 1);
    f.master.card_rarities = {{1, 0, 0, -3}};
    RecommendOptions options;
    options.single_card_configs = {{1, config([](CardConfig& c) {
                                        c.level = 40;
                                        c.skill_level = 3;
                                    })}};
    const Applied applied = apply(f, 1, owned(1, 5), options);
    EXPECT_EQ(applied.card.level, 1u);
    EXPECT_EQ(applied.card.skill_level, 1u);
}

TEST(ApplyCardConfig, TrainingWords) {
    EXPECT_TRUE(is_trained_status(" DONE "));
    EXPECT_TRUE(is_trained_status("SPECIAL_TRAINING"));
    EXPECT_FALSE(is_trained_status("none"));
    EXPECT_TRUE(is_after_training_word("after_training\n"));
    EXPECT_FALSE(is_after_training_word("done"));
    EXPECT_FALSE(is_after_training_word("none"));
}

}  // namespace
}  // namespace vdz
