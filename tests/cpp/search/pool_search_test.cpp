#include "search/pool_search.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "json/value.h"
#include "test_pool.h"

namespace vdz {
namespace {

using test::plain_card;
using test::TestCard;

// A clock that never moves: every search takes 0 ms.
class StillClock final : public SearchClock {
  public:
    TimePoint now() const override { return TimePoint(std::chrono::seconds(5)); }
};
const StillClock STILL;

// Five cards 11..15 of power 1000 (power parts 700 + 100 + 100 + 50 + 50 when
// all five share the unit and attribute) with skills 10..50, a challenge
// live with an event, and the player's states of four of the cards.
struct Fixture {
    SearchContext context;
    std::vector<PoolCardRecord> records;
    ResultCardStates states;
    UserData user;
    Target target = Target::SCORE;
    CardPool pool;  // built last, from the members above

    explicit Fixture(usize cards = 5) : pool(make(cards)) {}

    CardPool make(usize n) {
        context.live_type = LiveType::CHALLENGE;
        context.dominance_pruning = false;
        context.event_kind = 0;
        std::vector<TestCard> cards;
        for (u16 i = 0; i < n; ++i) {
            cards.push_back(plain_card(11 + i, 1, 1000, static_cast<u8>(10 * (i + 1))));
            PoolCardRecord r;
            r.card_id = 11u + i;
            r.units[0][3] = {700, 100, 100, 50, 50, 1000};
            r.master_rank = i;
            r.skill_level = i + 1u;
            records.push_back(r);
        }
        cards[0].base_x10 = 125;
        records[0].life_recovery = 3.7;
        records[1].after_training = true;
        records[2].image_override = true;
        records[2].special_image = true;
        states[11] = card_state(11, 60, 2, "special_training", CanvasState::YES);
        states[12] = card_state(12, 50, 1, "original", CanvasState::UNSET);
        states[14] = card_state(14, 30, 0, "special_training", CanvasState::NO);
        states[15] = card_state(15, 40, 0, "original", CanvasState::UNSET);
        user.mysekai_canvases = {12, 14};
        user.user_cards.resize(37);
        return test::make_pool(cards, context);
    }

    static UserCard card_state(u32 id, u32 level, usize episodes, const char* image,
                               CanvasState canvas) {
        UserCard c;
        c.card_id = id;
        c.level = level;
        c.episodes.resize(episodes);
        c.default_image = image;
        c.canvas = canvas;
        return c;
    }

    ResultSources sources() const { return {pool, context, records, states, user, target}; }

    // The deck object of slots 0..4, or "none".
    std::string deck_text(DeckSlots slots = {0, 1, 2, 3, 4}) const {
        std::string text;
        json::Writer out(text);
        return write_deck_result(out, slots, sources()) ? text : "none";
    }

    Result<std::string> search(u64 limit = 1, std::vector<i32> tiers = {}) const {
        return run_pool_search(sources(), tiers, limit, 0, STILL);
    }
};

TEST(DeckResult, WritesEveryFieldWithSortedKeysAndTypes) {
    // Leader: card 15 (skill 50); the others keep their slot order. Live score
    // 1.0 x 5000 x 4 = 20000, so 12000 + 120 x 1 event points.
    EXPECT_EQ(Fixture().deck_text(),
              R"({"area_item_bonus_power":500,"base_power":3500,"cards":[)"
              R"({"after_training":false,"base_power":700,"card_id":15,"default_image":"original",)"
              R"("episode1_read":false,"episode2_read":false,"event_bonus_rate":0.0,)"
              R"("has_canvas_bonus":false,"level":40,"master_rank":4,"skill_level":5,)"
              R"("skill_life_recovery":0,"skill_score_up":50,"total_power":1000},)"
              R"({"after_training":true,"base_power":700,"card_id":12,"default_image":"original",)"
              R"("episode1_read":true,"episode2_read":false,"event_bonus_rate":0.0,)"
              R"("has_canvas_bonus":true,"level":50,"master_rank":1,"skill_level":2,)"
              R"("skill_life_recovery":0,"skill_score_up":20,"total_power":1000},)"
              R"({"after_training":false,"base_power":700,"card_id":13,)"
              R"("default_image":"special_training","episode1_read":false,"episode2_read":false,)"
              R"("event_bonus_rate":0.0,"has_canvas_bonus":false,"level":0,"master_rank":2,)"
              R"("skill_level":3,"skill_life_recovery":0,"skill_score_up":30,"total_power":1000},)"
              R"({"after_training":false,"base_power":700,"card_id":14,)"
              R"("default_image":"special_training","episode1_read":false,"episode2_read":false,)"
              R"("event_bonus_rate":0.0,"has_canvas_bonus":false,"level":30,"master_rank":3,)"
              R"("skill_level":4,"skill_life_recovery":0,"skill_score_up":40,"total_power":1000},)"
              R"({"after_training":false,"base_power":700,"card_id":11,)"
              R"("default_image":"special_training","episode1_read":true,"episode2_read":true,)"
              R"("event_bonus_rate":12.5,"has_canvas_bonus":true,"level":60,"master_rank":0,)"
              R"("skill_level":1,"skill_life_recovery":3,"skill_score_up":10,"total_power":1000}],)"
              R"("character_bonus_power":500,"event_bonus_rate":12.5,"fixture_bonus_power":250,)"
              R"("gate_bonus_power":250,"honor_bonus_power":0,"live_score":20000,)"
              R"("multi_live_score_up":70.0,"mysekai_event_point":0,"score":12120,)"
              R"("support_deck_bonus_rate":0.0,"support_deck_cards":[],"total_power":5000})");
}

TEST(DeckResult, SupportCardsOnlyWhereTheEvaluatorAddsThem) {
    Fixture f;
    // Card 11 is in the deck and is skipped; the next two entries are taken.
    f.context.world_bloom_support.general = {{{11, 5.0}, {500, 2.5}, {501, 1.25}, {502, 1.0}}, 2};
    UserCard trained = Fixture::card_state(500, 60, 0, "special_training", CanvasState::UNSET);
    trained.special_training_status = " Done ";
    trained.master_rank = 5;
    trained.skill_level = 4;
    f.states[500] = trained;

    // Without World Bloom the evaluator adds no support: none is shown.
    std::string text = f.deck_text();
    EXPECT_NE(text.find(R"("event_bonus_rate":12.5,"fixture)"), std::string::npos) << text;
    EXPECT_NE(text.find(R"("support_deck_bonus_rate":0.0,"support_deck_cards":[])"),
              std::string::npos)
        << text;

    f.context.world_bloom = true;
    f.context.event_kind = 2;
    text = f.deck_text();
    // 12.5 + 3.75 added, 3.75 shown as support.
    EXPECT_NE(text.find(R"("event_bonus_rate":12.5,"fixture)"), std::string::npos) << text;
    EXPECT_NE(
        text.find(R"("support_deck_bonus_rate":3.75,"support_deck_cards":[)"
                  R"({"after_training":true,"bonus":2.5,"card_id":500,)"
                  R"("default_image":"special_training","level":60,"master_rank":5,)"
                  R"("skill_level":4},)"
                  R"({"after_training":false,"bonus":1.25,"card_id":501,)"
                  R"("default_image":"original","level":0,"master_rank":0,"skill_level":0}])"),
        std::string::npos)
        << text;
}

TEST(DeckResult, TargetAndLiveTypeSpecificFields) {
    Fixture f;
    f.context.live_type = LiveType::CHALLENGE_AUTO;
    EXPECT_NE(f.deck_text().find(R"("score":12120)"), std::string::npos);

    f.context.target = f.target = Target::MYSEKAI;
    std::string text = f.deck_text();
    EXPECT_NE(text.find(R"("live_score":0,"multi_live_score_up":70.0,"mysekai_event_point":2500,)"
                        R"("score":0,)"),
              std::string::npos)
        << text;

    f.context.target = f.target = Target::SCORE;
    f.context.live_type = LiveType::MYSEKAI;
    text = f.deck_text();
    EXPECT_NE(text.find(R"("multi_live_score_up":0.0,"mysekai_event_point":2500,"score":0,)"),
              std::string::npos)
        << text;

    // Honor power can lift the deck power past the signed 32-bit range.
    f.context.honor_power = std::numeric_limits<i32>::max();
    text = f.deck_text();
    EXPECT_NE(text.find(R"("honor_bonus_power":2147483647,)"), std::string::npos) << text;
    EXPECT_NE(text.find(R"("total_power":2147483647})"), std::string::npos) << text;

    // A deck that no skill choice admits gives no object.
    f.context.multi_live_score_up_lower_bound = 1000.0;
    EXPECT_EQ(f.deck_text(), "none");
}

TEST(PoolSearch, WritesCostThenDecksBestFirst) {
    const Result<std::string> text = Fixture().search();
    ASSERT_TRUE(text.ok()) << text.error().message;
    // Slots in candidate order: power, then skill value descending.
    EXPECT_EQ(text->rfind(R"({"cost_ms":0.0,"decks":[{"area_item_bonus_power":500,)", 0), 0u);
    const auto parsed = json::parse_value(*text);
    ASSERT_TRUE(parsed.ok());
    const json::Array& decks = *parsed->find("decks")->as_array();
    ASSERT_EQ(decks.size(), 1u);
    std::vector<i64> ids;
    for (const json::Value& card : *decks[0].find("cards")->as_array())
        ids.push_back(*card.find_i64("card_id"));
    EXPECT_EQ(ids, (std::vector<i64>{15, 14, 13, 12, 11}));
}

TEST(PoolSearch, NothingFoundCountsThePlayersCards) {
    // Four pool cards: nothing to search; the player has 37 cards.
    const Result<std::string> text = Fixture(4).search();
    ASSERT_FALSE(text.ok());
    EXPECT_EQ(text.error().message, "Cannot recommend any deck in 37 cards");
    EXPECT_EQ(Fixture().search(0).error().message, "Cannot recommend any deck in 37 cards");
}

TEST(PoolSearch, TiersThatNeedNoSearchGiveNoDecks) {
    struct Case {
        const char* name;
        usize cards;
        u64 limit;
        Target target;
    };
    const Case cases[] = {
        {"limit 0", 5, 0, Target::BONUS},
        {"four cards", 4, 1, Target::BONUS},
        {"target score", 5, 1'000'000'000'000, Target::SCORE},
    };
    for (const Case& c : cases) {
        Fixture f(c.cards);
        f.context.target = f.target = c.target;
        const Result<std::string> text = f.search(c.limit, {50});
        ASSERT_TRUE(text.ok()) << c.name;
        EXPECT_EQ(*text, R"({"cost_ms":0.0,"decks":[]})") << c.name;
    }
    // A search whose decks fall into no tier: no deck and no error.
    Fixture bonus;
    bonus.context.target = bonus.target = Target::BONUS;
    const Result<std::string> none = bonus.search(1, {50});
    ASSERT_TRUE(none.ok());
    EXPECT_EQ(*none, R"({"cost_ms":0.0,"decks":[]})");
}

}  // namespace
}  // namespace vdz
