// A small hand-built region for the request preparation tests: 26
// characters in six units (character 21 listed twice, first as the sixth
// unit), a rarity row per rarity, helpers that add cards, parameters and
// skills with plain values, and a request over it that runs the preparation's
// steps the way a real request does.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine/master_data.h"
#include "handler/card_power.h"
#include "handler/master_data_view.h"
#include "handler/options.h"
#include "handler/request_index.h"
#include "handler/user_data.h"
#include "pool/pool_builder.h"

namespace vdz::testing {

inline const char* unit_of_character(i32 c) {
    if (c <= 4) return "light_sound";
    if (c <= 8) return "idol";
    if (c <= 12) return "street";
    if (c <= 16) return "theme_park";
    if (c <= 20) return "school_refusal";
    return "piapro";
}

struct PrepFixture {
    MasterData master;

    PrepFixture() {
        for (i32 c = 1; c <= 26; ++c)
            master.character_units.push_back({unit_of_character(c), c});
        master.character_units.push_back({"street", 21});  // later rows do not count
        // rarity, training max level, max level, max skill level
        master.card_rarities = {
            {1, 20, 20, 1}, {2, 30, 30, 2}, {3, 60, 50, 3}, {4, 60, 50, 4}, {5, 60, 50, 4}};
        for (i32 rank = 0; rank <= 5; ++rank)
            master.master_lessons.push_back({4, rank, 10 * rank, 20 * rank, 30 * rank});
    }

    // A card with parameters (1000, 1000, 1000) at levels 1..60 and a plain
    // score-up skill of `skill_value` at skill levels 1..4.
    Card& add_card(i32 id, i32 character, u32 rarity, const char* attr = "cool",
                   i32 skill_value = 100) {
        Card card;
        card.id = id;
        card.character_id = character;
        card.attr = attr;
        card.rarity = rarity;
        card.skill_id = id;
        master.cards.push_back(card);
        master.card_parameters.push_back({id, 1, 1000, 1000, 1000});
        master.card_parameters.push_back({id, 60, 1000, 1000, 1000});
        add_score_up(id, skill_value);
        return master.cards.back();
    }

    void add_score_up(i32 skill_id, i32 value) {
        for (i32 level = 1; level <= 4; ++level) {
            master.skill_levels.push_back({skill_id, level});
            SkillEffectValue effect;
            effect.skill_id = skill_id;
            effect.level = level;
            effect.kind = SkillEffectKind::ScoreUp;
            effect.value = value;
            master.skill_effects.push_back(effect);
        }
    }

    MasterDataView view() const { return make_master_data_view(master); }
    std::shared_ptr<const RequestIndex> index() const { return build_request_index(view()); }

    // The card power step for `user` under `options`, over a fresh index.
    Result<CardPowerOutput> power(const UserData& user, const RecommendOptions& options) const {
        const MasterDataView v = view();
        return compute_card_power(user, PreparationContext{v, build_request_index(v)}, options);
    }
};

// One request over the fixture: the player's data and the options.
struct PrepRequest {
    PrepFixture fixture;
    UserData user;
    RecommendOptions options;

    Result<CardPowerOutput> power() const { return fixture.power(user, options); }
    Result<BuiltPool> build() const { return prepare_card_pool(user, fixture.view(), options); }
    // The built pool of a request that must succeed.
    BuiltPool built() const {
        auto out = build();
        EXPECT_TRUE(out.ok()) << out.error().message;
        return std::move(out).value();
    }
};

inline UserCard owned(u32 card_id, u32 level = 1, u32 master_rank = 0) {
    UserCard card;
    card.card_id = card_id;
    card.level = level;
    card.master_rank = master_rank;
    return card;
}

}  // namespace vdz::testing
