// Searches over pools that request preparation builds from master and user
// data far outside any game's, against every deck of the pool: what the
// preparation stores must keep every search bound above the evaluator's
// values.
#include <gtest/gtest.h>

#include <limits>

#include "brute_force_decks.h"
#include "pool/pool_builder.h"
#include "prep_fixture.h"
#include "search/search_entry.h"

namespace vdz {
namespace {

using testing::owned;

struct Request : testing::PrepRequest {
    // A card of character `id` whose three parameters are each `parameter`.
    void add_card(i32 id, i32 parameter, i32 skill_value) {
        fixture.add_card(id, id, 4, "cool", skill_value);
        for (usize row = fixture.master.card_parameters.size() - 2;
             row < fixture.master.card_parameters.size(); ++row) {
            auto& p = fixture.master.card_parameters[row];
            p.param1 = p.param2 = p.param3 = parameter;
        }
        user.user_cards.push_back(owned(static_cast<u32>(id)));
    }
};

struct Road {
    const char* name;
    Target target;
    LiveType live;  // a challenge live takes the bounded search
    u64 limit;
};

// Every road's decks against the brute force over the pool.
void expect_exact(const BuiltPool& built, std::initializer_list<Road> roads) {
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        SearchContext context = built.context;
        context.target = road.target;
        context.live_type = road.live;
        context.dominance_pruning =
            road.live != LiveType::CHALLENGE && road.live != LiveType::CHALLENGE_AUTO;
        context.music_skill_scores[0] = {10, 20, 30, 40, 50, 60};
        const auto found =
            search_recommend(built.pool, context, road.limit, 0, steady_search_clock());
        ASSERT_TRUE(found.ok()) << found.error().message;
        EXPECT_TRUE(test::same_ranking(built.pool, found->decks,
                                       test::all_decks_ranked(built.pool, context), road.limit));
    }
}

TEST(PreparedSearch, ReferenceSkillPastAByteStaysUnderTheMainValue) {
    // Five strong plain cards, and five weaker ones whose reference skill
    // (plain 200, up to 255 more) would resolve to 455 in a deck of them.
    Request r;
    for (i32 id = 1; id <= 5; ++id)
        r.add_card(id, 1000, 250);
    for (i32 id = 6; id <= 10; ++id) {
        r.add_card(id, 900, 200);
        SkillEffectValue e;
        e.skill_id = id;
        e.kind = SkillEffectKind::ScoreUpReference;
        e.value = 100;
        e.extra_value = 255;
        for (i32 level = 1; level <= 4; ++level) {
            e.level = level;
            r.fixture.master.skill_effects.push_back(e);
        }
    }
    const BuiltPool built = r.built();
    for (u16 i = 0; i < built.pool.count(); ++i) {
        if (built.pool.skill_kind(i) != CardPool::SKILL_REF_KIND) continue;
        // What a resolution adds, at most, fits under the main value.
        const auto& entry = built.pool.ref_table()[built.pool.skill_code(i) - 1u];
        EXPECT_EQ(built.pool.skill_secondary(i) + entry[1], built.pool.skill_value(i));
    }
    expect_exact(built, {{"score", Target::SCORE, LiveType::SOLO, 5},
                         {"skill", Target::SKILL, LiveType::SOLO, 5},
                         {"challenge", Target::SCORE, LiveType::CHALLENGE, 5}});
}

TEST(PreparedSearch, HonorPowerPastThirtyTwoBitsStopsAtTheLargestI32) {
    // Two honors that together fall 14,000 short of 2^32: the powers of the
    // stronger decks would wrap round to small numbers, of the weaker not.
    Request r;
    for (i32 id = 1; id <= 9; ++id)
        r.add_card(id, 700 + 40 * id, 100 + 10 * id);
    r.fixture.master.honors = {Honor{7, {{1, std::numeric_limits<i32>::max()}}},
                               Honor{8, {{1, std::numeric_limits<i32>::max() - 13'998}}}};
    r.user.user_honors = {{7, 1}, {8, 1}};
    const BuiltPool built = r.built();
    EXPECT_EQ(built.context.honor_power, std::numeric_limits<i32>::max());
    expect_exact(built, {{"power", Target::POWER, LiveType::SOLO, 5},
                         {"score", Target::SCORE, LiveType::SOLO, 5},
                         {"challenge", Target::SCORE, LiveType::CHALLENGE, 5}});
}

}  // namespace
}  // namespace vdz
